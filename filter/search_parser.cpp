// The recursive descent over the WHERE clause that builds the filter tree,
// and the texts of its own syntax errors.
#include "filter/search_parser.h"

#include <new>
#include <utility>

#include "filter/search_in.h"
#include "filter/search_index.h"
#include "filter/search_param.h"
#include "lql/keyword_table.h"
#include "lql/lexer.h"
#include "support/ascii.h"
#include "support/error_text.h"

namespace {

enum ESearchParseError {
    SEARCH_ERR_SYNTAX,
    SEARCH_ERR_UNEXPECTED_END,
    SEARCH_ERR_MISSING_RIGHT_PAREN,
    SEARCH_ERR_UNKNOWN_OPERATOR,
    SEARCH_ERR_PARAMETER_VALUE,
    SEARCH_ERR_INDEX_VALUE,
    SEARCH_ERR_INDEX_OFFSET,
    SEARCH_ERR_LEFT_PAREN,
    SEARCH_ERR_IN_LIST,
    SEARCH_ERR_TOO_LONG,
    SEARCH_ERR_TOO_DEEP,
};

const char* const g_apszSearchParseErrors[] = {
    /* SEARCH_ERR_SYNTAX              */ "Error parsing the search statement",
    /* SEARCH_ERR_UNEXPECTED_END      */ "Unexpected end of input data",
    /* SEARCH_ERR_MISSING_RIGHT_PAREN */ "Missing right paranthes",
    /* SEARCH_ERR_UNKNOWN_OPERATOR    */ "Unknown operator",
    /* SEARCH_ERR_PARAMETER_VALUE     */ "Expected a parameter value",
    /* SEARCH_ERR_INDEX_VALUE         */ "Expected a value but no value found.",
    /* SEARCH_ERR_INDEX_OFFSET        */ "Expected a unsigned integer value",
    /* SEARCH_ERR_LEFT_PAREN          */ "Expected a left paranthes",
    /* SEARCH_ERR_IN_LIST             */ "Expected a string value",
    /* SEARCH_ERR_TOO_LONG            */ "Identifier length exceded",
    /* SEARCH_ERR_TOO_DEEP            */ "The search statement is nested too deeply",
};

[[noreturn]] void Raise(ESearchParseError eError)
{
    throw CErrorText(g_apszSearchParseErrors[eError]);
}

// A condition starts at every search parameter of the keyword table and at
// "icmpipproto", which is a search parameter without being listed as one.
bool StartsCondition(int32_t nType)
{
    if (nType == KEY_ICMPIPPROTO)
        return true;
    for (const CKeywordEntry* p = CKeywordTable::Entries(); p->m_pszName != nullptr; ++p)
        if (p->m_nId == nType && (p->m_nKind & KW_SEARCH) != 0)
            return true;
    return false;
}

bool IsValueToken(int32_t nType)
{
    return nType == TOKEN_STRING || nType == TOKEN_NUMBER;
}

// Characters stripped from both ends of an IN list: quotes and white space.
bool IsListPadding(char ch)
{
    return ch == '\'' || IsTrimChar(ch);
}

// Strips the padding from both ends of pszText in place; returns its new start.
char* StripListPadding(char* pszText)
{
    char* pStart = pszText;
    while (IsListPadding(*pStart))
        ++pStart;
    char* pEnd = pStart;
    while (*pEnd != '\0')
        ++pEnd;
    while (pEnd > pStart && IsListPadding(pEnd[-1]))
        --pEnd;
    *pEnd = '\0';
    return pStart;
}

}  // namespace

CSearchParser::CSearchParser(CLqlLexer* pLexer) : m_pLexer(pLexer), m_nNesting(0) {}

std::unique_ptr<CSearchFilter> CSearchParser::Parse()
{
    std::unique_ptr<CSearchNode> pTree = ParseOr();
    if (m_pLexer->Next() != TOKEN_END)
        Raise(SEARCH_ERR_SYNTAX);
    return std::unique_ptr<CSearchFilter>(new (std::nothrow) CSearchFilter(std::move(pTree)));
}

void CSearchParser::CopyTokenText(char (&szBuffer)[kValueBuffer])
{
    if (m_pLexer->GetText(szBuffer, kValueBuffer) == nullptr)
        Raise(SEARCH_ERR_TOO_LONG);
}

void CSearchParser::CheckTokenLength() const
{
    if (m_pLexer->GetTextLength() + 1 > kValueBuffer)
        Raise(SEARCH_ERR_TOO_LONG);
}

std::unique_ptr<CSearchNode> CSearchParser::ParseOr()
{
    std::unique_ptr<CSearchNode> pFirst = ParseAnd();
    CheckTokenLength();
    if (m_pLexer->Next() != KEY_OR) {
        m_pLexer->PushBack();
        return pFirst;
    }

    std::unique_ptr<CSearchList> pOr(new CSearchOr);
    pOr->Append(std::move(pFirst));
    for (;;) {
        pOr->Append(ParseAnd());
        CheckTokenLength();
        if (m_pLexer->Next() != KEY_OR) {
            m_pLexer->PushBack();
            return pOr;
        }
    }
}

