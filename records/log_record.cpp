// Decoding one entry's element list into a CLogRecord: the walk over the
// elements by their lengths, and for each known tag the fields it fills, each
// checked to lie inside its element; a malformed element is dropped or ends
// the walk, never read past.
#include "records/log_record.h"

#include <cstring>

#include "records/element_format.h"
#include "records/packet_decoder.h"
#include "records/packet_format.h"
#include "support/byte_order.h"

namespace {

constexpr uint32_t kNotFound = 0xFFFFFFFFu;

// The least sizes the walk accepts for the structured elements.
constexpr uint32_t kConnMinBlockOffset = 2;  // the two names' terminators
constexpr uint32_t kConnMinLength = kConnNamesOffset + kConnMinBlockOffset + kConnBlockSize;
constexpr uint32_t kConnBlockMinBehind = kConnNamesOffset + kConnBlockSize;  // B <= N - 33 keeps the block inside
constexpr uint32_t kConnMinBehindNames = 17;
constexpr uint32_t kConnPortsBehindNames = 25;  // 17 + 8 when the block has ports or ICMP data
constexpr uint32_t kUsageItemMinLength = 14;

const char* AsText(const uint8_t* p)
{
    return reinterpret_cast<const char*>(p);
}

// Index of the first zero byte in pData[nFrom, nEnd), or kNotFound.
uint32_t FindTerminator(const uint8_t* pData, uint32_t nFrom, uint32_t nEnd)
{
    if (nFrom >= nEnd)
        return kNotFound;
    const void* pZero = memchr(pData + nFrom, 0, nEnd - nFrom);
    return pZero == nullptr ? kNotFound : static_cast<uint32_t>(static_cast<const uint8_t*>(pZero) - pData);
}

// Fills a record from the elements of one entry, one element at a time. Each
// handler gets the element's data and its length N (at least 1, inside the
// list) and answers whether the walk goes on.
class CElementDecoder {
public:
    explicit CElementDecoder(CLogRecord& record) : m_record(record), m_nPacketBound(0) {}

    // nBehindHeader: the list bytes behind the element's 4-byte header.
    bool Decode(uint8_t nTag, const uint8_t* pData, uint32_t nLength, uint32_t nBehindHeader);

private:
    static void CountedText(const char*& pText, uint16_t& nTextLen, const uint8_t* pData, uint32_t nLength);
    void PacketBound(const uint8_t* pData, uint32_t nLength);
    void Packet(const uint8_t* pData, uint32_t nLength, uint32_t nBehindHeader);
    void RuleNames(const uint8_t* pData, uint32_t nLength);
    void Usage(const uint8_t* pData, uint32_t nLength);
    void Conn(const uint8_t* pData, uint32_t nLength);
    void Auth(const uint8_t* pData, uint32_t nLength);
    void Route(const uint8_t* pData, uint32_t nLength);
    bool DynRouting(const uint8_t* pData, uint32_t nLength);
    static bool OText(const uint8_t* pData, uint32_t nLength);

