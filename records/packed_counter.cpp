// Packed counters (a 6-bit exponent and a 10-bit mantissa in two bytes) read
// as a 32-bit number when the value fits, or as a double.
#include "records/packed_counter.h"

#include <cmath>

#include "records/element_format.h"

namespace {

unsigned Exponent(const uint8_t* pBytes)
{
    return pBytes[0] >> kPackedExponentShift;
}

uint32_t Mantissa(const uint8_t* pBytes)
{
    return (static_cast<uint32_t>(pBytes[0] & kPackedMantissaHighMask) << 8) | pBytes[1];
}

}  // namespace

bool PackedCounterToUInt32(const uint8_t* pBytes, uint32_t& nValue)
{
    uint32_t nMantissa = Mantissa(pBytes);
    unsigned nExponent = Exponent(pBytes);
    if (nMantissa == 0) {
        nValue = 0;
        return true;
    }
    if (nExponent >= 32)
        return false;
    uint64_t nWide = static_cast<uint64_t>(nMantissa) << nExponent;
    if (nWide > 0xFFFFFFFFull)
        return false;
    nValue = static_cast<uint32_t>(nWide);
    return true;
}

double PackedCounterToDouble(const uint8_t* pBytes)
{
    return std::ldexp(static_cast<double>(Mantissa(pBytes)), static_cast<int>(Exponent(pBytes)));
}
