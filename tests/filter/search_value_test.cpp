// Values of conditions: what SetValue accepts, how it converts, and the
// message with which it rejects.
#include "filter/search_param.h"

#include <gtest/gtest.h>

#include <string>

#include "filter/search_in.h"
#include "filter/search_index.h"
#include "lql/keyword_table.h"
#include "testing/entry_builder.h"
#include "tests/filter/filter_test_util.h"

using namespace testdata;
using filtertest::CDecoded;
using filtertest::Matches;
using filtertest::MessageOf;
using filtertest::Param;
using filtertest::ParamMessage;

namespace {

struct CRejection {
    int32_t m_nParamId;
    const char* m_pszValue;
    ESearchOp m_eOp;
    const char* m_pszMessage;
};

const CRejection g_aRejections[] = {
    // clang-format off
//    parameter             value                 operator       message
    { KEY_SRCIP,            "10.0.0",             SEARCH_OP_EQ,  "Incorrect ip address" },
    { KEY_DESTIP,           "10.0.0.256",         SEARCH_OP_EQ,  "Incorrect ip address" },
    { KEY_ICMPSRCIP,        "a.b.c.d",            SEARCH_OP_EQ,  "Incorrect ip address" },
    { KEY_ROUTERANGE,       "",                   SEARCH_OP_EQ,  "Incorrect ip address" },
    { KEY_ROUTEGW,          "10..0.1",            SEARCH_OP_EQ,  "Incorrect ip address" },
    { KEY_DESTPORT,         "65536",              SEARCH_OP_EQ,  "Incorrect port value" },
    { KEY_DESTPORT,         "80x",                SEARCH_OP_EQ,  "Incorrect port value" },
    { KEY_SRCPORT,          "",                   SEARCH_OP_EQ,  "Incorrect port value" },
    { KEY_SRCPORT,          "ssh ",               SEARCH_OP_EQ,  "Incorrect port value" },
    { KEY_ICMPDESTPORT,     "echo",               SEARCH_OP_EQ,  "Incorrect port value" },
    { KEY_ICMPSRCPORT,      "4294967296",         SEARCH_OP_EQ,  "Incorrect port value" },
    { KEY_IPPROTO,          "256",                SEARCH_OP_EQ,  "Incorrect protocol number" },
    { KEY_IPPROTO,          "bogus",              SEARCH_OP_EQ,  "Incorrect protocol number" },
    { KEY_ICMPIPPROTO,      "bogus",              SEARCH_OP_EQ,  "Unknown protocol type" },
    { KEY_ICMPIPPROTO,      "300",                SEARCH_OP_EQ,  "Incorrect protocol number" },
    { KEY_ICMPTYPE,         "300",                SEARCH_OP_EQ,  "Incorrect icmp type number" },
    { KEY_ICMPTYPE,         "foo",                SEARCH_OP_EQ,  "Unknown icmp type" },
    { KEY_ICMPTYPE,         " 8",                 SEARCH_OP_EQ,  "Unknown icmp type" },
    { KEY_SRCENET,          "0a:b0:c9:de:f1",     SEARCH_OP_EQ,  "Incorrect ethernet address" },
    { KEY_DESTENET,         "0a-b0-c9-de-f1-",    SEARCH_OP_EQ,  "Incorrect ethernet address" },
    { KEY_SRCENET,          "100:b0:c9:de:f1:2a", SEARCH_OP_EQ,  "Incorrect ethernet address" },
    { KEY_SRCENET,          "0:ab0:c9de:f12a",    SEARCH_OP_EQ,  "Incorrect ethernet address" },
    { KEY_ENETPROTO,        "nonsense",           SEARCH_OP_EQ,  "Unknown ethernet protocol type" },
    { KEY_ENETPROTO,        "65536",              SEARCH_OP_EQ,  "Unknown ethernet protocol type" },
    { KEY_CONN,             "opened",             SEARCH_OP_EQ,  "Unknown connevent" },
    { KEY_SYN,              "0",                  SEARCH_OP_GT,  "Only assignment operator is supported for this search parameter" },
    { KEY_CWR,              "1",                  SEARCH_OP_LE,  "Only assignment operator is supported for this search parameter" },
    { KEY_SYN,              "2",                  SEARCH_OP_EQ,  "Incorrect bit value." },
    { KEY_FIN,              "yes",                SEARCH_OP_EQ,  "Incorrect bit value." },
    { KEY_ID,               "x1",                 SEARCH_OP_EQ,  "Incorrect ID" },
    { KEY_ID,               " 1",                 SEARCH_OP_EQ,  "Incorrect ID" },
    { KEY_ID,               "4294967296",         SEARCH_OP_EQ,  "Incorrect ID" },
    { KEY_SEVERITY,         "x",                  SEARCH_OP_EQ,  "Incorrect severity value" },
    { KEY_ALGSESSIONID,     "abc",                SEARCH_OP_EQ,  "Incorrect ALG session ID" },
    { KEY_AUTHEVENT,        "logon",              SEARCH_OP_EQ,  "Unknown user auth event" },
    { KEY_DYNROUTINGEVENT,  "append",             SEARCH_OP_EQ,  "Unknown dynroutingevent value" },
    { KEY_ROUTEMETRIC,      "-1",                 SEARCH_OP_EQ,  "Incorrect routemetric value" },
    { KEY_ROUTEMETRIC,      "12a",                SEARCH_OP_EQ,  "Incorrect routemetric value" },
    { KEY_ARP,              "query",              SEARCH_OP_EQ,  "Unknown arp operation" },
    { KEY_ENET,             "1",                  SEARCH_OP_EQ,  "Unknown search parameter specified" },
    { KEY_TCP,              "1",                  SEARCH_OP_EQ,  "Unknown search parameter specified" },
    { KEY_SELECT,           "1",                  SEARCH_OP_EQ,  "Unknown search parameter specified" },
    // clang-format on
};

TEST(SearchValue, EachParameterRejectsBadValuesWithItsMessage)
{
    for (const CRejection& row : g_aRejections)
        EXPECT_EQ(ParamMessage(row.m_nParamId, row.m_pszValue, row.m_eOp), row.m_pszMessage)
            << CKeywordTable::IdToName(row.m_nParamId) << " '" << row.m_pszValue << "'";
}

TEST(SearchValue, TextsUpTo255CharactersAreAccepted)
{
    std::string str255(255, 'r');
    EXPECT_EQ(ParamMessage(KEY_RULE, str255.c_str()), "");
    EXPECT_EQ(ParamMessage(KEY_RULE, (str255 + "r").c_str()), "String to long.");
    EXPECT_EQ(ParamMessage(KEY_USERNAME, (str255 + "r").c_str()), "String to long.");
    // The description pattern has no length limit: it keeps 127 characters.
    EXPECT_EQ(ParamMessage(KEY_DESCRIPTION, std::string(400, 'd').c_str()), "");
}

// A rejected value leaves a node that matches nothing, and a node whose
// value is replaced releases the old one (the sanitizer sees a leak).
TEST(SearchValue, RejectedOrReplacedValues)
{
    CEntryBuilder entry;
    entry.RuleNames({{RULE_NAME, "drop"}}).Params("drop all");
    CDecoded record(entry);

    CSearchParam param;
    param.SetValue(KEY_DESCRIPTION, "drop", SEARCH_OP_EQ);
    EXPECT_TRUE(param.Evaluate(record));
    param.SetValue(KEY_RULE, "drop", SEARCH_OP_EQ);
    EXPECT_TRUE(param.Evaluate(record));
    EXPECT_EQ(MessageOf([&] { param.SetValue(KEY_RULE, std::string(256, 'x').c_str(), SEARCH_OP_EQ); }),
              "String to long.");
    EXPECT_EQ(param.GetField(), FIELD_NONE);
    EXPECT_FALSE(param.Evaluate(record));

    param.SetValue(KEY_DESTPORT, "http", SEARCH_OP_LE);
    EXPECT_EQ(param.GetField(), FIELD_DESTPORT);
    EXPECT_EQ(param.GetOp(), SEARCH_OP_LE);
}

// Conversions are checked on records that hold the converted value.
TEST(SearchValue, NumbersAndNamesConvertToTheRecordsValues)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip("10.0.0.1");
    ip.m_nDestIp = Ip("10.0.0.2");
    CTcpSpec tcp;
    tcp.m_nSrcPort = 1024;
    tcp.m_nDestPort = 22;
    CEntryBuilder entry;
    entry.Packet(TcpPacket(ip, tcp)).Severity(4).AlgSessionId(4000000000u);
    CDecoded ssh(entry);

