#include "fuzz/fuzz_chain.h"

#include <cstdlib>

#include "filter/search_parser.h"
#include "lql/keyword_table.h"
#include "lql/lexer.h"
#include "output/columns.h"
#include "output/output_settings.h"
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
    char m_cDelimiter;
    char m_cEndDelimiter;  // 0: no end delimiter
    EIpFormat m_eIpFormat;
};

const CLayout kLayouts[] = {
    // delimiter  end delimiter  address format
    { '\0',       '\0',          IPFORMAT_STRING  },
    { ';',        ';',           IPFORMAT_FIXED   },
    { '\t',       '\0',          IPFORMAT_INTEGER },
};

std::unique_ptr<CSearchFilter> ParseFilter(const char* pszWhere)
{
    try {
        CLqlLexer lexer(pszWhere);
        CSearchParser parser(&lexer, 1);
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

}  // namespace

CFuzzChain::CFuzzChain() : m_pNullStream(std::fopen("/dev/null", "wb"))
{
    if (m_pNullStream == nullptr) {
        std::perror("/dev/null");
        std::abort();
    }
    for (const char* pszWhere : kFilters)
        m_apFilters.push_back(ParseFilter(pszWhere));
    for (const CLayout& layout : kLayouts) {
        COutputSettings settings;
        settings.m_cDelimiter = layout.m_cDelimiter;
        settings.m_bAddEndDelimiter = layout.m_cEndDelimiter != '\0';
        settings.m_cEndDelimiter = layout.m_cEndDelimiter;
        settings.m_eIpFormat = layout.m_eIpFormat;
        m_apWriters.emplace_back(new CTextWriter(EveryColumn(), settings, m_pNullStream));
        m_apWriters.back()->Begin();
    }
}

CFuzzChain::~CFuzzChain()
{
    m_apWriters.clear();
    std::fclose(m_pNullStream);
}

void CFuzzChain::Process(const CLogEntry& entry, const char* pszGateway)
{
    m_record.Decode(entry.m_pBody, entry.m_nLength);
    for (const std::unique_ptr<CSearchFilter>& pFilter : m_apFilters)
        pFilter->Evaluate(m_record);
    for (const std::unique_ptr<CTextWriter>& pWriter : m_apWriters)
        pWriter->WriteEntry(entry, m_record, pszGateway);
}
