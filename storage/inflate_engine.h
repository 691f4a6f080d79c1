// CInflateEngine: the decoder of raw deflate data and the CRC-32 of the
// gzip trailer, behind one small interface, so that the gzip member framing
// of the daily-file stream (storage/daily_file_stream.h) stays our own code
// and the engine below it can be exchanged.
//
// An engine decodes one raw deflate stream at a time (no zlib or gzip
// wrapper). Every engine must yield the same bytes and the same statuses on
// any input; CreateInflateEngine makes the one in use.
//
// Ownership: CreateInflateEngine hands the engine to the caller; the engine
// owns its decoder state and keeps nothing of the caller's buffers between
// calls.
#ifndef SARNITH_STORAGE_INFLATE_ENGINE_H
#define SARNITH_STORAGE_INFLATE_ENGINE_H

#include <cstddef>
#include <cstdint>
#include <memory>

class CInflateEngine {
public:
    enum class EStatus {
        kProgress,   // input used up or output full: call again with more of either
        kStreamEnd,  // the last block of the deflate stream is decoded
        kDataError,  // the data is not valid deflate data
        kNoMemory,   // the decoder could not get the memory it needs
    };

    // What one Inflate call did.
    struct CStep {
        EStatus m_eStatus;
        size_t m_nConsumed;  // input bytes used
        size_t m_nProduced;  // output bytes written
    };

    virtual ~CInflateEngine() = default;

    // Starts a new deflate stream; false when the memory for it is missing.
    virtual bool Start() = 0;

    // Decodes from nInput bytes at pInput into at most nOutput bytes at
    // pOutput. It stops when the input is used up, the output is full, the
    // stream ends or the data turns out bad; the bytes consumed after the
    // stream end stay the caller's (m_nConsumed does not count them).
    virtual CStep Inflate(const uint8_t* pInput, size_t nInput, uint8_t* pOutput, size_t nOutput) = 0;

    // The CRC-32 of the gzip trailer, continued from nCrc (0 to begin) over
    // nCount bytes.
    virtual uint32_t Crc32(uint32_t nCrc, const uint8_t* pData, size_t nCount) const = 0;

    // Whether the engine stops exactly where the data stops: before bad
    // data, or at the end of the input, it has produced every byte of the
    // symbols wholly before that point, and nothing else. An engine that
    // does not (it may decode ahead, or wait for more bits than the next
    // symbol needs) is still exact on sound data; the stream then decodes a
    // member in trouble again with zlib's engine, which does.
    virtual bool StopsExactly() const = 0;
};

// The engines a build may have: zlib's always, ISA-L's when the build found
// it (the default build does).
enum class EInflateEngine { kZlib, kIsal };

// Whether this build has the engine.
bool HasInflateEngine(EInflateEngine eEngine);

// A new engine of that kind; null when this build lacks it or there is no
// memory for it.
std::unique_ptr<CInflateEngine> CreateInflateEngine(EInflateEngine eEngine);

// A new engine of the kind in use: ISA-L's when this build has it, else
// zlib's, unless UseInflateEngine chose another; null when there is no
// memory for it.
std::unique_ptr<CInflateEngine> CreateInflateEngine();

// Makes CreateInflateEngine() make engines of that kind from now on, in the
// whole process (the tests run one reader over both engines); false, and no
// change, when this build lacks it.
bool UseInflateEngine(EInflateEngine eEngine);

#endif
