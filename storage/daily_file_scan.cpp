// The daily-file scan: the file header's rules, the entries within the
// range, and the buffered reading of the file's stream.
#include "storage/daily_file_scan.h"

#include <cstring>

#include "support/byte_order.h"

namespace {

constexpr size_t kReadBufferSize = 8192;
constexpr int32_t kInitialEntryCapacity = 1600;

}  // namespace

CDailyFileScan::CDailyFileScan(IReaderMessages& messages, LogTime nRangeStart, LogTime nRangeEnd)
    : m_pMessages(&messages),
      m_nRangeStart(nRangeStart),
      m_nRangeEnd(nRangeEnd),
      m_eStatus(CDailyFileStream::EStatus::kMore),
      m_nSizeLimit(0),
      m_bSizeLimited(false),
      m_nConsumed(0),
      m_pReadBuffer(new uint8_t[kReadBufferSize]),
      m_nValid(0),
      m_nPosition(0),
      m_pEntryBuffer(new uint8_t[kInitialEntryCapacity]),
      m_nEntryCapacity(kInitialEntryCapacity),
      m_bMayGrow(false),
      m_bFileHeaderRead(false),
      m_bEntryHeaderRead(false),
      m_nHeaderBytes(0),
      m_nBodyBytes(0)
{
}

CDailyFileScan::~CDailyFileScan() = default;

bool CDailyFileScan::Close()
{
    m_pFile.reset();
    m_bEntryHeaderRead = false;
    return false;
}

void CDailyFileScan::Reuse(IReaderMessages& messages, LogTime nRangeStart, LogTime nRangeEnd)
{
    m_pFile.reset();
    m_pMessages = &messages;
    m_nRangeStart = nRangeStart;
    m_nRangeEnd = nRangeEnd;
}

CDailyFileScan::EStart CDailyFileScan::Start(std::unique_ptr<COpenedDailyFile> pFile, bool bMayGrow)
{
    m_pFile = std::move(pFile);
    m_bMayGrow = bMayGrow;
    m_pFile->m_stream.SetMayGrow(bMayGrow);
    m_eStatus = CDailyFileStream::EStatus::kMore;
    m_nValid = 0;
    m_nPosition = 0;
    m_bFileHeaderRead = false;
    m_bEntryHeaderRead = false;
    m_nHeaderBytes = 0;
    m_nBodyBytes = 0;
    Refill();

    // Only a regular file read byte for byte is held to the size it has now:
    // the size of compressed content says nothing about the bytes it holds,
    // and a pipe or device has no size at all.
    m_nConsumed = 0;
    m_bSizeLimited = m_pFile->m_bPlainName && m_pFile->m_facts.m_bRegular && m_pFile->m_stream.IsPassThrough();
    m_nSizeLimit = m_bSizeLimited ? m_pFile->m_facts.m_nSize : 0;
    return ReadFileHeader();
}

// The file header and what it decides; a growing file whose header is not
// yet whole waits for it (kEntries: ReadEntry goes on with it).
CDailyFileScan::EStart CDailyFileScan::ReadFileHeader()
{
    // A plain file too short for a header is passed over.
    if (IsSizeExceeded(kLogFileHeaderSize)) {
        if (m_bMayGrow)
            return EStart::kEntries;
        Close();
        return EStart::kNextFile;
    }
    const uint8_t* pTag = m_aFileHeader + kFileTagOffset;
    m_nHeaderBytes += ReadBytes(m_aFileHeader + m_nHeaderBytes, kLogFileHeaderSize - m_nHeaderBytes);
    if (m_nHeaderBytes < kLogFileHeaderSize) {
        if (IsWaiting())
            return EStart::kEntries;
        ReportReadFailure();
        Close();
        return EStart::kNextFile;
    }
    m_nHeaderBytes = 0;
    m_bFileHeaderRead = true;
    if (std::memcmp(pTag, kLogFileTag, kLogFileTagSize) != 0) {
        ReportMessage(*m_pMessages, EReaderMessage::kWrongTag, kMsgWrongTag, pTag[0], pTag[1], pTag[2]);
        Close();
        return EStart::kNextFile;
    }

    const uint8_t* pLast = m_aFileHeader + kFileLastTimeOffset;
    if (ReadTimeLowHalf(pLast) == 0 && ReadTimeHighHalf(pLast) == 0)
        return EStart::kEntries;  // still being written: no last time yet
    if (ReadStoredTime(pLast) < m_nRangeStart) {
        Close();
        return EStart::kNextFile;
    }
    // A file starting at or after the range end; later files start later still.
    if (ReadStoredTime(m_aFileHeader + kFileFirstTimeOffset) < m_nRangeEnd)
        return EStart::kEntries;
    Close();
    return EStart::kReaderEnds;
}

void CDailyFileScan::LookAgain(uint64_t nSize, bool bMayGrow)
{
    m_bMayGrow = bMayGrow;
    if (m_pFile == nullptr)
        return;
    m_pFile->m_stream.SetMayGrow(bMayGrow);
    if (m_bSizeLimited && nSize > m_nSizeLimit)
        m_nSizeLimit = nSize;
    if (m_eStatus == CDailyFileStream::EStatus::kPending)
        m_eStatus = CDailyFileStream::EStatus::kMore;
}

