// Sample entries for the benchmarks: the element list of one entry of each
// kind a log database mostly holds (connection, dropped TCP packet, ICMP
// error, user login, interface usage), varied by an index so that a run of
// them carries different addresses, ports and counters.
//
// Ownership: every function returns a byte vector that the caller owns.
#ifndef SARNITH_TESTING_SAMPLE_ENTRIES_H
#define SARNITH_TESTING_SAMPLE_ENTRIES_H

#include <cstdint>

#include "testing/entry_builder.h"

namespace testdata {

// An opened, closing or closed connection with rule names and counters.
Bytes SampleConnEntry(uint32_t nIndex);
// A dropped TCP packet in an Ethernet frame, with an explanation to quote.
Bytes SampleTcpEntry(uint32_t nIndex);
// An ICMP port-unreachable error quoting a UDP packet.
Bytes SampleIcmpErrorEntry(uint32_t nIndex);
// A user login.
Bytes SampleAuthEntry(uint32_t nIndex);
// Usage of three interfaces and of the connection table.
Bytes SampleUsageEntry(uint32_t nIndex);

}  // namespace testdata

#endif
