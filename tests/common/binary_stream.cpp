#include "tests/common/binary_stream.h"

const std::string kStreamHeader = std::string("LOG\x10", 4) + std::string(16, '\0');

std::string EntryHeader(uint16_t nLength, uint16_t nPrevLength, LogTime nTime)
{
    std::string strHeader(16, '\0');
    strHeader[0] = '\x10';
    strHeader[2] = static_cast<char>(nLength >> 8);
    strHeader[3] = static_cast<char>(nLength);
    strHeader[4] = static_cast<char>(nPrevLength >> 8);
    strHeader[5] = static_cast<char>(nPrevLength);
    for (int i = 0; i < 4; ++i) {
        strHeader[8 + i] = static_cast<char>(static_cast<uint32_t>(nTime) >> (24 - 8 * i));
        strHeader[12 + i] = static_cast<char>(static_cast<uint32_t>(nTime >> 32) >> (24 - 8 * i));
    }
    return strHeader;
}
