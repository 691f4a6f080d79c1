// The merge of a query run: the heap's order, the item batches, and the
// writing thread's merge of item streams against the sequential run's
// greedy merge (at each step the reader whose next entry is the earliest,
// the earlier reader on a tie), over random readers whose times go back and
// tie, with rejected entries, messages, undecodable entries and failing
// output.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "frontend/item_merge.h"
#include "frontend/merge_heap.h"
#include "frontend/run_item.h"

namespace {

// ---------------------------------------------------------------- the heap

TEST(MergeHeap, TopIsTheSmallestKeyAndOfEqualKeysTheFirstReader)
{
    std::mt19937 random(7);
    for (int nRound = 0; nRound < 200; ++nRound) {
        CMergeHeap heap;
        std::set<std::pair<LogTime, uint32_t>> reference;
        uint32_t nNextReader = 0;
        for (int nStep = 0; nStep < 300; ++nStep) {
            auto nAction = random() % 4;
            if (reference.empty() || nAction == 0) {
                LogTime nKey = random() % 20;
                heap.Push(nNextReader, nKey);
                reference.insert({nKey, nNextReader++});
            } else if (nAction == 1) {
                heap.PopTop();
                reference.erase(reference.begin());
            } else {
                // Keys may fall as well as rise.
                std::pair<LogTime, uint32_t> top = *reference.begin();
                reference.erase(reference.begin());
                top.first = random() % 20;
                heap.ReplaceTop(top.first);
                reference.insert(top);
            }
            ASSERT_EQ(heap.GetSize(), reference.size());
            if (!reference.empty()) {
                ASSERT_EQ(heap.Top(), reference.begin()->second);
                ASSERT_EQ(heap.TopKey(), reference.begin()->first);
            }
        }
    }
}

// ---------------------------------------------------------------- batches

TEST(ItemBatch, ItemsStayAlignedAndALargeItemGrowsTheBatchUntilCleared)
{
    CItemBatch batch(64);
    CItemWriter writer;
    writer.SetBatch(&batch);
    writer.NoteEntry(5);
    writer.AddEntry("abc", 3);
    writer.Report(EReaderMessage::kWrongTag, "a message");
    EXPECT_TRUE(batch.IsFull());
    std::string strLarge(1000, 'L');
    writer.NoteEntry(9);
    writer.NoteEntry(7);
    writer.AddEntry(strLarge.data(), strLarge.size());
    writer.CountUndecoded();
    writer.AddFileEnd();

    std::vector<std::string> aSeen;
    for (size_t nOffset = 0; batch.HasItemAt(nOffset);
         nOffset = CItemBatch::OffsetAfter(nOffset, batch.ItemAt(nOffset))) {
        EXPECT_EQ(nOffset % 8, 0u);
        const CRunItem& item = batch.ItemAt(nOffset);
        aSeen.push_back(std::to_string(static_cast<int>(item.m_eKind)) + ":" + std::to_string(item.m_bEntries) + ":" +
                        std::to_string(item.m_nLatestTime) + ":" + std::to_string(item.m_nUndecoded) + ":" +
                        std::to_string(item.m_nSize));
    }
    EXPECT_EQ(aSeen, (std::vector<std::string>{"0:1:5:0:3", "1:0:0:0:10", "0:1:9:0:1000", "2:0:0:1:0"}));
    EXPECT_EQ(std::string(batch.ItemAt(0).Text(), 3), "abc");
    batch.Clear();
    EXPECT_TRUE(batch.IsEmpty());
    EXPECT_FALSE(batch.IsFull());
    writer.Report(EReaderMessage::kFailedToRead, "after clearing");
    EXPECT_STREQ(batch.ItemAt(0).Text(), "after clearing");
}

// ---------------------------------------------------------------- the merge against the greedy merge

// What a reader meets, in order.
struct CEvent {
    enum EKind { kEntry, kMessage, kFileEnd } m_eKind;
    LogTime m_nTime;
    bool m_bAccepted;  // the filter lets the entry through (and the layout writes a line)
    bool m_bUndecoded;
    std::string m_strText;  // the entry's line, or the message
};
typedef std::vector<CEvent> CReaderEvents;

// The observable run: lines written and messages, in order, and the counts.
struct CRunLog {
    std::string m_strLines;
    uint64_t m_nMessages = 0;
    uint64_t m_nUndecoded = 0;
};

// The sequential run: readers made in order, each reading to its first
// entry; then at each step the reader whose entry is the earliest (the
// first on a tie, found by looking at every reader), its entry handled and
// the reader read on. Writes fail from the nFailingWrite-th on (0: never).
CRunLog GreedyRun(const std::vector<CReaderEvents>& aReaders, size_t nFailingWrite)
{
    CRunLog log;
    std::vector<size_t> aNext(aReaders.size(), 0);
    std::vector<const CEvent*> aHeads(aReaders.size(), nullptr);
    auto ReadEntry = [&](size_t nReader) {
        const CReaderEvents& events = aReaders[nReader];
        aHeads[nReader] = nullptr;
        while (aNext[nReader] < events.size()) {
            const CEvent& event = events[aNext[nReader]++];
            if (event.m_eKind == CEvent::kMessage) {
                log.m_strLines += "message " + event.m_strText + "\n";
                ++log.m_nMessages;
            } else if (event.m_eKind == CEvent::kEntry) {
                aHeads[nReader] = &event;
                return;
            }
        }
    };
    for (size_t i = 0; i < aReaders.size(); ++i)
        ReadEntry(i);
    size_t nWrites = 0;
    bool bFailed = false;
    for (;;) {
        size_t nEarliest = aReaders.size();
        for (size_t i = 0; i < aReaders.size(); ++i)
            if (aHeads[i] != nullptr &&
                (nEarliest == aReaders.size() || aHeads[i]->m_nTime < aHeads[nEarliest]->m_nTime))
                nEarliest = i;
        if (nEarliest == aReaders.size() || bFailed)
            break;
        const CEvent& entry = *aHeads[nEarliest];
        if (entry.m_bUndecoded)
            ++log.m_nUndecoded;
        if (entry.m_bAccepted) {
            if (++nWrites == nFailingWrite || bFailed)
                bFailed = true;
            else
                log.m_strLines += entry.m_strText + "\n";
        }
        ReadEntry(nEarliest);
    }
    return log;
}

// The readers' output as the workers write it, in batches of a small size.
class CBatchSource final : public IItemSource {
public:
    explicit CBatchSource(const std::vector<CReaderEvents>& aReaders)
    {
        for (const CReaderEvents& events : aReaders) {
            m_aReaders.emplace_back();
            CItemWriter writer;
            writer.SetBatch(NewBatch(m_aReaders.back()));
            for (const CEvent& event : events) {
                if (writer.GetBatch()->IsFull())
                    writer.SetBatch(NewBatch(m_aReaders.back()));
                switch (event.m_eKind) {
                case CEvent::kEntry:
                    writer.NoteEntry(event.m_nTime);
                    if (event.m_bUndecoded)
                        writer.CountUndecoded();
                    if (event.m_bAccepted)
                        writer.AddEntry(event.m_strText.data(), event.m_strText.size());
                    break;
                case CEvent::kMessage:
                    writer.Report(EReaderMessage::kFailedToRead, event.m_strText.c_str());
                    break;
                case CEvent::kFileEnd:
                    writer.AddFileEnd();
                    break;
                }
            }
            writer.AddFileEnd();
        }
        m_aPosition.assign(m_aReaders.size(), {0, 0});
        m_aStarted.assign(m_aReaders.size(), false);
    }

