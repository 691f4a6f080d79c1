// Time statements: dates and times read field by field ("times ... to
// ..."), periods counted back from the current time ("last days 2", "last
// full hours 3"), local times converted to UTC, and the texts of their
// errors.
#include "lql/time_statement.h"

#include <cerrno>
#include <cstring>

#include "lql/lexer.h"
#include "lql/lql_clock.h"
#include "lql/token_text.h"
#include "support/ascii.h"
#include "support/numbers.h"

namespace {

enum ETimeError {
    TIME_ERR_DATE_EXPECTED,
    TIME_ERR_TIME_EXPECTED,
    TIME_ERR_TO_EXPECTED,
    TIME_ERR_DATE_OUT_OF_RANGE,
    TIME_ERR_NO_CURRENT_TIME,
    TIME_ERR_UNKNOWN_EXPRESSION,
    TIME_ERR_INTEGER_EXPECTED,
    TIME_ERR_INVALID_INTEGER,
    TIME_ERR_UNIT_EXPECTED,
    TIME_ERR_PERIOD_OUT_OF_RANGE,
    TIME_ERR_NO_CURRENT_DATE,
};

const char* const g_apszTimeErrors[] = {
    /* TIME_ERR_DATE_EXPECTED       */ "A valid date was expected",
    /* TIME_ERR_TIME_EXPECTED       */ "A valid time was expected",
    /* TIME_ERR_TO_EXPECTED         */ "Expected to find the 'TO' operator",
    /* TIME_ERR_DATE_OUT_OF_RANGE   */ "The time value specified is out of range",
    /* TIME_ERR_NO_CURRENT_TIME     */ "Failed to get the current time",
    /* TIME_ERR_UNKNOWN_EXPRESSION  */ "Unknown time expression found",
    /* TIME_ERR_INTEGER_EXPECTED    */ "Expected an integer value",
    /* TIME_ERR_INVALID_INTEGER     */ "Not a valid integer value",
    /* TIME_ERR_UNIT_EXPECTED       */ "Expected DAY, DAYS or HOURS keyword",
    /* TIME_ERR_PERIOD_OUT_OF_RANGE */ "Time value out of range",
    /* TIME_ERR_NO_CURRENT_DATE     */ "Failed to get the current date",
};

// The fields after the year: each is read only when the character in front
// of it is its lead character, and must have exactly two digits in range.
struct CDateField {
    char m_chLead;
    uint16_t CDateTime::*m_pnField;
    unsigned m_nMin;
    unsigned m_nMax;
};

const CDateField g_aDateFields[] = {
    // clang-format off
//    lead  field                   min  max
    { '-', &CDateTime::m_nMonth,    1,  12 },
    { '-', &CDateTime::m_nDay,      1,  31 },
    { ' ', &CDateTime::m_nHour,     0,  23 },
    { ':', &CDateTime::m_nMinute,   0,  59 },
    { ':', &CDateTime::m_nSecond,   0,  59 },
    // clang-format on
};

constexpr time_t kSecondsPerDay = 86400;
constexpr time_t kSecondsPerHour = 3600;

// Reads exactly nDigits digits (no further digit may follow) with a value
// from nMin to nMax; p moves past them only on success.
bool ReadField(const char*& p, int nDigits, unsigned nMin, unsigned nMax, uint16_t& nValue)
{
    CDigitRun run = ReadDigits(p, 10, UINT32_MAX);
    if (run.m_nDigits != nDigits || run.m_bTooLarge || run.m_nValue < nMin || run.m_nValue > nMax)
        return false;
    p = run.m_pAfter;
    nValue = static_cast<uint16_t>(run.m_nValue);
    return true;
}

// mktime of a local broken-down time, which it normalises; false when mktime
// refuses it (-1 alone is a valid time: one second before 1970).
bool MakeTime(struct tm& tmLocal, time_t& nTime)
{
    errno = 0;
    nTime = std::mktime(&tmLocal);
    return !(nTime == static_cast<time_t>(-1) && errno != 0);
}

// mktime of a local broken-down time, then the value broken down in UTC.
bool LocalToUtc(struct tm tmLocal, struct tm& tmUtc)
{
    time_t nTime;
    return MakeTime(tmLocal, nTime) && gmtime_r(&nTime, &tmUtc) != nullptr;
}

bool TimeToUtc(time_t nTime, struct tm& tmUtc)
{
    return gmtime_r(&nTime, &tmUtc) != nullptr;
}

// Midnight at the start of the local day of tmLocal; the daylight flag is
// left to mktime, since midnight may lie on the other side of a change.
void StartOfDay(struct tm& tmLocal)
{
    tmLocal.tm_hour = 0;
    tmLocal.tm_min = 0;
    tmLocal.tm_sec = 0;
    tmLocal.tm_isdst = -1;
}

}  // namespace

