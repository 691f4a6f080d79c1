// The manual page's rows for the search parameters, the output fields and
// types, and the name tables; see manual_rows.h. Texts are plain; a stretch
// between backquotes is set in bold (names and statement text).
#include "doc/manual_rows.h"

#include <cstring>

#include "records/element_format.h"
#include "records/packet_format.h"

namespace manual {

namespace {

constexpr uint32_t kAny32 = 0xFFFFFFFF;

const CNameTableRow g_aNameTables[] = {
    //    key            title                      table           hex
    {"services", "Services", g_services, false},
    {"protocols", "IP protocols", g_ipProtocols, false},
    {"icmptypes", "ICMP types", g_icmpTypes, false},
    {"ethertypes", "Ethernet types", g_etherTypes, true},
    {"severities", "Severities", g_severities, false},
    {"authevents", "Authentication events", g_authEvents, false},
    {"routeevents", "Dynamic routing events", g_routeEvents, false},
};

const CParameterRow g_aParameters[] = {
    //    name                   syntax            max     names          words            other word IN     text
    {"ack", VALUE_FLAG, 0, nullptr, nullptr, nullptr, false, "The ACK flag (0x10) of the TCP header."},
    {"action", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "The action of the entry (`drop`, `open`, `login`, ...)."},
    {"algmodname", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "The name of the application-layer gateway module that wrote the entry."},
    {"algsessionid", VALUE_NUMBER, kAny32, nullptr, nullptr, nullptr, false,
     "The session number of the application-layer gateway; it must start with a digit."},
    {"arp", VALUE_WORD, 0, nullptr, g_arpOperations, "other", false,
     "The operation of an ARP packet. `other` stands for every operation above `reply` and ignores the comparison."},
    {"authagent", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "The agent through which a user authenticated (`HTTP`, `HTTPS`, ...)."},
    {"authevent", VALUE_NUMBER, kAny32, "authevents", nullptr, nullptr, false,
     "The event of a user authentication entry, by name or number."},
    {"authrule", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false, "The authentication rule that applied to a user."},
    {"category", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "The category of the entry (`RULE`, `CONN`, `USERAUTH`, `SYSTEM`, ...)."},
    {"conn", VALUE_WORD, 0, nullptr, g_connEvents, nullptr, false,
     "The event of the entry's last connection item. The comparison is ignored: any operator tests equality."},
    {"cwr", VALUE_FLAG, 0, nullptr, nullptr, nullptr, false, "The CWR flag (0x80) of the TCP header."},
    {"description", VALUE_PATTERN, 0, nullptr, nullptr, nullptr, false,
     "A text searched for, without regard to case, anywhere in the parameter text of the entry (the first 127 "
     "characters of the value count). The comparison is ignored."},
    {"destusername", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "The user name on the destination side of the entry."},
    {"destiface", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "The destination interface of the last connection item; for an entry without connection items, any interface "
     "usage item's name. An empty value is compared like any other."},
    {"destip", VALUE_IPV4, 0, nullptr, nullptr, nullptr, true,
     "The destination address: of the IP header, the target of an ARP packet, or of the last connection item."},
    {"destport", VALUE_NUMBER, 65535, "services", nullptr, nullptr, true,
     "The destination port of the TCP or UDP header, or of the last connection item, by number or service name."},
    {"dynroutingdestproc", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "The destination process of a dynamic routing entry."},
    {"dynroutingevent", VALUE_NUMBER, kAny32, "routeevents", nullptr, nullptr, false,
     "The event of a dynamic routing entry, by name or number."},
    {"dynroutingsrcproc", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "The source process of a dynamic routing entry."},
    {"ece", VALUE_FLAG, 0, nullptr, nullptr, nullptr, false, "The ECE flag (0x40) of the TCP header."},
    {"enet", VALUE_INDEX_ONLY, 0, nullptr, nullptr, nullptr, false,
     "The Ethernet header, byte by byte: `enet[12] = 8`."},
    {"enetproto", VALUE_NUMBER, 65535, "ethertypes", nullptr, nullptr, false,
     "The type of the Ethernet frame, by number or name."},
    {"event", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "The event of the entry (`rule_drop`, `conn_open`, `user_login`, ...)."},
    {"fin", VALUE_FLAG, 0, nullptr, nullptr, nullptr, false, "The FIN flag (0x01) of the TCP header."},
    {"hwdest", VALUE_ETHERNET, 0, nullptr, nullptr, nullptr, false,
     "The destination MAC address of the Ethernet header."},
    {"hwsrc", VALUE_ETHERNET, 0, nullptr, nullptr, nullptr, false, "The source MAC address of the Ethernet header."},
    {"icmpdestip", VALUE_IPV4, 0, nullptr, nullptr, nullptr, true,
     "The destination address of the IP header quoted in an ICMP error."},
    {"icmpdestport", VALUE_NUMBER, 65535, nullptr, nullptr, nullptr, true,
     "The destination port of the TCP or UDP header quoted in an ICMP error (numbers only)."},
    {"icmpipproto", VALUE_NUMBER, 255, "protocols", nullptr, nullptr, false,
     "The protocol of the IP header quoted in an ICMP error, by number or name."},
    {"icmpsrcip", VALUE_IPV4, 0, nullptr, nullptr, nullptr, true,
     "The source address of the IP header quoted in an ICMP error."},
    {"icmpsrcport", VALUE_NUMBER, 65535, nullptr, nullptr, nullptr, true,
     "The source port of the TCP or UDP header quoted in an ICMP error (numbers only)."},
    {"icmptype", VALUE_NUMBER, 255, "icmptypes", nullptr, nullptr, false,
     "The type of an ICMP packet, by number or name."},
    {"id", VALUE_NUMBER, kAny32, nullptr, nullptr, nullptr, true,
     "The log id of the entry; it must start with a digit."},
    {"ip", VALUE_INDEX_ONLY, 0, nullptr, nullptr, nullptr, false,
     "The IP header, byte by byte: `ip[9] = 17` selects UDP."},
    {"ipproto", VALUE_NUMBER, 255, "protocols", nullptr, nullptr, false,
     "The protocol of the IP header or of the last connection item, by number or name. Names that are also keywords "
     "must be quoted: `ipproto = 'tcp'`."},
    {"psh", VALUE_FLAG, 0, nullptr, nullptr, nullptr, false, "The PSH flag (0x08) of the TCP header."},
    {"recvif", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "The receiving interface of the entry, else of its last connection item; for an entry with neither, any interface "
     "usage item's name. An empty value is compared like any other."},
    {"routegw", VALUE_IPV4, 0, nullptr, nullptr, nullptr, true, "The gateway address of a route entry."},
    {"routeiface", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false, "The interface of a route entry."},
    {"routemetric", VALUE_NUMBER, kAny32, nullptr, nullptr, nullptr, false,
     "The metric of a route entry; it must start with a digit."},
    {"routerange", VALUE_IPV4, 0, nullptr, nullptr, nullptr, false,
     "An address that lies inside the address range of a route entry. The comparison is ignored."},
    {"rst", VALUE_FLAG, 0, nullptr, nullptr, nullptr, false, "The RST flag (0x04) of the TCP header."},
    {"rule", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false, "The name of the rule that decided about the entry."},
    {"satdestrule", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "The rule that translated the destination address."},
    {"satsrcrule", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false, "The rule that translated the source address."},
    {"severity", VALUE_NUMBER, kAny32, "severities", nullptr, nullptr, false,
     "The severity of the entry, by number or name; a number must start with a digit."},
    {"srcip", VALUE_IPV4, 0, nullptr, nullptr, nullptr, true,
     "The source address: of the IP header, the sender of an ARP packet, of the last connection item, or of the user "
     "of an authentication entry."},
    {"srcport", VALUE_NUMBER, 65535, "services", nullptr, nullptr, true,
     "The source port of the TCP or UDP header, or of the last connection item, by number or service name."},
    {"srcusername", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false, "The user name on the source side of the entry."},
    {"syn", VALUE_FLAG, 0, nullptr, nullptr, nullptr, false, "The SYN flag (0x02) of the TCP header."},
    {"tcp", VALUE_INDEX_ONLY, 0, nullptr, nullptr, nullptr, false,
     "The TCP header, byte by byte: `tcp[13] = 2` selects packets whose only flag is SYN."},
    {"udp", VALUE_INDEX_ONLY, 0, nullptr, nullptr, nullptr, false,
     "The UDP header, byte by byte: `udp[3] = 53` selects datagrams to ports whose low byte is 53."},
    {"urg", VALUE_FLAG, 0, nullptr, nullptr, nullptr, false, "The URG flag (0x20) of the TCP header."},
    {"username", VALUE_TEXT, 0, nullptr, nullptr, nullptr, false,
     "Any of the entry's user names: the authenticated user, the source and the destination user name."},
};

// Fields that are accepted but never have a value.
const char* const kRouteNotShown =
    "Route entries are not shown field by field; the search parameter of this name selects them.";
const char* const kQuotedPortNotShown =
    "The ports quoted in an ICMP error are not shown; the search parameter of this name selects by them.";
const char* const kOspfNotShown = "OSPF log details are not shown.";

const CFieldRow g_aFields[] = {
    //    name                  text
    {"ack", "The ACK flag of the TCP header: 1 or 0."},
    {"action", "The action of the entry."},
    {"algmodname", "The name of the application-layer gateway module."},
    {"algsessionid", "The session number of the application-layer gateway; none when 0."},
    {"arp", "The operation of an ARP packet: `request`, `reply` or `unknown_operation`."},
    {"arphwdest", "The target hardware address of an ARP packet."},
    {"arphwsrc", "The sender hardware address of an ARP packet."},
    {"authagent", "The agent of a user authentication."},
    {"authevent", "The event of a user authentication in lower case (`login`, `logout`, ...), or its number."},
    {"authrule", "The authentication rule of a user authentication."},
    {"binary",
     "Not a field: the matching entries are written as a binary stream in the format of the daily files, which Sarnith "
     "reads back with `from file`. It stands alone in the list."},
    {"category", "The category of the entry."},
    {"conn", "The event of the last connection item: `open`, `closing`, `closed` or `unknown`."},
    {"connusage",
     "The highest, current and lowest number of connections of a usage entry: three values, labelled each on its own; "
     "in the delimited layout they share one cell, separated by blanks."},
    {"cwr", "The CWR flag of the TCP header: 1 or 0."},
    {"date", "The local date of the entry (`2006-06-20`)."},
    {"description", "The parameter text of the entry."},
    {"destusername", "The user name on the destination side."},
    {"destiface", "The destination interface of the last connection item."},
    {"destip",
     "The destination address of the IP header, the target of an ARP packet, or of the last connection item."},
    {"destport", "The destination port of the TCP or UDP header, or of a TCP or UDP connection item."},
    {"devdate", "The local date of the time the gateway itself wrote into the entry."},
    {"devtime", "The local time of the time the gateway itself wrote into the entry."},
    {"dynroutingdestproc", kRouteNotShown},
    {"dynroutingevent", kRouteNotShown},
    {"dynroutingsrcproc", kRouteNotShown},
    {"ece", "The ECE flag of the TCP header: 1 or 0."},
    {"enetproto", "The type of the Ethernet frame, with its name (`2048(IPv4)`); behind a VLAN tag the inner type."},
    {"event", "The event of the entry."},
    {"explanation", "The explanation text of the entry."},
    {"fin", "The FIN flag of the TCP header: 1 or 0."},
    {"firewall", "The gateway the entry came from, as `vantgard`; empty for a file source."},
    {"hwdest", "The destination MAC address of the Ethernet header (`0ab0:c9de:f12a`)."},
    {"hwsrc", "The source MAC address of the Ethernet header."},
    {"icmpdestip", "The destination address of the IP header quoted in an ICMP error."},
    {"icmpdestport", kQuotedPortNotShown},
    {"icmpipproto", "The protocol of the IP header quoted in an ICMP error, with its name."},
    {"icmpsrcip", "The source address of the IP header quoted in an ICMP error."},
    {"icmpsrcport", kQuotedPortNotShown},
    {"icmpstd", "The ICMP fields."},
    {"icmptype", "The type of an ICMP packet, by name (`ECHO_REQUEST`), or its number."},
    {"id", "The log id of the entry; none when 0."},
    {"ipdatalen", "The length of the IP payload: total length less header length."},
    {"iphdrlen", "The length of the IP header in bytes."},
    {"ipproto", "The protocol of the IP header or of the last connection item, with its name (`6(TCP)`)."},
    {"iptotlen", "The total length of the IP packet."},
    {"origsent", "The bytes the originator of the last connection item sent."},
    {"ospfloglevel", kOspfNotShown},
    {"ospflogsection", kOspfNotShown},
    {"psh", "The PSH flag of the TCP header: 1 or 0."},
    {"recvif", "The receiving interface of the entry, else of its last connection item."},
    {"routegw", kRouteNotShown},
    {"routeiface", kRouteNotShown},
    {"routemetric", kRouteNotShown},
    {"routerange", kRouteNotShown},
    {"rst", "The RST flag of the TCP header: 1 or 0."},
    {"rule", "The rule that decided about the entry."},
    {"satdestrule", "The rule that translated the destination address."},
    {"satsrcrule", "The rule that translated the source address."},
    {"vantgard", "The gateway the entry came from; empty for a file source."},
    {"severity", "The severity of the entry, as a number."},
    {"srcip",
     "The source address of the IP header, the sender of an ARP packet, of the last connection item, or of the user of "
     "an authentication entry."},
    {"srcport", "The source port of the TCP or UDP header, or of a TCP or UDP connection item."},
    {"srcusername", "The user name on the source side."},
    {"standard", "The fields most queries want."},
    {"syn", "The SYN flag of the TCP header: 1 or 0."},
    {"tcpdatalen", "The length of the TCP payload."},
    {"tcpflags", "The eight TCP flags."},
    {"tcphdrlen", "The length of the TCP header in bytes."},
    {"tcpstd", "The TCP lengths and flags."},
    {"tcptotlen", "The length of the TCP segment: IP total length less IP header length."},
    {"termsent", "The bytes the terminator of the last connection item sent."},
    {"time", "The local time of the entry (`06:55:02`)."},
    {"ttl", "The time-to-live of the IP header."},
    {"udpdatalen", "The length of the UDP payload: the UDP length less 8."},
    {"udpstd", "The UDP payload length."},
    {"udptotlen", "The length field of the UDP header."},
    {"urg", "The URG flag of the TCP header: 1 or 0."},
    {"usage",
     "The interface usage of a usage entry: `if0=lan tp0=206.37 if1=wan tp1=198.52`, the throughput of each interface "
     "in kilobits per second (both directions, over the measured interval; 0.00 for an interval of 0 seconds). It has "
     "no label of its own; each interface name in it is cleaned like any other value, so that no stored name adds a "
     "line, a cell or a pair."},
    {"username", "The name of the authenticated user."},
    {"usernames", "The three user names."},
};

}  // namespace

const CNameTableRow* NameTables(size_t& nCount)
{
    nCount = sizeof(g_aNameTables) / sizeof(g_aNameTables[0]);
    return g_aNameTables;
}

const CNameTableRow* FindNameTable(const char* pszKey)
{
    for (const CNameTableRow& row : g_aNameTables)
        if (std::strcmp(row.m_pszKey, pszKey) == 0)
            return &row;
    return nullptr;
}

const CParameterRow* ParameterRows(size_t& nCount)
{
    nCount = sizeof(g_aParameters) / sizeof(g_aParameters[0]);
    return g_aParameters;
}

std::vector<std::string> ParameterWords(const CParameterRow& row)
{
    std::vector<std::string> aWords;
    for (const CNameEntry* p = row.m_pWords; p != nullptr && p->m_pszName != nullptr; ++p)
        aWords.push_back(p->m_pszName);
    if (row.m_pszOtherWord != nullptr)
        aWords.push_back(row.m_pszOtherWord);
    return aWords;
}

const CFieldRow* FieldRows(size_t& nCount)
{
    nCount = sizeof(g_aFields) / sizeof(g_aFields[0]);
    return g_aFields;
}

}  // namespace manual
