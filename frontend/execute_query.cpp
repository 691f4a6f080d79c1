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
#include "frontend/run_problems.h"
#include "lql/query.h"
#include "output/binary_writer.h"
#include "output/output_settings.h"
#include "output/text_writer.h"
#include "records/log_record.h"
#include "storage/log_file_reader.h"
#include "support/ascii.h"

namespace {

constexpr size_t kInitialReaders = 8;

// A reader of the run with the entry it has ready and the gateway name that
// goes with its entries. The entry points into the reader's buffer.
struct CActiveReader {
    std::unique_ptr<CLogFileReader> m_pReader;
    CLogEntry m_entry = {};
    CSString m_strGateway;
};

// The readers that still have entries, in the order they were created; the
// order decides between entries of equal time. Owns the readers.
class CReaderSet {
public:
    CReaderSet() { m_aMembers.reserve(kInitialReaders); }

    // Takes the reader and has it read its first entry; a reader without
    // any is destroyed at once.
    void Add(std::unique_ptr<CLogFileReader> pReader, const char* pszGateway)
    {
        CActiveReader member;
        member.m_strGateway = pszGateway;
        if (!pReader->ReadEntry(member.m_entry))
            return;
        member.m_pReader = std::move(pReader);
        m_aMembers.push_back(std::move(member));
    }

    bool IsEmpty() const { return m_aMembers.empty(); }
    const CActiveReader& operator[](size_t nIndex) const { return m_aMembers[nIndex]; }

    // The member with the earliest ready entry; the earlier member wins a tie.
    size_t FindEarliest() const
    {
        size_t nEarliest = 0;
        LogTime nEarliestTime = m_aMembers[0].m_entry.GetTime();
        for (size_t i = 1; i < m_aMembers.size(); ++i) {
            LogTime nTime = m_aMembers[i].m_entry.GetTime();
            if (nTime < nEarliestTime) {
                nEarliest = i;
                nEarliestTime = nTime;
            }
        }
        return nEarliest;
    }

    // Has the member read its next entry; a reader that runs dry is
    // destroyed and leaves the set, the others keeping their order.
    void Advance(size_t nIndex)
    {
        CActiveReader& member = m_aMembers[nIndex];
        if (member.m_pReader->ReadEntry(member.m_entry))
            return;
        m_aMembers.erase(m_aMembers.begin() + static_cast<std::ptrdiff_t>(nIndex));
    }

private:
    std::vector<CActiveReader> m_aMembers;
};

std::unique_ptr<CBinaryWriter> CreateWriter(const CQuery& query, const COutputSettings& settings)
{
    if (query.SelectsBinary())
        return std::unique_ptr<CBinaryWriter>(new CBinaryWriter(stdout));
    return std::unique_ptr<CBinaryWriter>(new CTextWriter(query.m_aOutputs, settings));
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

std::unique_ptr<CLogFileReader> GatewayReader(IReaderMessages& messages, const char* pszFolder,
                                              const CSString& strRootDir, const CQueryRange& range)
{
    return std::unique_ptr<CLogFileReader>(
        new CLogFileReader(messages, pszFolder, strRootDir, range.m_tmStart, range.m_tmEnd));
}

std::unique_ptr<CLogFileReader> FileReader(IReaderMessages& messages, const CSString& strPath, const CQueryRange& range)
{
    return std::unique_ptr<CLogFileReader>(new CLogFileReader(messages, strPath, range.m_tmStart, range.m_tmEnd));
}

// One reader per source of every range, in statement order; ALL stands for
// every configured gateway in configuration order. Entries of a file source
// carry no gateway name. The readers report to messages.
void OpenReaders(const CLoggerConfig& config, const CQuery& query, const CSString& strRootDir,
                 IReaderMessages& messages, CReaderSet& readers)
{
    const char* const* apszGateways = config.GetGatewayNames();
    for (int nRange = 0; nRange < query.m_aRanges.GetSize(); ++nRange) {
        const CQueryRange& range = query.m_aRanges[nRange];
        for (int nSource = 0; nSource < range.m_aSources.GetSize(); ++nSource) {
            const CQuerySource& source = range.m_aSources[nSource];
            if (source.m_bFile) {
                readers.Add(FileReader(messages, source.m_strName, range), "");
            } else if (source.m_bAll) {
                for (int i = 0; i < config.GetGatewayCount(); ++i)
                    readers.Add(GatewayReader(messages, apszGateways[i], strRootDir, range), apszGateways[i]);
            } else {
                const char* pszFolder = ConfiguredName(config, source.m_strName);
                readers.Add(GatewayReader(messages, pszFolder, strRootDir, range), source.m_strName);
            }
        }
    }
}

}  // namespace

int ExecuteQuery(const CLoggerConfig& config, const CQuery& query, const CSString& strRootDir,
                 const COutputSettings& settings)
{
    std::unique_ptr<CBinaryWriter> pWriter = CreateWriter(query, settings);
    pWriter->Begin();

    // Declared before the readers, which report to it while they live.
    CRunProblems problems(stderr);
    CReaderSet readers;
    OpenReaders(config, query, strRootDir, problems, readers);

    CLogRecord record;
    // Once standard output is broken nothing more can reach it: stop reading.
    while (!readers.IsEmpty() && pWriter->GetStreamError() == 0) {
        size_t nSelected = readers.FindEarliest();
        const CActiveReader& member = readers[nSelected];
        if (!record.Decode(member.m_entry.m_pBody, member.m_entry.m_nLength))
            problems.CountUndecodedEntry();
        if (query.m_pFilter == nullptr || query.m_pFilter->Evaluate(record) != 0)
            pWriter->WriteEntry(member.m_entry, record, member.m_strGateway);
        readers.Advance(nSelected);
    }

    pWriter->End();
    if (!pWriter->Flush())
        return 0;  // the output is gone or failed: the exit path judges that
    return problems.Conclude();
}