bool CDailyFileScan::Refill()
{
    m_nPosition = 0;
    m_nValid = 0;
    if (m_eStatus == CDailyFileStream::EStatus::kMore)
        m_nValid = m_pFile->m_stream.Read(m_pReadBuffer.get(), kReadBufferSize, m_eStatus);
    return m_nValid > 0;
}

size_t CDailyFileScan::ReadBytes(uint8_t* pDest, size_t nCount)
{
    size_t nDone = 0;
    while (nDone < nCount) {
        if (m_nPosition == m_nValid && !Refill())
            break;
        size_t nTake = m_nValid - m_nPosition;
        if (nTake > nCount - nDone)
            nTake = nCount - nDone;
        if (pDest != nullptr)
            std::memcpy(pDest + nDone, m_pReadBuffer.get() + m_nPosition, nTake);
        m_nPosition += nTake;
        nDone += nTake;
    }
    return nDone;
}

size_t CDailyFileScan::SkipBytes(size_t nCount)
{
    return ReadBytes(nullptr, nCount);
}

bool CDailyFileScan::IsSizeExceeded(uint32_t nMore) const
{
    return m_bSizeLimited && m_nConsumed + nMore > m_nSizeLimit;
}

// After a read came up short: a stream that failed is reported; one that
// merely ended is not.
void CDailyFileScan::ReportReadFailure()
{
    if (m_eStatus == CDailyFileStream::EStatus::kError)
        ReportMessage(*m_pMessages, EReaderMessage::kFailedToRead, kMsgFailedToRead, m_pFile->m_strPath.GetString());
}

// Decodes what follows the end marker of a compressed file, so that damage
// there is reported too; a file passed through is left as it is.
void CDailyFileScan::ReadToTheEnd()
{
    if (m_pFile->m_stream.IsPassThrough())
        return;
    while (Refill()) {
    }
    ReportReadFailure();
}

// The next entry header into m_aEntryHeader: kDone (the file is done) past
// the size limit, when the data ends or fails inside it, or at the end
// marker; kWait when a growing file has not got all of it yet.
CDailyFileScan::EPart CDailyFileScan::ReadEntryHeader()
{
    if (IsSizeExceeded(kLogEntryHeaderSize))
        return m_bMayGrow ? EPart::kWait : EPart::kDone;
    m_nHeaderBytes += ReadBytes(m_aEntryHeader + m_nHeaderBytes, kLogEntryHeaderSize - m_nHeaderBytes);
    if (m_nHeaderBytes < kLogEntryHeaderSize) {
        if (IsWaiting())
            return EPart::kWait;
        ReportReadFailure();  // cut short
        return EPart::kDone;
    }
    m_nHeaderBytes = 0;
    if (ReadBigEndian16(m_aEntryHeader + kEntryBodyLengthOffset) == 0) {
        ReadToTheEnd();  // the end marker
        return EPart::kDone;
    }
    m_nConsumed += kLogEntryHeaderSize;
    m_bEntryHeaderRead = true;
    return EPart::kWhole;
}

bool CDailyFileScan::ReadEntry(CLogEntry& entry)
{
    if (m_pFile == nullptr)
        return false;
    if (!m_bFileHeaderRead && (ReadFileHeader() != EStart::kEntries || !m_bFileHeaderRead))
        return false;  // closed, or the header of a growing file is not yet whole
    for (;;) {
        if (!m_bEntryHeaderRead) {
            EPart eHeader = ReadEntryHeader();
            if (eHeader == EPart::kWait)
                return false;
            if (eHeader == EPart::kDone)
                return Close();
        }
        uint16_t nLength = ReadBigEndian16(m_aEntryHeader + kEntryBodyLengthOffset);
        const uint8_t* pTime = m_aEntryHeader + kEntryTimeOffset;
        LogTime nTime = ReadStoredTime(pTime);

        // The entry reaches past the size the plain file had when opened.
        if (IsSizeExceeded(nLength))
            return m_bMayGrow ? false : Close();
        if (nTime < m_nRangeStart || nTime > m_nRangeEnd) {
            m_nBodyBytes += SkipBytes(nLength - m_nBodyBytes);
            if (m_nBodyBytes < nLength && IsWaiting())
                return false;
            EndEntry(nLength);
            continue;
        }

        if (m_nEntryCapacity < nLength) {
            int32_t nCapacity = 2 * static_cast<int32_t>(nLength);
            m_pEntryBuffer.reset(new uint8_t[static_cast<size_t>(nCapacity)]);
            m_nEntryCapacity = nCapacity;
        }
        m_nBodyBytes += ReadBytes(m_pEntryBuffer.get() + m_nBodyBytes, nLength - m_nBodyBytes);
        if (m_nBodyBytes < nLength) {
            if (IsWaiting())
                return false;
            if (m_eStatus == CDailyFileStream::EStatus::kError)
                ReportReadFailure();
            else
                ReportMessage(*m_pMessages, EReaderMessage::kBodyCutShort, "%s", kMsgBodyCutShort);
            return Close();
        }
        EndEntry(nLength);

        entry.m_nLength = nLength;
        entry.m_nTimeLow = ReadTimeLowHalf(pTime);
        entry.m_nTimeHigh = ReadTimeHighHalf(pTime);
        entry.m_pBody = m_pEntryBuffer.get();
        return true;
    }
}

// The entry whose header was read last is done with.
void CDailyFileScan::EndEntry(uint16_t nLength)
{
    m_nConsumed += nLength;
    m_nBodyBytes = 0;
    m_bEntryHeaderRead = false;
}
