// mklogdb's description format read line by line: gateways, configuration
// keys, daily files and their entries (given or generated), written as the
// database they describe; a mistake is reported with its line number.
#include "testing/db_description.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "testing/log_db_writer.h"
#include "testing/traffic.h"

namespace testdata {

namespace {

constexpr uint64_t kUnitsPerDay = 86400ull * kLogTimeUnitsPerSecond;

// A mistake in the description; the text names it.
class CDescriptionError : public std::runtime_error {
public:
    explicit CDescriptionError(const std::string& strText) : std::runtime_error(strText) {}
};

// Splits a line into words: blanks separate, double quotes group (the quotes
// are dropped), "#" outside quotes ends the line.
std::vector<std::string> SplitWords(const std::string& strLine)
{
    std::vector<std::string> aWords;
    std::string strWord;
    bool bInWord = false;
    bool bQuoted = false;
    for (char ch : strLine) {
        if (bQuoted) {
            if (ch == '"')
                bQuoted = false;
            else
                strWord += ch;
        } else if (ch == '"') {
            bQuoted = true;
            bInWord = true;
        } else if (ch == '#') {
            break;
        } else if (ch == ' ' || ch == '\t' || ch == '\r') {
            if (bInWord)
                aWords.push_back(strWord);
            strWord.clear();
            bInWord = false;
        } else {
            strWord += ch;
            bInWord = true;
        }
    }
    if (bQuoted)
        throw CDescriptionError("unterminated quote");
    if (bInWord)
        aWords.push_back(strWord);
    return aWords;
}

uint64_t ParseNumber(const std::string& strText, uint64_t nMax, const char* pszWhat)
{
    char* pEnd = nullptr;
    unsigned long long nValue = std::strtoull(strText.c_str(), &pEnd, 10);
    if (strText.empty() || strText[0] == '-' || *pEnd != '\0' || nValue > nMax)
        throw CDescriptionError(std::string("bad ") + pszWhat + " '" + strText + "'");
    return nValue;
}

// "a.b.c.d" as a host number.
uint32_t ParseAddress(const std::string& strText)
{
    std::istringstream stream(strText);
    uint32_t nAddress = 0;
    for (int nOctet = 0; nOctet < 4; ++nOctet) {
        std::string strPart;
        if (!std::getline(stream, strPart, '.') || strPart.empty() ||
            strPart.find_first_not_of("0123456789") != std::string::npos || strPart.size() > 3 ||
            std::atoi(strPart.c_str()) > 255)
            throw CDescriptionError("bad address '" + strText + "'");
        nAddress = nAddress << 8 | static_cast<uint32_t>(std::atoi(strPart.c_str()));
    }
    if (stream.peek() != EOF)
        throw CDescriptionError("bad address '" + strText + "'");
    return nAddress;
}

// "<ip>[:<port>]"
void ParseEndpoint(const std::string& strText, uint32_t& nAddress, uint16_t& nPort)
{
    size_t nColon = strText.find(':');
    nAddress = ParseAddress(strText.substr(0, nColon));
    if (nColon != std::string::npos)
        nPort = static_cast<uint16_t>(ParseNumber(strText.substr(nColon + 1), 0xFFFF, "port"));
}

// The parts of "a:b:c" separated by colons.
std::vector<std::string> SplitColons(const std::string& strText)
{
    std::vector<std::string> aParts;
    std::istringstream stream(strText);
    std::string strPart;
    while (std::getline(stream, strPart, ':'))
        aParts.push_back(strPart);
    return aParts;
}

void ParseDate(const std::string& strText, int& nYear, int& nMonth, int& nDay)
{
    char chAfter = 0;
    if (std::sscanf(strText.c_str(), "%4d-%2d-%2d%c", &nYear, &nMonth, &nDay, &chAfter) != 3 || nMonth < 1 ||
        nMonth > 12 || nDay < 1 || nDay > 31)
        throw CDescriptionError("bad date '" + strText + "' (YYYY-MM-DD)");
    CUtcDate check = UtcDateOf(LogTimeFromUtc(nYear, nMonth, nDay));
    if (check.m_nMonth != nMonth)
        throw CDescriptionError("no such day '" + strText + "'");
}

// "HH:MM:SS" on the given day, or "YYYY-MM-DDTHH:MM:SS".
LogTime ParseTime(const std::string& strText, LogTime nDayStart)
{
    std::string strClock = strText;
    size_t nT = strText.find('T');
    if (nT != std::string::npos) {
        int nYear;
        int nMonth;
        int nDay;
        ParseDate(strText.substr(0, nT), nYear, nMonth, nDay);
        nDayStart = LogTimeFromUtc(nYear, nMonth, nDay);
        strClock = strText.substr(nT + 1);
    }
    int nHour;
    int nMinute;
    int nSecond;
    char chAfter = 0;
    if (std::sscanf(strClock.c_str(), "%2d:%2d:%2d%c", &nHour, &nMinute, &nSecond, &chAfter) != 3 || nHour < 0 ||
        nHour > 23 || nMinute < 0 || nMinute > 59 || nSecond < 0 || nSecond > 59)
        throw CDescriptionError("bad time '" + strText + "' (HH:MM:SS or YYYY-MM-DDTHH:MM:SS)");
    return nDayStart + static_cast<LogTime>(nHour * 3600 + nMinute * 60 + nSecond) * kLogTimeUnitsPerSecond;
}

uint8_t ParseTcpFlags(const std::string& strText)
{
    static const char kLetters[] = "FSRPAUEC";  // bit 0 to bit 7
    uint8_t nFlags = 0;
    for (char ch : strText) {
        const char* p = ch != '\0' ? std::strchr(kLetters, ch) : nullptr;
        if (p == nullptr)
            throw CDescriptionError("bad TCP flags '" + strText + "' (letters FSRPAUEC)");
        nFlags = static_cast<uint8_t>(nFlags | 1u << (p - kLetters));
    }
    return nFlags;
}

Bytes ParseHex(const std::string& strText)
{
    Bytes aBytes;
    std::string strDigits;
    for (char ch : strText)
        if (ch != ' ' && ch != ':')
            strDigits += ch;
    if (strDigits.size() % 2 != 0 || strDigits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw CDescriptionError("bad hex bytes '" + strText + "'");
    for (size_t n = 0; n < strDigits.size(); n += 2)
        aBytes.push_back(static_cast<uint8_t>(std::strtoul(strDigits.substr(n, 2).c_str(), nullptr, 16)));
    return aBytes;
}

uint8_t ParseProtocol(const std::string& strText)
{
    static const struct {
        const char* m_pszName;
        uint8_t m_nNumber;
    } kProtocols[] = {
        // clang-format off
        {"tcp",  IPPROTO_NUM_TCP},
        {"udp",  IPPROTO_NUM_UDP},
        {"icmp", IPPROTO_NUM_ICMP},
        // clang-format on
    };
    for (const auto& protocol : kProtocols)
        if (strText == protocol.m_pszName)
            return protocol.m_nNumber;
    return static_cast<uint8_t>(ParseNumber(strText, 255, "protocol"));
}

// The text-valued keys of an entry.
const struct {
    const char* m_pszKey;
    std::string CEntrySpec::*m_pField;
} kTextKeys[] = {
    // clang-format off
    {"category", &CEntrySpec::m_strCategory},
    {"event",    &CEntrySpec::m_strEvent},
    {"action",   &CEntrySpec::m_strAction},
    {"explain",  &CEntrySpec::m_strExplanation},
    {"params",   &CEntrySpec::m_strParams},
    {"rule",     &CEntrySpec::m_strRule},
    {"recvif",   &CEntrySpec::m_strRecvIf},
    {"destif",   &CEntrySpec::m_strDestIf},
    {"user",     &CEntrySpec::m_strUser},
    {"agent",    &CEntrySpec::m_strAgent},
    {"authrule", &CEntrySpec::m_strAuthRule},
    // clang-format on
};

void ApplyEntryKey(CEntrySpec& spec, const std::string& strKey, const std::string& strValue)
{
    for (const auto& key : kTextKeys) {
        if (strKey == key.m_pszKey) {
            spec.*key.m_pField = strValue;
            return;
        }
    }
    if (strKey == "id")
        spec.m_nId = static_cast<uint32_t>(ParseNumber(strValue, 0xFFFFFFFF, "id"));
    else if (strKey == "severity")
        spec.m_nSeverity = static_cast<int>(ParseNumber(strValue, 0x7FFFFFFF, "severity"));
    else if (strKey == "proto")
        spec.m_nProtocol = ParseProtocol(strValue);
    else if (strKey == "src")
        ParseEndpoint(strValue, spec.m_nSrcIp, spec.m_nSrcPort);
    else if (strKey == "dst")
        ParseEndpoint(strValue, spec.m_nDestIp, spec.m_nDestPort);
    else if (strKey == "flags")
        spec.m_nTcpFlags = ParseTcpFlags(strValue);
    else if (strKey == "icmptype")
        spec.m_nIcmpType = static_cast<uint8_t>(ParseNumber(strValue, 255, "ICMP type"));
    else if (strKey == "icmpcode")
        spec.m_nIcmpCode = static_cast<uint8_t>(ParseNumber(strValue, 255, "ICMP code"));
    else if (strKey == "ether")
        spec.m_bEthernet = ParseNumber(strValue, 1, "ether flag") != 0;
    else if (strKey == "sent")
        spec.m_nOrigSent = static_cast<uint32_t>(ParseNumber(strValue, 0xFFFFFFFF, "byte count"));
    else if (strKey == "received")
        spec.m_nTermSent = static_cast<uint32_t>(ParseNumber(strValue, 0xFFFFFFFF, "byte count"));
    else if (strKey == "userip")
        spec.m_nUserIp = ParseAddress(strValue);
    else if (strKey == "iface") {
        std::vector<std::string> aParts = SplitColons(strValue);
        if (aParts.size() != 4)
            throw CDescriptionError("bad iface '" + strValue + "' (name:interval:in:out)");
        CInterfaceUsage iface;
        iface.m_strName = aParts[0];
        iface.m_nInterval = static_cast<uint16_t>(ParseNumber(aParts[1], 0xFFFF, "interval"));
        iface.m_nBytesIn = static_cast<uint32_t>(ParseNumber(aParts[2], 0xFFFFFFFF, "byte count"));
        iface.m_nBytesOut = static_cast<uint32_t>(ParseNumber(aParts[3], 0xFFFFFFFF, "byte count"));
        spec.m_aInterfaces.push_back(iface);
    } else if (strKey == "conns") {
        std::vector<std::string> aParts = SplitColons(strValue);
        if (aParts.size() != 3)
            throw CDescriptionError("bad conns '" + strValue + "' (lowest:current:highest)");
        spec.m_nConnsLowest = static_cast<uint32_t>(ParseNumber(aParts[0], 0xFFFFFFFF, "count"));
        spec.m_nConnsCurrent = static_cast<uint32_t>(ParseNumber(aParts[1], 0xFFFFFFFF, "count"));
        spec.m_nConnsHighest = static_cast<uint32_t>(ParseNumber(aParts[2], 0xFFFFFFFF, "count"));
    } else if (strKey == "body")
        spec.m_aRawBody = ParseHex(strValue);
    else
        throw CDescriptionError("unknown entry key '" + strKey + "'");
}

// "key=value" split at the first "=".
void SplitKeyValue(const std::string& strWord, std::string& strKey, std::string& strValue)
{
    size_t nEquals = strWord.find('=');
    if (nEquals == std::string::npos || nEquals == 0)
        throw CDescriptionError("expected key=value, found '" + strWord + "'");
    strKey = strWord.substr(0, nEquals);
    strValue = strWord.substr(nEquals + 1);
}

// Builds the database line by line; a daily file is written when the next
// one starts and at the end.
class CDescriptionBuilder {
public:
    explicit CDescriptionBuilder(const std::string& strRootDir) : m_db(strRootDir) {}

    void Line(const std::vector<std::string>& aWords)
    {
        const std::string& strVerb = aWords[0];
        if (strVerb == "gateway")
            Gateway(aWords);
        else if (strVerb == "config")
            Config(aWords);
        else if (strVerb == "file")
            File(aWords);
        else if (strVerb == "entry")
            Entry(aWords);
        else if (strVerb == "generate")
            Generate(aWords);
        else
            throw CDescriptionError("unknown line '" + strVerb + "'");
    }

    void Finish()
    {
        WriteFile();
        if (!m_db.WriteConfig(m_config))
            throw CDescriptionError("cannot write " + m_db.Root() + "/" + kConfigFileName);
    }

private:
    void Gateway(const std::vector<std::string>& aWords)
    {
        if (aWords.size() != 3)
            throw CDescriptionError("expected: gateway <name> <address>");
        ParseAddress(aWords[2]);
        m_config.AddGateway(aWords[1], aWords[2]);
    }

    void Config(const std::vector<std::string>& aWords)
    {
        if (aWords.size() != 2)
            throw CDescriptionError("expected: config <KEY>=<value>");
        std::string strKey;
        std::string strValue;
        SplitKeyValue(aWords[1], strKey, strValue);
        m_config.Set(strKey, strValue);
    }

    void File(const std::vector<std::string>& aWords)
    {
        if (aWords.size() < 5)
            throw CDescriptionError("expected: file <gateway> <YYYY-MM-DD> <seq> plain|gzip [options]");
        WriteFile();
        m_file = CDailyFile();
        m_bEndMarker = true;
        m_strGateway = aWords[1];
        ParseDate(aWords[2], m_nYear, m_nMonth, m_nDay);
        m_nDayStart = LogTimeFromUtc(m_nYear, m_nMonth, m_nDay);
        m_nSequence = static_cast<int>(ParseNumber(aWords[3], 1000000, "sequence number"));
        if (aWords[4] == "plain")
            m_eCompression = ECompression::kPlain;
        else if (aWords[4] == "gzip")
            m_eCompression = ECompression::kGzip;
        else
            throw CDescriptionError("expected plain or gzip, found '" + aWords[4] + "'");

        for (size_t n = 5; n < aWords.size(); ++n) {
            if (aWords[n] == "noend") {
                m_bEndMarker = false;
                continue;
            }
            std::string strKey;
            std::string strValue;
            SplitKeyValue(aWords[n], strKey, strValue);
            if (strKey == "first")
                m_file.SetFirstTime(strValue == "0" ? 0 : ParseTime(strValue, m_nDayStart));
            else if (strKey == "last")
                m_file.SetLastTime(strValue == "0" ? 0 : ParseTime(strValue, m_nDayStart));
            else if (strKey == "tag")
                m_file.SetTag(strValue);
            else if (strKey == "cut")
                m_file.CutTo(static_cast<size_t>(ParseNumber(strValue, 0xFFFFFFFF, "byte count")));
            else
                throw CDescriptionError("unknown file option '" + strKey + "'");
        }
        m_bHaveFile = true;
    }

    void Entry(const std::vector<std::string>& aWords)
    {
        RequireFile();
        if (aWords.size() < 3)
            throw CDescriptionError("expected: entry <time> <kind> [key=value ...]");
        CEntrySpec spec;
        spec.m_nTime = ParseTime(aWords[1], m_nDayStart);
        if (!ParseEntryKind(aWords[2], spec.m_eKind))
            throw CDescriptionError("unknown entry kind '" + aWords[2] + "'");
        for (size_t n = 3; n < aWords.size(); ++n) {
            std::string strKey;
            std::string strValue;
            SplitKeyValue(aWords[n], strKey, strValue);
            ApplyEntryKey(spec, strKey, strValue);
        }
        Bytes aBody = BuildEntryBody(spec);
        if (aBody.size() > 0xFFFF)
            throw CDescriptionError("entry longer than 65535 bytes");
        m_file.AddEntry(spec.m_nTime, aBody);
    }

    void Generate(const std::vector<std::string>& aWords)
    {
        RequireFile();
        uint64_t nCount = 0;
        uint64_t nSeed = 1;
        bool bCount = false;
        LogTime nFrom = m_nDayStart;
        LogTime nTo = m_nDayStart + kUnitsPerDay - kLogTimeUnitsPerSecond;
        for (size_t n = 1; n < aWords.size(); ++n) {
            std::string strKey;
            std::string strValue;
            SplitKeyValue(aWords[n], strKey, strValue);
            if (strKey == "count") {
                nCount = ParseNumber(strValue, 10000000, "count");
                bCount = true;
            } else if (strKey == "seed") {
                nSeed = ParseNumber(strValue, ~0ull, "seed");
            } else if (strKey == "from") {
                nFrom = ParseTime(strValue, m_nDayStart);
            } else if (strKey == "to") {
                nTo = ParseTime(strValue, m_nDayStart);
            } else {
                throw CDescriptionError("unknown generate option '" + strKey + "'");
            }
        }
        if (!bCount || nTo < nFrom)
            throw CDescriptionError("expected: generate count=<n> [seed=<n>] [from=<time>] [to=<time>]");
        CRandom random(nSeed);
        uint64_t nSeconds = (nTo - nFrom) / kLogTimeUnitsPerSecond + 1;
        std::vector<uint64_t> aOffsets(nCount);
        for (uint64_t& nOffset : aOffsets)
            nOffset = random.Below(nSeconds) * kLogTimeUnitsPerSecond;
        std::sort(aOffsets.begin(), aOffsets.end());
        for (uint64_t nOffset : aOffsets) {
            LogTime nTime = nFrom + nOffset;
            m_file.AddEntry(nTime, BuildEntryBody(RandomEntry(random, nTime)));
        }
    }

    void RequireFile() const
    {
        if (!m_bHaveFile)
            throw CDescriptionError("entries need a file line before them");
    }

    void WriteFile()
    {
        if (!m_bHaveFile)
            return;
        if (m_bEndMarker)
            m_file.AddEndMarker();
        if (!m_db.WriteDailyFile(m_strGateway, m_nYear, m_nMonth, m_nDay, m_nSequence, m_eCompression, m_file))
            throw CDescriptionError("cannot write " + m_db.DailyFilePath(m_strGateway, m_nYear, m_nMonth, m_nDay,
                                                                         m_nSequence, m_eCompression));
        m_bHaveFile = false;
    }

    CLogDatabase m_db;
    CConfigWriter m_config;
    // The daily file being described.
    bool m_bHaveFile = false;
    CDailyFile m_file;
    bool m_bEndMarker = true;
    std::string m_strGateway;
    int m_nYear = 0;
    int m_nMonth = 0;
    int m_nDay = 0;
    LogTime m_nDayStart = 0;
    int m_nSequence = 0;
    ECompression m_eCompression = ECompression::kPlain;
};

}  // namespace

bool BuildDatabase(const std::string& strDescription, const std::string& strRootDir, std::string& strError)
{
    CDescriptionBuilder builder(strRootDir);
    std::istringstream stream(strDescription);
    std::string strLine;
    int nLine = 0;
    try {
        while (std::getline(stream, strLine)) {
            ++nLine;
            std::vector<std::string> aWords = SplitWords(strLine);
            if (!aWords.empty())
                builder.Line(aWords);
        }
        nLine = 0;
        builder.Finish();
    } catch (const CDescriptionError& error) {
        strError = nLine > 0 ? std::to_string(nLine) + ": " + error.what() : error.what();
        return false;
    }
    return true;
}

}  // namespace testdata
