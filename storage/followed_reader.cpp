// The followed reader: the walk and the scan of a reader without a range
// end, and the looks at the last file and the folders that find what the
// logger wrote since.
#include "storage/followed_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "support/platform.h"

namespace {

// A followed reader reads every entry from its range start on.
constexpr LogTime kNoEnd = std::numeric_limits<LogTime>::max();

// A listing taken less than this long after its folder changed may have
// missed a change made in the same tick of the file system's clock.
constexpr int64_t kUnsureListingNs = 2000000000;

// The folder part of a path: everything before its last "/".
CSString FolderOf(const CSString& strPath)
{
    const char* pszSlash = std::strrchr(strPath.GetString(), '/');
    return pszSlash == nullptr ? CSString() : strPath.Left(static_cast<int>(pszSlash - strPath.GetString()));
}

// The change time of the folder at a path; -1 when it cannot be examined.
int64_t FolderChangedNs(const CSString& strFolder)
{
    platform::CFileState state;
    return !strFolder.IsEmpty() && platform::StatPath(strFolder, state) ? state.m_nChangedNs : -1;
}

}  // namespace

CFollowedReader::CFollowedReader(IReaderMessages& messages, const char* pszGatewayFolder, const char* pszRootDir,
                                 const CReadRange& range)
    : m_messages(messages),
      m_walk(messages, pszGatewayFolder, pszRootDir, range.m_dateStart, kNoEnd),
      m_scan(messages, range.m_nStart, kNoEnd),
      m_nRangeStart(range.m_nStart),
      m_eState(EState::kWalking),
      m_strGatewayFolder(CSString(pszRootDir) + "/" + pszGatewayFolder),
      m_bPlainName(true),
      m_nKnownSize(0),
      m_nGatewayChangedNs(-1),
      m_nMonthChangedNs(-1),
      m_nLatestMonthChangedNs(-1),
      m_nListedNs(0)
{
}

bool CFollowedReader::ReadEntry(CLogEntry& entry)
{
    if (m_eState == EState::kWaiting && !LookAgain())
        return false;
    for (;;) {
        switch (m_eState) {
        case EState::kScanning:
            if (m_scan.ReadEntry(entry))
                return true;
            // A file the scan has closed is done with; one it keeps is at
            // its current end, and the walk tells whether a later one is there.
            if (m_scan.GetFile() == nullptr)
                m_eState = EState::kWalking;
            else if (!WalkOn())
                m_eState = EState::kWaiting;
            break;
        case EState::kDraining:
            if (m_scan.ReadEntry(entry))
                return true;
            StartFile(std::move(m_pNextFile));
            break;
        case EState::kWalking:
            if (!WalkOn())
                m_eState = EState::kWaiting;
            break;
        case EState::kWaiting:
            return false;
        }
    }
}

// Asks the walk for the next file: true when there is one. Without a
// current file it is started at once; else the current file is read to its
// end first.
bool CFollowedReader::WalkOn()
{
    for (;;) {
        std::unique_ptr<COpenedDailyFile> pFile;
        CDailyFileWalk::EStep eStep = m_walk.Next(pFile);
        m_strLatestMonthFolder = m_walk.GetLatestMonthFolder();
        switch (eStep) {
        case CDailyFileWalk::EStep::kReported:
            continue;
        case CDailyFileWalk::EStep::kEnd:
            return false;
        case CDailyFileWalk::EStep::kFile:
            break;
        }
        const COpenedDailyFile* pCurrent = m_scan.GetFile();
        if (pCurrent == nullptr) {
            StartFile(std::move(pFile));
            return true;
        }
        platform::CFileState state;
        uint64_t nSize =
            platform::StatDescriptor(pCurrent->m_stream.GetDescriptor(), state) ? state.m_nSize : m_nKnownSize;
        m_scan.LookAgain(nSize, false);
        m_pNextFile = std::move(pFile);
        m_eState = EState::kDraining;
        return true;
    }
}

