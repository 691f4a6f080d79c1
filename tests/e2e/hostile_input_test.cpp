// Hostile input through the real binary: damaged daily files, odd things in
// place of files and folders, hostile configurations and statements, and
// memory or file descriptors running out. Every case checks the exit
// status, the messages, and that the database folder is unchanged
// afterwards, byte for byte and time stamp for time stamp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "storage/log_file_format.h"
#include "testing/entry_builder.h"
#include "testing/log_db_writer.h"
#include "tests/common/process_runner.h"
#include "tests/common/temp_dir.h"
#include "tests/common/tree_snapshot.h"

using namespace testdata;

namespace {

const char* const kDays = "times 2006-06-01 to 2006-06-04";

// ---------------------------------------------------------------- entries and files

LogTime At(int nDay, int nHour, int nMinute = 0)
{
    return LogTimeFromUtc(2006, 6, nDay, nHour, nMinute);
}

std::vector<uint8_t> EventBody(const std::string& strEvent)
{
    CEntryBuilder builder;
    builder.Event(strEvent);
    return builder.Body();
}

// Lines of "select event" output, in time order, of entries written by a test.
class CExpected {
public:
    void Add(LogTime nTime, const std::string& strEvent) { m_aEntries.push_back({nTime, strEvent}); }
    std::string Lines() const
    {
        std::vector<std::pair<LogTime, std::string>> aSorted = m_aEntries;
        std::stable_sort(aSorted.begin(), aSorted.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::string strLines;
        for (const auto& entry : aSorted)
            strLines += "event=" + entry.second + "\n";
        return strLines;
    }

private:
    std::vector<std::pair<LogTime, std::string>> m_aEntries;
};

// nCount entries a minute apart from the hour on, events "<prefix>0", ...,
// and the end marker unless bEndMarker is false; with pExpected, the first
// nExpected of them (all when negative) are noted as expected in the output.
CDailyFile Events(int nDay, int nHour, const std::string& strPrefix, int nCount, CExpected* pExpected = nullptr,
                  int nExpected = -1, bool bEndMarker = true)
{
    CDailyFile file;
    for (int i = 0; i < nCount; ++i) {
        LogTime nTime = At(nDay, nHour, 0) + static_cast<LogTime>(i) * 60 * kLogTimeUnitsPerSecond;
        std::string strEvent = strPrefix + std::to_string(i);
        file.AddEntry(nTime, EventBody(strEvent));
        if (pExpected != nullptr && (nExpected < 0 || i < nExpected))
            pExpected->Add(nTime, strEvent);
    }
    if (bEndMarker)
        file.AddEndMarker();
    return file;
}

// One entry, "july0", on 2006-07-01 at 01:00.
CDailyFile JulyFile()
{
    CDailyFile file;
    file.AddEntry(LogTimeFromUtc(2006, 7, 1, 1), EventBody("july0")).AddEndMarker();
    return file;
}

// The number of whole entries in the bytes of a daily file.
int WholeEntries(const std::string& strFile)
{
    int nEntries = 0;
    size_t nPos = kLogFileHeaderSize;
    while (nPos + kLogEntryHeaderSize <= strFile.size()) {
        const uint8_t* pHeader = reinterpret_cast<const uint8_t*>(strFile.data()) + nPos;
        size_t nLength = ReadBigEndian16(pHeader + kEntryBodyLengthOffset);
        if (nLength == 0 || nPos + kLogEntryHeaderSize + nLength > strFile.size())
            break;
        nPos += kLogEntryHeaderSize + nLength;
        ++nEntries;
    }
    return nEntries;
}

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        CConfigWriter config;
        config.AddGateway("gw1", "10.0.0.1").AddGateway("gw2", "10.0.0.2");
        ASSERT_TRUE(m_db.WriteConfig(config));
    }

