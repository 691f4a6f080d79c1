// The text writer's line buffer: appending texts and numbers, inserting and
// erasing characters, and growing the storage it keeps between lines.
#include "output/line_buffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr size_t kInitialCapacity = 1024;

// Digits of the largest unsigned 32-bit number.
constexpr size_t kMaxDigits = 10;

}  // namespace

CLineBuffer::CLineBuffer() : m_pData(nullptr), m_nLength(0), m_nCapacity(0)
{
    Grow(kInitialCapacity);
}

CLineBuffer::~CLineBuffer()
{
    std::free(m_pData);
}

void CLineBuffer::Append(const char* pszText)
{
    Append(pszText, std::strlen(pszText));
}

namespace {

// "00" to "99", two characters each.
const char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline size_t CountDigits(uint32_t nValue)
{
    if (nValue < 100000)
        return nValue < 100 ? (nValue < 10 ? 1 : 2) : nValue < 1000 ? 3 : nValue < 10000 ? 4 : 5;
    return nValue < 10000000 ? (nValue < 1000000 ? 6 : 7) : nValue < 100000000 ? 8 : nValue < 1000000000 ? 9 : 10;
}

// The nCount last digits of nValue, written backwards from pEnd.
inline void PutDigits(char* pEnd, uint32_t nValue, size_t nCount)
{
    while (nCount >= 2) {
        const char* pPair = kDigitPairs + 2 * static_cast<size_t>(nValue % 100);
        nValue /= 100;
        *--pEnd = pPair[1];
        *--pEnd = pPair[0];
        nCount -= 2;
    }
    if (nCount != 0)
        *--pEnd = static_cast<char>('0' + nValue % 10);
}

}  // namespace

void CLineBuffer::AppendUInt(uint32_t nValue)
{
    size_t nCount = CountDigits(nValue);
    Reserve(m_nLength + nCount);
    PutDigits(m_pData + m_nLength + nCount, nValue, nCount);
    m_nLength += nCount;
}

void CLineBuffer::AppendUIntPadded(uint32_t nValue, size_t nWidth)
{
    size_t nCount = CountDigits(nValue);
    if (nWidth > nCount)
        nCount = nWidth < kMaxDigits ? nWidth : kMaxDigits;
    Reserve(m_nLength + nCount);
    PutDigits(m_pData + m_nLength + nCount, nValue, nCount);
    m_nLength += nCount;
}

void CLineBuffer::Insert(size_t nPos, char ch)
{
    if (nPos > m_nLength)
        nPos = m_nLength;
    Reserve(m_nLength + 1);
    std::memmove(m_pData + nPos + 1, m_pData + nPos, m_nLength - nPos);
    m_pData[nPos] = ch;
    ++m_nLength;
}

void CLineBuffer::Erase(size_t nPos, size_t nCount)
{
    if (nPos >= m_nLength || nCount == 0)
        return;
    if (nCount > m_nLength - nPos)
        nCount = m_nLength - nPos;
    std::memmove(m_pData + nPos, m_pData + nPos + nCount, m_nLength - nPos - nCount);
    m_nLength -= nCount;
}

void CLineBuffer::MoveTail(size_t nPos, CLineBuffer& target)
{
    target.Clear();
    if (nPos >= m_nLength)
        return;
    target.Append(m_pData + nPos, m_nLength - nPos);
    m_nLength = nPos;
}

void CLineBuffer::Grow(size_t nCapacity)
{
    size_t nNewCapacity = m_nCapacity == 0 ? kInitialCapacity : m_nCapacity;
    while (nNewCapacity < nCapacity)
        nNewCapacity *= 2;
    void* pNew = std::realloc(m_pData, nNewCapacity);
    if (pNew == nullptr)
        throw std::bad_alloc();
    m_pData = static_cast<char*>(pNew);
    m_nCapacity = nNewCapacity;
}
