// CSString: shared copies, capacity, formatting, searching and editing,
// trimming, comparison and buffer access.
#include "support/sstring.h"

#include <gtest/gtest.h>

#include <string>

TEST(SString, CopiesShareUntilOneChanges)
{
    CSString a("gateway");
    CSString b(a);
    EXPECT_EQ(a.GetString(), b.GetString());
    b += "-east";
    EXPECT_STREQ(a, "gateway");
    EXPECT_STREQ(b, "gateway-east");
    EXPECT_NE(a.GetString(), b.GetString());

    CSString c;
    c = a;
    EXPECT_EQ(c.GetString(), a.GetString());
    c.Trim();  // no change needed, but the buffer still becomes private
    EXPECT_STREQ(a, "gateway");
}

TEST(SString, CapacityRule)
{
    CSString empty;
    EXPECT_EQ(empty.GetCapacity(), 244);
    EXPECT_TRUE(empty.IsEmpty());

    CSString fits(std::string(243, 'x').c_str());
    EXPECT_EQ(fits.GetCapacity(), 244);

    CSString grown(std::string(244, 'x').c_str());  // 245 bytes with the terminator
    EXPECT_EQ(grown.GetCapacity(), 500);
    EXPECT_EQ(grown.GetLength(), 244);

    CSString appended;
    for (int i = 0; i < 1000; ++i)
        appended += 'y';
    EXPECT_EQ(appended.GetLength(), 1000);
    EXPECT_EQ(appended.GetCapacity(), (1001 + 12) / 256 * 256 + 256 - 12);
}

TEST(SString, FormatIsCutToTheCurrentCapacity)
{
    CSString text;
    text.Format("%s", std::string(300, 'a').c_str());
    EXPECT_EQ(text.GetLength(), 243);

    CSString big(std::string(600, 'b').c_str());
    int nCapacity = big.GetCapacity();
    big.Format("%d-%s", 42, "x");
    EXPECT_STREQ(big, "42-x");
    EXPECT_EQ(big.GetCapacity(), nCapacity);

    CSString self("abc");
    self.Format("%s%s", self.GetString(), "def");
    EXPECT_STREQ(self, "abcdef");
}

TEST(SString, LeftDeleteFindReplace)
{
    CSString text("select srcip");
    EXPECT_STREQ(text.Left(6), "select");
    EXPECT_STREQ(text.Left(12), "select srcip");
    EXPECT_TRUE(text.Left(13).IsEmpty());
    EXPECT_EQ(text.Find('s'), 0);
    EXPECT_EQ(text.Find('z'), -1);
    EXPECT_EQ(text.Find("src"), 7);
    EXPECT_EQ(text.Find("dst"), -1);

    CSString copy(text);
    copy.Delete(0, 7);
    EXPECT_STREQ(copy, "srcip");
    copy.Delete(3, 5);  // runs past the end: nothing happens
    EXPECT_STREQ(copy, "srcip");
    EXPECT_STREQ(text, "select srcip");

    CSString quoted("say \"hi\" \"there\"");
    EXPECT_EQ(quoted.Replace('"', '\''), 4);
    EXPECT_STREQ(quoted, "say 'hi' 'there'");
}

TEST(SString, TrimRemovesCodesOneToThirtyTwoOnly)
{
    CSString blank(" \t\r\n ");
    blank.Trim();
    EXPECT_TRUE(blank.IsEmpty());

    CSString text("\x01 value\x1f \xa0");
    text.Trim();
    EXPECT_STREQ(text, "value\x1f \xa0");  // byte 160 is kept, so the blank before it stays

    CSString left("  a  ");
    left.TrimLeft();
    EXPECT_STREQ(left, "a  ");
    left.TrimRight();
    EXPECT_STREQ(left, "a");
}

TEST(SString, CompareNoCaseAndConcatenation)
{
    CSString name("GW1");
    EXPECT_EQ(name.CompareNoCase("gw1"), 0);
    EXPECT_LT(name.CompareNoCase("gw0"), 0);
    EXPECT_GT(name.CompareNoCase("gw2"), 0);

    CSString joined = name + "/" + CSString("200606") + "/";
    EXPECT_STREQ(joined, "GW1/200606/");
    EXPECT_STREQ("root/" + name, "root/GW1");
    CSString twice(name);
    twice += twice;
    EXPECT_STREQ(twice, "GW1GW1");
}

TEST(SString, BufferAccess)
{
    CSString text("abc");
    CSString shared(text);
    char* p = text.GetBuffer(600);
    EXPECT_GE(text.GetCapacity(), 600);
    p[3] = 'd';
    p[4] = '\0';
    text.ReleaseBuffer();
    EXPECT_STREQ(text, "abcd");
    EXPECT_STREQ(shared, "abc");

    text.GetBuffer(10);
    text.ReleaseBuffer(2);
    EXPECT_STREQ(text, "ab");
    text.ReleaseBuffer(100000);  // beyond the capacity empties the string
    EXPECT_TRUE(text.IsEmpty());

    CSString counted("abcdef", 3);
    EXPECT_STREQ(counted, "abc");
    CSString shortText("ab", 10);
    EXPECT_STREQ(shortText, "ab");
    CSString none(nullptr);
    EXPECT_TRUE(none.IsEmpty());
}
