// The query run with worker threads: lanes (one per reader), segments (one
// per daily file), the scheduling of segments on the workers, and the
// writing thread's side of the item streams.
#include "frontend/parallel_run.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "filter/search_node.h"
#include "frontend/item_merge.h"
#include "frontend/run_item.h"
#include "output/column_list.h"
#include "output/line_buffer.h"
#include "output/line_renderer.h"
#include "records/log_record.h"
#include "storage/daily_file_scan.h"
#include "storage/daily_file_walk.h"
#include "storage/log_time.h"
#include "support/assert.h"

namespace {

// What the batches of all readers together may hold, and the limits of
// one batch's nominal size and of one reader's quota.
constexpr size_t kBatchBudget = 16u << 20;
constexpr size_t kSmallestBatch = 4u << 10;
constexpr size_t kLargestBatch = 256u << 10;
constexpr unsigned kFewestBatches = 3;
constexpr unsigned kMostBatches = 32;

// A batch this many times smaller than full is handed over early.
constexpr size_t kEarlyHandOverParts = 2;
// A later segment that stopped for want of batches goes on once this part
// of its reader's quota is free.
constexpr unsigned kRefillParts = 4;

constexpr uint32_t kNoReader = UINT32_MAX;

struct CLane;

// The walk reports to the segment that advances it.
class CWalkMessages final : public IReaderMessages {
public:
    void Report(EReaderMessage eMessage, const char* pszText) override { m_pTarget->Report(eMessage, pszText); }

    IReaderMessages* m_pTarget = nullptr;
};

enum class EPhase {
    kWalking,   // advancing the walk to the next file
    kScanning,  // handing out the entries of the file
    kDone,      // the last item is written (or the segment failed)
};

void DeleteBatches(CItemBatch* pBatch)
{
    while (pBatch != nullptr) {
        CItemBatch* pNext = pBatch->m_pNext;
        delete pBatch;
        pBatch = pNext;
    }
}

// One daily file of one reader. Between runs on a worker it holds no batch
// being filled; its handed-over batches wait for the writing thread.
struct CSegment {
    explicit CSegment(CLane& lane) : m_lane(lane) {}
    ~CSegment()
    {
        DeleteBatches(m_pHandedOver);
        delete m_writer.TakeBatch();
    }
    CSegment(const CSegment&) = delete;
    CSegment& operator=(const CSegment&) = delete;

    CLane& m_lane;
    std::unique_ptr<CSegment> m_pLater;  // the next segment of the reader
    CSegment* m_pQueuePrev = nullptr;    // the run queue, while m_bQueued
    CSegment* m_pQueueNext = nullptr;
    bool m_bQueued = false;
    bool m_bRunning = false;
    bool m_bParked = false;  // stopped for want of a batch
    EPhase m_ePhase = EPhase::kWalking;
    bool m_bEndsReader = false;     // no segment follows (with kDone)
    bool m_bUnboundedFile = false;  // the file is a pipe or device: a read may wait for ever
    CItemWriter m_writer;
    std::unique_ptr<CDailyFileScan> m_pScan;
    std::unique_ptr<CSegment> m_pFollower;  // the next file's segment, made once the header allowed it
    CItemBatch* m_pHandedOver = nullptr;    // filled batches, oldest first
    CItemBatch* m_pHandedOverTail = nullptr;
    std::exception_ptr m_pFailure;
};

// One reader: its walk, its segments and its batches.
struct CLane {
    CLane(const CReaderPlan& plan, uint32_t nIndex, const char* pszRootDir)
        : m_plan(plan),
          m_nIndex(nIndex),
          m_range(plan.m_pRange->m_tmStart, plan.m_pRange->m_tmEnd)
    {
        if (plan.m_bFile)
            m_pWalk.reset(new CDailyFileWalk(m_walkMessages, plan.m_pszSource));
        else
            m_pWalk.reset(
                new CDailyFileWalk(m_walkMessages, plan.m_pszSource, pszRootDir, m_range.m_dateStart, m_range.m_nEnd));
        m_bWalkDone = m_range.m_bEmpty;
    }
    ~CLane()
    {
        DeleteBatches(m_pFree);
        delete m_pReading;
    }
    CLane(const CLane&) = delete;
    CLane& operator=(const CLane&) = delete;

