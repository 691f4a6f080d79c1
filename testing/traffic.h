// Realistic log entries and generated traffic for test databases.
//
// CEntrySpec describes one entry of a common kind (a dropped packet, a
// connection opened or closed, a user logging in or out, interface usage)
// in readable terms; BuildEntryBody turns it into the element list the
// logger would store. GenerateTraffic writes a whole database of such
// entries for benchmarks and examples: N gateways, D days, E entries per
// gateway and day (or T in all), plain and gzip files mixed at a chosen
// compression level, reproducible from a seed on every platform (its own
// random generator, no library distributions).
//
// Ownership: every result is a value owned by the caller.
#ifndef SARNITH_TESTING_TRAFFIC_H
#define SARNITH_TESTING_TRAFFIC_H

#include <cstdint>
#include <string>
#include <vector>

#include "storage/log_entry.h"
#include "testing/entry_builder.h"
#include "testing/log_db_writer.h"

namespace testdata {

enum class EEntryKind { kDrop, kConnOpen, kConnClose, kLogin, kLogout, kUsage, kRaw };

// The kind named in a description ("drop", "conn-open", ...); false when unknown.
bool ParseEntryKind(const std::string& strName, EEntryKind& eKind);

struct CInterfaceUsage {
    std::string m_strName;
    uint16_t m_nInterval = 60;
    uint32_t m_nBytesIn = 0;
    uint32_t m_nBytesOut = 0;
};

// One entry. Empty texts and a severity of -1 take the kind's defaults.
struct CEntrySpec {
    EEntryKind m_eKind = EEntryKind::kDrop;
    LogTime m_nTime = 0;  // also the device time stamp ('t')
    uint32_t m_nId = 0;
    int m_nSeverity = -1;
    std::string m_strCategory;
    std::string m_strEvent;
    std::string m_strAction;
    std::string m_strExplanation;  // written only when set
    std::string m_strParams;       // written only when set
    std::string m_strRule;         // written only when set
    // Packets and connections.
    std::string m_strRecvIf = "wan";
    std::string m_strDestIf = "lan";
    uint8_t m_nProtocol = IPPROTO_NUM_TCP;
    uint32_t m_nSrcIp = 0;
    uint32_t m_nDestIp = 0;
    uint16_t m_nSrcPort = 0;
    uint16_t m_nDestPort = 0;
    uint8_t m_nTcpFlags = TCP_FLAG_SYN;
    uint8_t m_nIcmpType = 8;
    uint8_t m_nIcmpCode = 0;
    bool m_bEthernet = false;  // the dropped packet as an Ethernet frame ('P') instead of 'M'
    uint32_t m_nOrigSent = 0;
    uint32_t m_nTermSent = 0;
    // User authentication.
    std::string m_strUser = "user";
    std::string m_strAgent = "HTTP";
    std::string m_strAuthRule = "auth-users";
    uint32_t m_nUserIp = 0;
    // Usage.
    std::vector<CInterfaceUsage> m_aInterfaces;
    uint32_t m_nConnsLowest = 0;
    uint32_t m_nConnsCurrent = 0;
    uint32_t m_nConnsHighest = 0;
    // The whole body of a raw entry.
    Bytes m_aRawBody;
};

Bytes BuildEntryBody(const CEntrySpec& spec);

// A small random generator (splitmix64) whose sequence is the same everywhere.
class CRandom {
public:
    explicit CRandom(uint64_t nSeed) : m_nState(nSeed) {}
    uint64_t Next();
    // A number from 0 to nBound - 1 (nBound > 0).
    uint64_t Below(uint64_t nBound);

private:
    uint64_t m_nState;
};

// A random entry of a plausible mix of kinds at the given time.
CEntrySpec RandomEntry(CRandom& random, LogTime nTime);

struct CTrafficOptions {
    int m_nGateways = 4;
    int m_nDays = 7;
    int m_nEntriesPerDay = 10000;  // per gateway and day, unless m_nTotalEntries is set
    int64_t m_nTotalEntries = -1;  // 0 or more: this many in all, spread evenly over the gateway-days
    int m_nStartYear = 2006;       // first day, UTC
    int m_nStartMonth = 6;
    int m_nStartDay = 1;
    int m_nGzipPercent = 50;  // share of daily files written compressed
    int m_nGzipLevel = kDefaultGzipLevel;
    int m_nFilesPerDay = 1;       // sequence numbers per day
    int m_nExplanationBytes = 0;  // an explanation text of this length in every entry (0: none)
    uint64_t m_nSeed = 1;
};

// The longest explanation text GenerateTraffic adds: with it, every entry
// body stays within the 65535 bytes an entry header can announce.
constexpr int kMaxExplanationBytes = 60000;
// The most entries m_nTotalEntries may ask for.
constexpr int64_t kMaxTotalEntries = 1000000000;

// The number of entries GenerateTraffic writes for a gateway and day (both
// counted from 0): m_nEntriesPerDay, or the share of m_nTotalEntries, where
// the shares of all gateway-days differ by at most one and add up to it.
uint64_t EntriesOfGatewayDay(const CTrafficOptions& options, int nGateway, int nDay);

// The gateway names and addresses GenerateTraffic uses: gw01, gw02, ... at
// 10.0.1.1, 10.0.2.1, ..., 10.1.0.1 for the 256th.
std::vector<CGateway> GeneratedGateways(int nGateways);

// Writes "Ostrel.cfg" and the daily files under the root folder. False with
// a message when a file cannot be written or an option is out of range.
bool GenerateTraffic(const std::string& strRootDir, const CTrafficOptions& options, std::string& strError);

}  // namespace testdata

#endif
