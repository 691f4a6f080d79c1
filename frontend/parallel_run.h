// RunWithWorkers: a query run whose readers are read, inflated, decoded,
// filtered and rendered by worker threads ahead of the thread that merges
// and writes; what it writes to standard output and standard error, and in
// which order, is what the sequential run writes.
//
// The work comes in segments: one daily file of one reader, together with
// the walk's steps that led to it (their messages travel with it), or the
// walk's last steps. A reader's output is its segments in walk order, each
// a list of item batches (frontend/run_item.h). The walk is advanced by the
// workers too: the segment of a reader's next file starts once the header
// of the current file has shown that the reader goes on, so a segment is
// never begun that the sequential run would not reach, and several files of
// one gateway (gzip files above all) are read at once. The writing thread
// merges the readers' items (frontend/item_merge.h), printing messages and
// counting what could not be read through the run's problems.
//
// Bounds: every reader has a quota of recycled batches (3 to 32 of 4 to
// 256 KiB), chosen from the number of readers so that all of them together
// stay near 16 MiB (8 MiB for one or two readers); a segment that finds its
// reader's quota used up waits until the writing thread hands a batch back,
// and later segments of a reader always leave one batch to the segment that
// is written first. At most one open file per reader, plus one per worker
// thread for reading ahead within a reader. A worker goes on with its
// segment while the quota allows; workers take first the segment the
// writing thread waits for.
//
// Once the output has failed the writing thread stops, the workers stop at
// their next entry, and nothing more is read. A failure inside a worker (no
// memory) reaches the writing thread at the place in the reader's output
// where it happened and is raised there.
//
// Ownership: the plans, the query, the settings, the writer and the
// problems stay the caller's; the run owns its threads, readers and batches
// and releases them before it returns.
#ifndef SARNITH_FRONTEND_PARALLEL_RUN_H
#define SARNITH_FRONTEND_PARALLEL_RUN_H

#include <vector>

#include "frontend/reader_plan.h"
#include "frontend/run_problems.h"
#include "lql/query.h"
#include "output/binary_writer.h"
#include "output/output_settings.h"

// Runs the readers of aPlans with nWorkers worker threads (at least 2),
// writing through writer after its Begin and before its End. False, with
// nothing done, when not a single worker thread could be started.
bool RunWithWorkers(const std::vector<CReaderPlan>& aPlans, const char* pszRootDir, const CQuery& query,
                    const COutputSettings& settings, unsigned nWorkers, CBinaryWriter& writer, CRunProblems& problems);

#endif