    const CReaderPlan& m_plan;
    const uint32_t m_nIndex;
    const CReadRange m_range;
    CWalkMessages m_walkMessages;
    std::unique_ptr<CDailyFileWalk> m_pWalk;

    // Under the run's lock:
    std::unique_ptr<CSegment> m_pFront;  // the segment written first; the others hang on it
    CSegment* m_pBack = nullptr;
    std::unique_ptr<CSegment> m_pPending;  // made, waiting for a worker's slot to start
    bool m_bWalkDone = false;              // no segment is to come after those in the lane
    unsigned m_nScanning = 0;              // segments walking or scanning
    CItemBatch* m_pFree = nullptr;
    unsigned m_nBatchesOut = 0;  // batches being filled, handed over or being read
    bool m_bWaitsForSlot = false;
    CLane* m_pNextWaiting = nullptr;

    // The writing thread's own:
    CItemBatch* m_pReading = nullptr;
    size_t m_nReadOffset = 0;
};

// Under the run's lock: a free batch of the lane, or null when a new one is
// to be made (outside the lock).
CItemBatch* TakeBatch(CLane& lane)
{
    ++lane.m_nBatchesOut;
    CItemBatch* pBatch = lane.m_pFree;
    if (pBatch != nullptr) {
        lane.m_pFree = pBatch->m_pNext;
        pBatch->m_pNext = nullptr;
    }
    return pBatch;
}

// Under the run's lock: the batch back to the lane's free batches.
void ReleaseBatch(CLane& lane, CItemBatch* pBatch)
{
    pBatch->Clear();
    pBatch->m_pNext = lane.m_pFree;
    lane.m_pFree = pBatch;
    --lane.m_nBatchesOut;
}

// What a worker thread keeps for itself.
struct CWorker {
    std::unique_ptr<CLineRenderer> m_pRenderer;  // null for the binary stream
    CLineBuffer m_line;
    CLogRecord m_record;
    std::unique_ptr<CDailyFileScan> m_pSpareScan;  // of a segment that ended here, for the next one
    std::thread m_thread;
    bool m_bMayWait = false;  // under the run's lock: it reads a pipe or device
};

class CParallelRun final : public IItemSource {
public:
    CParallelRun(const std::vector<CReaderPlan>& aPlans, const char* pszRootDir, const CQuery& query,
                 const COutputSettings& settings, unsigned nWorkers);
    ~CParallelRun();
    CParallelRun(const CParallelRun&) = delete;
    CParallelRun& operator=(const CParallelRun&) = delete;

    // Starts the worker threads; false when not one could be started.
    bool StartWorkers();
    // Has the workers stop and waits for them, except those that read a
    // pipe or device and may wait for its data for ever: those are left to
    // end with the process. True when every worker has ended.
    bool Stop();

    const CRunItem* Next(uint32_t nReader) override;

private:
    void WorkerMain(CWorker& worker);
    void RunSegment(CWorker& worker, CSegment& segment, CItemBatch* pBatch);
    void Walk(CWorker& worker, CSegment& segment);
    void ScanEntry(CWorker& worker, CSegment& segment);
    static void EndSegment(CWorker& worker, CSegment& segment, bool bEndsReader);
    bool ShouldHandOver(const CSegment& segment) const;

    // Under the lock:
    void HandOver(CSegment& segment);
    bool KeepsRunning(const CSegment& segment) const;
    void SegmentDone(CSegment& segment);
    void TryStartPending(CLane& lane);
    void GrantSlots();
    unsigned FreeBatches(const CSegment& segment) const;
    bool CanTakeBatch(const CSegment& segment) const { return FreeBatches(segment) > 0; }
    void Schedule(CSegment& segment);
    void ScheduleLane(CLane& lane);
    CSegment* TakeRunnable();
    void Unqueue(CSegment& segment);
    // Wakes, after the lock is let go, as many workers as segments became runnable.
    void WakeWorkers(std::unique_lock<std::mutex>& lock);

    const CSearchFilter* m_pFilter;
    const bool m_bBinary;
    size_t m_nBatchSize;
    unsigned m_nBatchesPerLane;
    unsigned m_nSlots;  // segments that may be scanned beside the first of their reader

