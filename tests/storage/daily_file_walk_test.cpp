// The daily-file walk: the files it opens and the messages it reports, in
// their order, are the same whether it takes them from the folder listings
// or looks up every name (as when no clock tells how recent a listing is);
// files the logger creates while the walk runs are found.
#include "storage/daily_file_walk.h"

#include <gtest/gtest.h>

#include <functional>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "testing/log_db_writer.h"
#include "tests/common/temp_dir.h"

namespace {

using testdata::CDailyFile;
using testdata::ECompression;

const char* const kGateway = "gw-east";

time_t s_nFakeNow = 0;

time_t FakeClock()
{
    return s_nFakeNow;
}

// A clock that cannot be read: no listing is trusted, every name is looked up.
time_t NoClock()
{
    return static_cast<time_t>(-1);
}

time_t UnixTime(int nYear, int nMonth, int nDay, int nHour = 0, int nMinute = 0, int nSecond = 0)
{
    return static_cast<time_t>(
        testdata::UnixFromLogTime(testdata::LogTimeFromUtc(nYear, nMonth, nDay, nHour, nMinute, nSecond)));
}

// The messages and the opened files of a walk, one line each, in order.
class CWalkLog final : public IReaderMessages {
public:
    void Report(EReaderMessage, const char* pszText) override
    {
        m_strLines += std::string("message ") + pszText + "\n";
    }
    void NoteFile(const COpenedDailyFile& file)
    {
        m_strLines += std::string(file.m_bPlainName ? "plain " : "gzip ") + file.m_strPath.GetString() + "\n";
    }

    std::string m_strLines;
};

// Every step of a walk over the gateway from the start date to the end
// time, the root's path shown as "ROOT".
std::string Walk(const std::string& strRoot, CLogDate dateStart, LogTime nEnd, CDailyFileWalk::PFN_CLOCK pfnClock)
{
    CWalkLog log;
    CDailyFileWalk walk(log, kGateway, strRoot.c_str(), dateStart, nEnd, pfnClock);
    std::unique_ptr<COpenedDailyFile> pFile;
    CDailyFileWalk::EStep eStep;
    while ((eStep = walk.Next(pFile)) != CDailyFileWalk::EStep::kEnd)
        if (eStep == CDailyFileWalk::EStep::kFile)
            log.NoteFile(*pFile);
    EXPECT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kEnd);
    std::string strLines = log.m_strLines;
    for (size_t nAt; (nAt = strLines.find(strRoot)) != std::string::npos;)
        strLines.replace(nAt, strRoot.size(), "ROOT");
    return strLines;
}

CLogDate DateOf(int nYear, int nMonth, int nDay)
{
    return CLogDate(testdata::UtcTm(nYear, nMonth, nDay));
}

// The result of fnRun as a user without privileges: run in a child process
// that takes the identity of nobody when this process is the superuser.
std::string AsUnprivilegedUser(const std::function<std::string()>& fnRun)
{
    if (geteuid() != 0)
        return fnRun();
    int aPipe[2];
    if (pipe(aPipe) != 0)
        return "no pipe";
    pid_t nChild = fork();
    if (nChild == 0) {
        close(aPipe[0]);
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        std::string strResult = fnRun();
        ssize_t nWritten = write(aPipe[1], strResult.data(), strResult.size());
        _exit(nWritten == static_cast<ssize_t>(strResult.size()) ? 0 : 3);
    }
    close(aPipe[1]);
    std::string strResult;
    char aChunk[4096];
    ssize_t nRead;
    while ((nRead = read(aPipe[0], aChunk, sizeof(aChunk))) > 0)
        strResult.append(aChunk, static_cast<size_t>(nRead));
    close(aPipe[0]);
    int nStatus = 0;
    waitpid(nChild, &nStatus, 0);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << nStatus;
    return strResult;
}

class CWalkTest : public testing::Test {
protected:
    CWalkTest() : m_db(m_dir.Path())
    {
        // The tree is read by an unprivileged user too.
        EXPECT_EQ(chmod(m_dir.Path().c_str(), 0755), 0);
    }

    void Write(int nYear, int nMonth, int nDay, int nSequence, ECompression eCompression)
    {
        CDailyFile file;
        file.AddEntry(testdata::LogTimeFromUtc(nYear, nMonth, nDay, 1), std::string("body")).AddEndMarker();
        ASSERT_TRUE(m_db.WriteDailyFile(kGateway, nYear, nMonth, nDay, nSequence, eCompression, file));
    }
    std::string Month(int nYear, int nMonth) const { return m_db.MonthFolder(kGateway, nYear, nMonth); }
    std::string Daily(int nYear, int nMonth, const std::string& strName) const
    {
        return Month(nYear, nMonth) + "/" + strName;
    }
    // The walk from the listings (a clock far past the tree) and the walk
    // that looks up every name must agree; the common result is returned.
    std::string BothWalks(CLogDate dateStart, LogTime nEnd)
    {
        s_nFakeNow = UnixTime(2030, 1, 1);
        std::string strRoot = m_dir.Path();
        std::string strListed = AsUnprivilegedUser([&] { return Walk(strRoot, dateStart, nEnd, &FakeClock); });
        std::string strProbed = AsUnprivilegedUser([&] { return Walk(strRoot, dateStart, nEnd, &NoClock); });
        EXPECT_EQ(strListed, strProbed);
        return strListed;
    }

