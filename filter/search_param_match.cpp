// The matching side of CSearchParam: the walk over a decoded record that
// compares the condition's converted value with the record's fields, section
// by section, until a comparison decides.
#include "filter/search_param.h"

#include <cstring>

#include "filter/search_compare.h"
#include "filter/text_pattern.h"
#include "records/element_format.h"
#include "records/log_record.h"
#include "records/packet_format.h"
#include "support/ascii.h"
#include "support/byte_order.h"

// The record is walked in a fixed order: the fields of the entry itself,
// the Ethernet header, the network layer (ARP or IP, the transport layer
// behind IP), the last connection item, the user authentication. The first
// comparison that holds decides; a record without the field fails.
int CSearchParam::Evaluate(const CLogRecord& record) const
{
    if (m_eField == FIELD_NONE)
        return 0;
    EMatch eMatch = MatchEntryFields(record);
    if (eMatch != MATCH_GO_ON)
        return eMatch == MATCH_TRUE;
    if (MatchEthernetHeader(record))
        return 1;
    eMatch = MatchNetworkLayer(record);
    if (eMatch != MATCH_GO_ON)
        return eMatch == MATCH_TRUE;
    if (MatchConnection(record))
        return 1;
    return MatchAuthentication(record) ? 1 : 0;
}

CSearchParam::EMatch CSearchParam::TrueOrGoOn(bool bHolds)
{
    return bHolds ? MATCH_TRUE : MATCH_GO_ON;
}

CSearchParam::EMatch CSearchParam::TrueOrFalse(bool bHolds)
{
    return bHolds ? MATCH_TRUE : MATCH_FALSE;
}

bool CSearchParam::NumberHolds(uint32_t nField) const
{
    return CompareUnder<uint32_t>(nField, m_nValue32, m_eOp);
}

bool CSearchParam::Number16Holds(uint16_t nField) const
{
    return CompareUnder<uint16_t>(nField, m_nValue16, m_eOp);
}

bool CSearchParam::PortHolds(const uint8_t* pField) const
{
    return CompareUnder<uint16_t>(ReadBigEndian16(pField), m_nValue16, m_eOp);
}

bool CSearchParam::Ipv4Holds(const uint8_t* pField) const
{
    return CompareBytesUnder(pField, m_aValueAddr, kIpv4AddressSize, m_eOp);
}

// A value found by filter/record_values.h, compared as what it is; false for null.
bool CSearchParam::RecordValueHolds(const uint8_t* pValue, ERecordValue eValue) const
{
    if (pValue == nullptr)
        return false;
    switch (eValue) {
    case RECORD_VALUE_SRC_ADDR:
    case RECORD_VALUE_DEST_ADDR:
        return Ipv4Holds(pValue);
    case RECORD_VALUE_PROTOCOL:
        return Number16Holds(*pValue);
    case RECORD_VALUE_SRC_PORT:
    case RECORD_VALUE_DEST_PORT:
        return PortHolds(pValue);
    case RECORD_VALUE_NONE:
        break;
    }
    return false;
}

CSearchParam::EMatch CSearchParam::MatchText(const char* pszText) const
{
    if (pszText == nullptr || m_nTextLen == 0)
        return MATCH_GO_ON;
    return TrueOrFalse(EqualNoCase(pszText, m_szValue));
}

CSearchParam::EMatch CSearchParam::MatchCountedText(const char* pText, uint16_t nLength) const
{
    if (pText == nullptr || m_nTextLen == 0)
        return MATCH_GO_ON;
    return TrueOrFalse(EqualNoCaseBounded(pText, CountedTextCopyLength(nLength), m_szValue));
}

