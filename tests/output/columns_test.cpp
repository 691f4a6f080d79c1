// The columns: where each family takes its values from and how it writes
// them, checked on records decoded from built entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lql/keyword_table.h"
#include "output/columns.h"
#include "support/byte_order.h"
#include "tests/output/output_test_util.h"

using namespace outputtest;
using namespace testdata;

namespace {

const std::vector<std::string> kStandard = {"date",   "time",     "vantgard", "category",    "id",
                                            "event",  "action",   "recvif",   "srcip",       "srcport",
                                            "destip", "destport", "ipproto",  "explanation", "params"};

CIpv4Spec IpSpec(const char* pszSrc, const char* pszDest)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip(pszSrc);
    ip.m_nDestIp = Ip(pszDest);
    return ip;
}

CEntryBuilder FrameEntry(const Bytes& frame)
{
    CEntryBuilder builder;
    builder.EthernetPacket(frame);
    return builder;
}

CEntryBuilder PacketEntry(const Bytes& packet)
{
    CEntryBuilder builder;
    builder.Packet(packet);
    return builder;
}

CEntryBuilder ArpEntry(uint16_t nOpcode)
{
    return FrameEntry(EthernetFrame(
        ArpPacket(nOpcode, Mac("02:00:00:00:00:01"), Ip("192.168.0.1"), Mac("02:00:00:00:00:02"), Ip("192.168.0.2")),
        ETHER_TYPE_ARP));
}

CConnSpec Connection(uint8_t nProtocol)
{
    CConnSpec conn;
    conn.m_nSrcIp = Ip("10.1.1.1");
    conn.m_nDestIp = Ip("10.2.2.2");
    conn.m_nProtocol = nProtocol;
    conn.m_nSrcPort = 40000;
    conn.m_nDestPort = 443;
    conn.m_nOrigSent = 1000;
    conn.m_nTermSent = 2048;
    return conn;
}

}  // namespace

TEST(ColumnTable, EveryOutputNameIsAColumnAndNoOtherIdIs)
{
    const int32_t aNotColumns[] = {KEY_BINARY, KEY_STANDARD, KEY_ICMPSTD,  KEY_TCPFLAGS,
                                   KEY_TCPSTD, KEY_UDPSTD,   KEY_USERNAMES};
    for (const CKeywordEntry* p = CKeywordTable::Entries(); p->m_pszName != nullptr; ++p) {
        bool bComposite = false;
        for (int32_t nId : aNotColumns)
            bComposite = bComposite || nId == p->m_nId;
        bool bColumn = (p->m_nKind & KW_OUTPUT) != 0 && !bComposite;
        EXPECT_EQ(bColumn, FindColumn(p->m_nId) != nullptr) << p->m_pszName;
    }
}

TEST(Columns, EthernetAndIpHeader)
{
    CTcpSpec tcp;
    tcp.m_nSrcPort = 1025;
    tcp.m_nDestPort = 80;
    CEntryBuilder entry = FrameEntry(EthernetFrame(TcpPacket(IpSpec("10.0.0.1", "10.0.0.2"), tcp, Bytes(10, 'x'))));
    EXPECT_EQ("0000:5e00:5301;0000:5e00:5302;2048(IPv4);10.0.0.1;1025;10.0.0.2;80;6(TCP);64;20;50;30\n",
              RenderLine({"hwsrc", "destenet", "enetproto", "srcip", "srcport", "destip", "destport", "ipproto", "ttl",
                          "iphdrlen", "iptotlen", "ipdatalen"},
                         entry, Delimited(';')));
}

