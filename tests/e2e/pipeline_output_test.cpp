// The pipeline layouts through the real binary: --json and --csv read back
// by Python's json and csv modules, on the example database, on generated
// databases and on entries with hostile texts; a round trip against the
// labelled layout; and the command-line rules of the two options.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "testing/entry_builder.h"
#include "testing/log_db_writer.h"
#include "testing/traffic.h"
#include "tests/common/process_runner.h"
#include "tests/common/temp_dir.h"

using namespace testdata;

namespace {

// Every single output field (the output types stand for lists of these).
const std::vector<std::string> kEveryField = {"ack",
                                              "action",
                                              "algmodname",
                                              "algsessionid",
                                              "arp",
                                              "arphwdest",
                                              "arphwsrc",
                                              "authagent",
                                              "authevent",
                                              "authrule",
                                              "category",
                                              "conn",
                                              "connusage",
                                              "cwr",
                                              "date",
                                              "description",
                                              "destusername",
                                              "destiface",
                                              "destip",
                                              "destport",
                                              "devdate",
                                              "devtime",
                                              "dynroutingdestproc",
                                              "dynroutingevent",
                                              "dynroutingsrcproc",
                                              "ece",
                                              "enetproto",
                                              "event",
                                              "explanation",
                                              "fin",
                                              "firewall",
                                              "hwdest",
                                              "hwsrc",
                                              "icmpdestip",
                                              "icmpdestport",
                                              "icmpipproto",
                                              "icmpsrcip",
                                              "icmpsrcport",
                                              "icmptype",
                                              "id",
                                              "ipdatalen",
                                              "iphdrlen",
                                              "ipproto",
                                              "iptotlen",
                                              "origsent",
                                              "ospfloglevel",
                                              "ospflogsection",
                                              "params",
                                              "psh",
                                              "recvif",
                                              "routegw",
                                              "routeiface",
                                              "routemetric",
                                              "routerange",
                                              "rst",
                                              "rule",
                                              "satdestrule",
                                              "satsrcrule",
                                              "vantgard",
                                              "severity",
                                              "srcip",
                                              "srcport",
                                              "srcusername",
                                              "syn",
                                              "tcpdatalen",
                                              "tcphdrlen",
                                              "tcptotlen",
                                              "termsent",
                                              "time",
                                              "ttl",
                                              "udpdatalen",
                                              "udptotlen",
                                              "urg",
                                              "usage",
                                              "username"};

const char* const kJune1 = " from gw1 times 2006-06-01 to 2006-06-02";

std::string Select(const std::vector<std::string>& aFields)
{
    std::string strStatement = "select";
    for (size_t i = 0; i < aFields.size(); ++i)
        strStatement += (i == 0 ? " " : ", ") + aFields[i];
    return strStatement;
}

LogTime June1(int nHour, int nMinute = 0, int nSecond = 0)
{
    return LogTimeFromUtc(2006, 6, 1, nHour, nMinute, nSecond);
}

CIpv4Spec IpSpec(const char* pszSrc, const char* pszDest)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip(pszSrc);
    ip.m_nDestIp = Ip(pszDest);
    return ip;
}

std::string Hex(const std::string& strBytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string strHex;
    for (char ch : strBytes) {
        unsigned nByte = static_cast<unsigned char>(ch);
        strHex += kDigits[nByte >> 4];
        strHex += kDigits[nByte & 0x0F];
    }
    return strHex;
}

// Every file under a folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& strRoot)
{
    std::map<std::string, std::string> aFiles;
    for (const auto& item : std::filesystem::recursive_directory_iterator(strRoot))
        if (item.is_regular_file())
            aFiles[item.path().string()] = ReadWholeFile(item.path().string());
    return aFiles;
}

// A root directory with gw1 configured and the test's entries.
class PipelineOptions : public ::testing::Test {
protected:
    void SetUp() override
    {
        CConfigWriter config;
        config.AddGateway("gw1", "10.0.0.1");
        ASSERT_TRUE(m_db.WriteConfig(config));
    }

    ProcessResult Run(const std::vector<std::string>& aOptions, const std::string& strStatement,
                      const std::string& strRoot = "")
    {
        std::vector<std::string> aArgs = {"-r", strRoot.empty() ? m_dir.Path() : strRoot};
        aArgs.insert(aArgs.end(), aOptions.begin(), aOptions.end());
        aArgs.push_back(strStatement);
        return RunSarnith(aArgs);
    }

