// The expected bytes of a binary output stream, spelt out independently of
// the writer under test: the 20-byte stream header and the 16-byte entry
// header in front of each entry (and of the end marker).
//
// Ownership: the results are plain strings owned by the caller.
#ifndef SARNITH_TESTS_COMMON_BINARY_STREAM_H
#define SARNITH_TESTS_COMMON_BINARY_STREAM_H

#include <cstdint>
#include <string>

#include "storage/log_entry.h"

// "LOG", 0x10 and sixteen zero bytes.
extern const std::string kStreamHeader;

// 0x10, 0, the body length, the previous body length, 0, 0, and the entry
// time as two big-endian halves, low half first.
std::string EntryHeader(uint16_t nLength, uint16_t nPrevLength, LogTime nTime);

#endif
