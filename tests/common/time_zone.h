// CTimeZoneScope: pins the time zone of this process (TZ and tzset) for the
// lifetime of the object, so that tests of local times see the same zone
// everywhere, and restores the zone that was set before when it ends.
//
// Ownership: the object owns its copy of the previous TZ value.
#ifndef SARNITH_TESTS_COMMON_TIME_ZONE_H
#define SARNITH_TESTS_COMMON_TIME_ZONE_H

#include <string>

class CTimeZoneScope {
public:
    explicit CTimeZoneScope(const char* pszZone);
    ~CTimeZoneScope();
    CTimeZoneScope(const CTimeZoneScope&) = delete;
    CTimeZoneScope& operator=(const CTimeZoneScope&) = delete;

private:
    bool m_bHadOld;
    std::string m_strOld;
};

#endif
