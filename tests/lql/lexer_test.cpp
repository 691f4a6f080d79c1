// The keyword table's lookups and the lexer: words, numbers in every base,
// strings, operators, push-back, raw scans and the context line shown above
// a message.
#include "lql/lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Text(const CLqlLexer& lexer)
{
    char szBuffer[512];
    const char* psz = lexer.GetText(szBuffer, sizeof(szBuffer));
    return psz == nullptr ? "<null>" : psz;
}

std::vector<int32_t> Types(const char* pszStatement)
{
    CLqlLexer lexer(pszStatement);
    std::vector<int32_t> aTypes;
    for (int32_t nType = lexer.Next(); nType != TOKEN_END; nType = lexer.Next())
        aTypes.push_back(nType);
    return aTypes;
}

}  // namespace

TEST(KeywordTable, LookupIgnoresCaseAndFindsTheFirstRow)
{
    EXPECT_EQ(CKeywordTable::LookupKeyword("SeLeCt"), KEY_SELECT);
    EXPECT_EQ(CKeywordTable::LookupKeyword("WHERE"), KEY_WHERE);
    EXPECT_EQ(CKeywordTable::LookupKeyword("number"), TOKEN_NUMBER);
    EXPECT_EQ(CKeywordTable::LookupKeyword("String"), TOKEN_STRING);
    EXPECT_EQ(CKeywordTable::LookupKeyword("ERROR"), TOKEN_ERROR);
    EXPECT_EQ(CKeywordTable::LookupKeyword("gw1"), -1);
    EXPECT_EQ(CKeywordTable::LookupKeyword(std::string(300, 'a').c_str()), -1);

    EXPECT_STREQ(CKeywordTable::IdToName(KEY_DESTENET), "destenet");
    EXPECT_STREQ(CKeywordTable::IdToName(KEY_IPTOTALLEN), "iptotallen");
    EXPECT_STREQ(CKeywordTable::IdToName(KEY_TCPTOTALLEN), "tcptotallen");
    EXPECT_STREQ(CKeywordTable::IdToName(KEY_DESCRIPTION), "description");
    EXPECT_STREQ(CKeywordTable::IdToName(KEY_RECVIF), "recvif");
    EXPECT_STREQ(CKeywordTable::IdToName(TOKEN_END), "End of stream");
    EXPECT_EQ(CKeywordTable::IdToName(500), nullptr);
}

TEST(KeywordTable, ListingsSkipAliases)
{
    std::vector<std::string> aSearch;
    std::vector<std::string> aOutput;
    CKeywordTable::ForEachListed(KW_SEARCH, [&](const char* psz) { aSearch.push_back(psz); });
    CKeywordTable::ForEachListed(KW_OUTPUT, [&](const char* psz) { aOutput.push_back(psz); });
    EXPECT_EQ(aSearch.size(), 53u);
    EXPECT_EQ(aOutput.size(), 81u);
    EXPECT_EQ(aSearch.front(), "ack");
    EXPECT_EQ(aOutput.back(), "usernames");
    for (const std::string& str : aOutput)
        EXPECT_NE(str, "xmas");
}

TEST(Lexer, WordsNumbersAndStrings)
{
    CLqlLexer lexer("select 123 12a -5 1.2.3.4 2006-06-01 12:00:00 gw1");
    EXPECT_EQ(lexer.Next(), KEY_SELECT);
    EXPECT_EQ(lexer.Next(), TOKEN_NUMBER);
    EXPECT_EQ(lexer.GetNumber(), 123u);
    for (const char* pszWord : {"12a", "-5", "1.2.3.4", "2006-06-01", "12:00:00", "gw1"}) {
        EXPECT_EQ(lexer.Next(), TOKEN_STRING);
        EXPECT_EQ(Text(lexer), pszWord);
    }
    EXPECT_EQ(lexer.Next(), TOKEN_END);
    EXPECT_EQ(lexer.Next(), TOKEN_END);
    EXPECT_EQ(lexer.Peek(), TOKEN_END);
}

