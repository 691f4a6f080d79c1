// Locating packet headers: Ethernet and ARP, IPv4 header lengths and
// fragments, transport headers that must be whole, and the headers an ICMP
// error quotes.
#include "records/packet_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>

#include "testing/entry_builder.h"
#include "tests/records/record_test_util.h"

using namespace testdata;
using recordtest::OffsetIn;

namespace {

// Which headers a decoded packet has, as offsets from the packet start (-1 absent).
struct CHeaders {
    long m_nEth = -1, m_nArp = -1, m_nArpAddrs = -1, m_nIp = -1, m_nTcp = -1, m_nUdp = -1, m_nIcmp = -1;
    long m_nIcmpIp = -1, m_nIcmpTcp = -1, m_nIcmpUdp = -1, m_nIcmpIcmp = -1;
    int m_nIcmpTcpLen = 0;

    bool operator==(const CHeaders& o) const
    {
        return m_nEth == o.m_nEth && m_nArp == o.m_nArp && m_nArpAddrs == o.m_nArpAddrs && m_nIp == o.m_nIp &&
               m_nTcp == o.m_nTcp && m_nUdp == o.m_nUdp && m_nIcmp == o.m_nIcmp && m_nIcmpIp == o.m_nIcmpIp &&
               m_nIcmpTcp == o.m_nIcmpTcp && m_nIcmpUdp == o.m_nIcmpUdp && m_nIcmpIcmp == o.m_nIcmpIcmp &&
               m_nIcmpTcpLen == o.m_nIcmpTcpLen;
    }
};

std::ostream& operator<<(std::ostream& os, const CHeaders& h)
{
    return os << "eth " << h.m_nEth << " arp " << h.m_nArp << "/" << h.m_nArpAddrs << " ip " << h.m_nIp << " tcp "
              << h.m_nTcp << " udp " << h.m_nUdp << " icmp " << h.m_nIcmp << " quoted ip " << h.m_nIcmpIp << " tcp "
              << h.m_nIcmpTcp << "(" << h.m_nIcmpTcpLen << ") udp " << h.m_nIcmpUdp << " icmp " << h.m_nIcmpIcmp;
}

// Decodes the bytes from an exactly sized copy, so a read past the packet
// is caught by the address sanitizer.
CHeaders Decode(const Bytes& packet, EPacketKind eKind)
{
    std::unique_ptr<uint8_t[]> pCopy(new uint8_t[packet.size() + 1]);
    std::copy(packet.begin(), packet.end(), pCopy.get());
    CLogRecord record;
    DecodePacket(record, pCopy.get(), static_cast<uint16_t>(packet.size()), eKind);
    const uint8_t* p = pCopy.get();
    CHeaders h;
    h.m_nEth = OffsetIn(record.m_pEthHdr, p);
    h.m_nArp = OffsetIn(record.m_pArpHdr, p);
    h.m_nArpAddrs = OffsetIn(record.m_pArpAddrs, p);
    h.m_nIp = OffsetIn(record.m_pIpHdr, p);
    h.m_nTcp = OffsetIn(record.m_pTcpHdr, p);
    h.m_nUdp = OffsetIn(record.m_pUdpHdr, p);
    h.m_nIcmp = OffsetIn(record.m_pIcmpHdr, p);
    h.m_nIcmpIp = OffsetIn(record.m_pIcmpIpHdr, p);
    h.m_nIcmpTcp = OffsetIn(record.m_pIcmpTcpHdr, p);
    h.m_nIcmpUdp = OffsetIn(record.m_pIcmpUdpHdr, p);
    h.m_nIcmpIcmp = OffsetIn(record.m_pIcmpIcmpHdr, p);
    h.m_nIcmpTcpLen = record.m_nIcmpTcpLen;
    return h;
}

CHeaders IpOnly(long nIp)
{
    CHeaders h;
    h.m_nIp = nIp;
    return h;
}

CIpv4Spec Addresses()
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip("10.0.0.1");
    ip.m_nDestIp = Ip("10.0.0.2");
    return ip;
}

}  // namespace

