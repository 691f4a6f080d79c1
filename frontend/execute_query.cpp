// The query run's loop: the readers of every source and range, the merge in
// time order, the filter and the writer.
#include "frontend/execute_query.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "filter/search_node.h"
#include "frontend/config_file.h"
#include "frontend/follow_run.h"
#include "frontend/merge_heap.h"
#include "frontend/parallel_run.h"
#include "frontend/reader_plan.h"
#include "frontend/run_problems.h"
#include "frontend/run_settings.h"
#include "lql/query.h"
#include "output/binary_writer.h"
#include "output/output_settings.h"
#include "output/text_writer.h"
#include "records/log_record.h"
#include "storage/log_file_reader.h"
#include "support/ascii.h"
#include "support/platform.h"

namespace {

constexpr size_t kInitialReaders = 8;

// A reader of the run with the entry it has ready, the largest entry time
// it has handed out (its key in the merge) and the gateway name that goes
// with its entries. The entry points into the reader's buffer.
struct CActiveReader {
    std::unique_ptr<CLogFileReader> m_pReader;
    CLogEntry m_entry = {};
    LogTime m_nPrefixMax = 0;
    CSString m_strGateway;
};

// The readers of the run, in the order they were created, and the merge
// heap of those that still have entries (frontend/merge_heap.h): the
// earliest entry comes first, the earlier reader on a tie. Owns the readers.
class CReaderSet {
public:
    CReaderSet()
    {
        m_aMembers.reserve(kInitialReaders);
        m_heap.Reserve(kInitialReaders);
    }

    // Takes the reader and has it read its first entry; a reader without
    // any is destroyed at once.
    void Add(std::unique_ptr<CLogFileReader> pReader, const char* pszGateway)
    {
        CActiveReader member;
        member.m_strGateway = pszGateway;
        if (!pReader->ReadEntry(member.m_entry))
            return;
        member.m_pReader = std::move(pReader);
        member.m_nPrefixMax = member.m_entry.GetTime();
        m_heap.Push(static_cast<uint32_t>(m_aMembers.size()), member.m_nPrefixMax);
        m_aMembers.push_back(std::move(member));
    }

    bool IsEmpty() const { return m_heap.IsEmpty(); }

    // The member whose entry comes next.
    const CActiveReader& Earliest() const { return m_aMembers[m_heap.Top()]; }