    const CRunItem* Next(uint32_t nReader) override
    {
        std::vector<std::unique_ptr<CItemBatch>>& aBatches = m_aReaders[nReader];
        std::pair<size_t, size_t>& position = m_aPosition[nReader];
        if (m_aStarted[nReader])
            position.second =
                CItemBatch::OffsetAfter(position.second, aBatches[position.first]->ItemAt(position.second));
        m_aStarted[nReader] = true;
        while (position.first < aBatches.size() && !aBatches[position.first]->HasItemAt(position.second)) {
            ++position.first;
            position.second = 0;
        }
        return position.first < aBatches.size() ? &aBatches[position.first]->ItemAt(position.second) : nullptr;
    }

private:
    static CItemBatch* NewBatch(std::vector<std::unique_ptr<CItemBatch>>& aBatches)
    {
        aBatches.emplace_back(new CItemBatch(96));
        return aBatches.back().get();
    }

    std::vector<std::vector<std::unique_ptr<CItemBatch>>> m_aReaders;
    std::vector<std::pair<size_t, size_t>> m_aPosition;  // batch, offset
    std::vector<bool> m_aStarted;
};

class CLogSink final : public IItemSink {
public:
    explicit CLogSink(size_t nFailingWrite) : m_nFailingWrite(nFailingWrite) {}

