// Settings every fuzz target makes once before its first input, so that a
// run does not depend on the machine or on the day: local time is UTC and
// the statement parser's "now" is fixed.
#ifndef SARNITH_FUZZ_FUZZ_SETUP_H
#define SARNITH_FUZZ_FUZZ_SETUP_H

// Pins the time zone to UTC and the parser's current time to
// 2006-06-15 10:25:13 UTC.
void PinTime();

#endif
