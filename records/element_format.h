// The element list of a stored entry: the element header, every element tag,
// the layouts of the structured elements and of the packed counter, and the
// words that name connection events. Named once for the decoder, the output
// columns, the filter and the test-data writer.
//
// An entry body is a run of elements, each a 4-byte header (tag byte, one
// free byte, big-endian 16-bit data length) followed by its data. Inside the
// data, lengths and the two words that open an 'M' element are big-endian;
// the 32-bit numbers of 'l', 't', 'Y', 'a', 'd', 'r' and the 16-bit numbers
// of 'Z' and 'U' are little-endian; addresses are in network order. Texts are
// zero-terminated.
//
// Everything here is constant data that lives as long as the program.
#ifndef SARNITH_RECORDS_ELEMENT_FORMAT_H
#define SARNITH_RECORDS_ELEMENT_FORMAT_H

#include <cstddef>
#include <cstdint>

#include "support/name_tables.h"

// ---- element header ------------------------------------------------------

constexpr uint32_t kElementTagOffset = 0;
constexpr uint32_t kElementLengthOffset = 2;
constexpr uint32_t kElementHeaderSize = 4;

enum EElementTag : uint8_t {
    // clang-format off
    TAG_ALG_MOD_NAME   = 'A',  // ALG module name, bounded by the element
    TAG_CATEGORY       = 'C',  // counted text
    TAG_EXPLANATION    = 'E',  // counted text
    TAG_GATEWAY_NAME   = 'F',  // counted text, not read
    TAG_RECV_IF        = 'I',  // counted text
    TAG_PACKET_BOUND   = 'L',  // big-endian 16-bit bound of the packet's length word
    TAG_PACKET         = 'M',  // link kind, length word, packet bytes
    TAG_O_TEXT         = 'O',  // a terminated text, then numbers that are not read
    TAG_ETHERNET_FRAME = 'P',  // an Ethernet frame
    TAG_RULES          = 'R',  // pairs of a rule kind and a text
    TAG_PARAMS         = 'S',  // counted text
    TAG_USAGE          = 'U',  // interface or connection usage
    TAG_SEVERITY       = 'Y',  // 32-bit number, exactly
    TAG_CONN           = 'Z',  // connection item
    TAG_ALG_SESSION_ID = 'a',  // 32-bit number
    TAG_DYN_ROUTING    = 'd',  // dynamic routing event
    TAG_EVENT          = 'e',  // counted text
    TAG_ACTION         = 'i',  // counted text
    TAG_LOG_ID         = 'l',  // 32-bit entry id, then a second number that is not read
    TAG_OSPF           = 'o',  // not read
    TAG_ROUTE          = 'r',  // route
    TAG_DEV_TIME       = 't',  // 32-bit device time
    TAG_AUTH           = 'u',  // user authentication
    // clang-format on
};

// ---- plain values --------------------------------------------------------

// The little-endian 32-bit number that opens 'Y', 'a', 'l' and 't'.
constexpr uint32_t kElementNumberSize = 4;
// A stored id, dynamic routing event or route metric of all ones: no value.
constexpr uint32_t kAbsentNumber = 0xFFFFFFFFu;
// 'L': a big-endian 16-bit number.
constexpr uint32_t kPacketBoundSize = 2;

// Counted texts carry their terminating zero in their length. Copied into a
// buffer of kCountedTextCopyLimit bytes, as the category column and the
// filter's text comparisons see them, a text keeps at most one character
// less than its length and never more than 1023 characters.
constexpr size_t kCountedTextCopyLimit = 1024;

inline size_t CountedTextCopyLength(uint16_t nLength)
{
    size_t nCopy = nLength < kCountedTextCopyLimit ? nLength : kCountedTextCopyLimit;
    return nCopy == 0 ? 0 : nCopy - 1;
}

// The version byte of 'Z' and 'u': their addresses are IPv4 addresses.
constexpr uint8_t kAddressVersionIpv4 = 4;

// ---- 'M': a packet -------------------------------------------------------

constexpr uint32_t kPacketLinkKindOffset = 0;    // big-endian 16-bit ELinkKind
constexpr uint32_t kPacketLengthWordOffset = 2;  // big-endian 16-bit length word
constexpr uint32_t kPacketBytesOffset = 4;

enum ELinkKind : uint16_t {
    LINK_IP = 0,        // the packet starts with its IPv4 header
    LINK_ETHERNET = 1,  // an Ethernet frame
};

// ---- 'R': rule names -----------------------------------------------------

// Kinds of the pairs of an 'R' element; kind 0 or above 5 ends the list.
enum ERuleKind : uint8_t {
    // clang-format off
    RULE_NAME      = 1,
    RULE_SAT_SRC   = 2,
    RULE_SAT_DEST  = 3,
    RULE_SRC_USER  = 4,
    RULE_DEST_USER = 5,
    // clang-format on
};

