// The statement parser: the SELECT list with composite output types
// expanded, the FROM lists with their sources and time statements, the WHERE
// clause handed to the filter parser, and the messages it reports with the
// context line and the caret under the failing word.
#include "lql/statement_parser.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "filter/search_node.h"
#include "filter/search_parser.h"
#include "lql/keyword_table.h"
#include "lql/lexer.h"
#include "lql/lql_clock.h"
#include "lql/parse_message.h"
#include "lql/time_statement.h"
#include "lql/token_text.h"
#include "support/assert.h"
#include "support/error_text.h"

namespace {

// Composite output types and the output names they stand for, in order.
// clang-format off
const char* const g_apszStandard[]  = { "date", "time", "vantgard", "category", "id", "event",
                                        "action", "recvif", "srcip", "srcport", "destip",
                                        "destport", "ipproto", "explanation", "params" };
const char* const g_apszIcmpStd[]   = { "ttl", "icmptype", "icmpipproto", "icmpdestip", "icmpsrcip",
                                        "icmpdestport" };
const char* const g_apszTcpFlags[]  = { "fin", "syn", "rst", "psh", "ack", "urg", "ece", "cwr" };
const char* const g_apszTcpStd[]    = { "tcpdatalen", "tcphdrlen", "fin", "syn", "rst", "psh", "ack",
                                        "urg", "ece", "cwr" };
const char* const g_apszUdpStd[]    = { "udpdatalen" };
const char* const g_apszUserNames[] = { "username", "srcusername", "destusername" };
// clang-format on

struct CCompositeOutput {
    int32_t m_nId;
    const char* const* m_apszNames;
    int m_nCount;
};

template <size_t COUNT>
constexpr CCompositeOutput Composite(int32_t nId, const char* const (&apszNames)[COUNT])
{
    return {nId, apszNames, static_cast<int>(COUNT)};
}

const CCompositeOutput g_aComposites[] = {
    // clang-format off
    Composite(KEY_STANDARD,  g_apszStandard),
    Composite(KEY_ICMPSTD,   g_apszIcmpStd),
    Composite(KEY_TCPFLAGS,  g_apszTcpFlags),
    Composite(KEY_TCPSTD,    g_apszTcpStd),
    Composite(KEY_UDPSTD,    g_apszUdpStd),
    Composite(KEY_USERNAMES, g_apszUserNames),
    // clang-format on
};

const CCompositeOutput* FindComposite(int32_t nType)
{
    for (const CCompositeOutput& composite : g_aComposites)
        if (composite.m_nId == nType)
            return &composite;
    return nullptr;
}

// True for the ids that some row of the keyword table marks as an output name.
bool IsOutputId(int32_t nType)
{
    for (const CKeywordEntry* p = CKeywordTable::Entries(); p->m_pszName != nullptr; ++p)
        if (p->m_nId == nType && (p->m_nKind & KW_OUTPUT) != 0)
            return true;
    return false;
}

enum { kMessageBuffer = 1024 };

}  // namespace

CStatementParser::CStatementParser(const char* const* apszGatewayNames, int nGatewayCount)
{
    m_aGatewayNames.Reserve(8);
    for (int i = 0; i < nGatewayCount; ++i)
        m_aGatewayNames.Add(CSString(apszGatewayNames[i]));
}

CStatementParser::~CStatementParser() = default;

bool CStatementParser::Report(int nMessageId, ...)
{
    const CParseMessage* pMessage = CParseMessage::Find(nMessageId);
    SARNITH_ASSERT(pMessage != nullptr);

    char szText[kMessageBuffer];
    va_list args;
    va_start(args, nMessageId);
    std::vsnprintf(szText, sizeof(szText), pMessage->m_pszFormat, args);
    va_end(args);

    const char* pszContext = m_pLexer != nullptr ? m_pLexer->GetContext() : "";
    int nCaretColumn = m_pLexer != nullptr ? m_pLexer->GetCaretColumn() : 0;
    std::fprintf(stderr, "%s\n%*s", pszContext, nCaretColumn, "");
    switch (pMessage->m_eSeverity) {
    case PARSE_ERROR:
        std::fprintf(stderr, "^ Error: %s\n", szText);
        return false;
    case PARSE_WARNING:
        std::fprintf(stderr, "^ Warning: %s\n", szText);
        return true;
    default:
        std::fprintf(stderr, "Information: %s\n", szText);
        return true;
    }
}

