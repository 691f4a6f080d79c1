// fuzz_seeds: writes the seed corpora of the binary fuzz targets with the
// test-data writer: entries of every element kind (fuzz_entry), daily files
// plain, gzip and damaged (fuzz_daily_file) and configuration files
// (fuzz_config). The statement seeds (fuzz_statement) are the statements of
// the tests and are kept as files.
//
// usage: fuzz_seeds <corpus-folder>   (writes entry/, daily_file/, config/)
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "storage/log_file_format.h"
#include "testing/entry_builder.h"
#include "testing/log_db_writer.h"
#include "testing/sample_entries.h"

using namespace testdata;

namespace {

typedef std::vector<std::pair<std::string, Bytes>> CNamedEntries;

// 2006-06-20 06:55:02 UTC and one second later.
const LogTime kTime = LogTimeFromUtc(2006, 6, 20, 6, 55, 2);
const LogTime kLaterTime = LogTimeFromUtc(2006, 6, 20, 6, 55, 3);

Bytes RouteEntry()
{
    CRouteSpec route;
    route.m_nLowIp = Ip("10.2.0.0");
    route.m_nHighIp = Ip("10.2.255.255");
    route.m_strIface = "dmz";
    route.m_nGatewayIp = Ip("10.1.0.254");
    route.m_nMetric = 20;
    CEntryBuilder entry;
    entry.Category("ROUTE")
        .Event("route_add")
        .Action("add")
        .LogId(4000001)
        .Route(route)
        .DynRouting(CDynRoutingSpec())
        .Ospf(3, 2);
    return entry.Body();
}

Bytes ArpEntry()
{
    CEntryBuilder entry;
    entry.Category("ARP")
        .Event("arp_request")
        .Action("drop")
        .RecvIf("lan")
        .Severity(2)
        .EthernetPacket(EthernetFrame(ArpPacket(ARP_OP_REQUEST, Mac("00:00:5e:00:53:01"), Ip("10.0.0.9"),
                                                Mac("00:00:00:00:00:00"), Ip("10.0.0.1")),
                                      ETHER_TYPE_ARP));
    return entry.Body();
}

Bytes AlgEntry()
{
    CEntryBuilder entry;
    entry.Category("ALG")
        .Event("alg_session")
        .AlgModName("ftp")
        .AlgSessionId(77)
        .Params("cmd=\"RETR a b\"")
        .RuleNames(
            {{RULE_NAME, "ftp in"}, {RULE_SAT_DEST, "to_ftp"}, {RULE_SRC_USER, "alice"}, {RULE_DEST_USER, "bob"}})
        .OText("session", 1, 2)
        .Explanation("line\r\nbreak\tand;delimiters,#");
    return entry.Body();
}

Bytes UdpEntry()
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip("10.0.0.5");
    ip.m_nDestIp = Ip("10.0.0.53");
    CEntryBuilder entry;
    entry.Category("RULE")
        .Event("rule_drop")
        .Action("drop")
        .PacketBound(40)
        .Packet(UdpPacket(ip, 5353, 53, Bytes(8, 'q')));
    return entry.Body();
}

CNamedEntries Entries()
{
    return {
        {"conn", SampleConnEntry(1)},
        {"tcp", SampleTcpEntry(2)},
        {"icmp_error", SampleIcmpErrorEntry(3)},
        {"auth", SampleAuthEntry(4)},
        {"usage", SampleUsageEntry(5)},
        {"route", RouteEntry()},
        {"arp", ArpEntry()},
        {"alg", AlgEntry()},
        {"udp", UdpEntry()},
    };
}

bool WriteSeed(const std::string& strPath, const std::string& strBytes)
{
    if (WriteFileBytes(strPath, strBytes, ECompression::kPlain))
        return true;
    std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", strPath.c_str());
    return false;
}

