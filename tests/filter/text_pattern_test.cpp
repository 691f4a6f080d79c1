// The description pattern: case-insensitive substrings, the empty pattern,
// where a text ends, the 127-character limit, and agreement with a plain
// scan.
#include "filter/text_pattern.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <random>
#include <string>

namespace {

bool Find(const char* pszPattern, const std::string& strText)
{
    return CTextPattern(pszPattern).Find(strText.data(), strText.size());
}

TEST(TextPattern, FindsSubstringsIgnoringCase)
{
    EXPECT_TRUE(Find("aba", "xbaba"));
    EXPECT_TRUE(Find("login fail", "User LOGIN FAILED"));
    EXPECT_TRUE(Find("LOGIN", "user login failed"));
    EXPECT_TRUE(Find("aaab", "aaaaaab"));
    EXPECT_TRUE(Find("abc", "abc"));
    EXPECT_TRUE(Find("c", "abc"));
    EXPECT_FALSE(Find("abcd", "abc"));
    EXPECT_FALSE(Find("login fail", "login fai"));
    EXPECT_FALSE(Find("xyz", "xyxzyz"));
    // Only ASCII letters fold; other bytes must be equal.
    EXPECT_TRUE(Find("caf\xc3\xa9", "CAF\xc3\xa9"));
    EXPECT_FALSE(Find("caf\xc3\xa9", "caf\xc3\x89"));
}

TEST(TextPattern, EmptyPatternMatchesOnlyAnEmptyText)
{
    EXPECT_TRUE(Find("", ""));
    EXPECT_FALSE(Find("", "a"));
    EXPECT_FALSE(Find("a", ""));
    EXPECT_TRUE(CTextPattern("").Find(nullptr, 0));
}

TEST(TextPattern, TextEndsAtItsLengthOrFirstZeroByte)
{
    const char aText[] = {'a', 'b', 'c', 'd'};  // no terminator: the length bounds it
    EXPECT_TRUE(CTextPattern("bcd").Find(aText, sizeof(aText)));
    EXPECT_FALSE(CTextPattern("bcd").Find(aText, 3));
    const std::string strZero("abc\0def", 7);
    EXPECT_TRUE(Find("abc", strZero));
    EXPECT_FALSE(Find("def", strZero));
    EXPECT_TRUE(Find("", std::string("\0abc", 4)));  // the text is empty
}

TEST(TextPattern, KeepsTheFirst127CharactersInLowerCase)
{
    std::string strLong(127, 'A');
    strLong += "ZZZ";
    CTextPattern pattern(strLong.c_str());
    EXPECT_EQ(pattern.GetLength(), 127);
    EXPECT_EQ(std::string(pattern.GetText()), std::string(127, 'a'));
    EXPECT_TRUE(pattern.Find(std::string(127, 'a').data(), 127));
    EXPECT_FALSE(pattern.Find(std::string(126, 'a').data(), 126));
}

// The search agrees with a plain scan over many small texts, so no shift
// ever skips a match.
TEST(TextPattern, AgreesWithAPlainScan)
{
    std::mt19937 random(12345);
    const char szAlphabet[] = "abAB";
    auto randomText = [&](size_t nLength) {
        std::string str;
        for (size_t i = 0; i < nLength; ++i)
            str += szAlphabet[random() % 4];
        return str;
    };
    auto lower = [](std::string str) {
        for (char& ch : str)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return str;
    };
    for (int nRound = 0; nRound < 5000; ++nRound) {
        std::string strPattern = randomText(1 + random() % 5);
        std::string strText = randomText(random() % 14);
        bool bExpected = lower(strText).find(lower(strPattern)) != std::string::npos;
        ASSERT_EQ(Find(strPattern.c_str(), strText), bExpected) << strPattern << " in " << strText;
    }
}

}  // namespace
