// Reading "Ostrel.cfg": its lines split into trimmed key=value entries,
// lookups by key without regard to case, numbers read as "%u" reads them,
// IPv4 addresses, and the logger settings and gateway table checked in a
// fixed order, each failure raised with its own message.
#include "frontend/config_file.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "support/ascii.h"
#include "support/error_text.h"
#include "support/numbers.h"
#include "support/platform.h"

namespace {

// Configuration errors are cut to this size, terminator included.
constexpr size_t kConfigErrorLimit = 256;

// clang-format off
constexpr const char* kReadFailed        = "Failed to get string from config file.";
constexpr const char* kBadLine           = "Error parsing line '%s'";
constexpr const char* kMissingParameter  = "Failed to find the %s parameter.";
constexpr const char* kParameterRange    = "The %s parameter must be in the range from %u to %u.";
constexpr const char* kMissingEntry      = "Failed to find the entry '%s'.";
// clang-format on

constexpr const char* kGatewayAddressKey = "FWIP";
constexpr const char* kGatewayNameKey = "FWNAME";

constexpr uint32_t kNoNumber = 0xFFFFFFFFu;

// Reads an unsigned decimal number the way "%u" does: blanks skipped, an
// optional sign (a minus negates modulo 2^32), then the digits. A number too
// large for 32 bits reads as 4294967295. False without a digit.
bool ReadUnsigned(const char* p, uint32_t& nValue)
{
    while (IsTrimChar(*p))
        ++p;
    bool bNegative = false;
    if (*p == '+' || *p == '-') {
        bNegative = *p == '-';
        ++p;
    }
    CDigitRun run = ReadDigits(p, 10, UINT32_MAX);
    if (run.m_nDigits == 0)
        return false;
    if (run.m_bTooLarge)
        nValue = kNoNumber;
    else
        nValue = bNegative ? 0u - run.m_nValue : run.m_nValue;
    return true;
}

// Reads one address component: decimal digits up to the first other
// character (none reads as 0); false when it exceeds 255.
bool ReadAddressByte(const char*& p, uint8_t& nByte)
{
    CDigitRun run = ReadDigits(p, 10, 255);
    if (run.m_bTooLarge)
        return false;
    p = run.m_pAfter;
    nByte = static_cast<uint8_t>(run.m_nValue);
    return true;
}

// The text from pszFrom up to (not including) pszTo, trimmed.
CSString TrimmedPart(const char* pszFrom, const char* pszTo)
{
    CSString strPart(pszFrom, static_cast<int>(pszTo - pszFrom));
    strPart.Trim();
    return strPart;
}

// Keys are looked up without regard to letter case.
std::string FoldedKey(const char* pszKey)
{
    std::string strFolded(pszKey);
    for (char& ch : strFolded)
        ch = ToLowerAscii(ch);
    return strFolded;
}

}  // namespace

void ThrowConfigError(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    CErrorText error = CErrorText::FormatV(kConfigErrorLimit, pszFormat, args);
    va_end(args);
    throw error;
}

// ---------------------------------------------------------------------------
// CConfigFile

CConfigFile::CConfigFile(const char* pszPath) : m_strPath(pszPath)
{
    m_aEntries.Reserve(32);
}

bool CConfigFile::Read()
{
    // Opened as daily files are, never waiting on a pipe; only a regular
    // file can be a configuration.
    platform::CFileFacts facts;
    int nFd = platform::OpenForReading(m_strPath, false, facts);
    if (nFd < 0)
        return false;
    std::string strText;
    bool bRead = facts.m_bRegular && platform::ReadUpTo(nFd, kMaxFileBytes + 1, strText);
    platform::CloseFile(nFd);
    if (!facts.m_bRegular)
        return false;
    if (!bRead || strText.size() > kMaxFileBytes)
        ThrowConfigError("%s", kReadFailed);

    // Lines as fgets hands them out: up to and including a line feed, and
    // at most kMaxLineLength characters (a longer line goes on as the next
    // one); a zero byte ends the text of its piece.
    char szLine[kMaxLineLength + 1];
    size_t nPos = 0;
    while (nPos < strText.size()) {
        size_t nEnd = std::min(strText.size(), nPos + kMaxLineLength);
        size_t nLineFeed = strText.find('\n', nPos);
        if (nLineFeed < nEnd)
            nEnd = nLineFeed + 1;
        std::memcpy(szLine, strText.data() + nPos, nEnd - nPos);
        szLine[nEnd - nPos] = '\0';
        AddLine(CSString(szLine));
        nPos = nEnd;
    }
    return true;
}

void CConfigFile::AddLine(CSString strLine)
{
    strLine.Trim();
    if (strLine.IsEmpty())
        return;

    CConfigEntry entry;
    if (strLine[0] == '#') {
        entry.m_strComment = strLine;
        AddEntry(entry);
        return;
    }

    const char* pszLine = strLine;
    const char* pszEqual = std::strchr(pszLine, '=');
    if (pszEqual == nullptr)
        ThrowConfigError(kBadLine, pszLine);
    const char* pszRest = pszEqual + 1;
    const char* pszHash = std::strchr(pszRest, '#');
    const char* pszValueEnd = pszHash != nullptr ? pszHash : pszRest + std::strlen(pszRest);

    entry.m_strKey = TrimmedPart(pszLine, pszEqual);
    entry.m_strValue = TrimmedPart(pszRest, pszValueEnd);
    if (pszHash != nullptr)
        entry.m_strComment = TrimmedPart(pszHash, pszHash + std::strlen(pszHash));
    AddEntry(entry);
}

