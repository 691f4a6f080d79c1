// CLogFileReader: hands out, one at a time and in file order, the stored
// entries of one gateway (or of one named file) whose time lies within a
// range.
//
// In walk mode the reader visits the daily files of the gateway under the
// root directory day by day (root/gateway/YYYYMM/D-N.osl, else D-N.gz,
// N = 0, 1, ... until the first missing number); in single-file mode it
// reads the one file it was given. Plain and gzip-compressed files are read
// by the same zlib calls through an 8192-byte buffer; entries outside the
// range are skipped without being copied. A plain regular file is read only
// up to the size it had when opened; a pipe or device is read to its end,
// and a directory counts as a file that cannot be opened. Problems are
// written to standard error and end at most this reader. Nothing is ever
// written to the database.
//
// Ownership: the reader owns its open file, its read buffer and its entry
// buffer. The CLogEntry filled by ReadEntry points into the entry buffer and
// stays valid until the next ReadEntry on the same reader or its destruction.
// All readers of the process share one entry-header buffer, so they must be
// driven from one thread.
#ifndef SARNITH_STORAGE_LOG_FILE_READER_H
#define SARNITH_STORAGE_LOG_FILE_READER_H

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "storage/log_entry.h"
#include "storage/log_time.h"
#include "support/sstring.h"

struct CLogFileState;

class CLogFileReader {
public:
    // Walk mode: the daily files of pszGatewayFolder under pszRootDir.
    CLogFileReader(const char* pszGatewayFolder, const char* pszRootDir, const struct tm& tmStart,
                   const struct tm& tmEnd);
    // Single-file mode: the file at pszFilePath, as typed.
    CLogFileReader(const char* pszFilePath, const struct tm& tmStart, const struct tm& tmEnd);
    ~CLogFileReader();

    CLogFileReader(const CLogFileReader&) = delete;
    CLogFileReader& operator=(const CLogFileReader&) = delete;

    // Fills entry with the next entry within the range and returns true, or
    // returns false when the reader has nothing more (then and afterwards).
    bool ReadEntry(CLogEntry& entry);

    // Capacity of the entry buffer in bytes (1600 until a longer body comes).
    int32_t GetEntryCapacity() const { return m_nEntryCapacity; }

private:
    void Init(const struct tm& tmStart, const struct tm& tmEnd);

    // The walk: closes the current file and opens the next one.
    bool OpenNextFile();
    bool OpenNextWalkFile();
    bool OpenFile(const char* pszPath, bool bPlain);
    void CloseFile();

    bool ReadFileHeader();
    const uint8_t* ReadEntryHeader();
    bool IsSizeExceeded(uint32_t nMore) const;

    // Buffered access to the open file; both yield the bytes obtained.
    // ReadBytes with a null pDest passes the bytes over without copying.
    size_t ReadBytes(uint8_t* pDest, size_t nCount);
    size_t SkipBytes(size_t nCount);
    bool Refill();

    bool Finish();
    static void ReportReaderError(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

    CSString m_strGateway;
    CSString m_strRootDir;
    CSString m_strFilePath;
    LogTime m_nRangeStart;
    LogTime m_nRangeEnd;
    CLogDate m_dateCurrent;
    CLogFileState* m_pFile;
    uint64_t m_nSizeLimit;  // size of the open plain file when it was opened (beyond 4 GiB too)
    bool m_bSizeLimited;    // whether m_nSizeLimit applies (plain file) or not (compressed)
    uint64_t m_nConsumed;   // entry header and body bytes passed since the file was opened
    int32_t m_nNextSequence;
    uint8_t* m_pEntryBuffer;
    int32_t m_nEntryCapacity;
    bool m_bSingleFile;        // single-file mode rather than a walk
    bool m_bSingleFileOpened;  // single-file mode: the file has had its turn
    bool m_bFinished;          // ReadEntry has yielded false
};

#endif
