// GetTokenText: the whole text of the lexer's current token as a CSString.
//
// Shared by the statement parser and the time statement parser, which take
// names and dates of any length. The caller owns the string it passes in.
#ifndef SARNITH_LQL_TOKEN_TEXT_H
#define SARNITH_LQL_TOKEN_TEXT_H

#include <cstdint>

#include "lql/lexer.h"
#include "support/sstring.h"

// Fills str with the current token's text; false (str unchanged) when the
// text is longer than the lexer can copy out (65534 characters).
inline bool GetTokenText(const CLqlLexer& lexer, CSString& str)
{
    int nLength = lexer.GetTextLength();
    if (nLength + 1 > UINT16_MAX)
        return false;
    CSString strText;
    char* pszBuffer = strText.GetBuffer(nLength + 1);
    lexer.GetText(pszBuffer, static_cast<uint16_t>(nLength + 1));
    strText.ReleaseBuffer(nLength);
    str = strText;
    return true;
}

#endif