void CConfigFile::AddEntry(const CConfigEntry& entry)
{
    m_aEntries.Add(entry);
    m_firstEntryOfKey.emplace(FoldedKey(entry.m_strKey), m_aEntries.GetSize() - 1);
}

const CConfigEntry* CConfigFile::FindEntry(const char* pszKey) const
{
    auto found = m_firstEntryOfKey.find(FoldedKey(pszKey));
    return found != m_firstEntryOfKey.end() ? &m_aEntries[found->second] : nullptr;
}

bool CConfigFile::HasKey(const char* pszKey) const
{
    return FindEntry(pszKey) != nullptr;
}

bool CConfigFile::GetString(const char* pszKey, CSString& strValue) const
{
    const CConfigEntry* pEntry = FindEntry(pszKey);
    if (pEntry == nullptr) {
        strValue.Empty();
        return false;
    }
    strValue = pEntry->m_strValue;
    return true;
}

bool CConfigFile::GetUInt(const char* pszKey, uint32_t& nValue) const
{
    const CConfigEntry* pEntry = FindEntry(pszKey);
    return pEntry != nullptr && ReadUnsigned(pEntry->m_strValue, nValue);
}

bool CConfigFile::GetIpAddress(const char* pszKey, uint8_t (&aAddress)[4]) const
{
    const CConfigEntry* pEntry = FindEntry(pszKey);
    if (pEntry == nullptr)
        return false;
    uint8_t aRead[4];
    const char* p = pEntry->m_strValue;
    for (int i = 0; i < 4; ++i) {
        if (!ReadAddressByte(p, aRead[i]))
            return false;
        if (i < 3) {
            if (*p != '.')
                return false;
            ++p;
        }
    }
    std::memcpy(aAddress, aRead, sizeof(aRead));
    return true;
}

// ---------------------------------------------------------------------------
// CLoggerConfig

// The numeric settings, checked in this order; each must be present and
// within its range.
struct CLoggerConfig::CRangedSetting {
    const char* m_pszKey;
    uint32_t m_nMinimum;
    uint32_t m_nMaximum;
    uint16_t CLoggerConfig::*m_pnField;
};

const CLoggerConfig::CRangedSetting CLoggerConfig::s_aRangedSettings[] = {
    // clang-format off
    // key             minimum  maximum  field
    { "NRFIREWALLS",         0,     512, &CLoggerConfig::m_nFirewallCount   },
    { "UDPPORT",             1,   65535, &CLoggerConfig::m_nUdpPort         },
    { "FILESIZE",            0,   32768, &CLoggerConfig::m_nFileSize        },
    { "MAINTENANCE",         0,      23, &CLoggerConfig::m_nMaintenanceHour },
    { "DAYS_TO_KEEP",        0,    1000, &CLoggerConfig::m_nDaysToKeep      },
    // clang-format on
};

CLoggerConfig::CLoggerConfig()
    : m_nUdpPort(999),
      m_nFirewallCount(0),
      m_nGatewaysStored(0),
      m_nFileSize(1),
      m_nDaysToKeep(10),
      m_nMaintenanceHour(0),
      m_aGatewayAddresses{},
      m_apszGatewayNames{}
{
}

CLoggerConfig::~CLoggerConfig()
{
    for (char* pszName : m_apszGatewayNames)
        delete[] pszName;
}

void CLoggerConfig::Load(const CConfigFile& file)
{
    for (const CRangedSetting& setting : s_aRangedSettings) {
        if (!file.HasKey(setting.m_pszKey))
            ThrowConfigError(kMissingParameter, setting.m_pszKey);
        uint32_t nValue = 0;
        if (!file.GetUInt(setting.m_pszKey, nValue) || nValue < setting.m_nMinimum || nValue > setting.m_nMaximum)
            ThrowConfigError(kParameterRange, setting.m_pszKey, setting.m_nMinimum, setting.m_nMaximum);
        this->*setting.m_pnField = static_cast<uint16_t>(nValue);
    }
    LoadGateways(file);
}

void CLoggerConfig::LoadGateways(const CConfigFile& file)
{
    // The range check keeps NRFIREWALLS within the table; the table bound
    // guards the rows all the same.
    char szKey[32];
    for (int n = 0; n < m_nFirewallCount && n < kMaxGateways; ++n) {
        uint8_t aAddress[4];
        std::snprintf(szKey, sizeof(szKey), "%s%d", kGatewayAddressKey, n);
        if (!file.GetIpAddress(szKey, aAddress))
            ThrowConfigError(kMissingEntry, szKey);

        CSString strName;
        std::snprintf(szKey, sizeof(szKey), "%s%d", kGatewayNameKey, n);
        if (!file.GetString(szKey, strName))
            ThrowConfigError(kMissingEntry, szKey);

        char* pszName = new char[static_cast<size_t>(strName.GetLength()) + 1];
        std::memcpy(pszName, strName.GetString(), static_cast<size_t>(strName.GetLength()) + 1);
        m_apszGatewayNames[n] = pszName;
        std::memcpy(m_aGatewayAddresses[n], aAddress, sizeof(aAddress));
        m_nGatewaysStored = static_cast<uint16_t>(n + 1);
    }
}