    EXPECT_TRUE(Matches(ssh, KEY_DESTPORT, "ssh"));
    EXPECT_TRUE(Matches(ssh, KEY_DESTPORT, "SSH"));
    EXPECT_TRUE(Matches(ssh, KEY_DESTPORT, "22 "));
    EXPECT_TRUE(Matches(ssh, KEY_DESTPORT, " 22\tand the rest"));
    EXPECT_FALSE(Matches(ssh, KEY_DESTPORT, "telnet"));
    EXPECT_TRUE(Matches(ssh, KEY_IPPROTO, "tcp"));
    EXPECT_TRUE(Matches(ssh, KEY_IPPROTO, " \x01TCP\t"));
    EXPECT_TRUE(Matches(ssh, KEY_IPPROTO, "6\x01"));
    EXPECT_TRUE(Matches(ssh, KEY_SEVERITY, "warning"));
    EXPECT_TRUE(Matches(ssh, KEY_SEVERITY, "4"));
    EXPECT_FALSE(Matches(ssh, KEY_SEVERITY, "12"));
    EXPECT_TRUE(Matches(ssh, KEY_SEVERITY, "12", SEARCH_OP_LT));
    EXPECT_TRUE(Matches(ssh, KEY_ALGSESSIONID, "4000000000"));
    EXPECT_FALSE(Matches(ssh, KEY_ENETPROTO, "ipv4", SEARCH_OP_GE));  // no Ethernet header

