// The daily-file scan on its own: what a file header decides for the
// reader, and a scan taken over for another reader (as the worker threads
// of a query run do), which then reads within that reader's range and
// reports to its receiver.
#include "storage/daily_file_scan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "storage/daily_file_walk.h"
#include "testing/log_db_writer.h"
#include "tests/common/recorded_messages.h"
#include "tests/common/temp_dir.h"

namespace {

using testdata::CDailyFile;
using testdata::ECompression;
using testdata::LogTimeFromUtc;

LogTime At(int nHour)
{
    return LogTimeFromUtc(2006, 6, 20, nHour);
}

// The file at strPath opened as the walk opens a file given by name.
std::unique_ptr<COpenedDailyFile> Open(const std::string& strPath)
{
    CRecordedMessages messages;
    CDailyFileWalk walk(messages, strPath.c_str());
    std::unique_ptr<COpenedDailyFile> pFile;
    EXPECT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kFile);
    return pFile;
}

std::vector<LogTime> Entries(CDailyFileScan& scan)
{
    std::vector<LogTime> aTimes;
    CLogEntry entry;
    while (scan.ReadEntry(entry))
        aTimes.push_back(entry.GetTime());
    return aTimes;
}

TEST(DailyFileScan, HeaderDecidesForTheReader)
{
    CTempDir dir;
    std::string strPath = dir / "file.osl";
    CRecordedMessages messages;
    CDailyFileScan scan(messages, At(10), At(12));
    struct {
        CDailyFile file;
        CDailyFileScan::EStart eStart;
    } const aCases[] = {
        {CDailyFile().AddEntry(At(11), std::string("in")).AddEndMarker(), CDailyFileScan::EStart::kEntries},
        {CDailyFile().AddEntry(At(9), std::string("before")).AddEndMarker(), CDailyFileScan::EStart::kNextFile},
        {CDailyFile().AddEntry(At(12), std::string("at the end")).AddEndMarker(), CDailyFileScan::EStart::kReaderEnds},
        {CDailyFile().AddEntry(At(9), std::string("open")).SetLastTime(0), CDailyFileScan::EStart::kEntries},
        {CDailyFile().AddEntry(At(11), std::string("tag")).SetTag("GOL"), CDailyFileScan::EStart::kNextFile},
        {CDailyFile().CutTo(10), CDailyFileScan::EStart::kNextFile},
    };
    for (const auto& test : aCases) {
        ASSERT_TRUE(test.file.Write(strPath, ECompression::kGzip));
        EXPECT_EQ(scan.Start(Open(strPath)), test.eStart);
    }
    EXPECT_EQ(messages.m_strText, "Expected the LOG tag but found GOL\n");
}

TEST(DailyFileScan, TakenOverForAnotherReader)
{
    CTempDir dir;
    std::string strFirst = dir / "first.osl";
    std::string strSecond = dir / "second.gz";
    CDailyFile big;
    big.AddEntry(At(8), std::string(5000, 'b')).AddEntry(At(11), std::string("late")).AddEndMarker();
    ASSERT_TRUE(big.Write(strFirst, ECompression::kPlain));
    CDailyFile cut;
    cut.AddEntry(At(9), std::string("early")).AddEntry(At(13), std::string("later"));
    cut.AddCutEntry(At(14), std::string(300, 'x'), 20);
    ASSERT_TRUE(cut.Write(strSecond, ECompression::kGzip));

    CRecordedMessages first;
    CDailyFileScan scan(first, At(0), At(10));
    ASSERT_EQ(scan.Start(Open(strFirst)), CDailyFileScan::EStart::kEntries);
    EXPECT_EQ(Entries(scan), (std::vector<LogTime>{At(8)}));
    EXPECT_EQ(scan.GetEntryCapacity(), 10000);

    CRecordedMessages second;
    scan.Reuse(second, At(9), At(23));
    ASSERT_EQ(scan.Start(Open(strSecond)), CDailyFileScan::EStart::kEntries);
    EXPECT_EQ(Entries(scan), (std::vector<LogTime>{At(9), At(13)}));
    EXPECT_EQ(scan.GetEntryCapacity(), 10000);  // the buffers are kept
    EXPECT_EQ(first.m_strText, "");
    EXPECT_EQ(second.m_strText, "There is an error in one of the log files\n");
}

// Appends bytes to a file.
void Append(const std::string& strPath, const std::string& strBytes)
{
    FILE* pFile = std::fopen(strPath.c_str(), "ab");
    ASSERT_NE(pFile, nullptr);
    std::fwrite(strBytes.data(), 1, strBytes.size(), pFile);
    std::fclose(pFile);
}

