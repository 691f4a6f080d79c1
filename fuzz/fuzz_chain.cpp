// The fuzz chain: the filters and the writers of every layout, and the
// checks of what each writer wrote for an entry.
#include "fuzz/fuzz_chain.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "filter/search_parser.h"
#include "lql/keyword_table.h"
#include "lql/lexer.h"
#include "output/columns.h"
#include "output/output_settings.h"
#include "output/text_writer.h"
#include "support/error_text.h"

namespace {

// The filters, as written behind "where". The first tests one condition of
// nearly every search parameter in turn (values that rarely match, so most
// entries reach the last one); the others nest "and", "not", IN lists and
// index statements.
const char* const kFilters[] = {
    ("srcip = 10.0.0.1 or destip = 192.0.2.77 or srcport = 4242 or destport >= 65000"
     " or srcenet = 00-00-5e-00-53-99 or destenet = 00:00:5e:00:53:98 or category = 'no such'"
     " or event = 'x y' or action = '' or id > 4000000000 or ipproto = 99 or recvif = 'if9'"
     " or destiface = 'if8' or rule = 'r9' or satsrcrule = 's9' or satdestrule = 'd9'"
     " or icmptype = 250 or icmpsrcip = 192.0.2.78 or icmpdestip = 192.0.2.79"
     " or icmpsrcport = 4243 or icmpdestport = 4244 or icmpipproto = 98 or description = '%never%'"
     " or enetproto = 4660 or fin = 1 or syn = 0 and rst = 1 or psh = 1 and ack = 0 or urg = 1"
     " or ece = 1 and cwr = 1 or conn = closed or severity = 7 or algmodname = 'm9'"
     " or algsessionid = 99999 or arp = other or authrule = 'a9' or authagent = 'g9'"
     " or authevent = 5 or username = 'u9' or srcusername = 'u8' or destusername = 'u7'"
     " or dynroutingevent = 99 or dynroutingsrcproc = 'p9' or dynroutingdestproc = 'p8'"
     " or routeiface = 'r8' or routemetric > 99999 or routerange = 192.0.2.80 or routegw = 192.0.2.81"),
    ("not (srcip in (10.0.0.0/8, 192.168.1.1-192.168.1.9) and destport in (23, 80, 443, 1000-2000))"
     " and (id in (1, 5-9, 1000-2000) or icmpsrcport in (53, 123) or routegw in (192.0.2.0/24))"),
    "tcp[13] = 2 or ip[9] = 17 or udp[2] > 0 or enet[12] = 8 or tcp[015] <= 18 or ip[0] < 69",
    "description = '*scan*' or not (category = 'CONN' and conn = open) or arp = request",
};

// Settings of one writer.
struct CLayout {
    EOutputLayout m_eLayout;
    char m_cDelimiter;
    char m_cEndDelimiter;  // 0: no end delimiter
    EIpFormat m_eIpFormat;
};

// clang-format off
const CLayout kLayouts[] = {
    // layout      delimiter  end delimiter  address format
    { LAYOUT_TEXT, '\0',      '\0',          IPFORMAT_STRING  },
    { LAYOUT_TEXT, ';',       ';',           IPFORMAT_FIXED   },
    { LAYOUT_TEXT, '\t',      '\0',          IPFORMAT_INTEGER },
    { LAYOUT_JSON, '\0',      '\0',          IPFORMAT_STRING  },
    { LAYOUT_CSV,  '\0',      '\0',          IPFORMAT_INTEGER },
};
// clang-format on

std::unique_ptr<CSearchFilter> ParseFilter(const char* pszWhere)
{
    try {
        CLqlLexer lexer(pszWhere);
        CSearchParser parser(&lexer);
        std::unique_ptr<CSearchFilter> pFilter = parser.Parse();
        if (pFilter != nullptr)
            return pFilter;
        std::fprintf(stderr, "fuzz chain: no filter for %s\n", pszWhere);
    } catch (const CErrorText& error) {
        std::fprintf(stderr, "fuzz chain: filter rejected (%s): %s\n", error.Text(), pszWhere);
    }
    std::abort();
}

// Every output name that has a column, in keyword table order.
CDynArray<CSString> EveryColumn()
{
    CDynArray<CSString> aNames;
    for (const CKeywordEntry* p = CKeywordTable::Entries(); p->m_pszName != nullptr; ++p)
        if ((p->m_nKind & KW_OUTPUT) != 0 && (p->m_nKind & KW_ALIAS) == 0 && FindColumn(p->m_nId) != nullptr)
            aNames.Add(CSString(p->m_pszName));
    return aNames;
}

// The stream of a writer: appends everything written to the text.
ssize_t CaptureWrite(void* pCookie, const char* pData, size_t nSize)
{
    static_cast<std::string*>(pCookie)->append(pData, nSize);
    return static_cast<ssize_t>(nSize);
}

[[noreturn]] void BrokenRule(const char* pszRule, const std::string& strText)
{
    std::fprintf(stderr, "fuzz chain: %s: \"%s\"\n", pszRule, strText.c_str());
    std::abort();
}

// Whether the text is one line: its only line feed is its last character.
bool IsOneLine(const std::string& strText)
{
    return !strText.empty() && strText.find('\n') == strText.size() - 1;
}

// The fields of the one CSV record the text holds (a quoted field may hold
// commas, line breaks and doubled double quotes); -1 when the text is not
// exactly one well-formed record ending with a line feed.
int CountCsvFields(const std::string& strText)
{
    size_t nSize = strText.size();
    size_t i = 0;
    for (int nFields = 1;; ++nFields, ++i) {
        if (i < nSize && strText[i] == '"') {
            for (++i; i < nSize && (strText[i] != '"' || (i + 1 < nSize && strText[i + 1] == '"'));)
                i += strText[i] == '"' ? 2 : 1;
            if (i == nSize)
                return -1;
            ++i;  // the closing quote
        } else {
            for (; i < nSize && strText[i] != ',' && strText[i] != '\n'; ++i)
                if (strText[i] == '"' || strText[i] == '\r')
                    return -1;
        }
        if (i == nSize || (strText[i] != ',' && strText[i] != '\n'))
            return -1;
        if (strText[i] == '\n')
            return i + 1 == nSize ? nFields : -1;
    }
}

}  // namespace

