// CColumnList: the SELECT list of a query resolved against the column table
// once, before the first entry: for each output name in statement order its
// keyword id, its column and its header name.
//
// Every renderer keeps its own copy. The list owns its arrays; the columns
// and header names it hands out point into constant tables and live as long
// as the program.
#ifndef SARNITH_OUTPUT_COLUMN_LIST_H
#define SARNITH_OUTPUT_COLUMN_LIST_H

#include <cstdint>

#include "output/columns.h"
#include "support/dynarray/dynarray.h"
#include "support/sstring.h"

class CColumnList {
public:
    // aOutputs: the query's output names, looked up in the keyword table
    // without regard to case (aliases give their main name's id).
    explicit CColumnList(const CDynArray<CSString>& aOutputs);

    int GetCount() const { return m_aIds.GetSize(); }
    int32_t GetId(int nIndex) const { return m_aIds[nIndex]; }
    // Null for a name that is no column.
    const CColumnDef* GetColumn(int nIndex) const { return m_aColumns[nIndex]; }
    // The first name of the keyword table with the column's id ("recvif" for
    // "recviface"); empty for an id no keyword has.
    const char* GetHeaderName(int nIndex) const;

private:
    CDynArray<int32_t> m_aIds;
    CDynArray<const CColumnDef*> m_aColumns;
};

#endif
