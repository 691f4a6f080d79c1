// The value functions of the output columns, grouped by where they read
// (entry fields, texts, connection items, usage, Ethernet, IP, TCP, UDP and
// ICMP headers), and the column table that names each column's labels and
// functions.
#include "output/columns.h"

#include <cstdio>

#include "lql/keyword_table.h"
#include "records/element_format.h"
#include "records/packed_counter.h"
#include "records/packet_format.h"
#include "support/ascii.h"
#include "support/byte_order.h"
#include "support/name_tables.h"

namespace {

const CLogRecord& Record(const CColumnInput& input)
{
    return *input.m_pRecord;
}

bool HasPorts(const uint8_t* pBlock)
{
    return pBlock[CONN_BLOCK_PROTOCOL] == IPPROTO_NUM_TCP || pBlock[CONN_BLOCK_PROTOCOL] == IPPROTO_NUM_UDP;
}

uint32_t IpTotalLength(const uint8_t* pIpHdr)
{
    return ReadBigEndian16(pIpHdr + kIpTotalLengthOffset);
}

bool AppendAddress(const CColumnInput& input, CLineBuffer& line, const uint8_t* pAddress)
{
    if (pAddress == nullptr)
        return false;
    AppendIpAddress(line, pAddress, input.m_eIpFormat);
    return true;
}

bool AppendMac(CLineBuffer& line, const uint8_t* pAddress)
{
    if (pAddress == nullptr)
        return false;
    AppendMacAddress(line, pAddress);
    return true;
}

bool AppendNumber(CLineBuffer& line, uint32_t nValue)
{
    line.AppendUInt(nValue);
    return true;
}

bool AppendTerminated(CLineBuffer& line, const char* pszText)
{
    if (pszText == nullptr)
        return false;
    line.Append(pszText);
    return true;
}

// The MAC address at nOffset of a located header; none without the header.
template <const uint8_t* CLogRecord::*pHeader, uint32_t nOffset>
bool MacAt(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pBytes = Record(input).*pHeader;
    return AppendMac(line, pBytes == nullptr ? nullptr : pBytes + nOffset);
}

// The IPv4 address at nOffset of a located header; none without the header.
template <const uint8_t* CLogRecord::*pHeader, uint32_t nOffset>
bool AddressAt(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pBytes = Record(input).*pHeader;
    return AppendAddress(input, line, pBytes == nullptr ? nullptr : pBytes + nOffset);
}

// ---- texts -------------------------------------------------------------

template <const char* CLogRecord::*pText, uint16_t CLogRecord::*pLength>
bool CountedText(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    if (record.*pText == nullptr)
        return false;
    AppendBoundedText(line, record.*pText, record.*pLength);
    return true;
}

// The category as a copy into a buffer of the counted-text copy limit holds it.
bool Category(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    if (record.m_pCategory == nullptr)
        return false;
    AppendBoundedText(line, record.m_pCategory, CountedTextCopyLength(record.m_nCategoryLen));
    return true;
}

template <const char* CLogRecord::*pszText>
bool TerminatedText(const CColumnInput& input, CLineBuffer& line)
{
    return AppendTerminated(line, Record(input).*pszText);
}

template <const char* CLogRecord::*pszText>
bool AuthText(const CColumnInput& input, CLineBuffer& line)
{
    return Record(input).m_bAuth && AppendTerminated(line, Record(input).*pszText);
}

bool AlgModName(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    if (record.m_pszAlgModName == nullptr)
        return false;
    AppendBoundedText(line, record.m_pszAlgModName, record.m_nAlgModNameLen);
    return true;
}

bool RecvIf(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    if (record.m_pRecvIf != nullptr) {
        AppendBoundedText(line, record.m_pRecvIf, record.m_nRecvIfLen);
        return true;
    }
    const CConnItem* pConn = record.GetLastConn();
    return pConn != nullptr && AppendTerminated(line, pConn->m_pszRecvIf);
}

bool DestIf(const CColumnInput& input, CLineBuffer& line)
{
    const CConnItem* pConn = Record(input).GetLastConn();
    return pConn != nullptr && AppendTerminated(line, pConn->m_pszDestIf);
}

// Entries read from a file come from no gateway.
bool Gateway(const CColumnInput& input, CLineBuffer& line)
{
    return input.m_pszGateway != nullptr && input.m_pszGateway[0] != '\0' && AppendTerminated(line, input.m_pszGateway);
}

// ---- numbers -----------------------------------------------------------

bool Id(const CColumnInput& input, CLineBuffer& line)
{
    uint32_t nId = Record(input).m_nId;
    return nId != 0 && nId != kAbsentNumber && AppendNumber(line, nId);
}

bool Severity(const CColumnInput& input, CLineBuffer& line)
{
    int32_t nSeverity = Record(input).m_nSeverity;
    return nSeverity != -1 && AppendNumber(line, static_cast<uint32_t>(nSeverity));
}

bool AlgSessionId(const CColumnInput& input, CLineBuffer& line)
{
    uint32_t nSessionId = Record(input).m_nAlgSessionId;
    return nSessionId != 0 && AppendNumber(line, nSessionId);
}

bool AuthEvent(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    if (!record.m_bAuth || record.m_nAuthEvent == -1)
        return false;
    size_t nStart = line.GetLength();
    AppendNameOrNumber(line, g_authEvents, record.m_nAuthEvent);
    char* pText = line.GetData();
    for (size_t i = nStart; i < line.GetLength(); ++i)
        pText[i] = ToLowerAscii(pText[i]);
    return true;
}

// ---- times -------------------------------------------------------------

// The local date or time (pfnText, nLength characters) of the entry's time stamp.
template <const char* (CLocalTimeText::*pfnText)() const, size_t nLength>
bool EntryStamp(const CColumnInput& input, CLineBuffer& line)
{
    uint32_t nSeconds = 0;
    if (!EntryTimeToSeconds(*input.m_pEntry, nSeconds) || !input.m_pEntryTime->Convert(nSeconds))
        return false;
    line.Append((input.m_pEntryTime->*pfnText)(), nLength);
    return true;
}

// The local date or time (pfnText, nLength characters) of the device time.
template <const char* (CLocalTimeText::*pfnText)() const, size_t nLength>
bool DeviceStamp(const CColumnInput& input, CLineBuffer& line)
{
    if (!input.m_pDevTime->Convert(Record(input).m_nDevTime))
        return false;
    line.Append((input.m_pDevTime->*pfnText)(), nLength);
    return true;
}

// ---- connection items and usage ----------------------------------------

bool ConnEvent(const CColumnInput& input, CLineBuffer& line)
{
    const CConnItem* pConn = Record(input).GetLastConn();
    if (pConn == nullptr || pConn->m_nEvent == 0)
        return false;
    line.Append(NumberToName(g_connEvents, pConn->m_nEvent, "unknown"));
    return true;
}

template <uint32_t nOffset>
bool ConnCounter(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pBlock = Record(input).GetLastConnBlock();
    return pBlock != nullptr && AppendPackedCounter(line, pBlock + nOffset);
}

// The connection usage data holds the lowest, current and highest number of
// connections as packed counters.
template <uint32_t nOffset>
bool ConnUsageCounter(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pUsage = Record(input).m_pConnUsage;
    return pUsage != nullptr && AppendPackedCounter(line, pUsage + nOffset);
}

// "if0=name tp0=12.34 if1=..." for every usage item. With a value preparer
// (the text layouts) each name is prepared as a value, so that no stored
// text adds a line, a cell or a pair; without one (CSV) the names go in as
// they are.
bool UsageList(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    for (int i = 0; i < record.m_nUsageCount; ++i) {
        const CUsageItem& item = record.m_usage[i];
        if (i > 0)
            line.AppendChar(' ');
        line.Append("if");
        line.AppendUInt(static_cast<uint32_t>(i));
        line.AppendChar('=');
        if (item.m_pszIface != nullptr) {
            size_t nName = line.GetLength();
            line.Append(item.m_pszIface);
            if (input.m_pPreparer != nullptr)
                input.m_pPreparer->Prepare(line, nName);
        }
        line.Append(" tp");
        line.AppendUInt(static_cast<uint32_t>(i));
        line.AppendChar('=');
        AppendThroughput(line, item);
    }
    return record.m_nUsageCount > 0;
}

// ---- link layer and ARP ------------------------------------------------

// The Ethernet type; behind a VLAN tag the inner type, when the frame is
// long enough to hold it (a shorter frame shows the tag's own type).
bool EnetProto(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    const uint8_t* pEth = record.m_pEthHdr;
    if (pEth == nullptr)
        return false;
    uint16_t nType = ReadBigEndian16(pEth + kEthernetTypeOffset);
    const CLogEntry& entry = *input.m_pEntry;
    bool bInnerTypeInside = record.m_nPacketLen >= kVlanHeaderSize && pEth >= entry.m_pBody &&
                            pEth + kVlanHeaderSize <= entry.m_pBody + entry.m_nLength;
    if (nType == ETHER_TYPE_VLAN && bInnerTypeInside)
        nType = ReadBigEndian16(pEth + kVlanInnerTypeOffset);
    AppendNumberWithName(line, g_etherTypes, nType);
    return true;
}

bool ArpOperation(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pArp = Record(input).m_pArpHdr;
    if (pArp == nullptr)
        return false;
    line.Append(NumberToName(g_arpOperations, ReadBigEndian16(pArp + kArpOperationOffset), "unknown_operation"));
    return true;
}

// ---- addresses and ports, from the packet or the connection item -------

bool SrcIp(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    const uint8_t* pBlock = record.GetLastConnBlock();
    if (record.m_pIpHdr != nullptr)
        return AppendAddress(input, line, record.m_pIpHdr + kIpSrcAddrOffset);
    if (record.m_pArpAddrs != nullptr)
        return AppendAddress(input, line, record.m_pArpAddrs + kArpSenderIpOffset);
    if (pBlock != nullptr)
        return AppendAddress(input, line, pBlock + CONN_BLOCK_SRC_ADDR);
    return record.m_bAuth && AppendAddress(input, line, record.m_nAuthAddr);
}

bool DestIp(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    const uint8_t* pBlock = record.GetLastConnBlock();
    if (record.m_pIpHdr != nullptr)
        return AppendAddress(input, line, record.m_pIpHdr + kIpDestAddrOffset);
    if (record.m_pArpAddrs != nullptr)
        return AppendAddress(input, line, record.m_pArpAddrs + kArpTargetIpOffset);
    return AppendAddress(input, line, pBlock == nullptr ? nullptr : pBlock + CONN_BLOCK_DEST_ADDR);
}

// A port of the TCP or UDP header at nHeaderOffset, else of the connection
// block at nBlockOffset when the block is TCP or UDP.
template <uint32_t nHeaderOffset, uint32_t nBlockOffset>
bool Port(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    const uint8_t* pBlock = record.GetLastConnBlock();
    const uint8_t* pPort = nullptr;
    if (record.m_pTcpHdr != nullptr)
        pPort = record.m_pTcpHdr + nHeaderOffset;
    else if (record.m_pUdpHdr != nullptr)
        pPort = record.m_pUdpHdr + nHeaderOffset;
    else if (pBlock != nullptr && HasPorts(pBlock))
        pPort = pBlock + nBlockOffset;
    return pPort != nullptr && AppendNumber(line, ReadBigEndian16(pPort));
}

bool IpProto(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    const uint8_t* pBlock = record.GetLastConnBlock();
    const uint8_t* pProtocol = record.m_pIpHdr != nullptr ? record.m_pIpHdr + kIpProtocolOffset
                               : pBlock != nullptr        ? pBlock + CONN_BLOCK_PROTOCOL
                                                          : nullptr;
    if (pProtocol == nullptr)
        return false;
    AppendNumberWithName(line, g_ipProtocols, *pProtocol);
    return true;
}

// ---- IP header ---------------------------------------------------------

bool Ttl(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pIp = Record(input).m_pIpHdr;
    return pIp != nullptr && AppendNumber(line, pIp[kIpTtlOffset]);
}

bool IpHdrLen(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pIp = Record(input).m_pIpHdr;
    return pIp != nullptr && AppendNumber(line, IpHeaderLength(pIp));
}

bool IpTotLen(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pIp = Record(input).m_pIpHdr;
    return pIp != nullptr && AppendNumber(line, IpTotalLength(pIp));
}

// Payload lengths of malformed headers wrap around as unsigned 32-bit
// numbers, as every length column does.
bool IpDataLen(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pIp = Record(input).m_pIpHdr;
    return pIp != nullptr && AppendNumber(line, IpTotalLength(pIp) - IpHeaderLength(pIp));
}

// ---- TCP ---------------------------------------------------------------

template <uint8_t nBit>
bool TcpFlag(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pTcp = Record(input).m_pTcpHdr;
    if (pTcp == nullptr)
        return false;
    line.AppendChar((pTcp[kTcpFlagsOffset] & nBit) != 0 ? '1' : '0');
    return true;
}

bool TcpTotLen(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    if (record.m_pTcpHdr == nullptr || record.m_pIpHdr == nullptr)
        return false;
    return AppendNumber(line, IpTotalLength(record.m_pIpHdr) - IpHeaderLength(record.m_pIpHdr));
}

bool TcpHdrLen(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    if (record.m_pTcpHdr == nullptr || record.m_pIpHdr == nullptr)
        return false;
    return AppendNumber(line, TcpHeaderLength(record.m_pTcpHdr));
}

bool TcpDataLen(const CColumnInput& input, CLineBuffer& line)
{
    const CLogRecord& record = Record(input);
    if (record.m_pTcpHdr == nullptr || record.m_pIpHdr == nullptr)
        return false;
    uint32_t nSegment = (IpTotalLength(record.m_pIpHdr) - IpHeaderLength(record.m_pIpHdr)) & 0xFFFF;
    return AppendNumber(line, nSegment - TcpHeaderLength(record.m_pTcpHdr));
}

// ---- UDP ---------------------------------------------------------------

bool UdpTotLen(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pUdp = Record(input).m_pUdpHdr;
    return pUdp != nullptr && AppendNumber(line, ReadBigEndian16(pUdp + kUdpLengthOffset));
}

bool UdpDataLen(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pUdp = Record(input).m_pUdpHdr;
    return pUdp != nullptr && AppendNumber(line, ReadBigEndian16(pUdp + kUdpLengthOffset) - kUdpHeaderSize);
}

// ---- ICMP and the header it quotes -------------------------------------

bool IcmpType(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pIcmp = Record(input).m_pIcmpHdr;
    if (pIcmp == nullptr)
        return false;
    AppendNameOrNumber(line, g_icmpTypes, pIcmp[kIcmpTypeOffset]);
    return true;
}

bool IcmpIpProto(const CColumnInput& input, CLineBuffer& line)
{
    const uint8_t* pQuoted = Record(input).m_pIcmpIpHdr;
    if (pQuoted == nullptr)
        return false;
    AppendNumberWithName(line, g_ipProtocols, pQuoted[kIpProtocolOffset]);
    return true;
}

// ---- the table ---------------------------------------------------------

typedef CLogRecord R;
typedef CLocalTimeText T;

const CColumnDef g_aColumns[] = {
    //    id                         kind             values: label, type, value function
    {KEY_ACK, COLUMN_PREPARED, {{"ack", VALUE_FLAG, &TcpFlag<TCP_FLAG_ACK>}}},
    {KEY_ACTION, COLUMN_PREPARED, {{"action", VALUE_TEXT, &CountedText<&R::m_pAction, &R::m_nActionLen>}}},
    {KEY_ARP, COLUMN_PREPARED, {{"arp", VALUE_TEXT, &ArpOperation}}},
    {KEY_ARPHWDEST, COLUMN_PREPARED, {{"arphwdest", VALUE_TEXT, &MacAt<&R::m_pArpAddrs, kArpTargetMacOffset>}}},
    {KEY_ARPHWSRC, COLUMN_PREPARED, {{"arphwsrc", VALUE_TEXT, &MacAt<&R::m_pArpAddrs, kArpSenderMacOffset>}}},
    {KEY_CATEGORY, COLUMN_PREPARED, {{"category", VALUE_TEXT, &Category}}},
    {KEY_CONN, COLUMN_PREPARED, {{"conn", VALUE_TEXT, &ConnEvent}}},
    {KEY_CONNUSAGE,
     COLUMN_PREPARED,
     {{"maxconns", VALUE_NUMBER, &ConnUsageCounter<kConnUsageHighestOffset>},
      {"curconns", VALUE_NUMBER, &ConnUsageCounter<kConnUsageCurrentOffset>},
      {"minconns", VALUE_NUMBER, &ConnUsageCounter<kConnUsageLowestOffset>}}},
    {KEY_DATE, COLUMN_PREPARED, {{"date", VALUE_STAMP, &EntryStamp<&T::GetDate, T::kDateLength>}}},
    {KEY_DESCRIPTION, COLUMN_PREPARED, {{"params", VALUE_TEXT, &CountedText<&R::m_pParams, &R::m_nParamsLen>}}},
    {KEY_DESTENET, COLUMN_PREPARED, {{"hwdest", VALUE_TEXT, &MacAt<&R::m_pEthHdr, kEthernetDestOffset>}}},
    {KEY_DESTIFACE, COLUMN_PREPARED, {{"destif", VALUE_TEXT, &DestIf}}},
    {KEY_DESTIP, COLUMN_PREPARED, {{"destip", VALUE_ADDRESS, &DestIp}}},
    {KEY_DESTPORT, COLUMN_PREPARED, {{"destport", VALUE_NUMBER, &Port<kDestPortOffset, CONN_BLOCK_DEST_PORT>}}},
    {KEY_DEVDATE, COLUMN_PREPARED, {{"devdate", VALUE_STAMP, &DeviceStamp<&T::GetDate, T::kDateLength>}}},
    {KEY_DEVTIME, COLUMN_PREPARED, {{"devtime", VALUE_STAMP, &DeviceStamp<&T::GetTime, T::kTimeLength>}}},
    {KEY_ENETPROTO, COLUMN_PREPARED, {{"enetproto", VALUE_NAMED_NUMBER, &EnetProto}}},
    {KEY_EVENT, COLUMN_PREPARED, {{"event", VALUE_TEXT, &CountedText<&R::m_pEvent, &R::m_nEventLen>}}},
    {KEY_EXPLANATION,
     COLUMN_PREPARED,
     {{"explanation", VALUE_TEXT, &CountedText<&R::m_pExplanation, &R::m_nExplanationLen>}}},
    {KEY_FIN, COLUMN_PREPARED, {{"fin", VALUE_FLAG, &TcpFlag<TCP_FLAG_FIN>}}},
    {KEY_FIREWALL, COLUMN_PREPARED, {{"firewall", VALUE_TEXT, &Gateway}}},
    {KEY_VANTGARD, COLUMN_PREPARED, {{"vantgard", VALUE_TEXT, &Gateway}}},
    {KEY_ICMPDESTIP, COLUMN_PREPARED, {{"icmpdestip", VALUE_ADDRESS, &AddressAt<&R::m_pIcmpIpHdr, kIpDestAddrOffset>}}},
    {KEY_ICMPDESTPORT, COLUMN_PREPARED, {}},
    {KEY_ICMPIPPROTO, COLUMN_PREPARED, {{"icmpipproto", VALUE_NAMED_NUMBER, &IcmpIpProto}}},
    {KEY_ICMPSRCIP, COLUMN_PREPARED, {{"icmpsrcip", VALUE_ADDRESS, &AddressAt<&R::m_pIcmpIpHdr, kIpSrcAddrOffset>}}},
    {KEY_ICMPSRCPORT, COLUMN_PREPARED, {}},
    {KEY_ICMPTYPE, COLUMN_PREPARED, {{"icmptype", VALUE_TEXT, &IcmpType}}},
    {KEY_ID, COLUMN_PREPARED, {{"id", VALUE_NUMBER, &Id}}},
    {KEY_IPDATALEN, COLUMN_PREPARED, {{"ipdatalen", VALUE_NUMBER, &IpDataLen}}},
    {KEY_IPHDRLEN, COLUMN_PREPARED, {{"iphdrlen", VALUE_NUMBER, &IpHdrLen}}},
    {KEY_IPPROTO, COLUMN_PREPARED, {{"ipproto", VALUE_NAMED_NUMBER, &IpProto}}},
    {KEY_IPTOTALLEN, COLUMN_PREPARED, {{"iptotlen", VALUE_NUMBER, &IpTotLen}}},
    {KEY_ORIGSENT, COLUMN_PREPARED, {{"origsent", VALUE_NUMBER, &ConnCounter<CONN_BLOCK_ORIG_SENT>}}},
    {KEY_PSH, COLUMN_PREPARED, {{"psh", VALUE_FLAG, &TcpFlag<TCP_FLAG_PSH>}}},
    {KEY_RECVIF, COLUMN_PREPARED, {{"recvif", VALUE_TEXT, &RecvIf}}},
    {KEY_RST, COLUMN_PREPARED, {{"rst", VALUE_FLAG, &TcpFlag<TCP_FLAG_RST>}}},
    {KEY_RULE, COLUMN_PREPARED, {{"rule", VALUE_TEXT, &TerminatedText<&R::m_pszRule>}}},
    {KEY_SATDESTRULE, COLUMN_PREPARED, {{"satdestrule", VALUE_TEXT, &TerminatedText<&R::m_pszSatDestRule>}}},
    {KEY_SATSRCRULE, COLUMN_PREPARED, {{"satsrcrule", VALUE_TEXT, &TerminatedText<&R::m_pszSatSrcRule>}}},
    {KEY_SRCENET, COLUMN_PREPARED, {{"hwsrc", VALUE_TEXT, &MacAt<&R::m_pEthHdr, kEthernetSrcOffset>}}},
    {KEY_SRCIP, COLUMN_PREPARED, {{"srcip", VALUE_ADDRESS, &SrcIp}}},
    {KEY_SRCPORT, COLUMN_PREPARED, {{"srcport", VALUE_NUMBER, &Port<kSrcPortOffset, CONN_BLOCK_SRC_PORT>}}},
    {KEY_SYN, COLUMN_PREPARED, {{"syn", VALUE_FLAG, &TcpFlag<TCP_FLAG_SYN>}}},
    {KEY_TCPDATALEN, COLUMN_PREPARED, {{"tcpdatalen", VALUE_NUMBER, &TcpDataLen}}},
    {KEY_TCPTOTALLEN, COLUMN_PREPARED, {{"tcptotlen", VALUE_NUMBER, &TcpTotLen}}},
    {KEY_TERMSENT, COLUMN_PREPARED, {{"termsent", VALUE_NUMBER, &ConnCounter<CONN_BLOCK_TERM_SENT>}}},
    {KEY_TCPHDRLEN, COLUMN_PREPARED, {{"tcphdrlen", VALUE_NUMBER, &TcpHdrLen}}},
    {KEY_TIME, COLUMN_PREPARED, {{"time", VALUE_STAMP, &EntryStamp<&T::GetTime, T::kTimeLength>}}},
    {KEY_TTL, COLUMN_PREPARED, {{"ttl", VALUE_NUMBER, &Ttl}}},
    {KEY_UDPDATALEN, COLUMN_PREPARED, {{"udpdatalen", VALUE_NUMBER, &UdpDataLen}}},
    {KEY_URG, COLUMN_PREPARED, {{"urg", VALUE_FLAG, &TcpFlag<TCP_FLAG_URG>}}},
    {KEY_UDPTOTLEN, COLUMN_PREPARED, {{"udptotlen", VALUE_NUMBER, &UdpTotLen}}},
    {KEY_USAGE, COLUMN_LIST, {{nullptr, VALUE_USAGE_LIST, &UsageList}}},
    {KEY_ECE, COLUMN_PREPARED, {{"ece", VALUE_FLAG, &TcpFlag<TCP_FLAG_ECE>}}},
    {KEY_CWR, COLUMN_PREPARED, {{"cwr", VALUE_FLAG, &TcpFlag<TCP_FLAG_CWR>}}},
    {KEY_SEVERITY, COLUMN_PREPARED, {{"severity", VALUE_NUMBER, &Severity}}},
    {KEY_ALGMODNAME, COLUMN_PREPARED, {{"algmod", VALUE_TEXT, &AlgModName}}},
    {KEY_ALGSESSIONID, COLUMN_PREPARED, {{"algsesid", VALUE_NUMBER, &AlgSessionId}}},
    {KEY_AUTHRULE, COLUMN_PREPARED, {{"authrule", VALUE_TEXT, &AuthText<&R::m_pszAuthRule>}}},
    {KEY_AUTHAGENT, COLUMN_PREPARED, {{"authagent", VALUE_TEXT, &AuthText<&R::m_pszAuthAgent>}}},
    {KEY_AUTHEVENT, COLUMN_PREPARED, {{"authevent", VALUE_TEXT, &AuthEvent}}},
    {KEY_USERNAME, COLUMN_PREPARED, {{"username", VALUE_TEXT, &TerminatedText<&R::m_pszUserName>}}},
    {KEY_SRCUSERNAME, COLUMN_PREPARED, {{"srcusername", VALUE_TEXT, &TerminatedText<&R::m_pszSrcUserName>}}},
    {KEY_DESTUSERNAME, COLUMN_PREPARED, {{"destusername", VALUE_TEXT, &TerminatedText<&R::m_pszDestUserName>}}},
    {KEY_DYNROUTINGEVENT, COLUMN_PREPARED, {}},
    {KEY_DYNROUTINGSRCPROC, COLUMN_PREPARED, {}},
    {KEY_DYNROUTINGDESTPROC, COLUMN_PREPARED, {}},
    {KEY_ROUTEIFACE, COLUMN_PREPARED, {}},
    {KEY_ROUTEMETRIC, COLUMN_PREPARED, {}},
    {KEY_ROUTERANGE, COLUMN_PREPARED, {}},
    {KEY_ROUTEGW, COLUMN_PREPARED, {}},
    {KEY_OSPFLOGSECTION, COLUMN_PREPARED, {}},
    {KEY_OSPFLOGLEVEL, COLUMN_PREPARED, {}},
    // clang-format on
};

}  // namespace

const CColumnDef* FindColumn(int32_t nId)
{
    for (const CColumnDef& column : g_aColumns)
        if (column.m_nId == nId)
            return &column;
    return nullptr;
}

int CountValues(const CColumnDef& column)
{
    int nCount = 0;
    while (nCount < CColumnDef::kMaxValues && column.m_aValues[nCount].m_pfnValue != nullptr)
        ++nCount;
    return nCount;
}

void AppendThroughput(CLineBuffer& line, const CUsageItem& item)
{
    double nKilobits = 0.0;
    if (item.m_nInterval != 0) {
        double nBits = PackedCounterToDouble(item.m_pCounters + kUsageFirstCounterOffset) * 8.0 +
                       PackedCounterToDouble(item.m_pCounters + kUsageSecondCounterOffset) * 8.0;
        nKilobits = nBits / item.m_nInterval * 0.001;
    }
    char szThroughput[64];
    std::snprintf(szThroughput, sizeof(szThroughput), "%.2f", nKilobits);
    line.Append(szThroughput);
}
