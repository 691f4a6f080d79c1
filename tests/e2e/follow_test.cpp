// Follow mode through the real binary: the test writes the daily files of
// two gateways as the logger does (appending entries to a file whose header
// has no last time yet, finishing it, starting the next sequence number, a
// new day and a new month) while `sarnith --follow` runs, and reads the
// output as it comes: order, completeness, how soon each entry shows, late
// and half-written entries, truncated, replaced and growing gzip files, the
// end on SIGINT, SIGTERM and a closed pipe, and the processor time of a run
// that waits. The dates are chosen by the test (January 2020), so the day
// and month change does not depend on the clock.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "testing/entry_builder.h"
#include "testing/log_db_writer.h"
#include "tests/common/binary_stream.h"
#include "tests/common/live_process.h"
#include "tests/common/temp_dir.h"
#include "tests/common/tree_snapshot.h"

using namespace testdata;
using namespace std::chrono_literals;

namespace {

typedef std::chrono::steady_clock CClock;

// Each written entry must show within this long.
constexpr std::chrono::milliseconds kLatency = 2000ms;
// Longer than the hold-back: what has not shown by then is held for good.
constexpr std::chrono::milliseconds kSettle = 1600ms;

std::string EntryBody(uint32_t nId)
{
    Bytes body = CEntryBuilder().LogId(nId).Body();
    return std::string(body.begin(), body.end());
}

LogTime At(int nMonth, int nDay, int nSecond)
{
    return LogTimeFromUtc(2020, nMonth, nDay, 10, 0, nSecond);
}

void AppendToFile(const std::string& strPath, const std::string& strBytes)
{
    FILE* pFile = std::fopen(strPath.c_str(), "ab");
    ASSERT_NE(pFile, nullptr);
    std::fwrite(strBytes.data(), 1, strBytes.size(), pFile);
    std::fclose(pFile);
}

// A daily file being written: its header without a last time, entries
// appended one by one, and at the end its last time and the end marker.
class CGrowingFile {
public:
    explicit CGrowingFile(std::string strPath) : m_strPath(std::move(strPath)) {}

    // Appends an entry (all of it, or only its first nBytes bytes; the
    // next Append or Complete writes the rest).
    void Append(LogTime nTime, uint32_t nId, size_t nBytes = SIZE_MAX)
    {
        if (m_nEntries++ == 0)
            m_file.SetFirstTime(nTime);
        m_file.SetLastTime(0).AddEntry(nTime, EntryBody(nId));
        m_nLastTime = nTime;
        WriteUpTo(nBytes == SIZE_MAX ? SIZE_MAX : m_nWritten + nBytes);
    }
    void Complete() { WriteUpTo(SIZE_MAX); }
    // The header gets its last time and the end marker follows the entries.
    void Finish()
    {
        m_file.SetLastTime(m_nLastTime).AddEndMarker();
        std::string strBytes = m_file.Bytes();
        int nFd = open(m_strPath.c_str(), O_WRONLY);
        ASSERT_GE(nFd, 0);
        ASSERT_EQ(pwrite(nFd, strBytes.data(), strBytes.size(), 0), static_cast<ssize_t>(strBytes.size()));
        close(nFd);
    }
    const std::string& Path() const { return m_strPath; }

private:
    void WriteUpTo(size_t nEnd)
    {
        std::string strBytes = m_file.Bytes();
        if (m_nWritten == 0) {
            ASSERT_TRUE(MakeFolders(m_strPath.substr(0, m_strPath.rfind('/'))));
        }
        nEnd = std::min(nEnd, strBytes.size());
        AppendToFile(m_strPath, strBytes.substr(m_nWritten, nEnd - m_nWritten));
        m_nWritten = nEnd;
    }

