// Realistic entries from readable specifications, and generated traffic:
// random entries of a small company network spread over gateways and days,
// written as a database.
#include "testing/traffic.h"

#include <algorithm>
#include <cstdio>

namespace testdata {

namespace {

constexpr uint64_t kUnitsPerDay = 86400ull * kLogTimeUnitsPerSecond;

// Severities as the gateways log them.
constexpr int kSeverityNotice = 5;
constexpr int kSeverityInfo = 6;

struct CKindDefaults {
    EEntryKind m_eKind;
    const char* m_pszName;
    const char* m_pszCategory;
    const char* m_pszEvent;
    const char* m_pszAction;
    int m_nSeverity;
};

const CKindDefaults kKinds[] = {
    // clang-format off
    // kind                    name          category    event             action         severity
    {EEntryKind::kDrop,      "drop",       "RULE",     "rule_drop",      "drop",        kSeverityNotice},
    {EEntryKind::kConnOpen,  "conn-open",  "CONN",     "conn_open",      "open",        kSeverityInfo},
    {EEntryKind::kConnClose, "conn-close", "CONN",     "conn_close",     "close",       kSeverityInfo},
    {EEntryKind::kLogin,     "login",      "USERAUTH", "user_login",     "login",       kSeverityInfo},
    {EEntryKind::kLogout,    "logout",     "USERAUTH", "user_logout",    "logout",      kSeverityInfo},
    {EEntryKind::kUsage,     "usage",      "SYSTEM",   "usage",          "none",        kSeverityInfo},
    {EEntryKind::kRaw,       "raw",        "",         "",               "",            -1},
    // clang-format on
};

const CKindDefaults& DefaultsOf(EEntryKind eKind)
{
    for (const CKindDefaults& kind : kKinds)
        if (kind.m_eKind == eKind)
            return kind;
    return kKinds[0];
}

const std::string& Either(const std::string& strGiven, const std::string& strDefault)
{
    return strGiven.empty() ? strDefault : strGiven;
}

Bytes DroppedPacket(const CEntrySpec& spec)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = spec.m_nSrcIp;
    ip.m_nDestIp = spec.m_nDestIp;
    ip.m_nProtocol = spec.m_nProtocol;
    ip.m_nIdent = static_cast<uint16_t>(spec.m_nId * 40503u);
    switch (spec.m_nProtocol) {
    case IPPROTO_NUM_TCP: {
        CTcpSpec tcp;
        tcp.m_nSrcPort = spec.m_nSrcPort;
        tcp.m_nDestPort = spec.m_nDestPort;
        tcp.m_nFlags = spec.m_nTcpFlags;
        tcp.m_nSeq = spec.m_nId * 2654435761u;
        return TcpPacket(ip, tcp);
    }
    case IPPROTO_NUM_UDP:
        return UdpPacket(ip, spec.m_nSrcPort, spec.m_nDestPort, Bytes(32, 0));
    case IPPROTO_NUM_ICMP:
        return IcmpPacket(ip, spec.m_nIcmpType, spec.m_nIcmpCode, spec.m_nId, Bytes(32, 0x61));
    default:
        return IpPacket(ip, Bytes(16, 0));
    }
}

CConnSpec Connection(const CEntrySpec& spec, uint8_t nEvent)
{
    CConnSpec conn;
    conn.m_nEvent = nEvent;
    conn.m_strRecvIf = spec.m_strRecvIf;
    conn.m_strDestIf = spec.m_strDestIf;
    conn.m_nOrigSent = spec.m_nOrigSent;
    conn.m_nTermSent = spec.m_nTermSent;
    conn.m_nSrcIp = spec.m_nSrcIp;
    conn.m_nDestIp = spec.m_nDestIp;
    conn.m_nProtocol = spec.m_nProtocol;
    conn.m_nSrcPort = spec.m_nSrcPort;
    conn.m_nDestPort = spec.m_nDestPort;
    return conn;
}

// Addresses and services of a small company network.
const char* const kServerAddresses[] = {"192.168.1.10", "192.168.1.11", "192.168.1.20", "192.168.1.25"};
const char* const kUserNames[] = {"alice", "bob", "carol", "dave", "erin", "frank"};
const uint16_t kServicePorts[] = {80, 443, 25, 22, 53, 3389, 8080, 110};
const uint16_t kProbePorts[] = {23, 135, 139, 445, 1433, 3128, 5900, 8080};

// What a generated explanation text says, repeated and cut to its length.
const char kExplanationText[] = "Packet logged by rule set entry for review by the administrator. ";

std::string ExplanationOfLength(int nBytes)
{
    std::string strText;
    while (strText.size() < static_cast<size_t>(nBytes))
        strText += kExplanationText;
    strText.resize(static_cast<size_t>(nBytes));
    return strText;
}

}  // namespace

