// Text rendering and binary writing speed: decoded records of the entry
// kinds a log database holds (connection, TCP, ICMP error, authentication,
// interface usage) written by the text writer in the labelled, delimited,
// JSON and CSV layouts and by the binary writer, to /dev/null. Records are decoded once up front, so only
// the writers are measured; one writer is reused for every entry, as in the
// query run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "output/binary_writer.h"
#include "output/text_writer.h"
#include "records/log_record.h"
#include "testing/entry_builder.h"
#include "testing/log_db_writer.h"
#include "testing/sample_entries.h"

using namespace testdata;

namespace {

constexpr uint32_t kEntryCount = 1000;

// Entries of every kind in turn, a second apart, with their decoded records.
class CRecordSet {
public:
    CRecordSet()
    {
        Bytes (*const apfnKinds[])(uint32_t) = {&SampleConnEntry, &SampleTcpEntry, &SampleIcmpErrorEntry,
                                                &SampleAuthEntry, &SampleUsageEntry};
        for (uint32_t i = 0; i < kEntryCount; ++i)
            m_aBodies.push_back(apfnKinds[i % 5](i));
        m_aRecords.resize(kEntryCount);
        const LogTime nStart = LogTimeFromUtc(2023, 11, 14, 22, 0, 0);
        for (uint32_t i = 0; i < kEntryCount; ++i) {
            CLogEntry entry;
            LogTime nTime = nStart + static_cast<LogTime>(i) * 10000000;
            entry.m_nLength = static_cast<uint16_t>(m_aBodies[i].size());
            entry.m_nTimeLow = static_cast<uint32_t>(nTime);
            entry.m_nTimeHigh = static_cast<uint32_t>(nTime >> 32);
            entry.m_pBody = m_aBodies[i].data();
            m_aEntries.push_back(entry);
            m_aRecords[i].Decode(entry.m_pBody, entry.m_nLength);
        }
    }

    // Hands every entry to the writer once; the bytes written go to state.
    void WriteAll(CBinaryWriter& writer, benchmark::State& state) const
    {
        for (uint32_t i = 0; i < kEntryCount; ++i)
            benchmark::DoNotOptimize(writer.WriteEntry(m_aEntries[i], m_aRecords[i], "gw1"));
        state.counters["entries/s"] =
            benchmark::Counter(static_cast<double>(kEntryCount), benchmark::Counter::kIsIterationInvariantRate);
    }

private:
    std::vector<Bytes> m_aBodies;
    std::vector<CLogEntry> m_aEntries;
    std::vector<CLogRecord> m_aRecords;
};

const CRecordSet& Records()
{
    static const CRecordSet records;
    return records;
}

CDynArray<CSString> Outputs(const std::vector<const char*>& apszNames)
{
    CDynArray<CSString> aOutputs;
    for (const char* pszName : apszNames)
        aOutputs.Add(CSString(pszName));
    return aOutputs;
}

const std::vector<const char*> kStandard = {"date",   "time",     "vantgard", "category",    "id",
                                            "event",  "action",   "recvif",   "srcip",       "srcport",
                                            "destip", "destport", "ipproto",  "explanation", "params"};

std::vector<const char*> WideColumns()
{
    std::vector<const char*> apszColumns = kStandard;
    for (const char* pszName :
         {"devdate",   "devtime",  "severity",  "rule",        "satsrcrule", "conn",      "origsent",  "termsent",
          "destiface", "hwsrc",    "hwdest",    "enetproto",   "ttl",        "iptotlen",  "tcphdrlen", "syn",
          "ack",       "icmptype", "icmpsrcip", "icmpipproto", "username",   "authevent", "usage",     "connusage"})
        apszColumns.push_back(pszName);
    return apszColumns;
}

void RenderLayout(benchmark::State& state, const std::vector<const char*>& apszColumns, const COutputSettings& settings)
{
    const CRecordSet& records = Records();
    FILE* pNull = std::fopen("/dev/null", "w");
    CTextWriter writer(Outputs(apszColumns), settings, pNull);
    for (auto _ : state)
        records.WriteAll(writer, state);
    std::fclose(pNull);
}

void RenderText(benchmark::State& state, const std::vector<const char*>& apszColumns, char cDelimiter,
                EIpFormat eIpFormat)
{
    COutputSettings settings;
    settings.m_cDelimiter = cDelimiter;
    settings.m_eIpFormat = eIpFormat;
    RenderLayout(state, apszColumns, settings);
}

COutputSettings Layout(EOutputLayout eLayout)
{
    COutputSettings settings;
    settings.m_eLayout = eLayout;
    return settings;
}

void BM_TextLabelledStandard(benchmark::State& state)
{
    RenderText(state, kStandard, 0, IPFORMAT_STRING);
}
BENCHMARK(BM_TextLabelledStandard);

void BM_TextDelimitedStandard(benchmark::State& state)
{
    RenderText(state, kStandard, ';', IPFORMAT_STRING);
}
BENCHMARK(BM_TextDelimitedStandard);

void BM_TextDelimitedWide(benchmark::State& state)
{
    RenderText(state, WideColumns(), '\t', IPFORMAT_FIXED);
}
BENCHMARK(BM_TextDelimitedWide);

void BM_JsonStandard(benchmark::State& state)
{
    RenderLayout(state, kStandard, Layout(LAYOUT_JSON));
}
BENCHMARK(BM_JsonStandard);

void BM_JsonWide(benchmark::State& state)
{
    RenderLayout(state, WideColumns(), Layout(LAYOUT_JSON));
}
BENCHMARK(BM_JsonWide);

void BM_CsvStandard(benchmark::State& state)
{
    RenderLayout(state, kStandard, Layout(LAYOUT_CSV));
}
BENCHMARK(BM_CsvStandard);

void BM_CsvWide(benchmark::State& state)
{
    RenderLayout(state, WideColumns(), Layout(LAYOUT_CSV));
}
BENCHMARK(BM_CsvWide);

void BM_Binary(benchmark::State& state)
{
    const CRecordSet& records = Records();
    FILE* pNull = std::fopen("/dev/null", "w");
    CBinaryWriter writer(pNull);
    for (auto _ : state)
        records.WriteAll(writer, state);
    std::fclose(pNull);
}
BENCHMARK(BM_Binary);

}  // namespace

BENCHMARK_MAIN();
