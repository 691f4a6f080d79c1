// Item batches and the writer that fills them.
#include "frontend/run_item.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr size_t kItemAlignment = 8;
// A batch grown past this many times its nominal size is shrunk when cleared.
constexpr size_t kKeptGrowth = 4;

size_t Aligned(size_t nBytes)
{
    return (nBytes + kItemAlignment - 1) / kItemAlignment * kItemAlignment;
}

}  // namespace

static_assert(sizeof(CRunItem) % kItemAlignment == 0, "items stay aligned");

CItemBatch::CItemBatch(size_t nNominalSize)
    : m_pData(nullptr),
      m_nSize(0),
      m_nCapacity(0),
      m_nNominalSize(Aligned(nNominalSize))
{
    Reserve(m_nNominalSize);
}

CItemBatch::~CItemBatch()
{
    std::free(m_pData);
}

void CItemBatch::Clear()
{
    m_nSize = 0;
    if (m_nCapacity > kKeptGrowth * m_nNominalSize) {
        std::free(m_pData);
        m_pData = nullptr;
        m_nCapacity = 0;
    }
}

void CItemBatch::Reserve(size_t nCapacity)
{
    if (nCapacity <= m_nCapacity)
        return;
    size_t nNew = m_nCapacity == 0 ? m_nNominalSize : 2 * m_nCapacity;
    if (nNew < nCapacity)
        nNew = nCapacity;
    void* pNew = std::realloc(m_pData, nNew);
    if (pNew == nullptr)
        throw std::bad_alloc();
    m_pData = static_cast<uint8_t*>(pNew);
    m_nCapacity = nNew;
}

CRunItem* CItemBatch::Append(size_t nPayload)
{
    size_t nBytes = Aligned(sizeof(CRunItem) + nPayload);
    Reserve(m_nSize + nBytes);
    CRunItem* pItem = reinterpret_cast<CRunItem*>(m_pData + m_nSize);
    std::memset(pItem, 0, sizeof(CRunItem));
    pItem->m_nSize = static_cast<uint32_t>(nPayload);
    m_nSize += nBytes;
    return pItem;
}

size_t CItemBatch::OffsetAfter(size_t nOffset, const CRunItem& item)
{
    return nOffset + Aligned(sizeof(CRunItem) + item.m_nSize);
}

CItemBatch* CItemWriter::TakeBatch()
{
    CItemBatch* pBatch = m_pBatch;
    m_pBatch = nullptr;
    return pBatch;
}

void CItemWriter::NoteEntry(LogTime nTime)
{
    if (!m_bEntries || nTime > m_nLatestTime)
        m_nLatestTime = nTime;
    m_bEntries = true;
}

CRunItem& CItemWriter::Add(EItemKind eKind, size_t nPayload)
{
    CRunItem& item = *m_pBatch->Append(nPayload);
    item.m_eKind = eKind;
    item.m_bEntries = m_bEntries;
    item.m_nLatestTime = m_nLatestTime;
    m_bEntries = false;
    m_nLatestTime = 0;
    return item;
}

uint8_t* CItemWriter::AddEntry(size_t nSize)
{
    return reinterpret_cast<uint8_t*>(&Add(EItemKind::kEntry, nSize) + 1);
}

void CItemWriter::AddEntry(const void* pPayload, size_t nSize)
{
    uint8_t* pRoom = AddEntry(nSize);
    if (nSize != 0)
        std::memcpy(pRoom, pPayload, nSize);
}

void CItemWriter::Report(EReaderMessage eMessage, const char* pszText)
{
    size_t nLength = std::strlen(pszText);
    CRunItem& item = Add(EItemKind::kMessage, nLength + 1);
    item.m_nMessage = static_cast<uint8_t>(eMessage);
    std::memcpy(&item + 1, pszText, nLength + 1);
}

void CItemWriter::AddFileEnd()
{
    CRunItem& item = Add(EItemKind::kFileEnd, 0);
    item.m_nUndecoded = m_nUndecoded;
    m_nUndecoded = 0;
}
