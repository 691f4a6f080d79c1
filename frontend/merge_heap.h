// CMergeHeap: the order in which a query run takes its readers' entries.
//
// Each reader in the heap stands with a key; the top is the reader with
// the smallest key, and of equal keys the one with the smallest index
// (readers are numbered in the order they were created). Taking the top,
// changing its key and removing a reader that has run dry cost O(log n),
// whatever the number of readers, and leave the order of the others as it
// was.
//
// The query run keys a reader by the largest entry time it has handed out
// so far (its prefix maximum). Entry times within one reader need not rise;
// taking at each step the reader whose next entry is the earliest (the
// earlier reader on a tie) yields exactly the entries in the order of the
// prefix-maximum keys, so the heap reproduces that greedy merge, and a
// reader's key never falls.
//
// Ownership: the heap owns its slots and nothing else.
#ifndef SARNITH_FRONTEND_MERGE_HEAP_H
#define SARNITH_FRONTEND_MERGE_HEAP_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/log_entry.h"

class CMergeHeap {
public:
    void Reserve(size_t nReaders) { m_aSlots.reserve(nReaders); }
    bool IsEmpty() const { return m_aSlots.empty(); }
    size_t GetSize() const { return m_aSlots.size(); }

    // The reader at the top and its key; the heap must not be empty.
    uint32_t Top() const { return m_aSlots.front().m_nReader; }
    LogTime TopKey() const { return m_aSlots.front().m_nKey; }

    void Push(uint32_t nReader, LogTime nKey);
    // The reader at the top now stands with nKey.
    void ReplaceTop(LogTime nKey);
    // The reader at the top leaves.
    void PopTop();

private:
    struct CSlot {
        LogTime m_nKey;
        uint32_t m_nReader;
    };

    static bool IsBefore(const CSlot& a, const CSlot& b)
    {
        return a.m_nKey < b.m_nKey || (a.m_nKey == b.m_nKey && a.m_nReader < b.m_nReader);
    }
    void SiftDown(size_t nAt);

    std::vector<CSlot> m_aSlots;
};

#endif
