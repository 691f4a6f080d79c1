#include "filter/search_param.h"

#include <cstring>

#include "filter/search_compare.h"
#include "filter/search_messages.h"
#include "filter/text_pattern.h"
#include "filter/value_syntax.h"
#include "lql/keyword_table.h"
#include "records/log_record.h"
#include "records/packet_decoder.h"
#include "support/ascii.h"
#include "support/assert.h"
#include "support/byte_order.h"
#include "support/name_tables.h"

namespace {

// How the value text of a parameter is read.
enum EValueSyntax {
    SYNTAX_IPV4,      // dotted IPv4 address
    SYNTAX_ETHERNET,  // Ethernet address in one of its three forms
    SYNTAX_TEXT,      // up to 255 characters, stored as written
    SYNTAX_PATTERN,   // case-insensitive substring pattern
    SYNTAX_NUMBER,    // a number or a name standing for one (g_aNumberRules)
    SYNTAX_FLAG,      // 0 or 1, with "=" only
    SYNTAX_WORD,      // one of a few fixed words (g_aWordRows)
};

struct CParameterRow {
    int32_t m_nParamId;        // keyword id
    ESearchField m_eField;
    EValueSyntax m_eSyntax;
    ESearchMessage m_eMessage; // the rejection message; SMSG_COUNT: never rejected
};

// Every parameter a condition accepts. Aliases ("params", "hwsrc", ...)
// share the keyword id of the name they stand for.
const CParameterRow g_aParameters[] = {
//    keyword id               field                     syntax            message
    { KEY_SRCIP,               FIELD_SRCIP,              SYNTAX_IPV4,      SMSG_INCORRECT_IP        },
    { KEY_DESTIP,              FIELD_DESTIP,             SYNTAX_IPV4,      SMSG_INCORRECT_IP        },
    { KEY_SRCPORT,             FIELD_SRCPORT,            SYNTAX_NUMBER,    SMSG_INCORRECT_PORT      },
    { KEY_DESTPORT,            FIELD_DESTPORT,           SYNTAX_NUMBER,    SMSG_INCORRECT_PORT      },
    { KEY_SRCENET,             FIELD_SRCENET,            SYNTAX_ETHERNET,  SMSG_INCORRECT_ETHERNET  },
    { KEY_DESTENET,            FIELD_DESTENET,           SYNTAX_ETHERNET,  SMSG_INCORRECT_ETHERNET  },
    { KEY_CATEGORY,            FIELD_CATEGORY,           SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_EVENT,               FIELD_EVENT,              SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_ACTION,              FIELD_ACTION,             SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_ID,                  FIELD_ID,                 SYNTAX_NUMBER,    SMSG_INCORRECT_ID        },
    { KEY_IPPROTO,             FIELD_IPPROTO,            SYNTAX_NUMBER,    SMSG_INCORRECT_PROTOCOL  },
    { KEY_RECVIF,              FIELD_RECVIF,             SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_DESTIFACE,           FIELD_DESTIFACE,          SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_RULE,                FIELD_RULE,               SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_SATSRCRULE,          FIELD_SATSRCRULE,         SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_SATDESTRULE,         FIELD_SATDESTRULE,        SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_ICMPTYPE,            FIELD_ICMPTYPE,           SYNTAX_NUMBER,    SMSG_INCORRECT_ICMP_TYPE },
    { KEY_ICMPSRCIP,           FIELD_ICMPSRCIP,          SYNTAX_IPV4,      SMSG_INCORRECT_IP        },
    { KEY_ICMPDESTIP,          FIELD_ICMPDESTIP,         SYNTAX_IPV4,      SMSG_INCORRECT_IP        },
    { KEY_ICMPSRCPORT,         FIELD_ICMPSRCPORT,        SYNTAX_NUMBER,    SMSG_INCORRECT_PORT      },
    { KEY_ICMPDESTPORT,        FIELD_ICMPDESTPORT,       SYNTAX_NUMBER,    SMSG_INCORRECT_PORT      },
    { KEY_ICMPIPPROTO,         FIELD_ICMPIPPROTO,        SYNTAX_NUMBER,    SMSG_INCORRECT_PROTOCOL  },
    { KEY_DESCRIPTION,         FIELD_DESCRIPTION,        SYNTAX_PATTERN,   SMSG_COUNT               },
    { KEY_ENETPROTO,           FIELD_ENETPROTO,          SYNTAX_NUMBER,    SMSG_UNKNOWN_ETHER_TYPE  },
    { KEY_FIN,                 FIELD_FIN,                SYNTAX_FLAG,      SMSG_INCORRECT_BIT       },
    { KEY_SYN,                 FIELD_SYN,                SYNTAX_FLAG,      SMSG_INCORRECT_BIT       },
    { KEY_RST,                 FIELD_RST,                SYNTAX_FLAG,      SMSG_INCORRECT_BIT       },
    { KEY_PSH,                 FIELD_PSH,                SYNTAX_FLAG,      SMSG_INCORRECT_BIT       },
    { KEY_ACK,                 FIELD_ACK,                SYNTAX_FLAG,      SMSG_INCORRECT_BIT       },
    { KEY_URG,                 FIELD_URG,                SYNTAX_FLAG,      SMSG_INCORRECT_BIT       },
    { KEY_ECE,                 FIELD_ECE,                SYNTAX_FLAG,      SMSG_INCORRECT_BIT       },
    { KEY_CWR,                 FIELD_CWR,                SYNTAX_FLAG,      SMSG_INCORRECT_BIT       },
    { KEY_CONN,                FIELD_CONN,               SYNTAX_WORD,      SMSG_UNKNOWN_CONNEVENT   },
    { KEY_SEVERITY,            FIELD_SEVERITY,           SYNTAX_NUMBER,    SMSG_INCORRECT_SEVERITY  },
    { KEY_ALGMODNAME,          FIELD_ALGMODNAME,         SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_ALGSESSIONID,        FIELD_ALGSESSIONID,       SYNTAX_NUMBER,    SMSG_INCORRECT_ALG_SESSION },
    { KEY_ARP,                 FIELD_ARP,                SYNTAX_WORD,      SMSG_UNKNOWN_ARP         },
    { KEY_AUTHRULE,            FIELD_AUTHRULE,           SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_AUTHAGENT,           FIELD_AUTHAGENT,          SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_AUTHEVENT,           FIELD_AUTHEVENT,          SYNTAX_NUMBER,    SMSG_UNKNOWN_AUTH_EVENT  },
    { KEY_USERNAME,            FIELD_USERNAME,           SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_SRCUSERNAME,         FIELD_SRCUSERNAME,        SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_DESTUSERNAME,        FIELD_DESTUSERNAME,       SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_DYNROUTINGEVENT,     FIELD_DYNROUTINGEVENT,    SYNTAX_NUMBER,    SMSG_UNKNOWN_DYNROUTINGEVENT },
    { KEY_DYNROUTINGSRCPROC,   FIELD_DYNROUTINGSRCPROC,  SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_DYNROUTINGDESTPROC,  FIELD_DYNROUTINGDESTPROC, SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_ROUTEIFACE,          FIELD_ROUTEIFACE,         SYNTAX_TEXT,      SMSG_STRING_TOO_LONG     },
    { KEY_ROUTEMETRIC,         FIELD_ROUTEMETRIC,        SYNTAX_NUMBER,    SMSG_INCORRECT_ROUTEMETRIC },
    { KEY_ROUTERANGE,          FIELD_ROUTERANGE,         SYNTAX_IPV4,      SMSG_INCORRECT_IP        },
    { KEY_ROUTEGW,             FIELD_ROUTEGW,            SYNTAX_IPV4,      SMSG_INCORRECT_IP        },
};

const uint32_t kAny32 = 0xFFFFFFFF;
const uint32_t kNameAny = 0xFFFFFFFE;  // every number a name lookup finds (-1 means none)

// How a numeric value is read: optionally trimmed, then a name of the table
// whose number lies in [m_nNameMin, m_nNameMax]; otherwise a decimal number
// up to m_nMax, which may have to start with a digit.
struct CNumberRule {
    ESearchField m_eField;
    const CNameEntry* m_pNames;
    uint32_t m_nNameMin;
    uint32_t m_nNameMax;
    bool m_bTrim;
    bool m_bDigitFirst;
    uint32_t m_nMax;
    bool m_b16;                  // stored as 16 bits, else as 32 bits
    ESearchMessage m_eNotDigit;  // the text does not start with a digit
    ESearchMessage m_eBadNumber; // the number is malformed or too large
};

const CNumberRule g_aNumberRules[] = {
//    field                  names          names from .. to    trim   digit  max     16-bit  not a digit               bad number
    { FIELD_SRCPORT,         g_services,    0,     65535,       false, false, 65535,  true,   SMSG_INCORRECT_PORT,      SMSG_INCORRECT_PORT         },
    { FIELD_DESTPORT,        g_services,    0,     65535,       false, false, 65535,  true,   SMSG_INCORRECT_PORT,      SMSG_INCORRECT_PORT         },
    { FIELD_ID,              nullptr,       0,     0,           false, true,  kAny32, false,  SMSG_INCORRECT_ID,        SMSG_INCORRECT_ID           },
    { FIELD_IPPROTO,         g_ipProtocols, 0,     65534,       true,  false, 255,    true,   SMSG_INCORRECT_PROTOCOL,  SMSG_INCORRECT_PROTOCOL     },
    { FIELD_ICMPTYPE,        g_icmpTypes,   0,     255,         false, true,  255,    true,   SMSG_UNKNOWN_ICMP_TYPE,   SMSG_INCORRECT_ICMP_TYPE    },
    { FIELD_ICMPSRCPORT,     nullptr,       0,     0,           false, false, 65535,  true,   SMSG_INCORRECT_PORT,      SMSG_INCORRECT_PORT         },
    { FIELD_ICMPDESTPORT,    nullptr,       0,     0,           false, false, 65535,  true,   SMSG_INCORRECT_PORT,      SMSG_INCORRECT_PORT         },
    { FIELD_ICMPIPPROTO,     g_ipProtocols, 0,     65534,       true,  true,  255,    true,   SMSG_UNKNOWN_PROTOCOL,    SMSG_INCORRECT_PROTOCOL     },
    { FIELD_ENETPROTO,       g_etherTypes,  1,     65535,       false, false, 65535,  true,   SMSG_UNKNOWN_ETHER_TYPE,  SMSG_UNKNOWN_ETHER_TYPE     },
    { FIELD_SEVERITY,        g_severities,  0,     kNameAny,    false, true,  kAny32, false,  SMSG_INCORRECT_SEVERITY,  SMSG_INCORRECT_SEVERITY     },
    { FIELD_ALGSESSIONID,    nullptr,       0,     0,           false, true,  kAny32, false,  SMSG_INCORRECT_ALG_SESSION, SMSG_INCORRECT_ALG_SESSION },
    { FIELD_AUTHEVENT,       g_authEvents,  0,     kNameAny,    false, true,  kAny32, false,  SMSG_UNKNOWN_AUTH_EVENT,  SMSG_UNKNOWN_AUTH_EVENT     },
    { FIELD_DYNROUTINGEVENT, g_routeEvents, 0,     kNameAny,    false, true,  kAny32, false,  SMSG_UNKNOWN_DYNROUTINGEVENT, SMSG_UNKNOWN_DYNROUTINGEVENT },
    { FIELD_ROUTEMETRIC,     nullptr,       0,     0,           false, true,  kAny32, false,  SMSG_INCORRECT_ROUTEMETRIC, SMSG_INCORRECT_ROUTEMETRIC },
};

struct CWordRow {
    ESearchField m_eField;
    const char* m_pszWord;
    uint8_t m_nValue;
};

// The fixed words of the connection event and the ARP operation.
const CWordRow g_aWordRows[] = {
//    field         word        value
    { FIELD_CONN,   "open",     1 },
    { FIELD_CONN,   "closing",  2 },
    { FIELD_CONN,   "closed",   3 },
    { FIELD_ARP,    "request",  1 },
    { FIELD_ARP,    "reply",    2 },
    { FIELD_ARP,    "other",    3 },
};

// The ARP operation value that stands for every operation above "reply".
const uint8_t kArpOther = 3;

// Counted texts are compared as a copy into a buffer of this size would
// hold them: at most one character less than their length, and never more
// than 1023 characters.
const size_t kCountedCopyLimit = 1024;

// Longest name of the name tables, with room to spare; longer texts name nothing.
const size_t kMaxNameLength = 63;

const CParameterRow* FindParameter(int32_t nParamId)
{
    for (const CParameterRow& row : g_aParameters)
        if (row.m_nParamId == nParamId)
            return &row;
    return nullptr;
}

const CNumberRule& FindNumberRule(ESearchField eField)
{
    for (const CNumberRule& rule : g_aNumberRules)
        if (rule.m_eField == eField)
            return rule;
    SARNITH_ASSERT(!"every numeric parameter has a rule");
    return g_aNumberRules[0];
}

// The number a name of the table stands for, when the text [p, pEnd) is one
// of its names and the number lies in the rule's range.
bool LookupName(const CNumberRule& rule, const char* p, const char* pEnd, uint32_t& nValue)
{
    size_t nLength = static_cast<size_t>(pEnd - p);
    if (rule.m_pNames == nullptr || nLength > kMaxNameLength)
        return false;
    char szName[kMaxNameLength + 1];
    std::memcpy(szName, p, nLength);
    szName[nLength] = '\0';
    uint32_t nFound = static_cast<uint32_t>(NameToNumber(rule.m_pNames, szName));
    if (nFound < rule.m_nNameMin || nFound > rule.m_nNameMax)
        return false;
    nValue = nFound;
    return true;
}

// The number of a numeric value; raises the rule's message when the text is none.
uint32_t ReadNumberValue(const CNumberRule& rule, const char* pszValue)
{
    const char* p = pszValue;
    const char* pEnd = pszValue + std::strlen(pszValue);
    if (rule.m_bTrim) {
        while (p < pEnd && IsTrimChar(*p))
            ++p;
        while (pEnd > p && IsTrimChar(pEnd[-1]))
            --pEnd;
    }

    uint32_t nValue = 0;
    if (LookupName(rule, p, pEnd, nValue))
        return nValue;
    if (rule.m_bDigitFirst && (p == pEnd || !IsDecimalDigit(*p)))
        RaiseSearchError(rule.m_eNotDigit);
    if (!ReadDecimal(p, pEnd, rule.m_nMax, nValue))
        RaiseSearchError(rule.m_eBadNumber);
    return nValue;
}

// The value of one of the fixed words of the field (case ignored); raises
// eMessage for any other text.
uint8_t ReadWordValue(ESearchField eField, ESearchMessage eMessage, const char* pszValue)
{
    for (const CWordRow& row : g_aWordRows)
        if (row.m_eField == eField && EqualNoCase(pszValue, row.m_pszWord))
            return row.m_nValue;
    RaiseSearchError(eMessage);
}

size_t CountedTextLimit(uint16_t nLength)
{
    size_t nCopy = nLength < kCountedCopyLimit ? nLength : kCountedCopyLimit;
    return nCopy == 0 ? 0 : nCopy - 1;
}

}  // namespace

