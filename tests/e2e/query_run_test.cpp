// The query run through the real binary: readers merged in time order
// across gateways, ranges and file sources, text and binary output, and what
// happens when the consumer of standard output goes away.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/entry_builder.h"
#include "testing/log_db_writer.h"
#include "tests/common/binary_stream.h"
#include "tests/common/process_runner.h"
#include "tests/common/temp_dir.h"

using namespace testdata;

namespace {

const char* const kJune = "times 2006-06-01 to 2006-06-03";

LogTime June1(int nHour, int nMinute = 0, int nSecond = 0)
{
    return LogTimeFromUtc(2006, 6, 1, nHour, nMinute, nSecond);
}

std::vector<uint8_t> EventBody(const std::string& strEvent)
{
    CEntryBuilder builder;
    builder.Event(strEvent);
    return builder.Body();
}

std::string AsString(const std::vector<uint8_t>& aBytes)
{
    return std::string(aBytes.begin(), aBytes.end());
}

// A root directory with a configuration of gw1 and gw2 (in that order) and
// a database written by the test.
class QueryRun : public ::testing::Test {
protected:
    void SetUp() override { WriteConfig({"gw1", "gw2"}); }

    void WriteConfig(const std::vector<std::string>& aGateways)
    {
        CConfigWriter config;
        for (size_t i = 0; i < aGateways.size(); ++i)
            config.AddGateway(aGateways[i], "10.0.0." + std::to_string(i + 1));
        ASSERT_TRUE(m_db.WriteConfig(config));
    }

    // Writes the entries added so far, each gateway's in its own files.
    void WriteEntries(ECompression eCompression)
    {
        CLogDatabase::CLayout layout;
        layout.m_eCompression = eCompression;
        ASSERT_TRUE(m_db.WriteEntries(layout));
    }

    // gw1 in plain files over two days, gw2 compressed; 12:00 holds one
    // entry of each.
    void WriteTwoGateways()
    {
        m_db.AddEntry("gw1", June1(10), EventBody("a1"));
        m_db.AddEntry("gw1", June1(12), EventBody("a3"));
        m_db.AddEntry("gw1", LogTimeFromUtc(2006, 6, 2, 8), EventBody("a5"));
        WriteEntries(ECompression::kPlain);
        m_db.AddEntry("gw2", June1(11), EventBody("b2"));
        m_db.AddEntry("gw2", June1(12), EventBody("b3"));
        m_db.AddEntry("gw2", June1(13), EventBody("b4"));
        WriteEntries(ECompression::kGzip);
    }

    ProcessResult Run(const std::vector<std::string>& aOptions, const std::string& strStatement,
                      const ProcessOptions& options = ProcessOptions())
    {
        std::vector<std::string> aArgs = {"-r", m_dir.Path()};
        aArgs.insert(aArgs.end(), aOptions.begin(), aOptions.end());
        aArgs.push_back(strStatement);
        return RunSarnith(aArgs, options);
    }

    // A run that must succeed without any message.
    std::string Output(const std::vector<std::string>& aOptions, const std::string& strStatement)
    {
        ProcessResult result = Run(aOptions, strStatement);
        EXPECT_EQ(0, result.nExitCode) << strStatement;
        EXPECT_EQ("", result.strStderr) << strStatement;
        return result.strStdout;
    }

    CTempDir m_dir;
    CLogDatabase m_db{m_dir.Path()};
};

}  // namespace

TEST_F(QueryRun, GatewaysMergedByTimeTiesToTheGatewayNamedFirst)
{
    WriteTwoGateways();
    EXPECT_EQ("event;vantgard\na1;gw1\nb2;gw2\na3;gw1\nb3;gw2\nb4;gw2\na5;gw1\n",
              Output({"-d", ";"}, std::string("select event, vantgard from gw1, gw2 ") + kJune));
    // Named the other way round, and in other letter case: the folders are
    // found, the names are shown as written.
    EXPECT_EQ("event;vantgard\na1;gw1\nb2;GW2\nb3;GW2\na3;gw1\nb4;GW2\na5;gw1\n",
              Output({"-d", ";"}, std::string("select event, vantgard from GW2 gw1 ") + kJune));
    // ALL reads the gateways in configuration order.
    EXPECT_EQ("event;vantgard\na1;gw1\nb2;gw2\na3;gw1\nb3;gw2\nb4;gw2\na5;gw1\n",
              Output({"-d", ";"}, std::string("select event, vantgard from all ") + kJune));
}

