// The follow run: its readers, the merge with the hold-back of live
// sources, the watches and polls that wake it, and the signals and output
// checks that end it.
#include "frontend/follow_run.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>

#include "filter/search_node.h"
#include "frontend/merge_heap.h"
#include "records/log_record.h"
#include "storage/followed_reader.h"
#include "storage/log_file_reader.h"
#include "support/folder_watch.h"
#include "support/platform.h"

namespace {

typedef std::chrono::steady_clock CClock;
typedef CClock::time_point CMoment;

// How long a followed reader without new data holds back the entries of the others.
constexpr std::chrono::milliseconds kHoldBack(1000);
// How often a followed reader whose folders are not all watched is looked at.
constexpr std::chrono::milliseconds kPollInterval(250);

constexpr uint32_t kNone = UINT32_MAX;

// ---------------------------------------------------------------- stop signals

// Set by SIGINT and SIGTERM, which also write a byte to the pipe that wakes
// the sleeping run.
volatile std::sig_atomic_t g_bStopAsked = 0;
int g_nStopPipeWrite = -1;

extern "C" void OnStopSignal(int)
{
    int nSavedErrno = errno;
    g_bStopAsked = 1;
    if (g_nStopPipeWrite >= 0) {
        char cByte = 0;
        ssize_t nIgnored = write(g_nStopPipeWrite, &cByte, 1);
        static_cast<void>(nIgnored);
    }
    errno = nSavedErrno;
}

// SIGINT and SIGTERM handled while the object lives: they ask the run to
// stop, and make the descriptor GetDescriptor readable.
class CStopSignals {
public:
    CStopSignals()
    {
        g_bStopAsked = 0;
        int aPipe[2];
        if (pipe(aPipe) == 0) {
            m_nRead = aPipe[0];
            g_nStopPipeWrite = aPipe[1];
            for (int nFd : aPipe) {
                fcntl(nFd, F_SETFL, fcntl(nFd, F_GETFL) | O_NONBLOCK);
                fcntl(nFd, F_SETFD, FD_CLOEXEC);
            }
        }
        struct sigaction action = {};
        action.sa_handler = &OnStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_oldInterrupt);
        sigaction(SIGTERM, &action, &m_oldTerminate);
    }
    ~CStopSignals()
    {
        sigaction(SIGINT, &m_oldInterrupt, nullptr);
        sigaction(SIGTERM, &m_oldTerminate, nullptr);
        if (m_nRead >= 0) {
            close(g_nStopPipeWrite);
            g_nStopPipeWrite = -1;
            close(m_nRead);
        }
    }
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

    static bool IsStopAsked() { return g_bStopAsked != 0; }
    int GetDescriptor() const { return m_nRead; }

private:
    int m_nRead = -1;
    struct sigaction m_oldInterrupt;
    struct sigaction m_oldTerminate;
};

// ---------------------------------------------------------------- the readers

// One reader of the run: a followed one or one that ends, the entry it has
// ready and its key in the merge, and for a followed reader what wakes it.
struct CMember {
    std::unique_ptr<CLogFileReader> m_pClosed;
    std::unique_ptr<CFollowedReader> m_pFollowed;
    CSString m_strGateway;
    CLogEntry m_entry = {};
    LogTime m_nPrefixMax = 0;
    bool m_bReady = false;  // m_entry is in the merge
    CMoment m_readyAt;      // when m_entry was read

    // Followed readers without an entry ready are dry: they are on the
    // run's list of dry readers.
    uint32_t m_nDryPrev = kNone;
    uint32_t m_nDryNext = kNone;
    bool m_bLookAgain = false;  // a watched folder changed since the last look
    CMoment m_changedAt;        // when that change was seen
    bool m_bPolled = true;      // its folders are not all watched
    CMoment m_lastLook;
    bool m_bWatched = false;  // its folders were given to the watch
    CSString m_strWatchedMonth;
    CSString m_strWatchedLatest;
};

