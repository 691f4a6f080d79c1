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
// A file that may still grow (follow mode: the last file of a followed
// reader) is read up to its current end only: ReadEntry then yields false
// but keeps the file, and an entry not yet wholly there (its header or body
// beyond the size the file had, or beyond what its compressed data yields
// so far) is not handed out until it is whole. LookAgain tells the scan the
// file's new size, or that it will not grow any more (it is then read to
// its end as usual); a file header not yet whole waits the same way.
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

    // bMayGrow: the file may still grow (see above).
    EStart Start(std::unique_ptr<COpenedDailyFile> pFile, bool bMayGrow = false);

    // Makes the scan, without a file, one of another reader: it reports to
    // messages and reads within the new range, keeping its buffers.
    void Reuse(IReaderMessages& messages, LogTime nRangeStart, LogTime nRangeEnd);

    // Fills entry with the next entry within the range and returns true, or
    // closes the file and returns false when it has no more.
    bool ReadEntry(CLogEntry& entry);

    // The file being read, or null once ReadEntry has closed it. After
    // ReadEntry yielded false, a file that is still there waits to grow.
    const COpenedDailyFile* GetFile() const { return m_pFile.get(); }
    // A waiting file has grown to nSize bytes (a plain file is now read up
    // to that size), or may no longer grow (without bMayGrow).
    void LookAgain(uint64_t nSize, bool bMayGrow);

    // Capacity of the entry buffer in bytes (1600 until a longer body comes).
    int32_t GetEntryCapacity() const { return m_nEntryCapacity; }

private:
    // How far a part of the file could be read.
    enum class EPart {
        kWhole,  // read whole
        kWait,   // a growing file has not got all of it yet
        kDone,   // the file is done
    };

    EStart ReadFileHeader();
    EPart ReadEntryHeader();
    void EndEntry(uint16_t nLength);
    // Whether a read came up short only because a growing file ends for now.
    bool IsWaiting() const { return m_eStatus == CDailyFileStream::EStatus::kPending; }
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
    bool m_bMayGrow;                              // the file may still grow
    bool m_bFileHeaderRead;                       // the file header has been read whole
    bool m_bEntryHeaderRead;                      // m_aEntryHeader holds a whole entry header whose body comes next
    size_t m_nHeaderBytes;                        // bytes of the file or entry header read so far
    size_t m_nBodyBytes;                          // bytes of the entry body read or passed over so far
    uint8_t m_aFileHeader[kLogFileHeaderSize];    // the file header, until it is whole
    uint8_t m_aEntryHeader[kLogEntryHeaderSize];  // the entry header just read
};

#endif
