// The log file reader on real daily files: the walk over days, months and
// sequence numbers, plain and compressed files, the time range, and damaged,
// cut, unreadable or special files with their messages.
#include "storage/log_file_reader.h"

#include "storage/log_file_format.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "testing/log_db_writer.h"
#include "tests/common/process_runner.h"
#include "tests/common/recorded_messages.h"
#include "tests/common/temp_dir.h"

namespace {

using testdata::CDailyFile;
using testdata::ECompression;
using testdata::LogTimeFromUtc;
using testdata::UtcTm;

const ECompression kPlain = ECompression::kPlain;
const ECompression kGzip = ECompression::kGzip;
const char* const kGateway = "gw-east";

struct CReadResult {
    std::vector<LogTime> aTimes;
    std::vector<std::string> aBodies;
    std::string strMessages;  // as the query run prints them
};

// Everything a reader hands out, with the messages it has reported to
// messages since that was made.
CReadResult ReadAll(CLogFileReader& reader, const CRecordedMessages& messages)
{
    CReadResult result;
    CLogEntry entry;
    while (reader.ReadEntry(entry)) {
        result.aTimes.push_back(entry.GetTime());
        result.aBodies.push_back(std::string(reinterpret_cast<const char*>(entry.m_pBody), entry.m_nLength));
    }
    result.strMessages = messages.m_strText;
    return result;
}

// A reader of the file at strPath in single-file mode, read whole.
CReadResult ReadSingleFile(const std::string& strPath, const struct tm& tmStart, const struct tm& tmEnd)
{
    CRecordedMessages messages;
    CLogFileReader reader(messages, strPath.c_str(), tmStart, tmEnd);
    return ReadAll(reader, messages);
}

// A daily file of entries whose bodies name their time ("06-20 10:00:00").
CDailyFile FileOf(const std::vector<LogTime>& aTimes, bool bEndMarker = true)
{
    CDailyFile file;
    for (LogTime nTime : aTimes) {
        testdata::CUtcDate date = testdata::UtcDateOf(nTime);
        char szBody[64];
        std::snprintf(szBody, sizeof(szBody), "%04d-%02d-%02d %02d:%02d:%02d", date.m_nYear, date.m_nMonth, date.m_nDay,
                      date.m_nHour, date.m_nMinute, date.m_nSecond);
        file.AddEntry(nTime, std::string(szBody));
    }
    if (bEndMarker)
        file.AddEndMarker();
    return file;
}

class CReaderTest : public testing::Test {
protected:
    CReaderTest() : m_db(m_dir.Path()) {}

    void Write(int nYear, int nMonth, int nDay, int nSequence, ECompression eCompression, const CDailyFile& file)
    {
        ASSERT_TRUE(m_db.WriteDailyFile(kGateway, nYear, nMonth, nDay, nSequence, eCompression, file));
    }
    std::string PathOf(int nYear, int nMonth, int nDay, int nSequence, ECompression eCompression) const
    {
        return m_db.DailyFilePath(kGateway, nYear, nMonth, nDay, nSequence, eCompression);
    }
    // Reads the gateway between two UTC times.
    CReadResult Walk(LogTime nStart, LogTime nEnd, const char* pszGateway = kGateway)
    {
        CRecordedMessages messages;
        CLogFileReader reader(messages, pszGateway, m_dir.Path().c_str(), TmOf(nStart), TmOf(nEnd));
        return ReadAll(reader, messages);
    }
    // Walk, as the unprivileged user when the test runs as the superuser, who
    // may read every file. What that user must read has to be open to all.
    CReadResult WalkWithoutPrivileges(LogTime nStart, LogTime nEnd)
    {
        if (geteuid() != 0)
            return Walk(nStart, nEnd);
        std::string strText;
        bool bRan = RunAsUnprivilegedUser(
            [&] {
                CReadResult walked = Walk(nStart, nEnd);
                std::string strTimes;
                for (LogTime nTime : walked.aTimes)
                    strTimes += std::to_string(nTime) + " ";
                return strTimes + "\n" + walked.strMessages;
            },
            strText);
        EXPECT_TRUE(bRan) << "the walk as user 65534 failed";
        CReadResult result;
        size_t nLineEnd = strText.find('\n');
        std::istringstream times(strText.substr(0, nLineEnd));
        for (LogTime nTime = 0; times >> nTime;)
            result.aTimes.push_back(nTime);
        if (nLineEnd != std::string::npos)
            result.strMessages = strText.substr(nLineEnd + 1);
        return result;
    }
    static struct tm TmOf(LogTime nTime)
    {
        testdata::CUtcDate date = testdata::UtcDateOf(nTime);
        return UtcTm(date.m_nYear, date.m_nMonth, date.m_nDay, date.m_nHour, date.m_nMinute, date.m_nSecond);
    }

