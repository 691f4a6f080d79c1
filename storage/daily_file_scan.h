// CDailyFileScan: the entries of one opened daily file whose time lies
// within a range, one at a time and in file order.
//
// Start takes the file from the walk and reads its 20-byte header, which
// decides what becomes of the file and of the reader:
// - entries follow: a header without a last time (the file is still being
//   written), or one whose entries may reach into the range;
// - the walk goes on with the next file: a plain file too short for a
//   header, data ending or failing before 20 bytes, a wrong tag, or a last
//   time before the range start;
// - the reader ends: a first time not earlier than the range end (later
//   files start later still).
// ReadEntry then hands out the entries within the range; entries outside it
// are passed over without being copied. A plain regular file is read only
// up to the size it had when opened; a pipe or device is read to its end.
// When the end marker of a compressed file is reached, the rest of the file
// is decoded as well, so that damage behind it (a wrong CRC) is seen. Once
// ReadEntry yields false the file is closed and the walk goes on.
//
// Messages (storage/reader_messages.h): a wrong tag, a read error or
// damaged compressed data ("Failed to read"), an entry body that ends with
// the data ("There is an error in one of the log files"). A plain file
// ending inside an entry header (still being written) is left without one.
//
// Ownership: the scan owns the file it was given, its read buffer and its
// entry buffer; the message receiver stays the caller's and must outlive the
// scan (or its next Reuse). The CLogEntry filled by ReadEntry points into the entry buffer and
// stays valid until the next ReadEntry or Start on the same scan.
#ifndef SARNITH_STORAGE_DAILY_FILE_SCAN_H
#define SARNITH_STORAGE_DAILY_FILE_SCAN_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "storage/log_entry.h"
#include "storage/log_file_format.h"
#include "storage/opened_daily_file.h"
#include "storage/reader_messages.h"

class CDailyFileScan {
public:
    // What the file header decided.
    enum class EStart {
        kEntries,     // call ReadEntry
        kNextFile,    // the file has nothing for the range: the walk goes on
        kReaderEnds,  // neither this file nor any later one has: the reader ends
    };

    CDailyFileScan(IReaderMessages& messages, LogTime nRangeStart, LogTime nRangeEnd);
    ~CDailyFileScan();
    CDailyFileScan(const CDailyFileScan&) = delete;
    CDailyFileScan& operator=(const CDailyFileScan&) = delete;

    EStart Start(std::unique_ptr<COpenedDailyFile> pFile);

    // Makes the scan, without a file, one of another reader: it reports to
    // messages and reads within the new range, keeping its buffers.
    void Reuse(IReaderMessages& messages, LogTime nRangeStart, LogTime nRangeEnd);

    // Fills entry with the next entry within the range and returns true, or
    // closes the file and returns false when it has no more.
    bool ReadEntry(CLogEntry& entry);

    // Capacity of the entry buffer in bytes (1600 until a longer body comes).
    int32_t GetEntryCapacity() const { return m_nEntryCapacity; }

private:
    bool ReadEntryHeader();
    bool IsSizeExceeded(uint32_t nMore) const;
    void ReportReadFailure();
    void ReadToTheEnd();
    bool Close();

    // Buffered access to the file; both yield the bytes obtained. ReadBytes
    // with a null pDest passes the bytes over without copying.
    size_t ReadBytes(uint8_t* pDest, size_t nCount);
    size_t SkipBytes(size_t nCount);
    bool Refill();

    IReaderMessages* m_pMessages;
    LogTime m_nRangeStart;
    LogTime m_nRangeEnd;
    std::unique_ptr<COpenedDailyFile> m_pFile;
    CDailyFileStream::EStatus m_eStatus;  // what the stream told last
    uint64_t m_nSizeLimit;                // size of the plain file when it was opened (beyond 4 GiB too)
    bool m_bSizeLimited;                  // whether m_nSizeLimit applies (plain file) or not (compressed)
    uint64_t m_nConsumed;                 // entry header and body bytes passed since the file was opened
    std::unique_ptr<uint8_t[]> m_pReadBuffer;
    size_t m_nValid;     // bytes in the read buffer
    size_t m_nPosition;  // next byte to hand out
    std::unique_ptr<uint8_t[]> m_pEntryBuffer;
    int32_t m_nEntryCapacity;
    uint8_t m_aEntryHeader[kLogEntryHeaderSize];  // the entry header just read, used at once
};

#endif