uint64_t SizeOf(const std::string& strPath)
{
    struct stat info;
    return stat(strPath.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

// A file that may grow is read up to whole entries (and a whole file
// header) and kept; LookAgain reads on, and a file that may no longer grow
// ends as usual. Whatever the cut, nothing is reported and nothing lost.
TEST(DailyFileScan, GrowingPlainFileIsReadUpToWholeEntries)
{
    CDailyFile file;
    file.SetFirstTime(At(1)).SetLastTime(0);
    for (int nHour = 1; nHour <= 4; ++nHour)
        file.AddEntry(At(nHour), std::string(static_cast<size_t>(30 * nHour), 'e'));
    file.AddEndMarker();
    const std::string strBytes = file.Bytes();
    // Cuts inside the file header, an entry header, a body, and at the end marker.
    const size_t aCuts[] = {10, 30, 60, 150, strBytes.size() - 16, strBytes.size()};

    CTempDir dir;
    std::string strPath = dir / "1-0.osl";
    testdata::WriteFileBytes(strPath, strBytes.substr(0, aCuts[0]), ECompression::kPlain);
    CRecordedMessages messages;
    CDailyFileScan scan(messages, At(0), UINT64_MAX);
    ASSERT_EQ(scan.Start(Open(strPath), true), CDailyFileScan::EStart::kEntries);
    std::vector<LogTime> aTimes = Entries(scan);
    size_t nDone = aCuts[0];
    for (size_t nCut : aCuts) {
        SCOPED_TRACE(nCut);
        Append(strPath, strBytes.substr(nDone, nCut - nDone));
        nDone = nCut;
        ASSERT_NE(scan.GetFile(), nullptr);
        scan.LookAgain(SizeOf(strPath), true);
        std::vector<LogTime> aMore = Entries(scan);
        aTimes.insert(aTimes.end(), aMore.begin(), aMore.end());
    }
    EXPECT_EQ(aTimes, (std::vector<LogTime>{At(1), At(2), At(3), At(4)}));
    EXPECT_EQ(scan.GetFile(), nullptr);  // closed at the end marker
    EXPECT_EQ(messages.m_strText, "");
}

TEST(DailyFileScan, GrowingGzipFileWaitsInsideItsMember)
{
    CDailyFile file;
    file.SetFirstTime(At(1)).SetLastTime(0);
    for (int nHour = 1; nHour <= 20; ++nHour)
        file.AddEntry(At(nHour), std::string(200, static_cast<char>('a' + nHour)));
    testdata::CGzipMemberOptions options;
    options.m_nFlushEvery = 100;
    const std::string strMember = testdata::GzipMember(file.Bytes(), options);

    // Created empty: whether it is compressed is not known yet.
    CTempDir dir;
    std::string strPath = dir / "1-0.gz";
    testdata::WriteFileBytes(strPath, "", ECompression::kPlain);
    CRecordedMessages messages;
    CDailyFileScan scan(messages, At(0), UINT64_MAX);
    ASSERT_EQ(scan.Start(Open(strPath), true), CDailyFileScan::EStart::kEntries);
    EXPECT_TRUE(Entries(scan).empty());
    Append(strPath, strMember.substr(0, strMember.size() / 3));
    scan.LookAgain(SizeOf(strPath), true);
    std::vector<LogTime> aTimes = Entries(scan);
    EXPECT_FALSE(aTimes.empty());
    EXPECT_LT(aTimes.size(), 20u);
    ASSERT_NE(scan.GetFile(), nullptr);

    // Up to just before the trailer, then the whole member.
    Append(strPath, strMember.substr(strMember.size() / 3, strMember.size() - 4 - strMember.size() / 3));
    scan.LookAgain(SizeOf(strPath), true);
    std::vector<LogTime> aMore = Entries(scan);
    aTimes.insert(aTimes.end(), aMore.begin(), aMore.end());
    EXPECT_EQ(aTimes.size(), 20u);
    Append(strPath, strMember.substr(strMember.size() - 4));
    scan.LookAgain(SizeOf(strPath), true);
    EXPECT_TRUE(Entries(scan).empty());
    ASSERT_NE(scan.GetFile(), nullptr);  // another member may follow

    scan.LookAgain(SizeOf(strPath), false);
    EXPECT_TRUE(Entries(scan).empty());
    EXPECT_EQ(scan.GetFile(), nullptr);
    EXPECT_EQ(messages.m_strText, "");

    // Cut short, a file that may not grow is damaged.
    testdata::WriteFileBytes(strPath, strMember.substr(0, strMember.size() / 3), ECompression::kPlain);
    ASSERT_EQ(scan.Start(Open(strPath)), CDailyFileScan::EStart::kEntries);
    Entries(scan);
    EXPECT_EQ(messages.m_strText, "Failed to read " + strPath + "\n");
}

}  // namespace
