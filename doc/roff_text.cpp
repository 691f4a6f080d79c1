// Escaping plain text for roff; see roff_text.h.
#include "doc/roff_text.h"

namespace manual {

namespace {

// The roff form of a character that roff would read or print otherwise;
// null for a character that prints as itself.
const char* EscapeOf(char ch)
{
    switch (ch) {
    case '\\':
        return "\\e";
    case '-':
        return "\\-";
    case '\'':
        return "\\(aq";
    case '`':
        return "\\(ga";
    case '^':
        return "\\(ha";
    case '~':
        return "\\(ti";
    default:
        return nullptr;
    }
}

void AppendEscaped(std::string& strOut, char ch)
{
    const char* pszEscape = EscapeOf(ch);
    if (pszEscape != nullptr)
        strOut += pszEscape;
    else
        strOut += ch;
}

}  // namespace

std::string RoffLiteral(const std::string& strText)
{
    std::string strOut;
    for (char ch : strText)
        AppendEscaped(strOut, ch);
    return strOut;
}

std::string RoffMarked(const std::string& strText)
{
    std::string strOut;
    bool bBold = false;
    for (char ch : strText) {
        if (ch == '`') {
            strOut += bBold ? "\\fR" : "\\fB";
            bBold = !bBold;
        } else {
            AppendEscaped(strOut, ch);
        }
    }
    if (bBold)
        strOut += "\\fR";
    return strOut;
}

std::string RoffLine(const std::string& strLine)
{
    if (!strLine.empty() && (strLine[0] == '.' || strLine[0] == '\''))
        return "\\&" + strLine;
    return strLine;
}

}  // namespace manual
