// Pinning the process's time zone for the life of a scope and restoring the
// one set before.
#include "tests/common/time_zone.h"

#include <cstdlib>
#include <ctime>

CTimeZoneScope::CTimeZoneScope(const char* pszZone)
{
    const char* pszOld = std::getenv("TZ");
    m_bHadOld = pszOld != nullptr;
    if (m_bHadOld)
        m_strOld = pszOld;
    setenv("TZ", pszZone, 1);
    tzset();
}

CTimeZoneScope::~CTimeZoneScope()
{
    if (m_bHadOld)
        setenv("TZ", m_strOld.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
