// CTextRenderer: the lines of the text layouts made for people. Each entry
// becomes one line of the chosen columns, either as labelled pairs
// ("srcip=10.0.0.1 destport=80") when no delimiter is set, or as cells
// separated by the delimiter, below a header line of column names.
//
// Every value, the stored texts inside the usage list included, is cleaned
// by the value preparer (output/value_preparer.h): trimmed, line breaks made
// blanks, quoted when it holds a blank or TAB, delimiters replaced inside it
// in the delimited layout. The finished line is trimmed, keeping the
// delimiters of the delimited layout; an empty line is not written.
//
// Ownership: the renderer owns its copies of the column list and settings
// and its value preparer; the line belongs to the caller.
#ifndef SARNITH_OUTPUT_TEXT_RENDERER_H
#define SARNITH_OUTPUT_TEXT_RENDERER_H

#include <vector>

#include "output/column_list.h"
#include "output/columns.h"
#include "output/line_renderer.h"
#include "output/output_settings.h"
#include "output/value_preparer.h"

class CTextRenderer : public CLineRenderer {
public:
    CTextRenderer(const CColumnList& columns, const COutputSettings& settings);

    // The header line of the delimited layout; the labelled layout has none.
    bool RenderHeader(CLineBuffer& line) override;
    bool RenderEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway,
                     CLineBuffer& line) override;

private:
    // A column of the line, as the entries use it.
    struct CLineColumn {
        const CColumnDef* m_pColumn;  // null for a name that is no column
        // The delimited layout's cell of a column of one prepared value:
        // its value function, and whether its value is plain.
        PFN_COLUMN_VALUE m_pfnOnlyValue;
        bool m_bPlainOnlyValue;
        char m_cAfter;  // written after the column; 0 for none
    };

    bool IsDelimited() const { return m_preparer.IsDelimited(); }
    char ColumnEnd(int nColumn) const;

    CColumnList m_columns;
    std::vector<CLineColumn> m_aLineColumns;
    COutputSettings m_settings;
    CValuePreparer m_preparer;
    CColumnContext m_context;  // hands m_preparer to the usage list
};

#endif
