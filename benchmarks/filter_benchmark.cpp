// Filter evaluation cost per record: a typical two-condition filter
// (srcip = x and destport = y) and a description search, evaluated over a
// set of records decoded beforehand from packet and connection entries, so
// only the evaluation is measured.
#include <benchmark/benchmark.h>

#include <memory>
#include <utility>
#include <vector>

#include "filter/search_node.h"
#include "filter/search_param.h"
#include "lql/keyword_table.h"
#include "records/log_record.h"
#include "testing/entry_builder.h"

using namespace testdata;

namespace {

const uint32_t kRecordCount = 1024;

// Entries of the kinds a database holds most: TCP and UDP packets in
// Ethernet frames and connection entries; about one in 24 matches the
// two-condition filter.
Bytes MixedEntry(uint32_t nIndex)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip("10.0.0.0") + nIndex % 8;
    ip.m_nDestIp = Ip("198.51.100.7");
    uint16_t nDestPort = nIndex % 3 == 0 ? 80 : 443;
    CEntryBuilder entry;
    entry.Category("RULE")
        .Event("ruleset_drop_packet")
        .Action("drop")
        .LogId(6000051)
        .Severity(3)
        .RuleNames({{RULE_NAME, "drop_all"}})
        .Params("rule=drop_all satsrcrule=nat_out recvif=wan");
    switch (nIndex % 3) {
    case 0: {
        CTcpSpec tcp;
        tcp.m_nSrcPort = static_cast<uint16_t>(1024 + nIndex);
        tcp.m_nDestPort = nDestPort;
        entry.Packet(EthernetFrame(TcpPacket(ip, tcp, Bytes(40, 0))), LINK_ETHERNET);
        break;
    }
    case 1:
        entry.Packet(EthernetFrame(UdpPacket(ip, 5353, 53, Bytes(12, 0))), LINK_ETHERNET);
        break;
    default: {
        CConnSpec conn;
        conn.m_nSrcIp = ip.m_nSrcIp;
        conn.m_nDestIp = ip.m_nDestIp;
        conn.m_nSrcPort = static_cast<uint16_t>(1024 + nIndex);
        conn.m_nDestPort = nDestPort;
        entry.Conn(conn);
        break;
    }
    }
    return entry.Body();
}

// The entry bodies and the records decoded from them (which point into the bodies).
struct CRecordSet {
    std::vector<Bytes> m_aBodies;
    std::vector<std::unique_ptr<CLogRecord>> m_aRecords;

    CRecordSet()
    {
        for (uint32_t i = 0; i < kRecordCount; ++i)
            m_aBodies.push_back(MixedEntry(i));
        for (const Bytes& body : m_aBodies) {
            m_aRecords.emplace_back(new CLogRecord);
            m_aRecords.back()->Decode(body.data(), static_cast<uint16_t>(body.size()));
        }
    }
};

const CRecordSet& Records()
{
    static const CRecordSet s_records;
    return s_records;
}

std::unique_ptr<CSearchParam> NewParam(int32_t nParamId, const char* pszValue)
{
    auto pParam = std::make_unique<CSearchParam>();
    pParam->SetValue(nParamId, pszValue, SEARCH_OP_EQ);
    return pParam;
}

void RunFilter(benchmark::State& state, const CSearchFilter& filter)
{
    const CRecordSet& records = Records();
    int64_t nPassed = 0;
    for (auto _ : state) {
        for (const auto& pRecord : records.m_aRecords)
            nPassed += filter.Evaluate(*pRecord);
        benchmark::DoNotOptimize(nPassed);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(records.m_aRecords.size()));
    state.counters["passed"] =
        benchmark::Counter(static_cast<double>(nPassed) / static_cast<double>(state.iterations()));
}

// srcip = 10.0.0.3 and destport = 80
void BM_SrcIpAndDestPort(benchmark::State& state)
{
    auto pAll = std::make_unique<CSearchAnd>();
    pAll->Append(NewParam(KEY_SRCIP, "10.0.0.3"));
    pAll->Append(NewParam(KEY_DESTPORT, "80"));
    CSearchFilter filter(std::move(pAll));
    RunFilter(state, filter);
}
BENCHMARK(BM_SrcIpAndDestPort);

// description = 'satsrcrule=nat'
void BM_DescriptionSearch(benchmark::State& state)
{
    CSearchFilter filter(NewParam(KEY_DESCRIPTION, "satsrcrule=nat"));
    RunFilter(state, filter);
}
BENCHMARK(BM_DescriptionSearch);

}  // namespace

BENCHMARK_MAIN();
