// The IN statement's leaf: the parameters it accepts, the address lists
// (single addresses, ranges, prefixes with a dotted or a numeric mask) and
// number lists read into ranges once, and the lookup of the record's value
// in the packet headers, the quoted headers or the last connection block.
#include "filter/search_in.h"

#include <cstring>

#include "filter/search_compare.h"
#include "filter/search_messages.h"
#include "filter/value_syntax.h"
#include "lql/keyword_table.h"
#include "records/log_record.h"
#include "records/packet_format.h"
#include "support/ascii.h"
#include "support/assert.h"
#include "support/byte_order.h"
#include "support/numbers.h"

namespace {

struct CInKindRow {
    int32_t m_nParamId;
    ESearchInKind m_eKind;
    ERecordValue m_eQuotedValue;  // the value in the headers an ICMP error quotes
    ERecordValue m_eConnValue;    // the value in the last connection block
};

// The parameters an IN statement accepts.
const CInKindRow g_aInKinds[] = {
    // clang-format off
//    keyword id          kind                     quoted headers           connection block
    { KEY_SRCIP,          SEARCH_IN_SRCIP,         RECORD_VALUE_NONE,       RECORD_VALUE_SRC_ADDR  },
    { KEY_DESTIP,         SEARCH_IN_DESTIP,        RECORD_VALUE_NONE,       RECORD_VALUE_DEST_ADDR },
    { KEY_SRCPORT,        SEARCH_IN_SRCPORT,       RECORD_VALUE_NONE,       RECORD_VALUE_SRC_PORT  },
    { KEY_DESTPORT,       SEARCH_IN_DESTPORT,      RECORD_VALUE_NONE,       RECORD_VALUE_DEST_PORT },
    { KEY_ICMPSRCIP,      SEARCH_IN_ICMPSRCIP,     RECORD_VALUE_SRC_ADDR,   RECORD_VALUE_NONE      },
    { KEY_ICMPDESTIP,     SEARCH_IN_ICMPDESTIP,    RECORD_VALUE_DEST_ADDR,  RECORD_VALUE_NONE      },
    { KEY_ICMPSRCPORT,    SEARCH_IN_ICMPSRCPORT,   RECORD_VALUE_SRC_PORT,   RECORD_VALUE_NONE      },
    { KEY_ICMPDESTPORT,   SEARCH_IN_ICMPDESTPORT,  RECORD_VALUE_DEST_PORT,  RECORD_VALUE_NONE      },
    { KEY_ROUTEGW,        SEARCH_IN_ROUTEGW,       RECORD_VALUE_NONE,       RECORD_VALUE_NONE      },
    { KEY_ID,             SEARCH_IN_ID,            RECORD_VALUE_NONE,       RECORD_VALUE_NONE      },
    // clang-format on
};

// The netmask of a prefix length 0 to 32.
uint32_t MaskOfLength(uint32_t nLength)
{
    return nLength == 0 ? 0 : 0xFFFFFFFFu << (32 - nLength);
}

// The mask behind "/": a dotted netmask of leading ones followed only by
// zeros, or a signed decimal prefix length 0 to 32. Returns the character
// after it, or null.
const char* ReadPrefixMask(const char* p, uint32_t& nMask)
{
    p = SkipBlanksAndTabs(p);
    uint8_t aMask[kIpv4AddressSize];
    if (const char* pAfter = ReadIpv4(p, aMask)) {
        nMask = ReadBigEndian32(aMask);
        uint32_t nHostBits = ~nMask;
        if ((nHostBits & (nHostBits + 1)) != 0)
            return nullptr;
        return pAfter;
    }
    bool bNegative = false;
    if (*p == '+' || *p == '-') {
        bNegative = *p == '-';
        ++p;
    }
    uint32_t nLength = 0;
    p = ReadSmallDecimal(p, 32, nLength);
    if (p == nullptr || (bNegative && nLength != 0))
        return nullptr;
    nMask = MaskOfLength(nLength);
    return p;
}

// One address entry: an address, optionally followed by "-" and a second
// address not below it, or by "/" and a prefix that leaves no host bits set.
const char* ReadAddressEntry(const char* p, CIpRange& range)
{
    uint8_t aAddress[kIpv4AddressSize];
    p = ReadIpv4(p, aAddress);
    if (p == nullptr)
        return nullptr;
    range.m_nLow = ReadBigEndian32(aAddress);
    range.m_nHigh = range.m_nLow;

    p = SkipBlanksAndTabs(p);
    if (*p == '-') {
        p = ReadIpv4(p + 1, aAddress);
        if (p == nullptr)
            return nullptr;
        range.m_nHigh = ReadBigEndian32(aAddress);
        if (range.m_nHigh < range.m_nLow)
            return nullptr;
    } else if (*p == '/') {
        uint32_t nMask = 0;
        p = ReadPrefixMask(p + 1, nMask);
        if (p == nullptr || (range.m_nLow & ~nMask) != 0)
            return nullptr;
        range.m_nHigh = range.m_nLow | ~nMask;
    }
    return p;
}

// One number entry: a number in automatic base, optionally followed by "-"
// and a second one.
const char* ReadNumberEntry(const char* p, const char* pEnd, CNumRange& range)
{
    int nDigits = 0;
    const char* pAfter = p;
    range.m_nLow = ReadAutoBase(p, pEnd, nDigits, pAfter);
    if (nDigits == 0)
        return nullptr;
    range.m_nHigh = range.m_nLow;

    p = SkipBlanksAndTabs(pAfter);
    if (*p == '-') {
        range.m_nHigh = ReadAutoBase(p + 1, pEnd, nDigits, pAfter);
        if (nDigits == 0)
            return nullptr;
        p = pAfter;
    }
    return p;
}

}  // namespace