TEST(PacketEthernet, HeaderArpAndOtherTypes)
{
    CHeaders ethOnly;
    ethOnly.m_nEth = 0;
    EXPECT_EQ(Decode(EthernetFrame({}), PACKET_ETHERNET), ethOnly);
    EXPECT_EQ(Decode(Bytes(13, 0), PACKET_ETHERNET), CHeaders());
    EXPECT_EQ(Decode(EthernetFrame(Bytes(60, 0), ETHER_TYPE_VLAN), PACKET_ETHERNET), ethOnly);
    EXPECT_EQ(Decode(EthernetFrame(Bytes(60, 0), 0x86DD), PACKET_ETHERNET), ethOnly);

    const Bytes arp =
        EthernetFrame(ArpPacket(1, Mac("00:11:22:33:44:55"), Ip("10.0.0.1"), Mac("00:00:00:00:00:00"), Ip("10.0.0.2")),
                      ETHER_TYPE_ARP);
    CHeaders whole = ethOnly;
    whole.m_nArp = 14;
    whole.m_nArpAddrs = 22;
    EXPECT_EQ(Decode(arp, PACKET_ETHERNET), whole);
    CHeaders fixedOnly = ethOnly;
    fixedOnly.m_nArp = 14;
    EXPECT_EQ(Decode(Head(arp, kEthernetHeaderSize + kArpFixedSize + kArpAddressesSize - 1), PACKET_ETHERNET),
              fixedOnly);
    EXPECT_EQ(Decode(Head(arp, kEthernetHeaderSize + kArpFixedSize), PACKET_ETHERNET), fixedOnly);
    EXPECT_EQ(Decode(Head(arp, kEthernetHeaderSize + kArpFixedSize - 1), PACKET_ETHERNET), ethOnly);

    CTcpSpec tcp;
    CHeaders ipTcp = ethOnly;
    ipTcp.m_nIp = 14;
    ipTcp.m_nTcp = 34;
    EXPECT_EQ(Decode(EthernetFrame(TcpPacket(Addresses(), tcp)), PACKET_ETHERNET), ipTcp);
}

TEST(PacketIp, HeaderLengthAndFragments)
{
    CTcpSpec tcp;
    CIpv4Spec ip = Addresses();
    EXPECT_EQ(Decode(Head(TcpPacket(ip, tcp), 19), PACKET_IP), CHeaders());
    EXPECT_EQ(Decode(Head(TcpPacket(ip, tcp), 20), PACKET_IP), IpOnly(0));

    ip.m_nIhl = 6;
    EXPECT_EQ(Decode(Head(TcpPacket(ip, tcp), 22), PACKET_IP), CHeaders());
    CHeaders withOptions = IpOnly(0);
    withOptions.m_nTcp = 24;
    EXPECT_EQ(Decode(TcpPacket(ip, tcp), PACKET_IP), withOptions);

    ip.m_nIhl = 5;
    ip.m_nFragment = 0x2000;  // more fragments, offset 0: the first fragment
    CHeaders first = IpOnly(0);
    first.m_nTcp = 20;
    EXPECT_EQ(Decode(TcpPacket(ip, tcp), PACKET_IP), first);
    ip.m_nFragment = 0x0001;
    EXPECT_EQ(Decode(TcpPacket(ip, tcp), PACKET_IP), IpOnly(0));
    ip.m_nFragment = 0x1000;
    EXPECT_EQ(Decode(TcpPacket(ip, tcp), PACKET_IP), IpOnly(0));

    // A header length below 20 bytes leaves the next header unlocated.
    ip.m_nFragment = 0;
    ip.m_nIhl = 2;
    EXPECT_EQ(Decode(TcpPacket(ip, tcp), PACKET_IP), IpOnly(0));

    ip.m_nIhl = 5;
    ip.m_nProtocol = 47;
    EXPECT_EQ(Decode(IpPacket(ip, Bytes(40, 0)), PACKET_IP), IpOnly(0));
}

TEST(PacketTransport, TcpUdpAndIcmpNeedTheirWholeHeader)
{
    CIpv4Spec ip = Addresses();
    CTcpSpec tcp;
    CHeaders withTcp = IpOnly(0);
    withTcp.m_nTcp = 20;
    EXPECT_EQ(Decode(Head(TcpPacket(ip, tcp), 39), PACKET_IP), IpOnly(0));
    EXPECT_EQ(Decode(TcpPacket(ip, tcp), PACKET_IP), withTcp);

    tcp.m_nDataOffset = 8;
    EXPECT_EQ(Decode(Head(TcpPacket(ip, tcp), 20 + 25), PACKET_IP), IpOnly(0));
    EXPECT_EQ(Decode(TcpPacket(ip, tcp), PACKET_IP), withTcp);
    tcp.m_nDataOffset = 2;  // below 5 but the 20 bytes are there
    EXPECT_EQ(Decode(TcpPacket(ip, tcp), PACKET_IP), withTcp);

    CHeaders withUdp = IpOnly(0);
    withUdp.m_nUdp = 20;
    EXPECT_EQ(Decode(UdpPacket(ip, 53, 53), PACKET_IP), withUdp);
    EXPECT_EQ(Decode(Head(UdpPacket(ip, 53, 53), 27), PACKET_IP), IpOnly(0));

    CHeaders echo = IpOnly(0);
    echo.m_nIcmp = 20;
    EXPECT_EQ(Decode(IcmpPacket(ip, 8, 0, 0x00010001, Bytes(56, 0xAB)), PACKET_IP), echo);
    EXPECT_EQ(Decode(Head(IcmpPacket(ip, 8, 0), 27), PACKET_IP), IpOnly(0));
}

