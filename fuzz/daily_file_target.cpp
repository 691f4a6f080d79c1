// Fuzz target: a whole daily file through the log file reader in
// single-file mode, each entry it hands out through the decoder, the
// filters and the text writer (fuzz/fuzz_chain.h).
//
// Input: the bytes of the file as they lie on disk, plain or gzip (the
// seed corpus holds both). The reader opens them by path from a memory file
// and reads every entry from 1970 to 2199. An input that is not gzip data is
// then compressed and read again: the reader must hand out the very same
// entries from the gzip file as from the plain one.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_chain.h"
#include "fuzz/fuzz_setup.h"
#include "fuzz/memory_file.h"
#include "storage/log_entry.h"
#include "storage/log_file_reader.h"
#include "storage/reader_messages.h"
#include "testing/log_db_writer.h"

namespace {

// The reader's messages are passed over: what matters here is which
// entries come out, and that reading ends within bounds.
class CIgnoredMessages final : public IReaderMessages {
public:
    void Report(EReaderMessage, const char*) override {}
};

// An entry as handed out: the time and the body bytes.
struct CReadEntry {
    LogTime m_nTime;
    std::string m_strBody;

    bool operator==(const CReadEntry& other) const { return m_nTime == other.m_nTime && m_strBody == other.m_strBody; }
};

CFuzzChain* g_pChain = nullptr;
CMemoryFile* g_pFile = nullptr;

// Reads the memory file to its end; each entry also goes through the chain
// when one is given.
std::vector<CReadEntry> ReadFile(CFuzzChain* pChain)
{
    CIgnoredMessages messages;
    CLogFileReader reader(messages, g_pFile->GetPath(), testdata::UtcTm(1970, 1, 1), testdata::UtcTm(2200, 1, 1));
    std::vector<CReadEntry> aEntries;
    CLogEntry entry;
    while (reader.ReadEntry(entry)) {
        const char* pBody = reinterpret_cast<const char*>(entry.m_pBody);
        aEntries.push_back({entry.GetTime(), std::string(pBody, entry.m_nLength)});
        if (pChain != nullptr)
            pChain->Process(entry, "");
    }
    return aEntries;
}

bool IsGzip(const uint8_t* pData, size_t nSize)
{
    return nSize >= 2 && pData[0] == 0x1f && pData[1] == 0x8b;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    PinTime();
    g_pChain = new CFuzzChain;
    g_pFile = new CMemoryFile;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    g_pFile->Replace(pData, nSize);
    std::vector<CReadEntry> aPlain = ReadFile(g_pChain);
    if (IsGzip(pData, nSize))
        return 0;

    std::string strGzip = testdata::GzipBytes(std::string(reinterpret_cast<const char*>(pData), nSize));
    g_pFile->Replace(reinterpret_cast<const uint8_t*>(strGzip.data()), strGzip.size());
    if (ReadFile(nullptr) != aPlain) {
        std::fprintf(stderr, "daily file: the gzip file gave other entries than the plain one\n");
        std::abort();
    }
    return 0;
}
