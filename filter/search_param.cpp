// The value side of CSearchParam: which parameters a condition accepts, how
// each value text is checked and converted into the form matching compares
// against, and where the shared record values of a field lie. Matching the
// converted value against a record is in search_param_match.cpp.
#include "filter/search_param.h"

#include <cstring>
#include <memory>

#include "filter/search_messages.h"
#include "filter/text_pattern.h"
#include "filter/value_syntax.h"
#include "lql/keyword_table.h"
#include "records/element_format.h"
#include "records/packet_format.h"
#include "support/ascii.h"
#include "support/assert.h"
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
    int32_t m_nParamId;  // keyword id
    ESearchField m_eField;
    EValueSyntax m_eSyntax;
    ESearchMessage m_eMessage;  // the rejection message; SMSG_COUNT: never rejected
};

// Every parameter a condition accepts. Aliases ("params", "hwsrc", ...)
// share the keyword id of the name they stand for.
const CParameterRow g_aParameters[] = {
    // clang-format off
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
    // clang-format on
};

const uint32_t kAny32 = 0xFFFFFFFF;    // the largest 32-bit number: any number is accepted
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
    bool m_b16;                   // stored as 16 bits, else as 32 bits
    ESearchMessage m_eNotDigit;   // the text does not start with a digit
    ESearchMessage m_eBadNumber;  // the number is malformed or too large
};

const CNumberRule g_aNumberRules[] = {
    // clang-format off
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
    // clang-format on
};

struct CWordRow {
    ESearchField m_eField;
    const CNameEntry* m_pWords;  // the words of the values, as the output shows them
    const char* m_pszOther;      // a further word; null: none
    uint8_t m_nOther;            // its value
};

// The fixed words of the connection event and the ARP operation.
const CWordRow g_aWordRows[] = {
    // clang-format off
//    field         words             further word  its value
    { FIELD_CONN,   g_connEvents,     nullptr,      0                        },
    { FIELD_ARP,    g_arpOperations,  "other",      CSearchParam::kArpOther  },
    // clang-format on
};

struct CRecordValueRow {
    ESearchField m_eField;
    ERecordValue m_eQuotedValue;  // the field's value in the headers an ICMP error quotes
    ERecordValue m_eConnValue;    // the field's value in the last connection block
};

// The fields whose values the conditions look for where the IN lists do too
// (filter/record_values.h); the other fields have neither.
const CRecordValueRow g_aRecordValues[] = {
    // clang-format off
//    field                 quoted headers           connection block
    { FIELD_SRCIP,          RECORD_VALUE_NONE,       RECORD_VALUE_SRC_ADDR  },
    { FIELD_DESTIP,         RECORD_VALUE_NONE,       RECORD_VALUE_DEST_ADDR },
    { FIELD_IPPROTO,        RECORD_VALUE_NONE,       RECORD_VALUE_PROTOCOL  },
    { FIELD_SRCPORT,        RECORD_VALUE_NONE,       RECORD_VALUE_SRC_PORT  },
    { FIELD_DESTPORT,       RECORD_VALUE_NONE,       RECORD_VALUE_DEST_PORT },
    { FIELD_ICMPSRCIP,      RECORD_VALUE_SRC_ADDR,   RECORD_VALUE_NONE      },
    { FIELD_ICMPDESTIP,     RECORD_VALUE_DEST_ADDR,  RECORD_VALUE_NONE      },
    { FIELD_ICMPIPPROTO,    RECORD_VALUE_PROTOCOL,   RECORD_VALUE_NONE      },
    { FIELD_ICMPSRCPORT,    RECORD_VALUE_SRC_PORT,   RECORD_VALUE_NONE      },
    { FIELD_ICMPDESTPORT,   RECORD_VALUE_DEST_PORT,  RECORD_VALUE_NONE      },
    // clang-format on
};

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
    SarnithAssertFailed("every numeric parameter has a rule", __FILE__, __LINE__);
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
    for (const CWordRow& row : g_aWordRows) {
        if (row.m_eField != eField)
            continue;
        int32_t nValue = NameToNumber(row.m_pWords, pszValue);
        if (nValue >= 0)
            return static_cast<uint8_t>(nValue);
        if (row.m_pszOther != nullptr && EqualNoCase(pszValue, row.m_pszOther))
            return row.m_nOther;
    }
    RaiseSearchError(eMessage);
}

const CRecordValueRow* FindRecordValues(ESearchField eField)
{
    for (const CRecordValueRow& row : g_aRecordValues)
        if (row.m_eField == eField)
            return &row;
    return nullptr;
}

}  // namespace

CSearchParam::CSearchParam()
    : m_eField(FIELD_NONE),
      m_eOp(SEARCH_OP_EQ),
      m_eQuotedValue(RECORD_VALUE_NONE),
      m_eConnValue(RECORD_VALUE_NONE),
      m_nTextLen(0)
{
    std::memset(m_szValue, 0, sizeof(m_szValue));
}

// Defined here, where the text pattern's type is complete.
CSearchParam::~CSearchParam() = default;

void CSearchParam::ReleaseValue()
{
    m_pPattern.reset();
    m_eField = FIELD_NONE;
    m_eQuotedValue = RECORD_VALUE_NONE;
    m_eConnValue = RECORD_VALUE_NONE;
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
        m_pPattern = std::make_unique<CTextPattern>(pszValue);
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
    if (const CRecordValueRow* pValues = FindRecordValues(pRow->m_eField)) {
        m_eQuotedValue = pValues->m_eQuotedValue;
        m_eConnValue = pValues->m_eConnValue;
    }
    // Set last: a rejected value leaves a node that matches nothing and owns nothing.
    m_eField = pRow->m_eField;
}