    CTempDir m_dir;
    testdata::CLogDatabase m_db;
};

LogTime At(int nMonth, int nDay, int nHour = 0, int nMinute = 0, int nSecond = 0)
{
    return LogTimeFromUtc(2006, nMonth, nDay, nHour, nMinute, nSecond);
}

// 300 entries of 400 bytes a second apart from 2006-06-20 00:00: far more
// uncompressed bytes than the compressed file holds. aTimes receives their
// times.
CDailyFile LargeFile(std::vector<LogTime>& aTimes)
{
    CDailyFile file;
    for (int n = 0; n < 300; ++n) {
        aTimes.push_back(At(6, 20, 0, 0, n));
        file.AddEntry(aTimes.back(), std::string(400, 'q'));
    }
    return file;
}

// Writes the file as the first of 2006-06-20 in a database of its own,
// followed by a sound file holding one entry at 03:00, and reads that day.
CReadResult ReadFileAndTheNext(const CDailyFile& file, ECompression eCompression)
{
    CTempDir dir;
    testdata::CLogDatabase db(dir.Path());
    CReadResult result;
    EXPECT_TRUE(db.WriteDailyFile(kGateway, 2006, 6, 20, 0, eCompression, file));
    EXPECT_TRUE(db.WriteDailyFile(kGateway, 2006, 6, 20, 1, eCompression, FileOf({At(6, 20, 3)})));
    CRecordedMessages messages;
    CLogFileReader reader(messages, kGateway, dir.Path().c_str(), UtcTm(2006, 6, 20), UtcTm(2006, 6, 21));
    return ReadAll(reader, messages);
}

// ---------------------------------------------------------------- the walk

TEST_F(CReaderTest, WalksDaysAcrossAMonthEndAndKeepsToTheRange)
{
    Write(2006, 6, 29, 0, kPlain, FileOf({At(6, 29, 12)}));
    Write(2006, 6, 30, 0, kPlain, FileOf({At(6, 30, 8), At(6, 30, 10), At(6, 30, 23, 59, 59)}));
    Write(2006, 7, 1, 0, kGzip, FileOf({At(7, 1, 0), At(7, 1, 2), At(7, 1, 2, 0, 1)}));
    Write(2006, 7, 2, 0, kPlain, FileOf({At(7, 2, 1)}));

    CReadResult result = Walk(At(6, 30, 10), At(7, 1, 2));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 30, 10), At(6, 30, 23, 59, 59), At(7, 1, 0), At(7, 1, 2)}));
    EXPECT_EQ(result.aBodies.front(), "2006-06-30 10:00:00");
    EXPECT_EQ(result.aBodies.back(), "2006-07-01 02:00:00");
    EXPECT_EQ(result.strMessages, "");
}

TEST_F(CReaderTest, ReadsSequenceNumbersUntilTheFirstGap)
{
    Write(2006, 6, 20, 0, kPlain, FileOf({At(6, 20, 1)}));
    Write(2006, 6, 20, 1, kGzip, FileOf({At(6, 20, 2)}));
    Write(2006, 6, 20, 3, kPlain, FileOf({At(6, 20, 4)}));  // behind the gap at 2
    Write(2006, 6, 21, 0, kGzip, FileOf({At(6, 21, 1)}));
    Write(2006, 6, 21, 1, kPlain, FileOf({At(6, 21, 2)}));
    Write(2006, 6, 22, 1, kPlain, FileOf({At(6, 22, 2)}));  // no file 0 that day

    CReadResult result = Walk(At(6, 20), At(6, 23));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 1), At(6, 20, 2), At(6, 21, 1), At(6, 21, 2)}));
}

TEST_F(CReaderTest, PlainFileTakesPrecedenceOverCompressedOne)
{
    Write(2006, 6, 20, 0, kPlain, FileOf({At(6, 20, 1)}));
    Write(2006, 6, 20, 0, kGzip, FileOf({At(6, 20, 2)}));
    Write(2006, 6, 20, 1, kGzip, FileOf({At(6, 20, 3)}));

    CReadResult result = Walk(At(6, 20), At(6, 21));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 1), At(6, 20, 3)}));
}

