// CTextWriter: the writer of text output. A renderer of the layout the
// output settings choose (labelled or delimited text, JSON Lines, CSV; see
// output/line_renderer.h) makes the header line and one line per entry in a
// buffer the writer keeps and reuses; the writer hands each line to the
// stream in one piece.
//
// Ownership: the writer owns its renderer and line buffer; the stream stays
// the caller's.
#ifndef SARNITH_OUTPUT_TEXT_WRITER_H
#define SARNITH_OUTPUT_TEXT_WRITER_H

#include <cstdio>
#include <memory>

#include "output/binary_writer.h"
#include "output/line_buffer.h"
#include "output/line_renderer.h"
#include "output/output_settings.h"
#include "support/dynarray/dynarray.h"
#include "support/sstring.h"

class CTextWriter : public CBinaryWriter {
public:
    // aOutputs: the query's output names, looked up in the keyword table
    // without regard to case (aliases give their main name's id). The
    // settings choose the layout and the address format. nBufferSize as for
    // CBinaryWriter.
    CTextWriter(const CDynArray<CSString>& aOutputs, const COutputSettings& settings, FILE* pStream = stdout,
                size_t nBufferSize = 0);
    ~CTextWriter() override;

    // Writes the header line of layouts that have one.
    bool Begin() override;
    bool End() override;
    bool WriteEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway) override;

private:
    std::unique_ptr<CLineRenderer> m_pRenderer;
    CLineBuffer m_line;
};

#endif