    CTempDir m_dir;
    testdata::CLogDatabase m_db;
};

TEST_F(CWalkTest, ListingsAndLookupsVisitTheSameFilesWithTheSameMessages)
{
    // May 2006 is a file; June has gaps, both kinds of file, odd names and
    // things that cannot be opened; July is missing; August may not be
    // searched; September is a link loop; October is fine; November and
    // December are named in ways the walk never names a month.
    ASSERT_TRUE(testdata::MakeFolders(m_db.GatewayFolder(kGateway)));
    ASSERT_TRUE(testdata::WriteFileBytes(Month(2006, 5), "no folder", ECompression::kPlain));
    Write(2006, 6, 1, 0, ECompression::kPlain);
    Write(2006, 6, 1, 1, ECompression::kGzip);
    Write(2006, 6, 1, 3, ECompression::kPlain);  // behind the gap at 2
    Write(2006, 6, 2, 0, ECompression::kPlain);
    Write(2006, 6, 2, 0, ECompression::kGzip);  // the plain file of the number stands in for it
    Write(2006, 6, 2, 1, ECompression::kGzip);
    Write(2006, 6, 5, 1, ECompression::kPlain);  // no number 0 that day
    Write(2006, 6, 9, 0, ECompression::kGzip);
    Write(2006, 6, 30, 0, ECompression::kPlain);
    for (const char* pszOdd : {"01-0.osl", "9-00.gz", "31-0.osl", "7-0.OSL", "7-0.osl.gz", "x.osl", "12-0.osl~"})
        ASSERT_TRUE(testdata::WriteFileBytes(Daily(2006, 6, pszOdd), "odd", ECompression::kPlain));
    ASSERT_EQ(symlink("nowhere.osl", Daily(2006, 6, "12-0.osl").c_str()), 0);
    ASSERT_EQ(symlink("12-1.gz", Daily(2006, 6, "12-1.gz").c_str()), 0);  // a loop
    Write(2006, 6, 12, 2, ECompression::kPlain);
    ASSERT_EQ(mkdir(Daily(2006, 6, "14-0.osl").c_str(), 0755), 0);
    Write(2006, 6, 14, 1, ECompression::kGzip);
    Write(2006, 6, 20, 0, ECompression::kGzip);
    Write(2006, 6, 20, 1, ECompression::kPlain);
    Write(2006, 6, 20, 2, ECompression::kPlain);
    ASSERT_EQ(chmod(Daily(2006, 6, "20-1.osl").c_str(), 0), 0);  // may not be read: the rest of the day goes
    Write(2006, 8, 3, 0, ECompression::kPlain);
    ASSERT_EQ(chmod(Month(2006, 8).c_str(), 0644), 0);
    ASSERT_EQ(symlink("200609", Month(2006, 9).c_str()), 0);
    Write(2006, 10, 31, 0, ECompression::kGzip);
    ASSERT_TRUE(testdata::WriteFileBytes(m_db.GatewayFolder(kGateway) + "/0200611/1-0.osl", "x", ECompression::kPlain));
    ASSERT_TRUE(testdata::WriteFileBytes(m_db.GatewayFolder(kGateway) + "/200613/1-0.osl", "x", ECompression::kPlain));
    ASSERT_TRUE(testdata::MakeFolders(Month(2006, 12)));

    std::string strWalk = BothWalks(DateOf(2006, 4, 1), testdata::LogTimeFromUtc(2007, 2, 1));
    const std::string strG = "ROOT/gw-east/";
    std::string strExpected = "message Failed to open " + strG +
                              "200605\n"
                              "plain " +
                              strG +
                              "200606/1-0.osl\n"
                              "gzip " +
                              strG +
                              "200606/1-1.gz\n"
                              "plain " +
                              strG +
                              "200606/2-0.osl\n"
                              "gzip " +
                              strG +
                              "200606/2-1.gz\n"
                              "gzip " +
                              strG +
                              "200606/9-0.gz\n"
                              "message Failed to open " +
                              strG +
                              "200606/12-0.osl\n"
                              "message Failed to open " +
                              strG +
                              "200606/12-1.gz\n"
                              "plain " +
                              strG +
                              "200606/12-2.osl\n"
                              "message Failed to open " +
                              strG +
                              "200606/14-0.osl\n"
                              "gzip " +
                              strG +
                              "200606/14-1.gz\n"
                              "gzip " +
                              strG +
                              "200606/20-0.gz\n"
                              "message Access denied to file " +
                              strG +
                              "200606/20-1.osl\n"
                              "plain " +
                              strG +
                              "200606/30-0.osl\n"
                              "message Access denied to file " +
                              strG +
                              "200608\n"
                              "message Failed to open " +
                              strG +
                              "200609\n"
                              "gzip " +
                              strG + "200610/31-0.gz\n";
    EXPECT_EQ(strWalk, strExpected);

    // A range that starts and ends inside months.
    EXPECT_EQ(BothWalks(DateOf(2006, 6, 2), testdata::LogTimeFromUtc(2006, 6, 12)),
              "plain " + strG + "200606/2-0.osl\ngzip " + strG + "200606/2-1.gz\ngzip " + strG +
                  "200606/9-0.gz\nmessage Failed to open " + strG + "200606/12-0.osl\nmessage Failed to open " + strG +
                  "200606/12-1.gz\nplain " + strG + "200606/12-2.osl\n");
}