CSearchParam::CSearchParam() : m_eField(FIELD_NONE), m_eOp(SEARCH_OP_EQ), m_nTextLen(0)
{
    std::memset(m_szValue, 0, sizeof(m_szValue));
}

CSearchParam::~CSearchParam()
{
    ReleaseValue();
}

void CSearchParam::ReleaseValue()
{
    if (m_eField == FIELD_DESCRIPTION)
        delete m_pPattern;
    m_eField = FIELD_NONE;
    m_nTextLen = 0;
    std::memset(m_szValue, 0, sizeof(m_szValue));
}

void CSearchParam::SetValue(int32_t nParamId, const char* pszValue, ESearchOp eOp)
{
    SARNITH_ASSERT(pszValue != nullptr);
    SARNITH_ASSERT(eOp <= SEARCH_OP_LE);
    ReleaseValue();

    const CParameterRow* pRow = FindParameter(nParamId);
    if (pRow == nullptr)
        RaiseSearchError(SMSG_UNKNOWN_PARAMETER);
    m_eOp = eOp;

    switch (pRow->m_eSyntax) {
    case SYNTAX_IPV4:
        if (ReadIpv4(pszValue, m_aValueAddr) == nullptr)
            RaiseSearchError(pRow->m_eMessage);
        break;
    case SYNTAX_ETHERNET:
        if (!ReadEthernet(pszValue, m_aValueAddr))
            RaiseSearchError(pRow->m_eMessage);
        break;
    case SYNTAX_TEXT: {
        size_t nLength = std::strlen(pszValue);
        if (nLength > kMaxText)
            RaiseSearchError(pRow->m_eMessage);
        std::memcpy(m_szValue, pszValue, nLength + 1);
        m_nTextLen = static_cast<uint16_t>(nLength);
        break;
    }
    case SYNTAX_PATTERN:
        m_pPattern = new CTextPattern(pszValue);
        break;
    case SYNTAX_NUMBER: {
        const CNumberRule& rule = FindNumberRule(pRow->m_eField);
        uint32_t nValue = ReadNumberValue(rule, pszValue);
        if (rule.m_b16)
            m_nValue16 = static_cast<uint16_t>(nValue);
        else
            m_nValue32 = nValue;
        break;
    }
    case SYNTAX_FLAG:
        if (eOp != SEARCH_OP_EQ)
            RaiseSearchError(SMSG_ONLY_ASSIGNMENT);
        if (!ReadDecimal(pszValue, 1, m_nValue32))
            RaiseSearchError(pRow->m_eMessage);
        break;
    case SYNTAX_WORD:
        m_nValueEnum = ReadWordValue(pRow->m_eField, pRow->m_eMessage, pszValue);
        break;
    }
    // Set last: a rejected value leaves a node that matches nothing and owns nothing.
    m_eField = pRow->m_eField;
}


