// LogTime and CLogEntry: the time scale of the log database and one stored
// entry as a log file reader hands it out. The stored form of the daily
// files is described in storage/log_file_format.h.
//
// LogTime counts 100-nanosecond units: (seconds since 1970-01-01 00:00 UTC +
// 62167132800) x 10000000, plus a sub-second count.
//
// Ownership: a CLogEntry's body points into the entry buffer of the reader
// that produced it and stays valid until that reader reads its next entry.
#ifndef SARNITH_STORAGE_LOG_ENTRY_H
#define SARNITH_STORAGE_LOG_ENTRY_H

#include <cstdint>

typedef uint64_t LogTime;

// Seconds from 0000-01-01 (proleptic) to 1970-01-01, and LogTime units per second.
constexpr uint64_t kLogTimeEpochSeconds = 62167132800ull;
constexpr uint64_t kLogTimeUnitsPerSecond = 10000000ull;

struct CLogEntry {
    uint16_t m_nLength;      // body length in bytes
    uint32_t m_nTimeLow;     // entry time, low 32 bits
    uint32_t m_nTimeHigh;    // entry time, high 32 bits
    const uint8_t* m_pBody;  // the element list, m_nLength bytes

    LogTime GetTime() const { return (static_cast<LogTime>(m_nTimeHigh) << 32) | m_nTimeLow; }
};

#endif