TEST_F(CWalkTest, FoldersThatCannotBeListedOrSearchedAreWalkedByLookingUpEveryName)
{
    Write(2006, 6, 3, 0, ECompression::kPlain);
    Write(2006, 7, 4, 0, ECompression::kGzip);
    Write(2006, 7, 4, 1, ECompression::kPlain);
    const std::string strG = "ROOT/gw-east/";
    const std::string strFiles =
        "plain " + strG + "200606/3-0.osl\ngzip " + strG + "200607/4-0.gz\nplain " + strG + "200607/4-1.osl\n";

    // A month folder whose names cannot be listed, but whose files may be opened.
    ASSERT_EQ(chmod(Month(2006, 7).c_str(), 0311), 0);
    EXPECT_EQ(BothWalks(DateOf(2006, 5, 1), testdata::LogTimeFromUtc(2006, 9, 1)), strFiles);
    // The same for the gateway folder.
    ASSERT_EQ(chmod(m_db.GatewayFolder(kGateway).c_str(), 0311), 0);
    EXPECT_EQ(BothWalks(DateOf(2006, 5, 1), testdata::LogTimeFromUtc(2006, 9, 1)), strFiles);

    // A gateway folder that can be listed but not searched: every month is
    // refused, as when each is looked up.
    ASSERT_EQ(chmod(Month(2006, 7).c_str(), 0755), 0);
    ASSERT_EQ(chmod(m_db.GatewayFolder(kGateway).c_str(), 0644), 0);
    EXPECT_EQ(BothWalks(DateOf(2006, 5, 1), testdata::LogTimeFromUtc(2006, 7, 31)),
              "message Access denied to file " + strG + "200605\nmessage Access denied to file " + strG +
                  "200606\nmessage Access denied to file " + strG + "200607\n");
    ASSERT_EQ(chmod(m_db.GatewayFolder(kGateway).c_str(), 0755), 0);

    // No gateway folder at all, or a file in its place: nothing, without a word.
    std::string strRoot = m_dir.Path();
    EXPECT_EQ(Walk(strRoot + "/nowhere", DateOf(2006, 1, 1), testdata::LogTimeFromUtc(2007, 1, 1), &FakeClock), "");
    ASSERT_TRUE(testdata::WriteFileBytes(strRoot + "/plain/gw-east", "file", ECompression::kPlain));
    EXPECT_EQ(Walk(strRoot + "/plain", DateOf(2006, 1, 1), testdata::LogTimeFromUtc(2007, 1, 1), &FakeClock), "");
}

TEST_F(CWalkTest, FilesCreatedWhileTheWalkRunsAreFound)
{
    // Now is the last minute of June 2006: the logger may still add a
    // sequence number to today and start July.
    s_nFakeNow = UnixTime(2006, 6, 30, 23, 59, 30);
    Write(2006, 6, 29, 0, ECompression::kPlain);
    Write(2006, 6, 30, 0, ECompression::kPlain);
    CWalkLog log;
    CDailyFileWalk walk(log, kGateway, m_dir.Path().c_str(), DateOf(2006, 6, 1), testdata::LogTimeFromUtc(2006, 7, 3),
                        &FakeClock);
    std::unique_ptr<COpenedDailyFile> pFile;
    ASSERT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kFile);
    EXPECT_EQ(pFile->m_strPath.GetString(), Daily(2006, 6, "29-0.osl"));

    // Written after both folders were listed.
    Write(2006, 6, 29, 1, ECompression::kGzip);
    Write(2006, 6, 30, 1, ECompression::kGzip);
    s_nFakeNow = UnixTime(2006, 7, 1, 0, 0, 10);
    Write(2006, 7, 1, 0, ECompression::kPlain);
    Write(2006, 7, 2, 0, ECompression::kGzip);

    for (const char* pszExpected :
         {"200606/29-1.gz", "200606/30-0.osl", "200606/30-1.gz", "200607/1-0.osl", "200607/2-0.gz"}) {
        ASSERT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kFile) << pszExpected;
        EXPECT_EQ(pFile->m_strPath.GetString(), m_db.GatewayFolder(kGateway) + "/" + pszExpected);
    }
    EXPECT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kEnd);
    EXPECT_EQ(log.m_strLines, "");
}

