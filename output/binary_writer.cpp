// The binary writer: the stream header, each selected entry behind an entry
// header chained by the previous entry's length, the end marker, and a
// failed write remembered with its error so that later writes fail too.
#include "output/binary_writer.h"

#include <cerrno>
#include <cstring>

#include "storage/log_file_format.h"
#include "support/byte_order.h"
#include "support/platform.h"

CBinaryWriter::CBinaryWriter(FILE* pStream) : m_nPrevLen(0), m_pStream(pStream), m_nStreamError(0) {}

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

bool CBinaryWriter::WriteEntry(const CLogEntry& entry, const CLogRecord&, const char*)
{
    uint8_t aHeader[kLogEntryHeaderSize] = {};
    aHeader[kEntryFormatByteOffset] = kLogFormatByte;
    PutBigEndian16(aHeader + kEntryBodyLengthOffset, entry.m_nLength);
    PutBigEndian16(aHeader + kEntryPrevLengthOffset, m_nPrevLen);
    PutStoredTime(aHeader + kEntryTimeOffset, entry.m_nTimeLow, entry.m_nTimeHigh);
    if (!Write(aHeader, sizeof(aHeader)) || !Write(entry.m_pBody, entry.m_nLength))
        return false;
    m_nPrevLen = entry.m_nLength;
    return true;
}

bool CBinaryWriter::Write(const void* pBytes, size_t nCount)
{
    if (m_nStreamError != 0)
        return false;
    if (nCount == 0)
        return true;
    if (std::fwrite(pBytes, 1, nCount, m_pStream) == nCount)
        return true;
    NoteStreamError();
    return false;
}

bool CBinaryWriter::Flush()
{
    if (m_nStreamError != 0)
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
