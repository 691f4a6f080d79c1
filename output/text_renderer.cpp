// The text layouts: the header line, and each entry's line built in the
// labelled or the delimited layout, values cleaned.
#include "output/text_renderer.h"

namespace {

// Prepares the value that runs from nStart to the end of the line when its
// type may need it; false when nothing is left of it.
bool PrepareValue(const CValuePreparer& preparer, const CColumnValue& value, CLineBuffer& line, size_t nStart)
{
    return IsPlainValue(value.m_eType) || preparer.Prepare(line, nStart);
}

// The values share the cell, separated by blanks; a missing one stays empty
// so the others keep their places, and a column without any value leaves an
// empty cell.
void AppendCell(const CValuePreparer& preparer, const CColumnDef& column, const CColumnInput& input, CLineBuffer& line)
{
    size_t nCell = line.GetLength();
    bool bAnyValue = false;
    for (int nValue = 0; nValue < CColumnDef::kMaxValues && column.m_aValues[nValue].m_pfnValue != nullptr; ++nValue) {
        if (nValue > 0)
            line.AppendChar(' ');
        size_t nStart = line.GetLength();
        if (column.m_aValues[nValue].m_pfnValue(input, line)) {
            PrepareValue(preparer, column.m_aValues[nValue], line, nStart);
            bAnyValue = true;
        } else {
            line.Truncate(nStart);
        }
    }
    if (!bAnyValue)
        line.Truncate(nCell);
}

// Every value that is not empty becomes "label=value ".
void AppendPairs(const CValuePreparer& preparer, const CColumnDef& column, const CColumnInput& input, CLineBuffer& line)
{
    for (int nValue = 0; nValue < CColumnDef::kMaxValues && column.m_aValues[nValue].m_pfnValue != nullptr; ++nValue) {
        const CColumnValue& value = column.m_aValues[nValue];
        size_t nMark = line.GetLength();
        line.Append(value.m_pszLabel);
        line.AppendChar('=');
        size_t nStart = line.GetLength();
        if (value.m_pfnValue(input, line) && PrepareValue(preparer, value, line, nStart))
            line.AppendChar(' ');
        else
            line.Truncate(nMark);
    }
}

// The usage list writes pairs of its own, its stored texts prepared one by
// one: no label of the column, no preparation of the whole.
void AppendListColumn(const CValuePreparer& preparer, const CColumnDef& column, const CColumnInput& input,
                      CLineBuffer& line)
{
    size_t nStart = line.GetLength();
    if (!column.m_aValues[0].m_pfnValue(input, line)) {
        line.Truncate(nStart);
        return;
    }
    if (!preparer.IsDelimited())
        line.AppendChar(' ');
}

}  // namespace

CTextRenderer::CTextRenderer(const CColumnList& columns, const COutputSettings& settings)
    : m_columns(columns),
      m_settings(settings),
      m_preparer(settings),
      m_context(settings.m_eIpFormat, &m_preparer)
{
    for (int i = 0; i < m_columns.GetCount(); ++i) {
        const CColumnDef* pColumn = m_columns.GetColumn(i);
        bool bOnlyValue =
            IsDelimited() && pColumn != nullptr && pColumn->m_eKind == COLUMN_PREPARED && CountValues(*pColumn) == 1;
        m_aLineColumns.push_back({pColumn, bOnlyValue ? pColumn->m_aValues[0].m_pfnValue : nullptr,
                                  bOnlyValue && IsPlainValue(pColumn->m_aValues[0].m_eType),
                                  IsDelimited() ? ColumnEnd(i) : '\0'});
    }
}

bool CTextRenderer::RenderHeader(CLineBuffer& line)
{
    if (!IsDelimited())
        return false;
    for (int i = 0; i < m_columns.GetCount(); ++i) {
        line.Append(m_columns.GetHeaderName(i));
        if (ColumnEnd(i) != '\0')
            line.AppendChar(ColumnEnd(i));
    }
    line.AppendChar('\n');
    return true;
}

bool CTextRenderer::RenderEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway,
                                CLineBuffer& line)
{
    CColumnInput input = m_context.Input(entry, record, pszGateway);
    size_t nLineStart = line.GetLength();
    for (const CLineColumn& lineColumn : m_aLineColumns) {
        if (lineColumn.m_pfnOnlyValue != nullptr) {
            // The cell of the most columns, as AppendCell makes it.
            size_t nStart = line.GetLength();
            if (!lineColumn.m_pfnOnlyValue(input, line))
                line.Truncate(nStart);
            else if (!lineColumn.m_bPlainOnlyValue)
                m_preparer.Prepare(line, nStart);
        } else if (const CColumnDef* pColumn = lineColumn.m_pColumn) {
            if (pColumn->m_eKind == COLUMN_LIST)
                AppendListColumn(m_preparer, *pColumn, input, line);
            else if (IsDelimited())
                AppendCell(m_preparer, *pColumn, input, line);
            else
                AppendPairs(m_preparer, *pColumn, input, line);
        }
        if (lineColumn.m_cAfter != '\0')
            line.AppendChar(lineColumn.m_cAfter);
    }
    m_preparer.TrimLine(line, nLineStart);
    if (line.GetLength() == nLineStart)
        return false;
    line.AppendChar('\n');
    return true;
}

// The delimiter after every cell but the last; after the last one the
// ending delimiter, when it is asked for, else nothing (0).
char CTextRenderer::ColumnEnd(int nColumn) const
{
    if (nColumn + 1 < m_columns.GetCount())
        return m_settings.m_cDelimiter;
    return m_settings.m_bAddEndDelimiter ? m_settings.m_cEndDelimiter : '\0';
}
