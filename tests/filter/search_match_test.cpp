// Conditions evaluated against records decoded from real entries: where
// each parameter is looked for, in which order, and how it compares.
#include "filter/search_param.h"

#include <gtest/gtest.h>

#include <string>

#include "lql/keyword_table.h"
#include "testing/entry_builder.h"
#include "tests/filter/filter_test_util.h"

using namespace testdata;
using filtertest::CDecoded;
using filtertest::Matches;

namespace {

CIpv4Spec IpFromTo(const char* pszSrc, const char* pszDest)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip(pszSrc);
    ip.m_nDestIp = Ip(pszDest);
    return ip;
}

CTcpSpec TcpPorts(uint16_t nSrc, uint16_t nDest, uint8_t nFlags)
{
    CTcpSpec tcp;
    tcp.m_nSrcPort = nSrc;
    tcp.m_nDestPort = nDest;
    tcp.m_nFlags = nFlags;
    return tcp;
}

CEntryBuilder TcpEntry(const char* pszSrc, uint16_t nSrcPort, const char* pszDest, uint16_t nDestPort,
                       uint8_t nFlags = TCP_FLAG_SYN)
{
    CEntryBuilder entry;
    entry.Packet(TcpPacket(IpFromTo(pszSrc, pszDest), TcpPorts(nSrcPort, nDestPort, nFlags)));
    return entry;
}

CEntryBuilder UdpEntry(const char* pszSrc, uint16_t nSrcPort, const char* pszDest, uint16_t nDestPort)
{
    CEntryBuilder entry;
    entry.Packet(UdpPacket(IpFromTo(pszSrc, pszDest), nSrcPort, nDestPort));
    return entry;
}

CEntryBuilder ArpEntry(uint16_t nOperation, const char* pszSender, const char* pszTarget)
{
    CEntryBuilder entry;
    entry.EthernetPacket(EthernetFrame(
        ArpPacket(nOperation, Mac("00:00:5e:00:53:01"), Ip(pszSender), Mac("00:00:00:00:00:00"), Ip(pszTarget)),
        ETHER_TYPE_ARP));
    return entry;
}

CConnSpec Connection(uint8_t nEvent, const char* pszSrc, uint16_t nSrcPort, const char* pszDest, uint16_t nDestPort,
                     uint8_t nProtocol = IPPROTO_NUM_TCP)
{
    CConnSpec conn;
    conn.m_nEvent = nEvent;
    conn.m_nSrcIp = Ip(pszSrc);
    conn.m_nDestIp = Ip(pszDest);
    conn.m_nSrcPort = nSrcPort;
    conn.m_nDestPort = nDestPort;
    conn.m_nProtocol = nProtocol;
    return conn;
}

// An ICMP destination-unreachable from a router quoting the first bytes of
// the offending packet.
CEntryBuilder IcmpErrorEntry(const Bytes& offending, size_t nQuoted)
{
    CEntryBuilder entry;
    entry.Packet(IcmpError(IpFromTo("192.0.2.1", "10.0.0.1"), 3, 3, Head(offending, nQuoted)));
    return entry;
}

TEST(SearchMatch, SourceAddressIsFoundInEverySectionThatCarriesIt)
{
    CDecoded ipPacket(TcpEntry("10.0.0.1", 1024, "10.0.0.2", 80));
    CDecoded arpRequest(ArpEntry(1, "10.0.0.1", "10.0.0.2"));
    CEntryBuilder connEntry;
    connEntry.Conn(Connection(CONN_OPEN, "10.0.0.1", 1024, "10.0.0.2", 80));
    CDecoded connection(connEntry);
    CAuthSpec auth;
    auth.m_nAddr = Ip("10.0.0.1");
    CEntryBuilder authEntry;
    authEntry.Auth(auth);
    CDecoded login(authEntry);

    for (const CLogRecord* pRecord :
         {&ipPacket.Record(), &arpRequest.Record(), &connection.Record(), &login.Record()}) {
        EXPECT_TRUE(Matches(*pRecord, KEY_SRCIP, "10.0.0.1"));
        EXPECT_FALSE(Matches(*pRecord, KEY_SRCIP, "10.0.0.3"));
    }
    EXPECT_TRUE(Matches(ipPacket, KEY_DESTIP, "10.0.0.2"));
    EXPECT_TRUE(Matches(arpRequest, KEY_DESTIP, "10.0.0.2"));
    EXPECT_TRUE(Matches(connection, KEY_DESTIP, "10.0.0.2"));
    EXPECT_FALSE(Matches(login, KEY_DESTIP, "0.0.0.0", SEARCH_OP_GE));  // authentication has a source only
}

