// Locating the headers of a logged packet: Ethernet and ARP, IPv4, TCP, UDP
// and ICMP, and the IP and transport headers an ICMP error quotes; a header
// is located only when its whole fixed part lies inside the packet.
#include "records/packet_decoder.h"

#include "records/packet_format.h"
#include "support/byte_order.h"

namespace {

// A quoted TCP header is located when at least its ports and sequence number
// were quoted.
constexpr uint32_t kQuotedTcpMinSize = kTcpAckOffset;

bool IsFirstFragment(const uint8_t* pIp)
{
    return (ReadBigEndian16(pIp + kIpFragmentOffset) & kIpFragmentOffsetMask) == 0;
}

bool IsIcmpError(uint8_t nType)
{
    switch (nType) {
    case ICMP_TYPE_DEST_UNREACH:
    case ICMP_TYPE_SOURCE_QUENCH:
    case ICMP_TYPE_REDIRECT:
    case ICMP_TYPE_TIME_EXCEEDED:
    case ICMP_TYPE_PARAM_PROBLEM:
        return true;
    default:
        return false;
    }
}

// Points pField at the IPv4 header at pIp when it lies inside the nRemaining
// bytes. Returns where the header behind it starts, nRemaining then counting
// the bytes from there; null when the header does not fit, or when it states
// a length below 20 bytes, which does not say where the next header starts
// (the header itself stays readable).
const uint8_t* LocateIpHeader(const uint8_t*& pField, const uint8_t* pIp, uint32_t& nRemaining)
{
    if (nRemaining < kIpMinHeaderSize)
        return nullptr;
    uint32_t nHeaderLength = IpHeaderLength(pIp);
    if (nRemaining < nHeaderLength)
        return nullptr;
    pField = pIp;
    if (nHeaderLength < kIpMinHeaderSize)
        return nullptr;
    nRemaining -= nHeaderLength;
    return pIp + nHeaderLength;
}

// The headers quoted behind the 8 ICMP bytes of an error message; nRemaining
// bytes start at pQuoted.
void DecodeQuotedPacket(CLogRecord& record, const uint8_t* pQuoted, uint32_t nRemaining)
{
    const uint8_t* pNext = LocateIpHeader(record.m_pIcmpIpHdr, pQuoted, nRemaining);
    if (pNext == nullptr)
        return;

    switch (pQuoted[kIpProtocolOffset]) {
    case IPPROTO_NUM_TCP:
        if (nRemaining >= kTcpMinHeaderSize) {
            record.m_pIcmpTcpHdr = pNext;
            uint32_t nTcpLength = TcpHeaderLength(pNext);
            record.m_nIcmpTcpLen = static_cast<uint8_t>(nRemaining >= nTcpLength ? nTcpLength : nRemaining);
        } else if (nRemaining >= kQuotedTcpMinSize) {
            record.m_pIcmpTcpHdr = pNext;
            record.m_nIcmpTcpLen = static_cast<uint8_t>(nRemaining);
        }
        break;
    case IPPROTO_NUM_UDP:
        if (nRemaining >= kUdpHeaderSize)
            record.m_pIcmpUdpHdr = pNext;
        break;
    case IPPROTO_NUM_ICMP:
        if (nRemaining >= kIcmpHeaderSize)
            record.m_pIcmpIcmpHdr = pNext;
        break;
    default:
        break;
    }
}

void DecodeIpPacket(CLogRecord& record, const uint8_t* pIp, uint32_t nRemaining)
{
    const uint8_t* pNext = LocateIpHeader(record.m_pIpHdr, pIp, nRemaining);
    if (pNext == nullptr || !IsFirstFragment(pIp))
        return;

    switch (pIp[kIpProtocolOffset]) {
    case IPPROTO_NUM_ICMP:
        if (nRemaining < kIcmpHeaderSize)
            return;
        record.m_pIcmpHdr = pNext;
        if (IsIcmpError(pNext[kIcmpTypeOffset]))
            DecodeQuotedPacket(record, pNext + kIcmpHeaderSize, nRemaining - kIcmpHeaderSize);
        break;
    case IPPROTO_NUM_TCP:
        if (nRemaining < kTcpMinHeaderSize)
            return;
        if (nRemaining >= TcpHeaderLength(pNext))
            record.m_pTcpHdr = pNext;
        break;
    case IPPROTO_NUM_UDP:
        if (nRemaining >= kUdpHeaderSize)
            record.m_pUdpHdr = pNext;
        break;
    default:
        break;
    }
}

void DecodeEthernetFrame(CLogRecord& record, const uint8_t* pFrame, uint32_t nRemaining)
{
    if (nRemaining < kEthernetHeaderSize)
        return;
    record.m_pEthHdr = pFrame;
    const uint8_t* pNext = pFrame + kEthernetHeaderSize;
    nRemaining -= kEthernetHeaderSize;

    switch (ReadBigEndian16(pFrame + kEthernetTypeOffset)) {
    case ETHER_TYPE_ARP:
        if (nRemaining < kArpFixedSize)
            return;
        record.m_pArpHdr = pNext;
        if (nRemaining - kArpFixedSize >= kArpAddressesSize)
            record.m_pArpAddrs = pNext + kArpFixedSize;
        break;
    case ETHER_TYPE_IPV4:
        DecodeIpPacket(record, pNext, nRemaining);
        break;
    default:
        break;  // VLAN-tagged and other frames: only the Ethernet header
    }
}

}  // namespace

const uint8_t* QuotedPort(const CLogRecord& record, bool bDest)
{
    const uint32_t nOffset = bDest ? kDestPortOffset : kSrcPortOffset;
    if (record.m_pIcmpTcpHdr != nullptr)
        return record.m_nIcmpTcpLen >= nOffset + kPortSize ? record.m_pIcmpTcpHdr + nOffset : nullptr;
    return record.m_pIcmpUdpHdr != nullptr ? record.m_pIcmpUdpHdr + nOffset : nullptr;
}

void ClearPacketHeaders(CLogRecord& record)
{
    record.m_pEthHdr = nullptr;
    record.m_pArpHdr = nullptr;
    record.m_pArpAddrs = nullptr;
    record.m_pIpHdr = nullptr;
    record.m_pTcpHdr = nullptr;
    record.m_pUdpHdr = nullptr;
    record.m_pIcmpHdr = nullptr;
    record.m_pIcmpIpHdr = nullptr;
    record.m_nIcmpTcpLen = 0;
    record.m_pIcmpTcpHdr = nullptr;
    record.m_pIcmpUdpHdr = nullptr;
    record.m_pIcmpIcmpHdr = nullptr;
}

void DecodePacket(CLogRecord& record, const uint8_t* pPacket, uint16_t nLength, EPacketKind eKind)
{
    ClearPacketHeaders(record);
    if (eKind == PACKET_ETHERNET)
        DecodeEthernetFrame(record, pPacket, nLength);
    else
        DecodeIpPacket(record, pPacket, nLength);
}