std::unique_ptr<CSearchNode> CSearchParser::ParseAnd()
{
    std::unique_ptr<CSearchNode> pFirst = ParsePrimary();
    CheckTokenLength();
    if (m_pLexer->Next() != KEY_AND) {
        m_pLexer->PushBack();
        return pFirst;
    }

    std::unique_ptr<CSearchList> pAnd(new CSearchAnd);
    pAnd->Append(std::move(pFirst));
    for (;;) {
        pAnd->Append(ParsePrimary());
        if (m_pLexer->Next() != KEY_AND) {
            m_pLexer->PushBack();
            return pAnd;
        }
    }
}

std::unique_ptr<CSearchNode> CSearchParser::ParsePrimary()
{
    int32_t nType = m_pLexer->Next();
    if ((nType == KEY_NOT || nType == TOKEN_LPAREN) && ++m_nNesting > kMaxNesting)
        Raise(SEARCH_ERR_TOO_DEEP);
    switch (nType) {
    case KEY_NOT: {
        std::unique_ptr<CSearchNode> pChild = ParsePrimary();
        std::unique_ptr<CSearchNode> pNot(new CSearchNot(std::move(pChild)));
        --m_nNesting;
        return pNot;
    }
    case TOKEN_LPAREN: {
        std::unique_ptr<CSearchNode> pInner = ParseOr();
        if (m_pLexer->Next() != TOKEN_RPAREN)
            Raise(SEARCH_ERR_MISSING_RIGHT_PAREN);
        --m_nNesting;
        return pInner;
    }
    case TOKEN_END:
        Raise(SEARCH_ERR_UNEXPECTED_END);
    default:
        break;
    }
    if (!StartsCondition(nType))
        Raise(SEARCH_ERR_SYNTAX);

    switch (m_pLexer->Next()) {
    case KEY_IN:
        return ParseInStatement(nType);
    case TOKEN_LBRACKET:
        return ParseIndexStatement(nType);
    default:
        return ParseCondition(nType);
    }
}

ESearchOp CSearchParser::ParseOperator()
{
    switch (m_pLexer->GetType()) {
    case TOKEN_EQUAL:
        return SEARCH_OP_EQ;
    case TOKEN_GREATER:
        if (m_pLexer->Peek() != TOKEN_EQUAL)
            return SEARCH_OP_GT;
        m_pLexer->Next();
        return SEARCH_OP_GE;
    case TOKEN_LESS:
        if (m_pLexer->Peek() != TOKEN_EQUAL)
            return SEARCH_OP_LT;
        m_pLexer->Next();
        return SEARCH_OP_LE;
    default:
        Raise(SEARCH_ERR_UNKNOWN_OPERATOR);
    }
}

std::unique_ptr<CSearchNode> CSearchParser::ParseCondition(int32_t nParamId)
{
    ESearchOp eOp = ParseOperator();
    if (!IsValueToken(m_pLexer->Next()))
        Raise(SEARCH_ERR_PARAMETER_VALUE);
    char szValue[kValueBuffer];
    CopyTokenText(szValue);
    std::unique_ptr<CSearchParam> pParam(new CSearchParam);
    pParam->SetValue(nParamId, szValue, eOp);
    return pParam;
}

std::unique_ptr<CSearchNode> CSearchParser::ParseIndexStatement(int32_t nParamId)
{
    // A Number token holds decimal digits only: the offset is decimal, or
    // octal when it starts with 0.
    if (m_pLexer->Next() != TOKEN_NUMBER)
        Raise(SEARCH_ERR_INDEX_OFFSET);
    uint32_t nOffset = m_pLexer->GetNumberAuto();
    if (m_pLexer->Next() != TOKEN_RBRACKET)
        Raise(SEARCH_ERR_MISSING_RIGHT_PAREN);
    m_pLexer->Next();
    ESearchOp eOp = ParseOperator();
    if (!IsValueToken(m_pLexer->Next()))
        Raise(SEARCH_ERR_INDEX_VALUE);
    char szValue[kValueBuffer];
    CopyTokenText(szValue);
    std::unique_ptr<CSearchIndex> pIndex(new CSearchIndex);
    pIndex->SetValue(nParamId, szValue, eOp, nOffset);
    return pIndex;
}

std::unique_ptr<CSearchNode> CSearchParser::ParseInStatement(int32_t nParamId)
{
    if (m_pLexer->Next() != TOKEN_LPAREN)
        Raise(SEARCH_ERR_LEFT_PAREN);
    // The list is raw text up to the next ")": commas, quotes and blanks stay in it.
    m_pLexer->ScanTo(')');
    if (m_pLexer->GetType() != TOKEN_STRING)
        Raise(SEARCH_ERR_IN_LIST);
    std::unique_ptr<CSearchIn> pIn(new CSearchIn);
    char szList[kValueBuffer];
    CopyTokenText(szList);
    pIn->SetValue(nParamId, StripListPadding(szList));
    if (m_pLexer->Next() != TOKEN_RPAREN)
        Raise(SEARCH_ERR_MISSING_RIGHT_PAREN);
    return pIn;
}
