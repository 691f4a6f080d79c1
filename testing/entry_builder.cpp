// The entry builder: addresses, packed counters, the data of every element
// kind, entry bodies assembled element by element, and the packets they carry
// (IPv4, TCP, UDP, ICMP, ICMP errors, ARP and Ethernet frames) with valid
// checksums.
#include "testing/entry_builder.h"

#include <algorithm>

#include "support/ascii.h"
#include "support/assert.h"
#include "support/byte_order.h"
#include "support/numbers.h"

namespace testdata {

// ---------------------------------------------------------------- values

uint32_t Ip(const char* pszDotted)
{
    SARNITH_ASSERT(pszDotted != nullptr);
    uint32_t nAddress = 0;
    const char* p = pszDotted;
    for (int nOctet = 0; nOctet < 4; ++nOctet) {
        if (nOctet > 0) {
            SARNITH_ASSERT(*p == '.');
            ++p;
        }
        SARNITH_ASSERT(IsDecimalDigit(*p));
        unsigned nValue = 0;
        int nDigits = 0;
        while (IsDecimalDigit(*p)) {
            nValue = nValue * 10 + static_cast<unsigned>(*p - '0');
            SARNITH_ASSERT(++nDigits <= 3 && nValue <= 255);
            ++p;
        }
        nAddress = (nAddress << 8) | nValue;
    }
    SARNITH_ASSERT(*p == '\0');
    return nAddress;
}

CMac Mac(const char* pszText)
{
    SARNITH_ASSERT(pszText != nullptr);
    CMac mac{};
    size_t nDigits = 0;
    for (const char* p = pszText; *p != '\0'; ++p) {
        if (*p == ':' || *p == '-')
            continue;
        int nValue = DigitValue(*p);
        SARNITH_ASSERT(nValue < 16 && nDigits < 12);
        mac[nDigits / 2] = static_cast<uint8_t>((mac[nDigits / 2] << 4) | nValue);
        ++nDigits;
    }
    SARNITH_ASSERT(nDigits == 12);
    return mac;
}

CPackedCounter PackCounter(uint32_t nValue)
{
    unsigned nExponent = 0;
    while ((nValue >> nExponent) > kPackedMaxMantissa)
        ++nExponent;
    return PackCounterParts(nExponent, nValue >> nExponent);
}

CPackedCounter PackCounterParts(unsigned nExponent, unsigned nMantissa)
{
    SARNITH_ASSERT(nExponent <= kPackedMaxExponent && nMantissa <= kPackedMaxMantissa);
    return CPackedCounter{static_cast<uint8_t>((nExponent << kPackedExponentShift) | (nMantissa >> 8)),
                          static_cast<uint8_t>(nMantissa & 0xFF)};
}

// ---------------------------------------------------------------- bytes

void AppendBE16(Bytes& bytes, uint16_t nValue)
{
    bytes.resize(bytes.size() + 2);
    PutBigEndian16(&bytes[bytes.size() - 2], nValue);
}

void AppendBE32(Bytes& bytes, uint32_t nValue)
{
    bytes.resize(bytes.size() + 4);
    PutBigEndian32(&bytes[bytes.size() - 4], nValue);
}

void AppendLE16(Bytes& bytes, uint16_t nValue)
{
    bytes.resize(bytes.size() + 2);
    PutLittleEndian16(&bytes[bytes.size() - 2], nValue);
}

void AppendLE32(Bytes& bytes, uint32_t nValue)
{
    bytes.resize(bytes.size() + 4);
    PutLittleEndian32(&bytes[bytes.size() - 4], nValue);
}

void AppendBytes(Bytes& bytes, const Bytes& tail)
{
    bytes.insert(bytes.end(), tail.begin(), tail.end());
}

void AppendText(Bytes& bytes, const std::string& strText)
{
    bytes.insert(bytes.end(), strText.begin(), strText.end());
    bytes.push_back(0);
}

Bytes Text(const std::string& strText)
{
    Bytes bytes;
    AppendText(bytes, strText);
    return bytes;
}

Bytes Head(const Bytes& bytes, size_t nCount)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(nCount, bytes.size())));
}

Bytes Concat(std::initializer_list<Bytes> pieces)
{
    Bytes bytes;
    for (const Bytes& piece : pieces)
        AppendBytes(bytes, piece);
    return bytes;
}

