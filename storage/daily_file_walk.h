// CDailyFileWalk: the daily files of one gateway for one range, opened one
// at a time in the order a reader reads them; in single-file mode, the one
// file a statement names.
//
// The order: day by day from the range start (root/gateway/YYYYMM/), and
// within a day the sequence numbers 0, 1, ... up to the first number for
// which neither D-N.osl nor D-N.gz is there; the plain file of a number
// comes before, and stands in for, the gzip file of the same number. The
// walk ends with the first day that begins after the range end.
//
// Finding the files: the gateway folder is listed once, a month folder when
// the walk enters it, and months and days that have no names in these
// listings are passed over without asking the file system; only the names a
// listing holds are examined (what lies there, whether it may be read). A
// listing may miss what the logger creates after it was taken, so a month
// or day that lies within a day of the moment its folder was listed, or of
// now, or later than that, is looked up name by name as it comes, as is
// every month of a gateway folder that cannot be listed or searched and
// every day of a month folder that cannot be listed. The files visited and
// the messages are the same either way.
//
// Messages (storage/reader_messages.h): a month folder that may not be
// searched ("Access denied to file", month path) or that is no folder
// ("Failed to open") ends its month; a daily file that may not be read
// ("Access denied to file") ends its day; one that cannot be opened, or a
// link that leads nowhere or into a loop ("Failed to open"), is passed over
// for the next sequence number. In single-file mode the only message is
// "Failed to open".
//
// Follow mode: a walk that has ended can be resumed (Resume): it goes back
// to the step after the last file it opened or the last message it
// reported, forgets its listings and lists the folders again, so that the
// files created since (a new sequence number, a new day, a new month) are
// found whatever the clock says, and nothing is reported twice.
//
// Ownership: the walk keeps its listings; the message receiver stays the
// caller's and must outlive the walk; the file Next opens belongs to the
// caller. Nothing is ever written.
#ifndef SARNITH_STORAGE_DAILY_FILE_WALK_H
#define SARNITH_STORAGE_DAILY_FILE_WALK_H

#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

#include "storage/log_time.h"
#include "storage/opened_daily_file.h"
#include "storage/reader_messages.h"
#include "support/sstring.h"

class CDailyFileWalk {
public:
    // Where Next stopped.
    enum class EStep {
        kFile,      // a file was opened
        kReported,  // a message was reported and the walk has moved past it: call again
        kEnd,       // no further file: then and afterwards
    };

    // The clock that tells how recent a listing is; null: the system clock.
    typedef time_t (*PFN_CLOCK)();

    // Walk mode: the daily files of pszGatewayFolder under pszRootDir from
    // the date dateStart to the time nRangeEnd.
    CDailyFileWalk(IReaderMessages& messages, const char* pszGatewayFolder, const char* pszRootDir,
                   const CLogDate& dateStart, LogTime nRangeEnd, PFN_CLOCK pfnClock = nullptr);
    // Single-file mode: the file at pszFilePath, as typed.
    CDailyFileWalk(IReaderMessages& messages, const char* pszFilePath);

    CDailyFileWalk(const CDailyFileWalk&) = delete;
    CDailyFileWalk& operator=(const CDailyFileWalk&) = delete;

    // Goes on to the next file: with kFile, pFile receives it opened.
    EStep Next(std::unique_ptr<COpenedDailyFile>& pFile);

    // Walk mode: takes the walk back to where it last opened a file or
    // reported a message, with fresh listings (see above).
    void Resume();
    // Walk mode: the folder of the latest month the gateway folder's last
    // listing names (root/gateway/YYYYMM); empty when there is none.
    CSString GetLatestMonthFolder() const;

private:
    // What the walk does after looking at the current day and sequence number.
    enum class EMove { kOpened, kNextSequence, kNextDay, kNextListedDay, kNextMonth };
    enum class EListingState { kNotTaken, kTaken, kUnusable };

    // The days, as day numbers, that a listing taken at one moment may not
    // know yet: from a day before that moment to a day after now.
    struct CFreshDays {
        int32_t m_nFirst;
        int32_t m_nLast;
    };

    EStep NextSingleFile(std::unique_ptr<COpenedDailyFile>& pFile);
    EMove LookAtCurrent(std::unique_ptr<COpenedDailyFile>& pFile);
    bool CheckMonthFolder(const CSString& strMonthFolder);
    bool OpenFile(const CSString& strPath, bool bPlainName, std::unique_ptr<COpenedDailyFile>& pFile);

    void ListGatewayFolder();
    void ListMonthFolder(const CSString& strMonthFolder, int32_t nMonth);
    bool IsListed(unsigned nDay, int32_t nSequence, bool bGzip) const;
    CFreshDays FreshDaysSince(time_t nListedAt) const;

    void MoveTo(unsigned nYear, unsigned nMonth, unsigned nDay);
    void MoveToNextListedDay();
    void MoveToNextMonth();
    bool IsPastRange() const;
    void Report(EReaderMessage eMessage, const char* pszFormat, const char* pszPath);
    void NoteResumePoint();

    IReaderMessages& m_messages;
    bool m_bSingleFile;
    CSString m_strFilePath;     // single-file mode
    CSString m_strGatewayPath;  // root/gateway/
    LogTime m_nRangeEnd;
    CLogDate m_dateCurrent;
    int32_t m_nNextSequence;
    bool m_bEnded;
    bool m_bReported;  // the current look has reported a message
    PFN_CLOCK m_pfnClock;
    time_t m_nNow;          // the clock as the current Next call began
    CLogDate m_dateResume;  // where Resume takes the walk: the step after the last file or message
    int32_t m_nResumeSequence;

    // The month numbers (year * 12 + month - 1) named in the gateway folder, sorted.
    EListingState m_eMonths;
    time_t m_nMonthsListedAt;
    std::vector<int32_t> m_aMonths;
    int32_t m_nSearchedMonth;  // a listed month whose folder was found searchable; -1: none

    // The daily file names of the month m_nDaysMonth, as sorted keys.
    int32_t m_nDaysMonth;
    EListingState m_eDays;
    time_t m_nDaysListedAt;
    std::vector<uint64_t> m_aDailyFiles;
};

#endif
