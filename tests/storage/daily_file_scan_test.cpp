// The daily-file scan on its own: what a file header decides for the
// reader, and a scan taken over for another reader (as the worker threads
// of a query run do), which then reads within that reader's range and
// reports to its receiver.
#include "storage/daily_file_scan.h"

#include <gtest/gtest.h>

#include <string>
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

}  // namespace