// A packet from one address with a connection item from another matches
// both: a failed comparison goes on to the later sections.
TEST(SearchMatch, FailedComparisonGoesOnToLaterSections)
{
    CEntryBuilder entry = TcpEntry("10.0.0.1", 1024, "10.0.0.2", 80);
    entry.Conn(Connection(CONN_OPEN, "172.16.0.1", 5000, "172.16.0.2", 443, IPPROTO_NUM_UDP));
    CAuthSpec auth;
    auth.m_nAddr = Ip("192.168.7.7");
    entry.Auth(auth);
    CDecoded record(entry);
    EXPECT_TRUE(Matches(record, KEY_SRCIP, "10.0.0.1"));
    EXPECT_TRUE(Matches(record, KEY_SRCIP, "172.16.0.1"));
    EXPECT_TRUE(Matches(record, KEY_SRCIP, "192.168.7.7"));
    EXPECT_TRUE(Matches(record, KEY_DESTPORT, "80"));
    EXPECT_TRUE(Matches(record, KEY_DESTPORT, "443"));
    EXPECT_TRUE(Matches(record, KEY_IPPROTO, "udp"));
    EXPECT_TRUE(Matches(record, KEY_IPPROTO, "tcp"));
    EXPECT_FALSE(Matches(record, KEY_SRCPORT, "1"));
}

TEST(SearchMatch, OnlyTheLastConnectionItemCounts)
{
    CEntryBuilder entry;
    entry.Conn(Connection(CONN_CLOSING, "10.0.0.1", 1, "10.0.0.2", 2))
        .Conn(Connection(CONN_OPEN, "10.0.0.3", 3, "10.0.0.4", 4));
    CDecoded record(entry);
    EXPECT_TRUE(Matches(record, KEY_CONN, "open"));
    EXPECT_FALSE(Matches(record, KEY_CONN, "closing"));
    EXPECT_FALSE(Matches(record, KEY_SRCIP, "10.0.0.1"));
    EXPECT_TRUE(Matches(record, KEY_SRCIP, "10.0.0.3"));
    EXPECT_FALSE(Matches(record, KEY_SRCPORT, "1"));
    EXPECT_TRUE(Matches(record, KEY_DESTPORT, "4"));
    EXPECT_TRUE(Matches(record, KEY_CONN, "OPEN", SEARCH_OP_GT));  // operator ignored

    CEntryBuilder closing;
    closing.Conn(Connection(CONN_OPEN, "10.0.0.1", 1, "10.0.0.2", 2))
        .Conn(Connection(CONN_CLOSING, "10.0.0.1", 1, "10.0.0.2", 2));
    EXPECT_TRUE(Matches(CDecoded(closing), KEY_CONN, "closing"));
    CEntryBuilder none;
    none.Category("x");
    EXPECT_FALSE(Matches(CDecoded(none), KEY_CONN, "open"));
}