    std::string DailyPath(const char* pszGateway, int nDay, int nSequence, ECompression eCompression) const
    {
        return m_db.DailyFilePath(pszGateway, 2006, 6, nDay, nSequence, eCompression);
    }
    void Write(const char* pszGateway, int nDay, int nSequence, ECompression eCompression, const CDailyFile& file)
    {
        ASSERT_TRUE(m_db.WriteDailyFile(pszGateway, 2006, 6, nDay, nSequence, eCompression, file));
    }
    // Stored bytes as they are, whatever the name says.
    static void WriteStored(const std::string& strPath, const std::string& strBytes)
    {
        ASSERT_TRUE(WriteFileBytes(strPath, strBytes, ECompression::kPlain));
    }

    // A configuration of nCount gateways gw0, gw1, ..., each with one daily
    // file on 2006-06-01 of nEntries events from 01:00 on.
    void WriteGateways(int nCount, ECompression eCompression, int nEntries)
    {
        CConfigWriter config;
        for (int i = 0; i < nCount; ++i) {
            std::string strName = "gw" + std::to_string(i);
            config.AddGateway(strName, "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250));
            ASSERT_TRUE(
                m_db.WriteDailyFile(strName, 2006, 6, 1, 0, eCompression, Events(1, 1, strName + "-", nEntries)));
        }
        ASSERT_TRUE(m_db.WriteConfig(config));
    }

    // Runs sarnith on the database with the arguments and the statement
    // (when not empty) and checks that the database is unchanged.
    ProcessResult Run(const std::vector<std::string>& aArgs, const std::string& strStatement,
                      const ProcessOptions& options = ProcessOptions())
    {
        std::map<std::string, std::string> aBefore = TreeSnapshot(m_dir.Path());
        std::vector<std::string> aAll = {"-r", m_dir.Path()};
        aAll.insert(aAll.end(), aArgs.begin(), aArgs.end());
        if (!strStatement.empty())
            aAll.push_back(strStatement);
        ProcessResult result = RunSarnith(aAll, options);
        EXPECT_EQ(aBefore, TreeSnapshot(m_dir.Path())) << "the database changed";
        EXPECT_EQ(result.nSignal, 0);
        return result;
    }

    static void Expect(const ProcessResult& result, const std::string& strStdout, const std::string& strStderr,
                       int nExitCode)
    {
        EXPECT_EQ(strStdout, result.strStdout);
        EXPECT_EQ(strStderr, result.strStderr);
        EXPECT_EQ(nExitCode, result.nExitCode);
    }

    // "select event from all" over the first days of June 2006.
    ProcessResult RunAll() { return Run({}, std::string("select event from all ") + kDays); }

    CTempDir m_dir;
    CLogDatabase m_db{m_dir.Path()};
};

// Statement times are local times: the runs outside RunSarnith pin UTC too.
ProcessOptions Utc()
{
    ProcessOptions options;
    options.aEnvironment = {"TZ=UTC"};
    return options;
}

std::string Unread(int nFiles)
{
    return "Warning: " + std::to_string(nFiles) + (nFiles == 1 ? " file" : " files") + " could not be read\n";
}

}  // namespace

// ---------------------------------------------------------------- damaged daily files

TEST_F(HostileInput, TruncatedDailyFiles)
{
    CExpected expected;
    // Small compressed file cut in its deflate data.
    std::string strSmall = GzipBytes(Events(1, 1, "small", 20).Bytes());
    std::string strSmallCut = strSmall.substr(0, strSmall.size() - 12);
    WriteStored(DailyPath("gw1", 1, 0, ECompression::kGzip), strSmallCut);
    Events(1, 1, "small", 20, &expected, WholeEntries(GunzipPrefix(strSmallCut)));
    Write("gw1", 1, 1, ECompression::kPlain, Events(1, 5, "after-small", 2, &expected));
    // Plain file ending inside an entry header: still being written, no message.
    Write("gw1", 2, 0, ECompression::kPlain,
          Events(2, 1, "plain", 4, &expected, -1, false).AddCutEntryHeader(At(2, 1, 4), 11, 9));
    Write("gw1", 2, 1, ECompression::kGzip, Events(2, 5, "after-plain", 2, &expected));
    // Large compressed file cut in the middle.
    std::string strLarge = GzipBytes(Events(1, 2, "large", 3000).Bytes());
    std::string strLargeCut = strLarge.substr(0, strLarge.size() / 2);
    WriteStored(DailyPath("gw2", 1, 0, ECompression::kGzip), strLargeCut);
    int nLargeWhole = WholeEntries(GunzipPrefix(strLargeCut));
    ASSERT_GT(nLargeWhole, 1000);
    Events(1, 2, "large", 3000, &expected, nLargeWhole);
    Write("gw2", 3, 0, ECompression::kGzip, Events(3, 1, "later", 3, &expected));

    Expect(RunAll(), expected.Lines(),
           "Failed to read " + DailyPath("gw1", 1, 0, ECompression::kGzip) + "\nFailed to read " +
               DailyPath("gw2", 1, 0, ECompression::kGzip) + "\n" + Unread(2),
           2);
}