    CLogRecord& m_record;
    uint16_t m_nPacketBound;  // from an 'L' element; 0: no bound
};

bool CElementDecoder::Decode(uint8_t nTag, const uint8_t* pData, uint32_t nLength, uint32_t nBehindHeader)
{
    CLogRecord& r = m_record;
    switch (nTag) {
    // clang-format off
    case TAG_CATEGORY:    CountedText(r.m_pCategory, r.m_nCategoryLen, pData, nLength); break;
    case TAG_EXPLANATION: CountedText(r.m_pExplanation, r.m_nExplanationLen, pData, nLength); break;
    case TAG_RECV_IF:     CountedText(r.m_pRecvIf, r.m_nRecvIfLen, pData, nLength); break;
    case TAG_PARAMS:      CountedText(r.m_pParams, r.m_nParamsLen, pData, nLength); break;
    case TAG_EVENT:       CountedText(r.m_pEvent, r.m_nEventLen, pData, nLength); break;
    case TAG_ACTION:      CountedText(r.m_pAction, r.m_nActionLen, pData, nLength); break;
    case TAG_ALG_MOD_NAME:
        r.m_pszAlgModName = AsText(pData);
        r.m_nAlgModNameLen = static_cast<uint16_t>(nLength);
        break;
    case TAG_GATEWAY_NAME:
    case TAG_OSPF:
        break;  // carry nothing that is read
    case TAG_O_TEXT:
        return OText(pData, nLength);
    case TAG_PACKET_BOUND: PacketBound(pData, nLength); break;
    case TAG_PACKET:       Packet(pData, nLength, nBehindHeader); break;
    case TAG_ETHERNET_FRAME:
        r.m_nPacketLen = static_cast<uint16_t>(nLength);
        DecodePacket(r, pData, static_cast<uint16_t>(nLength), PACKET_ETHERNET);
        break;
    case TAG_RULES: RuleNames(pData, nLength); break;
    case TAG_USAGE: Usage(pData, nLength); break;
    case TAG_SEVERITY:
        if (nLength != kElementNumberSize)
            return false;
        r.m_nSeverity = static_cast<int32_t>(ReadLittleEndian32(pData));
        break;
    case TAG_CONN: Conn(pData, nLength); break;
    case TAG_ALG_SESSION_ID:
        if (nLength >= kElementNumberSize)
            r.m_nAlgSessionId = ReadLittleEndian32(pData);
        break;
    case TAG_LOG_ID:
        if (nLength >= kElementNumberSize)
            r.m_nId = ReadLittleEndian32(pData);  // the second number is not used
        break;
    case TAG_DEV_TIME:
        if (nLength >= kElementNumberSize)
            r.m_nDevTime = ReadLittleEndian32(pData);
        break;
    case TAG_DYN_ROUTING: return DynRouting(pData, nLength);
    case TAG_ROUTE:       Route(pData, nLength); break;
    case TAG_AUTH:        Auth(pData, nLength); break;
    default:
        break;  // unknown tag: skipped by its length
        // clang-format on
    }
    return true;
}

void CElementDecoder::CountedText(const char*& pText, uint16_t& nTextLen, const uint8_t* pData, uint32_t nLength)
{
    pText = AsText(pData);
    nTextLen = static_cast<uint16_t>(nLength);
}

void CElementDecoder::PacketBound(const uint8_t* pData, uint32_t nLength)
{
    if (nLength >= kPacketBoundSize)
        m_nPacketBound = ReadBigEndian16(pData);
}

void CElementDecoder::Packet(const uint8_t* pData, uint32_t nLength, uint32_t nBehindHeader)
{
    if (nLength < kPacketBytesOffset)
        return;
    uint16_t nLinkKind = ReadBigEndian16(pData + kPacketLinkKindOffset);
    uint16_t nLengthWord = ReadBigEndian16(pData + kPacketLengthWordOffset);
    if (nLengthWord > nBehindHeader || (m_nPacketBound != 0 && nLengthWord > m_nPacketBound))
        return;

    uint16_t nPacketLen = static_cast<uint16_t>(nLength - kPacketBytesOffset);
    const uint8_t* pPacket = pData + kPacketBytesOffset;
    if (nLinkKind == LINK_IP || nLinkKind == LINK_ETHERNET) {
        m_record.m_nPacketLen = nPacketLen;
        DecodePacket(m_record, pPacket, nPacketLen, nLinkKind == LINK_IP ? PACKET_IP : PACKET_ETHERNET);
    } else {
        // An unknown link: no packet is known any more, not even an earlier one.
        m_record.m_nPacketLen = 0;
        ClearPacketHeaders(m_record);
    }
}

void CElementDecoder::RuleNames(const uint8_t* pData, uint32_t nLength)
{
    uint32_t nPos = 0;
    while (nPos < nLength) {
        uint8_t nKind = pData[nPos];
        uint32_t nTerminator = FindTerminator(pData, nPos + 1, nLength);
        if (nTerminator == kNotFound)
            return;
        const char* pszText = AsText(pData + nPos + 1);
        switch (nKind) {
        // clang-format off
        case RULE_NAME:      m_record.m_pszRule = pszText; break;
        case RULE_SAT_SRC:   m_record.m_pszSatSrcRule = pszText; break;
        case RULE_SAT_DEST:  m_record.m_pszSatDestRule = pszText; break;
        case RULE_SRC_USER:  m_record.m_pszSrcUserName = pszText; break;
        case RULE_DEST_USER: m_record.m_pszDestUserName = pszText; break;
        default: return;  // kind 0 or above 5 ends the list
            // clang-format on
        }
        nPos = nTerminator + 1;
    }
}

void CElementDecoder::Usage(const uint8_t* pData, uint32_t nLength)
{
    if (m_record.m_nUsageCount >= CLogRecord::kMaxItems || nLength <= kUsageKindOffset)
        return;
    switch (pData[kUsageKindOffset]) {
    case USAGE_INTERFACE: {
        if (nLength < kUsageItemMinLength)
            return;
        uint32_t nTerminator = FindTerminator(pData, kUsageNameOffset, nLength);
        if (nTerminator == kNotFound || nLength - nTerminator - 1 < kUsageTailSize)
            return;
        CUsageItem& item = m_record.m_usage[m_record.m_nUsageCount++];
        item.m_nInterval = ReadLittleEndian16(pData + kUsageIntervalOffset);
        item.m_pszIface = AsText(pData + kUsageNameOffset);
        item.m_pCounters = pData + nTerminator + 1;
        break;
    }
    case USAGE_CONNECTIONS:
        if (nLength >= kConnUsageSize)
            m_record.m_pConnUsage = pData;
        break;
    default:
        break;
    }
}

void CElementDecoder::Conn(const uint8_t* pData, uint32_t nLength)
{
    if (m_record.m_nConnCount >= CLogRecord::kMaxItems || nLength < kConnMinLength ||
        pData[kConnVersionOffset] != kAddressVersionIpv4)
        return;
    uint32_t nBlockOffset = ReadLittleEndian16(pData + kConnBlockWordOffset);
    if (nBlockOffset < kConnMinBlockOffset || nBlockOffset > nLength - kConnBlockMinBehind)
        return;
    uint32_t nRecvEnd = FindTerminator(pData, kConnNamesOffset, nLength);
    if (nRecvEnd == kNotFound)
        return;
    uint32_t nDestEnd = FindTerminator(pData, nRecvEnd + 1, nLength);
    if (nDestEnd == kNotFound)
        return;
    uint32_t nBehindNames = nLength - nDestEnd - 1;
    if (nBehindNames < kConnMinBehindNames)
        return;
    const uint8_t* pBlock = pData + kConnNamesOffset + nBlockOffset;
    uint8_t nProtocol = pBlock[CONN_BLOCK_PROTOCOL];
    if ((nProtocol == IPPROTO_NUM_ICMP || nProtocol == IPPROTO_NUM_TCP || nProtocol == IPPROTO_NUM_UDP) &&
        nBehindNames < kConnPortsBehindNames)
        return;

    CConnItem& item = m_record.m_conn[m_record.m_nConnCount++];
    item.m_pBlock = pBlock;
    item.m_nEvent = pData[kConnEventOffset];
    item.m_pszRecvIf = AsText(pData + kConnNamesOffset);
    item.m_pszDestIf = AsText(pData + nRecvEnd + 1);
}

void CElementDecoder::Auth(const uint8_t* pData, uint32_t nLength)
{
    if (nLength <= kAuthTextsOffset || pData[kAuthVersionOffset] != kAddressVersionIpv4)
        return;
    uint32_t nRuleEnd = FindTerminator(pData, kAuthTextsOffset, nLength);
    if (nRuleEnd == kNotFound)
        return;
    uint32_t nUserEnd = FindTerminator(pData, nRuleEnd + 1, nLength);
    if (nUserEnd == kNotFound)
        return;
    uint32_t nAgentEnd = FindTerminator(pData, nUserEnd + 1, nLength);
    if (nAgentEnd == kNotFound || nLength - nAgentEnd - 1 < kAuthTailSize)
        return;
    const uint8_t* pTail = pData + nAgentEnd + 1;

    m_record.m_pszAuthRule = AsText(pData + kAuthTextsOffset);
    m_record.m_pszUserName = AsText(pData + nRuleEnd + 1);
    m_record.m_pszAuthAgent = AsText(pData + nUserEnd + 1);
    m_record.m_nAuthEvent = static_cast<int8_t>(pTail[kAuthEventOffset]);
    memcpy(m_record.m_nAuthAddr, pTail + kAuthAddrOffset, sizeof(m_record.m_nAuthAddr));
    m_record.m_bAuth = true;
}

void CElementDecoder::Route(const uint8_t* pData, uint32_t nLength)
{
    uint32_t nNameEnd = nLength < kRouteNameOffset ? kNotFound : FindTerminator(pData, kRouteNameOffset, nLength);
    if (nNameEnd == kNotFound || nLength - nNameEnd - 1 < kRouteTailSize) {
        m_record.m_bRoute = false;
        return;
    }
    const uint8_t* pTail = pData + nNameEnd + 1;
    m_record.m_bRoute = true;
    m_record.m_pRouteRange = pData + kRouteLowAddrOffset;
    m_record.m_pszRouteIface = AsText(pData + kRouteNameOffset);
    m_record.m_pRouteGw = pTail + kRouteGatewayOffset;
    m_record.m_nRouteMetric = ReadLittleEndian32(pTail + kRouteMetricOffset);
}

// Only texts found terminated are stored: a pointer to an unterminated text
// would lead its readers out of the element.
bool CElementDecoder::DynRouting(const uint8_t* pData, uint32_t nLength)
{
    if (nLength < kDynRoutingTextsOffset)
        return false;
    m_record.m_nDynRoutingEvent = ReadLittleEndian32(pData + kDynRoutingEventOffset);
    uint32_t nSrcEnd = FindTerminator(pData, kDynRoutingTextsOffset, nLength);
    if (nSrcEnd == kNotFound)
        return false;
    m_record.m_pszDynRoutingSrcProc = AsText(pData + kDynRoutingTextsOffset);
    uint32_t nDestEnd = FindTerminator(pData, nSrcEnd + 1, nLength);
    if (nDestEnd == kNotFound)
        return false;
    m_record.m_pszDynRoutingDestProc = AsText(pData + nSrcEnd + 1);
    m_record.m_bDynRouting = true;
    return true;
}

bool CElementDecoder::OText(const uint8_t* pData, uint32_t nLength)
{
    return FindTerminator(pData, 0, nLength) != kNotFound;
}

}  // namespace