// The record is walked in a fixed order: the fields of the entry itself,
// the Ethernet header, the network layer (ARP or IP, the transport layer
// behind IP), the last connection item, the user authentication. The first
// comparison that holds decides; a record without the field fails.
int CSearchParam::Evaluate(const CLogRecord& record) const
{
    if (m_eField == FIELD_NONE)
        return 0;
    EMatch eMatch = MatchEntryFields(record);
    if (eMatch != MATCH_GO_ON)
        return eMatch == MATCH_TRUE;
    if (MatchEthernetHeader(record))
        return 1;
    eMatch = MatchNetworkLayer(record);
    if (eMatch != MATCH_GO_ON)
        return eMatch == MATCH_TRUE;
    if (MatchConnection(record))
        return 1;
    return MatchAuthentication(record) ? 1 : 0;
}

CSearchParam::EMatch CSearchParam::TrueOrGoOn(bool bHolds)
{
    return bHolds ? MATCH_TRUE : MATCH_GO_ON;
}

CSearchParam::EMatch CSearchParam::TrueOrFalse(bool bHolds)
{
    return bHolds ? MATCH_TRUE : MATCH_FALSE;
}

bool CSearchParam::NumberHolds(uint32_t nField) const
{
    return CompareUnder<uint32_t>(nField, m_nValue32, m_eOp);
}

