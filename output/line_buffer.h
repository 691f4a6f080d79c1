// CLineBuffer: the growable character buffer in which the text writer builds
// one output line.
//
// It is cleared for every line and keeps its storage, so after the first few
// lines no allocation happens at all. Besides appending it offers the few
// in-place edits that preparing a value needs (cutting back, inserting one
// character, removing a stretch). The text is not zero-terminated.
//
// Ownership: the buffer owns its storage; pointers from GetData() are valid
// until the next change that grows the buffer. Running out of memory raises
// std::bad_alloc.
#ifndef SARNITH_OUTPUT_LINE_BUFFER_H
#define SARNITH_OUTPUT_LINE_BUFFER_H

#include <cstddef>
#include <cstdint>
#include <cstring>

class CLineBuffer {
public:
    CLineBuffer();
    ~CLineBuffer();
    CLineBuffer(const CLineBuffer&) = delete;
    CLineBuffer& operator=(const CLineBuffer&) = delete;

    void Clear() { m_nLength = 0; }
    size_t GetLength() const { return m_nLength; }
    char* GetData() { return m_pData; }
    const char* GetData() const { return m_pData; }

    void Append(const char* pText, size_t nCount)
    {
        Reserve(m_nLength + nCount);
        CopyText(m_pData + m_nLength, pText, nCount);
        m_nLength += nCount;
    }
    void Append(const char* pszText);
    void AppendChar(char ch)
    {
        Reserve(m_nLength + 1);
        m_pData[m_nLength++] = ch;
    }
    // Decimal digits of an unsigned 32-bit number.
    void AppendUInt(uint32_t nValue);
    // The same with leading zeros up to nWidth digits (at most 10).
    void AppendUIntPadded(uint32_t nValue, size_t nWidth);

    // Cuts the text back to nLength characters (no effect when it is shorter).
    void Truncate(size_t nLength)
    {
        if (nLength < m_nLength)
            m_nLength = nLength;
    }
    void Insert(size_t nPos, char ch);
    void Erase(size_t nPos, size_t nCount);
    // Moves the text from nPos to the end into target (whose text it
    // replaces), cutting this text back to nPos.
    void MoveTail(size_t nPos, CLineBuffer& target);

private:
    // Most texts of a line are short: they are copied in two overlapping
    // moves of a fixed size, which need no call.
    static void CopyText(char* pTarget, const char* pText, size_t nCount)
    {
        if (nCount >= 8 && nCount <= 16) {
            std::memcpy(pTarget, pText, 8);
            std::memcpy(pTarget + nCount - 8, pText + nCount - 8, 8);
        } else if (nCount >= 4 && nCount < 8) {
            std::memcpy(pTarget, pText, 4);
            std::memcpy(pTarget + nCount - 4, pText + nCount - 4, 4);
        } else if (nCount != 0) {
            std::memcpy(pTarget, pText, nCount);
        }
    }
    void Reserve(size_t nCapacity)
    {
        if (nCapacity > m_nCapacity)
            Grow(nCapacity);
    }
    void Grow(size_t nCapacity);

    char* m_pData;
    size_t m_nLength;
    size_t m_nCapacity;
};

#endif