TEST(Columns, TcpFlagsAndLengths)
{
    CTcpSpec tcp;
    tcp.m_nFlags = TCP_FLAG_SYN | TCP_FLAG_ACK | TCP_FLAG_CWR;
    tcp.m_nDataOffset = 8;
    CEntryBuilder entry = PacketEntry(TcpPacket(IpSpec("10.0.0.1", "10.0.0.2"), tcp, Bytes(7, 'x')));
    // tcpdatalen, tcphdrlen, fin, syn, rst, psh, ack, urg, ece, cwr; then tcptotlen.
    EXPECT_EQ("7,32,0,1,0,0,1,0,0,1,39\n", RenderLine({"tcpdatalen", "tcphdrlen", "fin", "syn", "rst", "psh", "ack",
                                                       "urg", "xmas", "ymas", "tcptotallen"},
                                                      entry, Delimited(',')));

    // A total length below the header length: the payload lengths wrap as
    // unsigned 32-bit numbers, tcpdatalen after taking the IP payload modulo 65536.
    CIpv4Spec shortTotal = IpSpec("10.0.0.1", "10.0.0.2");
    shortTotal.m_nTotalLength = 10;
    CEntryBuilder wrapped = PacketEntry(TcpPacket(shortTotal, CTcpSpec()));
    EXPECT_EQ("ipdatalen=4294967286 tcptotlen=4294967286 tcpdatalen=65506\n",
              RenderLine({"ipdatalen", "tcptotlen", "tcpdatalen"}, wrapped));
}

TEST(Columns, UdpLengths)
{
    CEntryBuilder entry = PacketEntry(UdpPacket(IpSpec("10.0.0.1", "10.0.0.2"), 53, 5353, Bytes(4, 'x')));
    EXPECT_EQ("udpdatalen=4 udptotlen=12 srcport=53 destport=5353\n",
              RenderLine({"udpdatalen", "udptotallen", "srcport", "destport"}, entry));
    // A length field below the header size wraps as an unsigned number.
    Bytes packet = UdpPacket(IpSpec("10.0.0.1", "10.0.0.2"), 53, 5353);
    PutBigEndian16(&packet[kIpMinHeaderSize + kUdpLengthOffset], 4);
    EXPECT_EQ("udpdatalen=4294967292 udptotlen=4\n", RenderLine({"udpdatalen", "udptotlen"}, PacketEntry(packet)));
}

TEST(Columns, IcmpWithAndWithoutQuotedHeader)
{
    CEntryBuilder echo = PacketEntry(IcmpPacket(IpSpec("10.0.0.1", "10.0.0.2"), 8, 0));
    // icmpstd: ttl, icmptype, icmpipproto, icmpdestip, icmpsrcip, icmpdestport.
    const std::vector<std::string> kIcmpStd = {"ttl",        "icmptype",  "icmpipproto",
                                               "icmpdestip", "icmpsrcip", "icmpdestport"};
    EXPECT_EQ("64;ECHO_REQUEST;;;;\n", RenderLine(kIcmpStd, echo, Delimited(';')));

    Bytes quoted = Head(TcpPacket(IpSpec("172.16.0.5", "8.8.8.8"), CTcpSpec()), 28);
    CEntryBuilder error = PacketEntry(IcmpError(IpSpec("10.9.9.9", "172.16.0.5"), 3, 1, quoted));
    EXPECT_EQ("64;DEST_UNREACH;6(TCP);8.8.8.8;172.16.0.5;\n", RenderLine(kIcmpStd, error, Delimited(';')));

    CEntryBuilder unknown = PacketEntry(IcmpPacket(IpSpec("10.0.0.1", "10.0.0.2"), 7, 0));
    EXPECT_EQ("icmptype=7\n", RenderLine({"icmptype"}, unknown));
}

TEST(Columns, ArpPackets)
{
    EXPECT_EQ(
        "arp=request srcip=192.168.0.1 destip=192.168.0.2 arphwsrc=0200:0000:0001 arphwdest=0200:0000:0002 "
        "enetproto=2054(ARP)\n",
        RenderLine({"arp", "srcip", "destip", "arpsrchw", "arpdesthw", "enetproto"}, ArpEntry(1)));
    EXPECT_EQ("arp=reply\n", RenderLine({"arpopcode"}, ArpEntry(2)));
    EXPECT_EQ("arp=unknown_operation\n", RenderLine({"arp"}, ArpEntry(9)));
}

