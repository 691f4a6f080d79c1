// The framing of a gzip member around its raw deflate data, named once for
// the daily-file stream that parses it and the tests that build damaged or
// unusual members.
//
//   header, 10 bytes:  magic 1f 8b, method (8: deflate), flags, modification
//                      time (4), extra flags, operating system;
//   optional fields, in this order, when their flag is set: extra field
//                      (2-byte little-endian length, then that many bytes),
//                      file name (zero-terminated), comment (zero-terminated),
//                      header CRC (2 bytes: the low half of the CRC-32 of every
//                      header byte before it);
//   the raw deflate data;
//   trailer, 8 bytes:  CRC-32 of the decoded bytes, their count modulo 2^32
//                      (both little-endian).
// A gzip file is one or more members, one after the other.
//
// Everything here is constant.
#ifndef SARNITH_STORAGE_GZIP_FORMAT_H
#define SARNITH_STORAGE_GZIP_FORMAT_H

#include <cstddef>
#include <cstdint>

constexpr uint8_t kGzipMagic[] = {0x1f, 0x8b};
constexpr size_t kGzipMagicSize = 2;
constexpr uint8_t kGzipMethodDeflate = 8;

// Header.
constexpr size_t kGzipMethodOffset = 2;
constexpr size_t kGzipFlagsOffset = 3;
constexpr size_t kGzipHeaderSize = 10;

// Header flags.
constexpr uint8_t kGzipFlagHeaderCrc = 0x02;
constexpr uint8_t kGzipFlagExtra = 0x04;
constexpr uint8_t kGzipFlagName = 0x08;
constexpr uint8_t kGzipFlagComment = 0x10;
constexpr uint8_t kGzipFlagsReserved = 0xe0;

// Optional header fields.
constexpr size_t kGzipExtraLengthSize = 2;
constexpr size_t kGzipHeaderCrcSize = 2;

// Trailer.
constexpr size_t kGzipTrailerCrcOffset = 0;
constexpr size_t kGzipTrailerSizeOffset = 4;
constexpr size_t kGzipTrailerSize = 8;

#endif