    std::string m_strPath;
    CDailyFile m_file;
    size_t m_nEntries = 0;
    size_t m_nWritten = 0;
    LogTime m_nLastTime = 0;
};

class FollowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CConfigWriter({{"gw1", "10.0.0.1"}, {"gw2", "10.0.0.2"}}).Write(m_root.Path()));
    }

    std::string DailyPath(const std::string& strGateway, const std::string& strName) const
    {
        return m_root / (strGateway + "/" + strName);
    }

    bool Start(const std::string& strStatement, const std::vector<std::string>& aOptions = {})
    {
        std::vector<std::string> aArgs = {"-r", m_root.Path(), "--follow"};
        aArgs.insert(aArgs.end(), aOptions.begin(), aOptions.end());
        aArgs.push_back(strStatement);
        return m_process.StartSarnith(aArgs);
    }

    // Expects the next line to be strLine, shown within kLatency of writtenAt.
    void ExpectNextLine(const std::string& strLine, CClock::time_point writtenAt)
    {
        size_t nIndex = m_nSeen++;
        ASSERT_TRUE(m_process.WaitForLines(nIndex + 1, kLatency + 500ms))
            << "no line for " << strLine << "; stderr: " << m_process.Errors();
        const CLiveProcess::CLine& line = m_process.Lines()[nIndex];
        EXPECT_EQ(line.m_strText, strLine);
        EXPECT_LE(line.m_arrivedAt - writtenAt, kLatency) << strLine;
    }

    // Ends the run with the signal: it exits with nExitCode and writes
    // strErrors to standard error.
    void ExpectEndBySignal(int nSignal, int nExitCode = 0, const std::string& strErrors = "")
    {
        m_process.Signal(nSignal);
        EXPECT_EQ(m_process.WaitForExit(3000ms), nExitCode) << m_process.Errors();
        EXPECT_EQ(m_process.Errors(), strErrors);
    }

    CTempDir m_root;
    CLiveProcess m_process;
    size_t m_nSeen = 0;
};

// The logger's whole day: two gateways appending, one starting its next
// sequence number, both going on into a new day that is also a new month.
// Every entry shows within two seconds and in time order; SIGINT then ends
// the run with 0, and the database is as the writer left it.
TEST_F(FollowTest, FollowsTwoGatewaysThroughSequenceDayAndMonth)
{
    CGrowingFile gw1(DailyPath("gw1", "202001/31-0.osl"));
    CGrowingFile gw2(DailyPath("gw2", "202001/31-0.osl"));
    gw1.Append(At(1, 31, 0), 1);
    gw2.Append(At(1, 31, 1), 2);
    gw1.Append(At(1, 31, 2), 3);
    ASSERT_TRUE(Start("select id,firewall from gw1, gw2", {"--threads", "1"}));
    CClock::time_point started = CClock::now();
    ExpectNextLine("id=1 firewall=gw1", started);
    ExpectNextLine("id=2 firewall=gw2", started);
    ExpectNextLine("id=3 firewall=gw1", started);

    gw2.Append(At(1, 31, 3), 4);
    ExpectNextLine("id=4 firewall=gw2", CClock::now());
    gw1.Append(At(1, 31, 4), 5);
    gw2.Append(At(1, 31, 5), 6);
    CClock::time_point written = CClock::now();
    ExpectNextLine("id=5 firewall=gw1", written);
    ExpectNextLine("id=6 firewall=gw2", written);

    // gw1 finishes its file (last time, end marker) and starts sequence 1.
    gw1.Finish();
    CGrowingFile gw1Next(DailyPath("gw1", "202001/31-1.osl"));
    gw1Next.Append(At(1, 31, 6), 7);
    ExpectNextLine("id=7 firewall=gw1", CClock::now());

    // Midnight: both start February 1st in a new month folder.
    CGrowingFile gw2Day(DailyPath("gw2", "202002/1-0.osl"));
    gw2Day.Append(LogTimeFromUtc(2020, 2, 1, 0, 0, 1), 8);
    ExpectNextLine("id=8 firewall=gw2", CClock::now());
    // gw1's month folder comes a moment before its first file.
    ASSERT_TRUE(MakeFolders(DailyPath("gw1", "202002")));
    m_process.ReadFor(500ms);
    CGrowingFile gw1Day(DailyPath("gw1", "202002/1-0.osl"));
    gw1Day.Append(LogTimeFromUtc(2020, 2, 1, 0, 0, 2), 9);
    gw1Day.Append(LogTimeFromUtc(2020, 2, 1, 0, 0, 3), 10);
    written = CClock::now();
    ExpectNextLine("id=9 firewall=gw1", written);
    ExpectNextLine("id=10 firewall=gw1", written);

    std::map<std::string, std::string> snapshot = TreeSnapshot(m_root.Path());
    m_process.ReadFor(kSettle);
    ExpectEndBySignal(SIGINT);
    EXPECT_EQ(m_process.Lines().size(), 10u) << m_process.Output();
    EXPECT_EQ(TreeSnapshot(m_root.Path()), snapshot);
}

