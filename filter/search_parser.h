// CSearchParser: turns the WHERE clause of a statement into a filter tree.
//
// Reads the tokens behind "where" from the statement's lexer with a
// recursive descent of three levels (OR, AND, primary): conditions
// ("srcip = 10.0.0.1"), index statements ("tcp[13] = 2"), IN statements
// ("destport in (80, 443)"), "not" and parentheses. Every leaf checks and
// converts its value while the tree is built. Any error is raised as a
// CErrorText carrying the message; the partial tree is destroyed on the way
// out and the lexer's current token is the failing one.
//
// Ownership: the lexer belongs to the caller. Parse hands the caller the
// CSearchFilter, which owns the whole tree.
#ifndef SARNITH_FILTER_SEARCH_PARSER_H
#define SARNITH_FILTER_SEARCH_PARSER_H

#include <cstdint>
#include <memory>

#include "filter/search_node.h"

class CLqlLexer;

class CSearchParser {
public:
    explicit CSearchParser(CLqlLexer* pLexer);

    // The filter of the rest of the statement; null only when the filter
    // object cannot be allocated. Raises CErrorText on any error.
    std::unique_ptr<CSearchFilter> Parse();

private:
    enum { kValueBuffer = 512 };  // a value text holds at most 511 characters
    enum { kMaxNesting = 200 };   // "not" and "(" inside each other

    std::unique_ptr<CSearchNode> ParseOr();
    std::unique_ptr<CSearchNode> ParseAnd();
    std::unique_ptr<CSearchNode> ParsePrimary();
    // The comparison that the current token starts; a following "=" of
    // ">=" and "<=" is consumed.
    ESearchOp ParseOperator();

    std::unique_ptr<CSearchNode> ParseCondition(int32_t nParamId);
    std::unique_ptr<CSearchNode> ParseIndexStatement(int32_t nParamId);
    std::unique_ptr<CSearchNode> ParseInStatement(int32_t nParamId);

    // Copies the current token's text; raises "Identifier length exceded"
    // when it needs more than the value buffer.
    void CopyTokenText(char (&szBuffer)[kValueBuffer]);
    // Raises "Identifier length exceded" when the current token's text
    // would not fit the value buffer.
    void CheckTokenLength() const;

    CLqlLexer* m_pLexer;
    int m_nNesting;  // "not" and "(" being parsed
};

#endif
