// The WHERE parser: precedence and grouping, operators of one or two tokens,
// index statements, IN lists, the texts of its errors, and the limits on
// text length and nesting; a failed parse releases what it had built.
#include "filter/search_parser.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "lql/lexer.h"
#include "records/log_record.h"
#include "support/error_text.h"
#include "testing/entry_builder.h"

using namespace testdata;

namespace {

// Parses the text behind "where"; raises what the parser raises.
std::unique_ptr<CSearchFilter> ParseWhere(const std::string& strWhere)
{
    CLqlLexer lexer(strWhere.c_str());
    CSearchParser parser(&lexer);
    return std::unique_ptr<CSearchFilter>(parser.Parse());
}

// The error text the parser raises, or "" when the expression is accepted.
std::string WhereError(const std::string& strWhere)
{
    try {
        ParseWhere(strWhere);
    } catch (const CErrorText& error) {
        return error.Text();
    }
    return "";
}

bool Passes(const CSearchFilter& filter, const CEntryBuilder& entry)
{
    CLogRecord record;
    record.Decode(entry.Data(), entry.Length());
    return filter.Evaluate(record) != 0;
}

// Checks the filter against all eight records whose category, event and
// action are each "yes" or "no", the conditions being written as
// category = yes (a), event = yes (b) and action = yes (c).
void ExpectTruthTable(const std::string& strWhere, const std::function<bool(bool, bool, bool)>& expected)
{
    SCOPED_TRACE(strWhere);
    std::unique_ptr<CSearchFilter> pFilter = ParseWhere(strWhere);
    ASSERT_NE(pFilter, nullptr);
    for (int nBits = 0; nBits < 8; ++nBits) {
        bool a = (nBits & 1) != 0;
        bool b = (nBits & 2) != 0;
        bool c = (nBits & 4) != 0;
        CEntryBuilder entry;
        entry.Category(a ? "yes" : "no").Event(b ? "yes" : "no").Action(c ? "yes" : "no");
        EXPECT_EQ(Passes(*pFilter, entry), expected(a, b, c)) << "a=" << a << " b=" << b << " c=" << c;
    }
}

CEntryBuilder TcpEntry(const char* pszSrcIp, uint16_t nSrcPort, uint8_t nFlags)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip(pszSrcIp);
    ip.m_nDestIp = Ip("192.168.0.1");
    CTcpSpec tcp;
    tcp.m_nSrcPort = nSrcPort;
    tcp.m_nDestPort = 80;
    tcp.m_nFlags = nFlags;
    CEntryBuilder entry;
    entry.Packet(TcpPacket(ip, tcp));
    return entry;
}

}  // namespace

TEST(SearchParser, PrecedenceAndGrouping)
{
    ExpectTruthTable("category = yes or event = yes and action = yes",
                     [](bool a, bool b, bool c) { return a || (b && c); });
    ExpectTruthTable("(category = yes or event = yes) and action = yes",
                     [](bool a, bool b, bool c) { return (a || b) && c; });
    ExpectTruthTable("category = yes and event = yes and action = yes",
                     [](bool a, bool b, bool c) { return a && b && c; });
    ExpectTruthTable("category = yes or event = yes or action = yes",
                     [](bool a, bool b, bool c) { return a || b || c; });
    ExpectTruthTable("category = yes and event = yes or action = yes and not category = yes",
                     [](bool a, bool b, bool c) { return (a && b) || (c && !a); });
    ExpectTruthTable("NOT category = yes AND event = yes", [](bool a, bool b, bool) { return !a && b; });
    ExpectTruthTable("not not category = yes", [](bool a, bool, bool) { return a; });
    ExpectTruthTable("not (category = yes or event = yes)", [](bool a, bool b, bool) { return !(a || b); });
    ExpectTruthTable("((category = 'yes')) or (((event = yes)))", [](bool a, bool b, bool) { return a || b; });
}

TEST(SearchParser, OperatorsAreOneOrTwoTokens)
{
    struct Case {
        const char* m_pszWhere;
        bool m_bPasses;  // for source port 80
    } aCases[] = {
        // clang-format off
        { "srcport = 80",   true  }, { "srcport > = 80", true  }, { "srcport>=80",   true  },
        { "srcport > 80",   false }, { "srcport <= 80",  true  }, { "srcport < 80",  false },
        // clang-format on
    };
    CEntryBuilder entry = TcpEntry("10.0.0.1", 80, TCP_FLAG_SYN);
    for (const Case& c : aCases) {
        std::unique_ptr<CSearchFilter> pFilter = ParseWhere(c.m_pszWhere);
        EXPECT_EQ(Passes(*pFilter, entry), c.m_bPasses) << c.m_pszWhere;
    }
}

TEST(SearchParser, IndexStatementsWithDecimalAndOctalOffsets)
{
    CEntryBuilder syn = TcpEntry("10.0.0.1", 1024, TCP_FLAG_SYN);
    CEntryBuilder synAck = TcpEntry("10.0.0.1", 1024, TCP_FLAG_SYN | TCP_FLAG_ACK);
    for (const char* pszWhere : {"tcp[13] = 2", "tcp[015] = 2", "TCP [ 13 ] = '2'", "tcp[13] <= 2"}) {
        std::unique_ptr<CSearchFilter> pFilter = ParseWhere(pszWhere);
        EXPECT_TRUE(Passes(*pFilter, syn)) << pszWhere;
        EXPECT_FALSE(Passes(*pFilter, synAck)) << pszWhere;
    }
    std::unique_ptr<CSearchFilter> pGreater = ParseWhere("tcp[13] > = 18");
    EXPECT_FALSE(Passes(*pGreater, syn));
    EXPECT_TRUE(Passes(*pGreater, synAck));
}

