// ExecuteQuery: runs a parsed statement: one log file reader per source and
// time range, entries merged in time order, decoded, filtered and handed to
// the output writer chosen by the output list.
//
// With one thread (--threads 1, or a single processor) everything happens in
// the calling thread; with more, worker threads read, decode, filter and
// render ahead (frontend/parallel_run.h) and the calling thread merges and
// writes. Standard output, standard error and the exit code are the same
// either way.
//
// What the readers could not read is written to standard error as it is
// met; undecodable entries are counted. The result is the exit code: 0 for
// a run without such problems, 2 (kExitProblems) after the closing warning
// line of a run with some (frontend/run_problems.h).
//
// Once a write to standard output fails, the run stops reading and returns
// 0 without a warning; the failure stays marked on the stream for the exit
// path to judge.
//
// Ownership: ExecuteQuery owns the writer and the readers it creates and
// releases them before it returns; the configuration, the query and the
// output settings stay the caller's.
#ifndef SARNITH_FRONTEND_EXECUTE_QUERY_H
#define SARNITH_FRONTEND_EXECUTE_QUERY_H

#include "support/sstring.h"

class CLoggerConfig;
class CQuery;
struct COutputSettings;
struct CRunSettings;

int ExecuteQuery(const CLoggerConfig& config, const CQuery& query, const CSString& strRootDir,
                 const COutputSettings& settings, const CRunSettings& runSettings);

#endif
