// The packet headers carried in 'M' and 'P' elements: the offsets and sizes
// of the Ethernet, ARP, IPv4, TCP, UDP and ICMP headers, the Ethernet types,
// IP protocol numbers, TCP flag bits, ICMP error types and ARP operations,
// and the words that name the ARP operations. Named once for the packet
// decoder, the output columns, the filter and the test-data writer.
//
// Offsets count from the start of their header; multi-byte fields are
// big-endian (network order) as on the wire. Everything here is constant or
// works on the caller's bytes and keeps nothing.
#ifndef SARNITH_RECORDS_PACKET_FORMAT_H
#define SARNITH_RECORDS_PACKET_FORMAT_H

#include <cstdint>

#include "support/name_tables.h"

constexpr uint32_t kMacAddressSize = 6;
constexpr uint32_t kIpv4AddressSize = 4;
constexpr uint32_t kPortSize = 2;

// Header lengths that a header states count 32-bit words, in a 4-bit field.
constexpr uint32_t kHeaderWordSize = 4;
constexpr uint8_t kHeaderWordsMask = 0x0F;

// ---- Ethernet --------------------------------------------------------------

constexpr uint32_t kEthernetDestOffset = 0;
constexpr uint32_t kEthernetSrcOffset = 6;
constexpr uint32_t kEthernetTypeOffset = 12;
constexpr uint32_t kEthernetHeaderSize = 14;
// Behind a VLAN tag's type: the tag control, then the inner type.
constexpr uint32_t kVlanInnerTypeOffset = 16;
constexpr uint32_t kVlanHeaderSize = 18;

enum EEtherType : uint16_t {
    ETHER_TYPE_IPV4 = 0x0800,
    ETHER_TYPE_ARP = 0x0806,
    ETHER_TYPE_VLAN = 0x8100,
};

// ---- ARP (Ethernet and IPv4) -------------------------------------------------

// The fixed part.
constexpr uint32_t kArpHardwareTypeOffset = 0;
constexpr uint32_t kArpProtocolTypeOffset = 2;
constexpr uint32_t kArpHardwareSizeOffset = 4;
constexpr uint32_t kArpProtocolSizeOffset = 5;
constexpr uint32_t kArpOperationOffset = 6;
constexpr uint32_t kArpFixedSize = 8;
constexpr uint16_t kArpHardwareEthernet = 1;

// The addresses behind the fixed part.
constexpr uint32_t kArpSenderMacOffset = 0;
constexpr uint32_t kArpSenderIpOffset = 6;
constexpr uint32_t kArpTargetMacOffset = 10;
constexpr uint32_t kArpTargetIpOffset = 16;
constexpr uint32_t kArpAddressesSize = 20;

enum EArpOperation : uint16_t {
    ARP_OP_REQUEST = 1,
    ARP_OP_REPLY = 2,
};

// The words of the ARP operations; other operations have none.
inline constexpr CNameEntry g_arpOperations[] = {
    // clang-format off
    { ARP_OP_REQUEST, "request" },
    { ARP_OP_REPLY,   "reply"   },
    { -1,             nullptr   },
    // clang-format on
};

// ---- IPv4 --------------------------------------------------------------------

constexpr uint32_t kIpVersionLengthOffset = 0;  // version (high 4 bits), header words (low 4 bits)
constexpr uint32_t kIpTosOffset = 1;
constexpr uint32_t kIpTotalLengthOffset = 2;
constexpr uint32_t kIpIdentOffset = 4;
constexpr uint32_t kIpFragmentOffset = 6;  // flags (top 3 bits), fragment offset (low 13 bits)
constexpr uint32_t kIpTtlOffset = 8;
constexpr uint32_t kIpProtocolOffset = 9;
constexpr uint32_t kIpChecksumOffset = 10;
constexpr uint32_t kIpSrcAddrOffset = 12;
constexpr uint32_t kIpDestAddrOffset = 16;
constexpr uint32_t kIpMinHeaderSize = 20;

constexpr uint8_t kIpVersion4 = 4;
constexpr unsigned kIpVersionShift = 4;
constexpr uint16_t kIpFragmentOffsetMask = 0x1FFF;

enum EIpProtocol : uint8_t {
    // clang-format off
    IPPROTO_NUM_ICMP = 1,
    IPPROTO_NUM_TCP  = 6,
    IPPROTO_NUM_UDP  = 17,
    // clang-format on
};

// The header length an IPv4 header states, in bytes.
inline uint32_t IpHeaderLength(const uint8_t* pIp)
{
    return (pIp[kIpVersionLengthOffset] & kHeaderWordsMask) * kHeaderWordSize;
}

// ---- TCP and UDP ---------------------------------------------------------------

// Both open with the source and destination ports.
constexpr uint32_t kSrcPortOffset = 0;
constexpr uint32_t kDestPortOffset = 2;

constexpr uint32_t kTcpSeqOffset = 4;
constexpr uint32_t kTcpAckOffset = 8;
constexpr uint32_t kTcpDataOffsetOffset = 12;  // header words in the high 4 bits
constexpr uint32_t kTcpFlagsOffset = 13;
constexpr uint32_t kTcpWindowOffset = 14;
constexpr uint32_t kTcpChecksumOffset = 16;
constexpr uint32_t kTcpUrgentOffset = 18;
constexpr uint32_t kTcpMinHeaderSize = 20;
constexpr unsigned kTcpHeaderWordsShift = 4;

enum ETcpFlag : uint8_t {
    TCP_FLAG_FIN = 0x01,
    TCP_FLAG_SYN = 0x02,
    TCP_FLAG_RST = 0x04,
    TCP_FLAG_PSH = 0x08,
    TCP_FLAG_ACK = 0x10,
    TCP_FLAG_URG = 0x20,
    TCP_FLAG_ECE = 0x40,
    TCP_FLAG_CWR = 0x80,
};

// The header length a TCP header states, in bytes.
inline uint32_t TcpHeaderLength(const uint8_t* pTcp)
{
    return (pTcp[kTcpDataOffsetOffset] >> kTcpHeaderWordsShift) * kHeaderWordSize;
}

constexpr uint32_t kUdpLengthOffset = 4;  // header and payload
constexpr uint32_t kUdpChecksumOffset = 6;
constexpr uint32_t kUdpHeaderSize = 8;

// ---- ICMP ------------------------------------------------------------------------

constexpr uint32_t kIcmpTypeOffset = 0;
constexpr uint32_t kIcmpCodeOffset = 1;
constexpr uint32_t kIcmpChecksumOffset = 2;
constexpr uint32_t kIcmpRestOffset = 4;
constexpr uint32_t kIcmpHeaderSize = 8;

// The ICMP types whose messages quote the offending packet behind the
// ICMP header.
enum EIcmpErrorType : uint8_t {
    ICMP_TYPE_DEST_UNREACH = 3,
    ICMP_TYPE_SOURCE_QUENCH = 4,
    ICMP_TYPE_REDIRECT = 5,
    ICMP_TYPE_TIME_EXCEEDED = 11,
    ICMP_TYPE_PARAM_PROBLEM = 12,
};

#endif