std::string AsString(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The entry time as stored, then the element list.
bool WriteEntrySeeds(const std::string& strFolder)
{
    bool bDone = true;
    for (const auto& named : Entries()) {
        uint8_t aTime[kStoredTimeSize];
        PutStoredTime(aTime, static_cast<uint32_t>(kTime), static_cast<uint32_t>(kTime >> 32));
        std::string strSeed(reinterpret_cast<const char*>(aTime), sizeof(aTime));
        bDone &= WriteSeed(strFolder + "/" + named.first, strSeed + AsString(named.second));
    }
    return bDone;
}

bool WriteDailyFileSeeds(const std::string& strFolder)
{
    CDailyFile whole;
    LogTime nTime = kTime;
    for (const auto& named : Entries())
        whole.AddEntry(nTime++, named.second);
    whole.AddEndMarker();

    CDailyFile open;  // still being written: no last time, no end marker
    open.SetLastTime(0).AddEntry(kTime, SampleConnEntry(7)).AddEntry(kLaterTime, SampleTcpEntry(8));

    CDailyFile cut;
    cut.AddEntry(kTime, SampleAuthEntry(9)).AddCutEntry(kLaterTime, AsString(SampleUsageEntry(10)), 12);

    CDailyFile early;  // the end marker in the middle, an entry before the range
    early.AddEntry(LogTimeFromUtc(1969, 12, 31), SampleConnEntry(11))
        .AddEndMarker()
        .AddEntry(kTime, SampleTcpEntry(12));

    CDailyFile longer;  // past the reader's 8 KiB buffer
    for (uint32_t i = 0; i < 100; ++i)
        longer.AddEntry(kTime + i, i % 2 == 0 ? SampleConnEntry(i) : SampleUsageEntry(i));
    longer.AddEndMarker();

    CGzipMemberOptions fields;  // every optional field of a gzip member header
    fields.m_bExtra = true;
    fields.m_strExtra = "xy";
    fields.m_bName = true;
    fields.m_strName = "20-0.osl";
    fields.m_bComment = true;
    fields.m_strComment = "comment";
    fields.m_bHeaderCrc = true;

    std::string strGzip = GzipBytes(whole.Bytes());
    const std::pair<const char*, std::string> aSeeds[] = {
        {"plain.osl", whole.Bytes()},
        {"gzip.gz", strGzip},
        {"open.osl", open.Bytes()},
        {"open.gz", GzipBytes(open.Bytes())},
        {"cut.osl", cut.Bytes()},
        {"early.osl", early.Bytes()},
        {"two_members.gz", GzipBytes(cut.Bytes()) + GzipBytes(open.Bytes())},
        {"trailing_garbage.gz", strGzip + "garbage"},
        {"long.osl", longer.Bytes()},
        {"long.gz", GzipBytes(longer.Bytes())},
        {"header_fields.gz", GzipMember(whole.Bytes(), fields)},
        {"empty_member.gz", GzipBytes("") + GzipMember(open.Bytes())},
        {"wrong_tag.osl", CDailyFile().SetTag("LOX").AddEntry(kTime, SampleConnEntry(13)).Bytes()},
    };
    bool bDone = true;
    for (const auto& seed : aSeeds)
        bDone &= WriteSeed(strFolder + "/" + seed.first, seed.second);
    return bDone;
}

bool WriteConfigSeeds(const std::string& strFolder)
{
    std::vector<CGateway> aGateways = {{"gw-east", "10.0.0.1"}, {"gw-west", "10.0.0.2"}, {"123", "10.0.0.3"}};
    const std::pair<const char*, std::string> aSeeds[] = {
        {"three_gateways.cfg", CConfigWriter(aGateways).Text()},
        {"commented.cfg", CConfigWriter(aGateways)
                              .AddLine("# kept as a comment")
                              .Set("UDPPORT", "1514 # the logger's port")
                              .Set("FWNAME1", " spaced name ")
                              .Text()},
        {"no_gateways.cfg", CConfigWriter().Text()},
        {"limits.cfg", CConfigWriter(aGateways)
                           .Set("FILESIZE", "32768")
                           .Set("DAYS_TO_KEEP", "1000")
                           .Set("MAINTENANCE", "23")
                           .Set("UDPPORT", "+65535")
                           .Text()},
        {"missing_name.cfg", CConfigWriter(aGateways).Omit("FWNAME2").Text()},
        {"bad_line.cfg", CConfigWriter(aGateways).AddLine("no equals sign").Text()},
    };
    bool bDone = true;
    for (const auto& seed : aSeeds)
        bDone &= WriteSeed(strFolder + "/" + seed.first, seed.second);
    return bDone;
}

}  // namespace

int main(int nArgs, char** aArgs)
{
    if (nArgs != 2) {
        std::fputs("usage: fuzz_seeds <corpus-folder>\n", stderr);
        return 1;
    }
    std::string strRoot = aArgs[1];
    bool bDone = WriteEntrySeeds(strRoot + "/entry");
    bDone &= WriteDailyFileSeeds(strRoot + "/daily_file");
    bDone &= WriteConfigSeeds(strRoot + "/config");
    return bDone ? 0 : 1;
}
