// The LQL lexer: token scanning, token texts and numbers, and the context
// shown above a reported message.
#include "lql/lexer.h"

#include <cstring>

#include "support/ascii.h"
#include "support/numbers.h"

namespace {

// The one-character tokens and their types.
const struct {
    char m_ch;
    int32_t m_nType;
} g_aCharTokens[] = {
    // clang-format off
    { '=', TOKEN_EQUAL    },
    { '>', TOKEN_GREATER  },
    { '<', TOKEN_LESS     },
    { '(', TOKEN_LPAREN   },
    { ')', TOKEN_RPAREN   },
    { '[', TOKEN_LBRACKET },
    { ']', TOKEN_RBRACKET },
    { ',', TOKEN_COMMA    },
    // clang-format on
};

// Characters that end a word: blank, single quote and the one-character tokens.
const char g_szDelimiters[] = " '()[]<=>,";

int32_t CharTokenType(char ch)
{
    for (const auto& token : g_aCharTokens)
        if (token.m_ch == ch)
            return token.m_nType;
    return -1;
}

constexpr int kKeywordBuffer = 256;

// GetNumber's answer for a text without a number or with one too large.
constexpr uint32_t kNoNumber = 0xFFFFFFFFu;

}  // namespace

bool IsLqlDelimiter(char ch)
{
    return ch != '\0' && std::strchr(g_szDelimiters, ch) != nullptr;
}

CLqlLexer::CLqlLexer(const char* pszStatement)
    : m_szContext{},
      m_nCaretColumn(0),
      m_pszStatement(pszStatement),
      m_pPos(pszStatement),
      m_pTokenStart(pszStatement),
      m_pTokenEnd(pszStatement),
      m_pTokenBegin(pszStatement),
      m_nType(TOKEN_ERROR)
{
}

CLqlLexer::Token CLqlLexer::Scan() const
{
    Token token;
    token.m_pStart = m_pTokenStart;
    token.m_pEnd = m_pTokenEnd;
    const char* p = m_pPos;
    while (IsTrimChar(*p))
        ++p;
    token.m_pBegin = p;

    if (*p == '\0') {
        token.m_nType = TOKEN_END;
        token.m_pNext = p;
        return token;
    }

    int32_t nCharType = CharTokenType(*p);
    if (nCharType != -1) {
        token.m_pStart = token.m_pEnd = p;
        token.m_pNext = p + 1;
        token.m_nType = nCharType;
        return token;
    }

    if (*p == '\'') {
        const char* q = p + 1;
        while (*q != '\0' && *q != '\'')
            ++q;
        token.m_pStart = p + 1;
        token.m_pEnd = q - 1;
        if (*q == '\0') {
            token.m_pNext = q;
            token.m_nType = TOKEN_ERROR;
        } else {
            token.m_pNext = q + 1;
            token.m_nType = TOKEN_STRING;
        }
        return token;
    }

    if (*p == '"') {
        // The text keeps both quotes; whatever follows the closing quote up
        // to the next delimiter belongs to no token. Without a closing quote
        // the text runs to the end of the statement.
        const char* q = p + 1;
        while (*q != '\0' && *q != '"')
            ++q;
        token.m_pStart = p;
        if (*q == '"') {
            token.m_pEnd = q;
            ++q;
            while (*q != '\0' && !IsLqlDelimiter(*q))
                ++q;
        } else {
            token.m_pEnd = q - 1;
        }
        token.m_pNext = q;
        token.m_nType = TOKEN_STRING;
        return token;
    }

    const char* q = p;
    while (*q != '\0' && !IsLqlDelimiter(*q))
        ++q;
    token.m_pStart = p;
    token.m_pEnd = q - 1;
    token.m_pNext = q;

    size_t nLength = static_cast<size_t>(q - p);
    int32_t nId = -1;
    if (nLength < kKeywordBuffer) {
        char szWord[kKeywordBuffer];
        std::memcpy(szWord, p, nLength);
        szWord[nLength] = '\0';
        nId = CKeywordTable::LookupKeyword(szWord);
    }
    if (nId != -1) {
        token.m_nType = nId;
    } else {
        bool bDigits = true;
        for (const char* r = p; r < q; ++r)
            if (!IsDecimalDigit(*r))
                bDigits = false;
        token.m_nType = bDigits ? TOKEN_NUMBER : TOKEN_STRING;
    }
    return token;
}

int32_t CLqlLexer::Next()
{
    if (m_nType == TOKEN_END)
        return TOKEN_END;
    Token token = Scan();
    m_pPos = token.m_pNext;
    m_pTokenStart = token.m_pStart;
    m_pTokenEnd = token.m_pEnd;
    m_pTokenBegin = token.m_pBegin;
    m_nType = token.m_nType;
    return m_nType;
}

