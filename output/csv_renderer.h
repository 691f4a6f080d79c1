// CCsvRenderer: CSV as RFC 4180 describes it, for spreadsheets and the
// programs that load tables.
//
// A header line of the columns' header names, then one record per entry;
// every record has exactly as many fields as the header. A column gives one
// field, except connusage, which gives three (header names maxconns,
// curconns, minconns). Values are written as the text layouts show them
// (addresses in the chosen format, "6(TCP)", flags as 1 or 0, the usage
// list as "if0=lan tp0=206.37 ..."), but unchanged: no trimming, no
// replacing. A field that holds a comma, a double quote, CR or LF is put in
// double quotes, its double quotes doubled. A column without a value gives
// an empty field; a value that is there but empty is written as "", so that
// readers that tell a missing value from an empty text see the difference.
// A record of one missing value is written as "" too, since an empty line
// reads as a record of no fields. Lines end with LF.
//
// Ownership: the renderer owns its copy of the column list, its scratch
// buffer and its time-text caches; the line belongs to the caller.
#ifndef SARNITH_OUTPUT_CSV_RENDERER_H
#define SARNITH_OUTPUT_CSV_RENDERER_H

#include <cstddef>
#include <vector>

#include "output/column_list.h"
#include "output/columns.h"
#include "output/ip_format.h"
#include "output/line_renderer.h"

// Puts the field from nStart to the end of the line in double quotes,
// doubling its double quotes, when it holds a comma, a double quote, CR or
// LF; scratch holds a copy meanwhile. Other fields are left as they are.
void QuoteCsvTail(CLineBuffer& line, size_t nStart, CLineBuffer& scratch);

class CCsvRenderer : public CLineRenderer {
public:
    CCsvRenderer(const CColumnList& columns, EIpFormat eIpFormat);

    bool RenderHeader(CLineBuffer& line) override;
    bool RenderEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway,
                     CLineBuffer& line) override;

private:
    void AppendHeaderField(const char* pszName, bool& bFirst, CLineBuffer& line);

    CColumnList m_columns;
    std::vector<const CColumnValue*> m_aFields;  // the value of each field; null for one always empty
    CColumnContext m_context;
    CLineBuffer m_scratch;
};

#endif
