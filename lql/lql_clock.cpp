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
