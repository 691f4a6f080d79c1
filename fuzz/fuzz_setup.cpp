// The fixed time zone and current time of the fuzz targets.
#include "fuzz/fuzz_setup.h"

#include <cstdlib>
#include <ctime>

#include "lql/lql_clock.h"

namespace {

// 2006-06-15 10:25:13 UTC.
constexpr time_t kNow = 1150367113;

time_t FixedNow()
{
    return kNow;
}

}  // namespace

void PinTime()
{
    setenv("TZ", "UTC", 1);
    tzset();
    SetLqlClock(&FixedNow);
}