bool CSearchParam::Number16Holds(uint16_t nField) const
{
    return CompareUnder<uint16_t>(nField, m_nValue16, m_eOp);
}

bool CSearchParam::PortHolds(const uint8_t* pField) const
{
    return CompareUnder<uint16_t>(ReadBigEndian16(pField), m_nValue16, m_eOp);
}

bool CSearchParam::Ipv4Holds(const uint8_t* pField) const
{
    return CompareBytesUnder(pField, m_aValueAddr, 4, m_eOp);
}

CSearchParam::EMatch CSearchParam::MatchText(const char* pszText) const
{
    if (pszText == nullptr || m_nTextLen == 0)
        return MATCH_GO_ON;
    return TrueOrFalse(EqualNoCase(pszText, m_szValue));
}

CSearchParam::EMatch CSearchParam::MatchCountedText(const char* pText, uint16_t nLength) const
{
    if (pText == nullptr || m_nTextLen == 0)
        return MATCH_GO_ON;
    return TrueOrFalse(EqualNoCaseBounded(pText, CountedTextLimit(nLength), m_szValue));
}

CSearchParam::EMatch CSearchParam::MatchEntryFields(const CLogRecord& record) const
{
    switch (m_eField) {
    case FIELD_DESCRIPTION:
        return TrueOrGoOn(record.m_pParams != nullptr && m_pPattern->Find(record.m_pParams, record.m_nParamsLen));
    case FIELD_CATEGORY:
        return MatchCountedText(record.m_pCategory, record.m_nCategoryLen);
    case FIELD_EVENT:
        return MatchCountedText(record.m_pEvent, record.m_nEventLen);
    case FIELD_ACTION:
        return MatchCountedText(record.m_pAction, record.m_nActionLen);
    case FIELD_ID:
        return TrueOrGoOn(record.m_nId != 0xFFFFFFFF && NumberHolds(record.m_nId));
    case FIELD_RECVIF:
        return MatchInterface(record, true);
    case FIELD_DESTIFACE:
        return MatchInterface(record, false);
    case FIELD_CONN: {
        const CConnItem* pConn = record.GetLastConn();
        return TrueOrFalse(pConn != nullptr && pConn->m_nEvent == m_nValueEnum);
    }
    case FIELD_RULE:
        return MatchText(record.m_pszRule);
    case FIELD_SATSRCRULE:
        return MatchText(record.m_pszSatSrcRule);
    case FIELD_SATDESTRULE:
        return MatchText(record.m_pszSatDestRule);
    case FIELD_SEVERITY:
        return TrueOrGoOn(record.m_nSeverity != -1 && NumberHolds(static_cast<uint32_t>(record.m_nSeverity)));
    case FIELD_ALGMODNAME:
        // The module name is not terminated for certain: its element's length bounds it.
        if (record.m_pszAlgModName == nullptr || m_nTextLen == 0)
            return MATCH_GO_ON;
        return TrueOrFalse(EqualNoCaseBounded(record.m_pszAlgModName, record.m_nAlgModNameLen, m_szValue));
    case FIELD_ALGSESSIONID:
        return TrueOrGoOn(NumberHolds(record.m_nAlgSessionId));
    case FIELD_AUTHRULE:
        return MatchText(record.m_pszAuthRule);
    case FIELD_AUTHAGENT:
        return MatchText(record.m_pszAuthAgent);
    case FIELD_AUTHEVENT:
        return TrueOrGoOn(CompareUnder<uint16_t>(static_cast<uint16_t>(record.m_nAuthEvent),
                                                 static_cast<uint16_t>(m_nValue32), m_eOp));
    case FIELD_USERNAME:
        return MatchUserNames(record);
    case FIELD_SRCUSERNAME:
        return MatchText(record.m_pszSrcUserName);
    case FIELD_DESTUSERNAME:
        return MatchText(record.m_pszDestUserName);
    case FIELD_DYNROUTINGEVENT:
        return TrueOrGoOn(record.m_nDynRoutingEvent != 0xFFFFFFFF && NumberHolds(record.m_nDynRoutingEvent));
    case FIELD_DYNROUTINGSRCPROC:
        return MatchText(record.m_pszDynRoutingSrcProc);
    case FIELD_DYNROUTINGDESTPROC:
        return MatchText(record.m_pszDynRoutingDestProc);
    default:
        return record.m_bRoute ? MatchRouteFields(record) : MATCH_GO_ON;
    }
}

