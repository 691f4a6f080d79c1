// The inflate engine on ISA-L: isal_inflate on raw deflate data (no
// wrapper, the largest window) and ISA-L's CRC-32 of the gzip trailer.
// The only place of the reading path that knows ISA-L.
#include "storage/inflate_engine_makers.h"

#include <climits>
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#include <new>

namespace {

// ISA-L counts in 32-bit numbers: larger buffers are handed over in parts.
constexpr size_t kLargestChunk = UINT32_MAX;

uint32_t ChunkOf(size_t nCount)
{
    return static_cast<uint32_t>(nCount < kLargestChunk ? nCount : kLargestChunk);
}

class CIsalInflateEngine : public CInflateEngine {
public:
    CIsalInflateEngine() = default;
    CIsalInflateEngine(const CIsalInflateEngine&) = delete;
    CIsalInflateEngine& operator=(const CIsalInflateEngine&) = delete;

    bool Start() override
    {
        isal_inflate_init(&m_state);
        m_state.crc_flag = ISAL_DEFLATE;  // raw deflate data: the framing is the stream's
        return true;
    }

    CStep Inflate(const uint8_t* pInput, size_t nInput, uint8_t* pOutput, size_t nOutput) override
    {
        m_state.next_in = const_cast<uint8_t*>(pInput);
        m_state.avail_in = ChunkOf(nInput);
        m_state.next_out = pOutput;
        m_state.avail_out = ChunkOf(nOutput);
        int nResult = isal_inflate(&m_state);
        CStep step;
        step.m_nConsumed = static_cast<size_t>(m_state.next_in - pInput);
        step.m_nProduced = static_cast<size_t>(m_state.next_out - pOutput);
        step.m_nConsumed -= GiveBackWholeBytes(step.m_nConsumed);
        // An end whose following bytes cannot all be given back counts as
        // bad data: the stream decodes the member again.
        bool bFinished = m_state.block_state == ISAL_BLOCK_FINISH;
        if (nResult != ISAL_DECOMP_OK || (bFinished && m_state.read_in_length >= 8))
            step.m_eStatus = EStatus::kDataError;
        else if (bFinished)
            step.m_eStatus = EStatus::kStreamEnd;
        else
            step.m_eStatus = EStatus::kProgress;
        return step;
    }

    uint32_t Crc32(uint32_t nCrc, const uint8_t* pData, size_t nCount) const override
    {
        return crc32_gzip_refl(nCrc, pData, nCount);
    }

    // isal_inflate decodes ahead into its own buffer and may report bad data
    // before it has handed out the bytes in front of it, or after bytes
    // that are not data; at the end of the input it waits for the bits of
    // a whole group of literals.
    bool StopsExactly() const override { return false; }

private:
    // ISA-L loads input into its bit buffer ahead of need. When it stopped
    // for another reason than wanting more input, the whole bytes in it go
    // back to the caller, who hands them in again with the next input, so
    // that the end of the deflate data is known to the byte. Not while
    // ISA-L keeps a block header that waits for the rest in its own input
    // buffer, nor more bytes than this call consumed.
    size_t GiveBackWholeBytes(size_t nConsumed)
    {
        bool bInputLeft = m_state.avail_in != 0 || m_state.block_state == ISAL_BLOCK_INPUT_DONE ||
                          m_state.block_state == ISAL_BLOCK_FINISH;
        if (!bInputLeft || m_state.tmp_in_size != 0 || m_state.read_in_length < 8)
            return 0;
        size_t nBytes = static_cast<size_t>(m_state.read_in_length / 8);
        if (nBytes > nConsumed)
            return 0;
        m_state.read_in_length %= 8;
        m_state.read_in &= (uint64_t(1) << m_state.read_in_length) - 1;
        return nBytes;
    }

    inflate_state m_state;  // about 85 KiB, most of it touched only by data that needs it
};

}  // namespace

std::unique_ptr<CInflateEngine> CreateIsalInflateEngine()
{
    return std::unique_ptr<CInflateEngine>(new (std::nothrow) CIsalInflateEngine);
}
