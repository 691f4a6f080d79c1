// The statement parser: output names and composite types, sources and time
// ranges, the messages it reports with the ranges kept so far, the WHERE
// filter, and how long messages are cut.
#include "lql/statement_parser.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "filter/search_node.h"
#include "lql/parse_message.h"
#include "tests/lql/lql_test_util.h"

namespace {

const char* const g_apszGateways[] = {"gw1", "gw2", "123", "ip"};

struct CReported {
    int m_nId;
    std::string m_strText;
};

// Keeps every message instead of printing it; answers as the standard
// Report does (stop at errors, go on after warnings).
class CRecordingParser : public CStatementParser {
public:
    CRecordingParser() : CStatementParser(g_apszGateways, 4) {}

    bool Report(int nMessageId, ...) override
    {
        const CParseMessage* pMessage = CParseMessage::Find(nMessageId);
        char szText[1024];
        va_list args;
        va_start(args, nMessageId);
        std::vsnprintf(szText, sizeof(szText), pMessage->m_pszFormat, args);
        va_end(args);
        m_aReported.push_back({nMessageId, szText});
        return pMessage->m_eSeverity != PARSE_ERROR;
    }

    std::vector<int> Ids() const
    {
        std::vector<int> aIds;
        for (const CReported& reported : m_aReported)
            aIds.push_back(reported.m_nId);
        return aIds;
    }

    std::vector<CReported> m_aReported;
};

// "g:name", "a:" or "f:name" per source, separated by blanks.
std::string Sources(const CQueryRange& range)
{
    std::string strText;
    for (int i = 0; i < range.m_aSources.GetSize(); ++i) {
        const CQuerySource& source = range.m_aSources[i];
        if (!strText.empty())
            strText += ' ';
        EXPECT_EQ(source.m_bFile + source.m_bGateway + source.m_bAll, 1);
        strText += source.m_bFile ? "f:" : source.m_bAll ? "a:" : "g:";
        strText += source.m_strName.GetString();
    }
    return strText;
}

std::vector<std::string> Outputs(const CQuery& query)
{
    std::vector<std::string> aOutputs;
    aOutputs.reserve(static_cast<size_t>(query.m_aOutputs.GetSize()));
    for (int i = 0; i < query.m_aOutputs.GetSize(); ++i)
        aOutputs.push_back(query.m_aOutputs[i].GetString());
    return aOutputs;
}

class StatementParser : public ::testing::Test {
protected:
    bool Parse(const char* pszStatement) { return m_parser.Parse(CSString(pszStatement), m_query); }

    CTimeZoneScope m_zone{"UTC"};
    CFixedClock m_clock{kJune15};
    CRecordingParser m_parser;
    CQuery m_query;
};

}  // namespace

TEST_F(StatementParser, OutputNamesAsWrittenAndTheAllTimeRange)
{
    ASSERT_TRUE(Parse("SELECT SrcIp, destip arpdesthw,iptotallen FROM GW1"));
    EXPECT_TRUE(m_parser.m_aReported.empty());
    EXPECT_EQ(Outputs(m_query), (std::vector<std::string>{"SrcIp", "destip", "arpdesthw", "iptotallen"}));
    ASSERT_EQ(m_query.m_aRanges.GetSize(), 1);
    EXPECT_EQ(Sources(m_query.m_aRanges[0]), "g:GW1");
    EXPECT_EQ(TmText(m_query.m_aRanges[0].m_tmStart), "1970-01-01 00:00:00");
    EXPECT_EQ(TmText(m_query.m_aRanges[0].m_tmEnd), "2006-06-15 10:25:13");
    EXPECT_EQ(m_query.m_pFilter, nullptr);
}

