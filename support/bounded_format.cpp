// The bounded formatter: the program's own printf-style conversions (flags,
// width, precision, integers, floating point, texts, characters, pointers)
// written piece by piece into the caller's buffer, never past its end; text
// pointers that cannot point at a text print "(null)".
#include "support/bounded_format.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "support/ascii.h"

namespace {

// Text pointers that cannot point at a text print "(null)": those below
// 64 KiB, those above the start of the highest 64 KiB of the address space,
// and the fill patterns that debug heaps and stacks leave in pointers nobody
// has set (in their 32-bit and 64-bit forms).
constexpr uintptr_t kGuardedRange = 65536;
constexpr uint32_t kFillPatterns[] = {0xCCCCCCCCu, 0xCDCDCDCDu, 0xDDDDDDDDu, 0xEEEEEEEEu};

bool IsUnusableText(const char* psz)
{
    uintptr_t nAddress = reinterpret_cast<uintptr_t>(psz);
    if (nAddress < kGuardedRange || nAddress > UINTPTR_MAX - (kGuardedRange - 1))
        return true;
    return std::any_of(std::begin(kFillPatterns), std::end(kFillPatterns), [nAddress](uint32_t nPattern) {
        uint64_t nWide = static_cast<uint64_t>(nPattern) << 32 | nPattern;
        return nAddress == nPattern || static_cast<uint64_t>(nAddress) == nWide;
    });
}

// The caller's buffer while formatting. Pieces are copied as far as they fit
// before the last position; the buffer stays zero-terminated after every
// piece. The length counts the whole result, stored or not.
class CFormatTarget {
public:
    CFormatTarget(char* pszBuffer, int nSize) : m_pszBuffer(pszBuffer), m_nSize(nSize), m_nLength(0)
    {
        m_pszBuffer[0] = '\0';
    }

    // Appends up to nCount characters of p, stopping early at a zero character.
    void Append(const char* p, int64_t nCount)
    {
        int64_t nTaken = 0;
        while (nTaken < nCount && p[nTaken] != '\0') {
            if (m_nLength + nTaken < m_nSize - 1)
                m_pszBuffer[m_nLength + nTaken] = p[nTaken];
            ++nTaken;
        }
        Advance(nTaken);
    }

    void AppendText(const char* psz) { Append(psz, INT64_MAX); }

    // Appends nCount copies of ch.
    void AppendFill(char ch, int64_t nCount)
    {
        if (nCount <= 0)
            return;
        for (int64_t i = 0; i < nCount && m_nLength + i < m_nSize - 1; ++i)
            m_pszBuffer[m_nLength + i] = ch;
        Advance(nCount);
    }

    int Length() const { return m_nLength > INT_MAX ? INT_MAX : static_cast<int>(m_nLength); }

private:
    void Advance(int64_t nCount)
    {
        m_nLength += nCount;
        m_pszBuffer[m_nLength < m_nSize - 1 ? m_nLength : m_nSize - 1] = '\0';
    }

