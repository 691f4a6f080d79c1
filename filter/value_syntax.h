// Readers of the value syntaxes that search parameters share: decimal
// numbers, IPv4 addresses and Ethernet addresses.
//
// The readers work on the caller's text, allocate nothing and keep no state;
// results go into the caller's variables.
#ifndef SARNITH_FILTER_VALUE_SYNTAX_H
#define SARNITH_FILTER_VALUE_SYNTAX_H

#include <cstdint>

// A decimal number in [p, pEnd): leading blanks and tabs are skipped, at
// least one digit is needed, the value must fit in 32 bits and must not
// exceed nMax, and the digits must be followed by the end or by white space
// (whatever follows that white space is not read).
bool ReadDecimal(const char* p, const char* pEnd, uint32_t nMax, uint32_t& nValue);

// The same on a zero-terminated text.
bool ReadDecimal(const char* psz, uint32_t nMax, uint32_t& nValue);

// Decimal digits from p on, at least one, with a value of at most nMax.
// Returns the character after them, or null.
const char* ReadSmallDecimal(const char* p, uint32_t nMax, uint32_t& nValue);

// Four decimal numbers 0 to 255 separated by ".", after leading blanks and
// tabs; the bytes go to aAddress in network order. Returns the character
// after the fourth number (not examined), or null when the text is no
// address.
const char* ReadIpv4(const char* psz, uint8_t aAddress[4]);

// Six hexadecimal byte values separated by "-" (0a-b0-c9-de-f1-2a), by ":"
// (0a:b0:c9:de:f1:2a), or three groups of two bytes separated by ":"
// (0ab0:c9de:f12a), tried in that order after leading blanks and tabs;
// whatever follows the sixth value is not examined.
bool ReadEthernet(const char* psz, uint8_t aAddress[6]);

#endif
