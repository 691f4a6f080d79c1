// CSV: the header line and each entry's record, fields quoted where needed.
#include "output/csv_renderer.h"

namespace {

// The characters that make a field need quotes.
struct CQuoteTable {
    constexpr CQuoteTable() : m_abQuote()
    {
        m_abQuote[static_cast<unsigned char>(',')] = true;
        m_abQuote[static_cast<unsigned char>('"')] = true;
        m_abQuote[static_cast<unsigned char>('\r')] = true;
        m_abQuote[static_cast<unsigned char>('\n')] = true;
    }
    bool m_abQuote[256];
};

constexpr CQuoteTable kQuoteTable;

}  // namespace

void QuoteCsvTail(CLineBuffer& line, size_t nStart, CLineBuffer& scratch)
{
    const unsigned char* pText = reinterpret_cast<const unsigned char*>(line.GetData());
    size_t nEnd = line.GetLength();
    size_t i = nStart;
    while (i < nEnd && !kQuoteTable.m_abQuote[pText[i]])
        ++i;
    if (i == nEnd)
        return;
    line.MoveTail(nStart, scratch);
    line.AppendChar('"');
    const char* pField = scratch.GetData();
    size_t nPlain = 0;  // start of the bytes not yet appended
    for (size_t j = 0; j < scratch.GetLength(); ++j) {
        if (pField[j] == '"') {
            line.Append(pField + nPlain, j + 1 - nPlain);
            nPlain = j;  // the quote goes out a second time with the next stretch
        }
    }
    line.Append(pField + nPlain, scratch.GetLength() - nPlain);
    line.AppendChar('"');
}

CCsvRenderer::CCsvRenderer(const CColumnList& columns, EIpFormat eIpFormat) : m_columns(columns), m_context(eIpFormat)
{
    // A column without values has one empty field; the values of a column of
    // several have one each.
    for (int i = 0; i < m_columns.GetCount(); ++i) {
        const CColumnDef* pColumn = m_columns.GetColumn(i);
        int nValues = pColumn == nullptr ? 0 : CountValues(*pColumn);
        if (nValues == 0)
            m_aFields.push_back(nullptr);
        for (int nValue = 0; nValue < nValues; ++nValue)
            m_aFields.push_back(&pColumn->m_aValues[nValue]);
    }
}

// The header names; the values of a column of several values under their
// labels.
bool CCsvRenderer::RenderHeader(CLineBuffer& line)
{
    bool bFirst = true;
    for (int i = 0; i < m_columns.GetCount(); ++i) {
        const CColumnDef* pColumn = m_columns.GetColumn(i);
        int nValues = pColumn == nullptr ? 0 : CountValues(*pColumn);
        if (nValues > 1) {
            for (int nValue = 0; nValue < nValues; ++nValue)
                AppendHeaderField(pColumn->m_aValues[nValue].m_pszLabel, bFirst, line);
        } else {
            AppendHeaderField(m_columns.GetHeaderName(i), bFirst, line);
        }
    }
    line.AppendChar('\n');
    return true;
}

bool CCsvRenderer::RenderEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway,
                               CLineBuffer& line)
{
    CColumnInput input = m_context.Input(entry, record, pszGateway);
    size_t nRecordStart = line.GetLength();
    // One field for each: the value as it is, quoted where needed; empty
    // when it is missing, "" when it is empty.
    bool bFirst = true;
    for (const CColumnValue* pValue : m_aFields) {
        if (!bFirst)
            line.AppendChar(',');
        bFirst = false;
        if (pValue == nullptr)
            continue;
        size_t nStart = line.GetLength();
        if (!pValue->m_pfnValue(input, line))
            line.Truncate(nStart);
        else if (line.GetLength() == nStart)
            line.Append("\"\"", 2);
        else if (!IsPlainValue(pValue->m_eType))
            QuoteCsvTail(line, nStart, m_scratch);
    }
    if (line.GetLength() == nRecordStart && m_columns.GetCount() > 0)
        line.Append("\"\"", 2);
    line.AppendChar('\n');
    return true;
}

void CCsvRenderer::AppendHeaderField(const char* pszName, bool& bFirst, CLineBuffer& line)
{
    if (!bFirst)
        line.AppendChar(',');
    bFirst = false;
    size_t nStart = line.GetLength();
    line.Append(pszName);
    QuoteCsvTail(line, nStart, m_scratch);
}