namespace {

// The data of a number element: one little-endian 32-bit number.
Bytes NumberData(uint32_t nValue)
{
    Bytes data;
    AppendLE32(data, nValue);
    return data;
}

void PutCounter(uint8_t* pCounter, uint32_t nValue)
{
    CPackedCounter counter = PackCounter(nValue);
    std::copy(counter.begin(), counter.end(), pCounter);
}

// The Internet checksum of the bytes (one's complement of the one's
// complement sum of the 16-bit words).
uint16_t InternetChecksum(const Bytes& bytes)
{
    uint32_t nSum = 0;
    for (size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t nWord = static_cast<uint32_t>(bytes[i]) << 8;
        if (i + 1 < bytes.size())
            nWord |= bytes[i + 1];
        nSum += nWord;
    }
    while (nSum >> 16)
        nSum = (nSum & 0xFFFF) + (nSum >> 16);
    return static_cast<uint16_t>(~nSum);
}

}  // namespace

// ---------------------------------------------------------------- element data

Bytes RuleNamesData(const std::vector<CRuleName>& aRules)
{
    Bytes data;
    for (const CRuleName& rule : aRules) {
        data.push_back(rule.m_nKind);
        AppendText(data, rule.m_strText);
    }
    return data;
}

Bytes ConnData(const CConnSpec& conn)
{
    Bytes names;
    AppendText(names, conn.m_strRecvIf);
    AppendText(names, conn.m_strDestIf);
    uint16_t nBlockOffset =
        conn.m_nBlockOffset < 0 ? static_cast<uint16_t>(names.size()) : static_cast<uint16_t>(conn.m_nBlockOffset);

    Bytes block(kConnBlockSize, 0);
    PutCounter(&block[CONN_BLOCK_ORIG_SENT], conn.m_nOrigSent);
    PutCounter(&block[CONN_BLOCK_TERM_SENT], conn.m_nTermSent);
    PutBigEndian32(&block[CONN_BLOCK_SRC_ADDR], conn.m_nSrcIp);
    PutBigEndian32(&block[CONN_BLOCK_DEST_ADDR], conn.m_nDestIp);
    block[CONN_BLOCK_PROTOCOL] = conn.m_nProtocol;
    PutBigEndian16(&block[CONN_BLOCK_SRC_PORT], conn.m_nSrcPort);
    PutBigEndian16(&block[CONN_BLOCK_DEST_PORT], conn.m_nDestPort);
    block.resize(conn.m_nBlockLength, 0);

    Bytes data(kConnNamesOffset, 0);
    data[kConnEventOffset] = conn.m_nEvent;
    data[kConnVersionOffset] = conn.m_nVersion;
    PutLittleEndian16(&data[kConnBlockWordOffset], nBlockOffset);
    AppendBytes(data, names);
    AppendBytes(data, block);
    return data;
}

Bytes UsageData(const CUsageSpec& usage)
{
    Bytes tail(kUsageTailSize, 0);
    PutCounter(&tail[kUsageFirstCounterOffset], usage.m_nFirstBytes);
    PutCounter(&tail[kUsageSecondCounterOffset], usage.m_nSecondBytes);
    tail.resize(usage.m_nTailLength, 0);

    Bytes data(kUsageNameOffset, 0);
    PutLittleEndian16(&data[kUsageIntervalOffset], usage.m_nInterval);
    data[kUsageKindOffset] = USAGE_INTERFACE;
    AppendText(data, usage.m_strIface);
    AppendBytes(data, tail);
    return data;
}

Bytes ConnUsageData(uint32_t nLowest, uint32_t nCurrent, uint32_t nHighest)
{
    Bytes data(kConnUsageSize, 0);
    data[kUsageKindOffset] = USAGE_CONNECTIONS;
    PutCounter(&data[kConnUsageLowestOffset], nLowest);
    PutCounter(&data[kConnUsageCurrentOffset], nCurrent);
    PutCounter(&data[kConnUsageHighestOffset], nHighest);
    return data;
}

Bytes AuthData(const CAuthSpec& auth)
{
    Bytes data(kAuthTextsOffset, 0);
    data[kAuthVersionOffset] = auth.m_nVersion;
    AppendText(data, auth.m_strRule);
    AppendText(data, auth.m_strUser);
    AppendText(data, auth.m_strAgent);
    Bytes tail(kAuthTailSize, 0);
    tail[kAuthEventOffset] = static_cast<uint8_t>(auth.m_nEvent);
    PutBigEndian32(&tail[kAuthAddrOffset], auth.m_nAddr);
    AppendBytes(data, tail);
    return data;
}