TEST_F(CReaderTest, LeapDaysAndYearEnds)
{
    ASSERT_TRUE(m_db.WriteDailyFile(kGateway, 2008, 2, 28, 0, kPlain, FileOf({LogTimeFromUtc(2008, 2, 28, 5)})));
    ASSERT_TRUE(m_db.WriteDailyFile(kGateway, 2008, 2, 29, 0, kPlain, FileOf({LogTimeFromUtc(2008, 2, 29, 5)})));
    ASSERT_TRUE(m_db.WriteDailyFile(kGateway, 2008, 3, 1, 0, kPlain, FileOf({LogTimeFromUtc(2008, 3, 1, 5)})));
    // A 29th of February in a common year lies outside the calendar: never visited.
    ASSERT_TRUE(m_db.WriteDailyFile(kGateway, 2007, 2, 28, 0, kPlain, FileOf({LogTimeFromUtc(2007, 2, 28, 5)})));
    ASSERT_TRUE(m_db.WriteDailyFile(kGateway, 2007, 2, 29, 0, kPlain, FileOf({LogTimeFromUtc(2007, 3, 1, 4)})));
    ASSERT_TRUE(m_db.WriteDailyFile(kGateway, 2007, 3, 1, 0, kPlain, FileOf({LogTimeFromUtc(2007, 3, 1, 5)})));
    ASSERT_TRUE(m_db.WriteDailyFile(kGateway, 2006, 12, 31, 0, kGzip, FileOf({LogTimeFromUtc(2006, 12, 31, 23)})));
    ASSERT_TRUE(m_db.WriteDailyFile(kGateway, 2007, 1, 1, 0, kPlain, FileOf({LogTimeFromUtc(2007, 1, 1, 1)})));

    EXPECT_EQ(Walk(LogTimeFromUtc(2008, 2, 28), LogTimeFromUtc(2008, 3, 2)).aTimes,
              (std::vector<LogTime>{LogTimeFromUtc(2008, 2, 28, 5), LogTimeFromUtc(2008, 2, 29, 5),
                                    LogTimeFromUtc(2008, 3, 1, 5)}));
    EXPECT_EQ(Walk(LogTimeFromUtc(2007, 2, 28), LogTimeFromUtc(2007, 3, 2)).aTimes,
              (std::vector<LogTime>{LogTimeFromUtc(2007, 2, 28, 5), LogTimeFromUtc(2007, 3, 1, 5)}));
    EXPECT_EQ(Walk(LogTimeFromUtc(2006, 12, 31), LogTimeFromUtc(2007, 1, 2)).aTimes,
              (std::vector<LogTime>{LogTimeFromUtc(2006, 12, 31, 23), LogTimeFromUtc(2007, 1, 1, 1)}));
}

TEST_F(CReaderTest, MissingFoldersSkipSilently)
{
    Write(2006, 5, 31, 0, kPlain, FileOf({At(5, 31, 1)}));
    // No folder for June; July has one.
    Write(2006, 7, 1, 0, kPlain, FileOf({At(7, 1, 1)}));
    Write(2006, 7, 15, 0, kPlain, FileOf({At(7, 15, 1)}));

    CReadResult result = Walk(At(5, 31), At(7, 31));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(5, 31, 1), At(7, 1, 1), At(7, 15, 1)}));
    EXPECT_EQ(result.strMessages, "");

    CReadResult missing = Walk(At(1, 1), LogTimeFromUtc(2010, 1, 1), "no-such-gateway");
    EXPECT_TRUE(missing.aTimes.empty());
    EXPECT_EQ(missing.strMessages, "");
}

TEST_F(CReaderTest, EndBeforeStartReadsNothing)
{
    Write(2006, 6, 20, 0, kPlain, FileOf({At(6, 20, 1)}));
    EXPECT_TRUE(Walk(At(6, 21), At(6, 20)).aTimes.empty());
}

TEST_F(CReaderTest, RootEndingWithASeparatorStillFindsFiles)
{
    Write(2006, 6, 20, 0, kPlain, FileOf({At(6, 20, 1)}));
    std::string strRoot = m_dir.Path() + "/";
    CRecordedMessages messages;
    CLogFileReader reader(messages, kGateway, strRoot.c_str(), TmOf(At(6, 20)), TmOf(At(6, 21)));
    EXPECT_EQ(ReadAll(reader, messages).aTimes.size(), 1u);
}

