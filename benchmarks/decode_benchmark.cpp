// Decoding speed of CLogRecord::Decode over the entry kinds a log database
// holds: connection entries, packet entries (plain TCP and ICMP errors),
// authentication entries, and the largest entries with 34 connection items.
// One record is reused for every entry, as in the query run.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "records/log_record.h"
#include "testing/entry_builder.h"

using namespace testdata;

namespace {

Bytes ConnEntry(uint32_t nIndex)
{
    CConnSpec conn;
    conn.m_nEvent = static_cast<uint8_t>(CONN_OPEN + nIndex % 3);
    conn.m_nSrcIp = Ip("10.0.0.0") + nIndex % 250;
    conn.m_nDestIp = Ip("192.0.2.1");
    conn.m_nSrcPort = static_cast<uint16_t>(1024 + nIndex);
    conn.m_nDestPort = 443;
    conn.m_nOrigSent = 1500 * nIndex;
    CEntryBuilder entry;
    entry.Category("CONN").Event("conn_open").Action("allow").LogId(600001).DevTime(1700000000 + nIndex)
         .Severity(5).RuleNames({{RULE_NAME, "allow_web"}, {RULE_SAT_SRC, "nat_out"}}).Conn(conn);
    return entry.Body();
}

Bytes TcpEntry(uint32_t nIndex)
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
    entry.Category("RULE").Event("ruleset_drop_packet").Action("drop").LogId(6000051).DevTime(1700000000)
         .Severity(3).RecvIf("wan").RuleNames({{RULE_NAME, "drop_all"}})
         .Packet(EthernetFrame(TcpPacket(ip, tcp, Bytes(40, 0))), LINK_ETHERNET);
    return entry.Body();
}

Bytes IcmpErrorEntry(uint32_t nIndex)
{
    CIpv4Spec outer;
    outer.m_nSrcIp = Ip("203.0.113.1");
    outer.m_nDestIp = Ip("10.0.0.1") + nIndex % 250;
    CIpv4Spec inner;
    inner.m_nSrcIp = outer.m_nDestIp;
    inner.m_nDestIp = Ip("198.51.100.7");
    CEntryBuilder entry;
    entry.Category("ICMP").Event("icmp_unreach").Action("allow").LogId(6000100).Severity(4)
         .Packet(IcmpError(outer, 3, 3, UdpPacket(inner, 5353, 53, Bytes(12, 0))), LINK_IP);
    return entry.Body();
}

Bytes AuthEntry(uint32_t nIndex)
{
    CAuthSpec auth;
    auth.m_strUser = "user" + std::to_string(nIndex % 50);
    auth.m_nAddr = Ip("10.1.0.0") + nIndex % 250;
    CEntryBuilder entry;
    entry.Category("USERAUTH").Event("user_login").Action("allow").LogId(3700001).Severity(5).Auth(auth);
    return entry.Body();
}

Bytes FullEntry(uint32_t nIndex)
{
    CEntryBuilder entry;
    entry.Category("CONN").Event("conn_close").LogId(600002);
    for (uint32_t i = 0; i < CLogRecord::kMaxItems; ++i) {
        CConnSpec conn;
        conn.m_nSrcIp = Ip("10.0.0.0") + (nIndex + i) % 250;
        entry.Conn(conn);
    }
    return entry.Body();
}

// 1024 entries of one kind, stored back to back like entries in a reader's
// buffer would follow each other.
class CEntrySet {
public:
    explicit CEntrySet(Bytes (*pMake)(uint32_t))
    {
        for (uint32_t i = 0; i < 1024; ++i) {
            Bytes entry = pMake(i);
            m_aOffsets.push_back(m_aBytes.size());
            m_aLengths.push_back(static_cast<uint16_t>(entry.size()));
            m_aBytes.insert(m_aBytes.end(), entry.begin(), entry.end());
        }
    }

    size_t Count() const { return m_aLengths.size(); }
    const uint8_t* Entry(size_t i) const { return m_aBytes.data() + m_aOffsets[i]; }
    uint16_t Length(size_t i) const { return m_aLengths[i]; }

private:
    Bytes m_aBytes;
    std::vector<size_t> m_aOffsets;
    std::vector<uint16_t> m_aLengths;
};

void RunDecode(benchmark::State& state, Bytes (*pMake)(uint32_t))
{
    const CEntrySet entries(pMake);
    CLogRecord record;
    size_t nBytes = 0;
    size_t i = 0;
    for (auto _ : state) {
        record.Decode(entries.Entry(i), entries.Length(i));
        benchmark::DoNotOptimize(record.m_nConnCount);
        benchmark::DoNotOptimize(record.m_pTcpHdr);
        nBytes += entries.Length(i);
        i = (i + 1) % entries.Count();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(nBytes));
}

void BM_DecodeConnEntry(benchmark::State& state) { RunDecode(state, ConnEntry); }
void BM_DecodeTcpPacketEntry(benchmark::State& state) { RunDecode(state, TcpEntry); }
void BM_DecodeIcmpErrorEntry(benchmark::State& state) { RunDecode(state, IcmpErrorEntry); }
void BM_DecodeAuthEntry(benchmark::State& state) { RunDecode(state, AuthEntry); }
void BM_DecodeFullEntry(benchmark::State& state) { RunDecode(state, FullEntry); }

}  // namespace

BENCHMARK(BM_DecodeConnEntry);
BENCHMARK(BM_DecodeTcpPacketEntry);
BENCHMARK(BM_DecodeIcmpErrorEntry);
BENCHMARK(BM_DecodeAuthEntry);
BENCHMARK(BM_DecodeFullEntry);

BENCHMARK_MAIN();
