// The test-data writer and mklogdb's description format: the bytes they
// write are what every other test relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>
#include <zlib.h>

#include "storage/log_file_reader.h"
#include "testing/db_description.h"
#include "testing/log_db_writer.h"
#include "testing/traffic.h"
#include "tests/common/recorded_messages.h"
#include "tests/common/temp_dir.h"

namespace {

using testdata::CDailyFile;
using testdata::ECompression;
using testdata::LogTimeFromUtc;

std::string Hex(const std::string& strBytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string strHex;
    for (char cByte : strBytes) {
        unsigned char ch = static_cast<unsigned char>(cByte);
        strHex += kDigits[ch >> 4];
        strHex += kDigits[ch & 15];
    }
    return strHex;
}

// A whole file through zlib's reading side, compressed or not.
std::string ReadThroughZlib(const std::string& strPath)
{
    gzFile pFile = gzopen(strPath.c_str(), "rb");
    if (pFile == nullptr)
        return "<cannot open>";
    std::string strData;
    char aChunk[4096];
    int nRead;
    while ((nRead = gzread(pFile, aChunk, sizeof(aChunk))) > 0)
        strData.append(aChunk, static_cast<size_t>(nRead));
    gzclose(pFile);
    return strData;
}

struct CEntryRead {
    LogTime nTime;
    std::string strBody;
};

std::vector<CEntryRead> ReadGateway(const std::string& strRoot, const char* pszGateway, const struct tm& tmStart,
                                    const struct tm& tmEnd)
{
    std::vector<CEntryRead> aEntries;
    CRecordedMessages messages;
    CLogFileReader reader(messages, pszGateway, strRoot.c_str(), tmStart, tmEnd);
    CLogEntry entry;
    while (reader.ReadEntry(entry))
        aEntries.push_back(
            {entry.GetTime(), std::string(reinterpret_cast<const char*>(entry.m_pBody), entry.m_nLength)});
    EXPECT_EQ(messages.m_strText, "");
    return aEntries;
}

TEST(LogTimeHelpers, MatchTheStoredScale)
{
    EXPECT_EQ(LogTimeFromUtc(2006, 6, 20), 633178944000000000ull);
    EXPECT_EQ(testdata::LogTimeFromUnix(0), 62167132800ull * 10000000ull);
    EXPECT_EQ(testdata::LogTimeFromUnix(1, 5), 62167132801ull * 10000000ull + 5);
    for (int64_t nSeconds : {int64_t(-86400 * 400), int64_t(0), int64_t(951782400), int64_t(4102444799)}) {
        LogTime nTime = testdata::LogTimeFromUnix(nSeconds);
        EXPECT_EQ(testdata::UnixFromLogTime(nTime), nSeconds);
        testdata::CUtcDate date = testdata::UtcDateOf(nTime);
        EXPECT_EQ(
            LogTimeFromUtc(date.m_nYear, date.m_nMonth, date.m_nDay, date.m_nHour, date.m_nMinute, date.m_nSecond),
            nTime);
        struct tm tmTime =
            testdata::UtcTm(date.m_nYear, date.m_nMonth, date.m_nDay, date.m_nHour, date.m_nMinute, date.m_nSecond);
        EXPECT_EQ(tmTime.tm_year + 1900, date.m_nYear);
        EXPECT_EQ(tmTime.tm_mon + 1, date.m_nMonth);
    }
}

TEST(CDailyFile, WritesTheStoredLayout)
{
    CDailyFile file;
    file.AddEntry(0x0102030405060708ull, std::string("abc"));
    file.AddEntry(0x0102030405060709ull, std::string("de"));
    file.AddEndMarker();
    EXPECT_EQ(Hex(file.Bytes()),
              "4c4f4710"          // "LOG", 0x10
              "0506070801020304"  // first time: low half, high half
              "0506070901020304"  // last time
              "1000"
              "0003"
              "0000"
              "0000"
              "0506070801020304"
              "616263"
              "1000"
              "0002"
              "0003"
              "0000"
              "0506070901020304"
              "6465"
              "1000"
              "0000"
              "0002"
              "0000"
              "0000000000000000");

    CDailyFile broken;
    broken.SetTag("XY").SetFirstTime(7).SetLastTime(0);
    broken.AddCutEntry(9, std::string("hello"), 2);
    broken.AddCutEntryHeader(10, 300, 5);
    EXPECT_EQ(Hex(broken.Bytes()),
              "58590010"
              "0000000700000000"
              "0000000000000000"
              "1000"
              "0005"
              "0000"
              "0000"
              "0000000900000000"
              "6865"
              "1000"
              "012c"
              "00");
    EXPECT_EQ(broken.CutTo(3).Bytes(), std::string("XY\0", 3));
}

TEST(CDailyFile, CompressedFilesHoldTheSameBytes)
{
    CTempDir dir;
    CDailyFile file;
    for (int n = 0; n < 500; ++n)
        file.AddEntry(LogTimeFromUtc(2006, 6, 20, 0, 0, n),
                      std::string(static_cast<size_t>(100 + n), static_cast<char>(n)));
    ASSERT_TRUE(file.Write(dir / "a/b/20-0.gz", ECompression::kGzip));
    ASSERT_TRUE(file.Write(dir / "a/b/20-0.osl", ECompression::kPlain));
    EXPECT_EQ(ReadThroughZlib(dir / "a/b/20-0.gz"), file.Bytes());
    EXPECT_EQ(ReadWholeFile(dir / "a/b/20-0.osl"), file.Bytes());
    EXPECT_LT(ReadWholeFile(dir / "a/b/20-0.gz").size(), file.Bytes().size() / 4);
    EXPECT_EQ(ReadThroughZlib(dir / "a/b/20-0.osl"), file.Bytes());

    std::string strGzip = testdata::GzipBytes(file.Bytes());
    ASSERT_TRUE(testdata::WriteFileBytes(dir / "raw.gz", strGzip, ECompression::kPlain));
    EXPECT_EQ(ReadThroughZlib(dir / "raw.gz"), file.Bytes());
}

TEST(CConfigWriter, DefaultsOverridesAndOmissions)
{
    testdata::CConfigWriter config(std::vector<testdata::CGateway>{{"gw1", "10.0.0.1"}});
    config.AddGateway("gw2", "10.0.0.2");
    EXPECT_EQ(config.Text(),
              "# Logger configuration\n"
              "UDPPORT=999\nNRFIREWALLS=2\nFILESIZE=1\nMAINTENANCE=0\nDAYS_TO_KEEP=10\n"
              "FWIP0=10.0.0.1\nFWNAME0=gw1\nFWIP1=10.0.0.2\nFWNAME1=gw2\n");

    config.Set("nrfirewalls", "5").Set("EXTRA", "x").Omit("FWNAME1").Omit("MAINTENANCE").AddLine("garbage");
    EXPECT_EQ(config.Text(),
              "# Logger configuration\n"
              "UDPPORT=999\nNRFIREWALLS=5\nFILESIZE=1\nDAYS_TO_KEEP=10\n"
              "FWIP0=10.0.0.1\nFWNAME0=gw1\nFWIP1=10.0.0.2\nEXTRA=x\ngarbage\n");

    CTempDir dir;
    ASSERT_TRUE(config.Write(dir / "root"));
    EXPECT_EQ(ReadWholeFile(dir / "root/Ostrel.cfg"), config.Text());
}

TEST(CLogDatabase, CollectedEntriesBecomeDailyFiles)
{
    CTempDir dir;
    testdata::CLogDatabase db(dir.Path());
    // Out of order, across a month end, with equal times kept in order.
    db.AddEntry("gw", LogTimeFromUtc(2006, 7, 1, 1), std::string("d"));
    db.AddEntry("gw", LogTimeFromUtc(2006, 6, 30, 23), std::string("b"));
    db.AddEntry("gw", LogTimeFromUtc(2006, 6, 30, 23), std::string("c"));
    db.AddEntry("gw", LogTimeFromUtc(2006, 6, 30, 1), std::string("a"));
    testdata::CLogDatabase::CLayout layout;
    layout.m_bAlternate = true;
    layout.m_nEntriesPerFile = 2;
    ASSERT_TRUE(db.WriteEntries(layout));

    EXPECT_NE(ReadWholeFile(db.DailyFilePath("gw", 2006, 6, 30, 0, ECompression::kPlain)), "");
    EXPECT_NE(ReadWholeFile(db.DailyFilePath("gw", 2006, 6, 30, 1, ECompression::kGzip)), "");
    EXPECT_NE(ReadWholeFile(db.DailyFilePath("gw", 2006, 7, 1, 0, ECompression::kPlain)), "");
    EXPECT_EQ(db.DailyFilePath("gw", 2006, 7, 1, 0, ECompression::kPlain), dir.Path() + "/gw/200607/1-0.osl");

    std::vector<CEntryRead> aEntries =
        ReadGateway(dir.Path(), "gw", testdata::UtcTm(2006, 6, 1), testdata::UtcTm(2006, 8, 1));
    std::string strBodies;
    for (const CEntryRead& entry : aEntries)
        strBodies += entry.strBody;
    EXPECT_EQ(strBodies, "abcd");
}

TEST(BuildDatabase, DescribedFilesAndEntries)
{
    CTempDir dir;
    std::string strError;
    ASSERT_TRUE(testdata::BuildDatabase(
        "# two files\n"
        "gateway gw-a 10.1.1.1\n"
        "config FILESIZE=20\n"
        "file gw-a 2008-02-29 0 gzip last=0\n"
        "entry 10:00:00 drop proto=udp src=1.2.3.4:53 dst=10.0.0.1:5353 rule=\"a rule # with hash\"\n"
        "entry 2008-02-29T10:00:01 raw body=\"43 00 00 02 78 00\"   # a raw element\n"
        "generate count=5 seed=3 from=11:00:00 to=11:00:04\n"
        "file gw-a 2008-03-01 0 plain noend\n"
        "entry 00:00:00 login user=zed\n",
        dir.Path(), strError))
        << strError;

    std::string strConfig = ReadWholeFile(dir / "Ostrel.cfg");
    EXPECT_NE(strConfig.find("FILESIZE=20\n"), std::string::npos);
    EXPECT_NE(strConfig.find("FWNAME0=gw-a\n"), std::string::npos);

    std::vector<CEntryRead> aEntries =
        ReadGateway(dir.Path(), "gw-a", testdata::UtcTm(2008, 2, 1), testdata::UtcTm(2008, 4, 1));
    ASSERT_EQ(aEntries.size(), 8u);
    EXPECT_EQ(aEntries[0].nTime, LogTimeFromUtc(2008, 2, 29, 10));
    EXPECT_NE(aEntries[0].strBody.find(std::string("a rule # with hash\0", 19)), std::string::npos);
    EXPECT_EQ(aEntries[1].strBody, std::string("C\0\0\x02x\0", 6));
    for (size_t n = 2; n < 7; ++n) {
        EXPECT_GE(aEntries[n].nTime, LogTimeFromUtc(2008, 2, 29, 11));
        EXPECT_LE(aEntries[n].nTime, LogTimeFromUtc(2008, 2, 29, 11, 0, 4));
        EXPECT_GE(aEntries[n].nTime, aEntries[n - 1].nTime);
    }
    EXPECT_EQ(aEntries[7].nTime, LogTimeFromUtc(2008, 3, 1));
    EXPECT_NE(aEntries[7].strBody.find(std::string("zed\0", 4)), std::string::npos);
}

TEST(BuildDatabase, MistakesAreNamedWithTheirLine)
{
    struct {
        const char* pszDescription;
        const char* pszError;
    } const aCases[] = {
        {"entry 10:00:00 drop\n", "1: entries need a file line before them"},
        {"\nfile gw 2006-02-30 0 plain\n", "2: no such day '2006-02-30'"},
        {"file gw 2006-06-20 0 zip\n", "1: expected plain or gzip, found 'zip'"},
        {"file gw 2006-06-20 0 plain\nentry 25:00:00 drop\n",
         "2: bad time '25:00:00' (HH:MM:SS or YYYY-MM-DDTHH:MM:SS)"},
        {"file gw 2006-06-20 0 plain\nentry 10:00:00 bounce\n", "2: unknown entry kind 'bounce'"},
        {"file gw 2006-06-20 0 plain\nentry 10:00:00 drop src=1.2.3.256\n", "2: bad address '1.2.3.256'"},
        {"file gw 2006-06-20 0 plain\nentry 10:00:00 drop colour=red\n", "2: unknown entry key 'colour'"},
        {"gateway gw \"10.0.0.1\n", "1: unterminated quote"},
        {"select * from gw\n", "1: unknown line 'select'"},
    };
    for (const auto& test : aCases) {
        CTempDir dir;
        std::string strError;
        EXPECT_FALSE(testdata::BuildDatabase(test.pszDescription, dir.Path(), strError));
        EXPECT_EQ(strError, test.pszError);
    }
}

TEST(GenerateTraffic, IsReproducibleAndMixesPlainAndCompressedFiles)
{
    testdata::CTrafficOptions options;
    options.m_nGateways = 2;
    options.m_nDays = 3;
    options.m_nEntriesPerDay = 300;
    options.m_nFilesPerDay = 2;
    options.m_nStartYear = 2006;
    options.m_nStartMonth = 6;
    options.m_nStartDay = 30;

    CTempDir first;
    CTempDir second;
    std::string strError;
    ASSERT_TRUE(testdata::GenerateTraffic(first.Path(), options, strError)) << strError;
    ASSERT_TRUE(testdata::GenerateTraffic(second.Path(), options, strError)) << strError;

    testdata::CLogDatabase db1(first.Path());
    testdata::CLogDatabase db2(second.Path());
    int nCompressed = 0;
    uLong nCrc = crc32(0, nullptr, 0);  // of every file's path below the root and content, in order
    for (const char* pszGateway : {"gw01", "gw02"}) {
        for (int nDay : {30, 31, 32}) {
            int nMonth = nDay > 30 ? 7 : 6;
            int nDayOfMonth = nDay > 30 ? nDay - 30 : nDay;
            for (int nSequence : {0, 1}) {
                ECompression eCompression = ECompression::kPlain;
                std::string strPath = db1.DailyFilePath(pszGateway, 2006, nMonth, nDayOfMonth, nSequence, eCompression);
                if (ReadWholeFile(strPath).empty()) {
                    eCompression = ECompression::kGzip;
                    strPath = db1.DailyFilePath(pszGateway, 2006, nMonth, nDayOfMonth, nSequence, eCompression);
                    ++nCompressed;
                }
                std::string strContent = ReadThroughZlib(strPath);
                EXPECT_GT(strContent.size(), 150u * 30) << strPath;
                std::string strNamed = strPath.substr(first.Path().size() + 1) + strContent;
                nCrc = crc32(nCrc, reinterpret_cast<const Bytef*>(strNamed.data()), static_cast<uInt>(strNamed.size()));
                EXPECT_EQ(strContent, ReadThroughZlib(db2.DailyFilePath(pszGateway, 2006, nMonth, nDayOfMonth,
                                                                        nSequence, eCompression)));
            }
        }
        std::vector<CEntryRead> aEntries =
            ReadGateway(first.Path(), pszGateway, testdata::UtcTm(2006, 6, 30), testdata::UtcTm(2006, 7, 3));
        ASSERT_EQ(aEntries.size(), 900u);
        for (size_t n = 1; n < aEntries.size(); ++n)
            ASSERT_GE(aEntries[n].nTime, aEntries[n - 1].nTime);
    }
    EXPECT_GT(nCompressed, 0);
    EXPECT_LT(nCompressed, 12);
    // The same options write the same entries into the same files as every
    // earlier version: databases and measurements made before stay comparable.
    EXPECT_EQ(nCrc, 0xaf35987bu);
}

TEST(GenerateTraffic, TotalEntriesAreSpreadEvenlyOverTheGatewayDays)
{
    testdata::CTrafficOptions options;
    options.m_nGateways = 3;
    options.m_nDays = 5;
    for (int64_t nTotal : {int64_t(0), int64_t(2), int64_t(14), int64_t(1000), int64_t(200000)}) {
        options.m_nTotalEntries = nTotal;
        uint64_t nSum = 0;
        uint64_t nFewest = UINT64_MAX;
        uint64_t nMost = 0;
        for (int nGateway = 0; nGateway < 3; ++nGateway) {
            for (int nDay = 0; nDay < 5; ++nDay) {
                uint64_t nEntries = testdata::EntriesOfGatewayDay(options, nGateway, nDay);
                nSum += nEntries;
                nFewest = std::min(nFewest, nEntries);
                nMost = std::max(nMost, nEntries);
            }
        }
        EXPECT_EQ(nSum, static_cast<uint64_t>(nTotal));
        EXPECT_LE(nMost - nFewest, 1u) << nTotal;
    }

    options.m_nTotalEntries = 1000;
    options.m_nFilesPerDay = 2;
    CTempDir dir;
    std::string strError;
    ASSERT_TRUE(testdata::GenerateTraffic(dir.Path(), options, strError)) << strError;
    size_t nRead = 0;
    for (const char* pszGateway : {"gw01", "gw02", "gw03"}) {
        std::vector<CEntryRead> aEntries =
            ReadGateway(dir.Path(), pszGateway, testdata::UtcTm(2006, 6, 1), testdata::UtcTm(2006, 6, 6));
        EXPECT_GE(aEntries.size(), 333u) << pszGateway;
        EXPECT_LE(aEntries.size(), 334u) << pszGateway;
        nRead += aEntries.size();
    }
    EXPECT_EQ(nRead, 1000u);
}

TEST(GenerateTraffic, GzipLevelAndExplanationLengthShapeTheFiles)
{
    testdata::CTrafficOptions options;
    options.m_nGateways = 1;
    options.m_nDays = 1;
    options.m_nEntriesPerDay = 2000;
    options.m_nGzipPercent = 100;
    CTempDir fastest;
    CTempDir smallest;
    CTempDir explained;
    std::string strError;
    options.m_nGzipLevel = 1;
    ASSERT_TRUE(testdata::GenerateTraffic(fastest.Path(), options, strError)) << strError;
    options.m_nGzipLevel = 9;
    ASSERT_TRUE(testdata::GenerateTraffic(smallest.Path(), options, strError)) << strError;
    options.m_nExplanationBytes = 150;
    ASSERT_TRUE(testdata::GenerateTraffic(explained.Path(), options, strError)) << strError;

    const std::string strFile = "/gw01/200606/1-0.gz";
    std::string strFastest = ReadWholeFile(fastest.Path() + strFile);
    std::string strSmallest = ReadWholeFile(smallest.Path() + strFile);
    ASSERT_GT(strFastest.size(), 10u);
    ASSERT_GT(strSmallest.size(), 10u);
    EXPECT_EQ(ReadThroughZlib(fastest.Path() + strFile), ReadThroughZlib(smallest.Path() + strFile));
    EXPECT_LT(strSmallest.size(), strFastest.size());
    // The gzip header's extra flags (byte 8) name the level: 4 fastest, 2 smallest.
    EXPECT_EQ(strFastest[8], 4);
    EXPECT_EQ(strSmallest[8], 2);

    // The explanation adds one element of the same length to every entry and
    // leaves the rest of the entries as they were.
    std::vector<CEntryRead> aPlain =
        ReadGateway(smallest.Path(), "gw01", testdata::UtcTm(2006, 6, 1), testdata::UtcTm(2006, 6, 2));
    std::vector<CEntryRead> aExplained =
        ReadGateway(explained.Path(), "gw01", testdata::UtcTm(2006, 6, 1), testdata::UtcTm(2006, 6, 2));
    ASSERT_EQ(aExplained.size(), 2000u);
    ASSERT_EQ(aPlain.size(), aExplained.size());
    const size_t nGrowth = aExplained[0].strBody.size() - aPlain[0].strBody.size();
    EXPECT_GT(nGrowth, 150u);
    EXPECT_LT(nGrowth, 160u);
    for (size_t n = 0; n < aPlain.size(); ++n) {
        ASSERT_EQ(aExplained[n].nTime, aPlain[n].nTime);
        ASSERT_EQ(aExplained[n].strBody.size(), aPlain[n].strBody.size() + nGrowth) << n;
        size_t nText = aExplained[n].strBody.find("Packet logged by rule set entry");
        ASSERT_NE(nText, std::string::npos) << n;
        ASSERT_EQ(aExplained[n].strBody.at(nText + 150), '\0') << n;
    }
}

// The example database shipped with the sources is what its description builds.
TEST(ExampleDatabase, MatchesItsDescription)
{
    std::string strSource = __FILE__;
    std::string strExamples = strSource.substr(0, strSource.rfind("/tests/storage/")) + "/examples";
    std::string strDescription = ReadWholeFile(strExamples + "/logdb.txt");
    ASSERT_FALSE(strDescription.empty());

    CTempDir dir;
    std::string strError;
    ASSERT_TRUE(testdata::BuildDatabase(strDescription, dir.Path(), strError)) << strError;
    EXPECT_EQ(ReadWholeFile(dir / "Ostrel.cfg"), ReadWholeFile(strExamples + "/logdb/Ostrel.cfg"));
    for (const char* pszGateway : {"gw-east", "gw-west", "gw-dmz"}) {
        std::vector<CEntryRead> aBuilt =
            ReadGateway(dir.Path(), pszGateway, testdata::UtcTm(2006, 6, 1), testdata::UtcTm(2006, 7, 1));
        std::vector<CEntryRead> aShipped =
            ReadGateway(strExamples + "/logdb", pszGateway, testdata::UtcTm(2006, 6, 1), testdata::UtcTm(2006, 7, 1));
        ASSERT_EQ(aShipped.size(), aBuilt.size()) << pszGateway;
        ASSERT_FALSE(aShipped.empty());
        for (size_t n = 0; n < aShipped.size(); ++n) {
            ASSERT_EQ(aShipped[n].nTime, aBuilt[n].nTime);
            ASSERT_EQ(aShipped[n].strBody, aBuilt[n].strBody);
            if (n > 0) {
                ASSERT_GE(aShipped[n].nTime, aShipped[n - 1].nTime) << pszGateway << " entry " << n;
            }
        }
    }
}

}  // namespace
