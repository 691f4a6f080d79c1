// Fuzz target: a configuration file through the configuration loader (the
// reading of its lines and the checks of the logger's settings), then the
// loaded gateway names through the statement parser.
//
// Input: the bytes of the file. The loader opens them by path from a
// memory file.
#include <cstddef>
#include <cstdint>

#include "frontend/config_file.h"
#include "fuzz/fuzz_setup.h"
#include "fuzz/memory_file.h"
#include "lql/query.h"
#include "lql/statement_parser.h"
#include "support/error_text.h"

namespace {

CMemoryFile* g_pFile = nullptr;

constexpr const char* kStatement = "select srcip from all, gw1, '123' last days 1 where srcport = 80";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    PinTime();
    g_pFile = new CMemoryFile;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    g_pFile->Replace(pData, nSize);
    CConfigFile file(g_pFile->GetPath());
    CLoggerConfig config;
    try {
        if (!file.Read())
            return 0;
        config.Load(file);
    } catch (const CErrorText&) {
        return 0;
    }
    CStatementParser parser(config.GetGatewayNames(), config.GetGatewayCount());
    CQuery query;
    parser.Parse(CSString(kStatement), query);
    return 0;
}
