// Number reading shared by the lexer, the time statements, the filter values,
// the configuration and the command line.
//
// ReadDigits is the one digit reader: it takes the digits of a base while
// the value stays within a limit, and says how many it took, where it
// stopped and whether it stopped because the next digit would have gone
// past the limit. What may stand around the digits (blanks, a sign, what
// must follow) and what a missing or too large number means stay with each
// caller.
//
// ReadAutoBase reads an unsigned 32-bit number whose base its prefix selects:
// "$", "x", "X", "0x", "0X" hexadecimal; "b", "B", "0b", "0B" binary; "0"
// followed by 0-7 octal; anything else decimal. Digits are taken while they
// are valid in the base (letters count as 10 to 35). When the next digit
// would overflow 32 bits the scan stops: the value read so far is the result,
// or, when multiplying by the base still fits but adding the digit does not,
// that product.
//
// Nothing is allocated; the caller owns the text.
#ifndef SARNITH_SUPPORT_NUMBERS_H
#define SARNITH_SUPPORT_NUMBERS_H

#include <cstdint>

// What ReadDigits found.
struct CDigitRun {
    uint32_t m_nValue;     // the value of the digits taken (0 without any)
    int m_nDigits;         // how many digits were taken
    bool m_bTooLarge;      // the scan stopped at a digit that would have passed the limit
    const char* m_pAfter;  // the first character not taken
};

// Takes the digits of nBase (2 to 36; letters count as 10 to 35) from p on,
// up to (not including) pEnd, while the value stays at most nMax. Nothing in
// front of the digits is skipped.
CDigitRun ReadDigits(const char* p, const char* pEnd, uint32_t nBase, uint32_t nMax);

// The same up to the end of the zero-terminated text psz.
CDigitRun ReadDigits(const char* psz, uint32_t nBase, uint32_t nMax);

// Reads from p up to (not including) pEnd, after skipping blanks and tabs.
// Returns the value (0 without digits); nDigits receives the number of digits
// taken, pAfter the first character not taken.
uint32_t ReadAutoBase(const char* p, const char* pEnd, int& nDigits, const char*& pAfter);

// The value of a digit character in bases up to 36, or 99 for any other character.
int DigitValue(char ch);

#endif
