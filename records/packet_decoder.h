// Packet header decoding: locates the protocol headers inside the packet
// bytes of an 'M' or 'P' element and points the record's header fields at
// them (Ethernet, ARP, IPv4, TCP, UDP, ICMP and the headers quoted in ICMP
// errors).
//
// Only locating is done: nothing is copied or converted, readers take the
// fields from the headers in network byte order (records/packet_format.h).
// A header pointer is set only when the whole header lies inside the packet
// bytes.
//
// Ownership: the record's header pointers point into the caller's packet
// bytes and are valid as long as those bytes are.
#ifndef SARNITH_RECORDS_PACKET_DECODER_H
#define SARNITH_RECORDS_PACKET_DECODER_H

#include <cstdint>

#include "records/log_record.h"

enum EPacketKind {
    PACKET_IP,        // starts with the IPv4 header
    PACKET_ETHERNET,  // an Ethernet frame
};

// The two bytes of the source port (bDest false) or destination port of the
// TCP or UDP header quoted in an ICMP error; null when no such header was
// quoted or the quoted TCP bytes end before the port.
const uint8_t* QuotedPort(const CLogRecord& record, bool bDest);

// Clears every header field of the record and the quoted TCP length.
void ClearPacketHeaders(CLogRecord& record);

// Clears the header fields, then locates the headers of the nLength packet
// bytes at pPacket. Stops silently at the first header that does not fit.
void DecodePacket(CLogRecord& record, const uint8_t* pPacket, uint16_t nLength, EPacketKind eKind);

#endif