TEST(Columns, EthernetTypeBehindVlanTag)
{
    // The inner type follows the 4-byte tag; a frame too short to hold it
    // shows the tag's own type rather than bytes from beyond the frame.
    Bytes tagged = {0x00, 0x05, 0x08, 0x06};
    EXPECT_EQ("enetproto=2054(ARP)\n", RenderLine({"enetproto"}, FrameEntry(EthernetFrame(tagged, ETHER_TYPE_VLAN))));
    EXPECT_EQ("enetproto=33024\n", RenderLine({"enetproto"}, FrameEntry(EthernetFrame({0x00}, ETHER_TYPE_VLAN))));
}

TEST(Columns, ConnectionItemsShowTheLastItem)
{
    CEntryBuilder entry;
    CConnSpec first = Connection(6);
    first.m_nSrcIp = Ip("1.1.1.1");
    entry.Conn(first).Conn(Connection(6));
    EXPECT_EQ(
        "conn=open srcip=10.1.1.1 srcport=40000 destip=10.2.2.2 destport=443 ipproto=6(TCP) origsent=1000 "
        "termsent=2048 recvif=lan destif=wan\n",
        RenderLine({"connevent", "srcip", "srcport", "destip", "destport", "ipproto", "origsent", "termsent", "recvif",
                    "destiface"},
                   entry));
}

TEST(Columns, ConnectionEventsAndPortlessProtocols)
{
    const struct {
        uint8_t m_nEvent;
        const char* m_pszExpected;
    } aCases[] = {{2, "conn=closing\n"}, {3, "conn=closed\n"}, {7, "conn=unknown\n"}, {0, ""}};
    for (const auto& test : aCases) {
        CConnSpec conn = Connection(6);
        conn.m_nEvent = test.m_nEvent;
        CEntryBuilder entry;
        entry.Conn(conn);
        EXPECT_EQ(test.m_pszExpected, RenderLine({"conn"}, entry)) << int(test.m_nEvent);
    }
    CEntryBuilder icmp;
    icmp.Conn(Connection(1));
    EXPECT_EQ("10.1.1.1;;10.2.2.2;;1(ICMP)\n",
              RenderLine({"srcip", "srcport", "destip", "destport", "ipproto"}, icmp, Delimited(';')));
}

TEST(Columns, ReceivingInterfaceElementBeforeConnection)
{
    CEntryBuilder entry;
    entry.Conn(Connection(17)).RecvIf("eth7");
    EXPECT_EQ("recvif=eth7 destif=wan\n", RenderLine({"recviface", "destiface"}, entry));
}

TEST(Columns, InterfaceUsageList)
{
    CUsageSpec lan;
    lan.m_nInterval = 8;
    lan.m_nFirstBytes = 1000;
    lan.m_nSecondBytes = 500;
    CUsageSpec wan;
    wan.m_strIface = "wan";
    wan.m_nInterval = 0;  // measures nothing: no division by zero
    wan.m_nFirstBytes = 1000;
    CEntryBuilder entry;
    entry.Usage(lan).Usage(wan).Event("ev");
    EXPECT_EQ("if0=lan tp0=1.50 if1=wan tp1=0.00 event=ev\n", RenderLine({"usage", "event"}, entry));
    EXPECT_EQ("if0=lan tp0=1.50 if1=wan tp1=0.00;ev\n", RenderLine({"usage", "event"}, entry, Delimited(';')));
    CEntryBuilder none;
    none.Event("ev");
    EXPECT_EQ(";ev\n", RenderLine({"usage", "event"}, none, Delimited(';')));
}

