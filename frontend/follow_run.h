// RunFollowing: a query run in follow mode (--follow). It writes what is
// there, as a run without the option would, and then goes on writing new
// matching entries as the logger writes them, until it is told to stop.
//
// Followed readers: the readers of gateways whose range reaches the
// present (a FROM list without a time statement, "last days n", "last
// hours n"). Their range end is lifted and they never end
// (storage/followed_reader.h). The other readers (closed ranges, file
// sources) take part in the merge as usual until they run dry; a run
// without followed readers ends like any other.
//
// The merge: entries are written in the merge order of the run without the
// option (the largest entry time a reader handed out so far, the earlier
// reader on a tie), with a hold-back for live sources: the next entry is
// written once every followed reader has either an entry ready (which
// comes later in that order) or has shown no new data for the hold-back
// (one second) since that entry was read: the entries a look at a reader
// found count as read at that look, so what is there when the run starts
// waits at most one second, however many readers run dry on the way. An
// entry that comes later than that with an older time is written as it
// comes (late), never dropped.
//
// Waiting: without anything to write the run sleeps until a watched folder
// changes (support/folder_watch.h: the gateway folder and the month folder
// of the last file of each followed reader), the hold-back of the next
// entry runs out, or, for readers whose folders are not all watched, the
// next poll (every 250 ms) is due. Output is flushed whenever the run has
// written what it may.
//
// Ending: SIGINT or SIGTERM ends the run at the next entry boundary (at
// once while it sleeps); so does the output going away (a write failing, or
// a reader of the pipe leaving while the run sleeps). The caller then ends
// the output (the binary end marker) and concludes as usual.
//
// Everything happens in the calling thread, whatever the thread count.
//
// Ownership: the plans, the query, the writer and the problems stay the
// caller's; the run owns its readers and releases them before it returns.
#ifndef SARNITH_FRONTEND_FOLLOW_RUN_H
#define SARNITH_FRONTEND_FOLLOW_RUN_H

#include <vector>

#include "frontend/reader_plan.h"
#include "frontend/run_problems.h"
#include "lql/query.h"
#include "output/binary_writer.h"

// Runs the readers of aPlans in follow mode, writing through writer after
// its Begin and before its End.
void RunFollowing(const std::vector<CReaderPlan>& aPlans, const char* pszRootDir, const CQuery& query,
                  CBinaryWriter& writer, CRunProblems& problems);

#endif
