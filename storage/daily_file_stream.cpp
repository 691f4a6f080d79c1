// The daily-file stream: the pass-through of plain files and the gzip
// member framing around the inflate engine.
#include "storage/daily_file_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <unistd.h>

#include "storage/gzip_format.h"
#include "support/byte_order.h"

namespace {

// Bytes read ahead from the file; large enough for any fixed part of the
// member framing.
constexpr size_t kInputSize = 8192;

// The header CRC is the low half of the CRC-32 of the header bytes.
constexpr uint32_t kHeaderCrcMask = 0xFFFF;

}  // namespace

CDailyFileStream::CDailyFileStream(PFN_CREATE_ENGINE pfnCreateEngine)
    : m_pfnCreateEngine(pfnCreateEngine),
      m_nFd(-1),
      m_bSeekable(false),
      m_eState(EState::kStart),
      m_eFinal(EStatus::kEnd),
      m_bGzip(false),
      m_bEndOfFile(false),
      m_bFileFailed(false),
      m_bMayGrow(false),
      m_bPending(false),
      m_nInputStart(0),
      m_nInputEnd(0),
      m_nFileOffset(0),
      m_pEngine(nullptr),
      m_nCrc(0),
      m_nDeflateStart(0),
      m_nHandedOut(0),
      m_nToPassOver(0)
{
}

CDailyFileStream::~CDailyFileStream()
{
    if (m_nFd >= 0)
        platform::CloseFile(m_nFd);
}

bool CDailyFileStream::Open(const char* pszPath, platform::CFileFacts& facts)
{
    m_nFd = platform::OpenForReading(pszPath, true, facts);
    if (m_nFd < 0)
        return false;
    m_bSeekable = facts.m_bRegular;
    m_pInput.reset(new (std::nothrow) uint8_t[kInputSize]);
    if (m_pInput == nullptr)
        Finish(EStatus::kError);  // opened, but it cannot be read
    return true;
}

size_t CDailyFileStream::Read(uint8_t* pDest, size_t nCount, EStatus& eStatus)
{
    m_bPending = false;
    if (m_eState == EState::kStart)
        Sniff();
    if (m_eState == EState::kAwaitTrailer)
        EndMember();
    else if (m_eState == EState::kAwaitMember)
        NextMember();
    size_t nPlaced = 0;
    if (m_eState == EState::kPassThrough)
        nPlaced = ReadPassThrough(pDest, nCount);
    else if (m_eState == EState::kDeflate)
        nPlaced = ReadDeflate(pDest, nCount);
    if (m_eState == EState::kFinished)
        eStatus = m_eFinal;
    else
        eStatus = m_bPending ? EStatus::kPending : EStatus::kMore;
    return nPlaced;
}

void CDailyFileStream::Finish(EStatus eStatus)
{
    m_eState = EState::kFinished;
    m_eFinal = eStatus;
}

// The first two bytes decide between gzip members and the bytes as stored.
// Fewer than two (the file ended or failed) are handed out as they are,
// followed by the end or the error; a file that may grow waits for them.
void CDailyFileStream::Sniff()
{
    if (!FillInput(kGzipMagicSize) && WaitsForMore())
        return;  // a growing file decides once it holds two bytes
    if (m_nInputEnd - m_nInputStart >= kGzipMagicSize &&
        std::memcmp(m_pInput.get() + m_nInputStart, kGzipMagic, kGzipMagicSize) == 0) {
        m_bGzip = true;
        m_eState = EState::kDeflate;
        StartMember();
    } else {
        m_eState = EState::kPassThrough;
    }
}

size_t CDailyFileStream::ReadPassThrough(uint8_t* pDest, size_t nCount)
{
    size_t nPlaced = std::min(m_nInputEnd - m_nInputStart, nCount);
    std::memcpy(pDest, m_pInput.get() + m_nInputStart, nPlaced);
    m_nInputStart += nPlaced;
    while (nPlaced < nCount && !m_bEndOfFile && !m_bFileFailed)
        nPlaced += ReadFile(pDest + nPlaced, nCount - nPlaced);
    if (m_nInputStart == m_nInputEnd && (m_bEndOfFile || m_bFileFailed) && !WaitsForMore())
        Finish(m_bFileFailed ? EStatus::kError : EStatus::kEnd);
    return nPlaced;
}

