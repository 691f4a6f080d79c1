// The shared digit reader: the limit and where the scan stops, the end of
// the range, bases with letters, and the zero-terminated form.
#include "support/numbers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

CDigitRun Read(const char* psz, uint32_t nBase, uint32_t nMax)
{
    return ReadDigits(psz, psz + std::strlen(psz), nBase, nMax);
}

TEST(ReadDigits, StopsAtTheDigitThatWouldPassTheLimit)
{
    const char* pszText = "255x";
    CDigitRun run = ReadDigits(pszText, 10, 255);
    EXPECT_EQ(run.m_nValue, 255u);
    EXPECT_EQ(run.m_nDigits, 3);
    EXPECT_FALSE(run.m_bTooLarge);
    EXPECT_EQ(run.m_pAfter, pszText + 3);

    pszText = "256";
    run = ReadDigits(pszText, 10, 255);
    EXPECT_TRUE(run.m_bTooLarge);
    EXPECT_EQ(run.m_nValue, 25u);  // the digits before the one refused
    EXPECT_EQ(run.m_nDigits, 2);
    EXPECT_EQ(run.m_pAfter, pszText + 2);

    EXPECT_FALSE(Read("4294967295", 10, UINT32_MAX).m_bTooLarge);
    EXPECT_EQ(Read("4294967295", 10, UINT32_MAX).m_nValue, 4294967295u);
    EXPECT_TRUE(Read("4294967296", 10, UINT32_MAX).m_bTooLarge);
    EXPECT_TRUE(Read("99999999999999999999", 10, UINT32_MAX).m_bTooLarge);
    EXPECT_FALSE(Read("000000000000000000001", 10, 1).m_bTooLarge);  // leading zeros never overflow
}

TEST(ReadDigits, WithoutDigitsNothingIsTaken)
{
    for (const char* pszText : {"", " 1", "-1", "+1", "x"}) {
        CDigitRun run = ReadDigits(pszText, 10, UINT32_MAX);
        EXPECT_EQ(run.m_nDigits, 0) << pszText;
        EXPECT_EQ(run.m_nValue, 0u) << pszText;
        EXPECT_FALSE(run.m_bTooLarge) << pszText;
        EXPECT_EQ(run.m_pAfter, pszText) << pszText;
    }
}

TEST(ReadDigits, TheRangeEndStopsTheScan)
{
    const char* pszText = "12345";
    CDigitRun run = ReadDigits(pszText, pszText + 2, 10, UINT32_MAX);
    EXPECT_EQ(run.m_nValue, 12u);
    EXPECT_EQ(run.m_pAfter, pszText + 2);
    EXPECT_EQ(ReadDigits(pszText, pszText, 10, UINT32_MAX).m_nDigits, 0);
}

TEST(ReadDigits, LettersAreDigitsOfTheLargerBases)
{
    EXPECT_EQ(Read("fF", 16, UINT32_MAX).m_nValue, 255u);
    EXPECT_EQ(Read("fg", 16, UINT32_MAX).m_nDigits, 1);
    EXPECT_EQ(Read("zZ", 36, UINT32_MAX).m_nValue, 35u * 36 + 35);
    EXPECT_EQ(Read("778", 8, UINT32_MAX).m_nValue, 63u);
    EXPECT_EQ(Read("1012", 2, UINT32_MAX).m_nValue, 5u);
}

}  // namespace