    // A run that must succeed without any message.
    std::string Export(const std::vector<std::string>& aOptions, const std::string& strStatement,
                       const std::string& strRoot = "")
    {
        ProcessResult result = Run(aOptions, strStatement, strRoot);
        EXPECT_EQ(0, result.nExitCode) << strStatement;
        EXPECT_EQ("", result.strStderr) << strStatement;
        return result.strStdout;
    }

    void AddEntry(LogTime nTime, const CEntryBuilder& builder) { m_db.AddEntry("gw1", nTime, builder.Body()); }

    CTempDir m_dir;
    CLogDatabase m_db{m_dir.Path()};
};

// The same, with the Python reader of the exports.
class PipelineOutput : public PipelineOptions {
protected:
    void SetUp() override
    {
        if (std::string(SARNITH_PYTHON).empty())
            GTEST_SKIP() << "no Python interpreter";
        PipelineOptions::SetUp();
    }

    // What the Python reader prints; it must accept its input.
    static std::string Reader(const std::vector<std::string>& aArgs, const std::string& strStdin = "")
    {
        ProcessOptions options;
        options.strStdin = strStdin;
        std::vector<std::string> aAll = {SARNITH_EXPORT_READER};
        aAll.insert(aAll.end(), aArgs.begin(), aArgs.end());
        ProcessResult result = RunProcess(SARNITH_PYTHON, aAll, options);
        EXPECT_EQ(0, result.nExitCode) << result.strStderr;
        EXPECT_EQ("", result.strStderr);
        return result.strStdout;
    }

    // Writes the export of a statement in the layout an option chooses to
    // a file of the test folder; returns its path.
    std::string ExportFile(const std::vector<std::string>& aOptions, const char* pszLayoutOption,
                           const std::string& strStatement, const std::string& strRoot = "")
    {
        std::vector<std::string> aLayoutOptions = aOptions;
        if (pszLayoutOption != nullptr)
            aLayoutOptions.push_back(pszLayoutOption);
        std::string strPath = m_dir / ("export" + std::to_string(++m_nExports));
        WriteWholeFile(strPath, Export(aLayoutOptions, strStatement, strRoot));
        return strPath;
    }

    // The labelled, CSV and JSON exports of one statement compared by the
    // reader; returns its verdict.
    std::string RoundTrip(const std::vector<std::string>& aOptions, const std::string& strStatement,
                          const std::string& strRoot = "")
    {
        return Reader({"compare", ExportFile(aOptions, nullptr, strStatement, strRoot),
                       ExportFile(aOptions, "--csv", strStatement, strRoot),
                       ExportFile(aOptions, "--json", strStatement, strRoot)});
    }

    int m_nExports = 0;
};

