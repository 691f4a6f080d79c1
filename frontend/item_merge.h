// MergeItems: the writing thread's part of a query run with worker
// threads: the readers' item streams (frontend/run_item.h) merged into the
// one sequence of writes and messages that the sequential run makes.
//
// The sequential run creates its readers in order, each reading up to its
// first entry (so the messages met before it are printed then), and then
// handles at each step the reader whose next entry comes first in the merge
// order (frontend/merge_heap.h): the entry is written if it passed the
// filter, the reader reads on to its next entry, printing the messages met
// on the way, and the run stops once the output has failed. MergeItems does
// the same with items: a reader's next entry is the first item that says
// entries were handed out before it or is one; rejected entries count only
// through the times items carry, which keeps each reader's key exact.
//
// Ownership: source and sink stay the caller's.
#ifndef SARNITH_FRONTEND_ITEM_MERGE_H
#define SARNITH_FRONTEND_ITEM_MERGE_H

#include <cstdint>

#include "frontend/run_item.h"

class IItemSource {
public:
    // The next item of reader nReader (0 to the count - 1), waiting for it
    // when needed; null once the reader has no more. The item stays valid
    // until the next call for the same reader.
    virtual const CRunItem* Next(uint32_t nReader) = 0;

protected:
    ~IItemSource() = default;
};

class IItemSink {
public:
    virtual void WriteEntry(const CRunItem& entry) = 0;
    // Whether a write of the output has failed: the run stops.
    virtual bool HasFailed() const = 0;
    virtual void Report(EReaderMessage eMessage, const char* pszText) = 0;
    virtual void CountUndecoded(uint64_t nEntries) = 0;

protected:
    ~IItemSink() = default;
};

void MergeItems(IItemSource& source, uint32_t nReaders, IItemSink& sink);

#endif