    std::mutex m_mutex;
    std::condition_variable m_cvWork;    // workers wait for runnable segments
    std::condition_variable m_cvWriter;  // the writing thread waits for its reader's items
    std::atomic<bool> m_bStop{false};
    std::atomic<uint32_t> m_nWaitedReader{kNoReader};
    std::vector<std::unique_ptr<CLane>> m_aLanes;
    std::vector<std::unique_ptr<CWorker>> m_aWorkers;
    unsigned m_nStarted = 0;
    CSegment* m_pQueueHead = nullptr;
    CSegment* m_pQueueTail = nullptr;
    CLane* m_pWaitingHead = nullptr;
    CLane* m_pWaitingTail = nullptr;
    unsigned m_nSlotsTaken = 0;
    unsigned m_nToWake = 0;  // segments queued since workers were last woken
};

CParallelRun::CParallelRun(const std::vector<CReaderPlan>& aPlans, const char* pszRootDir, const CQuery& query,
                           const COutputSettings& settings, unsigned nWorkers)
    : m_pFilter(query.m_pFilter.get()),
      m_bBinary(query.SelectsBinary()),
      m_nSlots(nWorkers)
{
    size_t nLanes = std::max<size_t>(aPlans.size(), 1);
    m_nBatchSize = std::min(kLargestBatch, std::max(kSmallestBatch, kBatchBudget / (nLanes * kFewestBatches)));
    m_nBatchesPerLane = static_cast<unsigned>(
        std::min<size_t>(kMostBatches, std::max<size_t>(kFewestBatches, kBatchBudget / (nLanes * m_nBatchSize))));

    m_aLanes.reserve(aPlans.size());
    for (size_t i = 0; i < aPlans.size(); ++i) {
        m_aLanes.push_back(std::unique_ptr<CLane>(new CLane(aPlans[i], static_cast<uint32_t>(i), pszRootDir)));
        CLane& lane = *m_aLanes.back();
        if (!lane.m_bWalkDone) {
            lane.m_pPending.reset(new CSegment(lane));
            TryStartPending(lane);
        }
    }
    CColumnList columns(query.m_aOutputs);
    m_aWorkers.reserve(nWorkers);
    for (unsigned i = 0; i < nWorkers; ++i) {
        m_aWorkers.push_back(std::unique_ptr<CWorker>(new CWorker));
        if (!m_bBinary)
            m_aWorkers.back()->m_pRenderer = CreateLineRenderer(columns, settings);
    }
}

CParallelRun::~CParallelRun()
{
    Stop();
}

bool CParallelRun::StartWorkers()
{
    m_nToWake = 0;  // the workers look for work as they start
    for (std::unique_ptr<CWorker>& pWorker : m_aWorkers) {
        try {
            pWorker->m_thread = std::thread(&CParallelRun::WorkerMain, this, std::ref(*pWorker));
        } catch (const std::system_error&) {
            break;  // the threads started so far do the work
        }
        ++m_nStarted;
    }
    return m_nStarted > 0;
}

bool CParallelRun::Stop()
{
    std::vector<bool> aLeft;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
        for (const std::unique_ptr<CWorker>& pWorker : m_aWorkers)
            aLeft.push_back(pWorker->m_bMayWait);
    }
    m_cvWork.notify_all();
    bool bAllEnded = true;
    for (size_t i = 0; i < m_aWorkers.size(); ++i) {
        std::thread& thread = m_aWorkers[i]->m_thread;
        if (!thread.joinable())
            continue;
        if (aLeft[i]) {
            thread.detach();
            bAllEnded = false;
        } else {
            thread.join();
        }
    }
    return bAllEnded;
}

// ---------------------------------------------------------------- the workers

void CParallelRun::WorkerMain(CWorker& worker)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_bStop) {
        CSegment* pSegment = TakeRunnable();
        if (pSegment == nullptr) {
            m_cvWork.wait(lock);
            continue;
        }
        if (m_nToWake > 0)
            --m_nToWake;  // this worker takes one of them
        pSegment->m_bRunning = true;
        pSegment->m_bParked = false;
        worker.m_bMayWait = pSegment->m_bUnboundedFile;
        // Batch after batch while the reader's quota allows.
        do {
            CItemBatch* pBatch = TakeBatch(pSegment->m_lane);
            WakeWorkers(lock);
            RunSegment(worker, *pSegment, pBatch);
            lock.lock();
            HandOver(*pSegment);
        } while (KeepsRunning(*pSegment));
        worker.m_bMayWait = false;
        pSegment->m_bRunning = false;
        pSegment->m_bParked = pSegment->m_ePhase != EPhase::kDone && !CanTakeBatch(*pSegment);
        ScheduleLane(pSegment->m_lane);
    }
}

