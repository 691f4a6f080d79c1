// Packed counters: a 2-byte encoding of a count of up to 32 bits, laid out
// in records/element_format.h: an exponent E and a 10-bit mantissa M that
// stand for M shifted left by E bits. Pure functions over the caller's bytes.
#ifndef SARNITH_RECORDS_PACKED_COUNTER_H
#define SARNITH_RECORDS_PACKED_COUNTER_H

#include <cstdint>

// The 32-bit reading; false when the value does not fit into 32 bits.
bool PackedCounterToUInt32(const uint8_t* pBytes, uint32_t& nValue);

// M x 2^E in double precision.
double PackedCounterToDouble(const uint8_t* pBytes);

#endif
