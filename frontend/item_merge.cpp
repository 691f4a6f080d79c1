// The merge of the readers' item streams.
#include "frontend/item_merge.h"

#include <vector>

#include "frontend/merge_heap.h"

namespace {

// The merge of one run: per reader the item that carries its next entry and
// its key.
class CItemMerge {
public:
    CItemMerge(IItemSource& source, uint32_t nReaders, IItemSink& sink)
        : m_source(source),
          m_sink(sink),
          m_aHeads(nReaders, nullptr)
    {
        m_heap.Reserve(nReaders);
    }

    void Run()
    {
        // Every reader up to its first entry, in the order of creation.
        for (uint32_t nReader = 0; nReader < m_aHeads.size(); ++nReader) {
            m_aHeads[nReader] = Advance(nReader);
            if (m_aHeads[nReader] != nullptr)
                m_heap.Push(nReader, m_aHeads[nReader]->m_nLatestTime);
        }
        while (!m_heap.IsEmpty() && !m_sink.HasFailed()) {
            uint32_t nReader = m_heap.Top();
            Handle(*m_aHeads[nReader]);
            const CRunItem* pNext = Advance(nReader);
            m_aHeads[nReader] = pNext;
            if (pNext == nullptr)
                m_heap.PopTop();
            else if (pNext->m_nLatestTime > m_heap.TopKey())
                m_heap.ReplaceTop(pNext->m_nLatestTime);
            else
                m_heap.ReplaceTop(m_heap.TopKey());
        }
    }

private:
    // Reads the reader's items up to the one that carries its next entry,
    // handling those before it; null when the reader has no more entries.
    const CRunItem* Advance(uint32_t nReader)
    {
        for (;;) {
            const CRunItem* pItem = m_source.Next(nReader);
            if (pItem == nullptr || pItem->m_bEntries)
                return pItem;
            Handle(*pItem);
        }
    }

    void Handle(const CRunItem& item)
    {
        switch (item.m_eKind) {
        case EItemKind::kEntry:
            m_sink.WriteEntry(item);
            break;
        case EItemKind::kMessage:
            m_sink.Report(static_cast<EReaderMessage>(item.m_nMessage), item.Text());
            break;
        case EItemKind::kFileEnd:
            if (item.m_nUndecoded != 0)
                m_sink.CountUndecoded(item.m_nUndecoded);
            break;
        }
    }

    IItemSource& m_source;
    IItemSink& m_sink;
    std::vector<const CRunItem*> m_aHeads;
    CMergeHeap m_heap;
};

}  // namespace

void MergeItems(IItemSource& source, uint32_t nReaders, IItemSink& sink)
{
    CItemMerge merge(source, nReaders, sink);
    merge.Run();
}
