// ExecuteQuery: runs a parsed statement: one log file reader per source and
// time range, entries merged in time order, decoded, filtered and handed to
// the output writer chosen by the output list.
//
// Ownership: ExecuteQuery owns the writer and the readers it creates and
// releases them before it returns; the configuration and the query stay the
// caller's.
#ifndef SARNITH_FRONTEND_EXECUTE_QUERY_H
#define SARNITH_FRONTEND_EXECUTE_QUERY_H

#include "support/sstring.h"

class CLoggerConfig;
class CQuery;

void ExecuteQuery(const CLoggerConfig& config, CQuery& query, char cDelimiter, bool bAddEndDelimiter,
                  char cEndDelimiter, const CSString& strRootDir, int nIpFormat);

#endif
