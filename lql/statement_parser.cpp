// Temporary body until the statement parser lands: every statement is refused.
#include "lql/statement_parser.h"

CStatementParser::CStatementParser(const char* const*, int) {}
CStatementParser::~CStatementParser() {}
bool CStatementParser::Parse(CSString, CQuery&, uint32_t) { return false; }
bool CStatementParser::Report(int, ...) { return false; }