// One entry of each kind, together giving every column a value.
void AddEveryKind(CLogDatabase& db)
{
    CTcpSpec tcp;
    tcp.m_nSrcPort = 1025;
    tcp.m_nDestPort = 80;
    tcp.m_nFlags = TCP_FLAG_SYN | TCP_FLAG_ACK | TCP_FLAG_PSH;
    CEntryBuilder drop;
    drop.Category("RULE")
        .LogId(1001)
        .Event("rule_drop")
        .Action("drop")
        .Explanation("no service")
        .Params("a=1")
        .RecvIf("wan")
        .Severity(4)
        .DevTime(1149157800)
        .AlgModName("http")
        .AlgSessionId(77)
        .RuleNames({{RULE_NAME, "default-drop"},
                    {RULE_SAT_SRC, "nat-out"},
                    {RULE_SAT_DEST, "fwd"},
                    {RULE_SRC_USER, "alice"},
                    {RULE_DEST_USER, "bob"}})
        .EthernetPacket(EthernetFrame(TcpPacket(IpSpec("10.0.0.1", "10.0.0.2"), tcp, Bytes(10, 'x'))));
    db.AddEntry("gw1", June1(10) + 5000000, drop.Body());

    CEntryBuilder udp;
    udp.Packet(UdpPacket(IpSpec("10.0.0.3", "10.0.0.4"), 53, 5353, Bytes(4, 'u')));
    db.AddEntry("gw1", June1(10, 0, 1), udp.Body());

    CEntryBuilder icmp;
    Bytes quoted = Head(TcpPacket(IpSpec("172.16.0.5", "8.8.8.8"), CTcpSpec()), 28);
    icmp.Packet(IcmpError(IpSpec("10.9.9.9", "172.16.0.5"), 3, 1, quoted));
    db.AddEntry("gw1", June1(10, 0, 2), icmp.Body());

    CEntryBuilder arp;
    arp.EthernetPacket(EthernetFrame(
        ArpPacket(1, Mac("02:00:00:00:00:01"), Ip("192.168.0.1"), Mac("02:00:00:00:00:02"), Ip("192.168.0.2")),
        ETHER_TYPE_ARP));
    db.AddEntry("gw1", June1(10, 0, 3), arp.Body());

    CConnSpec conn;
    conn.m_nEvent = CONN_CLOSED;
    conn.m_nSrcIp = Ip("10.1.1.1");
    conn.m_nDestIp = Ip("10.2.2.2");
    conn.m_nSrcPort = 40000;
    conn.m_nDestPort = 443;
    conn.m_nOrigSent = 1000;
    conn.m_nTermSent = 2048;
    CUsageSpec lan;
    lan.m_nInterval = 8;
    lan.m_nFirstBytes = 1000;
    lan.m_nSecondBytes = 500;
    CEntryBuilder usage;
    usage.Conn(conn).Usage(lan).ConnUsage(1, 5, 9);
    db.AddEntry("gw1", June1(10, 0, 4), usage.Body());

    CAuthSpec auth;
    auth.m_strUser = "carol";
    auth.m_nAddr = Ip("10.0.0.9");
    CEntryBuilder login;
    login.Auth(auth);
    db.AddEntry("gw1", June1(10, 0, 5), login.Body());
}

}  // namespace

TEST_F(PipelineOutput, EveryFieldTypedInJson)
{
    AddEveryKind(m_db);
    ASSERT_TRUE(m_db.WriteEntries());
    // As Python reads them: strings quoted, numbers bare, flags True or False.
    EXPECT_EQ(
        "{'timestamp': '2006-06-01T10:00:00.500000+00:00', 'gateway': 'gw1', 'ack': True,"
        " 'action': 'drop', 'algmodname': 'http', 'algsessionid': 77, 'category': 'RULE', 'cwr': False,"
        " 'date': '2006-06-01', 'description': 'a=1', 'destusername': 'bob', 'destip': '10.0.0.2',"
        " 'destport': 80, 'devdate': '2006-06-01', 'devtime': '10:30:00', 'ece': False, 'enetproto': 2048,"
        " 'event': 'rule_drop', 'explanation': 'no service', 'fin': False, 'firewall': 'gw1',"
        " 'destenet': '0000:5e00:5302', 'hwsrc': '0000:5e00:5301', 'id': 1001, 'ipdatalen': 30,"
        " 'iphdrlen': 20, 'ipproto': 6, 'iptotallen': 50, 'psh': True, 'recvif': 'wan', 'rst': False,"
        " 'rule': 'default-drop', 'satdestrule': 'fwd', 'satsrcrule': 'nat-out', 'vantgard': 'gw1',"
        " 'severity': 4, 'srcip': '10.0.0.1', 'srcport': 1025, 'srcusername': 'alice', 'syn': True,"
        " 'tcpdatalen': 10, 'tcphdrlen': 20, 'tcptotallen': 30, 'time': '10:00:00', 'ttl': 64,"
        " 'urg': False}\n"
        "{'timestamp': '2006-06-01T10:00:01.000000+00:00', 'gateway': 'gw1', 'date': '2006-06-01',"
        " 'destip': '10.0.0.4', 'destport': 5353, 'devdate': '1970-01-01', 'devtime': '00:00:00',"
        " 'firewall': 'gw1', 'ipdatalen': 12, 'iphdrlen': 20, 'ipproto': 17, 'iptotallen': 32,"
        " 'vantgard': 'gw1', 'srcip': '10.0.0.3', 'srcport': 53, 'time': '10:00:01', 'ttl': 64,"
        " 'udpdatalen': 4, 'udptotlen': 12}\n"
        "{'timestamp': '2006-06-01T10:00:02.000000+00:00', 'gateway': 'gw1', 'date': '2006-06-01',"
        " 'destip': '172.16.0.5', 'devdate': '1970-01-01', 'devtime': '00:00:00', 'firewall': 'gw1',"
        " 'icmpdestip': '8.8.8.8', 'icmpipproto': 6, 'icmpsrcip': '172.16.0.5',"
        " 'icmptype': 'DEST_UNREACH', 'ipdatalen': 36, 'iphdrlen': 20, 'ipproto': 1, 'iptotallen': 56,"
        " 'vantgard': 'gw1', 'srcip': '10.9.9.9', 'time': '10:00:02', 'ttl': 64}\n"
        "{'timestamp': '2006-06-01T10:00:03.000000+00:00', 'gateway': 'gw1', 'arp': 'request',"
        " 'arphwdest': '0200:0000:0002', 'arphwsrc': '0200:0000:0001', 'date': '2006-06-01',"
        " 'destip': '192.168.0.2', 'devdate': '1970-01-01', 'devtime': '00:00:00', 'enetproto': 2054,"
        " 'firewall': 'gw1', 'destenet': '0000:5e00:5302', 'hwsrc': '0000:5e00:5301', 'vantgard': 'gw1',"
        " 'srcip': '192.168.0.1', 'time': '10:00:03'}\n"
        "{'timestamp': '2006-06-01T10:00:04.000000+00:00', 'gateway': 'gw1', 'conn': 'closed',"
        " 'connusage': {'maxconns': 9, 'curconns': 5, 'minconns': 1}, 'date': '2006-06-01',"
        " 'destiface': 'wan', 'destip': '10.2.2.2', 'destport': 443, 'devdate': '1970-01-01',"
        " 'devtime': '00:00:00', 'firewall': 'gw1', 'ipproto': 6, 'origsent': 1000, 'recvif': 'lan',"
        " 'vantgard': 'gw1', 'srcip': '10.1.1.1', 'srcport': 40000, 'termsent': 2048, 'time': '10:00:04',"
        " 'usage': [{'iface': 'lan', 'interval': 8, 'throughput': 1.5}]}\n"
        "{'timestamp': '2006-06-01T10:00:05.000000+00:00', 'gateway': 'gw1', 'authagent': 'agent',"
        " 'authevent': 'login', 'authrule': 'authrule', 'date': '2006-06-01', 'devdate': '1970-01-01',"
        " 'devtime': '00:00:00', 'firewall': 'gw1', 'vantgard': 'gw1', 'srcip': '10.0.0.9',"
        " 'time': '10:00:05', 'username': 'carol'}\n",
        Reader({"json"}, Export({"--json"}, Select(kEveryField) + kJune1)));
}