CSearchParam::EMatch CSearchParam::MatchRouteFields(const CLogRecord& record) const
{
    switch (m_eField) {
    case FIELD_ROUTEIFACE:
        return MatchText(record.m_pszRouteIface);
    case FIELD_ROUTEMETRIC:
        return TrueOrGoOn(record.m_nRouteMetric != 0xFFFFFFFF && NumberHolds(record.m_nRouteMetric));
    case FIELD_ROUTERANGE:
        if (record.m_pRouteRange == nullptr)
            return MATCH_GO_ON;
        return TrueOrFalse(std::memcmp(record.m_pRouteRange, m_aValueAddr, 4) <= 0 &&
                           std::memcmp(m_aValueAddr, record.m_pRouteRange + 4, 4) <= 0);
    case FIELD_ROUTEGW:
        return TrueOrGoOn(record.m_pRouteGw != nullptr && Ipv4Holds(record.m_pRouteGw));
    default:
        return MATCH_GO_ON;
    }
}

// The receiving interface of the entry, else of its last connection item,
// else the names of its interface usage items, last first. An empty value
// is compared like any other here.
CSearchParam::EMatch CSearchParam::MatchInterface(const CLogRecord& record, bool bReceiving) const
{
    if (bReceiving && record.m_pRecvIf != nullptr)
        return TrueOrFalse(EqualNoCaseBounded(record.m_pRecvIf, CountedTextLimit(record.m_nRecvIfLen), m_szValue));
    if (const CConnItem* pConn = record.GetLastConn()) {
        const char* pszName = bReceiving ? pConn->m_pszRecvIf : pConn->m_pszDestIf;
        return TrueOrFalse(pszName != nullptr && EqualNoCase(pszName, m_szValue));
    }
    for (int i = record.m_nUsageCount - 1; i >= 0; --i) {
        const char* pszName = record.m_usage[i].m_pszIface;
        if (pszName != nullptr && EqualNoCase(pszName, m_szValue))
            return MATCH_TRUE;
    }
    return MATCH_GO_ON;
}

