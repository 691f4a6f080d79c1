// CDailyFileStream: the bytes of one daily file, decoded when the file is
// gzip-compressed, with every read error and every kind of damage seen.
//
// The file is opened read-only without waiting for a pipe to get a writer
// (reads then wait as usual); a folder cannot be opened. Its first two bytes
// decide: the gzip magic 1f 8b means gzip members, anything else passes the
// bytes through unchanged, whatever the file is called. Members follow each
// other; after a member, bytes that do not start another member are ignored
// as trailing garbage, and an empty member is fine. The member framing
// (storage/gzip_format.h) is parsed here; raw deflate decoding and the CRC
// are the inflate engine's (storage/inflate_engine.h).
//
// Read hands out every byte decoded before a problem and then tells it: a
// read error, a bad member header, corrupt deflate data, a CRC or length
// mismatch, a member cut short or no memory for the decoder all end the
// stream with EStatus::kError; the end of the data after a whole member (or
// of a file passed through) is EStatus::kEnd.
//
// "Every byte decoded" is the same whatever the engine: the bytes of every
// deflate symbol wholly before the bad one, or before the end of the data.
// An engine that does not stop exactly there (ISA-L's) decodes members
// until they run into trouble; a member in trouble is then decoded again
// from its start by zlib's engine, which passes over the bytes already
// handed out and stops exactly. That needs a file that can be read again:
// pipes and devices are decoded by zlib's engine from the start. (One kind
// of damage stays told differently: a block whose Huffman code is
// incomplete is refused at its header by zlib's engine, while ISA-L's
// decodes it until it meets an unused code.)
//
// A file that may still grow (the last file of a followed reader) ends
// only for now: while SetMayGrow says so, the end of the file in the middle
// of a gzip member, before its trailer, after a whole member, or anywhere in
// a file passed through is told as EStatus::kPending, and a later Read reads
// on from there. Once the file may no longer grow, its end is told as usual.
//
// Ownership: the stream owns its descriptor, its input buffer and its
// engine, and closes the file when destroyed. It writes only into the
// buffers handed to Read.
#ifndef SARNITH_STORAGE_DAILY_FILE_STREAM_H
#define SARNITH_STORAGE_DAILY_FILE_STREAM_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "storage/inflate_engine.h"
#include "support/platform.h"

class CDailyFileStream {
public:
    enum class EStatus {
        kMore,     // more bytes may follow
        kEnd,      // the data has ended cleanly: nothing follows
        kError,    // the data cannot be read further: nothing follows
        kPending,  // the file may grow: nothing more for now, Read again later
    };

    typedef std::unique_ptr<CInflateEngine> (*PFN_CREATE_ENGINE)();

    // pfnCreateEngine makes the engine when the first member starts.
    explicit CDailyFileStream(PFN_CREATE_ENGINE pfnCreateEngine = &CreateInflateEngine);
    ~CDailyFileStream();
    CDailyFileStream(const CDailyFileStream&) = delete;
    CDailyFileStream& operator=(const CDailyFileStream&) = delete;

    // Opens the file at pszPath; false when it cannot be opened. facts
    // receives what the file system told about it. Called once.
    bool Open(const char* pszPath, platform::CFileFacts& facts);

    // Places up to nCount bytes (nCount > 0) at pDest and returns how many;
    // eStatus tells what follows them. With kMore at least one byte was
    // placed. Once kEnd or kError has been told, every later call places
    // nothing and tells the same.
    size_t Read(uint8_t* pDest, size_t nCount, EStatus& eStatus);

    // Whether the file's bytes are handed out as they are stored (no gzip
    // magic at its start). Known once Read has been called.
    bool IsPassThrough() const { return m_eState != EState::kStart && !m_bGzip; }

    // Whether the end of the file is only its current end (see above).
    void SetMayGrow(bool bMayGrow) { m_bMayGrow = bMayGrow; }
    // The descriptor, for asking what the file is now; -1 before Open.
    int GetDescriptor() const { return m_nFd; }
    // The bytes read from the file so far (stored bytes, compressed or not).
    uint64_t GetFileOffset() const { return m_nFileOffset; }

private:
    // kAwaitTrailer and kAwaitMember: a file that may grow ended before a
    // member's trailer, or after a whole member.
    enum class EState { kStart, kPassThrough, kDeflate, kAwaitTrailer, kAwaitMember, kFinished };

    size_t ReadPassThrough(uint8_t* pDest, size_t nCount);
    size_t ReadDeflate(uint8_t* pDest, size_t nCount);
    void Sniff();
    void StartMember();
    bool ParseMemberHeader();
    bool SkipHeaderBytes(size_t nCount);
    bool SkipHeaderText();
    bool TakeHeaderBytes(uint8_t* pDest, size_t nCount);
    bool CheckTrailer();
    void EndMember();
    void NextMember();
    bool WaitsForMore();
    bool DecodeAgainExactly();
    void HandOut(const uint8_t* pBytes, size_t nCount);
    bool FillInput(size_t nWanted);
    void ReadIntoInput();
    size_t ReadFile(uint8_t* pDest, size_t nCount);
    void Finish(EStatus eStatus);

    PFN_CREATE_ENGINE m_pfnCreateEngine;
    int m_nFd;
    bool m_bSeekable;  // a regular file, which can be read again from any offset
    EState m_eState;
    EStatus m_eFinal;                                // what is told once the state is kFinished
    bool m_bGzip;                                    // the file starts with the gzip magic
    bool m_bEndOfFile;                               // read() has reported the end of the file
    bool m_bFileFailed;                              // read() has failed
    bool m_bMayGrow;                                 // the end of the file is only its current end
    bool m_bPending;                                 // the current Read met the current end of a growing file
    std::unique_ptr<uint8_t[]> m_pInput;             // bytes read ahead from the file
    size_t m_nInputStart;                            // first unused byte in m_pInput
    size_t m_nInputEnd;                              // end of the bytes in m_pInput
    uint64_t m_nFileOffset;                          // offset in the file of the byte after m_nInputEnd
    std::unique_ptr<CInflateEngine> m_pFirstEngine;  // made by m_pfnCreateEngine
    std::unique_ptr<CInflateEngine> m_pExactEngine;  // zlib's, made for the first member in trouble
    CInflateEngine* m_pEngine;                       // the one decoding the current member
    uint32_t m_nCrc;                                 // CRC-32 of the current header or member's bytes handed out
    uint64_t m_nDeflateStart;                        // offset in the file of the current member's deflate data
    uint64_t m_nHandedOut;                           // bytes of the current member handed out
    uint64_t m_nToPassOver;                          // bytes the exact engine decodes again before handing out more
};

#endif