TEST_F(PipelineOutput, EveryFieldUnchangedInCsv)
{
    AddEveryKind(m_db);
    ASSERT_TRUE(m_db.WriteEntries());
    // The header, then each record's fields, as many as the header has.
    EXPECT_EQ(
        "['ack', 'action', 'algmodname', 'algsessionid', 'arp', 'arphwdest', 'arphwsrc', 'authagent',"
        " 'authevent', 'authrule', 'category', 'conn', 'maxconns', 'curconns', 'minconns', 'cwr', 'date',"
        " 'description', 'destusername', 'destiface', 'destip', 'destport', 'devdate', 'devtime',"
        " 'dynroutingdestproc', 'dynroutingevent', 'dynroutingsrcproc', 'ece', 'enetproto', 'event',"
        " 'explanation', 'fin', 'firewall', 'destenet', 'hwsrc', 'icmpdestip', 'icmpdestport',"
        " 'icmpipproto', 'icmpsrcip', 'icmpsrcport', 'icmptype', 'id', 'ipdatalen', 'iphdrlen', 'ipproto',"
        " 'iptotallen', 'origsent', 'ospfloglevel', 'ospflogsection', 'description', 'psh', 'recvif',"
        " 'routegw', 'routeiface', 'routemetric', 'routerange', 'rst', 'rule', 'satdestrule',"
        " 'satsrcrule', 'vantgard', 'severity', 'srcip', 'srcport', 'srcusername', 'syn', 'tcpdatalen',"
        " 'tcphdrlen', 'tcptotallen', 'termsent', 'time', 'ttl', 'udpdatalen', 'udptotlen', 'urg',"
        " 'usage', 'username']\n"
        "['1', 'drop', 'http', '77', '', '', '', '', '', '', 'RULE', '', '', '', '', '0', '2006-06-01',"
        " 'a=1', 'bob', '', '10.0.0.2', '80', '2006-06-01', '10:30:00', '', '', '', '0', '2048(IPv4)',"
        " 'rule_drop', 'no service', '0', 'gw1', '0000:5e00:5302', '0000:5e00:5301', '', '', '', '', '',"
        " '', '1001', '30', '20', '6(TCP)', '50', '', '', '', 'a=1', '1', 'wan', '', '', '', '', '0',"
        " 'default-drop', 'fwd', 'nat-out', 'gw1', '4', '10.0.0.1', '1025', 'alice', '1', '10', '20',"
        " '30', '', '10:00:00', '64', '', '', '0', '', '']\n"
        "['', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '2006-06-01', '', '', '',"
        " '10.0.0.4', '5353', '1970-01-01', '00:00:00', '', '', '', '', '', '', '', '', 'gw1', '', '', '',"
        " '', '', '', '', '', '', '12', '20', '17(UDP)', '32', '', '', '', '', '', '', '', '', '', '', '',"
        " '', '', '', 'gw1', '', '10.0.0.3', '53', '', '', '', '', '', '', '10:00:01', '64', '4', '12',"
        " '', '', '']\n"
        "['', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '2006-06-01', '', '', '',"
        " '172.16.0.5', '', '1970-01-01', '00:00:00', '', '', '', '', '', '', '', '', 'gw1', '', '',"
        " '8.8.8.8', '', '6(TCP)', '172.16.0.5', '', 'DEST_UNREACH', '', '36', '20', '1(ICMP)', '56', '',"
        " '', '', '', '', '', '', '', '', '', '', '', '', '', 'gw1', '', '10.9.9.9', '', '', '', '', '',"
        " '', '', '10:00:02', '64', '', '', '', '', '']\n"
        "['', '', '', '', 'request', '0200:0000:0002', '0200:0000:0001', '', '', '', '', '', '', '', '',"
        " '', '2006-06-01', '', '', '', '192.168.0.2', '', '1970-01-01', '00:00:00', '', '', '', '',"
        " '2054(ARP)', '', '', '', 'gw1', '0000:5e00:5302', '0000:5e00:5301', '', '', '', '', '', '', '',"
        " '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', 'gw1', '',"
        " '192.168.0.1', '', '', '', '', '', '', '', '10:00:03', '', '', '', '', '', '']\n"
        "['', '', '', '', '', '', '', '', '', '', '', 'closed', '9', '5', '1', '', '2006-06-01', '', '',"
        " 'wan', '10.2.2.2', '443', '1970-01-01', '00:00:00', '', '', '', '', '', '', '', '', 'gw1', '',"
        " '', '', '', '', '', '', '', '', '', '', '6(TCP)', '', '1000', '', '', '', '', 'lan', '', '', '',"
        " '', '', '', '', '', 'gw1', '', '10.1.1.1', '40000', '', '', '', '', '', '2048', '10:00:04', '',"
        " '', '', '', 'if0=lan tp0=1.50', '']\n"
        "['', '', '', '', '', '', '', 'agent', 'login', 'authrule', '', '', '', '', '', '', '2006-06-01',"
        " '', '', '', '', '', '1970-01-01', '00:00:00', '', '', '', '', '', '', '', '', 'gw1', '', '', '',"
        " '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '', '',"
        " 'gw1', '', '10.0.0.9', '', '', '', '', '', '', '', '10:00:05', '', '', '', '', '', 'carol']\n",
        Reader({"csv"}, Export({"--csv"}, Select(kEveryField) + kJune1)));
}

