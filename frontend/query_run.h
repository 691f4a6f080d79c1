// RunQuery: one LQL statement from its text to its output.
//
// Reads the logger configuration "Ostrel.cfg" from the root directory, has
// the statement parsed against the configured gateways and runs it through
// ExecuteQuery with the output and run settings. Every failure it meets is reported
// here (configuration file missing or rejected, statement rejected, binary
// output asked for with --json or --csv); the result is the process exit
// code. Nothing outlives the call: the configuration, the parser and the
// query are owned by the run and released before it returns.
#ifndef SARNITH_FRONTEND_QUERY_RUN_H
#define SARNITH_FRONTEND_QUERY_RUN_H

#include "support/sstring.h"

struct COutputSettings;
struct CRunSettings;

// The configuration file of the root directory: "Ostrel.cfg" after the
// trimmed directory, joined with "/" unless it already ends with a separator.
CSString ConfigFilePath(const CSString& strRootDir);

// Returns 0 once the statement has run, 2 when it ran but met files it could
// not read or entries it could not decode, 1 after a reported failure.
// Exceptions other than those reported here pass to the caller.
int RunQuery(const CSString& strStatement, const CSString& strRootDir, const COutputSettings& settings,
             const CRunSettings& runSettings);

#endif