TEST(SearchMatch, PortsOfPacketsAndOfQuotedHeadersStayApart)
{
    CDecoded udp(UdpEntry("10.0.0.1", 53, "10.0.0.2", 33000));
    Bytes offendingUdp = UdpPacket(IpFromTo("10.0.0.1", "10.0.0.9"), 53, 33000);
    CDecoded icmpUdp(IcmpErrorEntry(offendingUdp, 28));

    EXPECT_TRUE(Matches(udp, KEY_SRCPORT, "53"));
    EXPECT_TRUE(Matches(udp, KEY_SRCPORT, "domain"));
    EXPECT_FALSE(Matches(udp, KEY_ICMPSRCPORT, "53"));
    EXPECT_TRUE(Matches(icmpUdp, KEY_ICMPSRCPORT, "53"));
    EXPECT_TRUE(Matches(icmpUdp, KEY_ICMPDESTPORT, "33000"));
    EXPECT_FALSE(Matches(icmpUdp, KEY_SRCPORT, "53"));
    EXPECT_TRUE(Matches(icmpUdp, KEY_ICMPSRCIP, "10.0.0.1"));
    EXPECT_TRUE(Matches(icmpUdp, KEY_ICMPDESTIP, "10.0.0.9"));
    EXPECT_TRUE(Matches(icmpUdp, KEY_ICMPIPPROTO, "udp"));
    EXPECT_TRUE(Matches(icmpUdp, KEY_ICMPTYPE, "dest_unreach"));
    EXPECT_TRUE(Matches(icmpUdp, KEY_SRCIP, "192.0.2.1"));
    EXPECT_FALSE(Matches(icmpUdp, KEY_SRCIP, "10.0.0.1"));

    Bytes offendingTcp = TcpPacket(IpFromTo("10.0.0.1", "10.0.0.9"), TcpPorts(40000, 443, TCP_FLAG_SYN));
    CDecoded icmpTcp(IcmpErrorEntry(offendingTcp, 28));
    EXPECT_TRUE(Matches(icmpTcp, KEY_ICMPSRCPORT, "40000"));
    EXPECT_TRUE(Matches(icmpTcp, KEY_ICMPDESTPORT, "443"));
    EXPECT_FALSE(Matches(icmpTcp, KEY_SYN, "1"));  // flags are read from the packet's own TCP header only
}

TEST(SearchMatch, TcpFlagsTestOneBitEach)
{
    CDecoded syn(TcpEntry("10.0.0.1", 1, "10.0.0.2", 2, TCP_FLAG_SYN));
    CDecoded synAck(TcpEntry("10.0.0.1", 1, "10.0.0.2", 2, TCP_FLAG_SYN | TCP_FLAG_ACK));
    CDecoded udp(UdpEntry("10.0.0.1", 1, "10.0.0.2", 2));
    EXPECT_TRUE(Matches(syn, KEY_SYN, "1") && Matches(syn, KEY_ACK, "0"));
    EXPECT_FALSE(Matches(synAck, KEY_SYN, "1") && Matches(synAck, KEY_ACK, "0"));
    EXPECT_FALSE(Matches(udp, KEY_SYN, "0"));

    const struct {
        int32_t m_nParamId;
        uint8_t m_nBit;
    } aFlags[] = {
        // clang-format off
        { KEY_FIN, TCP_FLAG_FIN }, { KEY_SYN, TCP_FLAG_SYN }, { KEY_RST, TCP_FLAG_RST }, { KEY_PSH, TCP_FLAG_PSH },
        { KEY_ACK, TCP_FLAG_ACK }, { KEY_URG, TCP_FLAG_URG }, { KEY_ECE, TCP_FLAG_ECE }, { KEY_CWR, TCP_FLAG_CWR },
        // clang-format on
    };
    for (const auto& flag : aFlags) {
        CDecoded only(TcpEntry("10.0.0.1", 1, "10.0.0.2", 2, flag.m_nBit));
        CDecoded others(TcpEntry("10.0.0.1", 1, "10.0.0.2", 2, static_cast<uint8_t>(~flag.m_nBit)));
        EXPECT_TRUE(Matches(only, flag.m_nParamId, "1")) << int(flag.m_nBit);
        EXPECT_FALSE(Matches(only, flag.m_nParamId, "0")) << int(flag.m_nBit);
        EXPECT_TRUE(Matches(others, flag.m_nParamId, "0")) << int(flag.m_nBit);
        EXPECT_FALSE(Matches(others, flag.m_nParamId, "1")) << int(flag.m_nBit);
    }
}

