// The number/name tables (services, Ethernet types, IP protocols, ICMP
// types, severities, authentication and routing events), their lookups, and
// the MAC and IPv4 formatters with the buffers their results live in.
#include "support/name_tables.h"

#include "support/ascii.h"
#include "support/assert.h"
#include "support/bounded_format.h"

// Well-known TCP and UDP ports.
const CNameEntry g_services[] = {
    // clang-format off
    {    7, "echo" },                {    9, "discard" },                 {   11, "systat" },
    {   13, "daytime" },             {   17, "qotd" },                    {   19, "chargen" },
    {   20, "ftp-data" },            {   21, "ftp" },                     {   22, "ssh" },
    {   23, "telnet" },              {   25, "smtp" },                    {   37, "time" },
    {   43, "whois" },               {   49, "tacacs" },                  {   53, "domain" },
    {   67, "bootps" },              {   68, "bootpc" },                  {   69, "tftp" },
    {   70, "gopher" },              {   79, "finger" },                  {   80, "http" },
    {   88, "kerberos" },            {  110, "pop3" },                    {  111, "sunrpc" },
    {  113, "ident" },               {  119, "nntp" },                    {  123, "ntp" },
    {  135, "netbios-rpc" },         {  137, "netbios-ns" },              {  138, "netbios-dgm" },
    {  139, "netbios-ssn" },         {  143, "imap4" },                   {  161, "snmp" },
    {  162, "snmptrap" },            {  179, "bgp" },                     {  389, "ldap" },
    {  396, "netware-ip" },          {  443, "https" },                   {  445, "microsoft-ds" },
    {  464, "kpasswd" },             {  500, "isakmp" },                  {  512, "exec" },
    {  513, "login" },               {  514, "shell/syslog" },            {  515, "lpr" },
    {  517, "talk" },                {  518, "ntalk" },                   {  519, "utime" },
    {  520, "rip" },                 {  525, "timed" },                   {  533, "netwall" },
    {  543, "klogin" },              {  544, "kshell" },                  {  546, "dhcpv6-client" },
    {  547, "dhcpv6-server" },       {  554, "rtsp" },                    {  593, "http-rpc-epmap" },
    {  601, "syslog-conn" },         {  636, "ldaps" },                   {  873, "rsync" },
    {  989, "ftps-data" },           {  990, "ftps" },                    {  992, "telnets" },
    {  993, "imaps" },               {  995, "pop3s" },                   {  999, "vgd" },
    { 1080, "socks" },               { 1433, "ms-sql-s" },                { 1434, "ms-sql-m" },
    { 1477, "ms-sna-server" },       { 1478, "ms-sna-base" },             { 1494, "citrix-ica" },
    { 1512, "wins" },                { 1604, "icabrowser" },              { 1701, "l2tp" },
    { 1723, "pptp" },                { 1801, "msmq" },                    { 1812, "radius" },
    { 1813, "radius-acct" },         { 2049, "nfs" },                     { 3128, "squid" },
    { 3268, "ms-ad-globalcatalog" }, { 3269, "ms-ad-globalcatalog-ssl" }, { 3389, "ms-rdp" },
    { 8080, "http-proxy" },
    { -1, nullptr },
    // clang-format on
};

// Ethernet frame types.
const CNameEntry g_etherTypes[] = {
    // clang-format off
    { 0x0800, "IPv4" },                 { 0x0801, "X.75 Internet" },
    { 0x0802, "NBS Internet" },         { 0x0803, "ECMA Internet" },
    { 0x0804, "Chaosnet" },             { 0x0805, "X.25 Level 3" },
    { 0x0806, "ARP" },                  { 0x0807, "XNS Compatability" },
    { 0x0808, "Frame Relay ARP" },      { 0x0BAE, "VINES Loopback" },
    { 0x0BAF, "VINES Echo" },           { 0x600A, "3Com Corporation" },
    { 0x6558, "Trans Ether Bridging" }, { 0x6559, "Raw Frame Relay" },
    { 0x8035, "Reverse ARP" },          { 0x8037, "IPX" },
    { 0x8137, "Novell, Inc" },          { 0x86DD, "IPv6" },
    { 0x876B, "TCP/IP Compression" },   { 0x876C, "IP Autonomous Systems" },
    { 0x876D, "Secure Data" },          { 0xFFFF, "Reserved" },
    { 0, nullptr },
    // clang-format on
};