size_t CDailyFileStream::ReadDeflate(uint8_t* pDest, size_t nCount)
{
    size_t nPlaced = 0;
    while (nPlaced < nCount && m_eState == EState::kDeflate) {
        if (m_nInputStart == m_nInputEnd && !m_bEndOfFile && !m_bFileFailed) {
            m_nInputStart = 0;
            m_nInputEnd = 0;
            ReadIntoInput();
        }
        size_t nAvailable = m_nInputEnd - m_nInputStart;
        // Bytes decoded again are decoded into the caller's room and dropped.
        size_t nRoom = nCount - nPlaced;
        if (m_nToPassOver > 0 && nRoom > m_nToPassOver)
            nRoom = static_cast<size_t>(m_nToPassOver);
        CInflateEngine::CStep step =
            m_pEngine->Inflate(m_pInput.get() + m_nInputStart, nAvailable, pDest + nPlaced, nRoom);
        m_nInputStart += step.m_nConsumed;
        // Without progress the deflate data has run out (file cut short, or
        // unreadable) or cannot be decoded.
        bool bStuck = step.m_eStatus == CInflateEngine::EStatus::kProgress && step.m_nConsumed == 0 &&
                      step.m_nProduced == 0 && (nAvailable != 0 || m_bEndOfFile || m_bFileFailed);
        if (bStuck && nAvailable == 0 && WaitsForMore())
            break;  // the member goes on where the growing file ends now
        if ((bStuck || step.m_eStatus == CInflateEngine::EStatus::kDataError) && DecodeAgainExactly())
            continue;  // what the engine made of the bad part is not handed out
        if (m_nToPassOver > 0) {
            m_nToPassOver -= step.m_nProduced;
        } else {
            HandOut(pDest + nPlaced, step.m_nProduced);
            nPlaced += step.m_nProduced;
        }

        switch (step.m_eStatus) {
        case CInflateEngine::EStatus::kProgress:
            if (bStuck)
                Finish(EStatus::kError);
            break;
        case CInflateEngine::EStatus::kStreamEnd:
            if (m_nToPassOver == 0)
                EndMember();
            else
                Finish(EStatus::kError);
            break;
        case CInflateEngine::EStatus::kDataError:
        case CInflateEngine::EStatus::kNoMemory:
            Finish(EStatus::kError);
            break;
        }
    }
    return nPlaced;
}

// A new member from its header on; a member that cannot start ends the
// stream with an error. A file that cannot be read again is decoded by an
// engine that stops exactly.
void CDailyFileStream::StartMember()
{
    if (m_pFirstEngine == nullptr)
        m_pFirstEngine = m_pfnCreateEngine();
    m_pEngine = m_pFirstEngine.get();
    if (m_pEngine != nullptr && !m_pEngine->StopsExactly() && !m_bSeekable) {
        if (m_pExactEngine == nullptr)
            m_pExactEngine = CreateInflateEngine(EInflateEngine::kZlib);
        m_pEngine = m_pExactEngine.get();
    }
    if (m_pEngine == nullptr || !m_pEngine->Start() || !ParseMemberHeader()) {
        Finish(EStatus::kError);
        return;
    }
    m_nDeflateStart = m_nFileOffset - (m_nInputEnd - m_nInputStart);
    m_nCrc = 0;
    m_nHandedOut = 0;
    m_nToPassOver = 0;
}

// After trouble in the current member with an engine that does not stop
// exactly: zlib's engine decodes the member again from the start of its
// deflate data, passing over the bytes already handed out. False when that
// cannot be done; the trouble then stands.
bool CDailyFileStream::DecodeAgainExactly()
{
    if (m_pEngine->StopsExactly())
        return false;
    if (m_pExactEngine == nullptr)
        m_pExactEngine = CreateInflateEngine(EInflateEngine::kZlib);
    if (m_pExactEngine == nullptr || !m_pExactEngine->Start() ||
        lseek(m_nFd, static_cast<off_t>(m_nDeflateStart), SEEK_SET) < 0)
        return false;
    m_pEngine = m_pExactEngine.get();
    m_nFileOffset = m_nDeflateStart;
    m_nInputStart = 0;
    m_nInputEnd = 0;
    m_bEndOfFile = false;
    m_bFileFailed = false;
    m_nToPassOver = m_nHandedOut;
    return true;
}

void CDailyFileStream::HandOut(const uint8_t* pBytes, size_t nCount)
{
    m_nCrc = m_pEngine->Crc32(m_nCrc, pBytes, nCount);
    m_nHandedOut += nCount;
}

bool CDailyFileStream::ParseMemberHeader()
{
    m_nCrc = 0;
    uint8_t aHeader[kGzipHeaderSize];
    if (!TakeHeaderBytes(aHeader, kGzipHeaderSize))
        return false;
    uint8_t nFlags = aHeader[kGzipFlagsOffset];
    if (std::memcmp(aHeader, kGzipMagic, kGzipMagicSize) != 0 || aHeader[kGzipMethodOffset] != kGzipMethodDeflate ||
        (nFlags & kGzipFlagsReserved) != 0)
        return false;
    if ((nFlags & kGzipFlagExtra) != 0) {
        uint8_t aLength[kGzipExtraLengthSize];
        if (!TakeHeaderBytes(aLength, kGzipExtraLengthSize) || !SkipHeaderBytes(ReadLittleEndian16(aLength)))
            return false;
    }
    if ((nFlags & kGzipFlagName) != 0 && !SkipHeaderText())
        return false;
    if ((nFlags & kGzipFlagComment) != 0 && !SkipHeaderText())
        return false;
    if ((nFlags & kGzipFlagHeaderCrc) != 0) {
        uint32_t nExpected = m_nCrc & kHeaderCrcMask;
        uint8_t aCrc[kGzipHeaderCrcSize];
        if (!TakeHeaderBytes(aCrc, kGzipHeaderCrcSize) || ReadLittleEndian16(aCrc) != nExpected)
            return false;
    }
    return true;
}

