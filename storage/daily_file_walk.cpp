// The daily-file walk: months and days from the listings of the gateway and
// month folders, names examined as they come, and the files opened.
#include "storage/daily_file_walk.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/ascii.h"
#include "support/platform.h"

namespace {

// How far around the moment a folder was listed, and around now, the
// listing is not trusted: a logger whose clock or day boundary is a little
// off may still create files for such days.
constexpr time_t kFreshMargin = static_cast<time_t>(24) * 60 * 60;

// Day numbers order dates: (month number * 32) + day.
constexpr int32_t kDaysPerMonthNumber = 32;

constexpr const char* kPlainSuffix = ".osl";
constexpr const char* kGzipSuffix = ".gz";

int32_t MonthNumber(unsigned nYear, unsigned nMonth)
{
    return static_cast<int32_t>(nYear * 12 + nMonth - 1);
}

int32_t DayNumber(unsigned nYear, unsigned nMonth, unsigned nDay)
{
    return MonthNumber(nYear, nMonth) * kDaysPerMonthNumber + static_cast<int32_t>(nDay);
}

// The folder name of a month: "%d%02d" of year and month.
void MonthName(unsigned nYear, unsigned nMonth, char (&szName)[32])
{
    std::snprintf(szName, sizeof(szName), "%u%02u", nYear, nMonth);
}

// The file name of a daily file: "%d-%d.osl" or "%d-%d.gz".
void DailyFileName(unsigned nDay, int32_t nSequence, bool bGzip, char (&szName)[48])
{
    std::snprintf(szName, sizeof(szName), "%u-%d%s", nDay, nSequence, bGzip ? kGzipSuffix : kPlainSuffix);
}

uint64_t DailyFileKey(unsigned nDay, int32_t nSequence, bool bGzip)
{
    return static_cast<uint64_t>(nDay) << 33 | static_cast<uint64_t>(nSequence) << 1 | (bGzip ? 1 : 0);
}

// The value of the decimal digits from psz up to pszEnd (at most 10 of
// them); false when there are none or anything else.
bool ReadDecimal(const char* psz, const char* pszEnd, unsigned long& nValue)
{
    if (psz == pszEnd || pszEnd - psz > 10)
        return false;
    nValue = 0;
    for (; psz != pszEnd; ++psz) {
        if (!IsDecimalDigit(*psz))
            return false;
        nValue = nValue * 10 + static_cast<unsigned long>(*psz - '0');
    }
    return true;
}

// The month number of a month folder name, when the walk would name a month
// exactly so.
bool ParseMonthName(const char* pszName, int32_t& nMonthNumber)
{
    size_t nLength = std::strlen(pszName);
    unsigned long nYear = 0;
    unsigned long nMonth = 0;
    if (nLength < 3 || !ReadDecimal(pszName, pszName + nLength - 2, nYear) ||
        !ReadDecimal(pszName + nLength - 2, pszName + nLength, nMonth) || nYear > 0xFFFF || nMonth < 1 || nMonth > 12)
        return false;
    char szCanonical[32];
    MonthName(static_cast<unsigned>(nYear), static_cast<unsigned>(nMonth), szCanonical);
    if (std::strcmp(szCanonical, pszName) != 0)
        return false;
    nMonthNumber = MonthNumber(static_cast<unsigned>(nYear), static_cast<unsigned>(nMonth));
    return true;
}

// The key of a daily file name, when the walk would name a file exactly so.
bool ParseDailyFileName(const char* pszName, uint64_t& nKey)
{
    const char* pszDash = std::strchr(pszName, '-');
    const char* pszDot = std::strchr(pszName, '.');
    unsigned long nDay = 0;
    unsigned long nSequence = 0;
    if (pszDash == nullptr || pszDot == nullptr || pszDot < pszDash || !ReadDecimal(pszName, pszDash, nDay) ||
        !ReadDecimal(pszDash + 1, pszDot, nSequence) || nDay < 1 || nDay > 31 || nSequence > INT32_MAX)
        return false;
    bool bGzip = std::strcmp(pszDot, kGzipSuffix) == 0;
    char szCanonical[48];
    DailyFileName(static_cast<unsigned>(nDay), static_cast<int32_t>(nSequence), bGzip, szCanonical);
    if (std::strcmp(szCanonical, pszName) != 0)
        return false;
    nKey = DailyFileKey(static_cast<unsigned>(nDay), static_cast<int32_t>(nSequence), bGzip);
    return true;
}

// The day number of a calendar time; false when it cannot be broken down.
bool DayNumberOf(time_t nTime, int32_t& nDayNumber)
{
    struct tm tmUtc;
    if (gmtime_r(&nTime, &tmUtc) == nullptr || tmUtc.tm_year + 1900 < 0 || tmUtc.tm_year + 1900 > 0xFFFF)
        return false;
    nDayNumber = DayNumber(static_cast<unsigned>(tmUtc.tm_year + 1900), static_cast<unsigned>(tmUtc.tm_mon + 1),
                           static_cast<unsigned>(tmUtc.tm_mday));
    return true;
}

}  // namespace