// Internet protocol numbers.
const CNameEntry g_ipProtocols[] = {
    // clang-format off
    {   0, "HOPOPT" },    {   1, "ICMP" },       {   2, "IGMP" },        {   3, "GGP" },
    {   4, "IP" },        {   5, "ST" },         {   6, "TCP" },         {   7, "CBT" },
    {   8, "EGP" },       {   9, "IGP" },        {  10, "BBN-RCC-MON" }, {  11, "NVP-II" },
    {  12, "PUP" },       {  13, "ARGUS" },      {  14, "EMCON" },       {  15, "XNET" },
    {  16, "CHAOS" },     {  17, "UDP" },        {  18, "MUX" },         {  19, "DCN-MEAS" },
    {  20, "HMP" },       {  21, "PRM" },        {  22, "XNS-IDP" },     {  23, "TRUNK-1" },
    {  24, "TRUNK-2" },   {  25, "LEAF-1" },     {  26, "LEAF-2" },      {  27, "RDP" },
    {  28, "IRTP" },      {  29, "ISO-TP4" },    {  30, "NETBLT" },      {  31, "MFE-NSP" },
    {  32, "MERIT-INP" }, {  33, "SEP" },        {  34, "3PC" },         {  35, "IDPR" },
    {  36, "XTP" },       {  37, "DDP" },        {  38, "IDPR-CMTP" },   {  39, "TP++" },
    {  40, "IL" },        {  41, "IPv6" },       {  42, "SDRP" },        {  43, "IPv6-Route" },
    {  44, "IPv6-Frag" }, {  45, "IDRP" },       {  46, "RSVP" },        {  47, "GRE" },
    {  48, "MHRP" },      {  49, "BNA" },        {  50, "ESP" },         {  51, "AH" },
    {  52, "I-NLSP" },    {  53, "SWIPE" },      {  54, "NARP" },        {  55, "MOBILE" },
    {  56, "TLSP" },      {  57, "SKIP" },       {  58, "IPv6-ICMP" },   {  59, "IPv6-NoNxt" },
    {  60, "IPv6-Opts" }, {  62, "CFTP" },       {  64, "SAT-EXPAK" },   {  65, "KRYPTOLAN" },
    {  66, "RVD" },       {  67, "IPPC" },       {  69, "SAT-MON" },     {  70, "VISA" },
    {  71, "IPCV" },      {  72, "CPNX" },       {  73, "CPHB" },        {  74, "WSN" },
    {  75, "PVP" },       {  76, "BR-SAT-MON" }, {  77, "SUN-ND" },      {  78, "WB-MON" },
    {  79, "WB-EXPAK" },  {  80, "ISO-IP" },     {  81, "VMTP" },        {  82, "SECURE-VMTP" },
    {  83, "VINES" },     {  84, "TTP" },        {  85, "NSFNET-IGP" },  {  86, "DGP" },
    {  87, "TCF" },       {  88, "EIGRP" },      {  89, "OSPFIGP" },     {  90, "Sprite-RPC" },
    {  91, "LARP" },      {  92, "MTP" },        {  93, "AX.25" },       {  94, "IPIP" },
    {  95, "MICP" },      {  96, "SCC-SP" },     {  97, "ETHERIP" },     {  98, "ENCAP" },
    { 100, "GMTP" },      { 101, "IFMP" },       { 102, "PNNI" },        { 103, "PIM" },
    { 104, "ARIS" },      { 105, "SCPS" },       { 106, "QNX" },         { 107, "A/N" },
    { 108, "IPComp" },    { 109, "SNP" },        { 110, "Compaq-Peer" }, { 111, "IPX-in-IP" },
    { 112, "VRRP" },      { 113, "PGM" },        { 115, "L2TP" },        { 116, "DDX" },
    { 117, "IATP" },      { 118, "STP" },        { 119, "SRP" },         { 120, "UTI" },
    { 121, "SMP" },       { 122, "SM" },         { 123, "PTP" },         { 124, "ISIS" },
    { 125, "FIRE" },      { 126, "CRTP" },       { 127, "CRUDP" },       { 128, "SSCOPMCE" },
    { 129, "IPLT" },      { 130, "SPS" },
    { -1, nullptr },
    // clang-format on
};

