// The byte-order readers and writers keep every byte in its place.
#include "support/byte_order.h"

#include <gtest/gtest.h>

TEST(ByteOrder, HighBytesNeverSpreadIntoOtherBits)
{
    const uint8_t aBytes[] = {0xFE, 0x81, 0x7F, 0x80};
    EXPECT_EQ(ReadBigEndian16(aBytes), 0xFE81);
    EXPECT_EQ(ReadBigEndian32(aBytes), 0xFE817F80u);
    EXPECT_EQ(ReadLittleEndian16(aBytes), 0x81FE);
    EXPECT_EQ(ReadLittleEndian32(aBytes), 0x807F81FEu);

    uint8_t aWritten[4] = {};
    PutBigEndian32(aWritten, 0xFE817F80u);
    EXPECT_EQ(ReadBigEndian32(aWritten), 0xFE817F80u);
    PutLittleEndian32(aWritten, 0xFE817F80u);
    EXPECT_EQ(ReadLittleEndian32(aWritten), 0xFE817F80u);
    PutBigEndian16(aWritten, 0x80FF);
    EXPECT_EQ(aWritten[0], 0x80);
    EXPECT_EQ(aWritten[1], 0xFF);
    PutLittleEndian16(aWritten, 0x80FF);
    EXPECT_EQ(aWritten[0], 0xFF);
    EXPECT_EQ(aWritten[1], 0x80);
}
