// CLqlLexer: cuts an LQL statement into tokens, one at a time, on demand.
//
// The lexer keeps one current token (type, start, end) and a position; token
// types are keyword ids or the token types 83 to 94 of the keyword table. It
// also computes the context shown above a reported message (SetErrorContext).
//
// Ownership: the lexer does not own the statement text, which must outlive
// it; token texts are views into that text and are copied out with GetText.
#ifndef SARNITH_LQL_LEXER_H
#define SARNITH_LQL_LEXER_H

#include <cstdint>

#include "lql/keyword_table.h"

class CLqlLexer {
public:
    enum { kMaxContext = 255 };

    explicit CLqlLexer(const char* pszStatement);

    // Reads the next token and makes it current; returns its type. Once the
    // end has been reached it is returned for ever.
    int32_t Next();
    // The type Next would return now; nothing changes.
    int32_t Peek();
    int32_t GetType() const { return m_nType; }
    // The next Next returns the current token again (words, one-character
    // tokens and the end).
    void PushBack();

    // Copies the current token's text and a terminator into pszBuffer; null
    // (and nothing copied) when they need more than nSize characters.
    char* GetText(char* pszBuffer, uint16_t nSize) const;
    // Length of the current token's text.
    int GetTextLength() const;
    // The current token's text read as a decimal number; 4294967295 when it
    // has no digit or the value does not fit 32 bits.
    uint32_t GetNumber() const;
    // The current token's text read as a number in the base its prefix selects.
    uint32_t GetNumberAuto() const;
    // Makes the raw text from the position up to chStop the current token:
    // type String when chStop was found (the position stays on it), Error
    // when the text ended first.
    void ScanTo(char chStop);

    // Computes the context text and caret column for the current token and
    // returns pszMessage unchanged.
    const char* SetErrorContext(const char* pszMessage);
    const char* GetContext() const { return m_szContext; }
    int GetCaretColumn() const { return m_nCaretColumn; }

private:
    // Classifies the token at m_pPos without changing the current token.
    struct Token {
        const char* m_pStart;
        const char* m_pEnd;    // last character of the text (m_pStart - 1 when empty)
        const char* m_pNext;   // position after the token
        const char* m_pBegin;  // where the token's raw text begins (a quote included)
        int32_t m_nType;
    };
    Token Scan() const;

    char m_szContext[kMaxContext + 1];
    int m_nCaretColumn;
    const char* m_pszStatement;
    const char* m_pPos;
    const char* m_pTokenStart;
    const char* m_pTokenEnd;
    const char* m_pTokenBegin;  // where PushBack returns to
    int32_t m_nType;
};

// The ten characters that end a word: blank, single quote, ( ) [ ] < = > and comma.
bool IsLqlDelimiter(char ch);

#endif
