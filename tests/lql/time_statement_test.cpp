// Time statements: dates read field by field, "times" ranges and "last"
// periods in UTC from a fixed clock, local times across daylight saving,
// huge counts, a failing clock, and the texts of their errors.
#include "lql/time_statement.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "lql/lexer.h"
#include "tests/lql/lql_test_util.h"

namespace {

struct CTimeResult {
    bool m_bOk = false;
    std::string m_strStart;
    std::string m_strEnd;
    std::string m_strError;
    int32_t m_nNextType = -1;  // the token the parser left for the FROM list
};

// Runs a time statement on the text that follows "times" or "last".
CTimeResult Run(const char* pszText, ETimeForm eForm)
{
    CLqlLexer lexer(pszText);
    CTimeStatement statement(&lexer);
    struct tm tmStart = {};
    struct tm tmEnd = {};
    CTimeResult result;
    result.m_bOk = statement.Parse(tmStart, tmEnd, eForm);
    if (result.m_bOk) {
        result.m_strStart = TmText(tmStart);
        result.m_strEnd = TmText(tmEnd);
    }
    result.m_strError = statement.GetErrorText().GetString();
    result.m_nNextType = lexer.Next();
    return result;
}

// "<start> to <end>" of a statement that was read, else its error text.
std::string RangeText(const CTimeResult& result)
{
    return result.m_bOk ? result.m_strStart + " to " + result.m_strEnd : "error: " + result.m_strError;
}

CTimeResult Times(const char* pszText)
{
    return Run(pszText, TIME_FORM_TIMES);
}
CTimeResult Last(const char* pszText)
{
    return Run(pszText, TIME_FORM_LAST);
}

time_t FailingClock()
{
    return static_cast<time_t>(-1);
}

// A statement text and the error text its parse must end with.
struct CErrorCase {
    const char* m_pszText;
    const char* m_pszError;
};

template <size_t COUNT>
void ExpectErrors(CTimeResult (*pfnParse)(const char*), const CErrorCase (&aCases)[COUNT])
{
    for (const CErrorCase& c : aCases) {
        CTimeResult result = pfnParse(c.m_pszText);
        EXPECT_FALSE(result.m_bOk) << c.m_pszText;
        EXPECT_EQ(result.m_strError, c.m_pszError) << c.m_pszText;
    }
}

}  // namespace

TEST(ParseDateTime, ReadsFieldByFieldAndStopsAtTheFirstBadField)
{
    struct Case {
        const char* m_pszText;
        int m_nFields;
        const char* m_pszRead;
        int m_nEndOffset;
    } aCases[] = {
        // clang-format off
        { "2006",                   1, "2006-01-01 00:00:00",  4 },
        { "  \t2006-12-31 23:59:59", 6, "2006-12-31 23:59:59", 22 },
        { "2006-06-01   07:05:09x", 6, "2006-06-01 07:05:09", 21 },
        { "2006-6-1",               1, "2006-01-01 00:00:00",  4 },
        { "2006-13-01",             1, "2006-01-01 00:00:00",  4 },
        { "2006-00-01",             1, "2006-01-01 00:00:00",  4 },
        { "2006-06-32",             2, "2006-06-01 00:00:00",  7 },
        { "2006-06-01 24:00",       3, "2006-06-01 00:00:00", 10 },
        { "2006-06-01\t12",         3, "2006-06-01 00:00:00", 10 },
        { "2006-06-01 12:60",       4, "2006-06-01 12:00:00", 13 },
        { "2006-06-01 12:30:123",   5, "2006-06-01 12:30:00", 16 },
        { "2006-06-01 12:30:99999999999", 5, "2006-06-01 12:30:00", 16 },
        // clang-format on
    };
    for (const Case& c : aCases) {
        CDateTime dateTime;
        const char* pEnd = nullptr;
        EXPECT_EQ(CTimeStatement::ParseDateTime(c.m_pszText, dateTime, &pEnd), c.m_nFields) << c.m_pszText;
        char szRead[64];
        std::snprintf(szRead, sizeof(szRead), "%04u-%02u-%02u %02u:%02u:%02u", dateTime.m_nYear, dateTime.m_nMonth,
                      dateTime.m_nDay, dateTime.m_nHour, dateTime.m_nMinute, dateTime.m_nSecond);
        EXPECT_STREQ(szRead, c.m_pszRead) << c.m_pszText;
        EXPECT_EQ(pEnd - c.m_pszText, c.m_nEndOffset) << c.m_pszText;
    }
    CDateTime dateTime;
    for (const char* pszBad : {"06-06-01", "20061", "", "x2006"})
        EXPECT_EQ(CTimeStatement::ParseDateTime(pszBad, dateTime), -1) << pszBad;
}

