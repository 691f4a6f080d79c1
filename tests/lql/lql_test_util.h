// Helpers for the LQL tests: a pinned time zone, a fixed current time and
// broken-down times written as text. Everything is restored when the scope
// objects end.
#ifndef SARNITH_TESTS_LQL_LQL_TEST_UTIL_H
#define SARNITH_TESTS_LQL_LQL_TEST_UTIL_H

#include <cstdio>
#include <ctime>
#include <string>

#include "lql/lql_clock.h"
#include "tests/common/time_zone.h"

// Makes the LQL parsers see nNow as the current time.
class CFixedClock {
public:
    explicit CFixedClock(time_t nNow)
    {
        s_nNow = nNow;
        SetLqlClock(&Now);
    }
    ~CFixedClock() { SetLqlClock(nullptr); }
    CFixedClock(const CFixedClock&) = delete;
    CFixedClock& operator=(const CFixedClock&) = delete;

private:
    static time_t Now() { return s_nNow; }
    static inline time_t s_nNow = 0;
};

// "YYYY-MM-DD hh:mm:ss" of a broken-down time.
inline std::string TmText(const struct tm& tm)
{
    char szText[64];
    std::snprintf(szText, sizeof(szText), "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return szText;
}

// 2006-06-15 10:25:13 UTC, the fixed "now" of most tests.
constexpr time_t kJune15 = 1150367113;

#endif
