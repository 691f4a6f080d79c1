// Entry builder: the bodies of stored log entries (element lists) and the
// packets carried inside them, for tests, benchmarks and the example database.
//
// An entry body is a concatenation of elements: a tag byte, one uninterpreted
// byte, a big-endian 16-bit data length and the data. CEntryBuilder appends
// elements one by one: any raw element (also with a length field that lies),
// and every known element kind from readable parameters. The free functions
// build the data of the structured elements and the packet headers, so a test
// can cut or alter them before wrapping them in an element.
//
// Tags, layouts and byte orders follow records/element_format.h, packet
// headers records/packet_format.h; the element tags, rule kinds, connection
// events, link kinds, Ethernet types, IP protocols and TCP flags named there
// are the values the builders take. IPv4 addresses are passed as host
// numbers (Ip("10.0.0.1") == 0x0A000001).
//
// Ownership: every function returns a byte vector that the caller owns;
// a builder owns the body it accumulates.
#ifndef SARNITH_TESTING_ENTRY_BUILDER_H
#define SARNITH_TESTING_ENTRY_BUILDER_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "records/element_format.h"
#include "records/packet_format.h"

namespace testdata {

typedef std::vector<uint8_t> Bytes;
typedef std::array<uint8_t, kMacAddressSize> CMac;
typedef std::array<uint8_t, kPackedCounterSize> CPackedCounter;

// ---------------------------------------------------------------- values

// "10.0.0.1" as the host number 0x0A000001. Aborts on a malformed address.
uint32_t Ip(const char* pszDotted);
// "00:11:22:33:44:55" (or "0011:2233:4455"). Aborts on a malformed address.
CMac Mac(const char* pszText);

// The 2-byte packed counter of a value: exact when the value has at most 10
// significant bits, otherwise the value with its lower bits cut off (the
// largest representable value not above it).
CPackedCounter PackCounter(uint32_t nValue);
// A packed counter from its exponent (0-63) and mantissa (0-1023), e.g. to
// build counters that have no 32-bit reading.
CPackedCounter PackCounterParts(unsigned nExponent, unsigned nMantissa);

// ---------------------------------------------------------------- bytes

void AppendBE16(Bytes& bytes, uint16_t nValue);
void AppendBE32(Bytes& bytes, uint32_t nValue);
void AppendLE16(Bytes& bytes, uint16_t nValue);
void AppendLE32(Bytes& bytes, uint32_t nValue);
void AppendBytes(Bytes& bytes, const Bytes& tail);
// The text's bytes followed by a zero byte.
void AppendText(Bytes& bytes, const std::string& strText);
// The text's bytes followed by a zero byte, as a vector.
Bytes Text(const std::string& strText);
// The first nCount bytes (all of them when there are fewer).
Bytes Head(const Bytes& bytes, size_t nCount);
// The pieces one after another.
Bytes Concat(std::initializer_list<Bytes> pieces);

// ---------------------------------------------------------------- element data

struct CRuleName {
    uint8_t m_nKind;  // ERuleKind, or any byte for malformed lists
    std::string m_strText;
};

// A connection item ('Z'). The names are written at data offset 4 and the
// connection block right behind them unless m_nBlockOffset says otherwise.
struct CConnSpec {
    uint8_t m_nEvent = CONN_OPEN;
    uint8_t m_nVersion = kAddressVersionIpv4;
    std::string m_strRecvIf = "lan";
    std::string m_strDestIf = "wan";
    uint32_t m_nOrigSent = 0;  // packed on writing
    uint32_t m_nTermSent = 0;  // packed on writing
    uint32_t m_nSrcIp = 0;
    uint32_t m_nDestIp = 0;
    uint8_t m_nProtocol = IPPROTO_NUM_TCP;
    uint16_t m_nSrcPort = 0;
    uint16_t m_nDestPort = 0;
    int m_nBlockOffset = -1;                 // the offset word B; -1: the length of both names
    size_t m_nBlockLength = kConnBlockSize;  // bytes of the block written (25 defined, then zeros); fewer cut it
};

// An interface usage item ('U' kind 0).
struct CUsageSpec {
    uint16_t m_nInterval = 60;
    std::string m_strIface = "lan";
    uint32_t m_nFirstBytes = 0;             // packed counter at kUsageFirstCounterOffset behind the name
    uint32_t m_nSecondBytes = 0;            // packed counter at kUsageSecondCounterOffset behind the name
    size_t m_nTailLength = kUsageTailSize;  // bytes behind the name's terminator; fewer cut the counters
};

// A user authentication ('u').
struct CAuthSpec {
    uint8_t m_nVersion = kAddressVersionIpv4;
    std::string m_strRule = "authrule";
    std::string m_strUser = "user";
    std::string m_strAgent = "agent";
    int8_t m_nEvent = 1;
    uint32_t m_nAddr = 0;
};

// A route ('r').
struct CRouteSpec {
    uint32_t m_nLowIp = 0;
    uint32_t m_nHighIp = 0;
    std::string m_strIface = "lan";
    uint32_t m_nGatewayIp = 0;
    uint32_t m_nMetric = 0;
};

// A dynamic routing event ('d').
struct CDynRoutingSpec {
    uint32_t m_nEvent = 1;
    std::string m_strSrcProc = "ospf";
    std::string m_strDestProc = "main";
};

Bytes RuleNamesData(const std::vector<CRuleName>& aRules);
Bytes ConnData(const CConnSpec& conn);
Bytes UsageData(const CUsageSpec& usage);
// 'U' kind 1: packed counters of the lowest, current and highest number of
// connections; kConnUsageSize bytes.
Bytes ConnUsageData(uint32_t nLowest, uint32_t nCurrent, uint32_t nHighest);
Bytes AuthData(const CAuthSpec& auth);
Bytes RouteData(const CRouteSpec& route);
Bytes DynRoutingData(const CDynRoutingSpec& dyn);
// 'M': link kind, length word (-1: the packet's length), packet bytes.
Bytes PacketData(const Bytes& packet, uint16_t nLinkKind = LINK_IP, int nLengthWord = -1);

// ---------------------------------------------------------------- builder

class CEntryBuilder {
public:
    // An element whose length field is the data's length (at most 65535 bytes).
    CEntryBuilder& Element(uint8_t nTag, const Bytes& data);
    // An element whose length field is nLength whatever the data holds.
    CEntryBuilder& ElementWithLength(uint8_t nTag, uint16_t nLength, const Bytes& data);
    // Bytes appended as they are (a cut-off element, trailing garbage).
    CEntryBuilder& RawBytes(const Bytes& bytes);