void CFollowedReader::StartFile(std::unique_ptr<COpenedDailyFile> pFile)
{
    m_strFilePath = pFile->m_strPath;
    m_bPlainName = pFile->m_bPlainName;
    m_nKnownSize = pFile->m_facts.m_nSize;
    m_strMonthFolder = FolderOf(m_strFilePath);
    bool bEntries = m_scan.Start(std::move(pFile), true) == CDailyFileScan::EStart::kEntries;
    m_eState = bEntries ? EState::kScanning : EState::kWalking;
}

// What changed since the last look: true when there is something to read.
bool CFollowedReader::LookAgain()
{
    if (m_scan.GetFile() != nullptr && LookAtFileIdentity())
        return true;
    if (FoldersChanged()) {
        m_walk.Resume();
        if (WalkOn())
            return true;
    }
    return m_scan.GetFile() != nullptr && LookAtFileSize();
}

// A current file that shrank below what was read, or whose path now leads
// to another file, is read again from its start.
bool CFollowedReader::LookAtFileIdentity()
{
    const CDailyFileStream& stream = m_scan.GetFile()->m_stream;
    platform::CFileState open;
    if (!platform::StatDescriptor(stream.GetDescriptor(), open))
        return false;
    if (open.m_nSize < stream.GetFileOffset()) {
        Reopen(EReaderMessage::kTruncated, kMsgTruncated);
        return true;
    }
    platform::CFileState atPath;
    if (platform::StatPath(m_strFilePath, atPath) &&
        (atPath.m_nDevice != open.m_nDevice || atPath.m_nInode != open.m_nInode)) {
        Reopen(EReaderMessage::kReplaced, kMsgReplaced);
        return true;
    }
    return false;
}

// A current file that has grown is read on.
bool CFollowedReader::LookAtFileSize()
{
    platform::CFileState open;
    if (!platform::StatDescriptor(m_scan.GetFile()->m_stream.GetDescriptor(), open) || open.m_nSize == m_nKnownSize)
        return false;
    m_nKnownSize = open.m_nSize;
    m_scan.LookAgain(open.m_nSize, true);
    m_eState = EState::kScanning;
    return true;
}

// Whether the gateway folder or the month folder of the last file may hold
// names the walk has not seen: they changed since they were listed, or
// were listed so soon after a change that it may not show. Without a last
// file every look lists again.
bool CFollowedReader::FoldersChanged()
{
    int64_t nGatewayChanged = FolderChangedNs(m_strGatewayFolder);
    int64_t nMonthChanged = FolderChangedNs(m_strMonthFolder);
    int64_t nLatestMonthChanged = FolderChangedNs(m_strLatestMonthFolder);
    int64_t nLatestChange = std::max(nGatewayChanged, std::max(nMonthChanged, nLatestMonthChanged));
    if (!m_strMonthFolder.IsEmpty() && nGatewayChanged == m_nGatewayChangedNs && nMonthChanged == m_nMonthChangedNs &&
        nLatestMonthChanged == m_nLatestMonthChangedNs && m_nListedNs - nLatestChange >= kUnsureListingNs)
        return false;
    m_nGatewayChangedNs = nGatewayChanged;
    m_nMonthChangedNs = nMonthChanged;
    m_nLatestMonthChangedNs = nLatestMonthChanged;
    m_nListedNs = platform::WallClockNs();
    return true;
}

void CFollowedReader::Reopen(EReaderMessage eMessage, const char* pszFormat)
{
    ReportMessage(m_messages, eMessage, pszFormat, m_strFilePath.GetString());
    std::unique_ptr<COpenedDailyFile> pFile(new COpenedDailyFile);
    if (!pFile->m_stream.Open(m_strFilePath, pFile->m_facts)) {
        ReportMessage(m_messages, EReaderMessage::kFailedToOpen, kMsgFailedToOpen, m_strFilePath.GetString());
        m_scan.Reuse(m_messages, m_nRangeStart, kNoEnd);
        m_eState = EState::kWalking;
        return;
    }
    pFile->m_strPath = m_strFilePath;
    pFile->m_bPlainName = m_bPlainName;
    StartFile(std::move(pFile));
}