TEST_F(HostileInput, FlippedBitsInDailyFiles)
{
    // A flipped bit in small and large compressed data: read up to the damage.
    std::string strSmall = GzipBytes(Events(1, 1, "small", 30).Bytes());
    strSmall[strSmall.size() / 2] = static_cast<char>(strSmall[strSmall.size() / 2] ^ 0x04);
    WriteStored(DailyPath("gw1", 1, 0, ECompression::kGzip), strSmall);
    std::string strLarge = GzipBytes(Events(2, 1, "large", 3000).Bytes());
    strLarge[strLarge.size() / 2] = static_cast<char>(strLarge[strLarge.size() / 2] ^ 0x40);
    WriteStored(DailyPath("gw1", 2, 0, ECompression::kGzip), strLarge);
    // A wrong CRC on intact data: every entry comes out, and the damage is told.
    CGzipMemberOptions badCrc;
    badCrc.m_nCrcFlip = 0x80;
    WriteStored(DailyPath("gw2", 1, 0, ECompression::kGzip), GzipMember(Events(1, 3, "crc", 10).Bytes(), badCrc));
    // A flipped bit in an element length of a plain file: that entry cannot be decoded whole.
    std::string strPlain = Events(1, 5, "plain", 3).Bytes();
    strPlain[kLogFileHeaderSize + kLogEntryHeaderSize + 2] ^= 0x40;  // the first entry's event element length
    WriteStored(DailyPath("gw2", 1, 1, ECompression::kPlain), strPlain);

    ProcessResult result = RunAll();
    // What came out of the damaged compressed files is only a part of them.
    std::string strOut = result.strStdout;
    EXPECT_EQ(std::string::npos, strOut.find("event=small29\n"));
    EXPECT_EQ(std::string::npos, strOut.find("event=large2999\n"));
    EXPECT_NE(std::string::npos, strOut.find("event=crc9\nevent=plain1\nevent=plain2\nevent=large0\n"));
    EXPECT_EQ(std::string::npos, strOut.find("event=plain0\n"));
    EXPECT_EQ("Failed to read " + DailyPath("gw1", 1, 0, ECompression::kGzip) + "\nFailed to read " +
                  DailyPath("gw2", 1, 0, ECompression::kGzip) + "\nFailed to read " +
                  DailyPath("gw1", 2, 0, ECompression::kGzip) +
                  "\nWarning: 3 files could not be read and 1 entry could not be decoded\n",
              result.strStderr);
    EXPECT_EQ(2, result.nExitCode);
}

TEST_F(HostileInput, GzipMembersTrailingGarbageAndEmptyMembers)
{
    CExpected expected;
    std::string strFirst = Events(1, 1, "a", 2, &expected).Bytes();
    // Several members make one file: the second one continues the entries.
    WriteStored(DailyPath("gw1", 1, 0, ECompression::kGzip),
                GzipMember(strFirst.substr(0, 30)) + GzipMember("") + GzipMember(strFirst.substr(30)) + "garbage");
    WriteStored(DailyPath("gw1", 1, 1, ECompression::kGzip), GzipMember(""));  // an empty member alone
    WriteStored(DailyPath("gw1", 1, 2, ECompression::kGzip),
                GzipBytes(Events(1, 3, "b", 2, &expected).Bytes()) + std::string(5000, '\xff'));
    Write("gw2", 1, 0, ECompression::kGzip, Events(1, 2, "c", 2, &expected));
    Expect(RunAll(), expected.Lines(), "", 0);
}