CTimeStatement::CTimeStatement(CLqlLexer* pLexer) : m_pLexer(pLexer), m_bOpenTowardsNow(false) {}

bool CTimeStatement::Fail(int nError)
{
    m_strError = g_apszTimeErrors[nError];
    return false;
}

bool CTimeStatement::Parse(struct tm& tmStart, struct tm& tmEnd, ETimeForm eForm)
{
    return eForm == TIME_FORM_TIMES ? ParseTimes(tmStart, tmEnd) : ParseLast(tmStart, tmEnd);
}

int CTimeStatement::ParseDateTime(const char* pszText, CDateTime& dateTime, const char** ppEnd)
{
    dateTime = CDateTime();
    const char* p = SkipBlanksAndTabs(pszText);
    if (!ReadField(p, 4, 0, 9999, dateTime.m_nYear))
        return -1;

    int nFields = 1;
    for (const CDateField& field : g_aDateFields) {
        if (*p != field.m_chLead)
            break;
        const char* q = p + 1;
        if (field.m_chLead == ' ')
            q = SkipBlanksAndTabs(q);
        if (!ReadField(q, 2, field.m_nMin, field.m_nMax, dateTime.*field.m_pnField))
            break;
        p = q;
        ++nFields;
    }
    if (ppEnd != nullptr)
        *ppEnd = p;
    return nFields;
}

bool CTimeStatement::ToBrokenDownTime(struct tm& tm, const CDateTime& dateTime)
{
    std::memset(&tm, 0, sizeof(tm));
    tm.tm_year = dateTime.m_nYear - 1900;
    tm.tm_mon = dateTime.m_nMonth - 1;
    tm.tm_mday = dateTime.m_nDay;
    tm.tm_hour = dateTime.m_nHour;
    tm.tm_min = dateTime.m_nMinute;
    tm.tm_sec = dateTime.m_nSecond;
    tm.tm_wday = -1;
    tm.tm_yday = -1;
    tm.tm_isdst = -1;
    time_t nTime;
    return MakeTime(tm, nTime);
}

bool CTimeStatement::ReadDateAndTime(struct tm& tmLocal, bool bEndDate)
{
    int32_t nType = m_pLexer->Next();
    CSString strText;
    if ((nType != TOKEN_STRING && nType != TOKEN_NUMBER) || !GetTokenText(*m_pLexer, strText))
        return Fail(TIME_ERR_DATE_EXPECTED);
    strText += ' ';

    nType = m_pLexer->Next();
    if (nType == TOKEN_STRING || nType == TOKEN_NUMBER) {
        CSString strTime;
        if (!GetTokenText(*m_pLexer, strTime))
            return Fail(TIME_ERR_TIME_EXPECTED);
        strText += strTime;
    } else if (bEndDate ? (nType == KEY_AND || nType == KEY_WHERE) : nType == KEY_TO) {
        m_pLexer->PushBack();  // a date without a time, followed by what ends it
    } else if (!(bEndDate && nType == TOKEN_END)) {
        return Fail(TIME_ERR_TIME_EXPECTED);
    }

    CDateTime dateTime;
    if (ParseDateTime(strText, dateTime) == -1)
        return Fail(TIME_ERR_TIME_EXPECTED);
    ToBrokenDownTime(tmLocal, dateTime);
    return true;
}

bool CTimeStatement::ParseTimes(struct tm& tmStart, struct tm& tmEnd)
{
    struct tm tmLocalStart;
    struct tm tmLocalEnd;
    if (!ReadDateAndTime(tmLocalStart, false))
        return false;
    if (m_pLexer->Next() != KEY_TO)
        return Fail(TIME_ERR_TO_EXPECTED);
    if (!ReadDateAndTime(tmLocalEnd, true))
        return false;
    if (!LocalToUtc(tmLocalStart, tmStart) || !LocalToUtc(tmLocalEnd, tmEnd))
        return Fail(TIME_ERR_DATE_OUT_OF_RANGE);
    return true;
}