TEST(Columns, InterfaceNamesCannotForgeLinesCellsOrPairs)
{
    CUsageSpec forged;
    forged.m_strIface = "eth0\ndate=1999-01-01 srcip=6.6.6.6";
    forged.m_nInterval = 0;
    CUsageSpec cells;
    cells.m_strIface = " a;b,c\td\r";
    cells.m_nInterval = 0;
    CEntryBuilder entry;
    entry.Usage(forged).Usage(cells).Event("ev");
    EXPECT_EQ("if0=\"eth0 date=1999-01-01 srcip=6.6.6.6\" tp0=0.00 if1=\"a;b,c\td\" tp1=0.00 event=ev\n",
              RenderLine({"usage", "event"}, entry));
    EXPECT_EQ("if0=\"eth0 date=1999-01-01 srcip=6.6.6.6\" tp0=0.00 if1=\"a,b,c\td\" tp1=0.00;ev\n",
              RenderLine({"usage", "event"}, entry, Delimited(';')));
    EXPECT_EQ("if0=\"eth0 date=1999-01-01 srcip=6.6.6.6\" tp0=0.00 if1=\"a;b,c d\" tp1=0.00\tev\n",
              RenderLine({"usage", "event"}, entry, Delimited('\t')));
    // A name of nothing but blanks leaves its pair empty.
    CUsageSpec blank;
    blank.m_strIface = " \t ";
    blank.m_nInterval = 0;
    EXPECT_EQ("if0= tp0=0.00\n", RenderLine({"usage"}, CEntryBuilder().Usage(blank)));
}

TEST(Columns, ConnectionUsageThreeValues)
{
    CEntryBuilder entry;
    entry.Event("ev").ConnUsage(1, 5, 9);
    EXPECT_EQ("event=ev maxconns=9 curconns=5 minconns=1\n", RenderLine({"event", "connusage"}, entry));
    EXPECT_EQ("ev;9 5 1\n", RenderLine({"event", "connusage"}, entry, Delimited(';')));

    // A highest count without a 32-bit reading shows no value.
    Bytes data = ConnUsageData(1, 5, 9);
    CPackedCounter huge = PackCounterParts(40, 1);
    std::copy(huge.begin(), huge.end(), &data[kConnUsageHighestOffset]);
    CEntryBuilder unreadable;
    unreadable.Event("ev").Element(TAG_USAGE, data);
    EXPECT_EQ("event=ev curconns=5 minconns=1\n", RenderLine({"event", "connusage"}, unreadable));
    EXPECT_EQ("ev; 5 1\n", RenderLine({"event", "connusage"}, unreadable, Delimited(';')));

    // Without connection usage data the cell is empty.
    CEntryBuilder none;
    none.Event("ev");
    EXPECT_EQ("ev;;ev\n", RenderLine({"event", "connusage", "event"}, none, Delimited(';')));
}

TEST(Columns, AuthenticationFields)
{
    CAuthSpec auth;
    auth.m_nAddr = Ip("10.1.2.3");
    auth.m_nEvent = 2;
    CEntryBuilder entry;
    entry.Auth(auth);
    EXPECT_EQ("srcip=10.1.2.3 username=user authrule=authrule authagent=agent authevent=logout\n",
              RenderLine({"srcip", "username", "authrule", "authagent", "authevent"}, entry));
    auth.m_nEvent = 9;
    CEntryBuilder unknown;
    unknown.Auth(auth);
    EXPECT_EQ("authevent=9\n", RenderLine({"authevent"}, unknown));
    auth.m_nEvent = -1;
    CEntryBuilder none;
    none.Auth(auth);
    EXPECT_EQ("", RenderLine({"authevent"}, none));
}

TEST(Columns, RuleAndUserNames)
{
    CEntryBuilder entry;
    entry.RuleNames({{RULE_NAME, "allow_web"},
                     {RULE_SAT_SRC, "nat out"},
                     {RULE_SAT_DEST, "fwd"},
                     {RULE_SRC_USER, "alice"},
                     {RULE_DEST_USER, "bob"}});
    EXPECT_EQ("allow_web;\"nat out\";fwd;;alice;bob\n",
              RenderLine({"rule", "satsrcrule", "satdestrule", "username", "srcusername", "destusername"}, entry,
                         Delimited(';')));
}

