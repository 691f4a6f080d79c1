// CValuePreparer: how the text layouts (labelled and delimited) keep stored
// text from breaking their lines: every value is cleaned before it goes into
// a line, and the finished line is trimmed. The JSON and CSV layouts escape
// or quote values instead and do not use it.
//
// A value is trimmed (characters 1 to 32 at both ends), its CR and LF
// become blanks, a value holding a blank or TAB is put in double quotes
// (its own double quotes becoming single quotes), and in the delimited
// layout the delimiters are replaced inside it: TAB by a blank, ";" by ","
// and "," by ";" when the delimiter or the ending delimiter is that
// character ("#" is never replaced). So a value never adds a line or a
// cell, whatever a stored text holds.
//
// The finished line loses the characters 1 to 32 at both ends, except, in
// the delimited layout, the delimiter and the ending delimiter: the cells
// of a row stay in step with the header even when the first or last ones
// are empty.
//
// Most values hold none of the bytes that trimming, line breaks, quoting or
// the delimiters concern: one look at each of their bytes passes them.
//
// Ownership: the preparer keeps a copy of the settings; it edits the
// caller's line in place and keeps nothing of it.
#ifndef SARNITH_OUTPUT_VALUE_PREPARER_H
#define SARNITH_OUTPUT_VALUE_PREPARER_H

#include <cstddef>

#include "output/line_buffer.h"
#include "output/output_settings.h"

class CValuePreparer {
public:
    explicit CValuePreparer(const COutputSettings& settings);

    bool IsDelimited() const { return m_settings.m_cDelimiter != 0; }

    // Cleans the value that runs from nStart to the end of the line; false
    // when nothing is left of it after trimming.
    bool Prepare(CLineBuffer& line, size_t nStart) const
    {
        const unsigned char* pByte = reinterpret_cast<const unsigned char*>(line.GetData()) + nStart;
        const unsigned char* pEnd = reinterpret_cast<const unsigned char*>(line.GetData()) + line.GetLength();
        while (pByte < pEnd && !m_abChanging[*pByte])
            ++pByte;
        if (pByte == pEnd)
            return line.GetLength() > nStart;
        return Clean(line, nStart);
    }

    // Trims the finished line that runs from nStart to the end of the buffer.
    void TrimLine(CLineBuffer& line, size_t nStart) const;

private:
    bool Clean(CLineBuffer& line, size_t nStart) const;
    void KeepDelimitersOut(CLineBuffer& line, size_t nStart) const;
    bool EitherDelimiterIs(char ch) const { return m_settings.m_cDelimiter == ch || m_settings.m_cEndDelimiter == ch; }
    bool IsLineTrimChar(char ch) const;

    COutputSettings m_settings;
    // The bytes a value may hold and still pass unchanged are false here:
    // a value without any true one needs no cleaning.
    bool m_abChanging[256];
};

#endif
