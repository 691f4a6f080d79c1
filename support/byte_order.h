// Byte-order readers and writers for the stored formats: 16- and 32-bit
// numbers kept big-endian (element lengths, file and entry headers, packet
// headers, addresses in network order) or little-endian (the numbers inside
// several element kinds).
//
// Pure functions over the caller's bytes: the reader or writer is given a
// pointer to at least 2 or 4 valid bytes and keeps nothing.
#ifndef SARNITH_SUPPORT_BYTE_ORDER_H
#define SARNITH_SUPPORT_BYTE_ORDER_H

#include <cstdint>

inline uint16_t ReadBigEndian16(const uint8_t* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// Also a 4-byte address in network order as a number, first byte highest.
inline uint32_t ReadBigEndian32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

inline uint16_t ReadLittleEndian16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t ReadLittleEndian32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

inline void PutBigEndian16(uint8_t* p, uint16_t nValue)
{
    p[0] = static_cast<uint8_t>(nValue >> 8);
    p[1] = static_cast<uint8_t>(nValue);
}

inline void PutBigEndian32(uint8_t* p, uint32_t nValue)
{
    p[0] = static_cast<uint8_t>(nValue >> 24);
    p[1] = static_cast<uint8_t>(nValue >> 16);
    p[2] = static_cast<uint8_t>(nValue >> 8);
    p[3] = static_cast<uint8_t>(nValue);
}

inline void PutLittleEndian16(uint8_t* p, uint16_t nValue)
{
    p[0] = static_cast<uint8_t>(nValue);
    p[1] = static_cast<uint8_t>(nValue >> 8);
}

inline void PutLittleEndian32(uint8_t* p, uint32_t nValue)
{
    p[0] = static_cast<uint8_t>(nValue);
    p[1] = static_cast<uint8_t>(nValue >> 8);
    p[2] = static_cast<uint8_t>(nValue >> 16);
    p[3] = static_cast<uint8_t>(nValue >> 24);
}

#endif
