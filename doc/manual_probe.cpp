// The questions mkmanual asks the program; see manual_probe.h. A value
// syntax is checked by handing typical values to the filter's own nodes: the
// ones the row says are accepted must be, and the ones just outside must be
// refused.
#include "doc/manual_probe.h"

#include <cstdarg>

#include "filter/search_in.h"
#include "filter/search_index.h"
#include "filter/search_param.h"
#include "lql/keyword_table.h"
#include "lql/parse_message.h"
#include "lql/query.h"
#include "lql/statement_parser.h"
#include "support/error_text.h"

namespace manual {

namespace {

// The one gateway the probing statements name.
const char* const kGateway = "gw";

// The message the WHERE parser raises when a condition starts with a
// parameter and the statement ends right behind it.
const char* const kOperatorMissing = "Unknown operator";

// A statement parser that keeps the text of the last error to itself.
class CQuietParser : public CStatementParser {
public:
    CQuietParser() : CStatementParser(&kGateway, 1) {}

    bool Report(int nMessageId, ...) override
    {
        if (nMessageId == MSG_ERROR_TEXT) {
            va_list args;
            va_start(args, nMessageId);
            m_strError = va_arg(args, const char*);
            va_end(args);
        }
        return false;
    }

    const std::string& GetError() const { return m_strError; }

private:
    std::string m_strError;
};

bool ParamAccepts(int32_t nId, const std::string& strValue, ESearchOp eOp = SEARCH_OP_EQ)
{
    CSearchParam param;
    try {
        param.SetValue(nId, strValue.c_str(), eOp);
        return true;
    } catch (const CErrorText&) {
        return false;
    }
}

bool IndexAccepts(int32_t nId)
{
    CSearchIndex index;
    try {
        index.SetValue(nId, "1", SEARCH_OP_EQ, 0);
        return true;
    } catch (const CErrorText&) {
        return false;
    }
}

bool InListAccepts(int32_t nId, const char* pszList)
{
    CSearchIn in;
    try {
        in.SetValue(nId, pszList);
        return true;
    } catch (const CErrorText&) {
        return false;
    }
}

// The values of a syntax that must be accepted and the ones that must not.
struct CProbeValues {
    std::vector<std::string> m_aAccepted;
    std::vector<std::string> m_aRefused;
};

CProbeValues ProbeValues(const CParameterRow& row)
{
    CProbeValues values;
    switch (row.m_eSyntax) {
    case VALUE_IPV4:
        values.m_aAccepted = {"10.0.0.1", "255.255.255.255"};
        values.m_aRefused = {"10.0.0", "10.0.0.256", "x"};
        break;
    case VALUE_ETHERNET:
        values.m_aAccepted = {"0a:b0:c9:de:f1:2a", "0a-b0-c9-de-f1-2a", "0ab0:c9de:f12a"};
        values.m_aRefused = {"0a:b0:c9", "x"};
        break;
    case VALUE_TEXT:
        values.m_aAccepted = {"", std::string(255, 'a')};
        values.m_aRefused = {std::string(256, 'a')};
        break;
    case VALUE_PATTERN:
        values.m_aAccepted = {"", std::string(1000, 'a')};
        break;
    case VALUE_NUMBER: {
        values.m_aAccepted = {"0", std::to_string(row.m_nMax)};
        values.m_aRefused = {std::to_string(static_cast<uint64_t>(row.m_nMax) + 1), "nosuchname"};
        const CNameTableRow* pNames = row.m_pszNames != nullptr ? FindNameTable(row.m_pszNames) : nullptr;
        if (pNames != nullptr) {
            for (const CNameEntry* p = pNames->m_pTable; p->m_pszName != nullptr; ++p)
                values.m_aAccepted.push_back(p->m_pszName);
        } else {
            values.m_aRefused.push_back(g_services[0].m_pszName);
        }
        break;
    }
    case VALUE_FLAG:
        values.m_aAccepted = {"0", "1"};
        values.m_aRefused = {"2"};
        break;
    case VALUE_WORD: {
        values.m_aAccepted = ParameterWords(row);
        values.m_aRefused = {"nosuchword"};
        break;
    }
    case VALUE_INDEX_ONLY:
        values.m_aRefused = {"1"};
        break;
    }
    return values;
}

}  // namespace

bool StartsCondition(int32_t nId)
{
    const char* pszName = CKeywordTable::IdToName(nId);
    if (pszName == nullptr)
        return false;
    CQuietParser parser;
    CQuery query;
    parser.Parse(CSString("select srcip from gw where ") + pszName, query);
    return parser.GetError() == kOperatorMissing;
}

std::vector<std::string> ExpandOutput(const char* pszName)
{
    CQuietParser parser;
    CQuery query;
    std::vector<std::string> aNames;
    if (parser.Parse(CSString("select ") + pszName + " from gw", query))
        for (int i = 0; i < query.m_aOutputs.GetSize(); ++i)
            aNames.push_back(query.m_aOutputs[i].GetString());
    return aNames;
}

std::string CheckParameterRow(const CParameterRow& row, int32_t nId)
{
    CProbeValues values = ProbeValues(row);
    for (const std::string& strValue : values.m_aAccepted)
        if (!ParamAccepts(nId, strValue))
            return "refuses the value '" + strValue + "'";
    for (const std::string& strValue : values.m_aRefused)
        if (ParamAccepts(nId, strValue))
            return "accepts the value '" + strValue.substr(0, 20) + "'";
    if (row.m_eSyntax == VALUE_FLAG && ParamAccepts(nId, "1", SEARCH_OP_GT))
        return "accepts a comparison other than '='";
    if (IndexAccepts(nId) != (row.m_eSyntax == VALUE_INDEX_ONLY))
        return IndexAccepts(nId) ? "is accepted in index statements" : "is refused in index statements";
    const char* pszList = row.m_eSyntax == VALUE_IPV4 ? "10.0.0.1" : "1";
    if (InListAccepts(nId, pszList) != row.m_bInList)
        return row.m_bInList ? "is refused in IN lists" : "is accepted in IN lists";
    return std::string();
}

}  // namespace manual
