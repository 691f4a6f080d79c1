// Number/name tables of services, Ethernet types, IP protocols, ICMP types,
// severities and event codes, their three lookups, and the MAC and IPv4
// address formatters.
//
// Tables are constant data ending in a row whose name is null; that row's
// number is what a failed name lookup yields (-1, or 0 for g_etherTypes).
// Returned names point into the tables. MacToText and IpToText return one of
// four rotating 16-byte buffers of their own, per thread: up to four results
// of one formatter stay valid at once in a thread, the fifth call overwrites
// the first.
#ifndef SARNITH_SUPPORT_NAME_TABLES_H
#define SARNITH_SUPPORT_NAME_TABLES_H

#include <cstddef>
#include <cstdint>

struct CNameEntry {
    int32_t m_nNumber;
    const char* m_pszName;  // null in the terminating row
};

extern const CNameEntry g_services[];
extern const CNameEntry g_etherTypes[];
extern const CNameEntry g_ipProtocols[];
extern const CNameEntry g_icmpTypes[];
extern const CNameEntry g_severities[];
extern const CNameEntry g_authEvents[];
extern const CNameEntry g_routeEvents[];

// Number of the first row whose name equals pszName (ASCII case ignored,
// whole texts); the terminator's number when none does.
int32_t NameToNumber(const CNameEntry* pTable, const char* pszName);

// Name of the first row with nNumber; pszDefault when none (the scan gives
// up after 10000 rows).
const char* NumberToName(const CNameEntry* pTable, int32_t nNumber, const char* pszDefault = nullptr);

// The name as NumberToName finds it; otherwise the number printed with
// pszFormat ("%u" when null) into pszBuffer, which is returned.
const char* NumberToText(const CNameEntry* pTable, int32_t nNumber, char* pszBuffer, int nSize,
                         const char* pszFormat = nullptr);

// "%02x%02x:%02x%02x:%02x%02x" of six bytes.
const char* MacToText(const uint8_t* pAddress);

// "%u.%u.%u.%u" of four bytes in network order.
const char* IpToText(const uint8_t* pAddress);

#endif