TEST_F(HostileInput, HeaderTimesOutOfOrderAndBodiesPastTheEnd)
{
    CExpected expected;
    // First time after the last: the entries are still read one by one.
    Write("gw1", 1, 0, ECompression::kPlain,
          Events(1, 1, "swapped", 3, &expected).SetFirstTime(At(1, 23)).SetLastTime(At(1, 0, 30)));
    // A body length running past the end: a plain file may still be
    // growing and is left quietly; a compressed one has ended.
    CDailyFile plain = Events(2, 1, "plain", 2, &expected, -1, false);
    plain.AddCutEntry(At(2, 3), std::string(60000, 'x'), 100);
    Write("gw1", 2, 0, ECompression::kPlain, plain);
    CDailyFile gzip = Events(2, 4, "gzip", 2, &expected, -1, false);
    gzip.AddCutEntry(At(2, 5), std::string(60000, 'x'), 100);
    Write("gw2", 2, 0, ECompression::kGzip, gzip);
    Write("gw2", 2, 1, ECompression::kGzip, Events(2, 6, "next", 1, &expected));
    Expect(RunAll(), expected.Lines(), "There is an error in one of the log files\n" + Unread(1), 2);
}

TEST_F(HostileInput, MostOneByteElementsAnEntryCanHold)
{
    CEntryBuilder builder;
    for (int i = 0; i < 65535 / 5; ++i)
        builder.Element(TAG_EVENT, {static_cast<uint8_t>('a' + i % 26)});
    ASSERT_EQ(65535, builder.Length());
    CDailyFile file;
    file.AddEntry(At(1, 1), builder.Body()).AddEndMarker();
    Write("gw1", 1, 0, ECompression::kGzip, file);
    // Decoded whole; the last of the 13107 event elements wins.
    Expect(Run({}, std::string("select event from gw1 ") + kDays),
           "event=" + std::string(1, static_cast<char>('a' + 13106 % 26)) + "\n", "", 0);
}

// ---------------------------------------------------------------- odd things in place of files and folders

TEST_F(HostileInput, PipesFoldersAndLinksInPlaceOfDailyFiles)
{
    CExpected expected;
    std::string strFifo = DailyPath("gw1", 1, 0, ECompression::kPlain);
    std::string strFolder = DailyPath("gw1", 2, 0, ECompression::kGzip);
    std::string strLoop = DailyPath("gw2", 1, 0, ECompression::kPlain);
    std::string strDangling = DailyPath("gw2", 2, 0, ECompression::kGzip);
    Write("gw1", 1, 1, ECompression::kPlain, Events(1, 1, "after-fifo", 1, &expected));
    Write("gw1", 2, 1, ECompression::kPlain, Events(2, 1, "after-folder", 1, &expected));
    Write("gw2", 1, 1, ECompression::kPlain, Events(1, 2, "after-loop", 1, &expected));
    Write("gw2", 2, 1, ECompression::kPlain, Events(2, 2, "after-dangling", 1, &expected));
    ASSERT_EQ(0, mkfifo(strFifo.c_str(), 0644));
    ASSERT_EQ(0, mkdir(strFolder.c_str(), 0755));
    ASSERT_EQ(0, symlink("1-0.osl", strLoop.c_str()));
    ASSERT_EQ(0, symlink("nowhere.gz", strDangling.c_str()));
    Expect(RunAll(), expected.Lines(),
           "Failed to open " + strLoop + "\nFailed to open " + strFolder + "\nFailed to open " + strDangling + "\n" +
               Unread(3),
           2);
}