TEST(PacketIcmpError, QuotedHeaders)
{
    CIpv4Spec outer = Addresses();
    CIpv4Spec inner;
    inner.m_nSrcIp = Ip("10.0.0.2");
    inner.m_nDestIp = Ip("192.0.2.9");
    CTcpSpec tcp;
    tcp.m_nSrcPort = 40000;
    tcp.m_nDestPort = 443;

    CHeaders quoted = IpOnly(0);
    quoted.m_nIcmp = 20;
    quoted.m_nIcmpIp = 28;

    CHeaders tcp8 = quoted;
    tcp8.m_nIcmpTcp = 48;
    tcp8.m_nIcmpTcpLen = 8;
    EXPECT_EQ(Decode(IcmpError(outer, 3, 3, Head(TcpPacket(inner, tcp), 28)), PACKET_IP), tcp8);
    CHeaders tcp19 = tcp8;
    tcp19.m_nIcmpTcpLen = 19;
    EXPECT_EQ(Decode(IcmpError(outer, 11, 0, Head(TcpPacket(inner, tcp), 39)), PACKET_IP), tcp19);
    CHeaders tcp20 = tcp8;
    tcp20.m_nIcmpTcpLen = 20;
    EXPECT_EQ(Decode(IcmpError(outer, 3, 3, TcpPacket(inner, tcp, Bytes(10, 0))), PACKET_IP), tcp20);
    tcp.m_nDataOffset = 10;  // 40-byte header of which 24 bytes are quoted
    CHeaders tcp24 = tcp8;
    tcp24.m_nIcmpTcpLen = 24;
    EXPECT_EQ(Decode(IcmpError(outer, 12, 0, Head(TcpPacket(inner, tcp), 44)), PACKET_IP), tcp24);
    EXPECT_EQ(Decode(IcmpError(outer, 3, 3, Head(TcpPacket(inner, tcp), 27)), PACKET_IP), quoted);

    CHeaders udp = quoted;
    udp.m_nIcmpUdp = 48;
    EXPECT_EQ(Decode(IcmpError(outer, 3, 3, UdpPacket(inner, 5353, 53)), PACKET_IP), udp);
    EXPECT_EQ(Decode(IcmpError(outer, 3, 3, Head(UdpPacket(inner, 5353, 53), 27)), PACKET_IP), quoted);

    CHeaders icmp = quoted;
    icmp.m_nIcmpIcmp = 48;
    EXPECT_EQ(Decode(IcmpError(outer, 4, 0, IcmpPacket(inner, 8, 0)), PACKET_IP), icmp);

    // Not an error type: nothing quoted is looked at.
    CHeaders echoReply = IpOnly(0);
    echoReply.m_nIcmp = 20;
    EXPECT_EQ(Decode(IcmpError(outer, 0, 0, TcpPacket(inner, tcp)), PACKET_IP), echoReply);

    // A quoted IP header shorter than 20 bytes, or than its own length.
    EXPECT_EQ(Decode(IcmpError(outer, 3, 3, Head(TcpPacket(inner, tcp), 19)), PACKET_IP), echoReply);
    inner.m_nIhl = 7;
    EXPECT_EQ(Decode(IcmpError(outer, 3, 3, Head(TcpPacket(inner, tcp), 24)), PACKET_IP), echoReply);
}

TEST(PacketIcmpError, OuterOptionsAndQuotedOptionsShiftTheHeaders)
{
    CIpv4Spec outer = Addresses();
    outer.m_nIhl = 6;
    CIpv4Spec inner;
    CTcpSpec tcp;
    CHeaders h = IpOnly(0);
    h.m_nIcmp = 24;
    h.m_nIcmpIp = 32;
    h.m_nIcmpTcp = 52;  // exactly 20 bytes of quoted header skipped
    h.m_nIcmpTcpLen = 8;
    EXPECT_EQ(Decode(IcmpError(outer, 3, 1, Head(TcpPacket(inner, tcp), 28)), PACKET_IP), h);

    inner.m_nIhl = 6;
    h.m_nIcmpTcp = 56;
    EXPECT_EQ(Decode(IcmpError(outer, 3, 1, Head(TcpPacket(inner, tcp), 32)), PACKET_IP), h);

    CHeaders eth = h;
    eth.m_nEth = 0;
    eth.m_nIp += 14;
    eth.m_nIcmp += 14;
    eth.m_nIcmpIp += 14;
    eth.m_nIcmpTcp += 14;
    EXPECT_EQ(Decode(EthernetFrame(IcmpError(outer, 3, 1, Head(TcpPacket(inner, tcp), 32))), PACKET_ETHERNET), eth);
}

TEST(PacketDecoder, EntryBuilderWritesValidChecksums)
{
    // The IPv4 header checksum sums to 0xFFFF over the header.
    CIpv4Spec ip = Addresses();
    ip.m_nIhl = 7;
    Bytes header = Ipv4Header(ip, 12);
    uint32_t nSum = 0;
    for (size_t i = 0; i < header.size(); i += 2)
        nSum += static_cast<uint32_t>(header[i] << 8 | header[i + 1]);
    while (nSum >> 16)
        nSum = (nSum & 0xFFFF) + (nSum >> 16);
    EXPECT_EQ(nSum, 0xFFFFu);
    EXPECT_EQ(header.size(), 28u);
    EXPECT_EQ(header[0], 0x47);
    EXPECT_EQ(header[2] << 8 | header[3], 40);
}