    // Counted texts: the text and its terminating zero.
    CEntryBuilder& CountedText(uint8_t nTag, const std::string& strText);
    CEntryBuilder& Category(const std::string& strText) { return CountedText(TAG_CATEGORY, strText); }
    CEntryBuilder& Event(const std::string& strText) { return CountedText(TAG_EVENT, strText); }
    CEntryBuilder& Action(const std::string& strText) { return CountedText(TAG_ACTION, strText); }
    CEntryBuilder& Explanation(const std::string& strText) { return CountedText(TAG_EXPLANATION, strText); }
    CEntryBuilder& Params(const std::string& strText) { return CountedText(TAG_PARAMS, strText); }
    CEntryBuilder& RecvIf(const std::string& strText) { return CountedText(TAG_RECV_IF, strText); }
    CEntryBuilder& GatewayName(const std::string& strText) { return CountedText(TAG_GATEWAY_NAME, strText); }

    CEntryBuilder& AlgModName(const std::string& strText);                             // 'A'
    CEntryBuilder& Severity(int32_t nSeverity);                                        // 'Y'
    CEntryBuilder& LogId(uint32_t nId, uint32_t nSecond = 0);                          // 'l'
    CEntryBuilder& DevTime(uint32_t nSeconds);                                         // 't'
    CEntryBuilder& AlgSessionId(uint32_t nId);                                         // 'a'
    CEntryBuilder& RuleNames(const std::vector<CRuleName>& aRules);                    // 'R'
    CEntryBuilder& Conn(const CConnSpec& conn);                                        // 'Z'
    CEntryBuilder& Usage(const CUsageSpec& usage);                                     // 'U' kind 0
    CEntryBuilder& ConnUsage(uint32_t nLowest, uint32_t nCurrent, uint32_t nHighest);  // 'U' kind 1
    CEntryBuilder& Auth(const CAuthSpec& auth);                                        // 'u'
    CEntryBuilder& Route(const CRouteSpec& route);                                     // 'r'
    CEntryBuilder& DynRouting(const CDynRoutingSpec& dyn);                             // 'd'
    CEntryBuilder& Ospf(uint8_t nSection, uint8_t nLevel);                             // 'o'
    CEntryBuilder& OText(const std::string& strText);                                  // 'O', text only
    CEntryBuilder& OText(const std::string& strText, uint32_t nFirst, uint32_t nSecond);
    CEntryBuilder& PacketBound(uint16_t nBound);                                                     // 'L'
    CEntryBuilder& Packet(const Bytes& packet, uint16_t nLinkKind = LINK_IP, int nLengthWord = -1);  // 'M'
    CEntryBuilder& EthernetPacket(const Bytes& frame);                                               // 'P'