// Fills one batch of the segment, or less when the segment ends, the
// writing thread waits for what there is, or the run stops.
void CParallelRun::RunSegment(CWorker& worker, CSegment& segment, CItemBatch* pBatch)
{
    try {
        if (pBatch == nullptr)
            pBatch = new CItemBatch(m_nBatchSize);
        segment.m_writer.SetBatch(pBatch);
        while (!m_bStop.load(std::memory_order_relaxed)) {
            if (segment.m_ePhase == EPhase::kWalking)
                Walk(worker, segment);
            else
                ScanEntry(worker, segment);
            if (segment.m_ePhase == EPhase::kDone || ShouldHandOver(segment))
                break;
        }
    } catch (...) {
        segment.m_pFailure = std::current_exception();
        segment.m_ePhase = EPhase::kDone;
        segment.m_pScan.reset();
    }
}

// A full batch is handed over; so is one an eighth full when the writing
// thread waits for its reader, which then need not wait for all of it.
bool CParallelRun::ShouldHandOver(const CSegment& segment) const
{
    const CItemBatch& batch = *segment.m_writer.GetBatch();
    return batch.IsFull() || (batch.GetSize() >= m_nBatchSize / kEarlyHandOverParts &&
                              m_nWaitedReader.load(std::memory_order_relaxed) == segment.m_lane.m_nIndex);
}

// One step of the walk; once it has opened a file, the file's header.
void CParallelRun::Walk(CWorker& worker, CSegment& segment)
{
    CLane& lane = segment.m_lane;
    lane.m_walkMessages.m_pTarget = &segment.m_writer;
    std::unique_ptr<COpenedDailyFile> pFile;
    switch (lane.m_pWalk->Next(pFile)) {
    case CDailyFileWalk::EStep::kReported:
        return;
    case CDailyFileWalk::EStep::kEnd:
        EndSegment(worker, segment, true);
        return;
    case CDailyFileWalk::EStep::kFile:
        break;
    }
    if (!pFile->m_facts.m_bRegular) {
        // A pipe or device may hold the reading up for ever: the run, once
        // stopped, does not wait for this worker.
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStop)
            return;
        worker.m_bMayWait = true;
        segment.m_bUnboundedFile = true;
    }
    if (worker.m_pSpareScan != nullptr) {
        segment.m_pScan = std::move(worker.m_pSpareScan);
        segment.m_pScan->Reuse(segment.m_writer, lane.m_range.m_nStart, lane.m_range.m_nEnd);
    } else {
        segment.m_pScan.reset(new CDailyFileScan(segment.m_writer, lane.m_range.m_nStart, lane.m_range.m_nEnd));
    }
    CDailyFileScan::EStart eStart = segment.m_pScan->Start(std::move(pFile));
    if (eStart == CDailyFileScan::EStart::kReaderEnds) {
        EndSegment(worker, segment, true);
        return;
    }
    // The walk goes on after this file, whatever it holds: the next file's
    // segment may start now.
    segment.m_pFollower.reset(new CSegment(lane));
    if (eStart == CDailyFileScan::EStart::kNextFile) {
        EndSegment(worker, segment, false);
        return;
    }
    segment.m_ePhase = EPhase::kScanning;
    std::unique_lock<std::mutex> lock(m_mutex);
    lane.m_pPending = std::move(segment.m_pFollower);
    TryStartPending(lane);
    WakeWorkers(lock);
}