CSearchParam::EMatch CSearchParam::MatchEntryFields(const CLogRecord& record) const
{
    switch (m_eField) {
    case FIELD_DESCRIPTION:
        return TrueOrGoOn(record.m_pParams != nullptr && m_pPattern->Find(record.m_pParams, record.m_nParamsLen));
    case FIELD_CATEGORY:
        return MatchCountedText(record.m_pCategory, record.m_nCategoryLen);
    case FIELD_EVENT:
        return MatchCountedText(record.m_pEvent, record.m_nEventLen);
    case FIELD_ACTION:
        return MatchCountedText(record.m_pAction, record.m_nActionLen);
    case FIELD_ID:
        return TrueOrGoOn(record.m_nId != kAbsentNumber && NumberHolds(record.m_nId));
    case FIELD_RECVIF:
        return MatchInterface(record, true);
    case FIELD_DESTIFACE:
        return MatchInterface(record, false);
    case FIELD_CONN: {
        const CConnItem* pConn = record.GetLastConn();
        return TrueOrFalse(pConn != nullptr && pConn->m_nEvent == m_nValueEnum);
    }
    case FIELD_RULE:
        return MatchText(record.m_pszRule);
    case FIELD_SATSRCRULE:
        return MatchText(record.m_pszSatSrcRule);
    case FIELD_SATDESTRULE:
        return MatchText(record.m_pszSatDestRule);
    case FIELD_SEVERITY:
        return TrueOrGoOn(record.m_nSeverity != -1 && NumberHolds(static_cast<uint32_t>(record.m_nSeverity)));
    case FIELD_ALGMODNAME:
        // The module name is not terminated for certain: its element's length bounds it.
        if (record.m_pszAlgModName == nullptr || m_nTextLen == 0)
            return MATCH_GO_ON;
        return TrueOrFalse(EqualNoCaseBounded(record.m_pszAlgModName, record.m_nAlgModNameLen, m_szValue));
    case FIELD_ALGSESSIONID:
        return TrueOrGoOn(NumberHolds(record.m_nAlgSessionId));
    case FIELD_AUTHRULE:
        return MatchText(record.m_pszAuthRule);
    case FIELD_AUTHAGENT:
        return MatchText(record.m_pszAuthAgent);
    case FIELD_AUTHEVENT:
        return TrueOrGoOn(CompareUnder<uint16_t>(static_cast<uint16_t>(record.m_nAuthEvent),
                                                 static_cast<uint16_t>(m_nValue32), m_eOp));
    case FIELD_USERNAME:
        return MatchUserNames(record);
    case FIELD_SRCUSERNAME:
        return MatchText(record.m_pszSrcUserName);
    case FIELD_DESTUSERNAME:
        return MatchText(record.m_pszDestUserName);
    case FIELD_DYNROUTINGEVENT:
        return TrueOrGoOn(record.m_nDynRoutingEvent != kAbsentNumber && NumberHolds(record.m_nDynRoutingEvent));
    case FIELD_DYNROUTINGSRCPROC:
        return MatchText(record.m_pszDynRoutingSrcProc);
    case FIELD_DYNROUTINGDESTPROC:
        return MatchText(record.m_pszDynRoutingDestProc);
    default:
        return record.m_bRoute ? MatchRouteFields(record) : MATCH_GO_ON;
    }
}

CSearchParam::EMatch CSearchParam::MatchRouteFields(const CLogRecord& record) const
{
    switch (m_eField) {
    case FIELD_ROUTEIFACE:
        return MatchText(record.m_pszRouteIface);
    case FIELD_ROUTEMETRIC:
        return TrueOrGoOn(record.m_nRouteMetric != kAbsentNumber && NumberHolds(record.m_nRouteMetric));
    case FIELD_ROUTERANGE: {
        const uint8_t* pRange = record.m_pRouteRange;
        if (pRange == nullptr)
            return MATCH_GO_ON;
        return TrueOrFalse(std::memcmp(pRange + kRouteLowAddrOffset, m_aValueAddr, kIpv4AddressSize) <= 0 &&
                           std::memcmp(m_aValueAddr, pRange + kRouteHighAddrOffset, kIpv4AddressSize) <= 0);
    }
    case FIELD_ROUTEGW:
        return TrueOrGoOn(record.m_pRouteGw != nullptr && Ipv4Holds(record.m_pRouteGw));
    default:
        return MATCH_GO_ON;
    }
}

// The receiving interface of the entry, else of its last connection item,
// else the names of its interface usage items, last first. An empty value
// is compared like any other here.
CSearchParam::EMatch CSearchParam::MatchInterface(const CLogRecord& record, bool bReceiving) const
{
    if (bReceiving && record.m_pRecvIf != nullptr)
        return TrueOrFalse(EqualNoCaseBounded(record.m_pRecvIf, CountedTextCopyLength(record.m_nRecvIfLen), m_szValue));
    if (const CConnItem* pConn = record.GetLastConn()) {
        const char* pszName = bReceiving ? pConn->m_pszRecvIf : pConn->m_pszDestIf;
        return TrueOrFalse(pszName != nullptr && EqualNoCase(pszName, m_szValue));
    }
    for (int i = record.m_nUsageCount - 1; i >= 0; --i) {
        const char* pszName = record.m_usage[i].m_pszIface;
        if (pszName != nullptr && EqualNoCase(pszName, m_szValue))
            return MATCH_TRUE;
    }
    return MATCH_GO_ON;
}