TEST(SearchMatch, ArpOperationsAndOther)
{
    CDecoded request(ArpEntry(1, "10.0.0.1", "10.0.0.2"));
    CDecoded reply(ArpEntry(2, "10.0.0.2", "10.0.0.1"));
    CDecoded three(ArpEntry(3, "10.0.0.1", "10.0.0.2"));
    CDecoded nine(ArpEntry(9, "10.0.0.1", "10.0.0.2"));
    EXPECT_TRUE(Matches(request, KEY_ARP, "request"));
    EXPECT_FALSE(Matches(request, KEY_ARP, "reply"));
    EXPECT_TRUE(Matches(reply, KEY_ARP, "REPLY"));
    EXPECT_TRUE(Matches(reply, KEY_ARP, "request", SEARCH_OP_GT));
    EXPECT_TRUE(Matches(three, KEY_ARP, "other"));
    EXPECT_TRUE(Matches(nine, KEY_ARP, "other"));
    EXPECT_FALSE(Matches(reply, KEY_ARP, "other"));
    EXPECT_FALSE(Matches(reply, KEY_ARP, "other", SEARCH_OP_LT));  // "other" ignores the operator
    EXPECT_TRUE(Matches(request, KEY_ENETPROTO, "arp"));
    EXPECT_FALSE(Matches(request, KEY_IPPROTO, "0", SEARCH_OP_GE));
}

TEST(SearchMatch, AddressesAndNumbersCompareUnderTheOperator)
{
    CDecoded record(TcpEntry("10.0.1.0", 1000, "192.168.0.1", 80));
    EXPECT_TRUE(Matches(record, KEY_SRCIP, "10.0.0.255", SEARCH_OP_GT));
    EXPECT_TRUE(Matches(record, KEY_SRCIP, "10.0.1.0", SEARCH_OP_GE));
    EXPECT_FALSE(Matches(record, KEY_SRCIP, "10.0.1.0", SEARCH_OP_LT));
    EXPECT_TRUE(Matches(record, KEY_SRCIP, "10.0.1.0", SEARCH_OP_LE));
    EXPECT_TRUE(Matches(record, KEY_DESTIP, "192.168.0.2", SEARCH_OP_LT));
    EXPECT_FALSE(Matches(record, KEY_DESTIP, "9.255.255.255", SEARCH_OP_LT));
    EXPECT_TRUE(Matches(record, KEY_SRCPORT, "999", SEARCH_OP_GT));
    EXPECT_TRUE(Matches(record, KEY_SRCPORT, "1000", SEARCH_OP_LE));
    EXPECT_FALSE(Matches(record, KEY_SRCPORT, "1000", SEARCH_OP_GT));
    EXPECT_TRUE(Matches(record, KEY_DESTPORT, "1023", SEARCH_OP_LT));
}

TEST(SearchMatch, TextsCompareWholeIgnoringCase)
{
    CEntryBuilder entry;
    entry.Category("Conn")
        .Event("conn_open")
        .Action("Allow")
        .RuleNames({{RULE_NAME, "drop_all"}, {RULE_SAT_SRC, "nat"}, {RULE_SAT_DEST, "sat"}})
        .AlgModName("ftp");
    CDecoded record(entry);
    EXPECT_TRUE(Matches(record, KEY_RULE, "Drop_All"));
    EXPECT_FALSE(Matches(record, KEY_RULE, "drop"));
    EXPECT_FALSE(Matches(record, KEY_RULE, "drop_all2"));
    EXPECT_FALSE(Matches(record, KEY_RULE, "a", SEARCH_OP_GT));  // texts only compare equal
    EXPECT_FALSE(Matches(record, KEY_RULE, ""));
    EXPECT_TRUE(Matches(record, KEY_CATEGORY, "CONN"));
    EXPECT_TRUE(Matches(record, KEY_EVENT, "Conn_Open"));
    EXPECT_TRUE(Matches(record, KEY_ACTION, "allow"));
    EXPECT_FALSE(Matches(record, KEY_ACTION, "allo"));
    EXPECT_TRUE(Matches(record, KEY_SATSRCRULE, "NAT"));
    EXPECT_TRUE(Matches(record, KEY_SATDESTRULE, "sat"));
    EXPECT_TRUE(Matches(record, KEY_ALGMODNAME, "FTP"));
    EXPECT_FALSE(Matches(record, KEY_ALGMODNAME, "ftpx"));
    EXPECT_FALSE(Matches(record, KEY_AUTHRULE, "x"));
}

