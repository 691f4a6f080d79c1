// The run with worker threads against the run in one thread, the
// reference. Over a generated fleet (many gateways, plain and gzip files,
// times that go back within a file and equal times across gateways, damaged
// files whose messages fall between entries, entries that cannot be decoded,
// ranges that end readers, a file source) every layout and the binary stream
// give the same standard output, standard error and exit code with 1, 2, 4
// and 8 threads, also with both streams in one pipe; a closed pipe ends a
// threaded run at once, even with a pipe that never ends among the daily
// files; the database is never changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "testing/entry_builder.h"
#include "testing/log_db_writer.h"
#include "testing/sample_entries.h"
#include "tests/common/process_runner.h"
#include "tests/common/temp_dir.h"
#include "tests/common/tree_snapshot.h"

using namespace testdata;

namespace {

constexpr int kGateways = 24;
const char* const kThreadCounts[] = {"2", "4", "8"};

std::string GatewayName(int nGateway)
{
    char szName[16];
    std::snprintf(szName, sizeof(szName), "gw%02d", nGateway);
    return szName;
}

// Entry bodies of every common kind; every thirteenth cannot be decoded
// whole (an element length of 0 stops the walk through its elements).
Bytes FleetBody(uint32_t nIndex)
{
    if (nIndex % 13 == 5) {
        CEntryBuilder builder;
        builder.Category("CONN").Event("broken").ElementWithLength(TAG_EVENT, 0, Bytes(6, 'x'));
        return builder.Body();
    }
    switch (nIndex % 5) {
    case 0:
        return SampleConnEntry(nIndex);
    case 1:
        return SampleTcpEntry(nIndex);
    case 2:
        return SampleIcmpErrorEntry(nIndex);
    case 3:
        return SampleAuthEntry(nIndex);
    default:
        return SampleUsageEntry(nIndex);
    }
}

// The entries of one daily file: whole minutes, so that gateways share
// times, a step back every seventh entry and a jump ahead now and then.
CDailyFile FleetFile(int nGateway, int nDay, int nSequence, int nEntries, bool bEndMarker = true)
{
    CDailyFile file;
    LogTime nBase = LogTimeFromUtc(2006, 6, nDay, 8 * nSequence);
    for (int i = 0; i < nEntries; ++i) {
        int nMinute = i;
        if (i % 7 == 3)
            nMinute -= 5;
        if ((i + nGateway) % 11 == 0)
            nMinute += 3;
        LogTime nTime = nBase + static_cast<LogTime>(nMinute < 0 ? 0 : nMinute) * 60 * kLogTimeUnitsPerSecond;
        file.AddEntry(nTime, FleetBody(static_cast<uint32_t>(nGateway * 1000 + nDay * 100 + nSequence * 40 + i)));
    }
    if (bEndMarker)
        file.AddEndMarker();
    return file;
}

class ParallelRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        CConfigWriter config;
        for (int g = 0; g < kGateways; ++g)
            config.AddGateway(GatewayName(g), "10.9.0." + std::to_string(g + 1));
        ASSERT_TRUE(m_db.WriteConfig(config));
        for (int g = 0; g < kGateways; ++g)
            for (int nDay = 1; nDay <= 3; ++nDay)
                for (int nSequence = 0; nSequence < 1 + (g + nDay) % 3 || (g < 12 && nSequence < 3); ++nSequence)
                    Write(g, nDay, nSequence, FleetFile(g, nDay, nSequence, 20 + (g * 7 + nDay * 3 + nSequence) % 30));
        Damage();
    }

    static ECompression CompressionOf(int nGateway, int nDay, int nSequence)
    {
        return (nGateway + nDay + nSequence) % 2 == 0 ? ECompression::kPlain : ECompression::kGzip;
    }
    std::string PathOf(int nGateway, int nDay, int nSequence) const
    {
        return m_db.DailyFilePath(GatewayName(nGateway), 2006, 6, nDay, nSequence,
                                  CompressionOf(nGateway, nDay, nSequence));
    }
    void Write(int nGateway, int nDay, int nSequence, const CDailyFile& file)
    {
        ASSERT_TRUE(m_db.WriteDailyFile(GatewayName(nGateway), 2006, 6, nDay, nSequence,
                                        CompressionOf(nGateway, nDay, nSequence), file));
    }
    void WriteStored(int nGateway, int nDay, int nSequence, const std::string& strBytes)
    {
        ASSERT_TRUE(WriteFileBytes(PathOf(nGateway, nDay, nSequence), strBytes, ECompression::kPlain));
    }

    // Damage whose messages fall between the entries of a gateway.
    void Damage()
    {
        // A wrong tag in the middle of a day.
        Write(2, 2, 1, FleetFile(2, 2, 1, 30).SetTag("LOX"));
        // Compressed data cut in the middle, and a wrong CRC behind whole data.
        std::string strGzip = GzipBytes(FleetFile(3, 1, 1, 200).Bytes());
        WriteStored(3, 1, 1, strGzip.substr(0, strGzip.size() / 2));
        CGzipMemberOptions badCrc;
        badCrc.m_nCrcFlip = 1;
        WriteStored(10, 3, 0, GzipMember(FleetFile(10, 3, 0, 25).Bytes(), badCrc));
        // A body cut short in a compressed file.
        CDailyFile cut = FleetFile(4, 2, 0, 25, false);
        cut.AddCutEntry(LogTimeFromUtc(2006, 6, 2, 3), std::string(300, 'x'), 120);
        ASSERT_TRUE(
            cut.Write(m_db.DailyFilePath(GatewayName(4), 2006, 6, 2, 0, ECompression::kGzip), ECompression::kGzip));
        ASSERT_EQ(0, unlink(PathOf(4, 2, 0).c_str()));
        // A link to nowhere and a folder in place of daily files.
        ASSERT_EQ(0, unlink(PathOf(5, 3, 1).c_str()));
        ASSERT_EQ(0, symlink("nowhere.osl", PathOf(5, 3, 1).c_str()));
        ASSERT_EQ(0, unlink(PathOf(6, 1, 1).c_str()));
        ASSERT_EQ(0, mkdir(PathOf(6, 1, 1).c_str(), 0755));
        // A file starting at noon of June 2, with later files behind it.
        Write(7, 2, 1, FleetFile(7, 2, 1, 20).SetFirstTime(LogTimeFromUtc(2006, 6, 2, 12)));
        // July is a file, not a folder.
        ASSERT_TRUE(WriteFileBytes(m_db.MonthFolder(GatewayName(8), 2006, 7), "no month", ECompression::kPlain));
        // A file still being written: no last time, no end marker.
        Write(9, 1, 0, FleetFile(9, 1, 0, 30, false).SetLastTime(0));
    }

    // The run with the arguments: the reference in one thread, then with
    // more, which must give the same; once more with both streams in one
    // pipe. The database stays unchanged. Returns the reference.
    ProcessResult ExpectSameWithEveryThreadCount(const std::vector<std::string>& aArgs)
    {
        std::map<std::string, std::string> aBefore = TreeSnapshot(m_dir.Path());
        ProcessResult reference = Run("1", aArgs);
        ProcessResult combined = RunCombined("1", aArgs);
        EXPECT_EQ(reference.nExitCode, combined.nExitCode);
        for (const char* pszThreads : kThreadCounts) {
            SCOPED_TRACE(std::string("--threads ") + pszThreads);
            ProcessResult threaded = Run(pszThreads, aArgs);
            EXPECT_EQ(reference.strStdout, threaded.strStdout);
            EXPECT_EQ(reference.strStderr, threaded.strStderr);
            EXPECT_EQ(reference.nExitCode, threaded.nExitCode);
            ProcessResult threadedCombined = RunCombined(pszThreads, aArgs);
            EXPECT_EQ(combined.strStdout, threadedCombined.strStdout);
            EXPECT_EQ(combined.nExitCode, threadedCombined.nExitCode);
        }
        EXPECT_EQ(aBefore, TreeSnapshot(m_dir.Path())) << "the database changed";
        return reference;
    }

    ProcessResult Run(const char* pszThreads, const std::vector<std::string>& aArgs)
    {
        std::vector<std::string> aAll = {"--threads", pszThreads, "-r", m_dir.Path()};
        aAll.insert(aAll.end(), aArgs.begin(), aArgs.end());
        return RunSarnith(aAll);
    }
    ProcessResult RunCombined(const char* pszThreads, const std::vector<std::string>& aArgs)
    {
        std::vector<std::string> aAll = {
            "-c", "exec \"$0\" \"$@\" 2>&1", SARNITH_BINARY, "--threads", pszThreads, "-r", m_dir.Path()};
        aAll.insert(aAll.end(), aArgs.begin(), aArgs.end());
        ProcessOptions options;
        options.aEnvironment = {"TZ=UTC"};
        return RunProcess("/bin/sh", aAll, options);
    }

    CTempDir m_dir;
    CLogDatabase m_db{m_dir.Path()};
};