    // Has the earliest member read its next entry; a reader that runs dry
    // is destroyed and leaves the merge.
    void AdvanceEarliest()
    {
        CActiveReader& member = m_aMembers[m_heap.Top()];
        if (member.m_pReader->ReadEntry(member.m_entry)) {
            if (member.m_entry.GetTime() > member.m_nPrefixMax)
                member.m_nPrefixMax = member.m_entry.GetTime();
            m_heap.ReplaceTop(member.m_nPrefixMax);
            return;
        }
        member.m_pReader.reset();
        m_heap.PopTop();
    }

private:
    std::vector<CActiveReader> m_aMembers;
    CMergeHeap m_heap;
};

// The output is gathered in pieces of this size before it goes to standard
// output, unless that is a terminal: there each line shows as it is written.
constexpr size_t kOutputBufferSize = 64u << 10;

std::unique_ptr<CBinaryWriter> CreateWriter(const CQuery& query, const COutputSettings& settings)
{
    size_t nBufferSize = platform::IsTerminal(fileno(stdout)) ? 0 : kOutputBufferSize;
    if (query.SelectsBinary())
        return std::unique_ptr<CBinaryWriter>(new CBinaryWriter(stdout, nBufferSize));
    return std::unique_ptr<CBinaryWriter>(new CTextWriter(query.m_aOutputs, settings, stdout, nBufferSize));
}

// The configured spelling of a gateway named in the statement, which names
// its folder; the statement may have written it in other letter case. A
// configured name spelt exactly as written wins over the first one that
// differs only in case.
const char* ConfiguredName(const CLoggerConfig& config, const CSString& strName)
{
    const char* const* apszNames = config.GetGatewayNames();
    const char* pszFolder = strName;
    for (int i = config.GetGatewayCount() - 1; i >= 0; --i) {
        if (std::strcmp(apszNames[i], strName) == 0)
            return apszNames[i];
        if (EqualNoCase(apszNames[i], strName))
            pszFolder = apszNames[i];
    }
    return pszFolder;
}

// One reader per source of every range, in statement order; ALL stands for
// every configured gateway in configuration order. Entries of a file source
// carry no gateway name.
std::vector<CReaderPlan> PlanReaders(const CLoggerConfig& config, const CQuery& query)
{
    std::vector<CReaderPlan> aPlans;
    const char* const* apszGateways = config.GetGatewayNames();
    for (int nRange = 0; nRange < query.m_aRanges.GetSize(); ++nRange) {
        const CQueryRange& range = query.m_aRanges[nRange];
        for (int nSource = 0; nSource < range.m_aSources.GetSize(); ++nSource) {
            const CQuerySource& source = range.m_aSources[nSource];
            if (source.m_bFile) {
                aPlans.push_back({source.m_strName, true, "", &range});
            } else if (source.m_bAll) {
                for (int i = 0; i < config.GetGatewayCount(); ++i)
                    aPlans.push_back({apszGateways[i], false, apszGateways[i], &range});
            } else {
                aPlans.push_back({ConfiguredName(config, source.m_strName), false, source.m_strName, &range});
            }
        }
    }
    return aPlans;
}

// The run in one thread: the readers made in order, each reading its first
// entry, then the merge; the readers report to problems.
void RunSequentially(const std::vector<CReaderPlan>& aPlans, const CSString& strRootDir, const CQuery& query,
                     CBinaryWriter& writer, CRunProblems& problems)
{
    CReaderSet readers;
    for (const CReaderPlan& plan : aPlans) {
        const CQueryRange& range = *plan.m_pRange;
        std::unique_ptr<CLogFileReader> pReader(
            plan.m_bFile ? new CLogFileReader(problems, plan.m_pszSource, range.m_tmStart, range.m_tmEnd)
                         : new CLogFileReader(problems, plan.m_pszSource, strRootDir, range.m_tmStart, range.m_tmEnd));
        readers.Add(std::move(pReader), plan.m_pszGateway);
    }

    CLogRecord record;
    // Once standard output is broken nothing more can reach it: stop reading.
    while (!readers.IsEmpty() && writer.GetStreamError() == 0) {
        const CActiveReader& member = readers.Earliest();
        if (!record.Decode(member.m_entry.m_pBody, member.m_entry.m_nLength))
            problems.CountUndecodedEntry();
        if (query.m_pFilter == nullptr || query.m_pFilter->Evaluate(record) != 0)
            writer.WriteEntry(member.m_entry, record, member.m_strGateway);
        readers.AdvanceEarliest();
    }
}

}  // namespace

int ExecuteQuery(const CLoggerConfig& config, const CQuery& query, const CSString& strRootDir,
                 const COutputSettings& settings, const CRunSettings& runSettings)
{
    std::unique_ptr<CBinaryWriter> pWriter = CreateWriter(query, settings);
    pWriter->Begin();

    // Declared before the readers, which report to it while they live.
    CRunProblems problems(stderr);
    std::vector<CReaderPlan> aPlans = PlanReaders(config, query);
    unsigned nThreads = runSettings.m_nThreads != 0 ? runSettings.m_nThreads : platform::UsableProcessorCount();
    if (runSettings.m_bFollow)
        RunFollowing(aPlans, strRootDir, query, *pWriter, problems);
    else if (nThreads <= 1 || !RunWithWorkers(aPlans, strRootDir, query, settings, nThreads, *pWriter, problems))
        RunSequentially(aPlans, strRootDir, query, *pWriter, problems);

    pWriter->End();
    if (!pWriter->Flush())
        return 0;  // the output is gone or failed: the exit path judges that
    return problems.Conclude();
}