TEST(TimesStatement, DatesAndTimesInUtc)
{
    CTimeZoneScope zone("UTC");
    struct Case {
        const char* m_pszText;
        const char* m_pszStart;
        const char* m_pszEnd;
        int32_t m_nNextType;
    } aCases[] = {
        // clang-format off
        { "2006-06-01 to 2006-06-30",                   "2006-06-01 00:00:00", "2006-06-30 00:00:00", TOKEN_END   },
        { "2006-06-01 12:00 to 2006-06-01 13:30:15",    "2006-06-01 12:00:00", "2006-06-01 13:30:15", TOKEN_END   },
        { "2006 to 2007",                               "2006-01-01 00:00:00", "2007-01-01 00:00:00", TOKEN_END   },
        { "2006-6-1 to 2006-07-01",                     "2006-01-01 00:00:00", "2006-07-01 00:00:00", TOKEN_END   },
        { "2006-06-31 to 2006-07-01",                   "2006-07-01 00:00:00", "2006-07-01 00:00:00", TOKEN_END   },
        { "2006-06-01 to 2006-07-01 gw2",               "2006-06-01 00:00:00", "2006-07-01 00:00:00", TOKEN_END   },
        { "2006-06-01 to 2006-07-01 and gw2",           "2006-06-01 00:00:00", "2006-07-01 00:00:00", KEY_AND     },
        { "2006-06-01 to 2006-07-01 where srcip = 1",   "2006-06-01 00:00:00", "2006-07-01 00:00:00", KEY_WHERE   },
        { "'2006-06-01' '08:00' TO '2006-06-02' 09:00", "2006-06-01 08:00:00", "2006-06-02 09:00:00", TOKEN_END   },
        // clang-format on
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.m_pszText);
        CTimeResult result = Times(c.m_pszText);
        EXPECT_EQ(RangeText(result), std::string(c.m_pszStart) + " to " + c.m_pszEnd);
        EXPECT_EQ(result.m_nNextType, c.m_nNextType);
    }
}

TEST(TimesStatement, LocalDatesAreDeliveredInUtc)
{
    CTimeZoneScope zone("Europe/Berlin");
    EXPECT_EQ(RangeText(Times("2006-06-01 to 2006-06-30")), "2006-05-31 22:00:00 to 2006-06-29 22:00:00");
    // Across the change to winter time: the end is an hour further from UTC.
    EXPECT_EQ(RangeText(Times("2006-10-28 12:00 to 2006-10-30 12:00")), "2006-10-28 10:00:00 to 2006-10-30 11:00:00");
}

TEST(TimesStatement, ErrorTexts)
{
    CTimeZoneScope zone("UTC");
    const CErrorCase aCases[] = {
        // clang-format off
        { "06-06-01 to 2006-07-01",        "A valid time was expected"          },
        { "2006-06-01 to 06-07-01",        "A valid time was expected"          },
        { "2006-06-01 2006-07-01",         "Expected to find the 'TO' operator" },
        { "2006-06-01 to 2006-07-01, gw2", "A valid time was expected"          },
        { "2006-06-01 last days 2",        "A valid time was expected"          },
        { "to 2006-07-01",                 "A valid date was expected"          },
        { "",                              "A valid date was expected"          },
        { "2006-06-01 to",                 "A valid date was expected"          },
        { "2006-06-01 to 'unterminated",   "A valid date was expected"          },
        { "2006-06-01",                    "A valid time was expected"          },
        // clang-format on
    };
    ExpectErrors(Times, aCases);
}