CSearchIn::CSearchIn()
    : m_eKind(SEARCH_IN_NONE),
      m_eQuotedValue(RECORD_VALUE_NONE),
      m_eConnValue(RECORD_VALUE_NONE),
      m_nCount(0),
      m_aIpRanges{},
      m_aNumRanges{}
{
}

void CSearchIn::SetValue(int32_t nParamId, const char* pszList)
{
    SARNITH_ASSERT(pszList != nullptr);
    m_eKind = SEARCH_IN_NONE;
    m_eQuotedValue = RECORD_VALUE_NONE;
    m_eConnValue = RECORD_VALUE_NONE;
    m_nCount = 0;

    const CInKindRow* pRow = nullptr;
    for (const CInKindRow& row : g_aInKinds)
        if (row.m_nParamId == nParamId)
            pRow = &row;
    if (pRow == nullptr)
        RaiseSearchError(SMSG_NOT_IN_LIST);

    m_eKind = pRow->m_eKind;
    bool bParsed = IsAddressKind() ? ParseAddressList(pszList) : ParseNumberList(pszList);
    if (!bParsed) {
        m_eKind = SEARCH_IN_NONE;
        m_nCount = 0;
        RaiseSearchError(SMSG_INVALID_RANGE);
    }
    m_eQuotedValue = pRow->m_eQuotedValue;
    m_eConnValue = pRow->m_eConnValue;
}

bool CSearchIn::IsAddressKind() const
{
    switch (m_eKind) {
    case SEARCH_IN_SRCIP:
    case SEARCH_IN_DESTIP:
    case SEARCH_IN_ICMPSRCIP:
    case SEARCH_IN_ICMPDESTIP:
    case SEARCH_IN_ROUTEGW:
        return true;
    default:
        return false;
    }
}

