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

// The bytes that may need an escape: the control characters, the double
// quote and the backslash, and every byte of a multi-byte sequence.
struct CJsonEscapeTable {
    constexpr CJsonEscapeTable() : m_abMayNeed()
    {
        for (int i = 0; i < 256; ++i)
            m_abMayNeed[i] = i < 0x20 || i >= 0x80 || i == '"' || i == '\\';
    }
    bool m_abMayNeed[256];
};

inline constexpr CJsonEscapeTable kJsonEscapeTable;

// Escapes the text from nFirst, a byte that may need an escape, to the end
// of the line in place; scratch holds a copy of it meanwhile.
void EscapeJsonTailFrom(CLineBuffer& line, size_t nFirst, CLineBuffer& scratch);

// Escapes the text from nStart to the end of the line in place. Text that
// needs no escape is only looked at.
inline void EscapeJsonTail(CLineBuffer& line, size_t nStart, CLineBuffer& scratch)
{
    const unsigned char* pBytes = reinterpret_cast<const unsigned char*>(line.GetData());
    size_t nEnd = line.GetLength();
    size_t nFirst = nStart;
    while (nFirst < nEnd && !kJsonEscapeTable.m_abMayNeed[pBytes[nFirst]])
        ++nFirst;
    if (nFirst != nEnd)
        EscapeJsonTailFrom(line, nFirst, scratch);
}

#endif
