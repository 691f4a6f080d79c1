// The command line's pieces: escape sequences of the delimiter options, the
// statement file's text (joined lines, comments, zero bytes, control
// characters) and the path of the configuration file.
#include "frontend/command_line.h"

#include <gtest/gtest.h>

#include <string>

#include "frontend/query_run.h"

TEST(ParseEscapeChar, NamedEscapes)
{
    const struct {
        const char* m_pszText;
        char m_cResult;
    } aCases[] = {
        // clang-format off
        { "\\\"", 34 }, { "\\'", 39 }, { "\\?", 63 }, { "\\\\", 92 }, { "\\a", 7 }, { "\\b", 8 },
        { "\\f", 12 },  { "\\n", 10 }, { "\\r", 13 }, { "\\t", 9 },   { "\\v", 11 },
        // clang-format on
    };
    for (const auto& test : aCases)
        EXPECT_EQ(ParseEscapeChar(test.m_pszText), test.m_cResult) << test.m_pszText;
}

TEST(ParseEscapeChar, NumericEscapes)
{
    EXPECT_EQ(ParseEscapeChar("\\x3b"), ';');
    EXPECT_EQ(ParseEscapeChar("\\x3B"), ';');
    EXPECT_EQ(ParseEscapeChar("\\x09"), '\t');
    EXPECT_EQ(ParseEscapeChar("\\x0000002c"), ',');
    EXPECT_EQ(ParseEscapeChar("\\073"), ';');
    EXPECT_EQ(ParseEscapeChar("\\43"), '#');
    EXPECT_EQ(ParseEscapeChar("\\377"), '\377');
    EXPECT_EQ(ParseEscapeChar("\\xff"), '\377');
    EXPECT_EQ(ParseEscapeChar("\\x3bz"), ';');  // text after the digits is ignored
    EXPECT_EQ(ParseEscapeChar("\\0738"), ';');
}

TEST(ParseEscapeChar, RefusedTexts)
{
    for (const char* pszText :
         {"", "\\", "t", ";", "\\q", "\\x", "\\xg", "\\x100", "\\400", "\\777", "\\8", "\\0", "\\X3b", "\\x00"})
        EXPECT_EQ(ParseEscapeChar(pszText), '\0') << pszText;
}

namespace {

std::string Join(const std::string& strText)
{
    return JoinStatementText(strText.data(), strText.size()).GetString();
}

}  // namespace

TEST(StatementFileText, LinesAreJoinedWithBlanks)
{
    EXPECT_EQ(Join("select srcip\nfrom gw1\n"), "select srcip from gw1");
    EXPECT_EQ(Join("select srcip\r\nfrom gw1\r\nlast days 1\r\n"), "select srcip  from gw1  last days 1");
    EXPECT_EQ(Join("\n\n  select\tsrcip\n\n\nfrom gw1   \n\n"), "select srcip from gw1");
    EXPECT_EQ(Join("select srcip from gw1"), "select srcip from gw1");
    EXPECT_EQ(Join(""), "");
}

TEST(StatementFileText, CommentRules)
{
    EXPECT_EQ(Join("# a statement\nselect srcip # the source\nfrom gw1"), "select srcip  from gw1");
    // "#" as first or second character drops the line; from the third on it cuts it.
    EXPECT_EQ(Join("select\nx#dropped\nfrom gw1"), "select from gw1");
    EXPECT_EQ(Join("select\nab#kept\nfrom gw1"), "select ab from gw1");
    EXPECT_EQ(Join(" #dropped\nselect"), "select");
    EXPECT_EQ(Join("# only\n  # comments\n#\n"), "");
    EXPECT_EQ(Join("select 'a#b'"), "select 'a");
}

TEST(StatementFileText, TextEndsAtAZeroByte)
{
    std::string strText("select srcip\0from gw1", 21);
    EXPECT_EQ(Join(strText), "select srcip");
}

TEST(StatementFileText, ControlCharactersInside)
{
    EXPECT_EQ(Join("select\tsrcip\rfrom\vgw1"), "select srcip from\vgw1");
}

TEST(QueryRun, ConfigFilePath)
{
    EXPECT_STREQ(ConfigFilePath("/data/logs"), "/data/logs/Ostrel.cfg");
    EXPECT_STREQ(ConfigFilePath("/data/logs/"), "/data/logs/Ostrel.cfg");
    EXPECT_STREQ(ConfigFilePath("D:\\logs\\"), "D:\\logs\\Ostrel.cfg");
    EXPECT_STREQ(ConfigFilePath("  /data/logs \t\n"), "/data/logs/Ostrel.cfg");
    EXPECT_STREQ(ConfigFilePath("relative"), "relative/Ostrel.cfg");
}
