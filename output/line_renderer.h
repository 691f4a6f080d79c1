// CLineRenderer: turns entries into the lines of one text output layout,
// leaving the writing to the caller.
//
// A renderer appends the header line and each entry's line, line end
// included, to a buffer the caller owns and clears; the text writer writes
// what it appends. Renderers share no mutable state with anything (their
// time-text caches and scratch buffers are their own) and allocate nothing
// per entry once their buffers have grown, so several threads may render
// with one renderer each.
//
// CreateLineRenderer picks the renderer of the layout the output settings
// choose: labelled or delimited text, JSON Lines, or CSV.
//
// Ownership: the caller owns the renderer CreateLineRenderer returns; the
// renderer keeps its own copies of the column list and the settings.
#ifndef SARNITH_OUTPUT_LINE_RENDERER_H
#define SARNITH_OUTPUT_LINE_RENDERER_H

#include <memory>

#include "output/column_list.h"
#include "output/line_buffer.h"
#include "output/output_settings.h"
#include "records/log_record.h"
#include "storage/log_entry.h"

class CLineRenderer {
public:
    CLineRenderer() = default;
    CLineRenderer(const CLineRenderer&) = delete;
    CLineRenderer& operator=(const CLineRenderer&) = delete;
    virtual ~CLineRenderer() = default;

    // Appends the header line; false (nothing appended) when the layout has none.
    virtual bool RenderHeader(CLineBuffer& line) = 0;
    // Appends the line of one entry from the gateway pszGateway (empty for
    // an entry read from a file); false (nothing appended) when the entry
    // writes no line.
    virtual bool RenderEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway,
                             CLineBuffer& line) = 0;
};

std::unique_ptr<CLineRenderer> CreateLineRenderer(const CColumnList& columns, const COutputSettings& settings);

#endif