void CLogRecord::Reset()
{
    for (uint16_t i = 0; i < m_nConnCount; ++i)
        m_conn[i] = CConnItem();
    for (uint16_t i = 0; i < m_nUsageCount; ++i)
        m_usage[i] = CUsageItem();

    m_nEntryLen = 0;
    m_pCategory = nullptr;
    m_nCategoryLen = 0;
    m_nId = 0;
    m_pEvent = nullptr;
    m_nEventLen = 0;
    m_pAction = nullptr;
    m_nActionLen = 0;
    m_nDevTime = 0;
    m_pExplanation = nullptr;
    m_nExplanationLen = 0;
    m_pParams = nullptr;
    m_nParamsLen = 0;
    m_pRecvIf = nullptr;
    m_nRecvIfLen = 0;
    m_nConnCount = 0;
    m_nUsageCount = 0;
    m_pConnUsage = nullptr;
    ClearPacketHeaders(*this);
    m_nPacketLen = 0;
    m_nSeverity = -1;
    m_pszAlgModName = nullptr;
    m_nAlgModNameLen = 0;
    m_nAlgSessionId = 0;
    m_pszRule = nullptr;
    m_pszSatSrcRule = nullptr;
    m_pszSatDestRule = nullptr;
    m_pszUserName = nullptr;
    m_pszSrcUserName = nullptr;
    m_pszDestUserName = nullptr;
    m_pszAuthAgent = nullptr;
    m_pszAuthRule = nullptr;
    memset(m_nAuthAddr, 0, sizeof(m_nAuthAddr));
    m_nAuthEvent = 0;
    m_bAuth = false;
    m_bRoute = false;
    m_pRouteRange = nullptr;
    m_pszRouteIface = nullptr;
    m_pRouteGw = nullptr;
    m_nRouteMetric = 0;
    m_bDynRouting = false;
    m_nDynRoutingEvent = 0;
    m_pszDynRoutingSrcProc = nullptr;
    m_pszDynRoutingDestProc = nullptr;
}

bool CLogRecord::Decode(const uint8_t* pList, uint16_t nLength)
{
    Reset();
    m_nEntryLen = nLength;

    CElementDecoder decoder(*this);
    uint32_t nPos = 0;
    while (nLength - nPos > kElementHeaderSize) {
        const uint8_t* pElement = pList + nPos;
        uint32_t nDataLen = ReadBigEndian16(pElement + kElementLengthOffset);
        uint32_t nBehindHeader = nLength - nPos - kElementHeaderSize;
        if (nDataLen == 0 || nDataLen > nBehindHeader)
            return false;
        if (!decoder.Decode(pElement[kElementTagOffset], pElement + kElementHeaderSize, nDataLen, nBehindHeader))
            return false;
        nPos += kElementHeaderSize + nDataLen;
    }
    return true;
}