TEST(Lexer, ReservedTokenNamesAreKeywords)
{
    CLqlLexer lexer("number string error");
    EXPECT_EQ(lexer.Next(), TOKEN_NUMBER);
    EXPECT_EQ(lexer.GetNumber(), 4294967295u);
    EXPECT_EQ(lexer.Next(), TOKEN_STRING);
    EXPECT_EQ(lexer.Next(), TOKEN_ERROR);
}

TEST(Lexer, OperatorsAreSingleCharacters)
{
    EXPECT_EQ(Types("srcip>=5"), (std::vector<int32_t>{KEY_SRCIP, TOKEN_GREATER, TOKEN_EQUAL, TOKEN_NUMBER}));
    EXPECT_EQ(Types("tcp[13]<(x),"),
              (std::vector<int32_t>{KEY_TCP, TOKEN_LBRACKET, TOKEN_NUMBER, TOKEN_RBRACKET, TOKEN_LESS, TOKEN_LPAREN,
                                    TOKEN_STRING, TOKEN_RPAREN, TOKEN_COMMA}));
}

TEST(Lexer, SingleQuotedStrings)
{
    CLqlLexer lexer("'my gateway' '' 'abc");
    EXPECT_EQ(lexer.Next(), TOKEN_STRING);
    EXPECT_EQ(Text(lexer), "my gateway");
    EXPECT_EQ(lexer.Next(), TOKEN_STRING);
    EXPECT_EQ(Text(lexer), "");
    EXPECT_EQ(lexer.Next(), TOKEN_ERROR);
    EXPECT_EQ(lexer.Next(), TOKEN_END);
}

TEST(Lexer, DoubleQuotedStringsKeepQuotesAndSwallowWhatFollows)
{
    CLqlLexer lexer("\"d:\\logs\\1-0.osl\" \"a\"b c \"open");
    EXPECT_EQ(lexer.Next(), TOKEN_STRING);
    EXPECT_EQ(Text(lexer), "\"d:\\logs\\1-0.osl\"");
    EXPECT_EQ(lexer.Next(), TOKEN_STRING);
    EXPECT_EQ(Text(lexer), "\"a\"");
    EXPECT_EQ(lexer.Next(), TOKEN_STRING);
    EXPECT_EQ(Text(lexer), "c");
    EXPECT_EQ(lexer.Next(), TOKEN_STRING);
    EXPECT_EQ(Text(lexer), "\"open");
}

TEST(Lexer, TabStaysInsideAWord)
{
    CLqlLexer lexer("srcip\tdestip");
    EXPECT_EQ(lexer.Next(), TOKEN_STRING);
    EXPECT_EQ(Text(lexer), "srcip\tdestip");
}

TEST(Lexer, PushBackAndPeek)
{
    CLqlLexer lexer("select srcip,from gw1");
    EXPECT_EQ(lexer.Next(), KEY_SELECT);
    EXPECT_EQ(lexer.Peek(), KEY_SRCIP);
    EXPECT_EQ(lexer.Next(), KEY_SRCIP);
    EXPECT_EQ(lexer.Next(), TOKEN_COMMA);
    EXPECT_EQ(lexer.Next(), KEY_FROM);
    lexer.PushBack();
    EXPECT_EQ(lexer.Next(), KEY_FROM);
    EXPECT_EQ(lexer.Next(), TOKEN_STRING);
    EXPECT_EQ(lexer.Next(), TOKEN_END);
    lexer.PushBack();
    EXPECT_EQ(lexer.Next(), TOKEN_END);

    // A quoted string pushed back is read again whole, not from its first word.
    CLqlLexer quoted("'a b' x");
    EXPECT_EQ(quoted.Next(), TOKEN_STRING);
    quoted.PushBack();
    EXPECT_EQ(quoted.Next(), TOKEN_STRING);
    EXPECT_EQ(Text(quoted), "a b");
}

TEST(Lexer, GetTextRespectsTheBufferSize)
{
    CLqlLexer lexer("gateway");
    lexer.Next();
    char szSmall[7] = "xxxxxx";
    EXPECT_EQ(lexer.GetText(szSmall, sizeof(szSmall)), nullptr);
    EXPECT_STREQ(szSmall, "xxxxxx");
    char szExact[8];
    EXPECT_STREQ(lexer.GetText(szExact, sizeof(szExact)), "gateway");
}

