// CTextWriter: the writer of text output. Each selected entry becomes one
// line of the chosen columns, either as labelled pairs ("srcip=10.0.0.1
// destport=80") when no delimiter is set, or as cells separated by the
// delimiter, below a header line of column names.
//
// Values are trimmed, line breaks become blanks, a value with a blank or TAB
// is put in double quotes (its own double quotes becoming single quotes), and
// in the delimited layout the delimiters are replaced inside values. The
// finished line is trimmed; an empty line is not written.
//
// The column list is resolved against the column table once, in the
// constructor. Each line is built in one buffer that the writer keeps and
// reuses, and handed to the stream in one piece.
//
// Ownership: the writer owns its column list, line buffer and copy of the
// output settings; the stream stays the caller's.
#ifndef SARNITH_OUTPUT_TEXT_WRITER_H
#define SARNITH_OUTPUT_TEXT_WRITER_H

#include <cstdint>
#include <cstdio>

#include "output/binary_writer.h"
#include "output/columns.h"
#include "output/line_buffer.h"
#include "output/output_settings.h"
#include "output/value_format.h"
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
    bool IsDelimited() const { return m_settings.m_cDelimiter != 0; }
    void AppendColumnEnd(int nColumn);
    void AppendColumn(const CColumnDef& column, const CColumnInput& input);
    void AppendCell(const CColumnDef& column, const CColumnInput& input);
    void AppendPairs(const CColumnDef& column, const CColumnInput& input);
    void AppendRawColumn(const CColumnDef& column, const CColumnInput& input);
    bool PrepareValue(size_t nStart);
    void KeepDelimitersOut(size_t nStart);
    void ReplaceInValue(size_t nStart, char chOld, char chNew);
    bool EitherDelimiterIs(char ch) const { return m_settings.m_cDelimiter == ch || m_settings.m_cEndDelimiter == ch; }
    void TrimLine();

    CDynArray<uint32_t> m_aColumns;              // keyword ids in output order
    CDynArray<const CColumnDef*> m_aColumnDefs;  // their columns; null for ids that are no column
    COutputSettings m_settings;
    CLineBuffer m_line;
    CLocalTimeText m_entryTime;
    CLocalTimeText m_devTime;
};

#endif
