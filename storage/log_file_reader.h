// CLogFileReader: hands out, one at a time and in file order, the stored
// entries of one gateway (or of one named file) whose time lies within a
// range.
//
// In walk mode the reader visits the daily files of the gateway under the
// root directory day by day (root/gateway/YYYYMM/D-N.osl, else D-N.gz,
// N = 0, 1, ... until the first missing number); in single-file mode it
// reads the one file it was given. Each file is read through a daily-file
// stream (storage/daily_file_stream.h), which decodes gzip data and tells
// every read error, via an 8192-byte buffer; entries outside the range are
// skipped without being copied. A plain regular file is read only up to
// the size it had when opened; a pipe or device is read to its end, and a
// folder counts as a file that cannot be opened. When the end marker of a
// compressed file is reached, the rest of the file is decoded as well, so
// that damage behind it (a wrong CRC) is seen.
//
// A file that cannot be read, or read to its end, is reported to the
// message receiver given at construction (storage/reader_messages.h) and
// the walk goes on with the next file; a month folder that cannot be
// searched, or is no folder, is reported and the walk goes on with the next
// month. A plain file ending inside an entry header (still being written),
// or data ending before the 20 header bytes, is passed over without a
// message. Nothing is ever written to the database.
//
// Ownership: the reader owns its open file (with its read buffer) and its
// entry buffer; the message receiver stays the caller's and must outlive
// the reader. The CLogEntry filled by ReadEntry points into the entry
// buffer and stays valid until the next ReadEntry on the same reader or its
// destruction. A reader keeps no state outside itself.
#ifndef SARNITH_STORAGE_LOG_FILE_READER_H
#define SARNITH_STORAGE_LOG_FILE_READER_H

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>

#include "storage/log_entry.h"
#include "storage/log_file_format.h"
#include "storage/log_time.h"
#include "storage/reader_messages.h"
#include "support/sstring.h"

struct CLogFileState;

class CLogFileReader {
public:
    // Walk mode: the daily files of pszGatewayFolder under pszRootDir.
    CLogFileReader(IReaderMessages& messages, const char* pszGatewayFolder, const char* pszRootDir,
                   const struct tm& tmStart, const struct tm& tmEnd);
    // Single-file mode: the file at pszFilePath, as typed.
    CLogFileReader(IReaderMessages& messages, const char* pszFilePath, const struct tm& tmStart,
                   const struct tm& tmEnd);
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
    void ReportReadFailure();
    void ReadToTheEnd();

    // Buffered access to the open file; both yield the bytes obtained.
    // ReadBytes with a null pDest passes the bytes over without copying.
    size_t ReadBytes(uint8_t* pDest, size_t nCount);
    size_t SkipBytes(size_t nCount);
    bool Refill();

    bool Finish();
    void Report(EReaderMessage eMessage, const char* pszFormat, ...) __attribute__((format(printf, 3, 4)));

    IReaderMessages& m_messages;
    CSString m_strGateway;
    CSString m_strRootDir;
    CSString m_strFilePath;
    LogTime m_nRangeStart;
    LogTime m_nRangeEnd;
    CLogDate m_dateCurrent;
    std::unique_ptr<CLogFileState> m_pFile;
    uint64_t m_nSizeLimit;  // size of the open plain file when it was opened (beyond 4 GiB too)
    bool m_bSizeLimited;    // whether m_nSizeLimit applies (plain file) or not (compressed)
    uint64_t m_nConsumed;   // entry header and body bytes passed since the file was opened
    int32_t m_nNextSequence;
    std::unique_ptr<uint8_t[]> m_pEntryBuffer;
    int32_t m_nEntryCapacity;
    uint8_t m_aEntryHeader[kLogEntryHeaderSize];  // the entry header just read, used at once
    bool m_bSingleFile;                           // single-file mode rather than a walk
    bool m_bSingleFileOpened;                     // single-file mode: the file has had its turn
    bool m_bFinished;                             // ReadEntry has yielded false
};

#endif