// Entries separated by ","; anything else after an entry ends the list.
// The list fails on a bad entry and when it would fill all 32 slots.
bool CSearchIn::ParseAddressList(const char* pszList)
{
    const char* p = pszList;
    for (;;) {
        CIpRange range;
        p = ReadAddressEntry(p, range);
        if (p == nullptr || m_nCount == kMaxIpRanges)
            return false;
        m_aIpRanges[m_nCount++] = range;
        p = SkipBlanksAndTabs(p);
        if (*p != ',')
            return true;
        ++p;
    }
}

// Entries separated by ","; anything else after an entry ends the list.
// A list of more than 32 entries fails rather than losing the rest.
bool CSearchIn::ParseNumberList(const char* pszList)
{
    const char* p = pszList;
    const char* pEnd = pszList + std::strlen(pszList);
    for (;;) {
        CNumRange range;
        p = ReadNumberEntry(p, pEnd, range);
        if (p == nullptr || m_nCount == kMaxNumRanges)
            return false;
        m_aNumRanges[m_nCount++] = range;
        p = SkipBlanksAndTabs(p);
        if (*p != ',')
            return true;
        ++p;
    }
}

bool CSearchIn::HoldsAddress(const uint8_t* pAddress) const
{
    uint32_t nAddress = ReadBigEndian32(pAddress);
    for (int i = 0; i < m_nCount; ++i)
        if (m_aIpRanges[i].m_nLow <= nAddress && nAddress <= m_aIpRanges[i].m_nHigh)
            return true;
    return false;
}

bool CSearchIn::HoldsNumber(uint32_t nNumber) const
{
    for (int i = 0; i < m_nCount; ++i)
        if (m_aNumRanges[i].m_nLow <= nNumber && nNumber <= m_aNumRanges[i].m_nHigh)
            return true;
    return false;
}

bool CSearchIn::HoldsPort(const uint8_t* pPort) const
{
    return HoldsNumber(ReadBigEndian16(pPort));
}

// An address or a port, as the list holds addresses or numbers; false for
// null.
bool CSearchIn::HoldsValue(const uint8_t* pValue) const
{
    if (pValue == nullptr)
        return false;
    return IsAddressKind() ? HoldsAddress(pValue) : HoldsPort(pValue);
}

// The record parts are tried in a fixed order; the first hit decides. An IN
// list looks at neither ARP addresses nor the authenticated user's address.
int CSearchIn::Evaluate(const CLogRecord& record) const
{
    if (MatchPacket(record) || MatchConnection(record))
        return 1;
    if (m_eKind == SEARCH_IN_ROUTEGW)
        return record.m_bRoute && record.m_pRouteGw != nullptr && HoldsAddress(record.m_pRouteGw);
    if (m_eKind == SEARCH_IN_ID)
        return HoldsNumber(record.m_nId);
    return 0;
}

// The IP header, the TCP or UDP header, or the headers an ICMP error quotes.
bool CSearchIn::MatchPacket(const CLogRecord& record) const
{
    const uint8_t* pIp = record.m_pIpHdr;
    if (pIp == nullptr)
        return false;
    if (m_eKind == SEARCH_IN_SRCIP)
        return HoldsAddress(pIp + kIpSrcAddrOffset);
    if (m_eKind == SEARCH_IN_DESTIP)
        return HoldsAddress(pIp + kIpDestAddrOffset);

    const uint8_t* pPorts = record.m_pTcpHdr != nullptr ? record.m_pTcpHdr : record.m_pUdpHdr;
    if (pPorts != nullptr) {
        if (m_eKind == SEARCH_IN_SRCPORT)
            return HoldsPort(pPorts + kSrcPortOffset);
        if (m_eKind == SEARCH_IN_DESTPORT)
            return HoldsPort(pPorts + kDestPortOffset);
        return false;
    }
    return HoldsValue(FindQuotedValue(record, m_eQuotedValue));
}

// The connection block of the last connection item.
bool CSearchIn::MatchConnection(const CLogRecord& record) const
{
    return HoldsValue(FindConnBlockValue(record, m_eConnValue));
}
