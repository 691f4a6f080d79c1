// CTimeStatement: reads one time statement of a FROM list into a start and
// an end time.
//
// The statement parser has already read "times" or "last"; Parse reads the
// rest from the lexer. Dates written in a statement and periods counted back
// from now are local times; both results are broken-down UTC times. On
// failure Parse returns false and GetErrorText names the problem.
//
// Ownership: the lexer belongs to the caller and must outlive this object;
// the error text is owned here. One object serves one time statement.
#ifndef SARNITH_LQL_TIME_STATEMENT_H
#define SARNITH_LQL_TIME_STATEMENT_H

#include <cstdint>
#include <ctime>

#include "support/sstring.h"

class CLqlLexer;

// A date and time as written in a statement.
struct CDateTime {
    uint16_t m_nYear = 0;
    uint16_t m_nMonth = 1;   // 1-12
    uint16_t m_nDay = 1;     // 1-31
    uint16_t m_nHour = 0;    // 0-23
    uint16_t m_nMinute = 0;  // 0-59
    uint16_t m_nSecond = 0;  // 0-59
};

enum ETimeForm : int {
    TIME_FORM_TIMES = 0,  // times <date> [<time>] to <date> [<time>]
    TIME_FORM_LAST = 1,   // last days n | last hours n | last full day | last full days n | last full hours n
};

class CTimeStatement {
public:
    explicit CTimeStatement(CLqlLexer* pLexer);

    // Reads the rest of the statement in the given form; true with both times
    // filled (UTC), false with the error text set.
    bool Parse(struct tm& tmStart, struct tm& tmEnd, ETimeForm eForm);

    // Empty until a check has failed.
    const CSString& GetErrorText() const { return m_strError; }

    // After a successful Parse: whether the range reaches the present
    // ("last days n", "last hours n"), as opposed to a closed range.
    bool IsOpenTowardsNow() const { return m_bOpenTowardsNow; }

    // Reads "YYYY[-MM[-DD[ hh[:mm[:ss]]]]]" after leading blanks and tabs,
    // field by field: the first missing or bad field ends the reading and it
    // and the later fields keep their defaults. Returns the number of fields
    // read (1 to 6), or -1 when there is no four-digit year. *ppEnd, when
    // asked for, receives the character after the last field read.
    static int ParseDateTime(const char* pszText, CDateTime& dateTime, const char** ppEnd = nullptr);

    // Fills tm with the local date and time and lets mktime normalise it (a
    // 31st in a 30-day month becomes the 1st of the next month); false when
    // mktime refuses it.
    static bool ToBrokenDownTime(struct tm& tm, const CDateTime& dateTime);

private:
    bool ParseTimes(struct tm& tmStart, struct tm& tmEnd);
    bool ParseLast(struct tm& tmStart, struct tm& tmEnd);
    // Reads a date and its optional time into a local broken-down time; the
    // end date may also be followed by "and", "where" or the end.
    bool ReadDateAndTime(struct tm& tmLocal, bool bEndDate);
    // Reads the Number token of a LAST statement.
    bool ReadCount(uint32_t& nCount);
    // The end of the "days" and "hours" forms: now plus one calendar month.
    bool OneMonthAhead(time_t nNow, struct tm& tmEnd);
    bool Fail(int nError);

    CLqlLexer* m_pLexer;
    CSString m_strError;
    bool m_bOpenTowardsNow;
};

#endif
