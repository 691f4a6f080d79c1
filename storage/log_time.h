// The calendar of the log database: CLogDate, the broken-down UTC date a
// reader walks with, its conversion to LogTime, and CReadRange, the range of
// a reader in these terms.
//
// DateToLogTime counts days from the proleptic year 0 (leap years by the
// Gregorian rule) and tolerates a month of 13 and a day up to 31 in any
// month, so that a walk can step past the end of a month and still compare;
// NormalizeDate brings such a date back to a real one. Everything here works
// on values; nothing is allocated or owned.
#ifndef SARNITH_STORAGE_LOG_TIME_H
#define SARNITH_STORAGE_LOG_TIME_H

#include <cstdint>
#include <ctime>

#include "storage/log_entry.h"

struct CLogDate {
    uint16_t m_nYear;   // four digits
    uint16_t m_nMonth;  // 1-12 (13 only while stepping)
    uint16_t m_nDay;    // 1-31
    uint16_t m_nHour;
    uint16_t m_nMinute;
    uint16_t m_nSecond;
    uint32_t m_nSubSecond;  // always 0 here

    CLogDate();
    // From a broken-down UTC time. A year before year 0 becomes the first
    // moment of year 0; a year past 65535 is kept as 65535, which no
    // conversion accepts.
    explicit CLogDate(const struct tm& tmTime);
};

// The LogTime of a date; false when the year is above 29227, the month is 0
// or above 13, or the day is 0 or above 31.
bool DateToLogTime(const CLogDate& date, LogTime& nTime);

// Brings a month of 13 to January of the next year and a day past the end
// of its month into the following months.
void NormalizeDate(CLogDate& date);

// The number of days of a month (1-12) of a year.
unsigned DaysInMonth(unsigned nYear, unsigned nMonth);

// The range of a reader from the broken-down UTC times of a statement: the
// date its walk starts from and the LogTimes of its first and last moments.
// A start past the time scale leaves nothing to read; an end past it leaves
// the range open towards the future.
struct CReadRange {
    CReadRange(const struct tm& tmStart, const struct tm& tmEnd);

    CLogDate m_dateStart;
    LogTime m_nStart;
    LogTime m_nEnd;
    bool m_bEmpty;  // nothing can be read
};

#endif