size_t LineCount(const std::string& strText)
{
    return static_cast<size_t>(std::count(strText.begin(), strText.end(), '\n'));
}

TEST_F(ParallelRun, LabelledTextOfEverythingWithoutATimeStatement)
{
    ProcessResult result = ExpectSameWithEveryThreadCount({"select standard from all"});
    EXPECT_GT(LineCount(result.strStdout), 2000u);
    // Every kind of message, each where the walk met it.
    for (const std::string& strMessage :
         {std::string("Expected the LOG tag but found LOX\n"), "Failed to read " + PathOf(3, 1, 1) + "\n",
          "Failed to read " + PathOf(10, 3, 0) + "\n", std::string("There is an error in one of the log files\n"),
          "Failed to open " + PathOf(5, 3, 1) + "\n", "Failed to open " + PathOf(6, 1, 1) + "\n",
          "Failed to open " + m_db.MonthFolder(GatewayName(8), 2006, 7) + "\n"})
        EXPECT_NE(std::string::npos, result.strStderr.find(strMessage)) << strMessage;
    EXPECT_NE(std::string::npos, result.strStderr.find("Warning: 7 files could not be read and "));
    EXPECT_EQ(2, result.nExitCode);
}

TEST_F(ParallelRun, DelimitedTextOfARangeThatEndsAReader)
{
    ProcessResult result = ExpectSameWithEveryThreadCount(
        {"-d", ";", "-a",
         "select date, time, vantgard, category, srcip, destip, destport, rule from all "
         "times 2006-06-01 06:00 to 2006-06-02 12:00 where category = 'CONN' or destport in (23, 80)"});
    EXPECT_GT(LineCount(result.strStdout), 300u);
    EXPECT_EQ(std::string::npos, result.strStdout.find("2006-06-02;12:"));
}

