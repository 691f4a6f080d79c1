// Reading speed of CLogFileReader over generated databases: all plain, all
// gzip-compressed, and a narrow range that skips most entries. Each database
// is generated once per process in a temporary folder and removed at exit.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <map>
#include <string>
#include <unistd.h>

#include "storage/log_file_reader.h"
#include "testing/log_db_writer.h"
#include "testing/traffic.h"

namespace {

constexpr int kGateways = 2;
constexpr int kDays = 3;
constexpr int kEntriesPerDay = 50000;

// The databases are sound: no reader has anything to report.
class CIgnoredMessages final : public IReaderMessages {
public:
    void Report(EReaderMessage, const char*) override {}
};

int RemoveEntry(const char* pszPath, const struct stat*, int, struct FTW*)
{
    return remove(pszPath);
}

// A generated database per share of compressed files, made on first use.
class CBenchmarkDatabases {
public:
    ~CBenchmarkDatabases()
    {
        for (const auto& database : m_aRoots)
            nftw(database.second.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }

    const std::string& Root(int nGzipPercent)
    {
        auto it = m_aRoots.find(nGzipPercent);
        if (it != m_aRoots.end())
            return it->second;
        const char* pszBase = std::getenv("TMPDIR");
        std::string strTemplate =
            std::string(pszBase != nullptr && pszBase[0] ? pszBase : "/tmp") + "/sarnith-bench-XXXXXX";
        if (mkdtemp(strTemplate.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        testdata::CTrafficOptions options;
        options.m_nGateways = kGateways;
        options.m_nDays = kDays;
        options.m_nEntriesPerDay = kEntriesPerDay;
        options.m_nGzipPercent = nGzipPercent;
        options.m_nFilesPerDay = 2;
        std::string strError;
        if (!testdata::GenerateTraffic(strTemplate, options, strError)) {
            std::fprintf(stderr, "cannot generate the database: %s\n", strError.c_str());
            std::exit(1);
        }
        return m_aRoots[nGzipPercent] = strTemplate;
    }

private:
    std::map<int, std::string> m_aRoots;
};

CBenchmarkDatabases g_databases;

// Reads every gateway of the database over the range; the number of entries
// and body bytes go to the counters.
void ReadDatabase(benchmark::State& state, int nGzipPercent, const struct tm& tmStart, const struct tm& tmEnd)
{
    const std::string& strRoot = g_databases.Root(nGzipPercent);
    std::vector<testdata::CGateway> aGateways = testdata::GeneratedGateways(kGateways);
    int64_t nEntries = 0;
    int64_t nBytes = 0;
    CIgnoredMessages messages;
    for (auto _ : state) {
        for (const testdata::CGateway& gateway : aGateways) {
            CLogFileReader reader(messages, gateway.m_strName.c_str(), strRoot.c_str(), tmStart, tmEnd);
            CLogEntry entry;
            while (reader.ReadEntry(entry)) {
                benchmark::DoNotOptimize(entry.m_pBody[0]);
                ++nEntries;
                nBytes += entry.m_nLength;
            }
        }
    }
    state.SetItemsProcessed(nEntries);
    state.SetBytesProcessed(nBytes);
}

void BM_ReadWholeRange(benchmark::State& state)
{
    ReadDatabase(state, static_cast<int>(state.range(0)), testdata::UtcTm(2006, 6, 1),
                 testdata::UtcTm(2006, 6, 1 + kDays));
}
BENCHMARK(BM_ReadWholeRange)->Arg(0)->Arg(50)->Arg(100)->ArgName("gzip%")->Unit(benchmark::kMillisecond);

// One hour in the middle of the second day: most entries of the day's files
// are skipped without being copied.
void BM_ReadOneHour(benchmark::State& state)
{
    ReadDatabase(state, static_cast<int>(state.range(0)), testdata::UtcTm(2006, 6, 2, 12),
                 testdata::UtcTm(2006, 6, 2, 13));
}
BENCHMARK(BM_ReadOneHour)->Arg(0)->Arg(100)->ArgName("gzip%")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