TEST_F(PipelineOutput, ExampleDatabaseRoundTrip)
{
    const std::string strRoot = std::string(SARNITH_EXAMPLES) + "/logdb";
    for (const char* pszIpFormat : {"s", "f", "i"}) {
        SCOPED_TRACE(pszIpFormat);
        EXPECT_EQ("1011 records agree\n", RoundTrip({"-i", pszIpFormat}, Select(kEveryField) + " from all", strRoot));
    }
}

TEST_F(PipelineOutput, GeneratedDatabaseRoundTripLeavesTheDatabaseUnchanged)
{
    CTrafficOptions traffic;
    traffic.m_nGateways = 3;
    traffic.m_nDays = 2;
    traffic.m_nEntriesPerDay = 300;
    traffic.m_nGzipPercent = 50;
    const std::string strRoot = m_dir / "generated";
    std::string strError;
    ASSERT_TRUE(GenerateTraffic(strRoot, traffic, strError)) << strError;
    const std::map<std::string, std::string> aBefore = Snapshot(strRoot);

    EXPECT_EQ("1800 records agree\n", RoundTrip({}, Select(kEveryField) + " from all", strRoot));
    EXPECT_EQ("1800 records agree\n", RoundTrip({"-i", "i"}, "select standard, tcpflags, usage from all", strRoot));
    EXPECT_TRUE(aBefore == Snapshot(strRoot));
}

