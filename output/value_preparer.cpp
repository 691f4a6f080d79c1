// The text layouts' value cleaning and line trim.
#include "output/value_preparer.h"

#include "support/ascii.h"

namespace {

bool IsCarriageReturnOrLineFeed(char ch)
{
    return ch == '\r' || ch == '\n';
}

// Removes the characters for which bTrim holds at both ends of the text from
// nStart to the end of the line.
template <typename TTrim>
void TrimFrom(CLineBuffer& line, size_t nStart, TTrim bTrim)
{
    const char* pText = line.GetData();
    size_t nEnd = line.GetLength();
    while (nEnd > nStart && bTrim(pText[nEnd - 1]))
        --nEnd;
    line.Truncate(nEnd);
    size_t nFirst = nStart;
    while (nFirst < nEnd && bTrim(pText[nFirst]))
        ++nFirst;
    line.Erase(nStart, nFirst - nStart);
}

void ReplaceInValue(CLineBuffer& line, size_t nStart, char chOld, char chNew)
{
    char* pText = line.GetData();
    for (size_t i = nStart; i < line.GetLength(); ++i)
        if (pText[i] == chOld)
            pText[i] = chNew;
}

}  // namespace

CValuePreparer::CValuePreparer(const COutputSettings& settings) : m_settings(settings)
{
    // Trimmed characters (CR, LF, blank and TAB among them) and the
    // delimiters replaced inside values; a double quote changes only in a
    // value that holds a blank or TAB.
    for (int i = 0; i < 256; ++i) {
        char ch = static_cast<char>(i);
        m_abChanging[i] = IsTrimChar(ch) || (IsDelimited() && (ch == ';' || ch == ',') && EitherDelimiterIs(ch));
    }
}

bool CValuePreparer::Clean(CLineBuffer& line, size_t nStart) const
{
    TrimFrom(line, nStart, IsTrimChar);
    if (line.GetLength() == nStart)
        return false;
    // The trim left no CR or LF at either end, so the blanks that replace
    // them inside need no second trim.
    char* pText = line.GetData();
    bool bQuote = false;
    for (size_t i = nStart; i < line.GetLength(); ++i) {
        if (IsCarriageReturnOrLineFeed(pText[i]))
            pText[i] = ' ';
        if (IsBlankOrTab(pText[i]))
            bQuote = true;
    }
    if (bQuote) {
        ReplaceInValue(line, nStart, '"', '\'');
        line.Insert(nStart, '"');
        line.AppendChar('"');
    }
    if (IsDelimited())
        KeepDelimitersOut(line, nStart);
    return true;
}

// Each replacement runs over the whole value, quotes included, in this
// order; "#" is never replaced.
void CValuePreparer::KeepDelimitersOut(CLineBuffer& line, size_t nStart) const
{
    if (EitherDelimiterIs('\t'))
        ReplaceInValue(line, nStart, '\t', ' ');
    if (EitherDelimiterIs(';'))
        ReplaceInValue(line, nStart, ';', ',');
    if (EitherDelimiterIs(','))
        ReplaceInValue(line, nStart, ',', ';');
}

bool CValuePreparer::IsLineTrimChar(char ch) const
{
    return IsTrimChar(ch) && !(IsDelimited() && EitherDelimiterIs(ch));
}

void CValuePreparer::TrimLine(CLineBuffer& line, size_t nStart) const
{
    TrimFrom(line, nStart, [this](char ch) { return IsLineTrimChar(ch); });
}
