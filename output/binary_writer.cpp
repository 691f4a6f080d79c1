#include "output/binary_writer.h"

#include <cerrno>

#include "support/platform.h"

namespace {

constexpr size_t kStreamHeaderSize = 20;
constexpr size_t kEntryHeaderSize = 16;
constexpr uint8_t kFormatVersion = 0x10;

void PutBigEndian16(uint8_t* p, uint16_t nValue)
{
    p[0] = static_cast<uint8_t>(nValue >> 8);
    p[1] = static_cast<uint8_t>(nValue);
}

void PutBigEndian32(uint8_t* p, uint32_t nValue)
{
    p[0] = static_cast<uint8_t>(nValue >> 24);
    p[1] = static_cast<uint8_t>(nValue >> 16);
    p[2] = static_cast<uint8_t>(nValue >> 8);
    p[3] = static_cast<uint8_t>(nValue);
}

}  // namespace

CBinaryWriter::CBinaryWriter(FILE* pStream) : m_nPrevLen(0), m_pStream(pStream), m_nStreamError(0) {}

CBinaryWriter::~CBinaryWriter() = default;

bool CBinaryWriter::Begin()
{
    if (m_pStream == stdout)
        platform::SetStdoutBinary();
    uint8_t aHeader[kStreamHeaderSize] = {'L', 'O', 'G', kFormatVersion};
    return Write(aHeader, sizeof(aHeader));
}

bool CBinaryWriter::End()
{
    // An entry header whose own length is 0 ends the entries.
    uint8_t aMarker[kEntryHeaderSize] = {kFormatVersion};
    PutBigEndian16(aMarker + 4, m_nPrevLen);
    return Write(aMarker, sizeof(aMarker));
}

bool CBinaryWriter::WriteEntry(const CLogEntry& entry, const CLogRecord&, const char*)
{
    uint8_t aHeader[kEntryHeaderSize] = {kFormatVersion};
    PutBigEndian16(aHeader + 2, entry.m_nLength);
    PutBigEndian16(aHeader + 4, m_nPrevLen);
    PutBigEndian32(aHeader + 8, entry.m_nTimeLow);
    PutBigEndian32(aHeader + 12, entry.m_nTimeHigh);
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