class CFollowRun {
public:
    CFollowRun(const std::vector<CReaderPlan>& aPlans, const char* pszRootDir, const CQuery& query,
               CBinaryWriter& writer, CRunProblems& problems);
    void Run();

private:
    bool ShouldStop() const { return CStopSignals::IsStopAsked() || m_writer.GetStreamError() != 0; }
    void Advance(uint32_t nMember, CMoment now, CMoment seenAt);
    void LookAtDryReaders(CMoment now);
    void Watch(uint32_t nMember, CMoment now);
    void TakeChanges(CMoment now);
    bool WriteWhatMayGo(CMoment now, CMoment& wakeAt);
    void Write(const CMember& member);
    bool Sleep(CMoment now, CMoment wakeAt, bool bWakeAtSet);
    void AddDry(uint32_t nMember);
    void RemoveDry(uint32_t nMember);

    const CSearchFilter* m_pFilter;
    CBinaryWriter& m_writer;
    CRunProblems& m_problems;
    std::vector<CMember> m_aMembers;
    CMergeHeap m_heap;
    CLogRecord m_record;
    uint32_t m_nDryFirst = kNone;  // the dry readers, in the order they ran dry
    uint32_t m_nDryLast = kNone;
    unsigned m_nFollowed = 0;
    CFolderWatch m_watch;
    std::unordered_map<int, std::vector<uint32_t>> m_watchers;  // watch number: the readers it wakes
    CStopSignals m_signals;
};

CFollowRun::CFollowRun(const std::vector<CReaderPlan>& aPlans, const char* pszRootDir, const CQuery& query,
                       CBinaryWriter& writer, CRunProblems& problems)
    : m_pFilter(query.m_pFilter.get()),
      m_writer(writer),
      m_problems(problems)
{
    m_aMembers.resize(aPlans.size());
    m_heap.Reserve(aPlans.size());
    for (size_t i = 0; i < aPlans.size(); ++i) {
        const CReaderPlan& plan = aPlans[i];
        const CQueryRange& range = *plan.m_pRange;
        CMember& member = m_aMembers[i];
        member.m_strGateway = plan.m_pszGateway;
        if (plan.m_bFile) {
            member.m_pClosed.reset(new CLogFileReader(problems, plan.m_pszSource, range.m_tmStart, range.m_tmEnd));
        } else if (range.m_bOpenTowardsNow) {
            member.m_pFollowed.reset(new CFollowedReader(problems, plan.m_pszSource, pszRootDir,
                                                         CReadRange(range.m_tmStart, range.m_tmEnd)));
            ++m_nFollowed;
        } else {
            member.m_pClosed.reset(
                new CLogFileReader(problems, plan.m_pszSource, pszRootDir, range.m_tmStart, range.m_tmEnd));
        }
    }
}

void CFollowRun::Run()
{
    // Every reader up to its first entry, in the order of creation.
    CMoment now = CClock::now();
    for (uint32_t i = 0; i < m_aMembers.size() && !ShouldStop(); ++i) {
        CMember& member = m_aMembers[i];
        if (member.m_pFollowed != nullptr)
            AddDry(i);
        member.m_lastLook = now;
        Advance(i, now, now);
        if (member.m_bReady)
            m_heap.Push(i, member.m_nPrefixMax);
    }
    for (;;) {
        now = CClock::now();
        TakeChanges(now);
        LookAtDryReaders(now);
        CMoment wakeAt;
        bool bWakeAtSet = WriteWhatMayGo(now, wakeAt);
        if (ShouldStop() || !m_writer.Flush())
            return;
        if (m_heap.IsEmpty() && m_nFollowed == 0)
            return;  // nothing is followed: the run ends as any other
        if (!Sleep(now, wakeAt, bWakeAtSet))
            return;
    }
}