// One entry of the file: noted, decoded, filtered and rendered.
void CParallelRun::ScanEntry(CWorker& worker, CSegment& segment)
{
    CLogEntry entry;
    if (!segment.m_pScan->ReadEntry(entry)) {
        EndSegment(worker, segment, false);
        return;
    }
    CItemWriter& writer = segment.m_writer;
    writer.NoteEntry(entry.GetTime());
    if (!worker.m_record.Decode(entry.m_pBody, entry.m_nLength))
        writer.CountUndecoded();
    if (m_pFilter != nullptr && m_pFilter->Evaluate(worker.m_record) == 0)
        return;
    if (m_bBinary) {
        CBinaryWriter::LayOutEntry(entry, writer.AddEntry(CBinaryWriter::LaidOutSize(entry)));
        return;
    }
    worker.m_line.Clear();
    if (worker.m_pRenderer->RenderEntry(entry, worker.m_record, segment.m_lane.m_plan.m_pszGateway, worker.m_line))
        writer.AddEntry(worker.m_line.GetData(), worker.m_line.GetLength());
}

// The segment's last item; the worker keeps its scan for the next segment.
void CParallelRun::EndSegment(CWorker& worker, CSegment& segment, bool bEndsReader)
{
    segment.m_writer.AddFileEnd();
    segment.m_bEndsReader = bEndsReader;
    segment.m_ePhase = EPhase::kDone;
    if (segment.m_pScan != nullptr)
        worker.m_pSpareScan = std::move(segment.m_pScan);
}

// ---------------------------------------------------------------- scheduling (under the lock)

// The batch the segment filled goes to the writing thread (an empty one
// back to the lane).
void CParallelRun::HandOver(CSegment& segment)
{
    CLane& lane = segment.m_lane;
    CItemBatch* pBatch = segment.m_writer.TakeBatch();
    if (pBatch == nullptr) {
        --lane.m_nBatchesOut;  // it could not be made
    } else if (pBatch->IsEmpty() || m_bStop) {
        ReleaseBatch(lane, pBatch);
    } else {
        if (segment.m_pHandedOverTail == nullptr)
            segment.m_pHandedOver = pBatch;
        else
            segment.m_pHandedOverTail->m_pNext = pBatch;
        segment.m_pHandedOverTail = pBatch;
    }
    if (segment.m_ePhase == EPhase::kDone)
        SegmentDone(segment);
    if (m_nWaitedReader.load() == lane.m_nIndex)
        m_cvWriter.notify_one();
}

// Whether the worker goes on with the segment: it has more to do and a
// batch to do it in, and the writing thread does not wait for another
// reader whose segment waits for a worker.
bool CParallelRun::KeepsRunning(const CSegment& segment) const
{
    if (m_bStop || segment.m_ePhase == EPhase::kDone || !CanTakeBatch(segment))
        return false;
    uint32_t nWaited = m_nWaitedReader.load();
    if (nWaited == kNoReader || nWaited == segment.m_lane.m_nIndex)
        return true;
    for (const CSegment* pOther = m_aLanes[nWaited]->m_pFront.get(); pOther != nullptr; pOther = pOther->m_pLater.get())
        if (pOther->m_bQueued)
            return false;
    return true;
}

void CParallelRun::SegmentDone(CSegment& segment)
{
    CLane& lane = segment.m_lane;
    if (lane.m_nScanning-- >= 2)
        --m_nSlotsTaken;
    if (segment.m_bEndsReader)
        lane.m_bWalkDone = true;
    if (segment.m_pFollower != nullptr)
        lane.m_pPending = std::move(segment.m_pFollower);
    TryStartPending(lane);
    GrantSlots();
}

// Starts the lane's pending segment: at once when no other segment of the
// lane is being read, else when a slot for reading ahead is free.
void CParallelRun::TryStartPending(CLane& lane)
{
    if (lane.m_pPending == nullptr)
        return;
    if (lane.m_nScanning > 0) {
        if (m_nSlotsTaken >= m_nSlots) {
            if (!lane.m_bWaitsForSlot) {
                lane.m_bWaitsForSlot = true;
                lane.m_pNextWaiting = nullptr;
                (m_pWaitingTail == nullptr ? m_pWaitingHead : m_pWaitingTail->m_pNextWaiting) = &lane;
                m_pWaitingTail = &lane;
            }
            return;
        }
        ++m_nSlotsTaken;
    }
    ++lane.m_nScanning;
    CSegment* pSegment = lane.m_pPending.get();
    if (lane.m_pBack == nullptr)
        lane.m_pFront = std::move(lane.m_pPending);
    else
        lane.m_pBack->m_pLater = std::move(lane.m_pPending);
    lane.m_pBack = pSegment;
    Schedule(*pSegment);
}

