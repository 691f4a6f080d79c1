// The table-made sections of sarnith(1); see manual_sections.h.
#include "doc/manual_sections.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "doc/manual_probe.h"
#include "doc/manual_rows.h"
#include "doc/roff_text.h"
#include "lql/keyword_table.h"
#include "output/columns.h"

namespace manual {

namespace {

// Names listed in one line of a name table block fill at most this many ens.
constexpr size_t kBlockWidth = 64;

// The names of the keyword table that stand for one thing (they share an id).
struct CNameGroup {
    int32_t m_nId;
    std::vector<std::string> m_aNames;  // the first is the one the page lists it under
    bool m_bListed;                     // the listing option shows the first name
};

bool IsOutputId(int32_t nId)
{
    for (const CKeywordEntry* p = CKeywordTable::Entries(); p->m_pszName != nullptr; ++p)
        if (p->m_nId == nId && (p->m_nKind & KW_OUTPUT) != 0)
            return true;
    return false;
}

// The groups of the ids that pfnBelongs accepts, in the table order of each
// id's first row. A group is listed under its first row that carries
// nListedKind and is no alias, else under its first row that is no alias.
std::vector<CNameGroup> GroupNames(bool (*pfnBelongs)(int32_t), uint32_t nListedKind)
{
    std::vector<CNameGroup> aGroups;
    std::set<int32_t> seen;
    for (const CKeywordEntry* p = CKeywordTable::Entries(); p->m_pszName != nullptr; ++p) {
        if (!seen.insert(p->m_nId).second || !pfnBelongs(p->m_nId))
            continue;
        std::vector<const CKeywordEntry*> aRows;
        for (const CKeywordEntry* q = p; q->m_pszName != nullptr; ++q)
            if (q->m_nId == p->m_nId)
                aRows.push_back(q);
        auto isListed = [nListedKind](const CKeywordEntry* pRow) {
            return (pRow->m_nKind & KW_ALIAS) == 0 && (pRow->m_nKind & nListedKind) != 0;
        };
        auto isNoAlias = [](const CKeywordEntry* pRow) { return (pRow->m_nKind & KW_ALIAS) == 0; };
        auto itFirst = std::find_if(aRows.begin(), aRows.end(), isListed);
        if (itFirst == aRows.end())
            itFirst = std::find_if(aRows.begin(), aRows.end(), isNoAlias);
        if (itFirst == aRows.end())
            itFirst = aRows.begin();
        CNameGroup group{p->m_nId, {(*itFirst)->m_pszName}, isListed(*itFirst)};
        for (const CKeywordEntry* pRow : aRows)
            if (pRow != *itFirst)
                group.m_aNames.push_back(pRow->m_pszName);
        aGroups.push_back(group);
    }
    return aGroups;
}

// The row of ROW_TYPE whose name is strName; raises when there is none.
template <class ROW_TYPE>
const ROW_TYPE& FindRow(const ROW_TYPE* pRows, size_t nCount, const std::string& strName, const char* pszWhat)
{
    for (size_t i = 0; i < nCount; ++i)
        if (strName == pRows[i].m_pszName)
            return pRows[i];
    throw CManualError(std::string("the ") + pszWhat + " '" + strName + "' has no row in doc/manual_rows.cpp");
}

// Raises for a row whose name is none of the group names.
template <class ROW_TYPE>
void CheckAllRowsUsed(const ROW_TYPE* pRows, size_t nCount, const std::vector<CNameGroup>& aGroups, const char* pszWhat)
{
    for (size_t i = 0; i < nCount; ++i) {
        bool bUsed = std::any_of(aGroups.begin(), aGroups.end(),
                                 [&](const CNameGroup& group) { return group.m_aNames[0] == pRows[i].m_pszName; });
        if (!bUsed)
            throw CManualError(std::string("the row '") + pRows[i].m_pszName + "' of doc/manual_rows.cpp names no " +
                               pszWhat);
    }
}

std::string Bold(const std::string& strName)
{
    return "\\fB" + RoffLiteral(strName) + "\\fR";
}

// "a", "a and b", "a, b and c" of names in bold.
std::string BoldList(const std::vector<std::string>& aNames, const char* pszLastJoin = " and ")
{
    std::string strList;
    for (size_t i = 0; i < aNames.size(); ++i) {
        if (i > 0)
            strList += i + 1 == aNames.size() ? pszLastJoin : ", ";
        strList += Bold(aNames[i]);
    }
    return strList;
}

// The tag line of a list entry: every name of the group.
void WriteTag(std::ostream& out, const CNameGroup& group)
{
    std::string strTag = Bold(group.m_aNames[0]);
    for (size_t i = 1; i < group.m_aNames.size(); ++i)
        strTag += ", " + Bold(group.m_aNames[i]);
    out << ".TP\n" << strTag << "\n";
}

std::string SyntaxSentence(const CParameterRow& row)
{
    switch (row.m_eSyntax) {
    case VALUE_IPV4:
        return "Value: an IPv4 address.";
    case VALUE_ETHERNET:
        return RoffMarked("Value: an Ethernet address, `0a:b0:c9:de:f1:2a`, `0a-b0-c9-de-f1-2a` or `0ab0:c9de:f12a`.");
    case VALUE_TEXT:
        return "Value: a text of up to 255 characters.";
    case VALUE_PATTERN:
        return "Value: any text.";
    case VALUE_NUMBER: {
        std::string strSentence = "Value: a number from 0 to " + std::to_string(row.m_nMax);
        if (row.m_pszNames != nullptr)
            strSentence += ", or a name of \\fI" + std::string(FindNameTable(row.m_pszNames)->m_pszTitle) +
                           "\\fR (see \\fBNAME TABLES\\fR)";
        return strSentence + ".";
    }
    case VALUE_FLAG:
        return RoffMarked("Value: `0` or `1`, with `=` only.");
    case VALUE_WORD:
        return "Value: " + BoldList(ParameterWords(row), " or ") + ", in any letter case.";
    case VALUE_INDEX_ONLY:
        return "Only in index statements; the value is a number from 0 to 255.";
    }
    return std::string();
}

std::vector<CNameGroup> OutputGroups()
{
    return GroupNames(&IsOutputId, KW_OUTPUT);
}

// The sentences of a field about its label and its header.
std::string LabelSentences(const CNameGroup& group, const CColumnDef& column)
{
    if (column.m_aValues[0].m_pfnValue == nullptr)
        return "It never has a value: the labelled layout leaves it out, the delimited layout leaves its cell empty.";
    std::string strSentences;
    if (column.m_eKind == COLUMN_PREPARED) {
        std::vector<std::string> aLabels;
        for (const CColumnValue& value : column.m_aValues)
            if (value.m_pfnValue != nullptr)
                aLabels.push_back(value.m_pszLabel);
        if (aLabels.size() > 1)
            strSentences = "Labels " + BoldList(aLabels) + ".";
        else if (aLabels[0] != group.m_aNames[0])
            strSentences = "Label " + BoldList(aLabels) + ".";
    }
    const char* pszHeader = CKeywordTable::IdToName(group.m_nId);
    if (group.m_aNames[0] != pszHeader)
        strSentences +=
            std::string(strSentences.empty() ? "" : " ") + "Header " + Bold(pszHeader) + " in the delimited layout.";
    return strSentences;
}

// The sentences of a paragraph, each on a line of its own as roff wants them.
void WriteParagraph(std::ostream& out, const std::vector<std::string>& aSentences)
{
    for (const std::string& strSentence : aSentences)
        if (!strSentence.empty())
            out << RoffLine(strSentence) << "\n";
}

std::string NumberText(const CNameTableRow& table, int32_t nNumber)
{
    char szNumber[16];
    std::snprintf(szNumber, sizeof(szNumber), table.m_bHex ? "0x%04X" : "%d", nNumber);
    return szNumber;
}

// The parameters whose numbers may be written as names of the table.
std::vector<std::string> TableUsers(const CNameTableRow& table)
{
    size_t nCount = 0;
    const CParameterRow* pRows = ParameterRows(nCount);
    std::vector<std::string> aUsers;
    for (size_t i = 0; i < nCount; ++i)
        if (pRows[i].m_pszNames != nullptr && std::strcmp(pRows[i].m_pszNames, table.m_pszKey) == 0)
            aUsers.push_back(pRows[i].m_pszName);
    return aUsers;
}

// The numbers and names of a table in aligned columns, as many pairs to a
// line as fit.
void WriteNameBlock(std::ostream& out, const CNameTableRow& table)
{
    size_t nNumberWidth = 0;
    size_t nNameWidth = 0;
    for (const CNameEntry* p = table.m_pTable; p->m_pszName != nullptr; ++p) {
        nNumberWidth = std::max(nNumberWidth, NumberText(table, p->m_nNumber).size());
        nNameWidth = std::max(nNameWidth, std::strlen(p->m_pszName));
    }
    size_t nNameColumn = nNumberWidth + 2;
    size_t nPairWidth = nNameColumn + nNameWidth + 3;
    size_t nPairs = std::max<size_t>(1, kBlockWidth / nPairWidth);

    out << ".PP\n.RS 4\n.nf\n.ta";
    for (size_t i = 0; i < nPairs; ++i)
        out << " " << i * nPairWidth + nNameColumn << "n " << (i + 1) * nPairWidth << "n";
    out << "\n";
    size_t nInLine = 0;
    for (const CNameEntry* p = table.m_pTable; p->m_pszName != nullptr; ++p) {
        out << (nInLine > 0 ? "\t" : "") << RoffLiteral(NumberText(table, p->m_nNumber)) << "\t"
            << RoffLiteral(p->m_pszName);
        if (++nInLine == nPairs || p[1].m_pszName == nullptr) {
            out << "\n";
            nInLine = 0;
        }
    }
    out << ".fi\n.DT\n.RE\n";
}

// "It stands for ..." of an output type; empty for binary, which stands
// for itself.
std::string ExpansionSentence(const CNameGroup& group)
{
    std::vector<std::string> aFields = ExpandOutput(group.m_aNames[0].c_str());
    if (aFields == std::vector<std::string>{group.m_aNames[0]})
        return std::string();
    return "It stands for " + BoldList(aFields) + ".";
}

// The entries of the output names that are columns (bColumns), or of those
// that are not: the output types and binary.
void WriteOutputNames(std::ostream& out, bool bColumns)
{
    size_t nCount = 0;
    const CFieldRow* pRows = FieldRows(nCount);
    std::vector<CNameGroup> aGroups = OutputGroups();
    for (const CNameGroup& group : aGroups) {
        const CColumnDef* pColumn = FindColumn(group.m_nId);
        if ((pColumn != nullptr) != bColumns)
            continue;
        const CFieldRow& row = FindRow(pRows, nCount, group.m_aNames[0], bColumns ? "output field" : "output type");
        WriteTag(out, group);
        WriteParagraph(out, {RoffMarked(row.m_pszText),
                             pColumn != nullptr ? LabelSentences(group, *pColumn) : ExpansionSentence(group),
                             group.m_bListed ? "" : "Not listed by \\fB\\-\\-outputtypes\\fR."});
    }
    CheckAllRowsUsed(pRows, nCount, aGroups, "output field or type");
}

bool IsWord(const char* pszName)
{
    for (const char* p = pszName; *p != '\0'; ++p)
        if (std::isalpha(static_cast<unsigned char>(*p)) == 0)
            return false;
    return true;
}

}  // namespace

void WriteParameters(std::ostream& out)
{
    size_t nCount = 0;
    const CParameterRow* pRows = ParameterRows(nCount);
    std::vector<CNameGroup> aGroups = GroupNames(&StartsCondition, KW_SEARCH);
    for (const CNameGroup& group : aGroups) {
        const CParameterRow& row = FindRow(pRows, nCount, group.m_aNames[0], "search parameter");
        std::string strDisagreement = CheckParameterRow(row, group.m_nId);
        if (!strDisagreement.empty())
            throw CManualError("the search parameter '" + group.m_aNames[0] + "' " + strDisagreement +
                               ", unlike its row in doc/manual_rows.cpp");
        WriteTag(out, group);
        WriteParagraph(out, {RoffMarked(row.m_pszText), SyntaxSentence(row), row.m_bInList ? "Also in IN lists." : "",
                             group.m_bListed ? "" : "Not listed by \\fB\\-\\-parameters\\fR."});
    }
    CheckAllRowsUsed(pRows, nCount, aGroups, "search parameter");
}

void WriteFields(std::ostream& out)
{
    WriteOutputNames(out, true);
}

void WriteTypes(std::ostream& out)
{
    WriteOutputNames(out, false);
}

void WriteNameTables(std::ostream& out)
{
    size_t nCount = 0;
    const CNameTableRow* pTables = NameTables(nCount);
    for (size_t i = 0; i < nCount; ++i) {
        const CNameTableRow& table = pTables[i];
        std::vector<std::string> aUsers = TableUsers(table);
        if (aUsers.empty())
            throw CManualError(std::string("no search parameter takes the names of '") + table.m_pszKey + "'");
        out << ".SS " << table.m_pszTitle << "\n"
            << "Names of " << BoldList(aUsers) << ", compared without regard to letter case.\n";
        if (table.m_bHex)
            out << "The numbers are shown in hexadecimal; a value is written as a name or in decimal ("
                << NumberText(table, table.m_pTable[0].m_nNumber) << " is " << table.m_pTable[0].m_nNumber << ").\n";
        WriteNameBlock(out, table);
    }
}

void WriteReservedWords(std::ostream& out)
{
    std::vector<std::string> aWords;
    for (const CKeywordEntry* p = CKeywordTable::Entries(); p->m_pszName != nullptr; ++p) {
        if ((p->m_nKind & KW_RESERVED) == 0 || !IsWord(p->m_pszName))
            continue;
        std::string strWord = p->m_pszName;
        std::transform(strWord.begin(), strWord.end(), strWord.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        aWords.push_back(strWord);
    }
    out << RoffLine(BoldList(aWords) + ".") << "\n";
}

}  // namespace manual
