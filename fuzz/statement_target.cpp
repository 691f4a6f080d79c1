// Fuzz target: one statement through the statement parser, with a fixed
// configuration of gateways (some named like numbers and keywords) and a
// fixed current time; a filter that parses is then evaluated on a few
// decoded sample entries.
//
// Input: the statement text (a zero byte ends it, as on a command line).
// The parser reports its messages to standard error; fuzz/run.sh closes it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "filter/search_node.h"
#include "fuzz/fuzz_setup.h"
#include "lql/query.h"
#include "lql/statement_parser.h"
#include "records/log_record.h"
#include "testing/sample_entries.h"

namespace {

const char* const kGateways[] = {"gw-east", "gw-west", "gw1", "123", "ip", "Select"};
constexpr int kGatewayCount = sizeof(kGateways) / sizeof(kGateways[0]);

// One entry of each kind the sample entries offer, with their records.
std::vector<testdata::Bytes>* g_paBodies = nullptr;
std::vector<CLogRecord>* g_paRecords = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    PinTime();
    g_paBodies = new std::vector<testdata::Bytes>{
        testdata::SampleConnEntry(1), testdata::SampleTcpEntry(2),   testdata::SampleIcmpErrorEntry(3),
        testdata::SampleAuthEntry(4), testdata::SampleUsageEntry(5),
    };
    g_paRecords = new std::vector<CLogRecord>(g_paBodies->size());
    for (size_t i = 0; i < g_paBodies->size(); ++i)
        (*g_paRecords)[i].Decode((*g_paBodies)[i].data(), static_cast<uint16_t>((*g_paBodies)[i].size()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::string strStatement(reinterpret_cast<const char*>(pData), nSize);
    CStatementParser parser(kGateways, kGatewayCount);
    CQuery query;
    if (parser.Parse(CSString(strStatement.c_str()), query) && query.m_pFilter != nullptr)
        for (const CLogRecord& record : *g_paRecords)
            query.m_pFilter->Evaluate(record);
    return 0;
}