// Any of the authenticated, source and destination user names; decides
// even when the record has none of them.
CSearchParam::EMatch CSearchParam::MatchUserNames(const CLogRecord& record) const
{
    if (m_nTextLen == 0)
        return MATCH_GO_ON;
    const char* apszNames[] = { record.m_pszUserName, record.m_pszSrcUserName, record.m_pszDestUserName };
    for (const char* pszName : apszNames)
        if (pszName != nullptr && EqualNoCase(pszName, m_szValue))
            return MATCH_TRUE;
    return MATCH_FALSE;
}

bool CSearchParam::MatchEthernetHeader(const CLogRecord& record) const
{
    const uint8_t* pEth = record.m_pEthHdr;
    if (pEth == nullptr)
        return false;
    switch (m_eField) {
    case FIELD_SRCENET:
        return CompareBytesUnder(pEth + 6, m_aValueAddr, 6, m_eOp);
    case FIELD_DESTENET:
        return CompareBytesUnder(pEth, m_aValueAddr, 6, m_eOp);
    case FIELD_ENETPROTO:
        return PortHolds(pEth + 12);
    default:
        return false;
    }
}

// ARP addresses and operation, or the IP header and the transport layer
// behind it.
CSearchParam::EMatch CSearchParam::MatchNetworkLayer(const CLogRecord& record) const
{
    if (record.m_pArpHdr != nullptr) {
        const uint8_t* pAddrs = record.m_pArpAddrs;
        switch (m_eField) {
        case FIELD_SRCIP:
            return TrueOrGoOn(pAddrs != nullptr && Ipv4Holds(pAddrs + 6));
        case FIELD_DESTIP:
            return TrueOrGoOn(pAddrs != nullptr && Ipv4Holds(pAddrs + 16));
        case FIELD_ARP: {
            uint16_t nOperation = ReadBigEndian16(record.m_pArpHdr + 6);
            if (m_nValueEnum == kArpOther)
                return TrueOrFalse(nOperation > 2);
            return TrueOrGoOn(CompareUnder<uint16_t>(nOperation, m_nValueEnum, m_eOp));
        }
        default:
            return MATCH_GO_ON;
        }
    }

    const uint8_t* pIp = record.m_pIpHdr;
    if (pIp == nullptr)
        return MATCH_GO_ON;
    switch (m_eField) {
    case FIELD_SRCIP:
        if (Ipv4Holds(pIp + 12))
            return MATCH_TRUE;
        break;
    case FIELD_DESTIP:
        if (Ipv4Holds(pIp + 16))
            return MATCH_TRUE;
        break;
    case FIELD_IPPROTO:
        if (Number16Holds(pIp[9]))
            return MATCH_TRUE;
        break;
    default:
        break;
    }
    return TrueOrGoOn(MatchTransportLayer(record));
}