TEST_F(CReaderTest, UnreadableFileIsReportedAndSkipsTheRestOfItsDay)
{
    Write(2006, 6, 20, 0, kPlain, FileOf({At(6, 20, 1)}));
    Write(2006, 6, 20, 1, kGzip, FileOf({At(6, 20, 2)}));
    Write(2006, 6, 20, 2, kPlain, FileOf({At(6, 20, 3)}));
    Write(2006, 6, 21, 0, kPlain, FileOf({At(6, 21, 1)}));
    m_dir.OpenToAllUsers();
    std::string strLocked = PathOf(2006, 6, 20, 1, kGzip);
    ASSERT_EQ(chmod(strLocked.c_str(), 0), 0);

    CReadResult result = WalkWithoutPrivileges(At(6, 20), At(6, 22));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 1), At(6, 21, 1)}));
    EXPECT_EQ(result.strMessages, "Access denied to file " + m_dir.Path() + "/gw-east/200606/20-1.gz\n");
}

// ---------------------------------------------------------------- range and file header

TEST_F(CReaderTest, EntriesAtTheRangeEdgesCount)
{
    LogTime nStart = At(6, 20, 10);
    LogTime nEnd = At(6, 20, 12);
    Write(2006, 6, 20, 0, kPlain, FileOf({nStart - 1, nStart, At(6, 20, 11), nEnd, nEnd + 1}));

    CReadResult result = Walk(nStart, nEnd);
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{nStart, At(6, 20, 11), nEnd}));
}

TEST_F(CReaderTest, FileStartingAtTheRangeEndEndsTheReader)
{
    LogTime nEnd = At(6, 20, 12);
    Write(2006, 6, 20, 0, kPlain, FileOf({At(6, 20, 11)}));
    Write(2006, 6, 20, 1, kPlain, FileOf({nEnd}));
    Write(2006, 6, 20, 2, kPlain, FileOf({At(6, 20, 11, 30)}).SetFirstTime(nEnd));

    CReadResult result = Walk(At(6, 20), nEnd);
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 11)}));
    EXPECT_EQ(result.strMessages, "");
}

TEST_F(CReaderTest, FileEndingBeforeTheRangeIsPassedOver)
{
    // The header claims the file ends before the range: its entries are not looked at.
    Write(2006, 6, 20, 0, kPlain, FileOf({At(6, 20, 11)}).SetLastTime(At(6, 20, 9)));
    Write(2006, 6, 20, 1, kGzip, FileOf({At(6, 20, 8), At(6, 20, 11, 30)}));

    CReadResult result = Walk(At(6, 20, 10), At(6, 20, 12));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 11, 30)}));
}

TEST_F(CReaderTest, FileWithoutLastTimeIsReadEntryByEntry)
{
    Write(2006, 6, 20, 0, kGzip,
          FileOf({At(6, 20, 8), At(6, 20, 11), At(6, 20, 13), At(6, 20, 11, 30)}, false).SetLastTime(0));

    CReadResult result = Walk(At(6, 20, 10), At(6, 20, 12));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 11), At(6, 20, 11, 30)}));
}

// ---------------------------------------------------------------- broken files

TEST_F(CReaderTest, WrongTagIsReportedAndTheWalkGoesOn)
{
    Write(2006, 6, 20, 0, kPlain, FileOf({At(6, 20, 1)}).SetTag("LOX"));
    Write(2006, 6, 20, 1, kGzip, FileOf({At(6, 20, 2)}).SetTag("GOL"));
    Write(2006, 6, 20, 2, kPlain, FileOf({At(6, 20, 3)}));
    Write(2006, 6, 21, 0, kPlain, FileOf({At(6, 21, 1)}));

    CReadResult result = Walk(At(6, 20), At(6, 22));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 3), At(6, 21, 1)}));
    EXPECT_EQ(result.strMessages, "Expected the LOG tag but found LOX\nExpected the LOG tag but found GOL\n");

    // A named file has no next file: its reader ends.
    CReadResult single = ReadSingleFile(PathOf(2006, 6, 20, 0, kPlain), TmOf(At(6, 20)), TmOf(At(6, 22)));
    EXPECT_TRUE(single.aTimes.empty());
    EXPECT_EQ(single.strMessages, "Expected the LOG tag but found LOX\n");
}