bool CStatementParser::ReportHere(int nMessageId)
{
    m_pLexer->SetErrorContext(CParseMessage::Find(nMessageId)->m_pszFormat);
    return Report(nMessageId);
}

void CStatementParser::ReportErrorTextHere(const char* pszText)
{
    Report(MSG_ERROR_TEXT, m_pLexer->SetErrorContext(pszText));
}

bool CStatementParser::Parse(const CSString& strStatement, CQuery& query)
{
    query.m_pFilter.reset();
    m_pLexer.reset();
    m_strStatement = strStatement;

    if (m_strStatement.IsEmpty() && !Report(MSG_NO_VALID_INPUT))
        return false;
    m_pLexer.reset(new CLqlLexer(m_strStatement.GetString()));

    if (m_pLexer->Next() != KEY_SELECT && !ReportHere(MSG_EXPECTED_SELECT))
        return false;
    if (!ParseSelectList(query))
        return false;
    if (m_pLexer->Next() != KEY_FROM && !ReportHere(MSG_NO_FROM_KEYWORD))
        return false;
    if (!ParseFromList(query))
        return false;
    if (query.m_aRanges.IsEmpty() && !ReportHere(MSG_NO_VALID_GATEWAY))
        return false;

    if (m_pLexer->GetType() == TOKEN_END)
        return true;
    int32_t nType = m_pLexer->Next();
    if (nType == TOKEN_END)
        return true;
    if (nType != KEY_WHERE)
        return ReportHere(MSG_EXPECTED_AND_WHERE_OR_TIME);

    CSearchParser searchParser(m_pLexer.get());
    try {
        query.m_pFilter = searchParser.Parse();
    } catch (const CErrorText& error) {
        ReportErrorTextHere(error.Text());
        return false;
    }
    return query.m_pFilter != nullptr;
}

void CStatementParser::AppendOutputName(CQuery& query)
{
    CSString strName;
    bool bCopied = GetTokenText(*m_pLexer, strName);
    SARNITH_ASSERT(bCopied);  // output names are keywords: short words
    query.m_aOutputs.Add(strName);
}

bool CStatementParser::ParseSelectList(CQuery& query)
{
    bool bBinary = false;
    int nItems = 0;
    for (;;) {
        int32_t nType = m_pLexer->Next();
        const CCompositeOutput* pComposite = FindComposite(nType);
        if (pComposite != nullptr) {
            for (int i = 0; i < pComposite->m_nCount; ++i)
                query.m_aOutputs.Add(CSString(pComposite->m_apszNames[i]));
            ++nItems;
        } else if (nType == KEY_BINARY) {
            AppendOutputName(query);
            bBinary = true;
            ++nItems;
        } else if (IsOutputId(nType)) {
            AppendOutputName(query);
            ++nItems;
        } else if (nType == KEY_FROM) {
            m_pLexer->PushBack();
            return true;
        } else if (nType != TOKEN_COMMA) {
            if (!ReportHere(bBinary ? MSG_BINARY_AND_TEXT_MIXED : MSG_NOT_AN_OUTPUT_TYPE))
                return false;
            m_pLexer->PushBack();
            return true;
        }
        if (bBinary && nItems > 1 && !ReportHere(MSG_BINARY_AND_TEXT_MIXED))
            return false;
    }
}