TEST_F(HostileInput, MonthFolderThatIsAFile)
{
    CExpected expected;
    std::string strJune = m_db.MonthFolder("gw1", 2006, 6);
    WriteStored(strJune, "a file, not a month");
    ASSERT_TRUE(m_db.WriteDailyFile("gw1", 2006, 7, 1, 0, ECompression::kPlain, JulyFile()));
    Write("gw2", 1, 0, ECompression::kPlain, Events(1, 1, "gw2-", 1, &expected));
    Expect(Run({}, "select event from all times 2006-06-01 to 2006-07-02"), expected.Lines() + "event=july0\n",
           "Failed to open " + strJune + "\n" + Unread(1), 2);
}

TEST_F(HostileInput, FolderThatCannotBeSearchedAndFileThatCannotBeRead)
{
    // Only a user without privileges meets them: as the superuser the run
    // takes that user's identity.
    std::vector<std::string> aPrefix;
    if (geteuid() == 0) {
        if (access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "running as the superuser without setpriv";
        aPrefix = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    }
    CExpected expected;
    std::string strJune = m_db.MonthFolder("gw1", 2006, 6);
    Write("gw1", 1, 0, ECompression::kPlain, Events(1, 1, "hidden", 1));
    ASSERT_TRUE(m_db.WriteDailyFile("gw1", 2006, 7, 1, 0, ECompression::kPlain, JulyFile()));
    std::string strLocked = DailyPath("gw2", 1, 0, ECompression::kGzip);
    Write("gw2", 1, 0, ECompression::kGzip, Events(1, 1, "locked", 1));
    Write("gw2", 1, 1, ECompression::kGzip, Events(1, 2, "same-day", 1));
    Write("gw2", 2, 0, ECompression::kGzip, Events(2, 1, "next-day", 1, &expected));
    ASSERT_EQ(0, chmod(strJune.c_str(), 0644));
    ASSERT_EQ(0, chmod(strLocked.c_str(), 0200));
    ASSERT_EQ(0, chmod(m_dir.Path().c_str(), 0755));  // the rest may be read by everyone

    std::map<std::string, std::string> aBefore = TreeSnapshot(m_dir.Path());
    std::vector<std::string> aArgs = aPrefix;
    aArgs.insert(aArgs.end(),
                 {SARNITH_BINARY, "-r", m_dir.Path(), "select event from all times 2006-06-01 to 2006-07-02"});
    ProcessResult result = RunProcess(aArgs[0], std::vector<std::string>(aArgs.begin() + 1, aArgs.end()), Utc());
    EXPECT_EQ(aBefore, TreeSnapshot(m_dir.Path()));
    Expect(result, expected.Lines() + "event=july0\n",
           "Access denied to file " + strJune + "\nAccess denied to file " + strLocked + "\n" + Unread(2), 2);
}

// ---------------------------------------------------------------- hostile configurations and statements

TEST_F(HostileInput, ConfigurationsThatAreNoFileOrTooMuch)
{
    std::string strConfig = m_dir / kConfigFileName;
    const std::string strUnread = "Error: Failed to read the " + strConfig + "\n";
    const std::string strStatement = std::string("select event from all ") + kDays;
    ASSERT_EQ(0, unlink(strConfig.c_str()));
    ASSERT_EQ(0, mkfifo(strConfig.c_str(), 0644));
    Expect(Run({}, strStatement), "", strUnread, 1);
    ASSERT_EQ(0, unlink(strConfig.c_str()));
    ASSERT_EQ(0, symlink("/dev/zero", strConfig.c_str()));
    Expect(Run({}, strStatement), "", strUnread, 1);
    ASSERT_EQ(0, unlink(strConfig.c_str()));
    ASSERT_EQ(0, mkdir(strConfig.c_str(), 0755));
    Expect(Run({}, strStatement), "", strUnread, 1);
    ASSERT_EQ(0, rmdir(strConfig.c_str()));
    // Read up to 1 MiB: one byte more is refused.
    ASSERT_TRUE(WriteConfigText(m_dir.Path(), std::string(1024 * 1024 + 1, '#')));
    Expect(Run({}, strStatement), "Failed to get string from config file.\r\n", "", 1);
}

TEST_F(HostileInput, ConfigurationsWithTenThousandGatewaysOrLongLines)
{
    CConfigWriter many;
    for (int i = 0; i < 10000; ++i)
        many.AddGateway("gw" + std::to_string(i),
                        "10.0." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256));
    ASSERT_TRUE(m_db.WriteConfig(many));
    Expect(Run({}, std::string("select event from gw1 ") + kDays),
           "The NRFIREWALLS parameter must be in the range from 0 to 512.\r\n", "", 1);
    // 512 of them are taken; the rest are never looked at.
    many.Set("NRFIREWALLS", "512");
    ASSERT_TRUE(m_db.WriteConfig(many));
    Write("gw511", 1, 0, ECompression::kPlain, Events(1, 1, "last", 1));
    Expect(Run({}, std::string("select event from gw511 ") + kDays), "event=last0\n", "", 0);

    // A line longer than 1022 characters goes on as a line of its own.
    CConfigWriter longName;
    longName.AddGateway("gw1" + std::string(2000, 'n'), "10.0.0.1");
    ASSERT_TRUE(m_db.WriteConfig(longName));
    Expect(Run({}, std::string("select event from gw1 ") + kDays),
           "Error parsing line '" + std::string(235, 'n') + "\r\n", "", 1);
}