CDailyFileWalk::CDailyFileWalk(IReaderMessages& messages, const char* pszGatewayFolder, const char* pszRootDir,
                               const CLogDate& dateStart, LogTime nRangeEnd, PFN_CLOCK pfnClock)
    : m_messages(messages),
      m_bSingleFile(false),
      m_strGatewayPath(CSString(pszRootDir) + "/" + pszGatewayFolder + "/"),
      m_nRangeEnd(nRangeEnd),
      m_dateCurrent(dateStart),
      m_nNextSequence(0),
      m_bEnded(false),
      m_bReported(false),
      m_pfnClock(pfnClock),
      m_nNow(0),
      m_dateResume(dateStart),
      m_nResumeSequence(0),
      m_eMonths(EListingState::kNotTaken),
      m_nMonthsListedAt(0),
      m_nSearchedMonth(-1),
      m_nDaysMonth(-1),
      m_eDays(EListingState::kNotTaken),
      m_nDaysListedAt(0)
{
}

CDailyFileWalk::CDailyFileWalk(IReaderMessages& messages, const char* pszFilePath)
    : m_messages(messages),
      m_bSingleFile(true),
      m_strFilePath(pszFilePath),
      m_nRangeEnd(0),
      m_nNextSequence(0),
      m_bEnded(false),
      m_bReported(false),
      m_pfnClock(nullptr),
      m_nNow(0),
      m_nResumeSequence(0),
      m_eMonths(EListingState::kUnusable),
      m_nMonthsListedAt(0),
      m_nSearchedMonth(-1),
      m_nDaysMonth(-1),
      m_eDays(EListingState::kUnusable),
      m_nDaysListedAt(0)
{
}

CDailyFileWalk::EStep CDailyFileWalk::Next(std::unique_ptr<COpenedDailyFile>& pFile)
{
    if (m_bSingleFile)
        return NextSingleFile(pFile);
    if (m_bEnded || IsPastRange()) {
        m_bEnded = true;
        return EStep::kEnd;
    }
    m_nNow = m_pfnClock != nullptr ? m_pfnClock() : std::time(nullptr);
    if (m_eMonths == EListingState::kNotTaken)
        ListGatewayFolder();

    for (;;) {
        m_bReported = false;
        switch (LookAtCurrent(pFile)) {
        case EMove::kOpened:
            ++m_nNextSequence;
            NoteResumePoint();
            return EStep::kFile;
        case EMove::kNextSequence:
            ++m_nNextSequence;
            break;
        case EMove::kNextDay:
            MoveTo(m_dateCurrent.m_nYear, m_dateCurrent.m_nMonth, m_dateCurrent.m_nDay + 1u);
            break;
        case EMove::kNextListedDay:
            MoveToNextListedDay();
            break;
        case EMove::kNextMonth:
            MoveToNextMonth();
            break;
        }
        if (m_bReported)
            NoteResumePoint();
        if (m_bEnded || IsPastRange()) {
            m_bEnded = true;
            return EStep::kEnd;
        }
        if (m_bReported)
            return EStep::kReported;
    }
}