TEST_F(CReaderTest, ShortPlainFilesArePassedOver)
{
    Write(2006, 6, 20, 0, kPlain, FileOf({At(6, 20, 1)}).CutTo(19));
    Write(2006, 6, 20, 1, kPlain, CDailyFile().CutTo(0));  // just created, still empty
    Write(2006, 6, 20, 2, kPlain, FileOf({At(6, 20, 2)}));

    CReadResult result = Walk(At(6, 20), At(6, 21));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 2)}));
    EXPECT_EQ(result.strMessages, "");
}

TEST_F(CReaderTest, CompressedDataEndingBeforeTheHeaderIsPassedOver)
{
    Write(2006, 6, 20, 0, kGzip, FileOf({At(6, 20, 1)}).CutTo(12));
    Write(2006, 6, 20, 1, kGzip, CDailyFile().CutTo(0));
    Write(2006, 6, 21, 0, kPlain, FileOf({At(6, 21, 1)}));

    CReadResult result = Walk(At(6, 20), At(6, 22));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 21, 1)}));
    EXPECT_EQ(result.strMessages, "");
}

TEST_F(CReaderTest, EntryHeaderCutShortMovesToTheNextFile)
{
    for (ECompression eCompression : {kPlain, kGzip}) {
        CDailyFile cut = FileOf({At(6, 20, 1)}, false);
        cut.AddCutEntryHeader(At(6, 20, 2), 40, 9);
        CReadResult result = ReadFileAndTheNext(cut, eCompression);
        EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 1), At(6, 20, 3)}));
        EXPECT_EQ(result.strMessages, "");
    }
}

TEST_F(CReaderTest, BodyCutShortInCompressedFileIsReportedAndReadingGoesOn)
{
    CDailyFile cut = FileOf({At(6, 20, 1)}, false);
    cut.AddCutEntry(At(6, 20, 2), std::string(300, 'x'), 120);
    Write(2006, 6, 20, 0, kGzip, cut);
    Write(2006, 6, 20, 1, kPlain, FileOf({At(6, 20, 3)}));

    CReadResult result = Walk(At(6, 20), At(6, 21));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 1), At(6, 20, 3)}));
    EXPECT_EQ(result.strMessages, "There is an error in one of the log files\n");
}

TEST_F(CReaderTest, EntryBeyondThePlainFileSizeIsNotRead)
{
    // The header announces 300 bytes but the file ends early. The size limit
    // counts entry bytes only, not the 20 header bytes: a body that lacks at
    // most 20 bytes passes the limit and comes up short when read.
    struct {
        size_t nWritten;
        const char* pszStderr;
    } const aCases[] = {
        // clang-format off
        { 120, "" },
        { 279, "" },
        { 280, "There is an error in one of the log files\n" },
        { 299, "There is an error in one of the log files\n" },
        // clang-format on
    };
    for (const auto& test : aCases) {
        CDailyFile cut = FileOf({At(6, 20, 1)}, false);
        cut.AddCutEntry(At(6, 20, 2), std::string(300, 'x'), test.nWritten);
        CReadResult result = ReadFileAndTheNext(cut, kPlain);
        EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 1), At(6, 20, 3)})) << test.nWritten;
        EXPECT_EQ(result.strMessages, test.pszStderr) << test.nWritten;
    }
}

TEST_F(CReaderTest, PlainFileIsReadOnlyUpToItsSizeWhenOpened)
{
    CDailyFile growing = FileOf({At(6, 20, 1)}, false);
    Write(2006, 6, 20, 0, kPlain, growing);
    Write(2006, 6, 20, 1, kPlain, FileOf({At(6, 20, 3)}));

    CRecordedMessages messages;
    CLogFileReader reader(messages, kGateway, m_dir.Path().c_str(), TmOf(At(6, 20)), TmOf(At(6, 21)));
    CLogEntry entry;
    ASSERT_TRUE(reader.ReadEntry(entry));
    EXPECT_EQ(entry.GetTime(), At(6, 20, 1));

    // The logger appends a whole entry while the file is open.
    growing.AddEntry(At(6, 20, 2), std::string(200, 'g'));
    Write(2006, 6, 20, 0, kPlain, growing);

    CReadResult rest = ReadAll(reader, messages);
    EXPECT_EQ(rest.aTimes, (std::vector<LogTime>{At(6, 20, 3)}));
    EXPECT_EQ(rest.strMessages, "");
}

