// CSString: the text type of the whole program.
//
// A CSString is one pointer to zero-terminated characters; in front of them
// lies a header (capacity, length + 1, share count). Copies share the buffer
// and count the sharing; every change first makes the buffer private (copy on
// write). Buffers that hold up to 244 bytes live in 256-byte blocks that are
// recycled through a free list of each thread; larger ones are sized
// (n + 12) rounded down to 256, plus 256. The share count is not atomic: a
// buffer (a string and its copies) is used by one thread at a time.
//
// Ownership: each CSString owns (or co-owns) its buffer. Pointers returned by
// GetString() or GetBuffer() stay valid until the next change of that string.
// Running out of memory raises CSStringException (code 2: no new buffer,
// code 1: a buffer could not be grown).
#ifndef SARNITH_SUPPORT_SSTRING_H
#define SARNITH_SUPPORT_SSTRING_H

#include <cstdint>

#include "support/ascii.h"

class CSStringException {
public:
    enum { kGrowFailed = 1, kAllocFailed = 2 };
    explicit CSStringException(int nCode) : m_nCode(nCode) {}
    int GetCode() const { return m_nCode; }

private:
    int m_nCode;
};

class CSString {
public:
    CSString();
    CSString(const char* psz);
    CSString(const char* psz, int nCount);
    CSString(const CSString& other);
    ~CSString();

    CSString& operator=(const CSString& other);
    CSString& operator=(const char* psz);

    int GetLength() const;
    bool IsEmpty() const;
    const char* GetString() const { return m_pszData; }
    operator const char*() const { return m_pszData; }
    char operator[](int nIndex) const { return m_pszData[nIndex]; }

    // Bytes available for characters, terminator included.
    int GetCapacity() const;

    int Find(char ch) const;
    int Find(const char* pszSub) const;
    // ASCII case-insensitive; the sign is that of comparing psz with this string.
    int CompareNoCase(const char* psz) const;

    void Empty();
    CSString& operator+=(const CSString& other);
    CSString& operator+=(const char* psz);
    CSString& operator+=(char ch);
    // Appends nCount bytes of psz (stopping early at a zero byte).
    void Append(const char* psz, int nCount);

    friend CSString operator+(const CSString& a, const CSString& b);
    friend CSString operator+(const CSString& a, const char* b);
    friend CSString operator+(const char* a, const CSString& b);

    CSString Left(int nCount) const;
    void Delete(int nIndex, int nCount);
    void TrimLeft();
    void TrimRight();
    void Trim();
    int Replace(char chOld, char chNew);

    // Replaces the content by the formatted text, cut to the current capacity.
    void Format(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));

    char* GetBuffer(int nMinBytes);
    void ReleaseBuffer(int nNewLength = -1);

private:
    struct Header;
    Header* GetHeader() const;
    void Assign(const char* psz, int nCount);
    void MakePrivate(bool bKeepText);
    void Reserve(int nBytes);
    void Release();

    char* m_pszData;
};

#endif
