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

void CLineBuffer::AppendUInt(uint32_t nValue)
{
    AppendUIntPadded(nValue, 1);
}

void CLineBuffer::AppendUIntPadded(uint32_t nValue, size_t nWidth)
{
    char aDigits[kMaxDigits];
    size_t nCount = 0;
    do {
        aDigits[nCount++] = static_cast<char>('0' + nValue % 10);
        nValue /= 10;
    } while (nValue != 0);
    while (nCount < nWidth && nCount < kMaxDigits)
        aDigits[nCount++] = '0';
    Reserve(m_nLength + nCount);
    while (nCount > 0)
        m_pData[m_nLength++] = aDigits[--nCount];
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
    if (nPos >= m_nLength)
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