TEST_F(CReaderTest, ZeroBodyLengthEndsTheFile)
{
    for (ECompression eCompression : {kPlain, kGzip}) {
        CDailyFile file = FileOf({At(6, 20, 1)});
        file.AddEntry(At(6, 20, 2), std::string("behind the end marker"));
        file.AddRawBytes(std::string("\x01\x02trailing bytes", 16));
        CReadResult result = ReadFileAndTheNext(file, eCompression);
        EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 1), At(6, 20, 3)}));
        EXPECT_EQ(result.strMessages, "");
    }
}

TEST_F(CReaderTest, DamagedCompressedStreamIsReportedAfterAllItsGoodEntries)
{
    std::vector<LogTime> aTimes;
    CDailyFile file;
    for (int n = 0; n < 2000; ++n) {
        aTimes.push_back(At(6, 20, 0, 0, n));
        file.AddEntry(aTimes.back(), std::string(static_cast<size_t>(50 + n % 200), static_cast<char>('a' + n % 26)));
    }
    std::string strGzip = testdata::GzipBytes(file.Bytes());
    ASSERT_GT(strGzip.size(), 2000u);
    std::string strPath = PathOf(2006, 6, 20, 0, kGzip);
    Write(2006, 6, 20, 1, kPlain, FileOf({At(6, 20, 23)}));
    std::string strCut = strGzip.substr(0, strGzip.size() / 2);
    ASSERT_TRUE(testdata::WriteFileBytes(strPath, strCut, kPlain));

    // Every entry whose bytes lie in the decodable part comes out.
    std::string strDecodable = testdata::GunzipPrefix(strCut);
    size_t nWhole = 0;
    for (size_t nEnd = kLogFileHeaderSize + kLogEntryHeaderSize + 50; nEnd <= strDecodable.size(); ++nWhole)
        nEnd += kLogEntryHeaderSize + 50 + (nWhole + 1) % 200;
    ASSERT_GT(nWhole, 0u);
    CReadResult result = Walk(At(6, 20), At(6, 21));
    std::vector<LogTime> aExpected(aTimes.begin(), aTimes.begin() + static_cast<std::ptrdiff_t>(nWhole));
    aExpected.push_back(At(6, 20, 23));
    EXPECT_EQ(result.aTimes, aExpected);
    EXPECT_EQ(result.strMessages, "Failed to read " + strPath + "\n");

    // Damaged in the middle instead of cut off.
    strGzip[strGzip.size() / 3] ^= 0x5A;
    strGzip[strGzip.size() / 3 + 1] = static_cast<char>(strGzip[strGzip.size() / 3 + 1] ^ 0xA5);
    ASSERT_TRUE(testdata::WriteFileBytes(strPath, strGzip, kPlain));
    result = Walk(At(6, 20), At(6, 21));
    EXPECT_LT(result.aTimes.size(), aTimes.size());
    EXPECT_EQ(result.aTimes.back(), At(6, 20, 23));
    EXPECT_EQ(result.strMessages, "Failed to read " + strPath + "\n");
}