void CDailyFileWalk::Resume()
{
    if (m_bSingleFile)
        return;
    m_dateCurrent = m_dateResume;
    m_nNextSequence = m_nResumeSequence;
    m_bEnded = false;
    m_eMonths = EListingState::kNotTaken;
    m_nSearchedMonth = -1;
    m_nDaysMonth = -1;
}

CSString CDailyFileWalk::GetLatestMonthFolder() const
{
    if (m_eMonths != EListingState::kTaken || m_aMonths.empty())
        return CSString();
    char szMonth[32];
    MonthName(static_cast<unsigned>(m_aMonths.back() / 12), static_cast<unsigned>(m_aMonths.back() % 12 + 1), szMonth);
    return m_strGatewayPath + szMonth;
}

void CDailyFileWalk::NoteResumePoint()
{
    m_dateResume = m_dateCurrent;
    m_nResumeSequence = m_nNextSequence;
}

CDailyFileWalk::EStep CDailyFileWalk::NextSingleFile(std::unique_ptr<COpenedDailyFile>& pFile)
{
    if (m_bEnded)
        return EStep::kEnd;
    m_bEnded = true;
    return OpenFile(m_strFilePath, true, pFile) ? EStep::kFile : EStep::kEnd;
}

CDailyFileWalk::EMove CDailyFileWalk::LookAtCurrent(std::unique_ptr<COpenedDailyFile>& pFile)
{
    const unsigned nYear = m_dateCurrent.m_nYear;
    const unsigned nMonth = m_dateCurrent.m_nMonth;
    const unsigned nDay = m_dateCurrent.m_nDay;
    const int32_t nMonthNumber = MonthNumber(nYear, nMonth);

    CFreshDays months = FreshDaysSince(m_nMonthsListedAt);
    bool bMonthListed = m_eMonths == EListingState::kTaken && (nMonthNumber < months.m_nFirst / kDaysPerMonthNumber ||
                                                               nMonthNumber > months.m_nLast / kDaysPerMonthNumber);
    if (bMonthListed && !std::binary_search(m_aMonths.begin(), m_aMonths.end(), nMonthNumber))
        return EMove::kNextMonth;

    char szMonth[32];
    MonthName(nYear, nMonth, szMonth);
    CSString strMonthFolder = m_strGatewayPath + szMonth;
    // A month that may change is examined at every step, a listed one once.
    if (!bMonthListed || m_nSearchedMonth != nMonthNumber) {
        if (!CheckMonthFolder(strMonthFolder))
            return EMove::kNextMonth;
        m_nSearchedMonth = bMonthListed ? nMonthNumber : -1;
    }
    if (m_nDaysMonth != nMonthNumber)
        ListMonthFolder(strMonthFolder, nMonthNumber);

    CFreshDays days = FreshDaysSince(m_nDaysListedAt);
    int32_t nDayNumber = DayNumber(nYear, nMonth, nDay);
    bool bPlainListed = true;
    bool bGzipListed = true;
    if (m_eDays == EListingState::kTaken && (nDayNumber < days.m_nFirst || nDayNumber > days.m_nLast)) {
        bPlainListed = IsListed(nDay, m_nNextSequence, false);
        bGzipListed = IsListed(nDay, m_nNextSequence, true);
        if (!bPlainListed && !bGzipListed)
            return m_nNextSequence == 0 ? EMove::kNextListedDay : EMove::kNextDay;
    }

    char szName[48];
    DailyFileName(nDay, m_nNextSequence, false, szName);
    CSString strPlainPath = strMonthFolder + "/" + szName;
    DailyFileName(nDay, m_nNextSequence, true, szName);
    CSString strGzipPath = strMonthFolder + "/" + szName;

    // A name that is there counts, even a link that leads nowhere.
    const CSString* pFound = &strPlainPath;
    platform::EPathKind eFile = bPlainListed ? platform::ProbePath(strPlainPath) : platform::EPathKind::kMissing;
    if (eFile == platform::EPathKind::kMissing) {
        pFound = &strGzipPath;
        eFile = bGzipListed ? platform::ProbePath(strGzipPath) : platform::EPathKind::kMissing;
    }

    if (eFile == platform::EPathKind::kBroken) {
        Report(EReaderMessage::kFailedToOpen, kMsgFailedToOpen, *pFound);
        return EMove::kNextSequence;
    }
    if (eFile == platform::EPathKind::kMissing)
        return EMove::kNextDay;
    if (!platform::PathReadable(*pFound)) {
        Report(EReaderMessage::kAccessDenied, kMsgAccessDenied, *pFound);
        return EMove::kNextDay;
    }
    return OpenFile(*pFound, pFound == &strPlainPath, pFile) ? EMove::kOpened : EMove::kNextSequence;
}

