// CLogFileReader: hands out, one at a time and in file order, the stored
// entries of one gateway (or of one named file) whose time lies within a
// range.
//
// The reader is the sequential combination of its two parts: the walk
// (storage/daily_file_walk.h) finds and opens the daily files of the
// gateway in order, or the one file of single-file mode; the scan
// (storage/daily_file_scan.h) reads each file's header and hands out its
// entries within the range. The walk goes on after each file until a file
// header or the end of the range ends the reader. What either part cannot
// read is reported to the message receiver given at construction
// (storage/reader_messages.h). Nothing is ever written to the database.
//
// Ownership: the reader owns its walk, its scan with the open file and its
// entry buffer; the message receiver stays the caller's and must outlive
// the reader. The CLogEntry filled by ReadEntry points into the entry
// buffer and stays valid until the next ReadEntry on the same reader or its
// destruction. A reader keeps no state outside itself.
#ifndef SARNITH_STORAGE_LOG_FILE_READER_H
#define SARNITH_STORAGE_LOG_FILE_READER_H

#include <cstdint>
#include <ctime>

#include "storage/daily_file_scan.h"
#include "storage/daily_file_walk.h"
#include "storage/log_entry.h"
#include "storage/log_time.h"
#include "storage/reader_messages.h"

class CLogFileReader {
public:
    // Walk mode: the daily files of pszGatewayFolder under pszRootDir.
    CLogFileReader(IReaderMessages& messages, const char* pszGatewayFolder, const char* pszRootDir,
                   const struct tm& tmStart, const struct tm& tmEnd);
    // Single-file mode: the file at pszFilePath, as typed.
    CLogFileReader(IReaderMessages& messages, const char* pszFilePath, const struct tm& tmStart,
                   const struct tm& tmEnd);

    CLogFileReader(const CLogFileReader&) = delete;
    CLogFileReader& operator=(const CLogFileReader&) = delete;

    // Fills entry with the next entry within the range and returns true, or
    // returns false when the reader has nothing more (then and afterwards).
    bool ReadEntry(CLogEntry& entry);

    // Capacity of the entry buffer in bytes (1600 until a longer body comes).
    int32_t GetEntryCapacity() const { return m_scan.GetEntryCapacity(); }

private:
    CLogFileReader(IReaderMessages& messages, const CReadRange& range, const char* pszGatewayFolder,
                   const char* pszRootDir);
    CLogFileReader(IReaderMessages& messages, const CReadRange& range, const char* pszFilePath);

    CDailyFileWalk m_walk;
    CDailyFileScan m_scan;
    bool m_bScanning;  // the scan has a file whose entries come next
    bool m_bFinished;  // ReadEntry has yielded false, or the range is empty
};

#endif
