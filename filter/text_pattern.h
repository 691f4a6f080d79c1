// CTextPattern: a case-insensitive substring pattern for the description
// search ("description = 'login fail'").
//
// The pattern keeps the first 127 characters of the value in lower case and
// a shift table of 256 signed bytes; Find runs a Horspool search over a
// counted text in place, so searching allocates nothing. The pattern owns
// its copy of the value; the searched text stays the caller's.
#ifndef SARNITH_FILTER_TEXT_PATTERN_H
#define SARNITH_FILTER_TEXT_PATTERN_H

#include <cstddef>
#include <cstdint>

class CTextPattern {
public:
    enum { kMaxLength = 127 };

    explicit CTextPattern(const char* pszText);

    // True when the pattern occurs in the text: at most nLength bytes,
    // ending early at its first zero byte. An empty pattern is found only
    // in an empty text.
    bool Find(const char* pText, size_t nLength) const;

    int GetLength() const { return m_nLength; }
    const char* GetText() const { return m_szPattern; }

private:
    char m_szPattern[kMaxLength + 1];
    int m_nLength;
    // Last position of each byte value in the pattern (both letter cases),
    // -1 for bytes that do not occur.
    int8_t m_aShift[256];
};

#endif