// One layout's writer, the stream that captures what it writes, and what
// the header line told: the delimiter counts of a delimited layout, the
// field count of CSV.
class CFuzzChain::COutput {
public:
    explicit COutput(const CLayout& layout);
    ~COutput();
    COutput(const COutput&) = delete;
    COutput& operator=(const COutput&) = delete;

    // Writes the entry and checks what came out; aborts on a broken rule.
    void Write(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway);

private:
    void CheckEntryText() const;
    // How often the character occurs in the captured text; 0 for the
    // character 0 (no delimiter).
    size_t Count(char ch) const;

    CLayout m_layout;
    std::string m_strCaptured;
    FILE* m_pStream;
    std::unique_ptr<CTextWriter> m_pWriter;
    size_t m_nDelimiters;
    size_t m_nEndDelimiters;
    int m_nCsvFields;
};

CFuzzChain::COutput::COutput(const CLayout& layout) : m_layout(layout)
{
    cookie_io_functions_t functions = {};
    functions.write = &CaptureWrite;
    m_pStream = fopencookie(&m_strCaptured, "w", functions);
    if (m_pStream == nullptr) {
        std::perror("fopencookie");
        std::abort();
    }
    COutputSettings settings;
    settings.m_eLayout = layout.m_eLayout;
    settings.m_cDelimiter = layout.m_cDelimiter;
    settings.m_bAddEndDelimiter = layout.m_cEndDelimiter != '\0';
    settings.m_cEndDelimiter = layout.m_cEndDelimiter;
    settings.m_eIpFormat = layout.m_eIpFormat;
    m_pWriter.reset(new CTextWriter(EveryColumn(), settings, m_pStream));
    m_pWriter->Begin();
    std::fflush(m_pStream);
    m_nDelimiters = Count(layout.m_cDelimiter);
    m_nEndDelimiters = Count(layout.m_cEndDelimiter);
    m_nCsvFields = layout.m_eLayout == LAYOUT_CSV ? CountCsvFields(m_strCaptured) : 0;
    if (m_nCsvFields < 0)
        BrokenRule("the CSV header is no record", m_strCaptured);
    m_strCaptured.clear();
}

CFuzzChain::COutput::~COutput()
{
    m_pWriter.reset();
    std::fclose(m_pStream);
}

size_t CFuzzChain::COutput::Count(char ch) const
{
    return ch == '\0' ? 0 : static_cast<size_t>(std::count(m_strCaptured.begin(), m_strCaptured.end(), ch));
}

void CFuzzChain::COutput::Write(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway)
{
    m_pWriter->WriteEntry(entry, record, pszGateway);
    std::fflush(m_pStream);
    CheckEntryText();
    m_strCaptured.clear();
}

void CFuzzChain::COutput::CheckEntryText() const
{
    switch (m_layout.m_eLayout) {
    case LAYOUT_TEXT:
        if (m_strCaptured.empty())
            return;  // a line left empty is not written
        if (!IsOneLine(m_strCaptured))
            BrokenRule("an entry made more than one line", m_strCaptured);
        if (Count(m_layout.m_cDelimiter) != m_nDelimiters || Count(m_layout.m_cEndDelimiter) != m_nEndDelimiters)
            BrokenRule("an entry's line has other cells than the header", m_strCaptured);
        return;
    case LAYOUT_JSON: {
        if (!IsOneLine(m_strCaptured))
            BrokenRule("an entry made other than one JSON line", m_strCaptured);
        nlohmann::json object = nlohmann::json::parse(m_strCaptured, nullptr, false);
        if (object.is_discarded() || !object.is_object())
            BrokenRule("an entry's JSON line is no JSON object", m_strCaptured);
        return;
    }
    case LAYOUT_CSV:
        if (CountCsvFields(m_strCaptured) != m_nCsvFields)
            BrokenRule("an entry made other than one CSV record of the header's fields", m_strCaptured);
        return;
    }
}

CFuzzChain::CFuzzChain()
{
    for (const char* pszWhere : kFilters)
        m_apFilters.push_back(ParseFilter(pszWhere));
    for (const CLayout& layout : kLayouts)
        m_apOutputs.emplace_back(new COutput(layout));
}

CFuzzChain::~CFuzzChain() = default;

void CFuzzChain::Process(const CLogEntry& entry, const char* pszGateway)
{
    m_record.Decode(entry.m_pBody, entry.m_nLength);
    for (const std::unique_ptr<CSearchFilter>& pFilter : m_apFilters)
        pFilter->Evaluate(m_record);
    for (const std::unique_ptr<COutput>& pOutput : m_apOutputs)
        pOutput->Write(entry, m_record, pszGateway);
}
