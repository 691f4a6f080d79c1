// The stored form of a daily log file, which is also the form of the binary
// output stream: the sizes, offsets and fixed bytes of its file header and
// entry headers, named once for the reader, the binary writer and the
// test-data writer.
//
//   file header, 20 bytes:  tag "LOG", format byte 0x10, first entry time,
//                           last entry time (both 0 while the file is written);
//   entry header, 16 bytes: format byte 0x10, a zero byte, body length,
//                           previous body length, two zero bytes, entry time;
//   body: the entry's element list (records/element_format.h).
// An entry header whose body length is 0 ends the entries (the end marker).
// Lengths are big-endian 16-bit numbers; a time is a LogTime stored as two
// big-endian 32-bit halves, low half first.
//
// Everything here is constant or works on the caller's bytes and keeps nothing.
#ifndef SARNITH_STORAGE_LOG_FILE_FORMAT_H
#define SARNITH_STORAGE_LOG_FILE_FORMAT_H

#include <cstddef>
#include <cstdint>

#include "storage/log_entry.h"
#include "support/byte_order.h"

// The byte that follows the tag of the file header and opens every entry header.
constexpr uint8_t kLogFormatByte = 0x10;

// File header.
constexpr char kLogFileTag[] = "LOG";
constexpr size_t kLogFileTagSize = 3;
constexpr size_t kFileTagOffset = 0;
constexpr size_t kFileFormatByteOffset = 3;
constexpr size_t kFileFirstTimeOffset = 4;
constexpr size_t kFileLastTimeOffset = 12;
constexpr size_t kLogFileHeaderSize = 20;

// Entry header.
constexpr size_t kEntryFormatByteOffset = 0;
constexpr size_t kEntryBodyLengthOffset = 2;
constexpr size_t kEntryPrevLengthOffset = 4;
constexpr size_t kEntryTimeOffset = 8;
constexpr size_t kLogEntryHeaderSize = 16;

// A stored time: the offsets of its halves.
constexpr size_t kTimeLowHalfOffset = 0;
constexpr size_t kTimeHighHalfOffset = 4;
constexpr size_t kStoredTimeSize = 8;

inline uint32_t ReadTimeLowHalf(const uint8_t* pTime)
{
    return ReadBigEndian32(pTime + kTimeLowHalfOffset);
}

inline uint32_t ReadTimeHighHalf(const uint8_t* pTime)
{
    return ReadBigEndian32(pTime + kTimeHighHalfOffset);
}

inline LogTime ReadStoredTime(const uint8_t* pTime)
{
    return static_cast<LogTime>(ReadTimeHighHalf(pTime)) << 32 | ReadTimeLowHalf(pTime);
}

inline void PutStoredTime(uint8_t* pTime, uint32_t nLowHalf, uint32_t nHighHalf)
{
    PutBigEndian32(pTime + kTimeLowHalfOffset, nLowHalf);
    PutBigEndian32(pTime + kTimeHighHalfOffset, nHighHalf);
}

#endif
