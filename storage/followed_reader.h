// CFollowedReader: the entries of one gateway's daily files as the logger
// writes them, for follow mode. It reads what is there like a log file
// reader whose range has no end, and then, instead of ending, waits at the
// end of the last file for what comes next.
//
// ReadEntry hands out the next entry, or yields false when nothing more is
// there for now; the reader never ends. Each call after a false one looks
// again, cheaply (the size and identity of the last file, the change times
// of the gateway folder and of its month folder), for:
// - the last file grown: it is read on (an entry not yet whole is left
//   until it is, a gzip file cut short at its current end waits for more);
// - a later file (the next sequence number of the day, a new day's file, a
//   new month's folder), found by walking on from the last file with fresh
//   listings of the gateway and month folders: the last file is read to its
//   end first (a file whose header now holds its last time is finished
//   likewise), then the reader goes on with the later one;
// - the last file truncated (its size below what was read) or replaced
//   (another file at its path): reported ("File %s was truncated: ..." or
//   "... replaced: ...") and read again from its start.
// A folder that changed within the last two seconds is listed again at
// every look, since its change time may not show a change made in the same
// tick of the file system's clock. Besides the gateway folder and the month
// folder of the last file, the latest month folder the gateway folder holds
// is looked at: the logger may create a new month's folder before its
// first file.
//
// Ownership: the reader owns its walk, its scan with the open file and its
// entry buffer; the message receiver stays the caller's and must outlive
// the reader. The CLogEntry filled by ReadEntry points into the entry
// buffer and stays valid until the next ReadEntry. Nothing is written to
// the database and no lock is taken on it.
#ifndef SARNITH_STORAGE_FOLLOWED_READER_H
#define SARNITH_STORAGE_FOLLOWED_READER_H

#include <cstdint>
#include <memory>

#include "storage/daily_file_scan.h"
#include "storage/daily_file_walk.h"
#include "storage/log_entry.h"
#include "storage/log_time.h"
#include "storage/reader_messages.h"
#include "support/sstring.h"

class CFollowedReader {
public:
    // The daily files of pszGatewayFolder under pszRootDir from the start
    // of range on; the range's end is not looked at.
    CFollowedReader(IReaderMessages& messages, const char* pszGatewayFolder, const char* pszRootDir,
                    const CReadRange& range);
    CFollowedReader(const CFollowedReader&) = delete;
    CFollowedReader& operator=(const CFollowedReader&) = delete;

    // Fills entry with the next entry and returns true, or returns false
    // when nothing more is there for now.
    bool ReadEntry(CLogEntry& entry);

    // The folders whose changes may bring new entries: the gateway folder,
    // the month folder of the last file (empty while there is none), and
    // the latest month folder of the gateway (empty while there is none).
    const CSString& GetGatewayFolder() const { return m_strGatewayFolder; }
    const CSString& GetMonthFolder() const { return m_strMonthFolder; }
    const CSString& GetLatestMonthFolder() const { return m_strLatestMonthFolder; }

private:
    enum class EState {
        kWalking,   // the walk finds the next file
        kScanning,  // the entries of the current file
        kDraining,  // the current file read to its end before the next one
        kWaiting,   // nothing more for now: the next call looks again
    };

    bool WalkOn();
    void StartFile(std::unique_ptr<COpenedDailyFile> pFile);
    bool LookAgain();
    bool LookAtFileIdentity();
    bool LookAtFileSize();
    bool FoldersChanged();
    void Reopen(EReaderMessage eMessage, const char* pszFormat);

    IReaderMessages& m_messages;
    CDailyFileWalk m_walk;
    CDailyFileScan m_scan;
    LogTime m_nRangeStart;
    EState m_eState;
    std::unique_ptr<COpenedDailyFile> m_pNextFile;  // found while draining the current one
    CSString m_strGatewayFolder;
    CSString m_strMonthFolder;
    CSString m_strLatestMonthFolder;
    CSString m_strFilePath;  // the current file, while the scan has it
    bool m_bPlainName;
    uint64_t m_nKnownSize;        // the size of the current file at the last look
    int64_t m_nGatewayChangedNs;  // change times of the folders at the last listing; -1: none
    int64_t m_nMonthChangedNs;
    int64_t m_nLatestMonthChangedNs;
    int64_t m_nListedNs;  // when the folders were last listed
};

#endif
