// The items in which a reader's output travels from the worker threads of a
// query run to the thread that merges and writes it, and the batches that
// carry them.
//
// A reader's output is a sequence of items in the order the reader met
// them: entries that passed the filter (with the line a text layout
// rendered for them, or their stream form for the binary stream), reader
// messages, and the end of each daily file's part. Entries the filter
// rejected, or for which the layout writes no line, leave no item; every
// item says instead whether entries were handed out since the previous item
// of its reader (this entry included) and the latest of their times. From
// that the writing thread knows each reader's largest entry time so far,
// the key of the merge (frontend/merge_heap.h), and where the sequential
// run would have printed each message.
//
// A CItemBatch holds items back to back, each header followed by its
// payload and aligned to 8 bytes. It is filled up to its nominal size (an
// item never waits for the next batch once it is begun; a single item
// larger than the batch grows it), handed over whole, read in order and
// recycled. CItemWriter fills batches on the worker side; it receives the
// reader's messages as a message receiver.
//
// Ownership: a batch owns its bytes; a writer points to the batch it fills
// but does not own it; an item stays valid while its batch is neither
// cleared nor destroyed.
#ifndef SARNITH_FRONTEND_RUN_ITEM_H
#define SARNITH_FRONTEND_RUN_ITEM_H

#include <cstddef>
#include <cstdint>

#include "storage/log_entry.h"
#include "storage/reader_messages.h"

enum class EItemKind : uint8_t {
    kEntry,    // payload: the rendered line, or the entry in binary stream form
    kMessage,  // payload: the message text with its terminating zero
    kFileEnd,  // the end of one daily file's part (or of the walk): no payload
};

struct CRunItem {
    LogTime m_nLatestTime;  // the latest time of the entries handed out since the previous item (this one included)
    uint64_t m_nUndecoded;  // kFileEnd: entries of the part whose element list could not be decoded whole
    uint32_t m_nSize;       // payload bytes behind the header
    EItemKind m_eKind;
    bool m_bEntries;     // entries were handed out since the previous item; m_nLatestTime holds
    uint8_t m_nMessage;  // kMessage: the EReaderMessage

    const uint8_t* Payload() const { return reinterpret_cast<const uint8_t*>(this + 1); }
    const char* Text() const { return reinterpret_cast<const char*>(this + 1); }
};

class CItemBatch {
public:
    explicit CItemBatch(size_t nNominalSize);
    ~CItemBatch();
    CItemBatch(const CItemBatch&) = delete;
    CItemBatch& operator=(const CItemBatch&) = delete;

    bool IsEmpty() const { return m_nSize == 0; }
    size_t GetSize() const { return m_nSize; }
    // Whether the batch holds its nominal size or more.
    bool IsFull() const { return m_nSize >= m_nNominalSize; }
    // Forgets the items; storage grown past four times the nominal size for
    // a large item is given back (and made anew by the next Append).
    void Clear();

    // A new item at the end with room for nPayload bytes, header zeroed.
    CRunItem* Append(size_t nPayload);

    // Reading in order: the item at an offset (0 for the first) and the
    // offset of the one after it; an offset at the end has no item.
    bool HasItemAt(size_t nOffset) const { return nOffset < m_nSize; }
    const CRunItem& ItemAt(size_t nOffset) const { return *reinterpret_cast<const CRunItem*>(m_pData + nOffset); }
    static size_t OffsetAfter(size_t nOffset, const CRunItem& item);

    CItemBatch* m_pNext = nullptr;  // the list the batch is on (free, or handed over)

private:
    void Reserve(size_t nCapacity);

    uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nCapacity;
    size_t m_nNominalSize;
};

// Items of one reader's output into the batch it is given.
class CItemWriter final : public IReaderMessages {
public:
    void SetBatch(CItemBatch* pBatch) { m_pBatch = pBatch; }
    CItemBatch* GetBatch() const { return m_pBatch; }
    // Hands the batch back; the writer has none afterwards.
    CItemBatch* TakeBatch();

    // An entry handed out by the reader, whatever becomes of it.
    void NoteEntry(LogTime nTime);
    // The entry noted last could not be decoded whole.
    void CountUndecoded() { ++m_nUndecoded; }

    // The entry noted last, with its line or stream form: nSize bytes of
    // room for it, which the caller fills.
    uint8_t* AddEntry(size_t nSize);
    // The same with the payload copied from pPayload.
    void AddEntry(const void* pPayload, size_t nSize);
    // A message, at the point the reader reports it.
    void Report(EReaderMessage eMessage, const char* pszText) override;
    // The end of a daily file's part, with its count of undecoded entries.
    void AddFileEnd();

private:
    CRunItem& Add(EItemKind eKind, size_t nPayload);

    CItemBatch* m_pBatch = nullptr;
    LogTime m_nLatestTime = 0;
    bool m_bEntries = false;
    uint64_t m_nUndecoded = 0;
};

#endif