    char* m_pszBuffer;
    int64_t m_nSize;
    int64_t m_nLength;
};

// One conversion: "%" flags width .precision length conversion.
struct CConversion {
    bool m_bLeft = false;       // "-"
    bool m_bPlus = false;       // "+"
    bool m_bBlank = false;      // " "
    bool m_bAlternate = false;  // "#"
    bool m_bZeroPad = false;    // "0"
    int m_nWidth = 0;
    int m_nPrecision = -1;  // -1: none given
    char m_cConversion = '\0';
};

// Reads decimal digits, saturating instead of overflowing.
int ReadCount(const char*& p)
{
    int nValue = 0;
    while (IsDecimalDigit(*p)) {
        int nDigit = *p - '0';
        nValue = nValue > (INT_MAX - nDigit) / 10 ? INT_MAX : nValue * 10 + nDigit;
        ++p;
    }
    return nValue;
}

// Reads flags, width, precision and length modifiers after the "%"; the
// conversion character is left for the caller (it may be the terminator).
CConversion ReadConversion(const char*& p, va_list& args)
{
    CConversion conversion;
    for (;; ++p) {
        if (*p == '-')
            conversion.m_bLeft = true;
        else if (*p == '+')
            conversion.m_bPlus = true;
        else if (*p == ' ')
            conversion.m_bBlank = true;
        else if (*p == '#')
            conversion.m_bAlternate = true;
        else if (*p == '0')
            conversion.m_bZeroPad = true;
        else
            break;
    }

    if (*p == '*') {
        int nWidth = va_arg(args, int);
        if (nWidth < 0) {
            conversion.m_bLeft = true;
            nWidth = nWidth == INT_MIN ? INT_MAX : -nWidth;
        }
        conversion.m_nWidth = nWidth;
        ++p;
    } else {
        conversion.m_nWidth = ReadCount(p);
    }

    if (*p == '.') {
        ++p;
        if (*p == '*') {
            int nPrecision = va_arg(args, int);
            conversion.m_nPrecision = nPrecision < 0 ? 0 : nPrecision;
            ++p;
        } else {
            conversion.m_nPrecision = ReadCount(p);
        }
    }

    while (*p == 'h' || *p == 'l')
        ++p;
    conversion.m_cConversion = *p;
    return conversion;
}

// Writes one converted field: the prefix (sign, "0x"), the zeros that the
// precision or the "0" flag ask for, and the body, padded to the width.
void WriteField(CFormatTarget& target, const CConversion& conversion, const char* pszPrefix, int64_t nPrecisionZeros,
                const char* pBody, int64_t nBodyLength, bool bZeroPadAllowed)
{
    int64_t nPrefixLength = 0;
    while (pszPrefix[nPrefixLength] != '\0')
        ++nPrefixLength;
    int64_t nContent = nPrefixLength + nPrecisionZeros + nBodyLength;
    int64_t nPadding = conversion.m_nWidth > nContent ? conversion.m_nWidth - nContent : 0;

    if (conversion.m_bLeft) {
        target.AppendText(pszPrefix);
        target.AppendFill('0', nPrecisionZeros);
        target.Append(pBody, nBodyLength);
        target.AppendFill(' ', nPadding);
    } else if (conversion.m_bZeroPad && bZeroPadAllowed) {
        target.AppendText(pszPrefix);
        target.AppendFill('0', nPadding + nPrecisionZeros);
        target.Append(pBody, nBodyLength);
    } else {
        target.AppendFill(' ', nPadding);
        target.AppendText(pszPrefix);
        target.AppendFill('0', nPrecisionZeros);
        target.Append(pBody, nBodyLength);
    }
}

// Digits of nValue in nBase, written backwards from the end of aDigits;
// returns the first digit.
const char* MakeDigits(uint64_t nValue, unsigned nBase, bool bUpper, char (&aDigits)[32])
{
    const char* pszSet = bUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    char* p = aDigits + sizeof(aDigits);
    do {
        *--p = pszSet[nValue % nBase];
        nValue /= nBase;
    } while (nValue != 0);
    return p;
}

void FormatInteger(CFormatTarget& target, const CConversion& conversion, va_list& args)
{
    const char cConversion = conversion.m_cConversion;
    uint64_t nMagnitude = 0;
    const char* pszPrefix = "";

    if (cConversion == 'd' || cConversion == 'i') {
        int32_t nValue = va_arg(args, int32_t);
        nMagnitude = nValue < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(nValue)) : static_cast<uint64_t>(nValue);
        if (nValue < 0)
            pszPrefix = "-";
        else if (conversion.m_bPlus)
            pszPrefix = "+";
        else if (conversion.m_bBlank)
            pszPrefix = " ";
    } else if (cConversion == 'p') {
        nMagnitude = reinterpret_cast<uintptr_t>(va_arg(args, void*));
    } else {
        nMagnitude = va_arg(args, uint32_t);
    }

    unsigned nBase = 10;
    if (cConversion == 'o')
        nBase = 8;
    else if (cConversion == 'x' || cConversion == 'X' || cConversion == 'p')
        nBase = 16;

    if (conversion.m_bAlternate && nMagnitude != 0) {
        if (cConversion == 'x' || cConversion == 'p')
            pszPrefix = "0x";
        else if (cConversion == 'X')
            pszPrefix = "0X";
        else if (cConversion == 'o')
            pszPrefix = "0";
    }

    char aDigits[32];
    const char* pDigits = MakeDigits(nMagnitude, nBase, cConversion == 'X', aDigits);
    int64_t nDigitCount = aDigits + sizeof(aDigits) - pDigits;
    if (conversion.m_nPrecision == 0 && nMagnitude == 0)
        nDigitCount = 0;  // an explicit precision of 0 prints no digit for 0
    int64_t nPrecisionZeros = conversion.m_nPrecision > nDigitCount ? conversion.m_nPrecision - nDigitCount : 0;
    WriteField(target, conversion, pszPrefix, nPrecisionZeros, pDigits, nDigitCount, conversion.m_nPrecision < 0);
}

