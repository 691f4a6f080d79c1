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
    while ((nValue >> nExponent) > 0x3FF)
        ++nExponent;
    return PackCounterParts(nExponent, nValue >> nExponent);
}

CPackedCounter PackCounterParts(unsigned nExponent, unsigned nMantissa)
{
    SARNITH_ASSERT(nExponent < 64 && nMantissa < 1024);
    return CPackedCounter{static_cast<uint8_t>((nExponent << 2) | (nMantissa >> 8)),
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

void AppendCounter(Bytes& bytes, uint32_t nValue)
{
    CPackedCounter counter = PackCounter(nValue);
    bytes.insert(bytes.end(), counter.begin(), counter.end());
}

void AppendMac(Bytes& bytes, const CMac& mac)
{
    bytes.insert(bytes.end(), mac.begin(), mac.end());
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
    uint16_t nBlockOffset = conn.m_nBlockOffset < 0 ? static_cast<uint16_t>(names.size())
                                                    : static_cast<uint16_t>(conn.m_nBlockOffset);

    Bytes block;
    AppendCounter(block, conn.m_nOrigSent);
    AppendCounter(block, conn.m_nTermSent);
    AppendBE32(block, conn.m_nSrcIp);
    AppendBE32(block, conn.m_nDestIp);
    block.resize(20, 0);
    block.push_back(conn.m_nProtocol);
    AppendBE16(block, conn.m_nSrcPort);
    AppendBE16(block, conn.m_nDestPort);
    block.resize(conn.m_nBlockLength, 0);

    Bytes data;
    data.push_back(conn.m_nEvent);
    data.push_back(conn.m_nVersion);
    AppendLE16(data, nBlockOffset);
    AppendBytes(data, names);
    AppendBytes(data, block);
    return data;
}

Bytes UsageData(const CUsageSpec& usage)
{
    Bytes tail(4, 0);
    AppendCounter(tail, usage.m_nFirstBytes);
    AppendCounter(tail, usage.m_nSecondBytes);
    tail.resize(usage.m_nTailLength, 0);

    Bytes data;
    AppendLE16(data, usage.m_nInterval);
    data.push_back(0);  // kind: interface usage item
    AppendText(data, usage.m_strIface);
    AppendBytes(data, tail);
    return data;
}

Bytes ConnUsageData(uint32_t nLowest, uint32_t nCurrent, uint32_t nHighest)
{
    Bytes data(2, 0);
    data.push_back(1);  // kind: connection usage
    AppendCounter(data, nLowest);
    AppendCounter(data, nCurrent);
    AppendCounter(data, nHighest);
    data.resize(13, 0);
    return data;
}

Bytes AuthData(const CAuthSpec& auth)
{
    Bytes data;
    data.push_back(0);
    data.push_back(auth.m_nVersion);
    AppendText(data, auth.m_strRule);
    AppendText(data, auth.m_strUser);
    AppendText(data, auth.m_strAgent);
    data.push_back(static_cast<uint8_t>(auth.m_nEvent));
    AppendBE32(data, auth.m_nAddr);
    return data;
}

Bytes RouteData(const CRouteSpec& route)
{
    Bytes data;
    AppendBE32(data, route.m_nLowIp);
    AppendBE32(data, route.m_nHighIp);
    AppendText(data, route.m_strIface);
    AppendBE32(data, route.m_nGatewayIp);
    AppendLE32(data, route.m_nMetric);
    return data;
}

Bytes DynRoutingData(const CDynRoutingSpec& dyn)
{
    Bytes data;
    AppendLE32(data, dyn.m_nEvent);
    AppendText(data, dyn.m_strSrcProc);
    AppendText(data, dyn.m_strDestProc);
    return data;
}

Bytes PacketData(const Bytes& packet, uint16_t nLinkKind, int nLengthWord)
{
    Bytes data;
    AppendBE16(data, nLinkKind);
    AppendBE16(data, nLengthWord < 0 ? static_cast<uint16_t>(packet.size()) : static_cast<uint16_t>(nLengthWord));
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
    m_aBody.push_back(nTag);
    m_aBody.push_back(0);
    AppendBE16(m_aBody, nLength);
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
    Bytes data;
    AppendLE32(data, static_cast<uint32_t>(nSeverity));
    return Element(TAG_SEVERITY, data);
}

CEntryBuilder& CEntryBuilder::LogId(uint32_t nId, uint32_t nSecond)
{
    Bytes data;
    AppendLE32(data, nId);
    AppendLE32(data, nSecond);
    return Element(TAG_LOG_ID, data);
}

CEntryBuilder& CEntryBuilder::DevTime(uint32_t nSeconds)
{
    Bytes data;
    AppendLE32(data, nSeconds);
    return Element(TAG_DEV_TIME, data);
}

CEntryBuilder& CEntryBuilder::AlgSessionId(uint32_t nId)
{
    Bytes data;
    AppendLE32(data, nId);
    return Element(TAG_ALG_SESSION_ID, data);
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
    Bytes header;
    AppendMac(header, dest);
    AppendMac(header, src);
    AppendBE16(header, nType);
    return header;
}

Bytes ArpPacket(uint16_t nOpcode, const CMac& senderMac, uint32_t nSenderIp,
                const CMac& targetMac, uint32_t nTargetIp)
{
    Bytes packet;
    AppendBE16(packet, 1);                // hardware type: Ethernet
    AppendBE16(packet, ETHER_TYPE_IPV4);  // protocol type
    packet.push_back(6);                  // hardware address length
    packet.push_back(4);                  // protocol address length
    AppendBE16(packet, nOpcode);
    AppendMac(packet, senderMac);
    AppendBE32(packet, nSenderIp);
    AppendMac(packet, targetMac);
    AppendBE32(packet, nTargetIp);
    return packet;
}

Bytes Ipv4Header(const CIpv4Spec& ip, size_t nPayloadLength)
{
    size_t nHeaderLength = ip.m_nIhl * 4u < 20 ? 20 : ip.m_nIhl * 4u;
    size_t nTotal = ip.m_nTotalLength < 0 ? nHeaderLength + nPayloadLength : static_cast<size_t>(ip.m_nTotalLength);
    Bytes header;
    header.push_back(static_cast<uint8_t>(0x40 | (ip.m_nIhl & 0x0F)));
    header.push_back(ip.m_nTos);
    AppendBE16(header, static_cast<uint16_t>(nTotal));
    AppendBE16(header, ip.m_nIdent);
    AppendBE16(header, ip.m_nFragment);
    header.push_back(ip.m_nTtl);
    header.push_back(ip.m_nProtocol);
    AppendBE16(header, 0);  // checksum, filled below
    AppendBE32(header, ip.m_nSrcIp);
    AppendBE32(header, ip.m_nDestIp);
    header.resize(nHeaderLength, 0);  // options: end of list
    PutBigEndian16(&header[10], InternetChecksum(header));
    return header;
}

Bytes TcpHeader(const CTcpSpec& tcp)
{
    size_t nHeaderLength = tcp.m_nDataOffset * 4u < 20 ? 20 : tcp.m_nDataOffset * 4u;
    Bytes header;
    AppendBE16(header, tcp.m_nSrcPort);
    AppendBE16(header, tcp.m_nDestPort);
    AppendBE32(header, tcp.m_nSeq);
    AppendBE32(header, tcp.m_nAck);
    header.push_back(static_cast<uint8_t>((tcp.m_nDataOffset & 0x0F) << 4));
    header.push_back(tcp.m_nFlags);
    AppendBE16(header, tcp.m_nWindow);
    AppendBE16(header, 0);  // checksum
    AppendBE16(header, tcp.m_nUrgent);
    header.resize(nHeaderLength, 1);  // options: no-operation
    return header;
}

Bytes UdpHeader(uint16_t nSrcPort, uint16_t nDestPort, uint16_t nPayloadLength)
{
    Bytes header;
    AppendBE16(header, nSrcPort);
    AppendBE16(header, nDestPort);
    AppendBE16(header, static_cast<uint16_t>(8 + nPayloadLength));
    AppendBE16(header, 0);  // checksum
    return header;
}

Bytes IcmpHeader(uint8_t nType, uint8_t nCode, uint32_t nRest)
{
    Bytes header;
    header.push_back(nType);
    header.push_back(nCode);
    AppendBE16(header, 0);
    AppendBE32(header, nRest);
    PutBigEndian16(&header[2], InternetChecksum(header));
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