// Has the reader read its next entry: ready, it joins the merge; a reader
// that ends leaves it; a followed one without data is dry from now on. An
// entry counts as there since the look that found it: a dry reader's since
// seenAt, a ready reader's since the look that found its previous entry.
// A ready followed reader that runs out of what that look found looks
// again at once when its folders changed since or it is polled.
void CFollowRun::Advance(uint32_t nMember, CMoment now, CMoment seenAt)
{
    CMember& member = m_aMembers[nMember];
    const bool bWasReady = member.m_bReady;
    if (bWasReady)
        seenAt = member.m_readyAt;
    bool bRead = member.m_pFollowed != nullptr ? member.m_pFollowed->ReadEntry(member.m_entry)
                                               : member.m_pClosed->ReadEntry(member.m_entry);
    if (!bRead && bWasReady && member.m_pFollowed != nullptr && (member.m_bLookAgain || member.m_bPolled)) {
        seenAt = member.m_bLookAgain ? member.m_changedAt : member.m_lastLook;
        member.m_bLookAgain = false;
        member.m_lastLook = now;
        bRead = member.m_pFollowed->ReadEntry(member.m_entry);
    }
    if (!bRead) {
        if (member.m_pFollowed != nullptr)
            Watch(nMember, now);  // where it waits
        if (member.m_pFollowed != nullptr && bWasReady)
            AddDry(nMember);
        member.m_bReady = false;
        member.m_pClosed.reset();
        return;
    }
    if (member.m_pFollowed != nullptr && !bWasReady)
        RemoveDry(nMember);
    member.m_bReady = true;
    member.m_readyAt = seenAt;
    if (member.m_entry.GetTime() > member.m_nPrefixMax)
        member.m_nPrefixMax = member.m_entry.GetTime();
}

// The dry followed readers that a watched change concerns, or whose poll is due, look again.
void CFollowRun::LookAtDryReaders(CMoment now)
{
    uint32_t nMember = m_nDryFirst;
    while (nMember != kNone) {
        CMember& member = m_aMembers[nMember];
        uint32_t nNext = member.m_nDryNext;
        if (member.m_bLookAgain || (member.m_bPolled && now - member.m_lastLook >= kPollInterval)) {
            CMoment seenAt = member.m_bLookAgain ? member.m_changedAt : now;
            member.m_bLookAgain = false;
            member.m_lastLook = now;
            Advance(nMember, now, seenAt);
            if (member.m_bReady)
                m_heap.Push(nMember, member.m_nPrefixMax);
        }
        nMember = nNext;
    }
}

// Watches the folders of a followed reader that has run dry in folders it
// was not watched in; a reader with a folder that cannot be watched is
// polled. Folders are watched only where readers wait, not on their way
// through the past. The reader then looks once more, since what changed
// between its last listing and the new watches was not seen.
void CFollowRun::Watch(uint32_t nMember, CMoment now)
{
    CMember& member = m_aMembers[nMember];
    const CFollowedReader& reader = *member.m_pFollowed;
    const CSString& strMonth = reader.GetMonthFolder();
    const CSString& strLatest = reader.GetLatestMonthFolder();
    if (member.m_bWatched && std::strcmp(strMonth, member.m_strWatchedMonth) == 0 &&
        std::strcmp(strLatest, member.m_strWatchedLatest) == 0)
        return;
    int aWatches[] = {
        m_watch.Add(reader.GetGatewayFolder()),
        strMonth.IsEmpty() ? -1 : m_watch.Add(strMonth),
        strLatest.IsEmpty() ? -1 : m_watch.Add(strLatest),
    };
    // Without a last file the reader may find its next one in any month folder.
    member.m_bPolled = aWatches[0] < 0 || aWatches[1] < 0 || (!strLatest.IsEmpty() && aWatches[2] < 0);
    for (int nWatch : aWatches) {
        if (nWatch < 0)
            continue;
        std::vector<uint32_t>& aWoken = m_watchers[nWatch];
        if (std::find(aWoken.begin(), aWoken.end(), nMember) == aWoken.end())
            aWoken.push_back(nMember);
    }
    if (!member.m_bLookAgain) {
        member.m_bLookAgain = true;
        member.m_changedAt = now;
    }
    member.m_bWatched = true;
    member.m_strWatchedMonth = strMonth;
    member.m_strWatchedLatest = strLatest;
}

// Notes the readers whose watched folders changed, with the moment the
// first change since their last look was seen.
void CFollowRun::TakeChanges(CMoment now)
{
    auto noteChange = [now](CMember& member) {
        if (member.m_pFollowed == nullptr || member.m_bLookAgain)
            return;
        member.m_bLookAgain = true;
        member.m_changedAt = now;
    };
    m_watch.TakeChanges([this, &noteChange](int nWatch) {
        if (nWatch == CFolderWatch::kAllWatches) {
            for (CMember& member : m_aMembers)
                noteChange(member);
            return;
        }
        auto itWatch = m_watchers.find(nWatch);
        if (itWatch != m_watchers.end())
            for (uint32_t nMember : itWatch->second)
                noteChange(m_aMembers[nMember]);
    });
}

