// The description search's pattern: built once in lower case with its shift
// table, then searched for in a counted text without regard to letter case.
#include "filter/text_pattern.h"

#include <cstring>

#include "support/ascii.h"

CTextPattern::CTextPattern(const char* pszText) : m_szPattern{}, m_nLength(0)
{
    std::memset(m_aShift, -1, sizeof(m_aShift));
    while (m_nLength < kMaxLength && pszText[m_nLength] != '\0') {
        char ch = ToLowerAscii(pszText[m_nLength]);
        m_szPattern[m_nLength] = ch;
        m_aShift[static_cast<unsigned char>(ch)] = static_cast<int8_t>(m_nLength);
        m_aShift[static_cast<unsigned char>(ToUpperAscii(ch))] = static_cast<int8_t>(m_nLength);
        ++m_nLength;
    }
    m_szPattern[m_nLength] = '\0';
}

bool CTextPattern::Find(const char* pText, size_t nLength) const
{
    size_t nText = 0;
    if (nLength != 0) {
        const void* pZero = std::memchr(pText, '\0', nLength);
        nText = pZero == nullptr ? nLength : static_cast<size_t>(static_cast<const char*>(pZero) - pText);
    }
    if (m_nLength == 0)
        return nText == 0;

    const size_t nPattern = static_cast<size_t>(m_nLength);
    size_t nPos = 0;
    while (nPos + nPattern <= nText) {
        int i = m_nLength - 1;
        while (i >= 0 && ToLowerAscii(pText[nPos + static_cast<size_t>(i)]) == m_szPattern[i])
            --i;
        if (i < 0)
            return true;
        int nLast = m_aShift[static_cast<unsigned char>(pText[nPos + nPattern - 1])];
        int nShift = nLast < 0 ? m_nLength : m_nLength - 1 - nLast;
        nPos += static_cast<size_t>(nShift < 1 ? 1 : nShift);
    }
    return false;
}
