// CStatementParser: turns one LQL statement into a CQuery.
//
// Built with the configured gateway names, it reads the statement through
// its own CLqlLexer: the SELECT list (composite output types expanded), the
// FROM lists with their sources and time statements, and the WHERE filter.
// Every problem is shown through the virtual Report (context line, caret
// line, message on standard error), whose answer decides whether parsing goes
// on; the standard Report stops at the first error and lets warnings pass.
//
// Ownership: the parser owns its lexer and its copies of the gateway names;
// the caller owns the CQuery, which owns what Parse stored in it (the filter
// included, also when Parse fails).
#ifndef SARNITH_LQL_STATEMENT_PARSER_H
#define SARNITH_LQL_STATEMENT_PARSER_H

#include <cstdint>

#include "lql/query.h"
#include "support/dynarray/dynarray.h"
#include "support/sstring.h"

class CLqlLexer;

class CStatementParser {
public:
    CStatementParser(const char* const* apszGatewayNames, int nGatewayCount);
    virtual ~CStatementParser();
    CStatementParser(const CStatementParser&) = delete;
    CStatementParser& operator=(const CStatementParser&) = delete;

    // True when the statement is valid; query is filled as far as parsing got.
    bool Parse(CSString strStatement, CQuery& query, uint32_t nFilterOption);

    // Prints message nMessageId (its format filled with the further
    // arguments) with the lexer's context; false when parsing must stop.
    virtual bool Report(int nMessageId, ...);
};

#endif
