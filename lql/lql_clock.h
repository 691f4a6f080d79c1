// The current time as the LQL parsers see it.
//
// Time statements ("last days 2") and the default range of a FROM list read
// the current time here: the system clock, unless a test has fixed it.
// Nothing is owned.
#ifndef SARNITH_LQL_LQL_CLOCK_H
#define SARNITH_LQL_LQL_CLOCK_H

#include <ctime>

// The current calendar time; (time_t)-1 when the clock cannot be read.
time_t LqlCurrentTime();

// Tests only: pfnNow replaces the system clock; null restores it.
void SetLqlClock(time_t (*pfnNow)());

#endif
