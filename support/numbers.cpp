// The shared digit reader and the prefixed-base number reader built on it.
#include "support/numbers.h"

#include <cstring>

#include "support/ascii.h"

int DigitValue(char ch)
{
    if (IsDecimalDigit(ch))
        return ch - '0';
    if (ch >= 'a' && ch <= 'z')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'Z')
        return ch - 'A' + 10;
    return 99;
}

CDigitRun ReadDigits(const char* p, const char* pEnd, uint32_t nBase, uint32_t nMax)
{
    CDigitRun run = {0, 0, false, p};
    uint64_t nValue = 0;
    for (; p < pEnd; ++p) {
        int nDigit = DigitValue(*p);
        if (nDigit >= static_cast<int>(nBase))
            break;
        uint64_t nNext = nValue * nBase + static_cast<uint64_t>(nDigit);
        if (nNext > nMax) {
            run.m_bTooLarge = true;
            break;
        }
        nValue = nNext;
        ++run.m_nDigits;
    }
    run.m_nValue = static_cast<uint32_t>(nValue);
    run.m_pAfter = p;
    return run;
}

CDigitRun ReadDigits(const char* psz, uint32_t nBase, uint32_t nMax)
{
    return ReadDigits(psz, psz + std::strlen(psz), nBase, nMax);
}

uint32_t ReadAutoBase(const char* p, const char* pEnd, int& nDigits, const char*& pAfter)
{
    while (p < pEnd && IsBlankOrTab(*p))
        ++p;

    uint32_t nBase = 10;
    if (p < pEnd && (*p == '$' || *p == 'x' || *p == 'X')) {
        nBase = 16;
        p += 1;
    } else if (p < pEnd && (*p == 'b' || *p == 'B')) {
        nBase = 2;
        p += 1;
    } else if (pEnd - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        nBase = 16;
        p += 2;
    } else if (pEnd - p >= 2 && p[0] == '0' && (p[1] == 'b' || p[1] == 'B')) {
        nBase = 2;
        p += 2;
    } else if (pEnd - p >= 2 && p[0] == '0' && p[1] >= '0' && p[1] <= '7') {
        nBase = 8;
        p += 1;
    }

    CDigitRun run = ReadDigits(p, pEnd, nBase, UINT32_MAX);
    nDigits = run.m_nDigits;
    pAfter = run.m_pAfter;
    if (run.m_bTooLarge && static_cast<uint64_t>(run.m_nValue) * nBase <= UINT32_MAX)
        return run.m_nValue * nBase;
    return run.m_nValue;
}