TEST_F(QueryRun, RangeEdgesAndSeveralRanges)
{
    m_db.AddEntry("gw1", June1(9, 59, 59), EventBody("before"));
    m_db.AddEntry("gw1", June1(10), EventBody("start"));
    m_db.AddEntry("gw1", June1(11), EventBody("inside"));
    m_db.AddEntry("gw1", June1(12), EventBody("end"));
    m_db.AddEntry("gw1", June1(12, 0, 1), EventBody("after"));
    WriteEntries(ECompression::kGzip);
    EXPECT_EQ("event=start\nevent=inside\nevent=end\n",
              Output({}, "select event from gw1 times 2006-06-01 10:00:00 to 2006-06-01 12:00:00"));
    // Two ranges of the same gateway: two readers, merged by time.
    EXPECT_EQ("event=before\nevent=start\nevent=end\nevent=after\n",
              Output({},
                     "select event from gw1 times 2006-06-01 12:00:00 to 2006-06-01 13:00 "
                     "and gw1 times 2006-06-01 09:00 to 2006-06-01 10:00:00"));
    // A gateway without files in the range: no entries, no message.
    EXPECT_EQ("", Output({}, "select event from gw2 times 2006-06-01 to 2006-06-03"));
}

TEST_F(QueryRun, AllWithoutConfiguredGateways)
{
    WriteConfig({});
    EXPECT_EQ("event\n", Output({"-d", ";"}, std::string("select event from all ") + kJune));
    EXPECT_EQ(kStreamHeader + EntryHeader(0, 0, 0), Output({}, std::string("select binary from all ") + kJune));
}

TEST_F(QueryRun, FileSourceMergedWithGatewayUnderEmptyName)
{
    m_db.AddEntry("gw1", June1(10), EventBody("a1"));
    m_db.AddEntry("gw1", June1(12), EventBody("a2"));
    WriteEntries(ECompression::kPlain);
    CDailyFile file;
    file.AddEntry(June1(10, 30), EventBody("f1")).AddEntry(June1(12), EventBody("f2")).AddEndMarker();
    std::string strPath = m_dir / "extra/single.gz";
    ASSERT_TRUE(file.Write(strPath, ECompression::kGzip));

    EXPECT_EQ("event;vantgard\na1;gw1\nf1;\na2;gw1\nf2;\n",
              Output({"-d", ";"}, "select event vantgard from gw1, file '" + strPath + "' " + kJune));
    EXPECT_EQ("event=a1 vantgard=gw1\nevent=f1\nevent=f2\nevent=a2 vantgard=gw1\n",
              Output({}, "select event vantgard from file '" + strPath + "' gw1 " + kJune));
}