// An entry whose time is older than what was written, arriving after the
// hold-back, is still written (late); an entry written only in part is
// held until it is whole.
TEST_F(FollowTest, LateAndHalfWrittenEntries)
{
    CGrowingFile gw1(DailyPath("gw1", "202001/31-0.osl"));
    CGrowingFile gw2(DailyPath("gw2", "202001/31-0.osl"));
    gw1.Append(At(1, 31, 10), 1);
    gw2.Append(At(1, 31, 11), 2);
    ASSERT_TRUE(Start("select id from gw1, gw2"));
    ExpectNextLine("id=1", CClock::now());
    ExpectNextLine("id=2", CClock::now());

    gw1.Append(At(1, 31, 12), 3);
    ExpectNextLine("id=3", CClock::now());
    m_process.ReadFor(kSettle);
    gw2.Append(At(1, 31, 5), 4);  // older than everything written so far
    ExpectNextLine("id=4", CClock::now());

    gw1.Append(At(1, 31, 13), 5, 20);  // the entry header and 4 bytes of the body
    m_process.ReadFor(kSettle);
    EXPECT_EQ(m_process.Lines().size(), 4u);
    gw1.Complete();
    ExpectNextLine("id=5", CClock::now());

    ExpectEndBySignal(SIGTERM);
}

// A followed file truncated below what was read, or replaced by another
// file under its name, is reported and read again from its start; the
// messages count as files that could not be read, so the run ends with the
// warning and exit code 2.
TEST_F(FollowTest, TruncatedAndReplacedFilesAreReadAgain)
{
    CGrowingFile gw1(DailyPath("gw1", "202001/31-0.osl"));
    gw1.Append(At(1, 31, 0), 1);
    gw1.Append(At(1, 31, 1), 2);
    ASSERT_TRUE(Start("select id from gw1"));
    ExpectNextLine("id=1", CClock::now());
    ExpectNextLine("id=2", CClock::now());

    ASSERT_EQ(truncate(gw1.Path().c_str(), 20), 0);  // the header only
    m_process.ReadFor(kSettle);
    CGrowingFile again(gw1.Path() + ".new");
    again.Append(At(1, 31, 2), 3);
    AppendToFile(gw1.Path(), ReadWholeFile(again.Path()).substr(20));
    ExpectNextLine("id=3", CClock::now());

    CGrowingFile replacement(gw1.Path() + ".tmp");
    replacement.Append(At(1, 31, 3), 4);
    replacement.Append(At(1, 31, 4), 5);
    ASSERT_EQ(std::rename(replacement.Path().c_str(), gw1.Path().c_str()), 0);
    ExpectNextLine("id=4", CClock::now());
    ExpectNextLine("id=5", CClock::now());

    ExpectEndBySignal(SIGINT, 2,
                      "File " + gw1.Path() + " was truncated: reading it again from its start\n" + "File " +
                          gw1.Path() + " was replaced: reading it again from its start\n" +
                          "Warning: 2 files could not be read\n");
}

// A gzip file that is still being written ends in the middle of its member:
// the reader waits for the rest instead of reporting damage, and moves on
// to the next file once the member is whole.
TEST_F(FollowTest, GrowingGzipFileWaitsForMore)
{
    CDailyFile file;
    file.SetFirstTime(At(1, 31, 0)).SetLastTime(0);
    for (uint32_t nId = 1; nId <= 40; ++nId)
        file.AddEntry(At(1, 31, static_cast<int>(nId)), EntryBody(nId));
    CGzipMemberOptions options;
    options.m_nFlushEvery = 64;
    std::string strMember = GzipMember(file.Bytes(), options);
    std::string strPath = DailyPath("gw1", "202001/31-0.gz");
    WriteWholeFile(strPath, strMember.substr(0, strMember.size() / 2));
    ASSERT_TRUE(Start("select id from gw1"));
    ASSERT_TRUE(m_process.WaitForLines(1, kLatency));
    m_process.ReadFor(kSettle);
    size_t nFirstPart = m_process.Lines().size();
    EXPECT_LT(nFirstPart, 40u);

    AppendToFile(strPath, strMember.substr(strMember.size() / 2));
    ASSERT_TRUE(m_process.WaitForLines(40, kLatency)) << m_process.Errors();
    for (uint32_t nId = 1; nId <= 40; ++nId)
        EXPECT_EQ(m_process.Lines()[nId - 1].m_strText, "id=" + std::to_string(nId));
    m_nSeen = 40;

    CGrowingFile next(DailyPath("gw1", "202001/31-1.osl"));
    next.Append(At(1, 31, 50), 50);
    ExpectNextLine("id=50", CClock::now());
    ExpectEndBySignal(SIGINT);
}

