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
      m_nEntryCapacity(kInitialEntryCapacity)
{
}

CDailyFileScan::~CDailyFileScan() = default;

bool CDailyFileScan::Close()
{
    m_pFile.reset();
    return false;
}

void CDailyFileScan::Reuse(IReaderMessages& messages, LogTime nRangeStart, LogTime nRangeEnd)
{
    m_pFile.reset();
    m_pMessages = &messages;
    m_nRangeStart = nRangeStart;
    m_nRangeEnd = nRangeEnd;
}

CDailyFileScan::EStart CDailyFileScan::Start(std::unique_ptr<COpenedDailyFile> pFile)
{
    m_pFile = std::move(pFile);
    m_eStatus = CDailyFileStream::EStatus::kMore;
    m_nValid = 0;
    m_nPosition = 0;
    Refill();

    // Only a regular file read byte for byte is held to the size it has now:
    // the size of compressed content says nothing about the bytes it holds,
    // and a pipe or device has no size at all.
    m_nConsumed = 0;
    m_bSizeLimited = m_pFile->m_bPlainName && m_pFile->m_facts.m_bRegular && m_pFile->m_stream.IsPassThrough();
    m_nSizeLimit = m_bSizeLimited ? m_pFile->m_facts.m_nSize : 0;

    // A plain file too short for a header is passed over.
    if (IsSizeExceeded(kLogFileHeaderSize)) {
        Close();
        return EStart::kNextFile;
    }
    uint8_t aHeader[kLogFileHeaderSize];
    const uint8_t* pTag = aHeader + kFileTagOffset;
    if (ReadBytes(aHeader, kLogFileHeaderSize) < kLogFileHeaderSize) {
        ReportReadFailure();
        Close();
        return EStart::kNextFile;
    }
    if (std::memcmp(pTag, kLogFileTag, kLogFileTagSize) != 0) {
        ReportMessage(*m_pMessages, EReaderMessage::kWrongTag, kMsgWrongTag, pTag[0], pTag[1], pTag[2]);
        Close();
        return EStart::kNextFile;
    }

    const uint8_t* pLast = aHeader + kFileLastTimeOffset;
    if (ReadTimeLowHalf(pLast) == 0 && ReadTimeHighHalf(pLast) == 0)
        return EStart::kEntries;  // still being written: no last time yet
    if (ReadStoredTime(pLast) < m_nRangeStart) {
        Close();
        return EStart::kNextFile;
    }
    // A file starting at or after the range end; later files start later still.
    if (ReadStoredTime(aHeader + kFileFirstTimeOffset) < m_nRangeEnd)
        return EStart::kEntries;
    Close();
    return EStart::kReaderEnds;
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

// The next entry header into m_aEntryHeader; false (the file is done) past
// the size limit, when the data ends or fails inside it, or at the end marker.
bool CDailyFileScan::ReadEntryHeader()
{
    if (IsSizeExceeded(kLogEntryHeaderSize))
        return false;
    if (ReadBytes(m_aEntryHeader, kLogEntryHeaderSize) < kLogEntryHeaderSize) {
        ReportReadFailure();  // cut short
        return false;
    }
    if (ReadBigEndian16(m_aEntryHeader + kEntryBodyLengthOffset) == 0) {
        ReadToTheEnd();  // the end marker
        return false;
    }
    m_nConsumed += kLogEntryHeaderSize;
    return true;
}

bool CDailyFileScan::ReadEntry(CLogEntry& entry)
{
    if (m_pFile == nullptr)
        return false;
    for (;;) {
        if (!ReadEntryHeader())
            return Close();
        uint16_t nLength = ReadBigEndian16(m_aEntryHeader + kEntryBodyLengthOffset);
        const uint8_t* pTime = m_aEntryHeader + kEntryTimeOffset;
        LogTime nTime = ReadStoredTime(pTime);

        // The entry reaches past the size the plain file had when opened.
        if (IsSizeExceeded(nLength))
            return Close();
        if (nTime < m_nRangeStart || nTime > m_nRangeEnd) {
            SkipBytes(nLength);
            m_nConsumed += nLength;
            continue;
        }

        if (m_nEntryCapacity < nLength) {
            int32_t nCapacity = 2 * static_cast<int32_t>(nLength);
            m_pEntryBuffer.reset(new uint8_t[static_cast<size_t>(nCapacity)]);
            m_nEntryCapacity = nCapacity;
        }
        if (ReadBytes(m_pEntryBuffer.get(), nLength) < nLength) {
            if (m_eStatus == CDailyFileStream::EStatus::kError)
                ReportReadFailure();
            else
                ReportMessage(*m_pMessages, EReaderMessage::kBodyCutShort, "%s", kMsgBodyCutShort);
            return Close();
        }
        m_nConsumed += nLength;

        entry.m_nLength = nLength;
        entry.m_nTimeLow = ReadTimeLowHalf(pTime);
        entry.m_nTimeHigh = ReadTimeHighHalf(pTime);
        entry.m_pBody = m_pEntryBuffer.get();
        return true;
    }
}
