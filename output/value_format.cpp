// The formats the output columns share: IPv4 addresses in the three
// --ipformat forms, MAC addresses, numbers with their table names, bounded
// texts, packed counters, and an entry's time as local date and time text.
#include "output/value_format.h"

#include <cstring>
#include <ctime>

#include "records/packed_counter.h"
#include "support/byte_order.h"

namespace {

const char kHexDigits[] = "0123456789abcdef";

void AppendHexByte(CLineBuffer& line, uint8_t nByte)
{
    line.AppendChar(kHexDigits[nByte >> 4]);
    line.AppendChar(kHexDigits[nByte & 0x0F]);
}

// One octet as three digits, with leading zeros.
void AppendFixedOctet(CLineBuffer& line, uint8_t nOctet)
{
    line.AppendChar(static_cast<char>('0' + nOctet / 100));
    line.AppendChar(static_cast<char>('0' + nOctet / 10 % 10));
    line.AppendChar(static_cast<char>('0' + nOctet % 10));
}

}  // namespace

void AppendIpAddress(CLineBuffer& line, const uint8_t* pAddress, EIpFormat eIpFormat)
{
    switch (eIpFormat) {
    case IPFORMAT_INTEGER:
        line.AppendUInt(ReadBigEndian32(pAddress));
        return;
    case IPFORMAT_FIXED:
        for (int i = 0; i < 4; ++i) {
            if (i > 0)
                line.AppendChar('.');
            AppendFixedOctet(line, pAddress[i]);
        }
        return;
    case IPFORMAT_STRING:
    default:
        for (int i = 0; i < 4; ++i) {
            if (i > 0)
                line.AppendChar('.');
            line.AppendUInt(pAddress[i]);
        }
        return;
    }
}

void AppendMacAddress(CLineBuffer& line, const uint8_t* pAddress)
{
    for (int i = 0; i < 6; ++i) {
        if (i == 2 || i == 4)
            line.AppendChar(':');
        AppendHexByte(line, pAddress[i]);
    }
}

void AppendNumberWithName(CLineBuffer& line, const CNameEntry* pTable, uint32_t nNumber)
{
    const char* pszName = NumberToName(pTable, static_cast<int32_t>(nNumber));
    line.AppendUInt(nNumber);
    if (pszName != nullptr && pszName[0] != '\0') {
        line.AppendChar('(');
        line.Append(pszName);
        line.AppendChar(')');
    }
}

void AppendNameOrNumber(CLineBuffer& line, const CNameEntry* pTable, int32_t nNumber)
{
    const char* pszName = NumberToName(pTable, nNumber);
    if (pszName != nullptr)
        line.Append(pszName);
    else
        line.AppendUInt(static_cast<uint32_t>(nNumber));
}

void AppendBoundedText(CLineBuffer& line, const char* pText, size_t nMaxBytes)
{
    const void* pZero = std::memchr(pText, '\0', nMaxBytes);
    size_t nLength = pZero == nullptr ? nMaxBytes : static_cast<size_t>(static_cast<const char*>(pZero) - pText);
    line.Append(pText, nLength);
}

bool AppendPackedCounter(CLineBuffer& line, const uint8_t* pCounter)
{
    uint32_t nValue = 0;
    if (!PackedCounterToUInt32(pCounter, nValue))
        return false;
    line.AppendUInt(nValue);
    return true;
}

bool EntryTimeToSeconds(const CLogEntry& entry, uint32_t& nSeconds)
{
    uint64_t nWhole = entry.GetTime() / kLogTimeUnitsPerSecond;
    if (nWhole < kLogTimeEpochSeconds || nWhole - kLogTimeEpochSeconds > 0xFFFFFFFFull)
        return false;
    nSeconds = static_cast<uint32_t>(nWhole - kLogTimeEpochSeconds);
    return true;
}

CLocalTimeText::CLocalTimeText()
    : m_bConverted(false),
      m_bValid(false),
      m_nSeconds(0),
      m_nUtcOffset(0),
      m_szDate{},
      m_szTime{}
{
}

bool CLocalTimeText::Convert(uint32_t nSeconds)
{
    if (m_bConverted && nSeconds == m_nSeconds)
        return m_bValid;
    m_bConverted = true;
    m_nSeconds = nSeconds;
    time_t nTime = static_cast<time_t>(nSeconds);
    struct tm tmLocal;
    m_bValid = localtime_r(&nTime, &tmLocal) != nullptr &&
               std::strftime(m_szDate, kTextSize, "%Y-%m-%d", &tmLocal) != 0 &&
               std::strftime(m_szTime, kTextSize, "%H:%M:%S", &tmLocal) != 0;
    m_nUtcOffset = m_bValid ? tmLocal.tm_gmtoff : 0;
    return m_bValid;
}