// Binary output: every entry is flushed as it comes, and SIGTERM ends the
// stream with its end marker.
TEST_F(FollowTest, BinaryStreamEndsWithItsEndMarker)
{
    CGrowingFile gw1(DailyPath("gw1", "202001/31-0.osl"));
    gw1.Append(At(1, 31, 0), 1);
    ASSERT_TRUE(Start("select binary from gw1"));
    std::string strBody1 = EntryBody(1);
    std::string strExpected =
        kStreamHeader + EntryHeader(static_cast<uint16_t>(strBody1.size()), 0, At(1, 31, 0)) + strBody1;
    m_process.ReadFor(kSettle);
    EXPECT_EQ(m_process.Output(), strExpected);

    gw1.Append(At(1, 31, 1), 22);
    std::string strBody2 = EntryBody(22);
    strExpected +=
        EntryHeader(static_cast<uint16_t>(strBody2.size()), static_cast<uint16_t>(strBody1.size()), At(1, 31, 1)) +
        strBody2;
    m_process.ReadFor(kSettle);
    EXPECT_EQ(m_process.Output(), strExpected);

    ExpectEndBySignal(SIGTERM);
    strExpected += EntryHeader(0, static_cast<uint16_t>(strBody2.size()), 0);
    EXPECT_EQ(m_process.Output(), strExpected);
}

// A run with nothing new sleeps: under 1 % of a processor over ten
// seconds. When the reader of its output leaves, it ends at once, quietly.
TEST_F(FollowTest, IdleRunSleepsAndEndsWhenThePipeCloses)
{
    CGrowingFile gw1(DailyPath("gw1", "202001/31-0.osl"));
    CGrowingFile gw2(DailyPath("gw2", "202001/31-0.osl"));
    gw1.Append(At(1, 31, 0), 1);
    gw2.Append(At(1, 31, 1), 2);
    ASSERT_TRUE(Start("select id from all"));
    ASSERT_TRUE(m_process.WaitForLines(2, kLatency));
    m_process.ReadFor(500ms);

    double fBefore = m_process.CpuSeconds();
    m_process.ReadFor(10000ms);
    double fUsed = m_process.CpuSeconds() - fBefore;
    EXPECT_LT(fUsed, 0.1) << "processor seconds in 10 s of waiting";

    m_process.CloseOutput();
    EXPECT_EQ(m_process.WaitForExit(2000ms), 0);
    EXPECT_EQ(m_process.Errors(), "");
}

// What is there when the run starts waits at most one hold-back, however
// many gateways run dry one after the other on the way through it.
TEST_F(FollowTest, WhatIsThereIsWrittenWithinOneHoldBack)
{
    const int kGateways = 8;
    CConfigWriter config;
    for (int nGateway = 1; nGateway <= kGateways; ++nGateway)
        config.AddGateway("gw" + std::to_string(nGateway), "10.0.0." + std::to_string(nGateway));
    ASSERT_TRUE(config.Write(m_root.Path()));
    // Gateway n's entries are at seconds n, 10 + n and 20 + n: each runs dry in turn.
    for (int nGateway = 1; nGateway <= kGateways; ++nGateway) {
        CGrowingFile file(DailyPath("gw" + std::to_string(nGateway), "202001/31-0.osl"));
        for (int nEntry = 0; nEntry < 3; ++nEntry)
            file.Append(At(1, 31, 10 * nEntry + nGateway), static_cast<uint32_t>(nGateway));
    }
    ASSERT_TRUE(Start("select id from all"));
    CClock::time_point started = CClock::now();
    ASSERT_TRUE(m_process.WaitForLines(static_cast<size_t>(3 * kGateways), kLatency));
    EXPECT_LE(m_process.Lines().back().m_arrivedAt - started, kLatency);
    ExpectEndBySignal(SIGINT);
}

// A gateway whose folder is not there yet cannot be watched: it is looked
// at every 250 ms and its files are found once the logger creates them.
TEST_F(FollowTest, GatewayFolderCreatedLaterIsFound)
{
    CGrowingFile gw1(DailyPath("gw1", "202001/31-0.osl"));
    gw1.Append(At(1, 31, 0), 1);
    ASSERT_TRUE(Start("select id,firewall from all"));
    ExpectNextLine("id=1 firewall=gw1", CClock::now());
    m_process.ReadFor(500ms);

    CGrowingFile gw2(DailyPath("gw2", "202001/31-0.osl"));
    gw2.Append(At(1, 31, 1), 2);
    ExpectNextLine("id=2 firewall=gw2", CClock::now());
    gw2.Append(At(1, 31, 2), 3);
    ExpectNextLine("id=3 firewall=gw2", CClock::now());
    ExpectEndBySignal(SIGINT);
}

// Ranges that do not reach the present are read as usual and end the run.
TEST_F(FollowTest, ClosedRangesEndAsUsual)
{
    CGrowingFile gw1(DailyPath("gw1", "202001/31-0.osl"));
    gw1.Append(At(1, 31, 0), 1);
    ASSERT_TRUE(Start("select id from gw1 times 2020-01-31 to 2020-02-01"));
    EXPECT_EQ(m_process.WaitForExit(3000ms), 0) << m_process.Errors();
    EXPECT_EQ(m_process.Output(), "id=1\n");
}

}  // namespace
