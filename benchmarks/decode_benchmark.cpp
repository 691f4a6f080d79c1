// Decoding speed of CLogRecord::Decode over the entry kinds a log database
// holds: connection entries, packet entries (plain TCP and ICMP errors),
// authentication entries, and the largest entries with 34 connection items.
// One record is reused for every entry, as in the query run.
#include <benchmark/benchmark.h>

#include <vector>

#include "records/log_record.h"
#include "testing/entry_builder.h"
#include "testing/sample_entries.h"

using namespace testdata;

namespace {

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

void BM_DecodeConnEntry(benchmark::State& state)
{
    RunDecode(state, SampleConnEntry);
}
void BM_DecodeTcpPacketEntry(benchmark::State& state)
{
    RunDecode(state, SampleTcpEntry);
}
void BM_DecodeIcmpErrorEntry(benchmark::State& state)
{
    RunDecode(state, SampleIcmpErrorEntry);
}
void BM_DecodeAuthEntry(benchmark::State& state)
{
    RunDecode(state, SampleAuthEntry);
}
void BM_DecodeFullEntry(benchmark::State& state)
{
    RunDecode(state, FullEntry);
}

}  // namespace

BENCHMARK(BM_DecodeConnEntry);
BENCHMARK(BM_DecodeTcpPacketEntry);
BENCHMARK(BM_DecodeIcmpErrorEntry);
BENCHMARK(BM_DecodeAuthEntry);
BENCHMARK(BM_DecodeFullEntry);

BENCHMARK_MAIN();