void CParallelRun::GrantSlots()
{
    while (m_nSlotsTaken < m_nSlots && m_pWaitingHead != nullptr) {
        CLane& lane = *m_pWaitingHead;
        m_pWaitingHead = lane.m_pNextWaiting;
        if (m_pWaitingHead == nullptr)
            m_pWaitingTail = nullptr;
        lane.m_bWaitsForSlot = false;
        TryStartPending(lane);
    }
}

// The batches the segment may still take: the segment written first may
// use the whole quota of its reader, the later ones leave it one batch, so
// that it can always go on.
unsigned CParallelRun::FreeBatches(const CSegment& segment) const
{
    const CLane& lane = segment.m_lane;
    unsigned nQuota = lane.m_pFront.get() == &segment ? m_nBatchesPerLane : m_nBatchesPerLane - 1;
    return lane.m_nBatchesOut < nQuota ? nQuota - lane.m_nBatchesOut : 0;
}

// Queues the segment when it can run. A later segment that stopped for want
// of batches waits until a quarter of its quota is free, so that a worker
// then fills several batches in one go.
void CParallelRun::Schedule(CSegment& segment)
{
    if (segment.m_bRunning || segment.m_bQueued || segment.m_ePhase == EPhase::kDone)
        return;
    unsigned nWanted = 1;
    if (segment.m_bParked && segment.m_lane.m_pFront.get() != &segment)
        nWanted = std::max(1u, m_nBatchesPerLane / kRefillParts);
    if (FreeBatches(segment) < nWanted)
        return;
    segment.m_bQueued = true;
    segment.m_pQueueNext = nullptr;
    segment.m_pQueuePrev = m_pQueueTail;
    (m_pQueueTail == nullptr ? m_pQueueHead : m_pQueueTail->m_pQueueNext) = &segment;
    m_pQueueTail = &segment;
    ++m_nToWake;
}

void CParallelRun::WakeWorkers(std::unique_lock<std::mutex>& lock)
{
    unsigned nToWake = m_nToWake;
    m_nToWake = 0;
    lock.unlock();
    if (nToWake >= m_aWorkers.size())
        m_cvWork.notify_all();
    else
        for (; nToWake > 0; --nToWake)
            m_cvWork.notify_one();
}

void CParallelRun::ScheduleLane(CLane& lane)
{
    for (CSegment* pSegment = lane.m_pFront.get(); pSegment != nullptr; pSegment = pSegment->m_pLater.get())
        Schedule(*pSegment);
}

void CParallelRun::Unqueue(CSegment& segment)
{
    (segment.m_pQueuePrev == nullptr ? m_pQueueHead : segment.m_pQueuePrev->m_pQueueNext) = segment.m_pQueueNext;
    (segment.m_pQueueNext == nullptr ? m_pQueueTail : segment.m_pQueueNext->m_pQueuePrev) = segment.m_pQueuePrev;
    segment.m_bQueued = false;
}

// The next segment to run: one of the reader the writing thread waits for
// first, else the one queued longest. Segments whose reader has no batch
// left for them leave the queue until a batch comes back.
CSegment* CParallelRun::TakeRunnable()
{
    uint32_t nWaited = m_nWaitedReader.load();
    if (nWaited != kNoReader) {
        for (CSegment* pSegment = m_aLanes[nWaited]->m_pFront.get(); pSegment != nullptr;
             pSegment = pSegment->m_pLater.get()) {
            if (pSegment->m_bQueued) {
                Unqueue(*pSegment);
                if (CanTakeBatch(*pSegment))
                    return pSegment;
                pSegment->m_bParked = true;
            }
        }
    }
    while (m_pQueueHead != nullptr) {
        CSegment* pSegment = m_pQueueHead;
        Unqueue(*pSegment);
        if (CanTakeBatch(*pSegment))
            return pSegment;
        pSegment->m_bParked = true;
    }
    return nullptr;
}

// ---------------------------------------------------------------- the writing thread

