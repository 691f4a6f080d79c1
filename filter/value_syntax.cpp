#include "filter/value_syntax.h"

#include "support/ascii.h"
#include "support/numbers.h"

namespace {

// Hexadecimal digits from p on: at least nMinDigits and at most nMaxDigits
// (0: no upper limit) are taken; the value must stay below 256. Returns the
// character after the digits, or null.
const char* ReadHexByte(const char* p, int nMinDigits, int nMaxDigits, uint8_t& nByte)
{
    uint32_t nValue = 0;
    int nDigits = 0;
    for (;;) {
        if (nMaxDigits != 0 && nDigits == nMaxDigits)
            break;
        int nDigit = DigitValue(*p);
        if (nDigit >= 16)
            break;
        nValue = nValue * 16 + static_cast<uint32_t>(nDigit);
        if (nValue > 0xFF)
            return nullptr;
        ++nDigits;
        ++p;
    }
    if (nDigits < nMinDigits)
        return nullptr;
    nByte = static_cast<uint8_t>(nValue);
    return p;
}

// Six byte values separated by chSeparator.
bool ReadSeparatedBytes(const char* p, char chSeparator, uint8_t aAddress[6])
{
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            if (*p != chSeparator)
                return false;
            ++p;
        }
        p = ReadHexByte(p, 1, 0, aAddress[i]);
        if (p == nullptr)
            return false;
    }
    return true;
}

// Three groups separated by ":", each exactly two hexadecimal digits followed
// by one or more further digits that form the second byte.
bool ReadGroupedBytes(const char* p, uint8_t aAddress[6])
{
    for (int i = 0; i < 6; i += 2) {
        if (i > 0) {
            if (*p != ':')
                return false;
            ++p;
        }
        p = ReadHexByte(p, 2, 2, aAddress[i]);
        if (p == nullptr)
            return false;
        p = ReadHexByte(p, 1, 0, aAddress[i + 1]);
        if (p == nullptr)
            return false;
    }
    return true;
}

}  // namespace

bool ReadDecimal(const char* p, const char* pEnd, uint32_t nMax, uint32_t& nValue)
{
    while (p < pEnd && IsBlankOrTab(*p))
        ++p;
    uint64_t nRead = 0;
    const char* pDigits = p;
    while (p < pEnd && IsDecimalDigit(*p)) {
        nRead = nRead * 10 + static_cast<uint64_t>(*p - '0');
        if (nRead > 0xFFFFFFFFull)
            return false;
        ++p;
    }
    if (p == pDigits)
        return false;
    if (p < pEnd && !IsWhiteSpace(*p))
        return false;
    if (nRead > nMax)
        return false;
    nValue = static_cast<uint32_t>(nRead);
    return true;
}

bool ReadDecimal(const char* psz, uint32_t nMax, uint32_t& nValue)
{
    const char* pEnd = psz;
    while (*pEnd != '\0')
        ++pEnd;
    return ReadDecimal(psz, pEnd, nMax, nValue);
}

const char* ReadSmallDecimal(const char* p, uint32_t nMax, uint32_t& nValue)
{
    if (!IsDecimalDigit(*p))
        return nullptr;
    uint32_t nRead = 0;
    while (IsDecimalDigit(*p)) {
        nRead = nRead * 10 + static_cast<uint32_t>(*p - '0');
        if (nRead > nMax)
            return nullptr;
        ++p;
    }
    nValue = nRead;
    return p;
}

const char* ReadIpv4(const char* psz, uint8_t aAddress[4])
{
    const char* p = SkipBlanksAndTabs(psz);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*p != '.')
                return nullptr;
            ++p;
        }
        uint32_t nPart = 0;
        p = ReadSmallDecimal(p, 255, nPart);
        if (p == nullptr)
            return nullptr;
        aAddress[i] = static_cast<uint8_t>(nPart);
    }
    return p;
}

bool ReadEthernet(const char* psz, uint8_t aAddress[6])
{
    const char* p = SkipBlanksAndTabs(psz);
    return ReadSeparatedBytes(p, '-', aAddress) || ReadSeparatedBytes(p, ':', aAddress) ||
           ReadGroupedBytes(p, aAddress);
}
