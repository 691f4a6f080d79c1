// The stored time stamp: broken-down dates converted to a LogTime within its
// limits, and dates whose day or month ran past the end normalised into the
// following months and years.
#include "storage/log_time.h"

namespace {

constexpr unsigned kMaxYear = 29227;
constexpr unsigned kMaxMonth = 13;
constexpr unsigned kMaxDay = 31;
constexpr uint32_t kSubSecondModulus = 100;
constexpr LogTime kLatestLogTime = ~static_cast<LogTime>(0);

// Days before the first of each month (1 to 13) in a common year, less one,
// so that adding the day of month gives the day of the year counted from 0.
constexpr int kMonthOffsets[14] = {
    0,                                  // unused: months count from 1
    -1,  30,  58,  89,  119, 150, 180,  // January to July
    211, 242, 272, 303, 333, 364,       // August to December, 13 = next January
};

constexpr uint16_t kMonthLengths[13] = {
    0,  // unused: months count from 1
    31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31,
};

// Whether a year has 29 days in February.
bool IsLeapYear(unsigned nYear)
{
    return (nYear % 4 == 0 && nYear % 100 != 0) || nYear % 400 == 0;
}

}  // namespace

CLogDate::CLogDate() : m_nYear(0), m_nMonth(1), m_nDay(1), m_nHour(0), m_nMinute(0), m_nSecond(0), m_nSubSecond(0) {}

CLogDate::CLogDate(const struct tm& tmTime) : CLogDate()
{
    long nYear = static_cast<long>(tmTime.tm_year) + 1900;
    if (nYear < 0)
        return;  // before the scale: its first moment
    m_nYear = static_cast<uint16_t>(nYear > 0xFFFF ? 0xFFFF : nYear);
    m_nMonth = static_cast<uint16_t>(tmTime.tm_mon + 1);
    m_nDay = static_cast<uint16_t>(tmTime.tm_mday);
    m_nHour = static_cast<uint16_t>(tmTime.tm_hour);
    m_nMinute = static_cast<uint16_t>(tmTime.tm_min);
    m_nSecond = static_cast<uint16_t>(tmTime.tm_sec);
}

bool DateToLogTime(const CLogDate& date, LogTime& nTime)
{
    if (date.m_nYear > kMaxYear || date.m_nMonth == 0 || date.m_nMonth > kMaxMonth || date.m_nDay == 0 ||
        date.m_nDay > kMaxDay)
        return false;

    int64_t nYear = date.m_nYear;
    int64_t nDays = 365 * nYear + (nYear - 1) / 4 - (nYear - 1) / 100 + (nYear - 1) / 400 +
                    kMonthOffsets[date.m_nMonth] + date.m_nDay;
    if (IsLeapYear(date.m_nYear) && date.m_nMonth > 2)
        ++nDays;

    uint64_t nSeconds =
        ((static_cast<uint64_t>(nDays) * 24 + date.m_nHour) * 60 + date.m_nMinute) * 60 + date.m_nSecond;
    nTime = nSeconds * kLogTimeUnitsPerSecond + date.m_nSubSecond % kSubSecondModulus;
    return true;
}

unsigned DaysInMonth(unsigned nYear, unsigned nMonth)
{
    return kMonthLengths[nMonth] + (nMonth == 2 && IsLeapYear(nYear) ? 1u : 0u);
}

void NormalizeDate(CLogDate& date)
{
    for (;;) {
        if (date.m_nMonth > 12) {
            date.m_nMonth = 1;
            ++date.m_nYear;
        }
        unsigned nLength = DaysInMonth(date.m_nYear, date.m_nMonth);
        if (date.m_nDay <= nLength)
            return;
        date.m_nDay = static_cast<uint16_t>(date.m_nDay - nLength);
        ++date.m_nMonth;
    }
}

CReadRange::CReadRange(const struct tm& tmStart, const struct tm& tmEnd) : m_dateStart(tmStart), m_nStart(0)
{
    m_bEmpty = !DateToLogTime(m_dateStart, m_nStart);
    if (!DateToLogTime(CLogDate(tmEnd), m_nEnd))
        m_nEnd = kLatestLogTime;
}
