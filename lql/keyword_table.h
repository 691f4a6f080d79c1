// CKeywordTable: the one table of LQL names.
//
// Every reserved word, search parameter, output name and token type has a row
// (kind flags, id, name). A keyword's id is also its token type and, for
// output names, its column id. Several rows may share an id (alternative
// spellings, marked KW_ALIAS); the first row of an id in table order is the
// name shown for it. The table is constant data; every name returned points
// into it and lives as long as the program.
#ifndef SARNITH_LQL_KEYWORD_TABLE_H
#define SARNITH_LQL_KEYWORD_TABLE_H

#include <cstdint>

enum EKeywordKind : uint32_t {
    KW_SEARCH = 1,    // a search parameter of the WHERE clause
    KW_OUTPUT = 2,    // an output type or output field of the SELECT list
    KW_RESERVED = 4,  // a reserved word or the name of a token type
    KW_ALIAS = 8,     // an alternative spelling of another row; never listed
};

// Token types that are not words.
enum ETokenType : int32_t {
    TOKEN_END = 83,       // "End of stream"
    TOKEN_NUMBER = 84,    // a word of decimal digits only
    TOKEN_STRING = 85,    // a quoted string or any other word
    TOKEN_ERROR = 86,     // an unterminated string or raw scan
    TOKEN_EQUAL = 87,     // "="
    TOKEN_GREATER = 88,   // ">"
    TOKEN_LESS = 89,      // "<"
    TOKEN_LPAREN = 90,    // "("
    TOKEN_RPAREN = 91,    // ")"
    TOKEN_LBRACKET = 92,  // "["
    TOKEN_RBRACKET = 93,  // "]"
    TOKEN_COMMA = 94,     // ","
};

// Ids of the reserved words and names the parsers test.
enum EKeywordId : int32_t {
    // clang-format off
    KEY_ACK = 0, KEY_ACTION = 1, KEY_ALL = 2, KEY_AND = 3, KEY_ARP = 4, KEY_ARPHWDEST = 5,
    KEY_ARPHWSRC = 6, KEY_BINARY = 7, KEY_CATEGORY = 8, KEY_CONN = 9, KEY_CONNUSAGE = 10,
    KEY_DATE = 11, KEY_DAY = 12, KEY_DAYS = 13, KEY_DESCRIPTION = 14, KEY_DESTENET = 15,
    KEY_DESTIFACE = 16, KEY_DESTIP = 17, KEY_DESTPORT = 18, KEY_DEVDATE = 19, KEY_DEVTIME = 20,
    KEY_ENET = 21, KEY_ENETPROTO = 22, KEY_EVENT = 23, KEY_EXPLANATION = 24, KEY_FILE = 25,
    KEY_FIN = 26, KEY_FIREWALL = 27, KEY_VANTGARD = 28, KEY_FROM = 29, KEY_FULL = 30,
    KEY_HOURS = 31, KEY_ICMPDESTIP = 32, KEY_ICMPDESTPORT = 33, KEY_ICMPIPPROTO = 34,
    KEY_ICMPSRCIP = 35, KEY_ICMPSRCPORT = 36, KEY_ICMPSTD = 37, KEY_ICMPTYPE = 38, KEY_ID = 39,
    KEY_IPDATALEN = 40, KEY_IPHDRLEN = 41, KEY_IN = 42, KEY_IP = 43, KEY_IPPROTO = 44,
    KEY_IPTOTALLEN = 45, KEY_LAST = 46, KEY_NOT = 47, KEY_OR = 48, KEY_ORIGSENT = 49,
    KEY_PSH = 50, KEY_REALTIME = 51, KEY_RECVIF = 52, KEY_RST = 53, KEY_RULE = 54,
    KEY_SATDESTRULE = 55, KEY_SATSRCRULE = 56, KEY_SELECT = 57, KEY_SRCENET = 58,
    KEY_SRCIP = 59, KEY_SRCPORT = 60, KEY_STANDARD = 61, KEY_SYN = 62, KEY_TCP = 63,
    KEY_TCPDATALEN = 64, KEY_TCPFLAGS = 65, KEY_TCPSTD = 66, KEY_TCPTOTALLEN = 67,
    KEY_TERMSENT = 68, KEY_TCPHDRLEN = 69, KEY_TIME = 70, KEY_TIMES = 71, KEY_TO = 72,
    KEY_TTL = 73, KEY_UDPDATALEN = 74, KEY_UDPSTD = 75, KEY_UDP = 76, KEY_URG = 77,
    KEY_UDPTOTLEN = 78, KEY_USAGE = 79, KEY_WHERE = 80, KEY_ECE = 81, KEY_CWR = 82,
    KEY_SEVERITY = 95, KEY_ALGMODNAME = 96, KEY_ALGSESSIONID = 97, KEY_AUTHRULE = 98,
    KEY_AUTHAGENT = 99, KEY_AUTHEVENT = 100, KEY_USERNAME = 101, KEY_SRCUSERNAME = 102,
    KEY_DESTUSERNAME = 103, KEY_USERNAMES = 104, KEY_DYNROUTINGEVENT = 105,
    KEY_DYNROUTINGSRCPROC = 106, KEY_DYNROUTINGDESTPROC = 107, KEY_ROUTEIFACE = 108,
    KEY_ROUTEMETRIC = 109, KEY_ROUTERANGE = 110, KEY_ROUTEGW = 111, KEY_OSPFLOGSECTION = 112,
    KEY_OSPFLOGLEVEL = 113,
    // clang-format on
};

struct CKeywordEntry {
    uint32_t m_nKind;       // EKeywordKind flags
    int32_t m_nId;          // token type; -1 in the terminating row
    const char* m_pszName;  // null in the terminating row
};

class CKeywordTable {
public:
    enum { kEntryCount = 127 };

    // The rows in table order, followed by the terminating row.
    static const CKeywordEntry* Entries();

    // Id of the first row whose name equals pszName without regard to ASCII
    // case; -1 when none does (a name of more than 255 characters never matches).
    static int32_t LookupKeyword(const char* pszName);

    // Name of the first row with this id; null when no row has it.
    static const char* IdToName(int32_t nId);

    // Calls pfnVisit for every row that shares a bit with nKindMask and is no
    // alias, in table order.
    template <class VISIT>
    static void ForEachListed(uint32_t nKindMask, VISIT pfnVisit)
    {
        for (const CKeywordEntry* p = Entries(); p->m_pszName != nullptr; ++p)
            if ((p->m_nKind & nKindMask) != 0 && (p->m_nKind & KW_ALIAS) == 0)
                pfnVisit(p->m_pszName);
    }
};

#endif
