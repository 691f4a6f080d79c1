// The clock the LQL parsers read: the system clock, or the function a test
// has set in its place.
#include "lql/lql_clock.h"

namespace {

time_t (*g_pfnClock)() = nullptr;

}  // namespace

time_t LqlCurrentTime()
{
    return g_pfnClock != nullptr ? g_pfnClock() : std::time(nullptr);
}

void SetLqlClock(time_t (*pfnNow)())
{
    g_pfnClock = pfnNow;
}