// Writes the entries that may go now; true with wakeAt set when the next
// one waits for the hold-back to run out.
bool CFollowRun::WriteWhatMayGo(CMoment now, CMoment& wakeAt)
{
    while (!m_heap.IsEmpty() && !ShouldStop()) {
        uint32_t nTop = m_heap.Top();
        CMember& member = m_aMembers[nTop];
        // Every followed reader without an entry must have been without new
        // data for the hold-back since this entry was read.
        if (m_nDryFirst != kNone && now < member.m_readyAt + kHoldBack) {
            wakeAt = member.m_readyAt + kHoldBack;
            return true;
        }
        Write(member);
        Advance(nTop, now, now);
        if (!member.m_bReady)
            m_heap.PopTop();
        else
            m_heap.ReplaceTop(member.m_nPrefixMax);
    }
    return false;
}

void CFollowRun::Write(const CMember& member)
{
    if (!m_record.Decode(member.m_entry.m_pBody, member.m_entry.m_nLength))
        m_problems.CountUndecodedEntry();
    if (m_pFilter == nullptr || m_pFilter->Evaluate(m_record) != 0)
        m_writer.WriteEntry(member.m_entry, m_record, member.m_strGateway);
}

// Sleeps until something may have changed: a watched folder, the stop
// signals, the output going away, the hold-back running out or a poll
// being due. False when the run is to end.
bool CFollowRun::Sleep(CMoment now, CMoment wakeAt, bool bWakeAtSet)
{
    for (uint32_t nMember = m_nDryFirst; nMember != kNone; nMember = m_aMembers[nMember].m_nDryNext) {
        const CMember& member = m_aMembers[nMember];
        if (member.m_bLookAgain)
            return true;
        if (member.m_bPolled && (!bWakeAtSet || member.m_lastLook + kPollInterval < wakeAt)) {
            wakeAt = member.m_lastLook + kPollInterval;
            bWakeAtSet = true;
        }
    }
    int nTimeout = -1;
    if (bWakeAtSet) {
        auto waitFor = std::chrono::duration_cast<std::chrono::milliseconds>(wakeAt - now).count();
        nTimeout = waitFor <= 0 ? 0 : static_cast<int>(waitFor + 1);
    }
    struct pollfd aWaits[3] = {
        {STDOUT_FILENO, 0, 0},
        {m_signals.GetDescriptor(), POLLIN, 0},
        {m_watch.GetDescriptor(), POLLIN, 0},
    };
    int nReady = poll(aWaits, 3, nTimeout);
    if (nReady < 0 && errno != EINTR)
        return false;
    // A reader of the output that has left (or an output that is gone) ends the run at once.
    if ((aWaits[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
        return false;
    if ((aWaits[1].revents & POLLIN) != 0) {
        char aBytes[16];
        while (read(m_signals.GetDescriptor(), aBytes, sizeof(aBytes)) > 0) {
        }
    }
    return !CStopSignals::IsStopAsked();
}

void CFollowRun::AddDry(uint32_t nMember)
{
    CMember& member = m_aMembers[nMember];
    member.m_nDryPrev = m_nDryLast;
    member.m_nDryNext = kNone;
    (m_nDryLast == kNone ? m_nDryFirst : m_aMembers[m_nDryLast].m_nDryNext) = nMember;
    m_nDryLast = nMember;
}

void CFollowRun::RemoveDry(uint32_t nMember)
{
    CMember& member = m_aMembers[nMember];
    (member.m_nDryPrev == kNone ? m_nDryFirst : m_aMembers[member.m_nDryPrev].m_nDryNext) = member.m_nDryNext;
    (member.m_nDryNext == kNone ? m_nDryLast : m_aMembers[member.m_nDryNext].m_nDryPrev) = member.m_nDryPrev;
    member.m_nDryPrev = kNone;
    member.m_nDryNext = kNone;
}

}  // namespace

void RunFollowing(const std::vector<CReaderPlan>& aPlans, const char* pszRootDir, const CQuery& query,
                  CBinaryWriter& writer, CRunProblems& problems)
{
    CFollowRun run(aPlans, pszRootDir, query, writer, problems);
    run.Run();
}