// ICMP message types.
const CNameEntry g_icmpTypes[] = {
    // clang-format off
    {  0, "ECHO_REPLY" },       {  3, "DEST_UNREACH" },        {  4, "QUENCH" },
    {  5, "REDIRECT" },         {  6, "ALTERNATE_ADDR" },      {  8, "ECHO_REQUEST" },
    {  9, "ROUTER_ADVERTISE" }, { 10, "ROUTER_SOLICITATE" },   { 11, "TIME_EXCEED" },
    { 12, "PARAM_PROB" },       { 13, "TIMESTAMP" },           { 14, "TIMESTAMP_REPLY" },
    { 15, "INFO_REQUEST" },     { 16, "INFO_REPLY" },          { 17, "ADDR_MASK" },
    { 18, "ADDR_MASK_REPLY" },  { 30, "TRACEROUTE_RESPONSE" }, { 31, "CONVERSION_ERROR" },
    { 32, "MOBILE_REDIRECT" },  { 33, "IPV6_WHEREAREYOU" },    { 34, "IPV6_IAMHERE" },
    { 35, "MOBILEREGREQUEST" }, { 36, "MOBILEREGREPLY" },      { 37, "NAMEREQUEST" },
    { 38, "NAMEREPLY" },
    { -1, nullptr },
    // clang-format on
};

// Severities of log entries.
const CNameEntry g_severities[] = {
    // clang-format off
    {  0, "Emergency" }, {  1, "Alert" },  {  2, "Critical" }, {  3, "Error" },
    {  4, "Warning" },   {  5, "Notice" }, {  6, "Info" },     {  7, "Debug" },
    { -1, nullptr },
    // clang-format on
};

// Authentication events.
const CNameEntry g_authEvents[] = {
    // clang-format off
    {  1, "Login" },      {  2, "Logout" }, {  3, "Timedout" }, {  4, "Disallowed" },
    {  5, "Accounting" },
    { -1, nullptr },
    // clang-format on
};

// Dynamic routing events.
const CNameEntry g_routeEvents[] = {
    // clang-format off
    {  1, "Add" },      {  2, "Remove" }, {  3, "Modify" }, {  4, "Export" },
    {  5, "Unexport" },
    { -1, nullptr },
    // clang-format on
};

namespace {

// A scan for a number gives up after this many rows.
constexpr int kMaxScannedRows = 10000;

constexpr int kTextBufferSize = 16;
constexpr int kTextBufferCount = 4;

// Four buffers used in turn, so that up to four results of one formatter
// stay valid at once.
class CRotatingBuffers {
public:
    char* Next()
    {
        m_nCurrent = (m_nCurrent + 1) % kTextBufferCount;
        return m_aBuffers[m_nCurrent];
    }

private:
    char m_aBuffers[kTextBufferCount][kTextBufferSize] = {};
    int m_nCurrent = 0;
};

thread_local CRotatingBuffers g_macTexts;
thread_local CRotatingBuffers g_ipTexts;

}  // namespace

int32_t NameToNumber(const CNameEntry* pTable, const char* pszName)
{
    const CNameEntry* pRow = pTable;
    while (pRow->m_pszName != nullptr && (pszName == nullptr || !EqualNoCase(pRow->m_pszName, pszName)))
        ++pRow;
    return pRow->m_nNumber;
}

const char* NumberToName(const CNameEntry* pTable, int32_t nNumber, const char* pszDefault)
{
    for (int nRow = 0; nRow < kMaxScannedRows && pTable[nRow].m_pszName != nullptr; ++nRow)
        if (pTable[nRow].m_nNumber == nNumber)
            return pTable[nRow].m_pszName;
    return pszDefault;
}

const char* NumberToText(const CNameEntry* pTable, int32_t nNumber, char* pszBuffer, int nSize, const char* pszFormat)
{
    const char* pszName = NumberToName(pTable, nNumber);
    if (pszName != nullptr)
        return pszName;
    BoundedFormat(pszBuffer, nSize, pszFormat != nullptr ? pszFormat : "%u", nNumber);
    return pszBuffer;
}

const char* MacToText(const uint8_t* pAddress)
{
    SARNITH_ASSERT(pAddress != nullptr);
    char* pszText = g_macTexts.Next();
    BoundedFormat(pszText, kTextBufferSize, "%02x%02x:%02x%02x:%02x%02x", pAddress[0], pAddress[1], pAddress[2],
                  pAddress[3], pAddress[4], pAddress[5]);
    return pszText;
}

const char* IpToText(const uint8_t* pAddress)
{
    SARNITH_ASSERT(pAddress != nullptr);
    char* pszText = g_ipTexts.Next();
    BoundedFormat(pszText, kTextBufferSize, "%u.%u.%u.%u", pAddress[0], pAddress[1], pAddress[2], pAddress[3]);
    return pszText;
}
