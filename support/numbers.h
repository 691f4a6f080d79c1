// Number reading shared by the lexer, the filter values and the command line.
//
// ReadAutoBase reads an unsigned 32-bit number whose base its prefix selects:
// "$", "x", "X", "0x", "0X" hexadecimal; "b", "B", "0b", "0B" binary; "0"
// followed by 0-7 octal; anything else decimal. Digits are taken while they
// are valid in the base (letters count as 10 to 35). When the next digit
// would overflow 32 bits the scan stops: the value read so far is the result,
// or, when multiplying by the base still fits but adding the digit does not,
// that product. Nothing is allocated; the caller owns the text.
#ifndef SARNITH_SUPPORT_NUMBERS_H
#define SARNITH_SUPPORT_NUMBERS_H

#include <cstdint>

// Reads from p up to (not including) pEnd, after skipping blanks and tabs.
// Returns the value (0 without digits); nDigits receives the number of digits
// taken, pAfter the first character not taken.
uint32_t ReadAutoBase(const char* p, const char* pEnd, int& nDigits, const char*& pAfter);

// The value of a digit character in bases up to 36, or 99 for any other character.
int DigitValue(char ch);

#endif
