// The merge heap: a binary heap of (key, reader index) slots.
#include "frontend/merge_heap.h"

void CMergeHeap::Push(uint32_t nReader, LogTime nKey)
{
    CSlot slot = {nKey, nReader};
    size_t nAt = m_aSlots.size();
    m_aSlots.push_back(slot);
    while (nAt > 0) {
        size_t nParent = (nAt - 1) / 2;
        if (!IsBefore(slot, m_aSlots[nParent]))
            break;
        m_aSlots[nAt] = m_aSlots[nParent];
        nAt = nParent;
    }
    m_aSlots[nAt] = slot;
}

void CMergeHeap::ReplaceTop(LogTime nKey)
{
    m_aSlots.front().m_nKey = nKey;
    SiftDown(0);
}

void CMergeHeap::PopTop()
{
    m_aSlots.front() = m_aSlots.back();
    m_aSlots.pop_back();
    if (!m_aSlots.empty())
        SiftDown(0);
}

void CMergeHeap::SiftDown(size_t nAt)
{
    const size_t nCount = m_aSlots.size();
    CSlot slot = m_aSlots[nAt];
    for (;;) {
        size_t nChild = 2 * nAt + 1;
        if (nChild >= nCount)
            break;
        if (nChild + 1 < nCount && IsBefore(m_aSlots[nChild + 1], m_aSlots[nChild]))
            ++nChild;
        if (!IsBefore(m_aSlots[nChild], slot))
            break;
        m_aSlots[nAt] = m_aSlots[nChild];
        nAt = nChild;
    }
    m_aSlots[nAt] = slot;
}
