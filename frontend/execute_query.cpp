#include "frontend/execute_query.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "filter/search_node.h"
#include "frontend/config_file.h"
#include "lql/query.h"
#include "output/binary_writer.h"
#include "output/text_writer.h"
#include "records/log_record.h"
#include "storage/log_file_reader.h"
#include "support/ascii.h"
#include "support/dynarray/dynarray.h"
#include "support/error_text.h"

namespace {

constexpr const char* kBinaryOutput = "BINARY";
constexpr const char* kEntryError = "%s\n";
constexpr int kInitialReaders = 8;

// A reader of the run with the entry it has ready and the gateway name that
// goes with its entries.
struct CActiveReader {
    CLogFileReader* m_pReader = nullptr;
    CLogEntry m_entry = {};
    CSString m_strGateway;
};

// The readers that still have entries, in the order they were created; the
// order decides between entries of equal time. Owns the readers.
class CReaderSet {
public:
    CReaderSet() { m_aMembers.Reserve(kInitialReaders); }
    ~CReaderSet()
    {
        for (int i = 0; i < m_aMembers.GetSize(); ++i)
            delete m_aMembers[i].m_pReader;
    }
    CReaderSet(const CReaderSet&) = delete;
    CReaderSet& operator=(const CReaderSet&) = delete;

    // Takes the reader and has it read its first entry; a reader without
    // any is destroyed at once.
    void Add(std::unique_ptr<CLogFileReader> pReader, const char* pszGateway)
    {
        CActiveReader member;
        member.m_strGateway = pszGateway;
        if (!pReader->ReadEntry(member.m_entry))
            return;
        member.m_pReader = pReader.get();
        m_aMembers.Add(member);
        pReader.release();
    }

    bool IsEmpty() const { return m_aMembers.IsEmpty(); }
    const CActiveReader& operator[](int nIndex) const { return m_aMembers[nIndex]; }

    // The member with the earliest ready entry; the earlier member wins a tie.
    int FindEarliest() const
    {
        int nEarliest = 0;
        LogTime nEarliestTime = m_aMembers[0].m_entry.GetTime();
        for (int i = 1; i < m_aMembers.GetSize(); ++i) {
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
    void Advance(int nIndex)
    {
        CActiveReader& member = m_aMembers[nIndex];
        if (member.m_pReader->ReadEntry(member.m_entry))
            return;
        delete member.m_pReader;
        m_aMembers.RemoveAt(nIndex);
    }

private:
    CDynArray<CActiveReader> m_aMembers;
};

std::unique_ptr<CBinaryWriter> CreateWriter(const CQuery& query, char cDelimiter, bool bAddEndDelimiter,
                                            char cEndDelimiter, int nIpFormat)
{
    if (query.m_aOutputs.GetSize() == 1 && query.m_aOutputs[0].CompareNoCase(kBinaryOutput) == 0)
        return std::unique_ptr<CBinaryWriter>(new CBinaryWriter(stdout));
    return std::unique_ptr<CBinaryWriter>(
        new CTextWriter(query.m_aOutputs, cDelimiter, bAddEndDelimiter, cEndDelimiter, nIpFormat));
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

std::unique_ptr<CLogFileReader> GatewayReader(const char* pszFolder, const CSString& strRootDir,
                                              const CQueryRange& range)
{
    return std::unique_ptr<CLogFileReader>(new CLogFileReader(pszFolder, strRootDir, range.m_tmStart, range.m_tmEnd));
}

std::unique_ptr<CLogFileReader> FileReader(const CSString& strPath, const CQueryRange& range)
{
    return std::unique_ptr<CLogFileReader>(new CLogFileReader(strPath, range.m_tmStart, range.m_tmEnd));
}

// One reader per source of every range, in statement order; ALL stands for
// every configured gateway in configuration order. Entries of a file source
// carry no gateway name.
void OpenReaders(const CLoggerConfig& config, const CQuery& query, const CSString& strRootDir, CReaderSet& readers)
{
    const char* const* apszGateways = config.GetGatewayNames();
    for (int nRange = 0; nRange < query.m_aRanges.GetSize(); ++nRange) {
        const CQueryRange& range = query.m_aRanges[nRange];
        for (int nSource = 0; nSource < range.m_aSources.GetSize(); ++nSource) {
            const CQuerySource& source = range.m_aSources[nSource];
            if (source.m_bFile) {
                readers.Add(FileReader(source.m_strName, range), "");
            } else if (source.m_bAll) {
                for (int i = 0; i < config.GetGatewayCount(); ++i)
                    readers.Add(GatewayReader(apszGateways[i], strRootDir, range), apszGateways[i]);
            } else {
                const char* pszFolder = ConfiguredName(config, source.m_strName);
                readers.Add(GatewayReader(pszFolder, strRootDir, range), source.m_strName);
            }
        }
    }
}

// A consumer that closed its end of the pipe (`sarnith ... | head -1`) has
// taken all it wanted: the run ends quietly and counts as completed, so the
// stream's error mark is cleared. Any other write error stays marked on the
// stream, where the exit path reports it and fails the run.
void SettleStandardOutput(int nStreamError)
{
    if (nStreamError == EPIPE)
        std::clearerr(stdout);
}

}  // namespace

void ExecuteQuery(const CLoggerConfig& config, CQuery& query, char cDelimiter, bool bAddEndDelimiter,
                  char cEndDelimiter, const CSString& strRootDir, int nIpFormat)
{
    // A closed pipe must show up as a failed write, not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<CBinaryWriter> pWriter =
        CreateWriter(query, cDelimiter, bAddEndDelimiter, cEndDelimiter, nIpFormat);
    pWriter->Begin();

    CReaderSet readers;
    OpenReaders(config, query, strRootDir, readers);

    CLogRecord record;
    // Once standard output is broken nothing more can reach it: stop reading.
    while (!readers.IsEmpty() && pWriter->GetStreamError() == 0) {
        int nSelected = readers.FindEarliest();
        const CActiveReader& member = readers[nSelected];
        try {
            record.Decode(member.m_entry.m_pBody, member.m_entry.m_nLength);
            if (query.m_pFilter == nullptr || query.m_pFilter->Evaluate(record) != 0)
                pWriter->WriteEntry(member.m_entry, record, member.m_strGateway);
        } catch (const CErrorText& error) {
            std::fprintf(stderr, kEntryError, error.Text());
        }
        readers.Advance(nSelected);
    }

    pWriter->End();
    pWriter->Flush();
    SettleStandardOutput(pWriter->GetStreamError());
}