TEST(Lexer, NumbersInEveryBase)
{
    struct Case {
        const char* m_pszText;
        uint32_t m_nValue;
    } aCases[] = {
        // clang-format off
        { "015", 13 },        { "0x1F", 31 },       { "x1f", 31 },          { "$ff", 255 },
        { "b101", 5 },        { "0B11", 3 },        { "08", 8 },            { "0", 0 },
        { "4294967295", 4294967295u },              { "4294967296", 429496729u * 10 },
        { "42949672950", 4294967295u },             { "zz", 0 },
        // clang-format on
    };
    for (const Case& c : aCases) {
        std::string strStatement = std::string("'") + c.m_pszText + "'";
        CLqlLexer lexer(strStatement.c_str());
        lexer.Next();
        EXPECT_EQ(lexer.GetNumberAuto(), c.m_nValue) << c.m_pszText;
    }
    CLqlLexer big("99999999999");
    big.Next();
    EXPECT_EQ(big.GetNumber(), 4294967295u);
}

TEST(Lexer, ScanToReadsRawText)
{
    CLqlLexer lexer("in ('10.0.0.1, 10.0.0.5') x");
    lexer.Next();
    lexer.Next();
    lexer.ScanTo(')');
    EXPECT_EQ(lexer.GetType(), TOKEN_STRING);
    EXPECT_EQ(Text(lexer), "'10.0.0.1, 10.0.0.5'");
    EXPECT_EQ(lexer.Next(), TOKEN_RPAREN);

    CLqlLexer open("(10.0.0.1");
    open.Next();
    open.ScanTo(')');
    EXPECT_EQ(open.GetType(), TOKEN_ERROR);
}

TEST(Lexer, ErrorContextOfTheWorkedExample)
{
    const char* pszStatement = "select srcip from gw1 last days x";
    CLqlLexer lexer(pszStatement);
    while (lexer.Next() != TOKEN_STRING || Text(lexer) != "x") {
    }
    EXPECT_STREQ(lexer.SetErrorContext("message"), "message");
    EXPECT_STREQ(lexer.GetContext(), pszStatement);
    EXPECT_EQ(lexer.GetCaretColumn(), 32);
}

TEST(Lexer, ErrorContextOfALongStatement)
{
    // w1 .. w20; the failing token is w12.
    std::string strStatement;
    for (int i = 1; i <= 20; ++i)
        strStatement += (i > 1 ? " w" : "w") + std::to_string(i);
    CLqlLexer lexer(strStatement.c_str());
    for (int i = 0; i < 12; ++i)
        lexer.Next();
    lexer.SetErrorContext("m");
    EXPECT_STREQ(lexer.GetContext(), " w6 w7 w8 w9 w10 w11 w12 w13 w14 w15 w");
    EXPECT_EQ(lexer.GetCaretColumn(), static_cast<int>(std::string(" w6 w7 w8 w9 w10 w11 ").size()));
}

TEST(Lexer, ErrorContextOnTheFirstWordAndOnAnEmptyStatement)
{
    CLqlLexer lexer("selct srcip from gw1");
    lexer.Next();
    lexer.SetErrorContext("m");
    EXPECT_EQ(lexer.GetCaretColumn(), 0);
    EXPECT_STREQ(lexer.GetContext(), "selct srcip from gw1");

    CLqlLexer empty("");
    empty.Next();
    empty.SetErrorContext("m");
    EXPECT_STREQ(empty.GetContext(), "");
    EXPECT_EQ(empty.GetCaretColumn(), 0);
}

TEST(Lexer, ErrorContextIsCutToTheBuffer)
{
    std::string strLong = "select " + std::string(400, 'a') + " from " + std::string(300, 'b') + " x";
    CLqlLexer lexer(strLong.c_str());
    for (int i = 0; i < 5; ++i)
        lexer.Next();
    lexer.SetErrorContext("m");
    std::string strContext = lexer.GetContext();
    EXPECT_LE(strContext.size(), 255u);
    ASSERT_LT(static_cast<size_t>(lexer.GetCaretColumn()), strContext.size());
    EXPECT_EQ(strContext[static_cast<size_t>(lexer.GetCaretColumn())], 'x');
}
