// The binary writer: the stream header, each selected entry behind an entry
// header chained by the previous entry's length, the end marker, and a
// failed write remembered with its error so that later writes fail too.
#include "output/binary_writer.h"

#include <cerrno>
#include <cstring>

#include "storage/log_file_format.h"
#include "support/byte_order.h"
#include "support/platform.h"

CBinaryWriter::CBinaryWriter(FILE* pStream, size_t nBufferSize)
    : m_nPrevLen(0),
      m_pStream(pStream),
      m_nStreamError(0),
      m_aBuffer(nBufferSize),
      m_nBuffered(0)
{
}

CBinaryWriter::~CBinaryWriter() = default;

bool CBinaryWriter::Begin()
{
    if (m_pStream == stdout)
        platform::SetStdoutBinary();
    uint8_t aHeader[kLogFileHeaderSize] = {};
    std::memcpy(aHeader + kFileTagOffset, kLogFileTag, kLogFileTagSize);
    aHeader[kFileFormatByteOffset] = kLogFormatByte;
    return Write(aHeader, sizeof(aHeader));
}

bool CBinaryWriter::End()
{
    // An entry header whose own length is 0 ends the entries.
    uint8_t aMarker[kLogEntryHeaderSize] = {};
    aMarker[kEntryFormatByteOffset] = kLogFormatByte;
    PutBigEndian16(aMarker + kEntryPrevLengthOffset, m_nPrevLen);
    return Write(aMarker, sizeof(aMarker));
}

namespace {

// The entry header of an entry; the previous length is the caller's.
void PutEntryHeader(uint8_t* pHeader, const CLogEntry& entry, uint16_t nPrevLen)
{
    std::memset(pHeader, 0, kLogEntryHeaderSize);
    pHeader[kEntryFormatByteOffset] = kLogFormatByte;
    PutBigEndian16(pHeader + kEntryBodyLengthOffset, entry.m_nLength);
    PutBigEndian16(pHeader + kEntryPrevLengthOffset, nPrevLen);
    PutStoredTime(pHeader + kEntryTimeOffset, entry.m_nTimeLow, entry.m_nTimeHigh);
}

}  // namespace

bool CBinaryWriter::WriteEntry(const CLogEntry& entry, const CLogRecord&, const char*)
{
    uint8_t aHeader[kLogEntryHeaderSize];
    PutEntryHeader(aHeader, entry, m_nPrevLen);
    if (!Write(aHeader, sizeof(aHeader)) || !Write(entry.m_pBody, entry.m_nLength))
        return false;
    m_nPrevLen = entry.m_nLength;
    return true;
}

size_t CBinaryWriter::LaidOutSize(const CLogEntry& entry)
{
    return kLogEntryHeaderSize + entry.m_nLength;
}

void CBinaryWriter::LayOutEntry(const CLogEntry& entry, uint8_t* pTarget)
{
    PutEntryHeader(pTarget, entry, 0);
    if (entry.m_nLength != 0)
        std::memcpy(pTarget + kLogEntryHeaderSize, entry.m_pBody, entry.m_nLength);
}

bool CBinaryWriter::WriteLaidOutEntry(const uint8_t* pEntry, size_t nSize)
{
    if (m_nStreamError != 0)
        return false;
    uint16_t nLength = ReadBigEndian16(pEntry + kEntryBodyLengthOffset);
    if (uint8_t* pCopy = BufferRoom(nSize)) {
        std::memcpy(pCopy, pEntry, nSize);
        PutBigEndian16(pCopy + kEntryPrevLengthOffset, m_nPrevLen);
    } else {
        uint8_t aHeader[kLogEntryHeaderSize];
        std::memcpy(aHeader, pEntry, kLogEntryHeaderSize);
        PutBigEndian16(aHeader + kEntryPrevLengthOffset, m_nPrevLen);
        if (!Write(aHeader, sizeof(aHeader)) || !Write(pEntry + kLogEntryHeaderSize, nSize - kLogEntryHeaderSize))
            return false;
    }
    m_nPrevLen = nLength;
    return true;
}

bool CBinaryWriter::Write(const void* pBytes, size_t nCount)
{
    if (m_nStreamError != 0)
        return false;
    if (nCount == 0)
        return true;
    if (uint8_t* pCopy = BufferRoom(nCount)) {
        std::memcpy(pCopy, pBytes, nCount);
        return true;
    }
    return m_nStreamError == 0 && WriteToStream(pBytes, nCount);
}

uint8_t* CBinaryWriter::BufferRoom(size_t nCount)
{
    if (nCount > m_aBuffer.size() - m_nBuffered && (!Drain() || nCount > m_aBuffer.size()))
        return nullptr;
    uint8_t* pRoom = m_aBuffer.data() + m_nBuffered;
    m_nBuffered += nCount;
    return pRoom;
}

bool CBinaryWriter::Drain()
{
    size_t nCount = m_nBuffered;
    m_nBuffered = 0;
    return nCount == 0 || WriteToStream(m_aBuffer.data(), nCount);
}

bool CBinaryWriter::WriteToStream(const void* pBytes, size_t nCount)
{
    if (std::fwrite(pBytes, 1, nCount, m_pStream) == nCount)
        return true;
    NoteStreamError();
    return false;
}

bool CBinaryWriter::Flush()
{
    if (m_nStreamError != 0 || !Drain())
        return false;
    if (std::fflush(m_pStream) == 0)
        return true;
    NoteStreamError();
    return false;
}

void CBinaryWriter::NoteStreamError()
{
    m_nStreamError = errno != 0 ? errno : EIO;
}