Bytes RouteData(const CRouteSpec& route)
{
    Bytes data(kRouteNameOffset, 0);
    PutBigEndian32(&data[kRouteLowAddrOffset], route.m_nLowIp);
    PutBigEndian32(&data[kRouteHighAddrOffset], route.m_nHighIp);
    AppendText(data, route.m_strIface);
    Bytes tail(kRouteTailSize, 0);
    PutBigEndian32(&tail[kRouteGatewayOffset], route.m_nGatewayIp);
    PutLittleEndian32(&tail[kRouteMetricOffset], route.m_nMetric);
    AppendBytes(data, tail);
    return data;
}

Bytes DynRoutingData(const CDynRoutingSpec& dyn)
{
    Bytes data(kDynRoutingTextsOffset, 0);
    PutLittleEndian32(&data[kDynRoutingEventOffset], dyn.m_nEvent);
    AppendText(data, dyn.m_strSrcProc);
    AppendText(data, dyn.m_strDestProc);
    return data;
}

Bytes PacketData(const Bytes& packet, uint16_t nLinkKind, int nLengthWord)
{
    Bytes data(kPacketBytesOffset, 0);
    PutBigEndian16(&data[kPacketLinkKindOffset], nLinkKind);
    PutBigEndian16(&data[kPacketLengthWordOffset],
                   nLengthWord < 0 ? static_cast<uint16_t>(packet.size()) : static_cast<uint16_t>(nLengthWord));
    AppendBytes(data, packet);
    return data;
}

// ---------------------------------------------------------------- builder

CEntryBuilder& CEntryBuilder::Element(uint8_t nTag, const Bytes& data)
{
    SARNITH_ASSERT(data.size() <= 0xFFFF);
    return ElementWithLength(nTag, static_cast<uint16_t>(data.size()), data);
}

CEntryBuilder& CEntryBuilder::ElementWithLength(uint8_t nTag, uint16_t nLength, const Bytes& data)
{
    uint8_t aHeader[kElementHeaderSize] = {};
    aHeader[kElementTagOffset] = nTag;
    PutBigEndian16(aHeader + kElementLengthOffset, nLength);
    m_aBody.insert(m_aBody.end(), aHeader, aHeader + kElementHeaderSize);
    AppendBytes(m_aBody, data);
    return *this;
}

CEntryBuilder& CEntryBuilder::RawBytes(const Bytes& bytes)
{
    AppendBytes(m_aBody, bytes);
    return *this;
}

CEntryBuilder& CEntryBuilder::CountedText(uint8_t nTag, const std::string& strText)
{
    return Element(nTag, Text(strText));
}

CEntryBuilder& CEntryBuilder::AlgModName(const std::string& strText)
{
    return Element(TAG_ALG_MOD_NAME, Text(strText));
}

CEntryBuilder& CEntryBuilder::Severity(int32_t nSeverity)
{
    return Element(TAG_SEVERITY, NumberData(static_cast<uint32_t>(nSeverity)));
}

CEntryBuilder& CEntryBuilder::LogId(uint32_t nId, uint32_t nSecond)
{
    Bytes data = NumberData(nId);
    AppendLE32(data, nSecond);
    return Element(TAG_LOG_ID, data);
}

CEntryBuilder& CEntryBuilder::DevTime(uint32_t nSeconds)
{
    return Element(TAG_DEV_TIME, NumberData(nSeconds));
}

CEntryBuilder& CEntryBuilder::AlgSessionId(uint32_t nId)
{
    return Element(TAG_ALG_SESSION_ID, NumberData(nId));
}

CEntryBuilder& CEntryBuilder::RuleNames(const std::vector<CRuleName>& aRules)
{
    return Element(TAG_RULES, RuleNamesData(aRules));
}

CEntryBuilder& CEntryBuilder::Conn(const CConnSpec& conn)
{
    return Element(TAG_CONN, ConnData(conn));
}

CEntryBuilder& CEntryBuilder::Usage(const CUsageSpec& usage)
{
    return Element(TAG_USAGE, UsageData(usage));
}

CEntryBuilder& CEntryBuilder::ConnUsage(uint32_t nLowest, uint32_t nCurrent, uint32_t nHighest)
{
    return Element(TAG_USAGE, ConnUsageData(nLowest, nCurrent, nHighest));
}