TEST_F(CReaderTest, FoldersPipesAndBrokenLinksInPlaceOfDailyFilesNeverHang)
{
    // A folder cannot be opened as a file: reported, and the walk goes on
    // with the next file of the day.
    Write(2006, 6, 20, 1, kPlain, FileOf({At(6, 20, 1)}));
    Write(2006, 6, 21, 0, kPlain, FileOf({At(6, 21, 1)}));
    std::string strFolder = PathOf(2006, 6, 20, 0, kPlain);
    ASSERT_EQ(mkdir(strFolder.c_str(), 0755), 0);
    CReadResult result = Walk(At(6, 20), At(6, 22));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 1), At(6, 21, 1)}));
    EXPECT_EQ(result.strMessages, "Failed to open " + strFolder + "\n");

    // A pipe nobody writes to is empty at once: passed over without a word.
    ASSERT_EQ(rmdir(strFolder.c_str()), 0);
    ASSERT_EQ(mkfifo(strFolder.c_str(), 0644), 0);
    result = Walk(At(6, 20), At(6, 22));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 1), At(6, 21, 1)}));
    EXPECT_EQ(result.strMessages, "");

    // A link to nowhere, or a link loop, in place of the plain file takes
    // its turn and is reported; the compressed file of the same name waits.
    ASSERT_EQ(unlink(strFolder.c_str()), 0);
    ASSERT_EQ(symlink("nowhere.osl", strFolder.c_str()), 0);
    Write(2006, 6, 20, 0, kGzip, FileOf({At(6, 20, 0, 30)}));
    std::string strLoop = PathOf(2006, 6, 20, 1, kPlain);
    ASSERT_EQ(unlink(strLoop.c_str()), 0);
    ASSERT_EQ(symlink("20-1.osl", strLoop.c_str()), 0);
    Write(2006, 6, 20, 2, kPlain, FileOf({At(6, 20, 2)}));
    result = Walk(At(6, 20), At(6, 22));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 2), At(6, 21, 1)}));
    EXPECT_EQ(result.strMessages, "Failed to open " + strFolder + "\nFailed to open " + strLoop + "\n");

    EXPECT_EQ(ReadSingleFile(m_dir.Path(), TmOf(At(6, 20)), TmOf(At(6, 22))).strMessages,
              "Failed to open " + m_dir.Path() + "\n");
}

TEST_F(CReaderTest, MonthThatIsNoFolderIsReportedAndTheWalkGoesOnWithTheNextMonth)
{
    std::string strJune = m_db.MonthFolder(kGateway, 2006, 6);
    ASSERT_TRUE(testdata::WriteFileBytes(strJune, "not a folder", kPlain));
    Write(2006, 7, 1, 0, kPlain, FileOf({At(7, 1, 1)}));
    std::string strAugust = m_db.MonthFolder(kGateway, 2006, 8);
    ASSERT_EQ(symlink("200608", strAugust.c_str()), 0);  // a loop
    Write(2006, 9, 2, 0, kGzip, FileOf({At(9, 2, 1)}));

    CReadResult result = Walk(At(6, 20), At(9, 3));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(7, 1, 1), At(9, 2, 1)}));
    EXPECT_EQ(result.strMessages, "Failed to open " + strJune + "\nFailed to open " + strAugust + "\n");
}

TEST_F(CReaderTest, SingleFileModeReadsAPipeToItsEnd)
{
    // A pipe has no size: the whole stream is read, as from a compressed file.
    std::string strBytes = FileOf({At(6, 20, 1), At(6, 20, 2), At(6, 20, 3)}).Bytes();
    int aPipe[2];
    ASSERT_EQ(pipe(aPipe), 0);
    ASSERT_EQ(write(aPipe[1], strBytes.data(), strBytes.size()), static_cast<ssize_t>(strBytes.size()));
    close(aPipe[1]);
    std::string strPath = "/dev/fd/" + std::to_string(aPipe[0]);

    CReadResult result = ReadSingleFile(strPath, TmOf(At(6, 20)), TmOf(At(6, 21)));
    close(aPipe[0]);
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 1), At(6, 20, 2), At(6, 20, 3)}));
    EXPECT_EQ(result.strMessages, "");
}

// ---------------------------------------------------------------- buffers

TEST_F(CReaderTest, EntryBufferGrowsToTwiceTheBodyThatOutgrewIt)
{
    std::string strBig(2000, 'b');
    std::string strMiddle(3000, 'm');
    strBig[1999] = 'B';
    strMiddle[2999] = 'M';
    CDailyFile file;
    file.AddEntry(At(6, 20, 1), std::string(100, 's'));
    file.AddEntry(At(6, 20, 2), strBig);
    file.AddEntry(At(6, 20, 3), strMiddle);
    file.AddEntry(At(6, 20, 4), std::string(65535, 'z'));
    file.AddEndMarker();
    Write(2006, 6, 20, 0, kGzip, file);

    CRecordedMessages messages;
    CLogFileReader reader(messages, kGateway, m_dir.Path().c_str(), TmOf(At(6, 20)), TmOf(At(6, 21)));
    CLogEntry entry;
    ASSERT_TRUE(reader.ReadEntry(entry));
    EXPECT_EQ(reader.GetEntryCapacity(), 1600);
    ASSERT_TRUE(reader.ReadEntry(entry));
    EXPECT_EQ(reader.GetEntryCapacity(), 4000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.m_pBody), entry.m_nLength), strBig);
    ASSERT_TRUE(reader.ReadEntry(entry));
    EXPECT_EQ(reader.GetEntryCapacity(), 4000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.m_pBody), entry.m_nLength), strMiddle);
    ASSERT_TRUE(reader.ReadEntry(entry));
    EXPECT_EQ(reader.GetEntryCapacity(), 131070);
    EXPECT_EQ(entry.m_nLength, 65535);
    EXPECT_FALSE(reader.ReadEntry(entry));
    EXPECT_FALSE(reader.ReadEntry(entry));  // stays finished
}