// The ALG module name need not be terminated: its element's length bounds it.
TEST(SearchMatch, AlgModuleNameWithoutTerminatorIsBoundedByItsElement)
{
    CEntryBuilder entry;
    entry.Element(TAG_ALG_MOD_NAME, Bytes{'h', 't', 't', 'p'}).Element('B', Bytes{'x', 'y'});
    CDecoded record(entry);
    EXPECT_TRUE(Matches(record, KEY_ALGMODNAME, "http"));
    EXPECT_FALSE(Matches(record, KEY_ALGMODNAME, "httpB"));
}

TEST(SearchMatch, DescriptionSearchesTheParametersText)
{
    CEntryBuilder entry;
    entry.Params("User LOGIN FAILED for xbaba");
    CDecoded record(entry);
    EXPECT_TRUE(Matches(record, KEY_DESCRIPTION, "login fail"));
    EXPECT_TRUE(Matches(record, KEY_DESCRIPTION, "aba"));
    EXPECT_FALSE(Matches(record, KEY_DESCRIPTION, "logout"));
    CEntryBuilder noParams;
    noParams.Category("x");
    EXPECT_FALSE(Matches(CDecoded(noParams), KEY_DESCRIPTION, ""));
}

TEST(SearchMatch, InterfacesComeFromTheEntryTheConnectionOrTheUsageItems)
{
    CEntryBuilder withRecvIf;
    withRecvIf.RecvIf("lan").Conn(Connection(CONN_OPEN, "10.0.0.1", 1, "10.0.0.2", 2));
    CDecoded entryIf(withRecvIf);
    EXPECT_TRUE(Matches(entryIf, KEY_RECVIF, "LAN"));
    EXPECT_TRUE(Matches(entryIf, KEY_DESTIFACE, "wan"));  // from the connection item

    CEntryBuilder emptyRecvIf;
    emptyRecvIf.RecvIf("");
    EXPECT_TRUE(Matches(CDecoded(emptyRecvIf), KEY_RECVIF, ""));  // an empty value compares here

    CConnSpec conn = Connection(CONN_OPEN, "10.0.0.1", 1, "10.0.0.2", 2);
    conn.m_strRecvIf = "dmz";
    conn.m_strDestIf = "ext";
    CEntryBuilder connOnly;
    connOnly.Conn(conn);
    CDecoded connIf(connOnly);
    EXPECT_TRUE(Matches(connIf, KEY_RECVIF, "dmz"));
    EXPECT_TRUE(Matches(connIf, KEY_DESTIFACE, "EXT"));
    EXPECT_FALSE(Matches(connIf, KEY_DESTIFACE, "dmz"));

    CUsageSpec first;
    CUsageSpec second;
    first.m_strIface = "if1";
    second.m_strIface = "if2";
    CEntryBuilder usage;
    usage.Usage(first).Usage(second);
    CDecoded usageIf(usage);
    EXPECT_TRUE(Matches(usageIf, KEY_RECVIF, "if1"));
    EXPECT_TRUE(Matches(usageIf, KEY_DESTIFACE, "IF2"));
    EXPECT_FALSE(Matches(usageIf, KEY_RECVIF, "if3"));
}

TEST(SearchMatch, UserNamesAndAuthentication)
{
    CAuthSpec auth;
    auth.m_strUser = "alice";
    auth.m_strRule = "vpn";
    auth.m_strAgent = "radius";
    auth.m_nEvent = 2;
    CEntryBuilder entry;
    entry.Auth(auth).RuleNames({{RULE_SRC_USER, "bob"}, {RULE_DEST_USER, "carol"}});
    CDecoded record(entry);
    for (const char* pszUser : {"ALICE", "bob", "Carol"})
        EXPECT_TRUE(Matches(record, KEY_USERNAME, pszUser)) << pszUser;
    EXPECT_FALSE(Matches(record, KEY_USERNAME, "dave"));
    EXPECT_FALSE(Matches(record, KEY_USERNAME, ""));
    EXPECT_TRUE(Matches(record, KEY_SRCUSERNAME, "bob"));
    EXPECT_FALSE(Matches(record, KEY_SRCUSERNAME, "alice"));
    EXPECT_TRUE(Matches(record, KEY_DESTUSERNAME, "carol"));
    EXPECT_TRUE(Matches(record, KEY_AUTHRULE, "VPN"));
    EXPECT_TRUE(Matches(record, KEY_AUTHAGENT, "radius"));
    EXPECT_TRUE(Matches(record, KEY_AUTHEVENT, "logout"));
    EXPECT_TRUE(Matches(record, KEY_AUTHEVENT, "1", SEARCH_OP_GT));
    EXPECT_FALSE(Matches(record, KEY_AUTHEVENT, "login"));
}