TEST(SearchParser, InListsAreScannedRawAndStripped)
{
    CEntryBuilder five = TcpEntry("10.0.0.5", 1024, TCP_FLAG_SYN);
    CEntryBuilder two = TcpEntry("10.0.0.2", 1024, TCP_FLAG_SYN);
    for (const char* pszWhere : {"srcip in ('10.0.0.1, 10.0.0.5')", "srcip IN( ' 10.0.0.1,10.0.0.5 ' )",
                                 "srcip in (10.0.0.5)", "srcip in (10.0.0.4-10.0.0.9) and srcport = 1024"}) {
        std::unique_ptr<CSearchFilter> pFilter = ParseWhere(pszWhere);
        EXPECT_TRUE(Passes(*pFilter, five)) << pszWhere;
        EXPECT_FALSE(Passes(*pFilter, two)) << pszWhere;
    }
    EXPECT_EQ(WhereError("srcip in ('')"), "Invalid range specified");
    EXPECT_EQ(WhereError("srcip in ( ' ' )"), "Invalid range specified");
}

TEST(SearchParser, EverySearchParameterStartsACondition)
{
    for (const char* pszWhere : {"icmpipproto = 6", "params = x", "xmas = 1", "hwsrc = 0a-b0-c9-de-f1-2a",
                                 "recviface = lan", "ipproto = 'tcp'", "rule = ''", "enet[12] = 8"})
        EXPECT_EQ(WhereError(pszWhere), "") << pszWhere;
}

TEST(SearchParser, ErrorTexts)
{
    struct Case {
        const char* m_pszWhere;
        const char* m_pszError;
    } aCases[] = {
        // clang-format off
        { "",                                   "Unexpected end of input data"         },
        { "srcip = 1.2.3.4 or not",             "Unexpected end of input data"         },
        { "srcip = 1.2.3.4 destip = 1.2.3.4",   "Error parsing the search statement"   },
        { "select = 5",                         "Error parsing the search statement"   },
        { "date = 5",                           "Error parsing the search statement"   },
        { "(srcip = 1.2.3.4",                   "Missing right paranthes"              },
        { "tcp[13 = 2",                         "Missing right paranthes"              },
        { "srcport 80",                         "Unknown operator"                     },
        { "tcp[13] 2",                          "Unknown operator"                     },
        { "srcport <> 80",                      "Expected a parameter value"           },
        { "srcport =< 80",                      "Expected a parameter value"           },
        { "ipproto = tcp",                      "Expected a parameter value"           },
        { "rule = 'unterminated",               "Expected a parameter value"           },
        { "tcp[13] = (",                        "Expected a value but no value found." },
        { "tcp[0x0d] = 2",                      "Expected a unsigned integer value"    },
        { "srcip in 10.0.0.1",                  "Expected a left paranthes"            },
        { "srcip in (10.0.0.1",                 "Expected a string value"              },
        { "srcip = 300.1.1.1",                  "Incorrect ip address"                 },
        { "rule in (x)",                        "Search parameter not supported in a IN statemenet"    },
        { "ipproto[9] = 6",                     "Search parameter not supported in a index statemenet" },
        // clang-format on
    };
    for (const Case& c : aCases)
        EXPECT_EQ(WhereError(c.m_pszWhere), c.m_pszError) << c.m_pszWhere;
}

TEST(SearchParser, TextsLongerThan511CharactersAreRefused)
{
    std::string str511(511, 'r');
    std::string str512(512, 'r');
    // 511 characters pass the parser and reach the value check of the node.
    EXPECT_EQ(WhereError("rule = '" + str511 + "'"), "String to long.");
    EXPECT_EQ(WhereError("rule = '" + str512 + "'"), "Identifier length exceded");
    EXPECT_EQ(WhereError("tcp[13] = '" + str512 + "'"), "Identifier length exceded");
    EXPECT_EQ(WhereError("srcport in (" + str512 + ")"), "Identifier length exceded");
    // The token behind an operand is checked as well.
    EXPECT_EQ(WhereError("srcport = 80 " + str511), "Error parsing the search statement");
    EXPECT_EQ(WhereError("srcport = 80 " + str512), "Identifier length exceded");
    EXPECT_EQ(WhereError("srcport = 80 and srcport = 81 " + str512), "Identifier length exceded");
    EXPECT_EQ(WhereError("srcport = 80 or srcport = 81 " + str512), "Identifier length exceded");
}

TEST(SearchParser, DeepNestingIsRefusedNotOverflowed)
{
    std::string strNested = std::string(200, '(') + "srcport = 80" + std::string(200, ')');
    EXPECT_EQ(WhereError(strNested), "");
    std::string strNots;
    for (int i = 0; i < 200; ++i)
        strNots += "not ";
    EXPECT_EQ(WhereError(strNots + "srcport = 80"), "");
    EXPECT_EQ(WhereError(std::string(100000, '(') + "srcport = 80"), "The search statement is nested too deeply");
    EXPECT_EQ(WhereError(strNots + "not srcport = 80"), "The search statement is nested too deeply");
}

// The sanitizer build reports any node left behind by these failures.
TEST(SearchParser, PartialTreesAreReleasedOnError)
{
    for (const char* pszWhere : {"category = a and (event = b or action = c) and srcip = 999.1.1.1",
                                 "not not (category = a or event = b) or tcp[13] = 2 and (srcip in (1.2.3.4)",
                                 "(category = a and (event = b or (action = c"})
        EXPECT_NE(WhereError(pszWhere), "") << pszWhere;
}
