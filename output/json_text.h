// The inside of JSON strings: texts escaped so that every output line is
// valid JSON and valid UTF-8 whatever bytes a log entry holds.
//
// The double quote and the backslash are escaped with a backslash; the
// control characters below 0x20 as \b, \t, \n, \f, \r or \u00XX. Valid UTF-8
// sequences pass unchanged; every byte that does not belong to one (a lone
// byte of 0x80 or above, an overlong form, a surrogate, a code point above
// U+10FFFF, a cut sequence) becomes \u00XX of the byte, so that nothing is
// lost and a byte of a Latin-1 text reads as its character.
//
// Nothing is allocated beyond the growth of the caller's buffers.
#ifndef SARNITH_OUTPUT_JSON_TEXT_H
#define SARNITH_OUTPUT_JSON_TEXT_H

#include <cstddef>

#include "output/line_buffer.h"

// Appends the nLength bytes at pText, escaped.
void AppendJsonEscaped(CLineBuffer& line, const char* pText, size_t nLength);

// Escapes the text from nStart to the end of the line in place; scratch
// holds a copy of it meanwhile. Text that needs no escape is left as it is
// without being copied.
void EscapeJsonTail(CLineBuffer& line, size_t nStart, CLineBuffer& scratch);

#endif
