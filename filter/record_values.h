// The record values that the conditions (CSearchParam) and the IN lists
// (CSearchIn) of a filter both look for in the same places: the headers an
// ICMP error quotes and the connection block of the last connection item.
// One lookup serves both kinds of leaf; each compares the bytes it is given
// in its own way.
//
// Ownership: the returned bytes lie in the element list the record was
// decoded from and are valid as long as the record's own pointers are
// (records/log_record.h).
#ifndef SARNITH_FILTER_RECORD_VALUES_H
#define SARNITH_FILTER_RECORD_VALUES_H

#include <cstdint>

#include "records/log_record.h"

enum ERecordValue {
    RECORD_VALUE_NONE,      // looked for in neither place
    RECORD_VALUE_SRC_ADDR,  // an IPv4 address: 4 bytes in network order
    RECORD_VALUE_DEST_ADDR,
    RECORD_VALUE_PROTOCOL,  // an IP protocol number: 1 byte
    RECORD_VALUE_SRC_PORT,  // a port: 2 bytes, big-endian
    RECORD_VALUE_DEST_PORT,
};

// The value in the headers an ICMP error quotes: the addresses and protocol
// of the quoted IPv4 header, the ports of the quoted TCP or UDP header. Null
// when the record has no ICMP header or its error quotes no such header.
const uint8_t* FindQuotedValue(const CLogRecord& record, ERecordValue eValue);

// The value in the connection block of the last connection item; null
// without connection items.
const uint8_t* FindConnBlockValue(const CLogRecord& record, ERecordValue eValue);

#endif