TEST_F(HostileInput, StatementsOfAHundredThousandCharactersAndDeepNesting)
{
    Write("gw1", 1, 0, ECompression::kPlain, Events(1, 1, "a", 3));
    std::string strWide = std::string("select event from gw1 ") + kDays + " where event = a2";
    while (strWide.size() < 100000)
        strWide += " or event = x" + std::to_string(strWide.size());
    Expect(Run({}, strWide), "event=a2\n", "", 0);

    std::string strDeep = std::string("select event from gw1 ") + kDays + " where " + std::string(49000, '(') +
                          "event = a1" + std::string(49000, ')');
    Expect(Run({}, strDeep), "", "((((((((((((\n      ^ Error: The search statement is nested too deeply\n", 1);
}

// ---------------------------------------------------------------- scarce memory and descriptors

// Memory running out inside zlib: under a rising limit of address space a
// run either gets its memory or fails in a way it tells; when the inflate
// engine is what runs short, the file is reported and the other gateways
// are still read. The run in one thread fails before it has reported
// anything; with worker threads, which read ahead, a failure may follow
// the files reported before it.
TEST_F(HostileInput, MemoryRunningOutInsideZlib)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs far more address space than any limit tried here";
#else
    WriteGateways(300, ECompression::kGzip, 3);
    const std::string strStatement = std::string("select event from all ") + kDays;

    for (const char* pszThreads : {"1", "2"}) {
        const bool bSequential = std::string(pszThreads) == "1";
        int nZlibFailures = 0;
        bool bWhole = false;
        for (int nLimit = 4096; nLimit <= 262144 && !bWhole; nLimit += bSequential ? 1024 : 4096) {
            std::map<std::string, std::string> aBefore = TreeSnapshot(m_dir.Path());
            ProcessResult result = RunProcess(
                "/bin/sh",
                {"-c", "ulimit -v " + std::to_string(nLimit) + " && exec \"$0\" --threads \"$1\" -r \"$2\" \"$3\"",
                 SARNITH_BINARY, pszThreads, m_dir.Path(), strStatement},
                Utc());
            EXPECT_EQ(aBefore, TreeSnapshot(m_dir.Path()));
            ASSERT_EQ(0, result.nSignal) << nLimit << " threads " << pszThreads << ": " << result.strStderr;
            if (result.nExitCode == 127)
                continue;  // too little to start the program at all
            // Failures of the inflate engine only, then the warning or the
            // unknown error that ended the run.
            size_t nLines = 0;
            std::istringstream lines(result.strStderr);
            std::string strLine;
            std::string strLast;
            while (std::getline(lines, strLine)) {
                ++nLines;
                strLast = strLine;
                if (strLine.rfind("Warning: ", 0) == 0)
                    EXPECT_EQ(Unread(static_cast<int>(nLines) - 1), strLine + "\n");
                else if (strLine.rfind("Error: ", 0) == 0)
                    EXPECT_EQ("Error: An unknown error was detected while processing the input query", strLine);
                else
                    EXPECT_EQ(0u, strLine.rfind("Failed to read " + m_dir.Path(), 0)) << strLine;
            }
            if (result.nExitCode == 1) {
                EXPECT_EQ("Error: An unknown error was detected while processing the input query", strLast);
                if (bSequential) {
                    EXPECT_EQ(1u, nLines) << nLimit;
                }
            } else if (result.nExitCode == 2) {
                ++nZlibFailures;
            } else {
                EXPECT_EQ(0, result.nExitCode) << nLimit;
                EXPECT_EQ("", result.strStderr);
                EXPECT_EQ(900, std::count(result.strStdout.begin(), result.strStdout.end(), '\n'));
                bWhole = true;
            }
        }
        EXPECT_TRUE(bWhole) << pszThreads;
        if (bSequential) {
            EXPECT_GT(nZlibFailures, 0);
        }
    }