int32_t CLqlLexer::Peek()
{
    if (m_nType == TOKEN_END)
        return TOKEN_END;
    return Scan().m_nType;
}

void CLqlLexer::PushBack()
{
    if (m_nType == TOKEN_END)
        return;
    m_pPos = m_pTokenBegin;
}

int CLqlLexer::GetTextLength() const
{
    int nLength = static_cast<int>(m_pTokenEnd - m_pTokenStart) + 1;
    return nLength < 0 ? 0 : nLength;
}

char* CLqlLexer::GetText(char* pszBuffer, uint16_t nSize) const
{
    int nLength = GetTextLength();
    if (nLength + 1 > static_cast<int>(nSize))
        return nullptr;
    if (nLength > 0)
        std::memcpy(pszBuffer, m_pTokenStart, static_cast<size_t>(nLength));
    pszBuffer[nLength] = '\0';
    return pszBuffer;
}

uint32_t CLqlLexer::GetNumber() const
{
    const char* p = m_pTokenStart;
    const char* pEnd = m_pTokenStart + GetTextLength();
    while (p < pEnd && IsBlankOrTab(*p))
        ++p;
    CDigitRun run = ReadDigits(p, pEnd, 10, UINT32_MAX);
    return run.m_nDigits == 0 || run.m_bTooLarge ? kNoNumber : run.m_nValue;
}

uint32_t CLqlLexer::GetNumberAuto() const
{
    int nDigits = 0;
    const char* pAfter = nullptr;
    return ReadAutoBase(m_pTokenStart, m_pTokenStart + GetTextLength(), nDigits, pAfter);
}

void CLqlLexer::ScanTo(char chStop)
{
    const char* q = m_pPos;
    while (*q != '\0' && *q != chStop)
        ++q;
    m_pTokenBegin = m_pPos;
    m_pTokenStart = m_pPos;
    m_pTokenEnd = q - 1;
    m_nType = *q == '\0' ? TOKEN_ERROR : TOKEN_STRING;
    m_pPos = q;
}

const char* CLqlLexer::SetErrorContext(const char* pszMessage)
{
    const char* pStart = m_pszStatement;
    const char* pStatementEnd = m_pszStatement + std::strlen(m_pszStatement);
    const char* pPos = m_pPos;
    if (pStatementEnd == pStart) {
        m_szContext[0] = '\0';
        m_nCaretColumn = 0;
        return pszMessage;
    }

    // Context end: three delimiters ahead of the character after the position.
    const char* pEnd = pPos < pStatementEnd ? pPos + 1 : pStatementEnd;
    for (int nRound = 0; nRound < 3 && pEnd < pStatementEnd; ++nRound) {
        while (pEnd < pStatementEnd && !IsLqlDelimiter(*pEnd))
            ++pEnd;
        if (pEnd < pStatementEnd)
            ++pEnd;
    }
    if (pEnd >= pStatementEnd)
        pEnd = pStatementEnd - 1;  // the context ends with the statement's last character

    // Context start: seven delimiters back from the position. Offsets keep
    // the scan from pointing in front of the statement.
    long nContextStart = pPos - pStart;
    for (int nRound = 0; nRound < 7; ++nRound) {
        long n = nContextStart - 1;
        while (n >= 0 && !IsLqlDelimiter(pStart[n]))
            --n;
        if (n < 0) {
            nContextStart = 0;
            break;
        }
        nContextStart = n;
    }
    const char* pContextStart = pStart + nContextStart;
    if (pContextStart > pEnd)
        pContextStart = pEnd < pStart ? pStart : pEnd;

    // A context longer than the buffer keeps up to 127 characters in front of
    // the token and as much as fits behind it.
    const char* pShowFrom = pContextStart;
    if (pEnd - pContextStart + 1 > kMaxContext && m_pTokenStart - pContextStart > kMaxContext / 2)
        pShowFrom = m_pTokenStart - kMaxContext / 2;
    long nShow = pEnd - pShowFrom + 1;
    if (nShow > kMaxContext)
        nShow = kMaxContext;
    if (nShow < 0)
        nShow = 0;
    std::memcpy(m_szContext, pShowFrom, static_cast<size_t>(nShow));
    m_szContext[nShow] = '\0';

    long nCaret = m_pTokenStart - pShowFrom;
    m_nCaretColumn = nCaret < 0 ? 0 : static_cast<int>(nCaret);

    m_pTokenStart = pContextStart;
    m_pTokenEnd = pEnd;
    return pszMessage;
}