bool ParseEntryKind(const std::string& strName, EEntryKind& eKind)
{
    for (const CKindDefaults& kind : kKinds) {
        if (strName == kind.m_pszName) {
            eKind = kind.m_eKind;
            return true;
        }
    }
    return false;
}

Bytes BuildEntryBody(const CEntrySpec& spec)
{
    if (spec.m_eKind == EEntryKind::kRaw)
        return spec.m_aRawBody;

    const CKindDefaults& defaults = DefaultsOf(spec.m_eKind);
    CEntryBuilder entry;
    entry.Category(Either(spec.m_strCategory, defaults.m_pszCategory));
    entry.LogId(spec.m_nId);
    entry.Event(Either(spec.m_strEvent, defaults.m_pszEvent));
    entry.Action(Either(spec.m_strAction, defaults.m_pszAction));
    entry.DevTime(static_cast<uint32_t>(UnixFromLogTime(spec.m_nTime)));
    entry.Severity(spec.m_nSeverity >= 0 ? spec.m_nSeverity : defaults.m_nSeverity);
    if (!spec.m_strExplanation.empty())
        entry.Explanation(spec.m_strExplanation);
    if (!spec.m_strParams.empty())
        entry.Params(spec.m_strParams);
    if (!spec.m_strRule.empty())
        entry.RuleNames({{RULE_NAME, spec.m_strRule}});

    switch (spec.m_eKind) {
    case EEntryKind::kDrop: {
        entry.RecvIf(spec.m_strRecvIf);
        Bytes packet = DroppedPacket(spec);
        if (spec.m_bEthernet)
            entry.EthernetPacket(EthernetFrame(packet));
        else
            entry.Packet(packet);
        break;
    }
    case EEntryKind::kConnOpen:
        entry.Conn(Connection(spec, CONN_OPEN));
        break;
    case EEntryKind::kConnClose:
        entry.Conn(Connection(spec, CONN_CLOSED));
        break;
    case EEntryKind::kLogin:
    case EEntryKind::kLogout: {
        CAuthSpec auth;
        auth.m_strRule = spec.m_strAuthRule;
        auth.m_strUser = spec.m_strUser;
        auth.m_strAgent = spec.m_strAgent;
        auth.m_nEvent = spec.m_eKind == EEntryKind::kLogin ? 1 : 2;
        auth.m_nAddr = spec.m_nUserIp;
        entry.Auth(auth);
        break;
    }
    case EEntryKind::kUsage:
        for (const CInterfaceUsage& iface : spec.m_aInterfaces) {
            CUsageSpec usage;
            usage.m_nInterval = iface.m_nInterval;
            usage.m_strIface = iface.m_strName;
            usage.m_nFirstBytes = iface.m_nBytesIn;
            usage.m_nSecondBytes = iface.m_nBytesOut;
            entry.Usage(usage);
        }
        entry.ConnUsage(spec.m_nConnsLowest, spec.m_nConnsCurrent, spec.m_nConnsHighest);
        break;
    case EEntryKind::kRaw:
        break;
    }
    return entry.Body();
}

