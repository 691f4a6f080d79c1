// CTextWriter: the writer of text output. Each selected entry becomes one
// line of the chosen columns, either as labelled pairs ("srcip=10.0.0.1
// destport=80") when no delimiter is set, or as cells separated by the
// delimiter, below a header line of column names.
//
// Every value, the stored texts inside the usage list included, is cleaned
// by the value preparer (output/value_preparer.h): trimmed, line breaks made
// blanks, quoted when it holds a blank or TAB, delimiters replaced inside it
// in the delimited layout. The finished line is trimmed, keeping the
// delimiters of the delimited layout; an empty line is not written.
//
// The column list is resolved against the column table once, in the
// constructor. Each line is built in one buffer that the writer keeps and
// reuses, and handed to the stream in one piece.
//
// Ownership: the writer owns its column list, line buffer, value preparer
// and copy of the output settings; the stream stays the caller's.
#ifndef SARNITH_OUTPUT_TEXT_WRITER_H
#define SARNITH_OUTPUT_TEXT_WRITER_H

#include <cstdint>
#include <cstdio>

#include "output/binary_writer.h"
#include "output/columns.h"
#include "output/line_buffer.h"
#include "output/output_settings.h"
#include "output/value_format.h"
#include "output/value_preparer.h"
#include "support/dynarray/dynarray.h"
#include "support/sstring.h"

class CTextWriter : public CBinaryWriter {
public:
    // aOutputs: the query's output names, looked up in the keyword table
    // without regard to case (aliases give their main name's id). The
    // settings choose the layout (delimiters) and the address format.
    CTextWriter(CDynArray<CSString> aOutputs, const COutputSettings& settings, FILE* pStream = stdout);
    ~CTextWriter() override;

    // Writes the header line when a delimiter is set.
    bool Begin() override;
    bool End() override;
    bool WriteEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway) override;

private:
    bool IsDelimited() const { return m_preparer.IsDelimited(); }
    void AppendColumnEnd(int nColumn);
    void AppendColumn(const CColumnDef& column, const CColumnInput& input);
    void AppendCell(const CColumnDef& column, const CColumnInput& input);
    void AppendPairs(const CColumnDef& column, const CColumnInput& input);
    void AppendListColumn(const CColumnDef& column, const CColumnInput& input);

    CDynArray<uint32_t> m_aColumns;               // keyword ids in output order
    CDynArray<const CColumnDef*> m_aColumnDefs;   // their columns; null for ids that are no column
    COutputSettings m_settings;
    CValuePreparer m_preparer;
    CLineBuffer m_line;
    CLocalTimeText m_entryTime;
    CLocalTimeText m_devTime;
};

#endif