// ---- 'Z': a connection item ----------------------------------------------

// The data: event, version, a little-endian 16-bit block offset B counted
// from the names, the receiving and destination interface names, and the
// connection block at kConnNamesOffset + B.
constexpr uint32_t kConnEventOffset = 0;
constexpr uint32_t kConnVersionOffset = 1;
constexpr uint32_t kConnBlockWordOffset = 2;
constexpr uint32_t kConnNamesOffset = 4;

enum EConnEvent : uint8_t {
    CONN_OPEN = 1,
    CONN_CLOSING = 2,
    CONN_CLOSED = 3,
};

// The words of the connection events; other values have none.
inline constexpr CNameEntry g_connEvents[] = {
    // clang-format off
    { CONN_OPEN,    "open"    },
    { CONN_CLOSING, "closing" },
    { CONN_CLOSED,  "closed"  },
    { -1,           nullptr   },
    // clang-format on
};

// The connection block: two packed counters, the addresses in network
// order, the protocol, the big-endian ports; 25 bytes defined of 29.
enum EConnBlockOffset : uint32_t {
    CONN_BLOCK_ORIG_SENT = 0,
    CONN_BLOCK_TERM_SENT = 2,
    CONN_BLOCK_SRC_ADDR = 4,
    CONN_BLOCK_DEST_ADDR = 8,
    CONN_BLOCK_PROTOCOL = 20,
    CONN_BLOCK_SRC_PORT = 21,
    CONN_BLOCK_DEST_PORT = 23,
};
constexpr uint32_t kConnBlockSize = 29;

// ---- 'U': usage ----------------------------------------------------------

constexpr uint32_t kUsageIntervalOffset = 0;  // little-endian 16-bit seconds (interface usage)
constexpr uint32_t kUsageKindOffset = 2;
constexpr uint32_t kUsageNameOffset = 3;  // interface usage: the interface name

enum EUsageKind : uint8_t {
    USAGE_INTERFACE = 0,
    USAGE_CONNECTIONS = 1,
};

// Interface usage: the bytes behind the name's terminator hold two packed
// counters of bytes.
constexpr uint32_t kUsageFirstCounterOffset = 4;
constexpr uint32_t kUsageSecondCounterOffset = 6;
constexpr uint32_t kUsageTailSize = 9;

// Connection usage: packed counters of the lowest, current and highest
// number of connections.
constexpr uint32_t kConnUsageLowestOffset = 3;
constexpr uint32_t kConnUsageCurrentOffset = 5;
constexpr uint32_t kConnUsageHighestOffset = 7;
constexpr uint32_t kConnUsageSize = 13;

// ---- 'u': a user authentication -------------------------------------------

// The data: a free byte, the version, the rule, user and agent names, then
// the event and the address.
constexpr uint32_t kAuthVersionOffset = 1;
constexpr uint32_t kAuthTextsOffset = 2;
// Behind the agent's terminator.
constexpr uint32_t kAuthEventOffset = 0;  // signed byte, g_authEvents
constexpr uint32_t kAuthAddrOffset = 1;
constexpr uint32_t kAuthTailSize = 5;

// ---- 'r': a route ----------------------------------------------------------

// The data: the lowest and highest address of the range, the interface name,
// then the gateway address and the little-endian 32-bit metric.
constexpr uint32_t kRouteLowAddrOffset = 0;
constexpr uint32_t kRouteHighAddrOffset = 4;
constexpr uint32_t kRouteNameOffset = 8;
// Behind the name's terminator.
constexpr uint32_t kRouteGatewayOffset = 0;
constexpr uint32_t kRouteMetricOffset = 4;
constexpr uint32_t kRouteTailSize = 8;

// ---- 'd': a dynamic routing event -----------------------------------------

// The data: the little-endian 32-bit event, then the source and destination
// process names.
constexpr uint32_t kDynRoutingEventOffset = 0;
constexpr uint32_t kDynRoutingTextsOffset = 4;

// ---- packed counters -------------------------------------------------------

// Two bytes: the top 6 bits of the first byte are the exponent E; its low 2
// bits (high) and the second byte (low) form the 10-bit mantissa M; the value
// is M shifted left by E bits.
constexpr uint32_t kPackedCounterSize = 2;
constexpr unsigned kPackedExponentShift = 2;
constexpr uint8_t kPackedMantissaHighMask = 0x03;
constexpr unsigned kPackedMantissaBits = 10;
constexpr unsigned kPackedMaxExponent = 63;
constexpr unsigned kPackedMaxMantissa = (1u << kPackedMantissaBits) - 1;

#endif
