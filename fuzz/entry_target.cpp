// Fuzz target: one stored entry through the decoder, the filters and the
// text writer in every layout (fuzz/fuzz_chain.h).
//
// Input: the entry time as stored (8 bytes: low half first, each half
// big-endian; storage/log_file_format.h), then the element list (at most
// 65535 bytes of it are used). The list is read in place from the fuzzer's
// exactly sized copy, so any read past its end is caught.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_chain.h"
#include "fuzz/fuzz_setup.h"
#include "storage/log_entry.h"
#include "storage/log_file_format.h"
#include "support/byte_order.h"

namespace {

constexpr size_t kMaxBodyLength = 65535;

CFuzzChain* g_pChain = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    PinTime();
    g_pChain = new CFuzzChain;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < kStoredTimeSize)
        return 0;
    size_t nLength = nSize - kStoredTimeSize;
    if (nLength > kMaxBodyLength)
        nLength = kMaxBodyLength;

    CLogEntry entry;
    entry.m_nTimeLow = ReadTimeLowHalf(pData);
    entry.m_nTimeHigh = ReadTimeHighHalf(pData);
    entry.m_nLength = static_cast<uint16_t>(nLength);
    entry.m_pBody = pData + kStoredTimeSize;
    g_pChain->Process(entry, "gw-east");
    return 0;
}