// Header bytes pass through the header CRC as they are taken.
bool CDailyFileStream::TakeHeaderBytes(uint8_t* pDest, size_t nCount)
{
    if (!FillInput(nCount))
        return false;
    const uint8_t* pFrom = m_pInput.get() + m_nInputStart;
    std::memcpy(pDest, pFrom, nCount);
    m_nCrc = m_pEngine->Crc32(m_nCrc, pFrom, nCount);
    m_nInputStart += nCount;
    return true;
}

bool CDailyFileStream::SkipHeaderBytes(size_t nCount)
{
    while (nCount > 0) {
        if (!FillInput(1))
            return false;
        size_t nTake = std::min(m_nInputEnd - m_nInputStart, nCount);
        m_nCrc = m_pEngine->Crc32(m_nCrc, m_pInput.get() + m_nInputStart, nTake);
        m_nInputStart += nTake;
        nCount -= nTake;
    }
    return true;
}

// A zero-terminated header field of any length, terminator included.
bool CDailyFileStream::SkipHeaderText()
{
    for (;;) {
        if (!FillInput(1))
            return false;
        const uint8_t* pFrom = m_pInput.get() + m_nInputStart;
        size_t nAvailable = m_nInputEnd - m_nInputStart;
        const void* pZero = std::memchr(pFrom, 0, nAvailable);
        size_t nTake =
            pZero == nullptr ? nAvailable : static_cast<size_t>(static_cast<const uint8_t*>(pZero) - pFrom) + 1;
        m_nCrc = m_pEngine->Crc32(m_nCrc, pFrom, nTake);
        m_nInputStart += nTake;
        if (pZero != nullptr)
            return true;
    }
}

bool CDailyFileStream::CheckTrailer()
{
    if (!FillInput(kGzipTrailerSize))
        return false;
    const uint8_t* pTrailer = m_pInput.get() + m_nInputStart;
    m_nInputStart += kGzipTrailerSize;
    return ReadLittleEndian32(pTrailer + kGzipTrailerCrcOffset) == m_nCrc &&
           ReadLittleEndian32(pTrailer + kGzipTrailerSizeOffset) == static_cast<uint32_t>(m_nHandedOut);
}

// After a member's deflate data: its trailer, then the next member. A
// growing file that ends before the whole trailer waits for it.
void CDailyFileStream::EndMember()
{
    m_eState = EState::kDeflate;
    if (!FillInput(kGzipTrailerSize) && WaitsForMore()) {
        m_eState = EState::kAwaitTrailer;
        return;
    }
    if (CheckTrailer())
        NextMember();
    else
        Finish(EStatus::kError);
}

// After a whole member: another member, or the end. Bytes that do not start
// a member are trailing garbage and are not looked at. A growing file that
// ends here may still get another member.
void CDailyFileStream::NextMember()
{
    m_eState = EState::kDeflate;
    if (!FillInput(kGzipMagicSize)) {
        if (WaitsForMore())
            m_eState = EState::kAwaitMember;
        else
            Finish(m_bFileFailed ? EStatus::kError : EStatus::kEnd);
        return;
    }
    if (std::memcmp(m_pInput.get() + m_nInputStart, kGzipMagic, kGzipMagicSize) != 0) {
        Finish(EStatus::kEnd);
        return;
    }
    StartMember();
}

// At the end of a file that may grow: the end is forgotten, so that the
// next read tries again, and the current Read tells kPending. False when
// the file may not grow, or the end is a failure.
bool CDailyFileStream::WaitsForMore()
{
    if (!m_bMayGrow || !m_bEndOfFile || m_bFileFailed)
        return false;
    m_bEndOfFile = false;
    m_bPending = true;
    return true;
}

// Makes at least nWanted (at most kInputSize) unused bytes lie in the input
// buffer; false when the file ends or fails before.
bool CDailyFileStream::FillInput(size_t nWanted)
{
    if (m_nInputEnd - m_nInputStart >= nWanted)
        return true;
    std::memmove(m_pInput.get(), m_pInput.get() + m_nInputStart, m_nInputEnd - m_nInputStart);
    m_nInputEnd -= m_nInputStart;
    m_nInputStart = 0;
    while (m_nInputEnd < nWanted && !m_bEndOfFile && !m_bFileFailed)
        ReadIntoInput();
    return m_nInputEnd >= nWanted;
}

void CDailyFileStream::ReadIntoInput()
{
    m_nInputEnd += ReadFile(m_pInput.get() + m_nInputEnd, kInputSize - m_nInputEnd);
}

// One read of the file: the bytes obtained; 0 at its end or after a failure,
// which are noted.
size_t CDailyFileStream::ReadFile(uint8_t* pDest, size_t nCount)
{
    for (;;) {
        ssize_t nRead = read(m_nFd, pDest, nCount);
        if (nRead > 0) {
            m_nFileOffset += static_cast<uint64_t>(nRead);
            return static_cast<size_t>(nRead);
        }
        if (nRead == 0) {
            m_bEndOfFile = true;
            return 0;
        }
        if (errno != EINTR) {
            m_bFileFailed = true;
            return 0;
        }
    }
}
