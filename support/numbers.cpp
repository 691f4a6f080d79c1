#include "support/numbers.h"

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

uint32_t ReadAutoBase(const char* p, const char* pEnd, int& nDigits, const char*& pAfter)
{
    nDigits = 0;
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

    uint64_t nValue = 0;
    while (p < pEnd) {
        int nDigit = DigitValue(*p);
        if (nDigit >= static_cast<int>(nBase))
            break;
        uint64_t nTimesBase = nValue * nBase;
        if (nTimesBase > 0xFFFFFFFFull)
            break;
        if (nTimesBase + static_cast<uint64_t>(nDigit) > 0xFFFFFFFFull) {
            nValue = nTimesBase;
            break;
        }
        nValue = nTimesBase + static_cast<uint64_t>(nDigit);
        ++nDigits;
        ++p;
    }
    pAfter = p;
    return static_cast<uint32_t>(nValue);
}