TEST(Columns, NumbersWithoutValueMarkers)
{
    CEntryBuilder absent;
    absent.LogId(0xFFFFFFFFu).AlgSessionId(0).Event("ev");
    EXPECT_EQ("event=ev\n", RenderLine({"id", "severity", "algsessionid", "event"}, absent));
    CEntryBuilder present;
    present.LogId(42).Severity(0).AlgSessionId(7);
    EXPECT_EQ("id=42 severity=0 algsesid=7\n", RenderLine({"id", "severity", "algsessionid"}, present));
}

TEST(Columns, TextsBoundedByTheirElements)
{
    // An ALG module name without a terminator ends with its element.
    CEntryBuilder alg;
    alg.Element(TAG_ALG_MOD_NAME, Bytes{'h', 't', 't', 'p'}).Event("ev");
    EXPECT_EQ("algmod=http event=ev\n", RenderLine({"algmodname", "event"}, alg));
    // The category is cut to 1023 characters; other counted texts are not.
    CEntryBuilder longTexts;
    longTexts.Category(std::string(2000, 'c')).Explanation(std::string(2000, 'e'));
    EXPECT_EQ(std::string(1023, 'c') + ";" + std::string(2000, 'e') + "\n",
              RenderLine({"category", "explanation"}, longTexts, Delimited(';')));
}

TEST(Columns, GatewayNameAsPassed)
{
    CEntryBuilder entry;
    entry.Event("ev");
    EXPECT_EQ("firewall=GW1 vantgard=GW1 event=ev\n",
              RenderLine({"firewall", "vantgard", "event"}, entry, COutputSettings(), "GW1"));
    // A file source has no gateway name.
    EXPECT_EQ("event=ev\n", RenderLine({"vantgard", "event"}, entry, COutputSettings(), ""));
    EXPECT_EQ(";ev\n", RenderLine({"vantgard", "event"}, entry, Delimited(';'), ""));
}

TEST(Columns, LocalDatesAndTimes)
{
    CEntryBuilder entry;
    entry.DevTime(1136073600);  // 2006-01-01 00:00:00 UTC
    {
        CTimeZoneScope zone("UTC0");
        EXPECT_EQ("date=2006-06-01 time=12:34:56 devdate=2006-01-01 devtime=00:00:00\n",
                  RenderLine({"date", "time", "devdate", "devtime"}, entry));
    }
    {
        CTimeZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
        EXPECT_EQ("date=2006-06-01 time=14:34:56 devdate=2006-01-01 devtime=01:00:00\n",
                  RenderLine({"date", "time", "devdate", "devtime"}, entry));
    }
    // An entry time before 1970 is no valid time; the device time always has one.
    CTimeZoneScope zone("UTC0");
    EXPECT_EQ("devdate=1970-01-01\n",
              RenderLine({"date", "time", "devdate"}, CEntryBuilder(), COutputSettings(), "gw1", 5));
}

TEST(Columns, StandardOnBareEntryAndNamesWithoutValue)
{
    CTimeZoneScope zone("UTC0");
    CEntryBuilder entry;
    entry.Event("ev");
    EXPECT_EQ("2006-06-01;12:34:56;gw1;;;ev;;;;;;;;;\n", RenderLine(kStandard, entry, Delimited(';')));

    CRouteSpec route;
    route.m_nGatewayIp = Ip("10.0.0.254");
    CEntryBuilder routed;
    routed.Route(route).DynRouting(CDynRoutingSpec()).Ospf(1, 2).Event("ev");
    const std::vector<std::string> kNoValue = {
        "routegw",         "routerange",        "routeiface",         "routemetric",
        "dynroutingevent", "dynroutingsrcproc", "dynroutingdestproc", "ospflogsection",
        "ospfloglevel",    "icmpsrcport",       "icmpdestport"};
    EXPECT_EQ("", RenderLine(kNoValue, routed));
    EXPECT_EQ(std::string(kNoValue.size() - 1, '#') + "\n", RenderLine(kNoValue, routed, Delimited('#')));
}