uint64_t CRandom::Next()
{
    uint64_t z = (m_nState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t CRandom::Below(uint64_t nBound)
{
    return Next() % nBound;
}

CEntrySpec RandomEntry(CRandom& random, LogTime nTime)
{
    CEntrySpec spec;
    spec.m_nTime = nTime;
    spec.m_nId = static_cast<uint32_t>(random.Below(100000000));
    uint32_t nOutside = 0x50000000u | static_cast<uint32_t>(random.Below(0x0FFFFFFF));
    uint32_t nInside = Ip("192.168.1.0") | static_cast<uint32_t>(20 + random.Below(200));
    uint32_t nServer = Ip(kServerAddresses[random.Below(4)]);
    uint16_t nHighPort = static_cast<uint16_t>(1024 + random.Below(64511));

    uint64_t nDraw = random.Below(100);
    if (nDraw < 40) {
        spec.m_eKind = EEntryKind::kDrop;
        spec.m_strRule = random.Below(4) == 0 ? "drop-netbios" : "default-drop";
        spec.m_nSrcIp = nOutside;
        spec.m_nDestIp = nServer;
        spec.m_nSrcPort = nHighPort;
        spec.m_nDestPort = kProbePorts[random.Below(8)];
        uint64_t nProto = random.Below(10);
        spec.m_nProtocol = nProto < 7 ? IPPROTO_NUM_TCP : nProto < 9 ? IPPROTO_NUM_UDP : IPPROTO_NUM_ICMP;
        spec.m_bEthernet = random.Below(5) == 0;
    } else if (nDraw < 85) {
        bool bOpen = nDraw < 63;
        spec.m_eKind = bOpen ? EEntryKind::kConnOpen : EEntryKind::kConnClose;
        spec.m_strRule = "allow-outbound";
        spec.m_strRecvIf = "lan";
        spec.m_strDestIf = "wan";
        spec.m_nSrcIp = nInside;
        spec.m_nDestIp = nOutside;
        spec.m_nSrcPort = nHighPort;
        spec.m_nDestPort = kServicePorts[random.Below(8)];
        spec.m_nProtocol = spec.m_nDestPort == 53 ? IPPROTO_NUM_UDP : IPPROTO_NUM_TCP;
        if (!bOpen) {
            spec.m_nOrigSent = static_cast<uint32_t>(random.Below(200000));
            spec.m_nTermSent = static_cast<uint32_t>(random.Below(20000000));
        }
    } else if (nDraw < 95) {
        spec.m_eKind = nDraw < 90 ? EEntryKind::kLogin : EEntryKind::kLogout;
        spec.m_strUser = kUserNames[random.Below(6)];
        spec.m_nUserIp = nInside;
    } else {
        spec.m_eKind = EEntryKind::kUsage;
        for (const char* pszName : {"lan", "wan", "dmz"}) {
            CInterfaceUsage iface;
            iface.m_strName = pszName;
            iface.m_nBytesIn = static_cast<uint32_t>(random.Below(500000000));
            iface.m_nBytesOut = static_cast<uint32_t>(random.Below(500000000));
            spec.m_aInterfaces.push_back(iface);
        }
        spec.m_nConnsLowest = static_cast<uint32_t>(random.Below(100));
        spec.m_nConnsCurrent = spec.m_nConnsLowest + static_cast<uint32_t>(random.Below(400));
        spec.m_nConnsHighest = spec.m_nConnsCurrent + static_cast<uint32_t>(random.Below(100));
    }
    return spec;
}

std::vector<CGateway> GeneratedGateways(int nGateways)
{
    std::vector<CGateway> aGateways;
    for (int n = 1; n <= nGateways; ++n) {
        char szName[16];
        char szAddress[32];
        std::snprintf(szName, sizeof(szName), "gw%02d", n);
        std::snprintf(szAddress, sizeof(szAddress), "10.%d.%d.1", n / 256, n % 256);
        aGateways.push_back(CGateway{szName, szAddress});
    }
    return aGateways;
}

uint64_t EntriesOfGatewayDay(const CTrafficOptions& options, int nGateway, int nDay)
{
    if (options.m_nTotalEntries < 0)
        return static_cast<uint64_t>(options.m_nEntriesPerDay);
    // The gateway-days in the order gw01 day 0, gw01 day 1, ..., gw02 day 0,
    // ...: the k-th of N gets the entries from T * k / N up to T * (k + 1) / N.
    const uint64_t nTotal = static_cast<uint64_t>(options.m_nTotalEntries);
    const uint64_t nDays = static_cast<uint64_t>(options.m_nDays);
    const uint64_t nGatewayDays = static_cast<uint64_t>(options.m_nGateways) * nDays;
    const uint64_t nIndex = static_cast<uint64_t>(nGateway) * nDays + static_cast<uint64_t>(nDay);
    return nTotal * (nIndex + 1) / nGatewayDays - nTotal * nIndex / nGatewayDays;
}

bool GenerateTraffic(const std::string& strRootDir, const CTrafficOptions& options, std::string& strError)
{
    if (options.m_nGateways < 1 || options.m_nGateways > 512 || options.m_nDays < 1 || options.m_nEntriesPerDay < 0 ||
        options.m_nTotalEntries > kMaxTotalEntries || options.m_nGzipPercent < 0 || options.m_nGzipPercent > 100 ||
        options.m_nGzipLevel < kMinGzipLevel || options.m_nGzipLevel > kMaxGzipLevel || options.m_nFilesPerDay < 1 ||
        options.m_nExplanationBytes < 0 || options.m_nExplanationBytes > kMaxExplanationBytes) {
        strError = "options out of range";
        return false;
    }
    std::vector<CGateway> aGateways = GeneratedGateways(options.m_nGateways);
    CLogDatabase db(strRootDir);
    if (!db.WriteConfig(CConfigWriter(aGateways))) {
        strError = "cannot write " + strRootDir + "/" + kConfigFileName;
        return false;
    }

    LogTime nFirstDay = LogTimeFromUtc(options.m_nStartYear, options.m_nStartMonth, options.m_nStartDay);
    const std::string strExplanation = ExplanationOfLength(options.m_nExplanationBytes);
    std::vector<uint64_t> aOffsets;
    for (size_t nGateway = 0; nGateway < aGateways.size(); ++nGateway) {
        for (int nDay = 0; nDay < options.m_nDays; ++nDay) {
            // Each gateway-day has a generator of its own, so the files do not
            // depend on the order or the number of the others.
            CRandom random(options.m_nSeed * UINT64_C(0x100000001B3) + nGateway * 100003u +
                           static_cast<uint64_t>(nDay));
            LogTime nDayStart = nFirstDay + static_cast<LogTime>(nDay) * kUnitsPerDay;
            CUtcDate date = UtcDateOf(nDayStart);

            aOffsets.resize(static_cast<size_t>(EntriesOfGatewayDay(options, static_cast<int>(nGateway), nDay)));
            for (uint64_t& nOffset : aOffsets)
                nOffset = random.Below(kUnitsPerDay);
            std::sort(aOffsets.begin(), aOffsets.end());

            size_t nNext = 0;
            for (int nSequence = 0; nSequence < options.m_nFilesPerDay; ++nSequence) {
                size_t nEnd =
                    aOffsets.size() * static_cast<size_t>(nSequence + 1) / static_cast<size_t>(options.m_nFilesPerDay);
                CDailyFile file;
                for (; nNext < nEnd; ++nNext) {
                    LogTime nTime = nDayStart + aOffsets[nNext];
                    CEntrySpec spec = RandomEntry(random, nTime);
                    spec.m_strExplanation = strExplanation;
                    file.AddEntry(nTime, BuildEntryBody(spec));
                }
                file.AddEndMarker();
                ECompression eCompression = random.Below(100) < static_cast<uint64_t>(options.m_nGzipPercent)
                                                ? ECompression::kGzip
                                                : ECompression::kPlain;
                if (!db.WriteDailyFile(aGateways[nGateway].m_strName, date.m_nYear, date.m_nMonth, date.m_nDay,
                                       nSequence, eCompression, file, options.m_nGzipLevel)) {
                    strError = "cannot write " + db.DailyFilePath(aGateways[nGateway].m_strName, date.m_nYear,
                                                                  date.m_nMonth, date.m_nDay, nSequence, eCompression);
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace testdata