CEntryBuilder& CEntryBuilder::Auth(const CAuthSpec& auth)
{
    return Element(TAG_AUTH, AuthData(auth));
}

CEntryBuilder& CEntryBuilder::Route(const CRouteSpec& route)
{
    return Element(TAG_ROUTE, RouteData(route));
}

CEntryBuilder& CEntryBuilder::DynRouting(const CDynRoutingSpec& dyn)
{
    return Element(TAG_DYN_ROUTING, DynRoutingData(dyn));
}

CEntryBuilder& CEntryBuilder::Ospf(uint8_t nSection, uint8_t nLevel)
{
    return Element(TAG_OSPF, Bytes{nSection, nLevel});
}

CEntryBuilder& CEntryBuilder::OText(const std::string& strText)
{
    return Element(TAG_O_TEXT, Text(strText));
}

CEntryBuilder& CEntryBuilder::OText(const std::string& strText, uint32_t nFirst, uint32_t nSecond)
{
    Bytes data = Text(strText);
    AppendLE32(data, nFirst);
    AppendLE32(data, nSecond);
    return Element(TAG_O_TEXT, data);
}

CEntryBuilder& CEntryBuilder::PacketBound(uint16_t nBound)
{
    Bytes data;
    AppendBE16(data, nBound);
    return Element(TAG_PACKET_BOUND, data);
}

CEntryBuilder& CEntryBuilder::Packet(const Bytes& packet, uint16_t nLinkKind, int nLengthWord)
{
    return Element(TAG_PACKET, PacketData(packet, nLinkKind, nLengthWord));
}

CEntryBuilder& CEntryBuilder::EthernetPacket(const Bytes& frame)
{
    return Element(TAG_ETHERNET_FRAME, frame);
}

uint16_t CEntryBuilder::Length() const
{
    SARNITH_ASSERT(m_aBody.size() <= 0xFFFF);
    return static_cast<uint16_t>(m_aBody.size());
}

// ---------------------------------------------------------------- packets

Bytes EthernetHeader(const CMac& dest, const CMac& src, uint16_t nType)
{
    Bytes header(kEthernetHeaderSize, 0);
    std::copy(dest.begin(), dest.end(), &header[kEthernetDestOffset]);
    std::copy(src.begin(), src.end(), &header[kEthernetSrcOffset]);
    PutBigEndian16(&header[kEthernetTypeOffset], nType);
    return header;
}

Bytes ArpPacket(uint16_t nOpcode, const CMac& senderMac, uint32_t nSenderIp, const CMac& targetMac, uint32_t nTargetIp)
{
    Bytes packet(kArpFixedSize + kArpAddressesSize, 0);
    PutBigEndian16(&packet[kArpHardwareTypeOffset], kArpHardwareEthernet);
    PutBigEndian16(&packet[kArpProtocolTypeOffset], ETHER_TYPE_IPV4);
    packet[kArpHardwareSizeOffset] = kMacAddressSize;
    packet[kArpProtocolSizeOffset] = kIpv4AddressSize;
    PutBigEndian16(&packet[kArpOperationOffset], nOpcode);
    uint8_t* pAddresses = &packet[kArpFixedSize];
    std::copy(senderMac.begin(), senderMac.end(), pAddresses + kArpSenderMacOffset);
    PutBigEndian32(pAddresses + kArpSenderIpOffset, nSenderIp);
    std::copy(targetMac.begin(), targetMac.end(), pAddresses + kArpTargetMacOffset);
    PutBigEndian32(pAddresses + kArpTargetIpOffset, nTargetIp);
    return packet;
}

Bytes Ipv4Header(const CIpv4Spec& ip, size_t nPayloadLength)
{
    size_t nHeaderLength = std::max<size_t>(static_cast<size_t>(ip.m_nIhl) * kHeaderWordSize, kIpMinHeaderSize);
    size_t nTotal = ip.m_nTotalLength < 0 ? nHeaderLength + nPayloadLength : static_cast<size_t>(ip.m_nTotalLength);
    Bytes header(nHeaderLength, 0);  // options: end of list
    header[kIpVersionLengthOffset] =
        static_cast<uint8_t>((kIpVersion4 << kIpVersionShift) | (ip.m_nIhl & kHeaderWordsMask));
    header[kIpTosOffset] = ip.m_nTos;
    PutBigEndian16(&header[kIpTotalLengthOffset], static_cast<uint16_t>(nTotal));
    PutBigEndian16(&header[kIpIdentOffset], ip.m_nIdent);
    PutBigEndian16(&header[kIpFragmentOffset], ip.m_nFragment);
    header[kIpTtlOffset] = ip.m_nTtl;
    header[kIpProtocolOffset] = ip.m_nProtocol;
    PutBigEndian32(&header[kIpSrcAddrOffset], ip.m_nSrcIp);
    PutBigEndian32(&header[kIpDestAddrOffset], ip.m_nDestIp);
    PutBigEndian16(&header[kIpChecksumOffset], InternetChecksum(header));
    return header;
}