    const Bytes& Body() const { return m_aBody; }
    const uint8_t* Data() const { return m_aBody.data(); }
    uint16_t Length() const;  // aborts when the body exceeds 65535 bytes
    void Clear() { m_aBody.clear(); }

private:
    Bytes m_aBody;
};

// ---------------------------------------------------------------- packets

struct CIpv4Spec {
    uint32_t m_nSrcIp = 0;
    uint32_t m_nDestIp = 0;
    uint8_t m_nProtocol = IPPROTO_NUM_TCP;
    uint8_t m_nTtl = 64;
    uint8_t m_nTos = 0;
    uint16_t m_nIdent = 0;
    uint16_t m_nFragment = 0;  // flags (top 3 bits) and fragment offset (low 13), as on the wire
    uint8_t m_nIhl = 5;        // header length in 32-bit words; options are zero bytes
    int m_nTotalLength = -1;   // -1: header plus payload
};

struct CTcpSpec {
    uint16_t m_nSrcPort = 0;
    uint16_t m_nDestPort = 0;
    uint32_t m_nSeq = 0;
    uint32_t m_nAck = 0;
    uint8_t m_nFlags = TCP_FLAG_SYN;
    uint16_t m_nWindow = 65535;
    uint8_t m_nDataOffset = 5;  // header length in 32-bit words; options are NOP bytes
    uint16_t m_nUrgent = 0;
};

// 14 bytes.
Bytes EthernetHeader(const CMac& dest, const CMac& src, uint16_t nType);
// 28 bytes: Ethernet/IPv4 ARP with the given opcode (1 request, 2 reply).
Bytes ArpPacket(uint16_t nOpcode, const CMac& senderMac, uint32_t nSenderIp, const CMac& targetMac, uint32_t nTargetIp);
// max(20, IHL x 4) bytes with a valid checksum; the total length counts
// nPayloadLength payload bytes unless the spec fixes it.
Bytes Ipv4Header(const CIpv4Spec& ip, size_t nPayloadLength);
// max(20, data offset x 4) bytes; the checksum is left 0.
Bytes TcpHeader(const CTcpSpec& tcp);
// 8 bytes; the length field is 8 + nPayloadLength.
Bytes UdpHeader(uint16_t nSrcPort, uint16_t nDestPort, uint16_t nPayloadLength);
// 8 bytes: type, code, checksum over the header and nothing else, then the
// 4-byte rest of header (identifier and sequence, or unused for errors).
Bytes IcmpHeader(uint8_t nType, uint8_t nCode, uint32_t nRest = 0);

// Whole packets (IPv4 header first); the spec's protocol is set to match.
Bytes IpPacket(const CIpv4Spec& ip, const Bytes& payload);
Bytes TcpPacket(CIpv4Spec ip, const CTcpSpec& tcp, const Bytes& payload = Bytes());
Bytes UdpPacket(CIpv4Spec ip, uint16_t nSrcPort, uint16_t nDestPort, const Bytes& payload = Bytes());
Bytes IcmpPacket(CIpv4Spec ip, uint8_t nType, uint8_t nCode, uint32_t nRest = 0, const Bytes& payload = Bytes());
// An ICMP error (type 3, 4, 5, 11 or 12) quoting the given bytes, normally
// the first bytes of the offending packet: Head(TcpPacket(...), 28).
Bytes IcmpError(CIpv4Spec ip, uint8_t nType, uint8_t nCode, const Bytes& quoted);
// An Ethernet frame around the payload.
Bytes EthernetFrame(const Bytes& payload, uint16_t nType = ETHER_TYPE_IPV4, const CMac& dest = Mac("00:00:5e:00:53:02"),
                    const CMac& src = Mac("00:00:5e:00:53:01"));

}  // namespace testdata

#endif