#endif
}

// A run in one thread needs one descriptor per reader: 512 gateways in
// three ranges are 1536 readers. The soft limit is raised to the hard one
// at start; what still cannot be opened is reported, never passed over.
// Worker threads close each file once it is read, so they need far fewer,
// and what they cannot open is reported all the same.
TEST_F(HostileInput, FileDescriptorsRunningOut)
{
    WriteGateways(512, ECompression::kPlain, 1);
    const std::string strStatement =
        "select event from all times 2006-06-01 to 2006-06-02 "
        "and all times 2006-06-01 01:00 to 2006-06-02 "
        "and all times 2006-05-31 to 2006-06-01 02:00";
    const std::string strRun = " && exec \"$0\" --threads \"$1\" -r \"$2\" \"$3\"";

    std::map<std::string, std::string> aBefore = TreeSnapshot(m_dir.Path());
#if !defined(__SANITIZE_ADDRESS__)
    // (The sanitizers' runtime needs descriptors of its own for its memory
    // probes and would report false faults once they run out.)
    for (const char* pszThreads : {"1", "4"}) {
        ProcessResult starved = RunProcess(
            "/bin/sh", {"-c", "ulimit -n 64" + strRun, SARNITH_BINARY, pszThreads, m_dir.Path(), strStatement}, Utc());
        EXPECT_EQ(aBefore, TreeSnapshot(m_dir.Path()));
        // Every reader either wrote its entry or reported its file.
        int nWritten = static_cast<int>(std::count(starved.strStdout.begin(), starved.strStdout.end(), '\n'));
        int nReported = 0;
        std::istringstream lines(starved.strStderr);
        std::string strLine;
        while (std::getline(lines, strLine) && strLine.rfind("Failed to open " + m_dir.Path(), 0) == 0)
            ++nReported;
        EXPECT_EQ(1536, nWritten + nReported) << pszThreads;
        if (std::string(pszThreads) == "1") {
            EXPECT_GT(nReported, 1000);
            EXPECT_EQ(Unread(nReported), strLine + "\n");
        } else {
            EXPECT_EQ(nReported == 0 ? "" : Unread(nReported), nReported == 0 ? strLine : strLine + "\n");
        }
        EXPECT_EQ(nReported == 0 ? 0 : 2, starved.nExitCode) << pszThreads;
    }
#endif

    // With only the soft limit low, the raise at start is enough.
    struct rlimit limit;
    ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &limit));
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 1600)
        GTEST_SKIP() << "the hard limit of open files is too low for 1536 readers";
    ProcessResult raised = RunProcess(
        "/bin/sh", {"-c", "ulimit -S -n 256" + strRun, SARNITH_BINARY, "1", m_dir.Path(), strStatement}, Utc());
    EXPECT_EQ(aBefore, TreeSnapshot(m_dir.Path()));
    EXPECT_EQ("", raised.strStderr);
    EXPECT_EQ(0, raised.nExitCode);
    EXPECT_EQ(1536, std::count(raised.strStdout.begin(), raised.strStdout.end(), '\n'));
}