Bytes TcpHeader(const CTcpSpec& tcp)
{
    size_t nHeaderLength =
        std::max<size_t>(static_cast<size_t>(tcp.m_nDataOffset) * kHeaderWordSize, kTcpMinHeaderSize);
    Bytes header(kTcpMinHeaderSize, 0);
    PutBigEndian16(&header[kSrcPortOffset], tcp.m_nSrcPort);
    PutBigEndian16(&header[kDestPortOffset], tcp.m_nDestPort);
    PutBigEndian32(&header[kTcpSeqOffset], tcp.m_nSeq);
    PutBigEndian32(&header[kTcpAckOffset], tcp.m_nAck);
    header[kTcpDataOffsetOffset] = static_cast<uint8_t>((tcp.m_nDataOffset & kHeaderWordsMask) << kTcpHeaderWordsShift);
    header[kTcpFlagsOffset] = tcp.m_nFlags;
    PutBigEndian16(&header[kTcpWindowOffset], tcp.m_nWindow);
    PutBigEndian16(&header[kTcpUrgentOffset], tcp.m_nUrgent);
    header.resize(nHeaderLength, 1);  // options: no-operation
    return header;
}

Bytes UdpHeader(uint16_t nSrcPort, uint16_t nDestPort, uint16_t nPayloadLength)
{
    Bytes header(kUdpHeaderSize, 0);
    PutBigEndian16(&header[kSrcPortOffset], nSrcPort);
    PutBigEndian16(&header[kDestPortOffset], nDestPort);
    PutBigEndian16(&header[kUdpLengthOffset], static_cast<uint16_t>(kUdpHeaderSize + nPayloadLength));
    return header;
}

Bytes IcmpHeader(uint8_t nType, uint8_t nCode, uint32_t nRest)
{
    Bytes header(kIcmpHeaderSize, 0);
    header[kIcmpTypeOffset] = nType;
    header[kIcmpCodeOffset] = nCode;
    PutBigEndian32(&header[kIcmpRestOffset], nRest);
    PutBigEndian16(&header[kIcmpChecksumOffset], InternetChecksum(header));
    return header;
}

Bytes IpPacket(const CIpv4Spec& ip, const Bytes& payload)
{
    Bytes packet = Ipv4Header(ip, payload.size());
    AppendBytes(packet, payload);
    return packet;
}

Bytes TcpPacket(CIpv4Spec ip, const CTcpSpec& tcp, const Bytes& payload)
{
    ip.m_nProtocol = IPPROTO_NUM_TCP;
    return IpPacket(ip, Concat({TcpHeader(tcp), payload}));
}

Bytes UdpPacket(CIpv4Spec ip, uint16_t nSrcPort, uint16_t nDestPort, const Bytes& payload)
{
    ip.m_nProtocol = IPPROTO_NUM_UDP;
    return IpPacket(ip, Concat({UdpHeader(nSrcPort, nDestPort, static_cast<uint16_t>(payload.size())), payload}));
}

Bytes IcmpPacket(CIpv4Spec ip, uint8_t nType, uint8_t nCode, uint32_t nRest, const Bytes& payload)
{
    ip.m_nProtocol = IPPROTO_NUM_ICMP;
    return IpPacket(ip, Concat({IcmpHeader(nType, nCode, nRest), payload}));
}

Bytes IcmpError(CIpv4Spec ip, uint8_t nType, uint8_t nCode, const Bytes& quoted)
{
    return IcmpPacket(ip, nType, nCode, 0, quoted);
}

Bytes EthernetFrame(const Bytes& payload, uint16_t nType, const CMac& dest, const CMac& src)
{
    return Concat({EthernetHeader(dest, src, nType), payload});
}

}  // namespace testdata