TEST_F(ParallelRun, JsonAndCsvOfSeveralRangesAndAFile)
{
    const std::string strFile = PathOf(1, 1, 0);
    ProcessResult json = ExpectSameWithEveryThreadCount(
        {"--json",
         "select time, srcip, destip, event, explanation from all where srcip in (10.0.0.0/8) or "
         "category = 'USERAUTH'"});
    EXPECT_GT(LineCount(json.strStdout), 500u);
    ProcessResult csv =
        ExpectSameWithEveryThreadCount({"--csv",
                                        "select date, time, vantgard, event, usage, connusage from gw01, gw07, GW02 "
                                        "times 2006-06-02 to 2006-06-03 and gw03, file '" +
                                            strFile +
                                            "', all "
                                            "times 2006-06-01 10:00 to 2006-06-01 20:00"});
    EXPECT_GT(LineCount(csv.strStdout), 300u);
}

TEST_F(ParallelRun, BinaryStreamAndAFilterThatMatchesNothing)
{
    ProcessResult binary = ExpectSameWithEveryThreadCount({"select binary from all times 2006-06-01 to 2006-06-03"});
    EXPECT_GT(binary.strStdout.size(), 100000u);
    ProcessResult nothing =
        ExpectSameWithEveryThreadCount({"-i", "i", "select event, srcip from all where event = 'no such event'"});
    EXPECT_EQ("", nothing.strStdout);
    EXPECT_EQ(2, nothing.nExitCode);
}

TEST_F(ParallelRun, ClosedPipeEndsAThreadedRunAtOnce)
{
    // Far more output than a pipe holds, and behind it a daily file that
    // is a pipe whose writer never writes: reading it would never end.
    for (int i = 0; i < 40000; ++i)
        m_db.AddEntry("gw00", LogTimeFromUtc(2006, 7, 1) + static_cast<LogTime>(i) * kLogTimeUnitsPerSecond,
                      SampleAuthEntry(static_cast<uint32_t>(i)));
    ASSERT_TRUE(m_db.WriteEntries());
    std::string strFifo = m_db.DailyFilePath("gw00", 2006, 7, 2, 0, ECompression::kPlain);
    ASSERT_EQ(0, mkfifo(strFifo.c_str(), 0644));
    int nWriter = open(strFifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(nWriter, 0);

    for (const char* pszThreads : {"1", "2", "8"}) {
        ProcessOptions options;
        options.aEnvironment = {"TZ=UTC"};
        options.nTimeoutSeconds = 30;
        ProcessResult result = RunProcess(
            "/bin/bash",
            {"-c", "\"$0\" --threads \"$1\" -r \"$2\" \"$3\" | head -1; echo \"status=${PIPESTATUS[0]}\"",
             SARNITH_BINARY, pszThreads, m_dir.Path(), "select username from gw00 times 2006-07-01 to 2006-07-03"},
            options);
        EXPECT_EQ("username=user0\nstatus=0\n", result.strStdout) << pszThreads;
        EXPECT_EQ("", result.strStderr) << pszThreads;
        EXPECT_EQ(0, result.nSignal) << pszThreads;
    }
    close(nWriter);
}

}  // namespace
