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

// Dotted quads: four octets of up to three digits and three dots.
constexpr size_t kDottedQuadSize = 15;

// The digits of every octet without leading zeros, and their count.
struct COctetTexts {
    constexpr COctetTexts() : m_aDigits(), m_anCount()
    {
        for (int i = 0; i < 256; ++i) {
            int nCount = i >= 100 ? 3 : i >= 10 ? 2 : 1;
            for (int nDigit = nCount - 1, nValue = i; nDigit >= 0; --nDigit, nValue /= 10)
                m_aDigits[i][nDigit] = static_cast<char>('0' + nValue % 10);
            m_anCount[i] = static_cast<uint8_t>(nCount);
        }
    }
    char m_aDigits[256][3];
    uint8_t m_anCount[256];
};

constexpr COctetTexts kOctetTexts;

// One octet at pText, as three digits with leading zeros when bFixed, else
// without them; returns the end of its digits.
char* PutOctet(char* pText, uint8_t nOctet, bool bFixed)
{
    if (bFixed) {
        *pText++ = static_cast<char>('0' + nOctet / 100);
        *pText++ = static_cast<char>('0' + nOctet / 10 % 10);
        *pText++ = static_cast<char>('0' + nOctet % 10);
        return pText;
    }
    std::memcpy(pText, kOctetTexts.m_aDigits[nOctet], 3);  // the text has room for the unused ones
    return pText + kOctetTexts.m_anCount[nOctet];
}

void AppendDottedQuad(CLineBuffer& line, const uint8_t* pAddress, bool bFixed)
{
    char aText[kDottedQuadSize + 2];  // room for PutOctet's whole copy after the last dot
    char* pEnd = PutOctet(aText, pAddress[0], bFixed);
    for (int i = 1; i < 4; ++i) {
        *pEnd++ = '.';
        pEnd = PutOctet(pEnd, pAddress[i], bFixed);
    }
    line.Append(aText, static_cast<size_t>(pEnd - aText));
}

}  // namespace

void AppendIpAddress(CLineBuffer& line, const uint8_t* pAddress, EIpFormat eIpFormat)
{
    switch (eIpFormat) {
    case IPFORMAT_INTEGER:
        line.AppendUInt(ReadBigEndian32(pAddress));
        return;
    case IPFORMAT_FIXED:
        AppendDottedQuad(line, pAddress, true);
        return;
    case IPFORMAT_STRING:
    default:
        AppendDottedQuad(line, pAddress, false);
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

namespace {

constexpr uint32_t kSecondsPerMinute = 60;
constexpr int kLastSecond = 59;  // of a minute without a leap second
constexpr int kTmYearBase = 1900;

// Two digits, 00 to 99.
void PutTwoDigits(char* pText, int nValue)
{
    pText[0] = static_cast<char>('0' + nValue / 10);
    pText[1] = static_cast<char>('0' + nValue % 10);
}

// "%Y-%m-%d" and "%H:%M:%S" of a broken-down time. Times of 0 to
// 4294967295 seconds lie in the years 1969 to 2106: four digits.
void FormatDate(char* pszDate, const struct tm& tmLocal)
{
    int nYear = tmLocal.tm_year + kTmYearBase;
    PutTwoDigits(pszDate, nYear / 100);
    PutTwoDigits(pszDate + 2, nYear % 100);
    pszDate[4] = '-';
    PutTwoDigits(pszDate + 5, tmLocal.tm_mon + 1);
    pszDate[7] = '-';
    PutTwoDigits(pszDate + 8, tmLocal.tm_mday);
    pszDate[CLocalTimeText::kDateLength] = '\0';
}

void FormatTime(char* pszTime, const struct tm& tmLocal)
{
    PutTwoDigits(pszTime, tmLocal.tm_hour);
    pszTime[2] = ':';
    PutTwoDigits(pszTime + 3, tmLocal.tm_min);
    pszTime[5] = ':';
    PutTwoDigits(pszTime + 6, tmLocal.tm_sec);
    pszTime[CLocalTimeText::kTimeLength] = '\0';
}

bool SameMinute(const struct tm& tmOne, const struct tm& tmOther)
{
    return tmOne.tm_year == tmOther.tm_year && tmOne.tm_mon == tmOther.tm_mon && tmOne.tm_mday == tmOther.tm_mday &&
           tmOne.tm_hour == tmOther.tm_hour && tmOne.tm_min == tmOther.tm_min && tmOne.tm_gmtoff == tmOther.tm_gmtoff;
}

}  // namespace

CLocalTimeText::CLocalTimeText()
    : m_bConverted(false),
      m_bValid(false),
      m_bPlainMinute(false),
      m_nSeconds(0),
      m_nMinuteStart(0),
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
    if (m_bPlainMinute && nSeconds - m_nMinuteStart < kSecondsPerMinute) {
        PutTwoDigits(m_szTime + 6, static_cast<int>(nSeconds - m_nMinuteStart));
        return m_bValid;
    }
    m_bValid = ConvertAnew(nSeconds);
    return m_bValid;
}

bool CLocalTimeText::ConvertAnew(uint32_t nSeconds)
{
    m_bPlainMinute = false;
    m_nUtcOffset = 0;
    time_t nTime = static_cast<time_t>(nSeconds);
    struct tm tmLocal;
    if (localtime_r(&nTime, &tmLocal) == nullptr)
        return false;
    FormatDate(m_szDate, tmLocal);
    FormatTime(m_szTime, tmLocal);
    m_nUtcOffset = tmLocal.tm_gmtoff;
    uint32_t nSecond = static_cast<uint32_t>(tmLocal.tm_sec);
    if (tmLocal.tm_sec <= kLastSecond && nSecond <= nSeconds &&
        nSeconds - nSecond <= UINT32_MAX - (kSecondsPerMinute - 1)) {
        m_nMinuteStart = nSeconds - nSecond;
        m_bPlainMinute = IsPlainMinute(m_nMinuteStart, tmLocal);
    }
    return true;
}

// One offset at the first and the last second of a minute holds for the
// whole minute: offsets change far less often than twice a minute.
bool CLocalTimeText::IsPlainMinute(uint32_t nStart, const struct tm& tmMinute)
{
    struct tm tmFirst;
    struct tm tmLast;
    time_t nFirst = static_cast<time_t>(nStart);
    time_t nLast = static_cast<time_t>(nStart + kSecondsPerMinute - 1);
    return localtime_r(&nFirst, &tmFirst) != nullptr && localtime_r(&nLast, &tmLast) != nullptr &&
           SameMinute(tmFirst, tmMinute) && tmFirst.tm_sec == 0 && SameMinute(tmLast, tmMinute) &&
           tmLast.tm_sec == kLastSecond;
}
