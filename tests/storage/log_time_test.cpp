// The stored time stamp: known points, agreement with the civil calendar,
// its limits, date normalisation, and conversion from broken-down times.
#include "storage/log_time.h"

#include <gtest/gtest.h>

#include "testing/log_db_writer.h"

namespace {

CLogDate Date(int nYear, int nMonth, int nDay, int nHour = 0, int nMinute = 0, int nSecond = 0)
{
    CLogDate date;
    date.m_nYear = static_cast<uint16_t>(nYear);
    date.m_nMonth = static_cast<uint16_t>(nMonth);
    date.m_nDay = static_cast<uint16_t>(nDay);
    date.m_nHour = static_cast<uint16_t>(nHour);
    date.m_nMinute = static_cast<uint16_t>(nMinute);
    date.m_nSecond = static_cast<uint16_t>(nSecond);
    return date;
}

LogTime Convert(const CLogDate& date)
{
    LogTime nTime = 0;
    EXPECT_TRUE(DateToLogTime(date, nTime));
    return nTime;
}

TEST(DateToLogTime, KnownPoints)
{
    EXPECT_EQ(Convert(Date(2006, 6, 20)), 633178944000000000ull);
    EXPECT_EQ(Convert(Date(1970, 1, 1)), 62167132800ull * 10000000ull);
    EXPECT_EQ(Convert(Date(0, 1, 1)), 0ull);
    EXPECT_EQ(Convert(Date(2006, 6, 20, 13, 45, 10)), 633178944000000000ull + (13 * 3600 + 45 * 60 + 10) * 10000000ull);
}

// Every day of two and a half centuries (1900 and 2100 are no leap years,
// 2000 is) against an independent civil-calendar count.
TEST(DateToLogTime, AgreesWithTheCivilCalendar)
{
    LogTime nExpected = testdata::LogTimeFromUtc(1899, 12, 31);
    for (int nYear = 1900; nYear <= 2150; ++nYear) {
        for (int nMonth = 1; nMonth <= 12; ++nMonth) {
            CLogDate date = Date(nYear, nMonth, 1);
            for (int nDay = 1; nDay <= 31; ++nDay) {
                date.m_nDay = static_cast<uint16_t>(nDay);
                CLogDate normal = date;
                NormalizeDate(normal);
                if (normal.m_nMonth != nMonth)
                    break;
                nExpected += 86400ull * 10000000ull;
                ASSERT_EQ(Convert(date), nExpected) << nYear << "-" << nMonth << "-" << nDay;
            }
        }
    }
}

TEST(DateToLogTime, RejectsOnlyWhatLiesOutsideItsLimits)
{
    LogTime nTime = 0;
    EXPECT_FALSE(DateToLogTime(Date(29228, 1, 1), nTime));
    EXPECT_FALSE(DateToLogTime(Date(2006, 0, 1), nTime));
    EXPECT_FALSE(DateToLogTime(Date(2006, 14, 1), nTime));
    EXPECT_FALSE(DateToLogTime(Date(2006, 6, 0), nTime));
    EXPECT_FALSE(DateToLogTime(Date(2006, 6, 32), nTime));

    EXPECT_TRUE(DateToLogTime(Date(29227, 12, 31, 23, 59, 59), nTime));
    // Month 13 is January of the next year; a day past the month's end runs on.
    EXPECT_EQ(Convert(Date(2006, 13, 1)), testdata::LogTimeFromUtc(2007, 1, 1));
    EXPECT_EQ(Convert(Date(2008, 13, 1)), testdata::LogTimeFromUtc(2009, 1, 1));
    EXPECT_EQ(Convert(Date(2006, 2, 31)), testdata::LogTimeFromUtc(2006, 3, 3));
    EXPECT_EQ(Convert(Date(2006, 6, 31)), testdata::LogTimeFromUtc(2006, 7, 1));
}

TEST(NormalizeDate, StepsIntoTheFollowingMonthsAndYears)
{
    struct {
        CLogDate in;
        int nYear, nMonth, nDay;
    } const aCases[] = {
        // clang-format off
        {Date(2008, 2, 29), 2008, 2, 29},   // leap day stays
        {Date(2007, 2, 29), 2007, 3, 1},
        {Date(2000, 2, 30), 2000, 3, 1},    // 2000 is a leap year
        {Date(1900, 2, 29), 1900, 3, 1},    // 1900 is not
        {Date(2006, 12, 32), 2007, 1, 1},
        {Date(2006, 13, 1), 2007, 1, 1},
        {Date(2006, 13, 32), 2007, 2, 1},
        {Date(2006, 1, 62), 2006, 3, 3},
        {Date(2006, 6, 31), 2006, 7, 1},
        // clang-format on
    };
    for (const auto& test : aCases) {
        CLogDate date = test.in;
        NormalizeDate(date);
        EXPECT_EQ(date.m_nYear, test.nYear);
        EXPECT_EQ(date.m_nMonth, test.nMonth);
        EXPECT_EQ(date.m_nDay, test.nDay) << test.in.m_nYear << "-" << test.in.m_nMonth << "-" << test.in.m_nDay;
    }
}

TEST(CLogDate, FromBrokenDownTime)
{
    struct tm tmTime = testdata::UtcTm(2006, 6, 20, 13, 45, 10);
    CLogDate date(tmTime);
    EXPECT_EQ(date.m_nYear, 2006);
    EXPECT_EQ(date.m_nMonth, 6);
    EXPECT_EQ(date.m_nDay, 20);
    EXPECT_EQ(date.m_nHour, 13);
    EXPECT_EQ(date.m_nMinute, 45);
    EXPECT_EQ(date.m_nSecond, 10);
    EXPECT_EQ(date.m_nSubSecond, 0u);

    // Long before year 0 (a huge "last days" count): the start of the scale.
    tmTime.tm_year = -1000000;
    EXPECT_EQ(Convert(CLogDate(tmTime)), 0ull);
    // Far beyond the scale: no conversion.
    tmTime.tm_year = 70000;
    LogTime nTime;
    EXPECT_FALSE(DateToLogTime(CLogDate(tmTime), nTime));
}

}  // namespace