// Follow mode: a resumed walk goes on after the last file it opened with
// fresh listings, whatever the clock says (here years after the files),
// and reports nothing twice.
TEST_F(CWalkTest, ResumedWalkFindsLaterFilesAndReportsNothingTwice)
{
    s_nFakeNow = UnixTime(2030, 1, 1);
    Write(2006, 6, 29, 0, ECompression::kPlain);
    CWalkLog log;
    CDailyFileWalk walk(log, kGateway, m_dir.Path().c_str(), DateOf(2006, 6, 1), UINT64_MAX, &FakeClock);
    std::unique_ptr<COpenedDailyFile> pFile;
    ASSERT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kFile);
    ASSERT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kEnd);
    walk.Resume();
    EXPECT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kEnd);

    ASSERT_EQ(symlink("nowhere", Daily(2006, 6, "29-1.osl").c_str()), 0);
    Write(2006, 6, 29, 2, ECompression::kGzip);
    Write(2006, 7, 1, 0, ECompression::kPlain);
    walk.Resume();
    for (const char* pszExpected : {"200606/29-2.gz", "200607/1-0.osl"}) {
        CDailyFileWalk::EStep eStep;
        while ((eStep = walk.Next(pFile)) == CDailyFileWalk::EStep::kReported) {
        }
        ASSERT_EQ(eStep, CDailyFileWalk::EStep::kFile) << pszExpected;
        EXPECT_EQ(pFile->m_strPath.GetString(), m_db.GatewayFolder(kGateway) + "/" + pszExpected);
    }
    EXPECT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kEnd);
    walk.Resume();
    EXPECT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kEnd);
    walk.Resume();
    EXPECT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kEnd);
    EXPECT_EQ(log.m_strLines, "message Failed to open " + Daily(2006, 6, "29-1.osl") + "\n");
}

TEST_F(CWalkTest, WalkFromTheStartOfTheTimeScaleFindsTheFilesOfNow)
{
    // Like a statement without a time statement: from 1970 to now, and a
    // month ahead, as "last days" reaches.
    time_t nNow = std::time(nullptr);
    struct tm tmNow;
    ASSERT_NE(gmtime_r(&nNow, &tmNow), nullptr);
    Write(2006, 6, 20, 0, ECompression::kPlain);
    Write(tmNow.tm_year + 1900, tmNow.tm_mon + 1, tmNow.tm_mday, 0, ECompression::kGzip);
    char szToday[32];
    std::snprintf(szToday, sizeof(szToday), "%d%02d/%d-0.gz", tmNow.tm_year + 1900, tmNow.tm_mon + 1, tmNow.tm_mday);
    std::string strWalk =
        Walk(m_dir.Path(), DateOf(1970, 1, 1),
             testdata::LogTimeFromUnix(static_cast<int64_t>(nNow) + int64_t{31} * 24 * 3600), nullptr);
    EXPECT_EQ(strWalk, "plain ROOT/gw-east/200606/20-0.osl\ngzip ROOT/gw-east/" + std::string(szToday) + "\n");
}

TEST_F(CWalkTest, SingleFileModeOpensTheOneFileOnce)
{
    std::string strPath = m_dir / "extract.bin";
    ASSERT_TRUE(testdata::WriteFileBytes(strPath, "LOG", ECompression::kGzip));
    CWalkLog log;
    CDailyFileWalk walk(log, strPath.c_str());
    std::unique_ptr<COpenedDailyFile> pFile;
    ASSERT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kFile);
    EXPECT_TRUE(pFile->m_bPlainName);
    EXPECT_EQ(walk.Next(pFile), CDailyFileWalk::EStep::kEnd);

    CDailyFileWalk missing(log, (m_dir / "missing.osl").c_str());
    EXPECT_EQ(missing.Next(pFile), CDailyFileWalk::EStep::kEnd);
    EXPECT_EQ(log.m_strLines, "message Failed to open " + (m_dir / "missing.osl") + "\n");
}

}  // namespace
