// The inflate engine on zlib: raw inflate (window bits -15) and zlib's
// crc32. The only place of the reading path that knows zlib.
#include <climits>
#include <new>
#include <zlib.h>

#include "storage/inflate_engine_makers.h"

namespace {

// Raw deflate data with the largest window: no zlib or gzip wrapper.
constexpr int kRawDeflateWindowBits = -15;

// zlib counts in unsigned int: larger buffers are handed over in parts.
constexpr size_t kLargestChunk = UINT_MAX;

uInt ChunkOf(size_t nCount)
{
    return static_cast<uInt>(nCount < kLargestChunk ? nCount : kLargestChunk);
}

class CZlibInflateEngine : public CInflateEngine {
public:
    CZlibInflateEngine() : m_stream(), m_bInitialised(false) {}
    ~CZlibInflateEngine() override
    {
        if (m_bInitialised)
            inflateEnd(&m_stream);
    }
    CZlibInflateEngine(const CZlibInflateEngine&) = delete;
    CZlibInflateEngine& operator=(const CZlibInflateEngine&) = delete;

    bool Start() override
    {
        if (m_bInitialised)
            return inflateReset(&m_stream) == Z_OK;
        m_stream = z_stream();
        m_bInitialised = inflateInit2(&m_stream, kRawDeflateWindowBits) == Z_OK;
        return m_bInitialised;
    }

    CStep Inflate(const uint8_t* pInput, size_t nInput, uint8_t* pOutput, size_t nOutput) override
    {
        m_stream.next_in = const_cast<Bytef*>(pInput);
        m_stream.avail_in = ChunkOf(nInput);
        m_stream.next_out = pOutput;
        m_stream.avail_out = ChunkOf(nOutput);
        int nResult = inflate(&m_stream, Z_NO_FLUSH);
        CStep step;
        step.m_nConsumed = static_cast<size_t>(m_stream.next_in - pInput);
        step.m_nProduced = static_cast<size_t>(m_stream.next_out - pOutput);
        switch (nResult) {
        case Z_OK:
        case Z_BUF_ERROR:  // no progress possible without more input or room
            step.m_eStatus = EStatus::kProgress;
            break;
        case Z_STREAM_END:
            step.m_eStatus = EStatus::kStreamEnd;
            break;
        case Z_MEM_ERROR:
            step.m_eStatus = EStatus::kNoMemory;
            break;
        default:  // Z_DATA_ERROR, Z_NEED_DICT, Z_STREAM_ERROR
            step.m_eStatus = EStatus::kDataError;
            break;
        }
        return step;
    }

    uint32_t Crc32(uint32_t nCrc, const uint8_t* pData, size_t nCount) const override
    {
        uLong nValue = nCrc;
        while (nCount > 0) {
            uInt nChunk = ChunkOf(nCount);
            nValue = crc32(nValue, pData, nChunk);
            pData += nChunk;
            nCount -= nChunk;
        }
        return static_cast<uint32_t>(nValue);
    }

    bool StopsExactly() const override { return true; }

private:
    z_stream m_stream;
    bool m_bInitialised;
};

}  // namespace

std::unique_ptr<CInflateEngine> CreateZlibInflateEngine()
{
    return std::unique_ptr<CInflateEngine>(new (std::nothrow) CZlibInflateEngine);
}