TEST_F(StatementParser, CompositeOutputTypesAreExpanded)
{
    EXPECT_FALSE(Parse("select standard ICMPSTD tcpflags, tcpstd udpstd usernames BINARY from gw1"));
    EXPECT_EQ(m_parser.Ids(), std::vector<int>{MSG_BINARY_AND_TEXT_MIXED});
    EXPECT_EQ(Outputs(m_query),
              (std::vector<std::string>{
                  "date",         "time",       "vantgard",  "category",    "id",         "event",     "action",
                  "recvif",       "srcip",      "srcport",   "destip",      "destport",   "ipproto",   "explanation",
                  "params",       "ttl",        "icmptype",  "icmpipproto", "icmpdestip", "icmpsrcip", "icmpdestport",
                  "fin",          "syn",        "rst",       "psh",         "ack",        "urg",       "ece",
                  "cwr",          "tcpdatalen", "tcphdrlen", "fin",         "syn",        "rst",       "psh",
                  "ack",          "urg",        "ece",       "cwr",         "udpdatalen", "username",  "srcusername",
                  "destusername", "BINARY"}));

    CQuery empty;
    ASSERT_TRUE(m_parser.Parse(CSString("select from gw1"), empty));
    EXPECT_TRUE(Outputs(empty).empty());
}

TEST_F(StatementParser, SourcesAllFilesAndQuotedNames)
{
    ASSERT_TRUE(Parse("select srcip from all, 'gw1' file 'd:\\logs\\1-0.osl' file \"d:\\logs\\1-0.osl\"x"));
    ASSERT_EQ(m_query.m_aRanges.GetSize(), 1);
    EXPECT_EQ(Sources(m_query.m_aRanges[0]), "a: g:gw1 f:d:\\logs\\1-0.osl f:d:\\logs\\1-0.osl");

    CRecordingParser parser;
    CQuery query;
    ASSERT_TRUE(parser.Parse(CSString("select srcip from '123' 'ip' file ' a b '"), query));
    EXPECT_EQ(Sources(query.m_aRanges[0]), "g:123 g:ip f:a b");
}

TEST_F(StatementParser, TimeStatementsMakeRangesOfTheSourcesNamedSoFar)
{
    ASSERT_TRUE(Parse("select srcip from gw1 last days 2 and gw2 times 2006-06-01 to 2006-06-02"));
    ASSERT_EQ(m_query.m_aRanges.GetSize(), 2);
    EXPECT_EQ(Sources(m_query.m_aRanges[0]), "g:gw1");
    EXPECT_EQ(TmText(m_query.m_aRanges[0].m_tmStart), "2006-06-13 10:25:13");
    EXPECT_EQ(TmText(m_query.m_aRanges[0].m_tmEnd), "2006-07-15 10:25:13");
    EXPECT_EQ(Sources(m_query.m_aRanges[1]), "g:gw2");
    EXPECT_EQ(TmText(m_query.m_aRanges[1].m_tmStart), "2006-06-01 00:00:00");
    EXPECT_EQ(TmText(m_query.m_aRanges[1].m_tmEnd), "2006-06-02 00:00:00");

    CQuery twice;
    ASSERT_TRUE(m_parser.Parse(CSString("select srcip from gw1 last days 2 gw2 last hours 3"), twice));
    ASSERT_EQ(twice.m_aRanges.GetSize(), 2);
    EXPECT_EQ(Sources(twice.m_aRanges[0]), "g:gw1");
    EXPECT_EQ(Sources(twice.m_aRanges[1]), "g:gw1 g:gw2");
    EXPECT_EQ(TmText(twice.m_aRanges[1].m_tmStart), "2006-06-15 07:25:13");

    CQuery trailing;
    ASSERT_TRUE(m_parser.Parse(CSString("select srcip from gw1 last days 2 gw2"), trailing));
    ASSERT_EQ(trailing.m_aRanges.GetSize(), 1);
    EXPECT_TRUE(trailing.m_aRanges[0].m_bOpenTowardsNow);
    ASSERT_EQ(trailing.m_aRanges.GetSize(), 1);
    EXPECT_EQ(Sources(trailing.m_aRanges[0]), "g:gw1");
    EXPECT_TRUE(m_parser.m_aReported.empty());
}

