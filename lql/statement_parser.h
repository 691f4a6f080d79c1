// CStatementParser: turns one LQL statement into a CQuery.
//
// Built with the configured gateway names, it reads the statement through
// its own CLqlLexer: the SELECT list (composite output types expanded), the
// FROM lists with their sources and time statements, and the WHERE filter.
// Every problem is shown through the virtual Report (context line, caret
// line, message on standard error), whose answer decides whether parsing goes
// on; the standard Report stops at the first error and lets warnings pass.
//
// Ownership: the parser owns its lexer, the statement text the lexer reads
// and its copies of the gateway names; the caller owns the CQuery, which owns
// what Parse stored in it (the filter included, also when Parse fails).
#ifndef SARNITH_LQL_STATEMENT_PARSER_H
#define SARNITH_LQL_STATEMENT_PARSER_H

#include <cstdint>
#include <memory>

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
    bool Parse(const CSString& strStatement, CQuery& query);

    // Prints message nMessageId (its format filled with the further
    // arguments) with the lexer's context; false when parsing must stop.
    // Without a lexer (an empty statement) the context line is empty and the
    // caret stands in the first column.
    virtual bool Report(int nMessageId, ...);

private:
    bool ParseSelectList(CQuery& query);
    bool ParseFromList(CQuery& query);
    // Appends the current token's text to the output names.
    void AppendOutputName(CQuery& query);
    // Appends the range of a FROM list without a time statement: 1970-01-01
    // 00:00:00 UTC to now. When a time cannot be converted, message 21 is
    // reported and nothing is appended; false when parsing must stop.
    bool AddAllTimeRange(CQuery& query, const CDynArray<CQuerySource>& aSources);
    // True when strName is a configured gateway name (any case).
    bool IsConfiguredGateway(const CSString& strName) const;
    // Sets the lexer's error context at its current token and reports.
    bool ReportHere(int nMessageId);
    // Reports the error text of a time statement or of the WHERE parser
    // (message 14) at the lexer's current token.
    void ReportErrorTextHere(const char* pszText);

    CDynArray<CSString> m_aGatewayNames;
    CSString m_strStatement;  // the text the lexer reads
    std::unique_ptr<CLqlLexer> m_pLexer;
};

#endif
