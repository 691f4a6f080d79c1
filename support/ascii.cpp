// Comparisons of texts that fold only the letters A to Z: equality (whole or
// bounded), order, and prefixes.
#include "support/ascii.h"

#include <cstdint>

namespace {

unsigned char FoldedByte(char ch)
{
    return static_cast<unsigned char>(ToLowerAscii(ch));
}

}  // namespace

bool EqualNoCase(const char* pszA, const char* pszB)
{
    return EqualNoCaseBounded(pszA, SIZE_MAX, pszB);
}

bool EqualNoCaseBounded(const char* pText, size_t nMax, const char* pszValue)
{
    size_t i = 0;
    for (; i < nMax && pText[i] != '\0'; ++i)
        if (pszValue[i] == '\0' || FoldedByte(pText[i]) != FoldedByte(pszValue[i]))
            return false;
    return pszValue[i] == '\0';
}

int CompareNoCase(const char* pszA, const char* pszB)
{
    for (;; ++pszA, ++pszB) {
        int nA = FoldedByte(*pszA);
        int nB = FoldedByte(*pszB);
        if (nA != nB || nA == 0)
            return nA - nB;
    }
}

bool StartsWithNoCase(const char* psz, const char* pszPrefix)
{
    for (; *pszPrefix != '\0'; ++psz, ++pszPrefix)
        if (FoldedByte(*psz) != FoldedByte(*pszPrefix))
            return false;
    return true;
}