// Follow mode keeps the readers of the ranges that reach the present.
TEST_F(StatementParser, RangesThatReachThePresentAreMarked)
{
    struct {
        const char* m_pszFrom;
        bool m_bOpen;
    } const aCases[] = {
        {"gw1", true},
        {"gw1 last days 2", true},
        {"gw1 last hours 3", true},
        {"gw1 last full day", false},
        {"gw1 last full days 2", false},
        {"gw1 last full hours 2", false},
        {"gw1 times 2006-06-01 to 2006-06-02", false},
    };
    for (const auto& c : aCases) {
        SCOPED_TRACE(c.m_pszFrom);
        CQuery query;
        ASSERT_TRUE(m_parser.Parse(CSString((std::string("select srcip from ") + c.m_pszFrom).c_str()), query));
        ASSERT_EQ(query.m_aRanges.GetSize(), 1);
        EXPECT_EQ(query.m_aRanges[0].m_bOpenTowardsNow, c.m_bOpen);
    }
    CQuery mixed;
    ASSERT_TRUE(m_parser.Parse(CSString("select srcip from gw1 last full day and gw2"), mixed));
    ASSERT_EQ(mixed.m_aRanges.GetSize(), 2);
    EXPECT_FALSE(mixed.m_aRanges[0].m_bOpenTowardsNow);
    EXPECT_TRUE(mixed.m_aRanges[1].m_bOpenTowardsNow);
}

TEST_F(StatementParser, MessagesAndTheRangesKeptSoFar)
{
    struct Case {
        const char* m_pszStatement;
        bool m_bValid;
        std::vector<int> m_aMessages;
        int m_nRanges;
    } aCases[] = {
        // clang-format off
        { "select srcip from unknown gw1",       true,  { 8 },     1 },
        { "select srcip from last days 2",       false, { 9 },     1 },
        { "select srcip from gw1 realtime",      false, { 11 },    1 },
        { "select srcip from gw1 and",           false, { 9 },     1 },
        { "select srcip from unknown and gw1",   true,  { 8, 9 },  1 },
        { "select srcip from gw1 and unknown",   false, { 8, 9 },  1 },
        // A gateway named after the only time statement still counts as found.
        { "select srcip from last days 2 gw1",   true,  { 9 },     1 },
        { "select srcip from gw1 and unknown last days 2", false, { 8, 9 }, 2 },
        { "select srcip from file 123",          false, { 20 },    0 },
        { "select srcip from file",              false, { 20 },    0 },
        { "select srcip from gw1 where",         false, { 14 },    1 },
        { "select 'srcip' from gw1",             false, { 4 },     0 },
        { "select binary where from gw1",        false, { 18 },    0 },
        { "selec srcip from gw1",                false, { 3 },     0 },
        { "   ",                                 false, { 3 },     0 },
        { "",                                    false, { 0 },     0 },
        // clang-format on
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.m_pszStatement);
        CRecordingParser parser;
        CQuery query;
        EXPECT_EQ(parser.Parse(CSString(c.m_pszStatement), query), c.m_bValid);
        EXPECT_EQ(parser.Ids(), c.m_aMessages);
        EXPECT_EQ(query.m_aRanges.GetSize(), c.m_nRanges);
    }
}

TEST_F(StatementParser, WhereClauseBecomesTheFilter)
{
    ASSERT_TRUE(Parse("select srcip from gw1 last days 1 where srcip = 10.0.0.1 and destport = 80"));
    EXPECT_NE(m_query.m_pFilter, nullptr);
    ASSERT_TRUE(Parse("select srcip from gw1 and gw2 where not (srcport in (1-1023))"));
    EXPECT_NE(m_query.m_pFilter, nullptr);
    EXPECT_EQ(m_query.m_aRanges.GetSize(), 3);  // the query was not emptied between the two

    CQuery refused;
    EXPECT_FALSE(m_parser.Parse(CSString("select srcip from gw1 where srcip = 10.0.0.1 destip = 1.2.3.4"), refused));
    EXPECT_EQ(refused.m_pFilter, nullptr);
    EXPECT_EQ(m_parser.m_aReported.back().m_strText, "Error parsing the search statement");
}

// Without a lexer (an empty statement) the context line is empty.
TEST(StatementParserReport, MessageZeroAndMessagesCutTo1023Characters)
{
    CStatementParser parser(nullptr, 0);
    CQuery query;
    std::string strLong(2000, 'x');
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(parser.Parse(CSString(""), query));
    EXPECT_FALSE(parser.Report(MSG_ERROR_TEXT, strLong.c_str()));
    EXPECT_TRUE(parser.Report(MSG_WARNING_TEXT, "careful"));
    std::string strStderr = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(strStderr,
              "\n^ Error: No valid input found\n\n^ Error: " + std::string(1023, 'x') + "\n\n^ Warning: careful\n");
}
