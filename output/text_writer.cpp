// The text writer: the header line, and each entry's line built in the
// kept buffer in the labelled or the delimited layout, values cleaned.
#include "output/text_writer.h"

#include "lql/keyword_table.h"
#include "support/ascii.h"

namespace {

constexpr int kInitialColumns = 8;

bool IsCarriageReturnOrLineFeed(char ch)
{
    return ch == '\r' || ch == '\n';
}

// Removes the characters with codes 1 to 32 at both ends of the text from
// nStart to the end of the line.
void TrimFrom(CLineBuffer& line, size_t nStart)
{
    const char* pText = line.GetData();
    size_t nEnd = line.GetLength();
    while (nEnd > nStart && IsTrimChar(pText[nEnd - 1]))
        --nEnd;
    line.Truncate(nEnd);
    size_t nFirst = nStart;
    while (nFirst < nEnd && IsTrimChar(pText[nFirst]))
        ++nFirst;
    line.Erase(nStart, nFirst - nStart);
}

}  // namespace

CTextWriter::CTextWriter(CDynArray<CSString> aOutputs, const COutputSettings& settings, FILE* pStream)
    : CBinaryWriter(pStream),
      m_settings(settings)
{
    m_aColumns.Reserve(kInitialColumns);
    m_aColumnDefs.Reserve(kInitialColumns);
    for (int i = 0; i < aOutputs.GetSize(); ++i) {
        int32_t nId = CKeywordTable::LookupKeyword(aOutputs[i]);
        m_aColumns.Add(static_cast<uint32_t>(nId));
        m_aColumnDefs.Add(FindColumn(nId));
    }
}

CTextWriter::~CTextWriter() = default;

bool CTextWriter::Begin()
{
    if (!IsDelimited())
        return true;
    m_line.Clear();
    for (int i = 0; i < m_aColumns.GetSize(); ++i) {
        const char* pszName = CKeywordTable::IdToName(static_cast<int32_t>(m_aColumns[i]));
        if (pszName != nullptr)
            m_line.Append(pszName);
        AppendColumnEnd(i);
    }
    m_line.AppendChar('\n');
    Write(m_line.GetData(), m_line.GetLength());
    return true;
}

bool CTextWriter::End()
{
    return true;
}

bool CTextWriter::WriteEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway)
{
    CColumnInput input = {&entry, &record, pszGateway, m_settings.m_eIpFormat, &m_entryTime, &m_devTime};
    m_line.Clear();
    for (int i = 0; i < m_aColumnDefs.GetSize(); ++i) {
        if (m_aColumnDefs[i] != nullptr)
            AppendColumn(*m_aColumnDefs[i], input);
        if (IsDelimited())
            AppendColumnEnd(i);
    }
    TrimLine();
    if (m_line.GetLength() == 0)
        return true;
    m_line.AppendChar('\n');
    return Write(m_line.GetData(), m_line.GetLength());
}

// The delimiter after every cell but the last; after the last one the
// ending delimiter, when it is asked for.
void CTextWriter::AppendColumnEnd(int nColumn)
{
    if (nColumn + 1 < m_aColumns.GetSize())
        m_line.AppendChar(m_settings.m_cDelimiter);
    else if (m_settings.m_bAddEndDelimiter && m_settings.m_cEndDelimiter != 0)
        m_line.AppendChar(m_settings.m_cEndDelimiter);
}

void CTextWriter::AppendColumn(const CColumnDef& column, const CColumnInput& input)
{
    if (column.m_eKind == COLUMN_RAW)
        AppendRawColumn(column, input);
    else if (IsDelimited())
        AppendCell(column, input);
    else
        AppendPairs(column, input);
}

// The values share the cell, separated by blanks; a missing one stays empty
// so the others keep their places, and a column without any value leaves an
// empty cell.
void CTextWriter::AppendCell(const CColumnDef& column, const CColumnInput& input)
{
    size_t nCell = m_line.GetLength();
    bool bAnyValue = false;
    for (int nValue = 0; nValue < CColumnDef::kMaxValues && column.m_aValues[nValue].m_pfnValue != nullptr; ++nValue) {
        if (nValue > 0)
            m_line.AppendChar(' ');
        size_t nStart = m_line.GetLength();
        if (column.m_aValues[nValue].m_pfnValue(input, m_line)) {
            PrepareValue(nStart);
            bAnyValue = true;
        } else {
            m_line.Truncate(nStart);
        }
    }
    if (!bAnyValue)
        m_line.Truncate(nCell);
}

// Every value that is not empty becomes "label=value ".
void CTextWriter::AppendPairs(const CColumnDef& column, const CColumnInput& input)
{
    for (int nValue = 0; nValue < CColumnDef::kMaxValues && column.m_aValues[nValue].m_pfnValue != nullptr; ++nValue) {
        const CColumnValue& value = column.m_aValues[nValue];
        size_t nMark = m_line.GetLength();
        m_line.Append(value.m_pszLabel);
        m_line.AppendChar('=');
        size_t nStart = m_line.GetLength();
        if (value.m_pfnValue(input, m_line) && PrepareValue(nStart))
            m_line.AppendChar(' ');
        else
            m_line.Truncate(nMark);
    }
}

// The usage list goes into the line as it is: no label, no preparation.
void CTextWriter::AppendRawColumn(const CColumnDef& column, const CColumnInput& input)
{
    size_t nStart = m_line.GetLength();
    if (!column.m_aValues[0].m_pfnValue(input, m_line)) {
        m_line.Truncate(nStart);
        return;
    }
    if (!IsDelimited())
        m_line.AppendChar(' ');
}

// Cleans the value that runs from nStart to the end of the line; false when
// it is empty after trimming.
bool CTextWriter::PrepareValue(size_t nStart)
{
    TrimFrom(m_line, nStart);
    if (m_line.GetLength() == nStart)
        return false;
    // The trim left no CR or LF at either end, so the blanks that replace
    // them inside need no second trim.
    char* pText = m_line.GetData();
    bool bQuote = false;
    for (size_t i = nStart; i < m_line.GetLength(); ++i) {
        if (IsCarriageReturnOrLineFeed(pText[i]))
            pText[i] = ' ';
        if (IsBlankOrTab(pText[i]))
            bQuote = true;
    }
    if (bQuote) {
        ReplaceInValue(nStart, '"', '\'');
        m_line.Insert(nStart, '"');
        m_line.AppendChar('"');
    }
    if (IsDelimited())
        KeepDelimitersOut(nStart);
    return true;
}

// Each replacement runs over the whole value, quotes included, in this
// order; "#" is never replaced.
void CTextWriter::KeepDelimitersOut(size_t nStart)
{
    if (EitherDelimiterIs('\t'))
        ReplaceInValue(nStart, '\t', ' ');
    if (EitherDelimiterIs(';'))
        ReplaceInValue(nStart, ';', ',');
    if (EitherDelimiterIs(','))
        ReplaceInValue(nStart, ',', ';');
}

void CTextWriter::ReplaceInValue(size_t nStart, char chOld, char chNew)
{
    char* pText = m_line.GetData();
    for (size_t i = nStart; i < m_line.GetLength(); ++i)
        if (pText[i] == chOld)
            pText[i] = chNew;
}

void CTextWriter::TrimLine()
{
    TrimFrom(m_line, 0);
}