TEST_F(QueryRun, MalformedEntriesDoNotStopTheRunButAreCounted)
{
    CEntryBuilder zeroLength;
    zeroLength.Event("partial").RawBytes({'C', 0, 0, 0, 'x'});
    CEntryBuilder overlong;
    overlong.ElementWithLength('e', 400, Bytes(12, 'z'));
    CEntryBuilder garbage;
    garbage.RawBytes(Bytes(40, 0xFF));
    m_db.AddEntry("gw1", June1(10), EventBody("ok1"));
    m_db.AddEntry("gw1", June1(10, 1), zeroLength.Body());
    m_db.AddEntry("gw1", June1(10, 2), overlong.Body());
    m_db.AddEntry("gw1", June1(10, 3), garbage.Body());
    m_db.AddEntry("gw1", June1(10, 4), EventBody("ok2"));
    WriteEntries(ECompression::kPlain);
    const std::string strWarning = "Warning: 3 entries could not be decoded\n";
    ProcessResult labelled = Run({}, std::string("select event from gw1 ") + kJune);
    EXPECT_EQ("event=ok1\nevent=partial\nevent=ok2\n", labelled.strStdout);
    EXPECT_EQ(strWarning, labelled.strStderr);
    EXPECT_EQ(2, labelled.nExitCode);
    ProcessResult delimited = Run({"-d", ";"}, std::string("select event category from gw1 ") + kJune);
    EXPECT_EQ("event;category\nok1;\npartial;\n;\n;\nok2;\n", delimited.strStdout);
    EXPECT_EQ(strWarning, delimited.strStderr);
    EXPECT_EQ(2, delimited.nExitCode);
    // Entries the filter passes over still count.
    ProcessResult filtered = Run({}, std::string("select event from gw1 ") + kJune + " where event = ok2");
    EXPECT_EQ("event=ok2\n", filtered.strStdout);
    EXPECT_EQ(strWarning, filtered.strStderr);
    EXPECT_EQ(2, filtered.nExitCode);
}

TEST_F(QueryRun, BinaryOutputByteForByte)
{
    CEntryBuilder first;
    first.Event(std::string(25, 'e'));  // 4 + 26 = 30 bytes
    CEntryBuilder second;
    second.Category(std::string(45, 'c'));  // 4 + 46 = 50 bytes
    ASSERT_EQ(30, first.Length());
    ASSERT_EQ(50, second.Length());
    const LogTime nSecondTime = June1(11) + 1234567;  // with a part below the second
    m_db.AddEntry("gw1", June1(10), first.Body());
    m_db.AddEntry("gw1", nSecondTime, second.Body());
    WriteEntries(ECompression::kGzip);

    // The delimiter does not matter to binary output.
    EXPECT_EQ(kStreamHeader + EntryHeader(30, 0, June1(10)) + AsString(first.Body()) +
                  EntryHeader(50, 30, nSecondTime) + AsString(second.Body()) + EntryHeader(0, 50, 0),
              Output({"-d", ";"}, std::string("select BiNaRy from gw1 ") + kJune));
    // Nothing selected: the stream header and the end marker, 36 bytes.
    std::string strEmpty = Output({}, "select binary from gw1 times 2007-01-01 to 2007-01-02");
    EXPECT_EQ(36u, strEmpty.size());
    EXPECT_EQ(kStreamHeader + EntryHeader(0, 0, 0), strEmpty);
}

TEST_F(QueryRun, BinaryOutputReadsBackAsAFile)
{
    WriteTwoGateways();
    std::string strPath = m_dir / "merged.osl";
    ASSERT_TRUE(
        WriteFileBytes(strPath, Output({}, std::string("select binary from all ") + kJune), ECompression::kPlain));
    EXPECT_EQ("event;vantgard\na1;\nb2;\na3;\nb3;\nb4;\na5;\n",
              Output({"-d", ";"}, "select event vantgard from file '" + strPath + "' " + kJune));
}

TEST_F(QueryRun, DelimiterOptionsAndAddressFormat)
{
    WriteTwoGateways();
    EXPECT_EQ("event,vantgard,\na1,gw1,\na3,gw1,\na5,gw1,\n",
              Output({"-d", ",", "-a"}, std::string("select event, vantgard from gw1 ") + kJune));
    EXPECT_EQ("event;vantgard#\na1;gw1#\na3;gw1#\na5;gw1#\n",
              Output({"-d", ";", "-a", "#"}, std::string("select event, vantgard from gw1 ") + kJune));
    // TAB: the empty first cell of every row keeps its place.
    EXPECT_EQ("category\tevent\n\ta1\n\ta3\n\ta5\n",
              Output({"-d", "\\t"}, std::string("select category, event from gw1 ") + kJune));
}

