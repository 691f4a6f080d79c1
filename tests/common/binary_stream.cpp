// The expected bytes of a binary output stream, each byte set here by hand at
// the offsets the stored form names.
#include "tests/common/binary_stream.h"

#include "storage/log_file_format.h"

namespace {

// The four bytes of a big-endian 32-bit number at nOffset.
void SetBigEndian32(std::string& str, size_t nOffset, uint32_t nValue)
{
    for (size_t i = 0; i < 4; ++i)
        str[nOffset + i] = static_cast<char>(nValue >> (24 - 8 * i));
}

std::string MakeStreamHeader()
{
    std::string strHeader(kLogFileHeaderSize, '\0');
    strHeader.replace(kFileTagOffset, kLogFileTagSize, kLogFileTag);
    strHeader[kFileFormatByteOffset] = static_cast<char>(kLogFormatByte);
    return strHeader;
}

}  // namespace

const std::string kStreamHeader = MakeStreamHeader();

std::string EntryHeader(uint16_t nLength, uint16_t nPrevLength, LogTime nTime)
{
    std::string strHeader(kLogEntryHeaderSize, '\0');
    strHeader[kEntryFormatByteOffset] = static_cast<char>(kLogFormatByte);
    strHeader[kEntryBodyLengthOffset] = static_cast<char>(nLength >> 8);
    strHeader[kEntryBodyLengthOffset + 1] = static_cast<char>(nLength);
    strHeader[kEntryPrevLengthOffset] = static_cast<char>(nPrevLength >> 8);
    strHeader[kEntryPrevLengthOffset + 1] = static_cast<char>(nPrevLength);
    SetBigEndian32(strHeader, kEntryTimeOffset + kTimeLowHalfOffset, static_cast<uint32_t>(nTime));
    SetBigEndian32(strHeader, kEntryTimeOffset + kTimeHighHalfOffset, static_cast<uint32_t>(nTime >> 32));
    return strHeader;
}