TEST_F(CReaderTest, PlainAndCompressedFilesYieldTheSameEntriesAcrossBufferBoundaries)
{
    CDailyFile file;
    std::vector<std::string> aBodies;
    for (int n = 0; n < 700; ++n) {
        std::string strBody(static_cast<size_t>(1 + (n * 37) % 5000), '\0');
        for (size_t i = 0; i < strBody.size(); ++i)
            strBody[i] = static_cast<char>(static_cast<size_t>(n) * 7 + i);
        aBodies.push_back(strBody);
        file.AddEntry(At(6, 20, 0, n / 60, n % 60), strBody);
    }
    file.AddEndMarker();
    Write(2006, 6, 20, 0, kPlain, file);
    ASSERT_TRUE(m_db.WriteDailyFile("gw-west", 2006, 6, 20, 0, kGzip, file));

    EXPECT_EQ(Walk(At(6, 20), At(6, 21)).aBodies, aBodies);
    EXPECT_EQ(Walk(At(6, 20), At(6, 21), "gw-west").aBodies, aBodies);
    // Skipping across buffer boundaries lands on the right entries too.
    std::vector<std::string> aLater(aBodies.begin() + 180, aBodies.end());
    EXPECT_EQ(Walk(At(6, 20, 0, 3), At(6, 21)).aBodies, aLater);
    EXPECT_EQ(Walk(At(6, 20, 0, 3), At(6, 21), "gw-west").aBodies, aLater);
}

// ---------------------------------------------------------------- single-file mode

TEST_F(CReaderTest, SingleFileModeReadsTheNamedFileWithinTheRange)
{
    std::string strPath = m_dir / "extract.log";
    ASSERT_TRUE(FileOf({At(6, 20, 1), At(6, 25, 1), At(7, 2, 1)}).Write(strPath, kPlain));

    CReadResult result = ReadSingleFile(strPath, TmOf(At(6, 20)), TmOf(At(7, 1)));
    EXPECT_EQ(result.aTimes, (std::vector<LogTime>{At(6, 20, 1), At(6, 25, 1)}));
}

TEST_F(CReaderTest, SingleFileModeReadsACompressedFileToItsEnd)
{
    std::vector<LogTime> aTimes;
    CDailyFile file = LargeFile(aTimes);
    std::string strPath = m_dir / "extract.bin";
    ASSERT_TRUE(file.Write(strPath, kGzip));

    EXPECT_EQ(ReadSingleFile(strPath, TmOf(At(6, 20)), TmOf(At(6, 21))).aTimes, aTimes);
}

TEST_F(CReaderTest, CompressedContentUnderAPlainNameIsReadToItsEnd)
{
    std::vector<LogTime> aTimes;
    CDailyFile file = LargeFile(aTimes);
    ASSERT_TRUE(file.Write(PathOf(2006, 6, 20, 0, kPlain), kGzip));
    EXPECT_EQ(Walk(At(6, 20), At(6, 21)).aTimes, aTimes);
}

TEST_F(CReaderTest, SingleFileThatCannotBeOpenedIsReported)
{
    std::string strPath = m_dir / "missing.osl";
    CReadResult result = ReadSingleFile(strPath, TmOf(At(6, 20)), TmOf(At(6, 21)));
    EXPECT_TRUE(result.aTimes.empty());
    EXPECT_EQ(result.strMessages, "Failed to open " + strPath + "\n");
}

TEST_F(CReaderTest, LongPathsAreCutInMessages)
{
    std::string strPath = m_dir.Path() + "/" + std::string(300, 'p');
    CReadResult result = ReadSingleFile(strPath, TmOf(At(6, 20)), TmOf(At(6, 21)));
    EXPECT_EQ(result.strMessages, ("Failed to open " + strPath).substr(0, 255) + "\n");
}

}  // namespace