TEST(LastStatement, PeriodsCountedBackFromNowInUtc)
{
    CTimeZoneScope zone("UTC");
    CFixedClock clock(kJune15);  // 2006-06-15 10:25:13
    struct Case {
        const char* m_pszText;
        const char* m_pszStart;
        const char* m_pszEnd;
    } aCases[] = {
        // clang-format off
        { "days 2",        "2006-06-13 10:25:13", "2006-07-15 10:25:13" },
        { "DAYS 0",        "2006-06-15 10:25:13", "2006-07-15 10:25:13" },
        { "hours 3",       "2006-06-15 07:25:13", "2006-07-15 10:25:13" },
        { "full day",      "2006-06-14 00:00:00", "2006-06-15 00:00:00" },
        { "full days 3",   "2006-06-12 00:00:00", "2006-06-15 00:00:00" },
        { "full hours 2",  "2006-06-15 08:00:00", "2006-06-15 10:00:00" },
        // clang-format on
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.m_pszText);
        CTimeResult result = Last(c.m_pszText);
        EXPECT_EQ(RangeText(result), std::string(c.m_pszStart) + " to " + c.m_pszEnd);
        EXPECT_EQ(result.m_nNextType, TOKEN_END);
    }
}

TEST(LastStatement, LocalTimeWithDaylightSaving)
{
    CTimeZoneScope zone("Europe/Berlin");
    {
        CFixedClock clock(kJune15 - 7200);  // 2006-06-15 10:25:13 local summer time
        EXPECT_EQ(RangeText(Last("full day")), "2006-06-13 22:00:00 to 2006-06-14 22:00:00");
        EXPECT_EQ(RangeText(Last("days 2")), "2006-06-13 08:25:13 to 2006-07-15 08:25:13");
    }
    {
        // 2006-03-27 10:00 summer time; the day before began in winter time.
        CFixedClock clock(1143446400);
        // From 2006-03-26 00:00 winter time to 2006-03-27 00:00 summer time.
        EXPECT_EQ(RangeText(Last("full day")), "2006-03-25 23:00:00 to 2006-03-26 22:00:00");
        CTimeResult fullDays = Last("full days 2");
        ASSERT_TRUE(fullDays.m_bOk);
        EXPECT_EQ(fullDays.m_strStart, "2006-03-24 23:00:00");
        CTimeResult days = Last("days 1");
        ASSERT_TRUE(days.m_bOk);
        EXPECT_EQ(days.m_strStart, "2006-03-26 08:00:00");  // exactly 86400 seconds back
        EXPECT_EQ(RangeText(Last("full hours 1")), "2006-03-27 07:00:00 to 2006-03-27 08:00:00");
    }
    {
        // 2006-10-15 12:00 summer time: a month later is 12:00 winter time.
        CFixedClock clock(1160906400);
        CTimeResult hours = Last("hours 1");
        ASSERT_TRUE(hours.m_bOk);
        EXPECT_EQ(hours.m_strEnd, "2006-11-15 11:00:00");
    }
}

TEST(LastStatement, HugeCountsDoNotOverflow)
{
    CTimeZoneScope zone("UTC");
    CFixedClock clock(kJune15);
    EXPECT_TRUE(Last("days 4294967294").m_bOk);
    EXPECT_TRUE(Last("hours 4294967295").m_bOk);
    EXPECT_TRUE(Last("full days 4294967295").m_bOk);
    CTimeResult hours = Last("full hours 4294967295");
    EXPECT_TRUE(hours.m_bOk);
    EXPECT_EQ(hours.m_strEnd, "2006-06-15 10:00:00");
}

TEST(LastStatement, ErrorTexts)
{
    CTimeZoneScope zone("UTC");
    CFixedClock clock(kJune15);
    const CErrorCase aCases[] = {
        // clang-format off
        { "days x",               "Expected an integer value"           },
        { "days",                 "Expected an integer value"           },
        { "full days x",          "Expected an integer value"           },
        { "days 99999999999",     "Not a valid integer value"           },
        { "7 days",               "Unknown time expression found"       },
        { "day",                  "Unknown time expression found"       },
        { "full week",            "Expected DAY, DAYS or HOURS keyword" },
        { "full",                 "Expected DAY, DAYS or HOURS keyword" },
        // clang-format on
    };
    ExpectErrors(Last, aCases);
}

TEST(LastStatement, ClockFailure)
{
    SetLqlClock(&FailingClock);
    CTimeResult result = Last("days 1");
    SetLqlClock(nullptr);
    EXPECT_FALSE(result.m_bOk);
    EXPECT_EQ(result.m_strError, "Failed to get the current time");
}
