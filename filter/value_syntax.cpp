// The readers of the value syntaxes shared by the search parameters:
// decimal numbers, IPv4 addresses and Ethernet addresses.
#include "filter/value_syntax.h"

#include <cstring>

#include "support/ascii.h"
#include "support/numbers.h"

namespace {

// Hexadecimal digits from p on: at least nMinDigits and at most nMaxDigits
// (0: no upper limit) are taken; the value must stay below 256. Returns the
// character after the digits, or null.
const char* ReadHexByte(const char* p, int nMinDigits, int nMaxDigits, uint8_t& nByte)
{
    const char* pEnd = p;
    while (*pEnd != '\0' && (nMaxDigits == 0 || pEnd - p < nMaxDigits))
        ++pEnd;
    CDigitRun run = ReadDigits(p, pEnd, 16, 0xFF);
    if (run.m_bTooLarge || run.m_nDigits < nMinDigits)
        return nullptr;
    nByte = static_cast<uint8_t>(run.m_nValue);
    return run.m_pAfter;
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
    CDigitRun run = ReadDigits(p, pEnd, 10, nMax);
    if (run.m_nDigits == 0 || run.m_bTooLarge)
        return false;
    if (run.m_pAfter < pEnd && !IsWhiteSpace(*run.m_pAfter))
        return false;
    nValue = run.m_nValue;
    return true;
}

bool ReadDecimal(const char* psz, uint32_t nMax, uint32_t& nValue)
{
    return ReadDecimal(psz, psz + std::strlen(psz), nMax, nValue);
}

const char* ReadSmallDecimal(const char* p, uint32_t nMax, uint32_t& nValue)
{
    CDigitRun run = ReadDigits(p, 10, nMax);
    if (run.m_nDigits == 0 || run.m_bTooLarge)
        return nullptr;
    nValue = run.m_nValue;
    return run.m_pAfter;
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