const CRunItem* CParallelRun::Next(uint32_t nReader)
{
    CLane& lane = *m_aLanes[nReader];
    if (lane.m_pReading != nullptr) {
        size_t nNext = CItemBatch::OffsetAfter(lane.m_nReadOffset, lane.m_pReading->ItemAt(lane.m_nReadOffset));
        if (lane.m_pReading->HasItemAt(nNext)) {
            lane.m_nReadOffset = nNext;
            return &lane.m_pReading->ItemAt(nNext);
        }
    }

    std::unique_lock<std::mutex> lock(m_mutex);
    if (lane.m_pReading != nullptr) {
        ReleaseBatch(lane, lane.m_pReading);
        lane.m_pReading = nullptr;
        ScheduleLane(lane);
    }
    for (;;) {
        CSegment* pFront = lane.m_pFront.get();
        if (pFront == nullptr) {
            SARNITH_ASSERT(lane.m_bWalkDone);
            WakeWorkers(lock);
            return nullptr;
        }
        if (pFront->m_pHandedOver != nullptr) {
            CItemBatch* pBatch = pFront->m_pHandedOver;
            pFront->m_pHandedOver = pBatch->m_pNext;
            if (pFront->m_pHandedOver == nullptr)
                pFront->m_pHandedOverTail = nullptr;
            pBatch->m_pNext = nullptr;
            lane.m_pReading = pBatch;
            lane.m_nReadOffset = 0;
            WakeWorkers(lock);
            return &pBatch->ItemAt(0);
        }
        if (!pFront->m_bRunning && pFront->m_ePhase == EPhase::kDone) {
            if (pFront->m_pFailure) {
                std::exception_ptr pFailure = pFront->m_pFailure;
                lock.unlock();
                std::rethrow_exception(pFailure);
            }
            lane.m_pFront = std::move(pFront->m_pLater);
            if (lane.m_pFront == nullptr)
                lane.m_pBack = nullptr;
            ScheduleLane(lane);
            continue;
        }
        // A worker takes the segment waited for first; a busy one leaves its
        // own at its next batch.
        m_nWaitedReader.store(nReader);
        if (pFront->m_bQueued || m_nToWake > 0) {
            m_nToWake = 0;
            m_cvWork.notify_one();
        }
        m_cvWriter.wait(lock);
        m_nWaitedReader.store(kNoReader);
    }
}

// The writing thread's writes and messages, through the run's writer and problems.
class CWriterSink final : public IItemSink {
public:
    CWriterSink(CBinaryWriter& writer, CRunProblems& problems, bool bBinary)
        : m_writer(writer),
          m_problems(problems),
          m_bBinary(bBinary)
    {
    }

    void WriteEntry(const CRunItem& item) override
    {
        if (m_bBinary)
            m_writer.WriteLaidOutEntry(item.Payload(), item.m_nSize);
        else
            m_writer.Write(item.Payload(), item.m_nSize);
    }
    bool HasFailed() const override { return m_writer.GetStreamError() != 0; }
    void Report(EReaderMessage eMessage, const char* pszText) override { m_problems.Report(eMessage, pszText); }
    void CountUndecoded(uint64_t nEntries) override { m_problems.CountUndecodedEntries(nEntries); }

private:
    CBinaryWriter& m_writer;
    CRunProblems& m_problems;
    const bool m_bBinary;
};

// A run whose workers could not all be waited for stays in being for them
// until the process ends.
CParallelRun* g_pLeftRun = nullptr;

}  // namespace

bool RunWithWorkers(const std::vector<CReaderPlan>& aPlans, const char* pszRootDir, const CQuery& query,
                    const COutputSettings& settings, unsigned nWorkers, CBinaryWriter& writer, CRunProblems& problems)
{
    struct CRunEnd {
        std::unique_ptr<CParallelRun>& m_pRun;
        ~CRunEnd()
        {
            if (!m_pRun->Stop())
                g_pLeftRun = m_pRun.release();
        }
    };

    std::unique_ptr<CParallelRun> pRun(new CParallelRun(aPlans, pszRootDir, query, settings, nWorkers));
    if (!pRun->StartWorkers())
        return false;
    CRunEnd end{pRun};
    CWriterSink sink(writer, problems, query.SelectsBinary());
    MergeItems(*pRun, static_cast<uint32_t>(aPlans.size()), sink);
    return true;
}