// Any of the authenticated, source and destination user names; decides
// even when the record has none of them.
CSearchParam::EMatch CSearchParam::MatchUserNames(const CLogRecord& record) const
{
    if (m_nTextLen == 0)
        return MATCH_GO_ON;
    const char* apszNames[] = {record.m_pszUserName, record.m_pszSrcUserName, record.m_pszDestUserName};
    for (const char* pszName : apszNames)
        if (pszName != nullptr && EqualNoCase(pszName, m_szValue))
            return MATCH_TRUE;
    return MATCH_FALSE;
}

bool CSearchParam::MatchEthernetHeader(const CLogRecord& record) const
{
    const uint8_t* pEth = record.m_pEthHdr;
    if (pEth == nullptr)
        return false;
    switch (m_eField) {
    case FIELD_SRCENET:
        return CompareBytesUnder(pEth + kEthernetSrcOffset, m_aValueAddr, kMacAddressSize, m_eOp);
    case FIELD_DESTENET:
        return CompareBytesUnder(pEth + kEthernetDestOffset, m_aValueAddr, kMacAddressSize, m_eOp);
    case FIELD_ENETPROTO:
        return PortHolds(pEth + kEthernetTypeOffset);
    default:
        return false;
    }
}

// ARP addresses and operation, or the IP header and the transport layer
// behind it.
CSearchParam::EMatch CSearchParam::MatchNetworkLayer(const CLogRecord& record) const
{
    if (record.m_pArpHdr != nullptr) {
        const uint8_t* pAddrs = record.m_pArpAddrs;
        switch (m_eField) {
        case FIELD_SRCIP:
            return TrueOrGoOn(pAddrs != nullptr && Ipv4Holds(pAddrs + kArpSenderIpOffset));
        case FIELD_DESTIP:
            return TrueOrGoOn(pAddrs != nullptr && Ipv4Holds(pAddrs + kArpTargetIpOffset));
        case FIELD_ARP: {
            uint16_t nOperation = ReadBigEndian16(record.m_pArpHdr + kArpOperationOffset);
            if (m_nValueEnum == kArpOther)
                return TrueOrFalse(nOperation > ARP_OP_REPLY);
            return TrueOrGoOn(CompareUnder<uint16_t>(nOperation, m_nValueEnum, m_eOp));
        }
        default:
            return MATCH_GO_ON;
        }
    }

    const uint8_t* pIp = record.m_pIpHdr;
    if (pIp == nullptr)
        return MATCH_GO_ON;
    switch (m_eField) {
    case FIELD_SRCIP:
        if (Ipv4Holds(pIp + kIpSrcAddrOffset))
            return MATCH_TRUE;
        break;
    case FIELD_DESTIP:
        if (Ipv4Holds(pIp + kIpDestAddrOffset))
            return MATCH_TRUE;
        break;
    case FIELD_IPPROTO:
        if (Number16Holds(pIp[kIpProtocolOffset]))
            return MATCH_TRUE;
        break;
    default:
        break;
    }
    return TrueOrGoOn(MatchTransportLayer(record));
}

bool CSearchParam::MatchTransportLayer(const CLogRecord& record) const
{
    const uint8_t* pPorts = record.m_pTcpHdr != nullptr ? record.m_pTcpHdr : record.m_pUdpHdr;
    if (pPorts != nullptr) {
        switch (m_eField) {
        case FIELD_SRCPORT:
            return PortHolds(pPorts + kSrcPortOffset);
        case FIELD_DESTPORT:
            return PortHolds(pPorts + kDestPortOffset);
        default:
            break;
        }
        if (record.m_pTcpHdr != nullptr && m_eField >= FIELD_FIN && m_eField <= FIELD_CWR) {
            uint8_t nBit = static_cast<uint8_t>(1u << (m_eField - FIELD_FIN));
            bool bSet = (record.m_pTcpHdr[kTcpFlagsOffset] & nBit) != 0;
            return m_nValue32 == 1 ? bSet : !bSet;
        }
        return false;
    }
    return record.m_pIcmpHdr != nullptr && MatchIcmp(record);
}

// The ICMP type, and the headers quoted in an ICMP error.
bool CSearchParam::MatchIcmp(const CLogRecord& record) const
{
    if (m_eField == FIELD_ICMPTYPE)
        return Number16Holds(record.m_pIcmpHdr[kIcmpTypeOffset]);
    return RecordValueHolds(FindQuotedValue(record, m_eQuotedValue), m_eQuotedValue);
}

// The connection block of the last connection item only.
bool CSearchParam::MatchConnection(const CLogRecord& record) const
{
    return RecordValueHolds(FindConnBlockValue(record, m_eConnValue), m_eConnValue);
}

bool CSearchParam::MatchAuthentication(const CLogRecord& record) const
{
    return record.m_bAuth && m_eField == FIELD_SRCIP && Ipv4Holds(record.m_nAuthAddr);
}
