// The binary stream: header, entry headers chained by the previous length,
// unchanged element lists, end marker; and what a failed write leaves.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

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

// ---------------------------------------------------------------- gathered writes and laid-out entries

namespace {

// Entries of growing lengths, one far larger than a small buffer.
std::vector<CEntryBuilder> MixedEntries()
{
    std::vector<CEntryBuilder> aEntries;
    for (size_t nLength : {30u, 7u, 200u, 3000u, 41u, 65000u, 12u})
        aEntries.push_back(EntryOfLength(nLength));
    return aEntries;
}

// Every entry through WriteEntry (bLaidOut false) or laid out ahead and
// written with WriteLaidOutEntry, the two alternating when bAlternate.
std::string WriteAll(size_t nBufferSize, bool bLaidOut, bool bAlternate = false)
{
    CMemoryStream stream;
    CBinaryWriter writer(stream.Stream(), nBufferSize);
    CLogRecord record;
    std::vector<CEntryBuilder> aEntries = MixedEntries();
    EXPECT_TRUE(writer.Begin());
    for (size_t i = 0; i < aEntries.size(); ++i) {
        CLogEntry entry = EntryOf(aEntries[i], kEntryTime + i);
        if (bLaidOut != (bAlternate && i % 2 == 1)) {
            std::vector<uint8_t> aLaidOut(CBinaryWriter::LaidOutSize(entry));
            CBinaryWriter::LayOutEntry(entry, aLaidOut.data());
            EXPECT_TRUE(writer.WriteLaidOutEntry(aLaidOut.data(), aLaidOut.size()));
        } else {
            EXPECT_TRUE(writer.WriteEntry(entry, record, "gw1"));
        }
    }
    EXPECT_TRUE(writer.End());
    EXPECT_TRUE(writer.Flush());
    return stream.Contents();
}

}  // namespace

TEST(BinaryWriter, GatheredAndLaidOutWritesGiveTheSameStream)
{
    std::string strReference = WriteAll(0, false);
    ASSERT_GT(strReference.size(), 68000u);
    // Buffers smaller than an entry, than the header, and larger than everything.
    for (size_t nBufferSize : {size_t(1), size_t(16), size_t(100), size_t(4096), size_t(1) << 20}) {
        EXPECT_EQ(strReference, WriteAll(nBufferSize, false)) << nBufferSize;
        EXPECT_EQ(strReference, WriteAll(nBufferSize, true)) << nBufferSize;
        EXPECT_EQ(strReference, WriteAll(nBufferSize, true, true)) << nBufferSize;
    }
    EXPECT_EQ(strReference, WriteAll(0, true, true));
}

TEST(BinaryWriter, GatheredBytesReachTheStreamWhenTheBufferFillsAndAtFlush)
{
    CMemoryStream stream;
    CBinaryWriter writer(stream.Stream(), 64);
    EXPECT_TRUE(writer.Write("0123456789", 10));
    EXPECT_EQ("", stream.Contents());
    EXPECT_TRUE(writer.Write(std::string(60, 'x').data(), 60));  // does not fit: the first ten go out
    EXPECT_EQ("0123456789", stream.Contents());
    EXPECT_TRUE(writer.Write(std::string(100, 'y').data(), 100));  // larger than the buffer: straight through
    EXPECT_EQ("0123456789" + std::string(60, 'x') + std::string(100, 'y'), stream.Contents());
    EXPECT_TRUE(writer.Write("z", 1));
    EXPECT_TRUE(writer.Flush());
    EXPECT_EQ("0123456789" + std::string(60, 'x') + std::string(100, 'y') + "z", stream.Contents());
}

TEST(BinaryWriter, GatheredWriteFailsWhenTheBufferDrainsAndStaysFailed)
{
    FILE* pFull = std::fopen("/dev/full", "w");
    ASSERT_NE(nullptr, pFull);
    std::setvbuf(pFull, nullptr, _IONBF, 0);
    CBinaryWriter writer(pFull, 100);
    CLogRecord record;
    CEntryBuilder small = EntryOfLength(30);
    EXPECT_TRUE(writer.Begin());  // gathered
    EXPECT_TRUE(writer.WriteEntry(EntryOf(small), record, "gw1"));
    EXPECT_EQ(0, writer.GetStreamError());
    CEntryBuilder large = EntryOfLength(90);  // does not fit: the gathered bytes go out and fail
    EXPECT_FALSE(writer.WriteEntry(EntryOf(large), record, "gw1"));
    EXPECT_EQ(ENOSPC, writer.GetStreamError());
    std::vector<uint8_t> aLaidOut(CBinaryWriter::LaidOutSize(EntryOf(small)));
    CBinaryWriter::LayOutEntry(EntryOf(small), aLaidOut.data());
    EXPECT_FALSE(writer.WriteLaidOutEntry(aLaidOut.data(), aLaidOut.size()));
    EXPECT_FALSE(writer.Write("x", 1));
    EXPECT_FALSE(writer.End());
    EXPECT_FALSE(writer.Flush());
    std::fclose(pFull);
}