void FormatFloat(CFormatTarget& target, const CConversion& conversion, va_list& args)
{
    double dValue = va_arg(args, double);
    const char* pszSign = "";
    if (std::signbit(dValue))
        pszSign = "-";
    else if (conversion.m_bPlus)
        pszSign = "+";
    else if (conversion.m_bBlank)
        pszSign = " ";

    if (std::isinf(dValue)) {
        WriteField(target, conversion, pszSign, 0, "Inf", 3, false);
        return;
    }
    if (std::isnan(dValue)) {
        WriteField(target, conversion, "", 0, "NaN", 3, false);
        return;
    }

    int nPrecision = conversion.m_nPrecision < 0 ? 6 : conversion.m_nPrecision;
    if (nPrecision == 0 && (conversion.m_cConversion == 'g' || conversion.m_cConversion == 'G'))
        nPrecision = 1;
    const char aPlainFormat[] = {'%', '.', '*', conversion.m_cConversion, '\0'};
    const char aAlternateFormat[] = {'%', '#', '.', '*', conversion.m_cConversion, '\0'};
    const char* pszFormat = conversion.m_bAlternate ? aAlternateFormat : aPlainFormat;
    // The digits come from the C library; the sign and the padding are ours.
    double dMagnitude = std::fabs(dValue);
    char aLocal[128];
    int nLength = std::snprintf(aLocal, sizeof(aLocal), pszFormat, nPrecision, dMagnitude);
    if (nLength < 0)
        return;
    if (static_cast<size_t>(nLength) < sizeof(aLocal)) {
        WriteField(target, conversion, pszSign, 0, aLocal, nLength, true);
        return;
    }
    std::string strLarge(static_cast<size_t>(nLength) + 1, '\0');
    std::snprintf(strLarge.data(), strLarge.size(), pszFormat, nPrecision, dMagnitude);
    WriteField(target, conversion, pszSign, 0, strLarge.data(), nLength, true);
}

void FormatText(CFormatTarget& target, const CConversion& conversion, va_list& args)
{
    const char* psz = va_arg(args, const char*);
    if (IsUnusableText(psz))
        psz = "(null)";
    int64_t nLength = 0;
    while ((conversion.m_nPrecision < 0 || nLength < conversion.m_nPrecision) && psz[nLength] != '\0')
        ++nLength;
    WriteField(target, conversion, "", 0, psz, nLength, false);
}

void FormatCharacter(CFormatTarget& target, const CConversion& conversion, va_list& args)
{
    char ch = static_cast<char>(va_arg(args, int));
    WriteField(target, conversion, "", 0, &ch, 1, false);
}

}  // namespace

int BoundedFormat(char* pszBuffer, int nSize, const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    int nLength = BoundedFormatV(pszBuffer, nSize, pszFormat, args);
    va_end(args);
    return nLength;
}

int BoundedFormatV(char* pszBuffer, int nSize, const char* pszFormat, va_list args)
{
    if (pszBuffer == nullptr || nSize < 1)
        return 0;
    CFormatTarget target(pszBuffer, nSize);
    if (pszFormat == nullptr)
        return 0;

    va_list argsCopy;
    va_copy(argsCopy, args);
    const char* p = pszFormat;
    while (*p != '\0') {
        if (*p != '%') {
            const char* pRun = p;
            while (*p != '\0' && *p != '%')
                ++p;
            target.Append(pRun, p - pRun);
            continue;
        }
        ++p;
        CConversion conversion = ReadConversion(p, argsCopy);
        switch (conversion.m_cConversion) {
        case '\0':
            continue;  // the format ended inside a conversion
        case '%':
            target.AppendText("%");
            break;
        case 'c':
            FormatCharacter(target, conversion, argsCopy);
            break;
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X':
        case 'p':
            FormatInteger(target, conversion, argsCopy);
            break;
        case 's':
            FormatText(target, conversion, argsCopy);
            break;
        case 'e':
        case 'E':
        case 'f':
        case 'g':
        case 'G':
            FormatFloat(target, conversion, argsCopy);
            break;
        default:
            break;  // an unknown conversion prints nothing, its character included
        }
        ++p;
    }
    va_end(argsCopy);
    return target.Length();
}
