// CTextRenderer: the lines of the text layouts made for people. Each entry
// becomes one line of the chosen columns, either as labelled pairs
// ("srcip=10.0.0.1 destport=80") when no delimiter is set, or as cells
// separated by the delimiter, below a header line of column names.
//
// Values are trimmed, line breaks become blanks, a value with a blank or TAB
// is put in double quotes (its own double quotes becoming single quotes), and
// in the delimited layout the delimiters are replaced inside values. The
// finished line is trimmed; an empty line is not written.
//
// Ownership: the renderer owns its copies of the column list and settings;
// the line belongs to the caller.
#ifndef SARNITH_OUTPUT_TEXT_RENDERER_H
#define SARNITH_OUTPUT_TEXT_RENDERER_H

#include <cstddef>

#include "output/column_list.h"
#include "output/columns.h"
#include "output/line_renderer.h"
#include "output/output_settings.h"

class CTextRenderer : public CLineRenderer {
public:
    CTextRenderer(const CColumnList& columns, const COutputSettings& settings);

    // The header line of the delimited layout; the labelled layout has none.
    bool RenderHeader(CLineBuffer& line) override;
    bool RenderEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway,
                     CLineBuffer& line) override;

private:
    bool IsDelimited() const { return m_settings.m_cDelimiter != 0; }
    void AppendColumnEnd(int nColumn, CLineBuffer& line) const;
    void AppendColumn(const CColumnDef& column, const CColumnInput& input, CLineBuffer& line) const;
    void AppendCell(const CColumnDef& column, const CColumnInput& input, CLineBuffer& line) const;
    void AppendPairs(const CColumnDef& column, const CColumnInput& input, CLineBuffer& line) const;
    void AppendRawColumn(const CColumnDef& column, const CColumnInput& input, CLineBuffer& line) const;
    bool PrepareValue(size_t nStart, CLineBuffer& line) const;
    void KeepDelimitersOut(size_t nStart, CLineBuffer& line) const;
    bool EitherDelimiterIs(char ch) const { return m_settings.m_cDelimiter == ch || m_settings.m_cEndDelimiter == ch; }

    CColumnList m_columns;
    COutputSettings m_settings;
    CColumnContext m_context;
};

#endif