namespace {

// One entry of every column family, a minute apart from 10:00 on.
void AddFamilies(CLogDatabase& db)
{
    CIpv4Spec tcpIp;
    tcpIp.m_nSrcIp = Ip("10.0.0.1");
    tcpIp.m_nDestIp = Ip("10.0.0.2");
    CTcpSpec tcp;
    tcp.m_nSrcPort = 1025;
    tcp.m_nDestPort = 80;
    CEntryBuilder tcpEntry;
    tcpEntry.Category("Firewall")
        .LogId(7)
        .Event("tcp")
        .Action("Allow")
        .RecvIf("lan")
        .Explanation("Allowed by rule")
        .Params("a=b; c")
        .EthernetPacket(EthernetFrame(TcpPacket(tcpIp, tcp)));

    CIpv4Spec udpIp;
    udpIp.m_nSrcIp = Ip("10.0.0.3");
    udpIp.m_nDestIp = Ip("10.0.0.4");
    udpIp.m_nProtocol = IPPROTO_NUM_UDP;
    CEntryBuilder udpEntry;
    udpEntry.Event("udp").Packet(UdpPacket(udpIp, 53, 5353));

    CIpv4Spec outer;
    outer.m_nSrcIp = Ip("10.9.9.9");
    outer.m_nDestIp = Ip("172.16.0.5");
    CIpv4Spec quoted;
    quoted.m_nSrcIp = Ip("172.16.0.5");
    quoted.m_nDestIp = Ip("8.8.8.8");
    CEntryBuilder icmpEntry;
    icmpEntry.Event("icmp").Packet(IcmpError(outer, 3, 1, Head(TcpPacket(quoted, CTcpSpec()), 28)));

    CEntryBuilder arpEntry;
    arpEntry.Event("arp").EthernetPacket(EthernetFrame(
        ArpPacket(1, Mac("02:00:00:00:00:01"), Ip("192.168.0.1"), Mac("02:00:00:00:00:02"), Ip("192.168.0.2")),
        ETHER_TYPE_ARP));

    CConnSpec conn;
    conn.m_nEvent = CONN_CLOSED;
    conn.m_nSrcIp = Ip("10.1.1.1");
    conn.m_nDestIp = Ip("10.2.2.2");
    conn.m_nProtocol = IPPROTO_NUM_UDP;
    conn.m_nSrcPort = 5000;
    conn.m_nDestPort = 53;
    conn.m_nOrigSent = 1000;
    CEntryBuilder connEntry;
    connEntry.Event("conn").Conn(conn);

    CAuthSpec auth;
    auth.m_strUser = "alice";
    auth.m_nAddr = Ip("10.1.2.3");
    CEntryBuilder authEntry;
    authEntry.Event("auth").Auth(auth);

    CRouteSpec route;
    route.m_nGatewayIp = Ip("10.0.0.254");
    CEntryBuilder routeEntry;
    routeEntry.Event("route").Route(route);

    CUsageSpec usage;
    usage.m_nInterval = 8;
    usage.m_nFirstBytes = 1000;
    CEntryBuilder usageEntry;
    usageEntry.Event("usage").Usage(usage).ConnUsage(1, 5, 9);

    const CEntryBuilder* apEntries[] = {&tcpEntry,  &udpEntry,  &icmpEntry,  &arpEntry,
                                        &connEntry, &authEntry, &routeEntry, &usageEntry};
    for (int i = 0; i < 8; ++i)
        db.AddEntry("gw1", June1(10, i), apEntries[i]->Body());
}

}  // namespace