bool CTimeStatement::ReadCount(uint32_t& nCount)
{
    if (m_pLexer->Next() != TOKEN_NUMBER)
        return Fail(TIME_ERR_INTEGER_EXPECTED);
    nCount = m_pLexer->GetNumber();
    return true;
}

bool CTimeStatement::OneMonthAhead(time_t nNow, struct tm& tmEnd)
{
    struct tm tmLocal;
    if (localtime_r(&nNow, &tmLocal) == nullptr)
        return Fail(TIME_ERR_NO_CURRENT_DATE);
    tmLocal.tm_mon += 1;
    tmLocal.tm_isdst = -1;  // the same wall-clock time a month later
    if (!LocalToUtc(tmLocal, tmEnd))
        return Fail(TIME_ERR_PERIOD_OUT_OF_RANGE);
    return true;
}

bool CTimeStatement::ParseLast(struct tm& tmStart, struct tm& tmEnd)
{
    time_t nNow = LqlCurrentTime();
    struct tm tmNow;
    if (nNow == static_cast<time_t>(-1) || localtime_r(&nNow, &tmNow) == nullptr)
        return Fail(TIME_ERR_NO_CURRENT_TIME);

    // Periods are counted in seconds on the calendar time, which cannot
    // overflow for any 32-bit count.
    uint32_t nCount = 0;
    switch (m_pLexer->Next()) {
    case KEY_DAYS:
        if (!ReadCount(nCount))
            return false;
        if (nCount == UINT32_MAX)
            return Fail(TIME_ERR_INVALID_INTEGER);
        if (!TimeToUtc(nNow - static_cast<time_t>(nCount) * kSecondsPerDay, tmStart))
            return Fail(TIME_ERR_PERIOD_OUT_OF_RANGE);
        m_bOpenTowardsNow = true;
        return OneMonthAhead(nNow, tmEnd);

    case KEY_HOURS:
        if (!ReadCount(nCount))
            return false;
        if (!TimeToUtc(nNow - static_cast<time_t>(nCount) * kSecondsPerHour, tmStart))
            return Fail(TIME_ERR_PERIOD_OUT_OF_RANGE);
        m_bOpenTowardsNow = true;
        return OneMonthAhead(nNow, tmEnd);

    case KEY_FULL:
        break;

    default:
        return Fail(TIME_ERR_UNKNOWN_EXPRESSION);
    }

    struct tm tmToday = tmNow;
    StartOfDay(tmToday);
    switch (m_pLexer->Next()) {
    case KEY_DAY: {
        struct tm tmYesterday = tmToday;
        tmYesterday.tm_mday -= 1;
        if (!LocalToUtc(tmYesterday, tmStart) || !LocalToUtc(tmToday, tmEnd))
            return Fail(TIME_ERR_PERIOD_OUT_OF_RANGE);
        return true;
    }

    case KEY_DAYS: {
        if (!ReadCount(nCount))
            return false;
        time_t nDayBefore = nNow - static_cast<time_t>(nCount) * kSecondsPerDay;
        struct tm tmFirstDay;
        if (localtime_r(&nDayBefore, &tmFirstDay) == nullptr)
            return Fail(TIME_ERR_PERIOD_OUT_OF_RANGE);
        StartOfDay(tmFirstDay);
        if (!LocalToUtc(tmFirstDay, tmStart) || !LocalToUtc(tmToday, tmEnd))
            return Fail(TIME_ERR_PERIOD_OUT_OF_RANGE);
        return true;
    }

    case KEY_HOURS: {
        if (!ReadCount(nCount))
            return false;
        struct tm tmHour = tmNow;  // keeps its daylight flag: the hour has begun
        tmHour.tm_min = 0;
        tmHour.tm_sec = 0;
        time_t nHourStart;
        if (!MakeTime(tmHour, nHourStart) ||
            !TimeToUtc(nHourStart - static_cast<time_t>(nCount) * kSecondsPerHour, tmStart) ||
            !TimeToUtc(nHourStart, tmEnd))
            return Fail(TIME_ERR_PERIOD_OUT_OF_RANGE);
        return true;
    }

    default:
        return Fail(TIME_ERR_UNIT_EXPECTED);
    }
}