TEST_F(PipelineOutput, HostileTextsArriveUnchanged)
{
    std::string strHighBytes;
    for (int nByte = 0x80; nByte <= 0xFF; ++nByte)
        strHighBytes += static_cast<char>(nByte);
    std::string strControls;
    for (int nByte = 1; nByte < 0x20; ++nByte)
        strControls += static_cast<char>(nByte);
    strControls += '\x7f';
    std::string strMixed;
    const std::string strPattern = "a\"b\\,c;\r\n\t \xe9\xe2\x82\xac";
    while (strMixed.size() < 1500)
        strMixed += strPattern;

    // Per entry, the value of each field.
    const std::vector<std::vector<std::pair<std::string, std::string>>> aEntries = {
        {{"event", "say \"hi\", then \\ back\\slash; done"},
         {"action", "line1\r\nline2\rline3\nend"},
         {"explanation", "\ttabbed\t and  spaces "},
         {"description", strHighBytes},
         {"rule", "\xe2\x82\xac caf\xc3\xa9 \xe2\x98\x83 \xf0\x9f\x98\x80"},
         {"srcusername", "a,b\"c"}},
        {{"event", strMixed.substr(0, 1023)}, {"category", strMixed.substr(0, 1500)}, {"explanation", ""}},
        {{"description", strControls},
         {"action", "bare\rreturn"},
         {"event", "\xc0\xaf|\xed\xa0\x80|\xf4\x90\x80\x80|\xc3\xa9|\xe2\x82"}},
    };
    std::string strExpected;
    for (size_t nEntry = 0; nEntry < aEntries.size(); ++nEntry) {
        CEntryBuilder entry;
        for (const auto& field : aEntries[nEntry]) {
            const std::string& strText = field.second;
            if (field.first == "event")
                entry.Event(strText);
            else if (field.first == "action")
                entry.Action(strText);
            else if (field.first == "explanation")
                entry.Explanation(strText);
            else if (field.first == "description")
                entry.Params(strText);
            else if (field.first == "category")
                entry.Category(strText);
            else if (field.first == "rule")
                entry.RuleNames({{RULE_NAME, strText}});
            else if (field.first == "srcusername")
                entry.RuleNames({{RULE_SRC_USER, strText}});
            // The category is cut to 1023 bytes, as in every layout.
            strExpected += std::to_string(nEntry) + " " + field.first + " " +
                           Hex(field.first == "category" ? strText.substr(0, 1023) : strText) + "\n";
        }
        AddEntry(June1(10, 0, static_cast<int>(nEntry)), entry);
    }
    ASSERT_TRUE(m_db.WriteEntries());
    const std::string strExpectedPath = m_dir / "expected";
    WriteWholeFile(strExpectedPath, strExpected);

    const std::string strStatement =
        "select event, action, explanation, params, rule, category, srcusername" + std::string(kJune1);
    EXPECT_EQ("12 texts agree\n", Reader({"texts", strExpectedPath, ExportFile({}, "--csv", strStatement),
                                          ExportFile({}, "--json", strStatement)}));
}