    CEntryBuilder frame;
    frame.EthernetPacket(
        EthernetFrame(TcpPacket(ip, tcp), ETHER_TYPE_IPV4, Mac("00:00:5e:00:53:02"), Mac("0a:b0:c9:de:f1:2a")));
    CDecoded ethernet(frame);
    EXPECT_TRUE(Matches(ethernet, KEY_ENETPROTO, "IPv4"));
    EXPECT_TRUE(Matches(ethernet, KEY_ENETPROTO, "2048"));
    EXPECT_FALSE(Matches(ethernet, KEY_ENETPROTO, "arp"));
    for (const char* pszForm : {"0a:b0:c9:de:f1:2a", "0A-B0-C9-DE-F1-2A", "0ab0:c9de:f12a", "a:b0:c9:de:f1:2a"})
        EXPECT_TRUE(Matches(ethernet, KEY_SRCENET, pszForm)) << pszForm;
    EXPECT_TRUE(Matches(ethernet, KEY_DESTENET, "00:00:5e:00:53:02"));

    CEntryBuilder echo;
    echo.Packet(IcmpPacket(ip, 8, 0));
    CDecoded ping(echo);
    EXPECT_TRUE(Matches(ping, KEY_ICMPTYPE, "echo_request"));
    EXPECT_TRUE(Matches(ping, KEY_ICMPTYPE, "8"));
    EXPECT_FALSE(Matches(ping, KEY_ICMPTYPE, "echo_reply"));
}

TEST(SearchValue, IndexStatementValues)
{
    EXPECT_EQ(MessageOf([] {
                  CSearchIndex index;
                  index.SetValue(KEY_IPPROTO, "6", SEARCH_OP_EQ, 9);
              }),
              "Search parameter not supported in a index statemenet");
    EXPECT_EQ(MessageOf([] {
                  CSearchIndex index;
                  index.SetValue(KEY_TCP, "256", SEARCH_OP_EQ, 13);
              }),
              "Incorrect index value");
    EXPECT_EQ(MessageOf([] {
                  CSearchIndex index;
                  index.SetValue(KEY_TCP, "0x02", SEARCH_OP_EQ, 13);
              }),
              "Incorrect index value");

    CSearchIndex index;
    index.SetValue(KEY_UDP, "255", SEARCH_OP_LT, 70000);
    EXPECT_EQ(index.GetHeader(), SEARCH_HEADER_UDP);
    EXPECT_EQ(index.GetOffset(), 70000u);
    EXPECT_EQ(index.GetOp(), SEARCH_OP_LT);
    EXPECT_EQ(index.GetValue(), 255u);
}

}  // namespace