TEST(SearchMatch, NumbersOfTheEntry)
{
    CEntryBuilder entry;
    entry.LogId(150).Severity(6).AlgSessionId(77);
    CDecoded record(entry);
    EXPECT_TRUE(Matches(record, KEY_ID, "150"));
    EXPECT_TRUE(Matches(record, KEY_ID, "100", SEARCH_OP_GE));
    EXPECT_FALSE(Matches(record, KEY_ID, "150", SEARCH_OP_LT));
    EXPECT_TRUE(Matches(record, KEY_SEVERITY, "4", SEARCH_OP_GE));
    EXPECT_TRUE(Matches(record, KEY_SEVERITY, "info"));
    EXPECT_TRUE(Matches(record, KEY_ALGSESSIONID, "77"));

    CEntryBuilder bare;
    bare.Category("x");
    CDecoded none(bare);
    EXPECT_FALSE(Matches(none, KEY_SEVERITY, "0", SEARCH_OP_GE));  // no severity element
    EXPECT_TRUE(Matches(none, KEY_ID, "0"));                       // an entry without id has id 0
    EXPECT_TRUE(Matches(none, KEY_ALGSESSIONID, "0"));
}

TEST(SearchMatch, RouteAndDynamicRoutingFields)
{
    CRouteSpec route;
    route.m_nLowIp = Ip("10.0.0.0");
    route.m_nHighIp = Ip("10.255.255.255");
    route.m_strIface = "wan";
    route.m_nGatewayIp = Ip("192.168.0.254");
    route.m_nMetric = 20;
    CDynRoutingSpec dyn;
    dyn.m_nEvent = 4;
    dyn.m_strSrcProc = "ospf";
    dyn.m_strDestProc = "main";
    CEntryBuilder entry;
    entry.Route(route).DynRouting(dyn);
    CDecoded record(entry);
    EXPECT_TRUE(Matches(record, KEY_ROUTERANGE, "10.1.2.3"));
    EXPECT_TRUE(Matches(record, KEY_ROUTERANGE, "10.255.255.255", SEARCH_OP_LT));  // operator ignored
    EXPECT_FALSE(Matches(record, KEY_ROUTERANGE, "11.0.0.0"));
    EXPECT_TRUE(Matches(record, KEY_ROUTEIFACE, "WAN"));
    EXPECT_TRUE(Matches(record, KEY_ROUTEGW, "192.168.0.254"));
    EXPECT_TRUE(Matches(record, KEY_ROUTEMETRIC, "10", SEARCH_OP_GT));
    EXPECT_FALSE(Matches(record, KEY_ROUTEMETRIC, "20", SEARCH_OP_LT));
    EXPECT_TRUE(Matches(record, KEY_DYNROUTINGEVENT, "export"));
    EXPECT_TRUE(Matches(record, KEY_DYNROUTINGSRCPROC, "OSPF"));
    EXPECT_TRUE(Matches(record, KEY_DYNROUTINGDESTPROC, "main"));

    route.m_nHighIp = Ip("10.0.0.255");
    CEntryBuilder narrow;
    narrow.Route(route);
    EXPECT_FALSE(Matches(CDecoded(narrow), KEY_ROUTERANGE, "10.1.2.3"));
    CEntryBuilder noRoute;
    noRoute.Category("x");
    EXPECT_FALSE(Matches(CDecoded(noRoute), KEY_ROUTEMETRIC, "0", SEARCH_OP_GE));
}

}  // namespace