TEST_F(PipelineOptions, LastLayoutOptionWins)
{
    CEntryBuilder entry;
    entry.Event("ev").Packet(UdpPacket(IpSpec("10.0.0.3", "10.0.0.4"), 53, 5353));
    AddEntry(June1(10), entry);
    ASSERT_TRUE(m_db.WriteEntries());
    const std::string strStatement = std::string("select event, srcip") + kJune1;
    const std::string strJson =
        "{\"timestamp\":\"2006-06-01T10:00:00.000000+00:00\",\"gateway\":\"gw1\",\"event\":\"ev\",\"srcip\":\"10.0.0."
        "3\"}\n";
    const std::string strCsv = "event,srcip\nev,10.0.0.3\n";

    EXPECT_EQ(strJson, Export({"-d", ";", "--json"}, strStatement));
    EXPECT_EQ("event;srcip\nev;10.0.0.3\n", Export({"--json", "-d", ";"}, strStatement));
    EXPECT_EQ(strCsv, Export({"--json", "--csv"}, strStatement));
    EXPECT_EQ(strJson, Export({"--CSV", "--Json"}, strStatement));
    // -a does not take a layout option as its value, and is ignored by both layouts.
    EXPECT_EQ(strJson, Export({"-d", ";", "-a", "--json"}, strStatement));
    EXPECT_EQ(strCsv, Export({"--csv", "-a", ";"}, strStatement));
    // -i applies to both.
    EXPECT_EQ(
        "{\"timestamp\":\"2006-06-01T10:00:00.000000+00:00\",\"gateway\":\"gw1\",\"event\":\"ev\","
        "\"srcip\":167772163}\n",
        Export({"--json", "-i", "i"}, strStatement));
    EXPECT_EQ("event,srcip\nev,010.000.000.003\n", Export({"-i", "f", "--csv"}, strStatement));
    // The time stamp in the local time of the run.
    ProcessOptions options;
    options.aEnvironment = {"TZ=CET-1CEST,M3.5.0,M10.5.0/3"};
    ProcessResult result = RunSarnith({"-r", m_dir.Path(), "--json", "select event" + std::string(kJune1)}, options);
    EXPECT_EQ("{\"timestamp\":\"2006-06-01T12:00:00.000000+02:00\",\"gateway\":\"gw1\",\"event\":\"ev\"}\n",
              result.strStdout);
}

TEST_F(PipelineOptions, RefusedWithBinaryOutput)
{
    AddEntry(June1(10), CEntryBuilder().Event("ev"));
    ASSERT_TRUE(m_db.WriteEntries());
    const std::string strStatement = std::string("select BINARY") + kJune1;
    for (const char* pszOption : {"--json", "--csv"}) {
        ProcessResult result = Run({"-d", ";", pszOption}, strStatement);
        EXPECT_EQ("", result.strStdout);
        EXPECT_EQ(std::string("Error: ") + pszOption + " cannot be used with binary output\n", result.strStderr);
        EXPECT_EQ(1, result.nExitCode);
    }
    // A later -d chooses the text layouts again, which binary output ignores.
    EXPECT_EQ(0u, Export({"--json", "-d", ";"}, strStatement).find("LOG"));
}

TEST_F(PipelineOptions, EveryMatchingEntryWritesOneLine)
{
    for (int nSecond = 0; nSecond < 3; ++nSecond)
        AddEntry(June1(10, 0, nSecond), CEntryBuilder().Event("ev"));
    ASSERT_TRUE(m_db.WriteEntries());
    const std::string strStatement = std::string("select syn") + kJune1;
    EXPECT_EQ("", Export({}, strStatement));
    EXPECT_EQ(
        "{\"timestamp\":\"2006-06-01T10:00:00.000000+00:00\",\"gateway\":\"gw1\"}\n"
        "{\"timestamp\":\"2006-06-01T10:00:01.000000+00:00\",\"gateway\":\"gw1\"}\n"
        "{\"timestamp\":\"2006-06-01T10:00:02.000000+00:00\",\"gateway\":\"gw1\"}\n",
        Export({"--json"}, strStatement));
    EXPECT_EQ("syn\n\"\"\n\"\"\n\"\"\n", Export({"--csv"}, strStatement));
}

TEST_F(PipelineOptions, EntriesFromAFileHaveNoGateway)
{
    CDailyFile file;
    file.AddEntry(June1(10), CEntryBuilder().Event("f1").Body()).AddEndMarker();
    const std::string strPath = m_dir / "extra/single.osl";
    ASSERT_TRUE(file.Write(strPath, ECompression::kPlain));
    const std::string strStatement = "select event, vantgard from file '" + strPath + "'";
    EXPECT_EQ("{\"timestamp\":\"2006-06-01T10:00:00.000000+00:00\",\"event\":\"f1\"}\n",
              Export({"--json"}, strStatement));
    EXPECT_EQ("event,vantgard\nf1,\n", Export({"--csv"}, strStatement));
}