// Whether the month folder may be walked; a folder that may not be searched
// or is none is reported.
bool CDailyFileWalk::CheckMonthFolder(const CSString& strMonthFolder)
{
    platform::EPathKind eMonth = platform::ProbePath(strMonthFolder);
    if (eMonth == platform::EPathKind::kMissing)
        return false;
    if (eMonth == platform::EPathKind::kDenied ||
        (eMonth == platform::EPathKind::kFolder && !platform::FolderSearchable(strMonthFolder))) {
        Report(EReaderMessage::kAccessDenied, kMsgAccessDenied, strMonthFolder);
        return false;
    }
    if (eMonth != platform::EPathKind::kFolder) {
        Report(EReaderMessage::kFailedToOpen, kMsgFailedToOpen, strMonthFolder);
        return false;
    }
    return true;
}

bool CDailyFileWalk::OpenFile(const CSString& strPath, bool bPlainName, std::unique_ptr<COpenedDailyFile>& pFile)
{
    std::unique_ptr<COpenedDailyFile> pOpened(new COpenedDailyFile);
    if (!pOpened->m_stream.Open(strPath, pOpened->m_facts)) {
        Report(EReaderMessage::kFailedToOpen, kMsgFailedToOpen, strPath);
        return false;
    }
    pOpened->m_strPath = strPath;
    pOpened->m_bPlainName = bPlainName;
    pFile = std::move(pOpened);
    return true;
}

// The month folders of the gateway. Where the names of the gateway folder
// cannot be relied on, every month is looked up instead: a folder that
// cannot be listed, or whose entries may not be looked up (each lookup
// would be refused and reported).
void CDailyFileWalk::ListGatewayFolder()
{
    m_nMonthsListedAt = m_nNow;
    m_aMonths.clear();
    CSString strFolder = m_strGatewayPath.Left(m_strGatewayPath.GetLength() - 1);
    platform::EListing eListing = platform::ListFolder(strFolder, [this](const char* pszName) {
        int32_t nMonthNumber;
        if (ParseMonthName(pszName, nMonthNumber))
            m_aMonths.push_back(nMonthNumber);
    });
    bool bUsable = eListing == platform::EListing::kMissing ||
                   (eListing == platform::EListing::kListed && platform::FolderSearchable(strFolder));
    m_eMonths = bUsable ? EListingState::kTaken : EListingState::kUnusable;
    if (!bUsable)
        m_aMonths.clear();
    std::sort(m_aMonths.begin(), m_aMonths.end());
}

void CDailyFileWalk::ListMonthFolder(const CSString& strMonthFolder, int32_t nMonth)
{
    m_nDaysMonth = nMonth;
    m_nDaysListedAt = m_nNow;
    m_aDailyFiles.clear();
    platform::EListing eListing = platform::ListFolder(strMonthFolder, [this](const char* pszName) {
        uint64_t nKey;
        if (ParseDailyFileName(pszName, nKey))
            m_aDailyFiles.push_back(nKey);
    });
    m_eDays = eListing == platform::EListing::kListed ? EListingState::kTaken : EListingState::kUnusable;
    std::sort(m_aDailyFiles.begin(), m_aDailyFiles.end());
}

