#include "records/packet_decoder.h"

namespace {

constexpr uint32_t kEthernetHeaderSize = 14;
constexpr uint32_t kArpFixedSize = 8;
constexpr uint32_t kArpAddressesSize = 20;
constexpr uint32_t kIpMinHeaderSize = 20;
constexpr uint32_t kTcpMinHeaderSize = 20;
constexpr uint32_t kUdpHeaderSize = 8;
constexpr uint32_t kIcmpHeaderSize = 8;
constexpr uint32_t kQuotedTcpMinSize = 8;

constexpr uint16_t kEtherTypeIpv4 = 0x0800;
constexpr uint16_t kEtherTypeArp = 0x0806;

constexpr uint8_t kProtocolIcmp = 1;
constexpr uint8_t kProtocolTcp = 6;
constexpr uint8_t kProtocolUdp = 17;

uint16_t ReadBE16(const uint8_t* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t IpHeaderLength(const uint8_t* pIp)
{
    return (pIp[0] & 0x0Fu) * 4;
}

uint32_t TcpHeaderLength(const uint8_t* pTcp)
{
    return (pTcp[12] >> 4) * 4u;
}

bool IsFirstFragment(const uint8_t* pIp)
{
    return (ReadBE16(pIp + 6) & 0x1FFF) == 0;
}

// ICMP types whose messages quote the offending packet: destination
// unreachable, source quench, redirect, time exceeded, parameter problem.
bool IsIcmpError(uint8_t nType)
{
    return nType == 3 || nType == 4 || nType == 5 || nType == 11 || nType == 12;
}

// The headers quoted behind the 8 ICMP bytes of an error message; nRemaining
// bytes start at pQuoted.
void DecodeQuotedPacket(CLogRecord& record, const uint8_t* pQuoted, uint32_t nRemaining)
{
    if (nRemaining < kIpMinHeaderSize)
        return;
    record.m_pIcmpIpHdr = pQuoted;
    uint32_t nHeaderLength = IpHeaderLength(pQuoted);
    if (nRemaining < nHeaderLength) {
        record.m_pIcmpIpHdr = nullptr;
        return;
    }
    // A header length below 20 bytes does not say where the next header starts.
    if (nHeaderLength < kIpMinHeaderSize)
        return;
    const uint8_t* pNext = pQuoted + nHeaderLength;
    nRemaining -= nHeaderLength;

    switch (pQuoted[9]) {
    case kProtocolTcp:
        if (nRemaining >= kTcpMinHeaderSize) {
            record.m_pIcmpTcpHdr = pNext;
            uint32_t nTcpLength = TcpHeaderLength(pNext);
            record.m_nIcmpTcpLen = static_cast<uint8_t>(nRemaining >= nTcpLength ? nTcpLength : nRemaining);
        } else if (nRemaining >= kQuotedTcpMinSize) {
            record.m_pIcmpTcpHdr = pNext;
            record.m_nIcmpTcpLen = static_cast<uint8_t>(nRemaining);
        }
        break;
    case kProtocolUdp:
        if (nRemaining >= kUdpHeaderSize)
            record.m_pIcmpUdpHdr = pNext;
        break;
    case kProtocolIcmp:
        if (nRemaining >= kIcmpHeaderSize)
            record.m_pIcmpIcmpHdr = pNext;
        break;
    default:
        break;
    }
}

void DecodeIpPacket(CLogRecord& record, const uint8_t* pIp, uint32_t nRemaining)
{
    if (nRemaining < kIpMinHeaderSize)
        return;
    record.m_pIpHdr = pIp;
    uint32_t nHeaderLength = IpHeaderLength(pIp);
    if (nRemaining < nHeaderLength) {
        record.m_pIpHdr = nullptr;
        return;
    }
    // A header length below 20 bytes does not say where the next header
    // starts; the header itself stays readable.
    if (nHeaderLength < kIpMinHeaderSize)
        return;
    if (!IsFirstFragment(pIp))
        return;
    const uint8_t* pNext = pIp + nHeaderLength;
    nRemaining -= nHeaderLength;

    switch (pIp[9]) {
    case kProtocolIcmp:
        if (nRemaining < kIcmpHeaderSize)
            return;
        record.m_pIcmpHdr = pNext;
        if (IsIcmpError(pNext[0]))
            DecodeQuotedPacket(record, pNext + kIcmpHeaderSize, nRemaining - kIcmpHeaderSize);
        break;
    case kProtocolTcp:
        if (nRemaining < kTcpMinHeaderSize)
            return;
        if (nRemaining >= TcpHeaderLength(pNext))
            record.m_pTcpHdr = pNext;
        break;
    case kProtocolUdp:
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

    switch (ReadBE16(pFrame + 12)) {
    case kEtherTypeArp:
        if (nRemaining < kArpFixedSize)
            return;
        record.m_pArpHdr = pNext;
        if (nRemaining - kArpFixedSize >= kArpAddressesSize)
            record.m_pArpAddrs = pNext + kArpFixedSize;
        break;
    case kEtherTypeIpv4:
        DecodeIpPacket(record, pNext, nRemaining);
        break;
    default:
        break;  // VLAN-tagged and other frames: only the Ethernet header
    }
}

}  // namespace

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
