// Folding of the letters A to Z only, and the comparisons built on it.
#include "support/ascii.h"

#include <gtest/gtest.h>

TEST(Ascii, OnlyTheLettersAToZFold)
{
    // Bytes above 127 never fold, whatever a locale would say about them.
    EXPECT_TRUE(EqualNoCase("GW-East_1", "gw-east_1"));
    EXPECT_FALSE(EqualNoCase("\xC4rger", "\xE4rger"));
    EXPECT_FALSE(EqualNoCase("[", "{"));  // 0x5B and 0x7B differ by 32 but are no letters
    EXPECT_FALSE(EqualNoCase("@", "`"));
}

TEST(Ascii, EqualityComparesWholeTexts)
{
    EXPECT_TRUE(EqualNoCase("", ""));
    EXPECT_FALSE(EqualNoCase("gw1", "gw"));
    EXPECT_FALSE(EqualNoCase("gw", "gw1"));

    // The bounded text ends at nMax bytes or at its first zero byte.
    EXPECT_TRUE(EqualNoCaseBounded("LANxyz", 3, "lan"));
    EXPECT_FALSE(EqualNoCaseBounded("LANxyz", 4, "lan"));
    EXPECT_FALSE(EqualNoCaseBounded("LAN", 2, "lan"));
    EXPECT_TRUE(EqualNoCaseBounded("lan\0wan", 7, "LAN"));
    EXPECT_TRUE(EqualNoCaseBounded("anything", 0, ""));
}

TEST(Ascii, OrderAndPrefixes)
{
    EXPECT_EQ(CompareNoCase("GW1", "gw1"), 0);
    EXPECT_LT(CompareNoCase("gw", "GW1"), 0);
    EXPECT_GT(CompareNoCase("gw2", "GW1"), 0);
    EXPECT_GT(CompareNoCase("\xE4", "z"), 0);  // bytes order as unsigned values

    EXPECT_TRUE(StartsWithNoCase("SELECT srcip", "select"));
    EXPECT_TRUE(StartsWithNoCase("select", "select"));
    EXPECT_FALSE(StartsWithNoCase("sele", "select"));
    EXPECT_FALSE(StartsWithNoCase("selekt", "select"));
    EXPECT_STREQ(SkipBlanksAndTabs(" \t \nx"), "\nx");
}
