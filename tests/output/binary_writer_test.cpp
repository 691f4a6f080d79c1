// The binary stream: header, entry headers chained by the previous length,
// unchanged element lists, end marker; and what a failed write leaves.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "output/binary_writer.h"
#include "tests/common/binary_stream.h"
#include "tests/output/output_test_util.h"

using namespace outputtest;
using testdata::CEntryBuilder;

namespace {

CEntryBuilder EntryOfLength(size_t nLength)
{
    // A category element: 4 header bytes and the text with its terminator.
    CEntryBuilder builder;
    builder.Category(std::string(nLength - 5, 'c'));
    return builder;
}

std::string BodyOf(const CEntryBuilder& builder)
{
    return std::string(builder.Body().begin(), builder.Body().end());
}

}  // namespace

TEST(BinaryWriter, EmptyRunIsHeaderAndEndMarker)
{
    CMemoryStream stream;
    CBinaryWriter writer(stream.Stream());
    EXPECT_TRUE(writer.Begin());
    EXPECT_TRUE(writer.End());
    std::string strEndMarker(16, '\0');
    strEndMarker[0] = '\x10';
    EXPECT_EQ(kStreamHeader + strEndMarker, stream.Contents());
    EXPECT_EQ(36u, stream.Contents().size());
}

TEST(BinaryWriter, EntriesChainThePreviousLength)
{
    CMemoryStream stream;
    CBinaryWriter writer(stream.Stream());
    CEntryBuilder first = EntryOfLength(30);
    CEntryBuilder second = EntryOfLength(50);
    const LogTime nFirstTime = 0x0123456789ABCDEFull;
    const LogTime nSecondTime = kEntryTime;
    CLogRecord record;
    writer.Begin();
    EXPECT_TRUE(writer.WriteEntry(EntryOf(first, nFirstTime), record, "gw1"));
    EXPECT_TRUE(writer.WriteEntry(EntryOf(second, nSecondTime), record, "gw1"));
    writer.End();
    std::string strEndMarker = EntryHeader(0, 50, 0);
    EXPECT_EQ(kStreamHeader + EntryHeader(30, 0, nFirstTime) + BodyOf(first) + EntryHeader(50, 30, nSecondTime) +
                  BodyOf(second) + strEndMarker,
              stream.Contents());
}

TEST(BinaryWriter, FailedWriteIsKeptAndStopsFurtherWrites)
{
    FILE* pFull = std::fopen("/dev/full", "w");
    ASSERT_NE(nullptr, pFull);
    std::setvbuf(pFull, nullptr, _IONBF, 0);
    CBinaryWriter writer(pFull);
    CLogRecord record;
    CEntryBuilder entry = EntryOfLength(30);
    EXPECT_FALSE(writer.Begin());
    EXPECT_FALSE(writer.WriteEntry(EntryOf(entry), record, "gw1"));
    EXPECT_EQ(ENOSPC, writer.GetStreamError());
    EXPECT_FALSE(writer.End());
    EXPECT_FALSE(writer.Flush());
    std::fclose(pFull);
}

TEST(BinaryWriter, FlushReportsBufferedFailure)
{
    FILE* pFull = std::fopen("/dev/full", "w");
    ASSERT_NE(nullptr, pFull);
    CBinaryWriter writer(pFull);
    EXPECT_TRUE(writer.Begin());  // still in the stream's buffer
    EXPECT_EQ(0, writer.GetStreamError());
    EXPECT_FALSE(writer.Flush());
    EXPECT_EQ(ENOSPC, writer.GetStreamError());
    std::fclose(pFull);
}
