// Fuzz target: a whole daily file through the log file reader in
// single-file mode, each entry it hands out through the decoder, the
// filters and the text writer (fuzz/fuzz_chain.h).
//
// Input: the bytes of the file as they lie on disk, plain or gzip (the
// seed corpus holds both). The reader opens them by path from a memory file
// and reads every entry from 1970 to 2199.
#include <cstddef>
#include <cstdint>
#include <ctime>

#include "fuzz/fuzz_chain.h"
#include "fuzz/fuzz_setup.h"
#include "fuzz/memory_file.h"
#include "storage/log_entry.h"
#include "storage/log_file_reader.h"

namespace {

CFuzzChain* g_pChain = nullptr;
CMemoryFile* g_pFile = nullptr;

struct tm UtcYearStart(int nYear)
{
    struct tm tmTime = {};
    tmTime.tm_year = nYear - 1900;
    tmTime.tm_mday = 1;
    return tmTime;
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
    CLogFileReader reader(g_pFile->GetPath(), UtcYearStart(1970), UtcYearStart(2200));
    CLogEntry entry;
    while (reader.ReadEntry(entry))
        g_pChain->Process(entry, "");
    return 0;
}