    void WriteEntry(const CRunItem& entry) override
    {
        if (++m_nWrites == m_nFailingWrite || m_bFailed)
            m_bFailed = true;
        else
            m_log.m_strLines += std::string(entry.Text(), entry.m_nSize) + "\n";
    }
    bool HasFailed() const override { return m_bFailed; }
    void Report(EReaderMessage, const char* pszText) override
    {
        m_log.m_strLines += std::string("message ") + pszText + "\n";
        ++m_log.m_nMessages;
    }
    void CountUndecoded(uint64_t nEntries) override { m_log.m_nUndecoded += nEntries; }

    CRunLog m_log;

private:
    size_t m_nFailingWrite;
    size_t m_nWrites = 0;
    bool m_bFailed = false;
};

std::vector<CReaderEvents> RandomReaders(std::mt19937& random)
{
    std::vector<CReaderEvents> aReaders(1 + random() % 10);
    int nName = 0;
    for (size_t nReader = 0; nReader < aReaders.size(); ++nReader) {
        size_t nEvents = random() % 40;
        for (size_t i = 0; i < nEvents; ++i) {
            CEvent event = {CEvent::kEntry, 0, false, false, ""};
            auto nKind = random() % 10;
            if (nKind == 0) {
                event.m_eKind = CEvent::kMessage;
                event.m_strText = "r" + std::to_string(nReader) + "-" + std::to_string(nName++);
            } else if (nKind == 1) {
                event.m_eKind = CEvent::kFileEnd;
            } else {
                event.m_nTime = random() % 12;  // times that tie and go back
                event.m_bAccepted = random() % 3 != 0;
                event.m_bUndecoded = random() % 7 == 0;
                event.m_strText =
                    "r" + std::to_string(nReader) + "-" + std::to_string(nName++) + "@" + std::to_string(event.m_nTime);
            }
            aReaders[nReader].push_back(event);
        }
    }
    return aReaders;
}

TEST(ItemMerge, SameWritesAndMessagesInTheSameOrderAsTheGreedyMerge)
{
    std::mt19937 random(20060620);
    for (int nRound = 0; nRound < 3000; ++nRound) {
        std::vector<CReaderEvents> aReaders = RandomReaders(random);
        size_t nFailingWrite = random() % 4 == 0 ? 1 + random() % 30 : 0;
        CRunLog expected = GreedyRun(aReaders, nFailingWrite);
        CBatchSource source(aReaders);
        CLogSink sink(nFailingWrite);
        MergeItems(source, static_cast<uint32_t>(aReaders.size()), sink);
        ASSERT_EQ(expected.m_strLines, sink.m_log.m_strLines) << "round " << nRound;
        ASSERT_EQ(expected.m_nMessages, sink.m_log.m_nMessages) << "round " << nRound;
        if (nFailingWrite == 0) {
            ASSERT_EQ(expected.m_nUndecoded, sink.m_log.m_nUndecoded) << "round " << nRound;
        }
    }
}

}  // namespace