bool CDailyFileWalk::IsListed(unsigned nDay, int32_t nSequence, bool bGzip) const
{
    return std::binary_search(m_aDailyFiles.begin(), m_aDailyFiles.end(), DailyFileKey(nDay, nSequence, bGzip));
}

CDailyFileWalk::CFreshDays CDailyFileWalk::FreshDaysSince(time_t nListedAt) const
{
    CFreshDays days;
    if (m_nNow == static_cast<time_t>(-1) || !DayNumberOf(nListedAt - kFreshMargin, days.m_nFirst) ||
        !DayNumberOf(m_nNow + kFreshMargin, days.m_nLast))
        return CFreshDays{INT32_MIN, INT32_MAX};  // without a clock no listing is trusted
    return days;
}

void CDailyFileWalk::MoveTo(unsigned nYear, unsigned nMonth, unsigned nDay)
{
    m_dateCurrent.m_nYear = static_cast<uint16_t>(nYear);
    m_dateCurrent.m_nMonth = static_cast<uint16_t>(nMonth);
    m_dateCurrent.m_nDay = static_cast<uint16_t>(nDay);
    m_dateCurrent.m_nHour = 0;
    m_dateCurrent.m_nMinute = 0;
    m_dateCurrent.m_nSecond = 0;
    m_nNextSequence = 0;
    NormalizeDate(m_dateCurrent);
}

// From a listed day without files: the next day of the month that has a
// file of sequence number 0 or is not covered by the listing.
void CDailyFileWalk::MoveToNextListedDay()
{
    const unsigned nYear = m_dateCurrent.m_nYear;
    const unsigned nMonth = m_dateCurrent.m_nMonth;
    CFreshDays days = FreshDaysSince(m_nDaysListedAt);
    for (unsigned nDay = m_dateCurrent.m_nDay + 1u; nDay <= DaysInMonth(nYear, nMonth); ++nDay) {
        int32_t nDayNumber = DayNumber(nYear, nMonth, nDay);
        if ((nDayNumber >= days.m_nFirst && nDayNumber <= days.m_nLast) || IsListed(nDay, 0, false) ||
            IsListed(nDay, 0, true)) {
            MoveTo(nYear, nMonth, nDay);
            return;
        }
    }
    MoveToNextMonth();
}

// The first day of the next month, or of the next month the gateway listing
// names or does not cover; the walk ends when there is none.
void CDailyFileWalk::MoveToNextMonth()
{
    MoveTo(m_dateCurrent.m_nYear, m_dateCurrent.m_nMonth + 1u, 1);
    if (m_eMonths != EListingState::kTaken)
        return;
    const int32_t nMonthNumber = MonthNumber(m_dateCurrent.m_nYear, m_dateCurrent.m_nMonth);
    CFreshDays months = FreshDaysSince(m_nMonthsListedAt);
    int32_t nTarget = INT32_MAX;
    auto itListed = std::lower_bound(m_aMonths.begin(), m_aMonths.end(), nMonthNumber);
    if (itListed != m_aMonths.end())
        nTarget = *itListed;
    int32_t nFirstFresh = std::max(nMonthNumber, months.m_nFirst / kDaysPerMonthNumber);
    if (nFirstFresh <= months.m_nLast / kDaysPerMonthNumber)
        nTarget = std::min(nTarget, nFirstFresh);
    if (nTarget == INT32_MAX) {
        m_bEnded = true;
        return;
    }
    if (nTarget != nMonthNumber)
        MoveTo(static_cast<unsigned>(nTarget / 12), static_cast<unsigned>(nTarget % 12 + 1), 1);
}

bool CDailyFileWalk::IsPastRange() const
{
    LogTime nCurrent;
    return !DateToLogTime(m_dateCurrent, nCurrent) || m_nRangeEnd < nCurrent;
}

void CDailyFileWalk::Report(EReaderMessage eMessage, const char* pszFormat, const char* pszPath)
{
    ReportMessage(m_messages, eMessage, pszFormat, pszPath);
    m_bReported = true;
}