bool CSearchParam::MatchTransportLayer(const CLogRecord& record) const
{
    const uint8_t* pPorts = record.m_pTcpHdr != nullptr ? record.m_pTcpHdr : record.m_pUdpHdr;
    if (pPorts != nullptr) {
        switch (m_eField) {
        case FIELD_SRCPORT:
            return PortHolds(pPorts);
        case FIELD_DESTPORT:
            return PortHolds(pPorts + 2);
        default:
            break;
        }
        if (record.m_pTcpHdr != nullptr && m_eField >= FIELD_FIN && m_eField <= FIELD_CWR) {
            uint8_t nBit = static_cast<uint8_t>(1u << (m_eField - FIELD_FIN));
            bool bSet = (record.m_pTcpHdr[13] & nBit) != 0;
            return m_nValue32 == 1 ? bSet : !bSet;
        }
        return false;
    }
    return record.m_pIcmpHdr != nullptr && MatchIcmp(record);
}

// The ICMP type, and the headers quoted in an ICMP error.
bool CSearchParam::MatchIcmp(const CLogRecord& record) const
{
    if (m_eField == FIELD_ICMPTYPE)
        return Number16Holds(record.m_pIcmpHdr[0]);
    const uint8_t* pIp = record.m_pIcmpIpHdr;
    if (pIp == nullptr)
        return false;
    switch (m_eField) {
    case FIELD_ICMPSRCIP:
        return Ipv4Holds(pIp + 12);
    case FIELD_ICMPDESTIP:
        return Ipv4Holds(pIp + 16);
    case FIELD_ICMPIPPROTO:
        return Number16Holds(pIp[9]);
    case FIELD_ICMPSRCPORT:
    case FIELD_ICMPDESTPORT: {
        const uint8_t* pPort = QuotedPort(record, m_eField == FIELD_ICMPDESTPORT);
        return pPort != nullptr && PortHolds(pPort);
    }
    default:
        return false;
    }
}

// The connection block of the last connection item only.
bool CSearchParam::MatchConnection(const CLogRecord& record) const
{
    const uint8_t* pBlock = record.GetLastConnBlock();
    if (pBlock == nullptr)
        return false;
    switch (m_eField) {
    case FIELD_SRCIP:
        return Ipv4Holds(pBlock + CONN_BLOCK_SRC_ADDR);
    case FIELD_DESTIP:
        return Ipv4Holds(pBlock + CONN_BLOCK_DEST_ADDR);
    case FIELD_IPPROTO:
        return Number16Holds(pBlock[CONN_BLOCK_PROTOCOL]);
    case FIELD_SRCPORT:
        return PortHolds(pBlock + CONN_BLOCK_SRC_PORT);
    case FIELD_DESTPORT:
        return PortHolds(pBlock + CONN_BLOCK_DEST_PORT);
    default:
        return false;
    }
}

bool CSearchParam::MatchAuthentication(const CLogRecord& record) const
{
    return record.m_bAuth && m_eField == FIELD_SRCIP && Ipv4Holds(record.m_nAuthAddr);
}
