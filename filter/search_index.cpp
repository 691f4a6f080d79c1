// The index statement's leaf: the header its parameter selects, the byte
// offset and the value checked once, and the comparison of that byte of the
// decoded packet header with the value.
#include "filter/search_index.h"

#include "filter/search_compare.h"
#include "filter/search_messages.h"
#include "filter/value_syntax.h"
#include "lql/keyword_table.h"
#include "records/log_record.h"
#include "records/packet_format.h"
#include "support/assert.h"

namespace {

struct CHeaderRow {
    int32_t m_nParamId;
    ESearchHeader m_eHeader;
};

// The parameters an index statement accepts.
const CHeaderRow g_aHeaderRows[] = {
    // clang-format off
//    keyword id   header
    { KEY_ENET,    SEARCH_HEADER_ETHERNET },
    { KEY_IP,      SEARCH_HEADER_IP       },
    { KEY_TCP,     SEARCH_HEADER_TCP      },
    { KEY_UDP,     SEARCH_HEADER_UDP      },
    // clang-format on
};

const uint32_t kMaxIndexValue = 255;

}  // namespace

CSearchIndex::CSearchIndex()
    : m_bSet(false),
      m_nOffset(0),
      m_eOp(SEARCH_OP_EQ),
      m_eHeader(SEARCH_HEADER_ETHERNET),
      m_nValue(0)
{
}

void CSearchIndex::SetValue(int32_t nParamId, const char* pszValue, ESearchOp eOp, uint32_t nOffset)
{
    SARNITH_ASSERT(pszValue != nullptr);
    SARNITH_ASSERT(eOp <= SEARCH_OP_LE);
    m_bSet = false;

    const CHeaderRow* pRow = nullptr;
    for (const CHeaderRow& row : g_aHeaderRows)
        if (row.m_nParamId == nParamId)
            pRow = &row;
    if (pRow == nullptr)
        RaiseSearchError(SMSG_NOT_IN_INDEX);

    uint32_t nValue = 0;
    if (!ReadDecimal(pszValue, kMaxIndexValue, nValue))
        RaiseSearchError(SMSG_INCORRECT_INDEX);

    m_eHeader = pRow->m_eHeader;
    m_nValue = nValue;
    m_nOffset = nOffset;
    m_eOp = eOp;
    m_bSet = true;
}

// The captured bytes from the header's start on bound the offset: the packet
// length, less the Ethernet header before an IP header, less the IP header
// before a TCP or UDP header.
int CSearchIndex::Evaluate(const CLogRecord& record) const
{
    if (!m_bSet)
        return 0;
    const uint8_t* pHeader = nullptr;
    switch (m_eHeader) {
    // clang-format off
    case SEARCH_HEADER_ETHERNET: pHeader = record.m_pEthHdr; break;
    case SEARCH_HEADER_IP:       pHeader = record.m_pIpHdr;  break;
    case SEARCH_HEADER_TCP:      pHeader = record.m_pTcpHdr; break;
    case SEARCH_HEADER_UDP:      pHeader = record.m_pUdpHdr; break;
        // clang-format on
    }
    if (pHeader == nullptr)
        return 0;

    int nAvailable = record.m_nPacketLen;
    if (m_eHeader != SEARCH_HEADER_ETHERNET) {
        if (record.m_pEthHdr != nullptr)
            nAvailable -= static_cast<int>(kEthernetHeaderSize);
        if (m_eHeader != SEARCH_HEADER_IP) {
            if (record.m_pIpHdr == nullptr)
                return 0;
            nAvailable -= static_cast<int>(IpHeaderLength(record.m_pIpHdr));
        }
    }
    if (nAvailable <= 0 || m_nOffset >= static_cast<uint32_t>(nAvailable))
        return 0;
    return CompareUnder<uint8_t>(pHeader[m_nOffset], static_cast<uint8_t>(m_nValue), m_eOp) ? 1 : 0;
}
