// The SELECT list resolved once: keyword ids, the columns of the column
// table and the header names, in statement order.
#include "output/column_list.h"

#include "lql/keyword_table.h"

namespace {

constexpr int kInitialColumns = 8;

}  // namespace

CColumnList::CColumnList(const CDynArray<CSString>& aOutputs)
{
    m_aIds.Reserve(kInitialColumns);
    m_aColumns.Reserve(kInitialColumns);
    for (int i = 0; i < aOutputs.GetSize(); ++i) {
        int32_t nId = CKeywordTable::LookupKeyword(aOutputs[i]);
        m_aIds.Add(nId);
        m_aColumns.Add(FindColumn(nId));
    }
}

const char* CColumnList::GetHeaderName(int nIndex) const
{
    const char* pszName = CKeywordTable::IdToName(m_aIds[nIndex]);
    return pszName != nullptr ? pszName : "";
}
