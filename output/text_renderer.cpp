// The text layouts: the header line, and each entry's line built in the
// labelled or the delimited layout, values cleaned.
#include "output/text_renderer.h"

CTextRenderer::CTextRenderer(const CColumnList& columns, const COutputSettings& settings)
    : m_columns(columns),
      m_settings(settings),
      m_preparer(settings),
      m_context(settings.m_eIpFormat, &m_preparer)
{
}

bool CTextRenderer::RenderHeader(CLineBuffer& line)
{
    if (!IsDelimited())
        return false;
    for (int i = 0; i < m_columns.GetCount(); ++i) {
        line.Append(m_columns.GetHeaderName(i));
        AppendColumnEnd(i, line);
    }
    line.AppendChar('\n');
    return true;
}

bool CTextRenderer::RenderEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway,
                                CLineBuffer& line)
{
    CColumnInput input = m_context.Input(entry, record, pszGateway);
    size_t nLineStart = line.GetLength();
    for (int i = 0; i < m_columns.GetCount(); ++i) {
        if (m_columns.GetColumn(i) != nullptr)
            AppendColumn(*m_columns.GetColumn(i), input, line);
        if (IsDelimited())
            AppendColumnEnd(i, line);
    }
    m_preparer.TrimLine(line, nLineStart);
    if (line.GetLength() == nLineStart)
        return false;
    line.AppendChar('\n');
    return true;
}

// The delimiter after every cell but the last; after the last one the
// ending delimiter, when it is asked for.
void CTextRenderer::AppendColumnEnd(int nColumn, CLineBuffer& line) const
{
    if (nColumn + 1 < m_columns.GetCount())
        line.AppendChar(m_settings.m_cDelimiter);
    else if (m_settings.m_bAddEndDelimiter && m_settings.m_cEndDelimiter != 0)
        line.AppendChar(m_settings.m_cEndDelimiter);
}

void CTextRenderer::AppendColumn(const CColumnDef& column, const CColumnInput& input, CLineBuffer& line) const
{
    if (column.m_eKind == COLUMN_LIST)
        AppendListColumn(column, input, line);
    else if (IsDelimited())
        AppendCell(column, input, line);
    else
        AppendPairs(column, input, line);
}

// The values share the cell, separated by blanks; a missing one stays empty
// so the others keep their places, and a column without any value leaves an
// empty cell.
void CTextRenderer::AppendCell(const CColumnDef& column, const CColumnInput& input, CLineBuffer& line) const
{
    size_t nCell = line.GetLength();
    bool bAnyValue = false;
    for (int nValue = 0; nValue < CColumnDef::kMaxValues && column.m_aValues[nValue].m_pfnValue != nullptr; ++nValue) {
        if (nValue > 0)
            line.AppendChar(' ');
        size_t nStart = line.GetLength();
        if (column.m_aValues[nValue].m_pfnValue(input, line)) {
            m_preparer.Prepare(line, nStart);
            bAnyValue = true;
        } else {
            line.Truncate(nStart);
        }
    }
    if (!bAnyValue)
        line.Truncate(nCell);
}

// Every value that is not empty becomes "label=value ".
void CTextRenderer::AppendPairs(const CColumnDef& column, const CColumnInput& input, CLineBuffer& line) const
{
    for (int nValue = 0; nValue < CColumnDef::kMaxValues && column.m_aValues[nValue].m_pfnValue != nullptr; ++nValue) {
        const CColumnValue& value = column.m_aValues[nValue];
        size_t nMark = line.GetLength();
        line.Append(value.m_pszLabel);
        line.AppendChar('=');
        size_t nStart = line.GetLength();
        if (value.m_pfnValue(input, line) && m_preparer.Prepare(line, nStart))
            line.AppendChar(' ');
        else
            line.Truncate(nMark);
    }
}

// The usage list writes pairs of its own, its stored texts prepared one by
// one: no label of the column, no preparation of the whole.
void CTextRenderer::AppendListColumn(const CColumnDef& column, const CColumnInput& input, CLineBuffer& line) const
{
    size_t nStart = line.GetLength();
    if (!column.m_aValues[0].m_pfnValue(input, line)) {
        line.Truncate(nStart);
        return;
    }
    if (!IsDelimited())
        line.AppendChar(' ');
}
