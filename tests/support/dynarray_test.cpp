// CDynArray: growth, removal, deep copies, appending one of its own
// elements while it grows, and the stop on an index beyond the size.
#include "support/dynarray/dynarray.h"

#include <gtest/gtest.h>

#include "support/sstring.h"

TEST(DynArray, GrowthDoublesTheRequestedSize)
{
    CDynArray<int> values;
    values.Reserve(8);
    EXPECT_EQ(values.GetSize(), 0);
    EXPECT_EQ(values.GetCapacity(), 8);
    for (int i = 0; i < 9; ++i)
        values.Add(i * 10);
    EXPECT_EQ(values.GetCapacity(), 18);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(values[i], i * 10);
}

TEST(DynArray, GrowByAddsAFixedAmount)
{
    CDynArray<int> values;
    values.SetGrowBy(4);
    values.Reserve(8);
    values.SetSize(9);
    EXPECT_EQ(values.GetCapacity(), 13);
}

TEST(DynArray, SetSizeZeroKeepsTheStorage)
{
    CDynArray<CSString> names;
    names.Reserve(8);
    names.Add("a");
    names.Add("b");
    names.SetSize(0);
    EXPECT_EQ(names.GetSize(), 0);
    EXPECT_EQ(names.GetCapacity(), 8);
    names.Add("c");
    EXPECT_EQ(names.GetCapacity(), 8);
    EXPECT_STREQ(names[0], "c");
}

TEST(DynArray, RemoveKeepsOrderAndCopiesAreDeep)
{
    CDynArray<CSString> names;
    names.Add("first");
    names.Add("second");
    names.Add("third");
    CDynArray<CSString> copy(names);
    names.RemoveAt(1);
    ASSERT_EQ(names.GetSize(), 2);
    EXPECT_STREQ(names[0], "first");
    EXPECT_STREQ(names[1], "third");
    ASSERT_EQ(copy.GetSize(), 3);
    EXPECT_STREQ(copy[1], "second");

    names = copy;
    EXPECT_EQ(names.GetSize(), 3);
    names.RemoveAt(0, 3);
    EXPECT_EQ(names.GetSize(), 0);
}

TEST(DynArray, AppendingAnElementOfItselfWhileGrowing)
{
    CDynArray<CSString> names;
    names.Reserve(1);
    names.Add("only");
    names.Add(names[0]);  // the source slot is released by the growth
    EXPECT_STREQ(names[1], "only");
}

TEST(DynArrayDeathTest, IndexBeyondTheSizeStops)
{
    CDynArray<int> values;
    values.Add(1);
    EXPECT_DEATH(values.ElementAt(2), "nPos <= m_nSize");
    EXPECT_DEATH(values.RemoveAt(0, 2), "nPos <= m_nSize && nCount <= \\(m_nSize - nPos\\)");
}