bool CStatementParser::IsConfiguredGateway(const CSString& strName) const
{
    for (int i = 0; i < m_aGatewayNames.GetSize(); ++i)
        if (m_aGatewayNames[i].CompareNoCase(strName) == 0)
            return true;
    return false;
}

bool CStatementParser::AddAllTimeRange(CQuery& query, const CDynArray<CQuerySource>& aSources)
{
    CQueryRange range;
    time_t nEpoch = 0;
    time_t nNow = LqlCurrentTime();
    if (nNow == static_cast<time_t>(-1) || gmtime_r(&nEpoch, &range.m_tmStart) == nullptr ||
        gmtime_r(&nNow, &range.m_tmEnd) == nullptr)
        return ReportHere(MSG_TIME_OUT_OF_RANGE);
    range.m_aSources = aSources;
    range.m_bOpenTowardsNow = true;
    query.m_aRanges.Add(range);
    return true;
}

// One FROM list after another while "and" joins them: the result is that of
// the last list, and only that list's names decide it.
bool CStatementParser::ParseFromList(CQuery& query)
{
    for (;;) {
        CDynArray<CQuerySource> aSources;
        aSources.Reserve(8);
        bool bNoTimeStatement = true;
        bool bWarned = false;
        int nGatewaysFound = 0;

        int32_t nType;
        for (;;) {
            nType = m_pLexer->Next();
            if (nType == KEY_ALL) {
                CQuerySource source;
                source.m_bAll = 1;
                aSources.Add(source);
            } else if (nType == KEY_FILE) {
                CQuerySource source;
                if (m_pLexer->Next() != TOKEN_STRING || !GetTokenText(*m_pLexer, source.m_strName)) {
                    if (!ReportHere(MSG_NO_VALID_FILENAME))
                        return false;
                    continue;
                }
                source.m_strName.Replace('"', ' ');
                source.m_strName.Trim();
                source.m_bFile = 1;
                aSources.Add(source);
            } else if (nType == TOKEN_STRING) {
                CQuerySource source;
                if (!GetTokenText(*m_pLexer, source.m_strName) || !IsConfiguredGateway(source.m_strName)) {
                    bWarned = true;
                    if (!ReportHere(MSG_GATEWAY_NOT_CONFIGURED))
                        return false;
                    continue;
                }
                source.m_bGateway = 1;
                aSources.Add(source);
                ++nGatewaysFound;
            } else if (nType == KEY_LAST || nType == KEY_TIMES) {
                if (aSources.IsEmpty()) {
                    bWarned = true;
                    if (!ReportHere(MSG_TIME_STATEMENT_WITHOUT_GATEWAY))
                        return false;
                }
                CQueryRange range;
                CTimeStatement timeStatement(m_pLexer.get());
                ETimeForm eForm = nType == KEY_LAST ? TIME_FORM_LAST : TIME_FORM_TIMES;
                if (!timeStatement.Parse(range.m_tmStart, range.m_tmEnd, eForm)) {
                    ReportErrorTextHere(timeStatement.GetErrorText());
                    return false;
                }
                range.m_aSources = aSources;
                range.m_bOpenTowardsNow = timeStatement.IsOpenTowardsNow();
                query.m_aRanges.Add(range);
                bNoTimeStatement = false;
            } else if (nType != TOKEN_COMMA) {
                break;
            }
        }

        if (bNoTimeStatement) {
            if (aSources.IsEmpty()) {
                bWarned = true;
                if (!ReportHere(MSG_TIME_STATEMENT_WITHOUT_GATEWAY))
                    return false;
            } else if (!AddAllTimeRange(query, aSources)) {
                return false;
            }
        }

        if (nType == KEY_AND)
            continue;
        if (nType == KEY_WHERE || nType == TOKEN_END)
            m_pLexer->PushBack();
        else if (!ReportHere(MSG_EXPECTED_AND_WHERE_OR_TIME))
            return false;
        return !(bWarned && nGatewaysFound == 0);
    }
}