TEST_F(QueryRun, ColumnFamilies)
{
    AddFamilies(m_db);
    WriteEntries(ECompression::kGzip);
    EXPECT_EQ(
        "date;time;vantgard;category;id;event;action;recvif;srcip;srcport;destip;destport;ipproto;explanation;"
        "description;fin;syn;rst;psh;ack;urg;ece;cwr\n"
        "2006-06-01;10:00:00;gw1;Firewall;7;tcp;Allow;lan;10.0.0.1;1025;10.0.0.2;80;6(TCP);"
        "\"Allowed by rule\";\"a=b, c\";0;1;0;0;0;0;0;0\n"
        "2006-06-01;10:01:00;gw1;;;udp;;;10.0.0.3;53;10.0.0.4;5353;17(UDP);;;;;;;;;;\n"
        "2006-06-01;10:02:00;gw1;;;icmp;;;10.9.9.9;;172.16.0.5;;1(ICMP);;;;;;;;;;\n"
        "2006-06-01;10:03:00;gw1;;;arp;;;192.168.0.1;;192.168.0.2;;;;;;;;;;;;\n"
        "2006-06-01;10:04:00;gw1;;;conn;;lan;10.1.1.1;5000;10.2.2.2;53;17(UDP);;;;;;;;;;\n"
        "2006-06-01;10:05:00;gw1;;;auth;;;10.1.2.3;;;;;;;;;;;;;;\n"
        "2006-06-01;10:06:00;gw1;;;route;;;;;;;;;;;;;;;;;\n"
        "2006-06-01;10:07:00;gw1;;;usage;;;;;;;;;;;;;;;;;\n",
        Output({"-d", ";"}, std::string("select standard, tcpflags from gw1 ") + kJune));

    EXPECT_EQ("srcip=010.000.000.001 event=tcp\n",
              Output({"-i", "f"}, std::string("select srcip event from gw1 ") + kJune + " where destport = 80"));
}

TEST_F(QueryRun, LocalTimesFollowTheTimeZone)
{
    m_db.AddEntry("gw1", June1(10), EventBody("summer"));
    m_db.AddEntry("gw1", LogTimeFromUtc(2006, 12, 1, 10), EventBody("winter"));
    WriteEntries(ECompression::kPlain);
    ProcessOptions options;
    options.aEnvironment.push_back("TZ=CET-1CEST,M3.5.0,M10.5.0/3");
    ProcessResult result = Run({"-d", ";"}, "select date time event from gw1 times 2006-06-01 to 2007-01-01", options);
    EXPECT_EQ(0, result.nExitCode);
    EXPECT_EQ("date;time;event\n2006-06-01;12:00:00;summer\n2006-12-01;11:00:00;winter\n", result.strStdout);
}

namespace {

// Runs sarnith through bash with its standard output piped or redirected as
// strShellTail says; the shell prints sarnith's exit status after it.
ProcessResult RunThroughShell(const std::string& strRoot, const std::string& strStatement,
                              const std::string& strShellTail)
{
    ProcessOptions options;
    options.aEnvironment.push_back("TZ=UTC");
    options.nTimeoutSeconds = 30;
    return RunProcess("/bin/bash",
                      {"-c", "\"$0\" -r \"$1\" \"$2\" " + strShellTail + "; echo \"status=${PIPESTATUS[0]}\"",
                       SARNITH_BINARY, strRoot, strStatement},
                      options);
}

}  // namespace

TEST_F(QueryRun, ClosedPipeEndsTheRunQuietly)
{
    // Far more output than a pipe holds.
    for (int i = 0; i < 40000; ++i)
        m_db.AddEntry("gw1", June1(10) + static_cast<LogTime>(i) * 10000000, EventBody("entry" + std::to_string(i)));
    WriteEntries(ECompression::kPlain);
    ProcessResult result = RunThroughShell(m_dir.Path(), std::string("select event from gw1 ") + kJune, "| head -1");
    EXPECT_EQ(0, result.nExitCode);
    EXPECT_EQ("event=entry0\nstatus=0\n", result.strStdout);
    EXPECT_EQ("", result.strStderr);
}

TEST_F(QueryRun, FailedOutputIsNotASuccess)
{
    WriteTwoGateways();
    ProcessResult result = RunThroughShell(m_dir.Path(), std::string("select event from all ") + kJune, "> /dev/full");
    EXPECT_EQ("status=1\n", result.strStdout);
    EXPECT_NE("", result.strStderr);
}
