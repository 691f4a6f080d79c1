// The benchmarks' sample entries: one connection, TCP, ICMP error,
// authentication and usage entry each, varied by an index.
#include "testing/sample_entries.h"

#include <string>

namespace testdata {

Bytes SampleConnEntry(uint32_t nIndex)
{
    CConnSpec conn;
    conn.m_nEvent = static_cast<uint8_t>(CONN_OPEN + nIndex % 3);
    conn.m_nSrcIp = Ip("10.0.0.0") + nIndex % 250;
    conn.m_nDestIp = Ip("192.0.2.1");
    conn.m_nSrcPort = static_cast<uint16_t>(1024 + nIndex);
    conn.m_nDestPort = 443;
    conn.m_nOrigSent = 1500 * nIndex;
    CEntryBuilder entry;
    entry.Category("CONN")
        .Event("conn_open")
        .Action("allow")
        .LogId(600001)
        .DevTime(1700000000 + nIndex)
        .Severity(5)
        .RuleNames({{RULE_NAME, "allow_web"}, {RULE_SAT_SRC, "nat_out"}})
        .Conn(conn);
    return entry.Body();
}

Bytes SampleTcpEntry(uint32_t nIndex)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip("10.0.0.1") + nIndex % 250;
    ip.m_nDestIp = Ip("198.51.100.7");
    CTcpSpec tcp;
    tcp.m_nSrcPort = static_cast<uint16_t>(1024 + nIndex);
    tcp.m_nDestPort = 80;
    tcp.m_nFlags = TCP_FLAG_SYN;
    tcp.m_nDataOffset = 8;
    CEntryBuilder entry;
    entry.Category("RULE")
        .Event("ruleset_drop_packet")
        .Action("drop")
        .LogId(6000051)
        .DevTime(1700000000)
        .Severity(3)
        .RecvIf("wan")
        .Explanation("Dropped by rule \"drop_all\"; logged")
        .RuleNames({{RULE_NAME, "drop_all"}})
        .Packet(EthernetFrame(TcpPacket(ip, tcp, Bytes(40, 0))), LINK_ETHERNET);
    return entry.Body();
}

Bytes SampleIcmpErrorEntry(uint32_t nIndex)
{
    CIpv4Spec outer;
    outer.m_nSrcIp = Ip("203.0.113.1");
    outer.m_nDestIp = Ip("10.0.0.1") + nIndex % 250;
    CIpv4Spec inner;
    inner.m_nSrcIp = outer.m_nDestIp;
    inner.m_nDestIp = Ip("198.51.100.7");
    CEntryBuilder entry;
    entry.Category("ICMP")
        .Event("icmp_unreach")
        .Action("allow")
        .LogId(6000100)
        .Severity(4)
        .Packet(IcmpError(outer, 3, 3, UdpPacket(inner, 5353, 53, Bytes(12, 0))), LINK_IP);
    return entry.Body();
}

Bytes SampleAuthEntry(uint32_t nIndex)
{
    CAuthSpec auth;
    auth.m_strUser = "user" + std::to_string(nIndex % 50);
    auth.m_nAddr = Ip("10.1.0.0") + nIndex % 250;
    CEntryBuilder entry;
    entry.Category("USERAUTH").Event("user_login").Action("allow").LogId(3700001).Severity(5).Auth(auth);
    return entry.Body();
}

Bytes SampleUsageEntry(uint32_t nIndex)
{
    CEntryBuilder entry;
    entry.Category("USAGE").Event("usage").LogId(5000001);
    for (const char* pszIface : {"lan", "wan", "dmz"}) {
        CUsageSpec usage;
        usage.m_strIface = pszIface;
        usage.m_nFirstBytes = 1000 * (nIndex % 97);
        usage.m_nSecondBytes = 700 * (nIndex % 89);
        entry.Usage(usage);
    }
    entry.ConnUsage(10, 200 + nIndex % 100, 900);
    return entry.Body();
}

}  // namespace testdata
