// zlib's and ISA-L's inflate engines side by side over the gzip corpus of
// the test-data writer (testing/gzip_corpus.h): the daily-file stream must
// hand out the same bytes and end the same way, and a reader the same
// entries and messages, whichever engine decodes, for sound, damaged,
// hand-made and randomly mutated files. Builds without ISA-L skip them.
#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "storage/gzip_format.h"
#include "storage/inflate_engine.h"
#include "storage/log_file_reader.h"
#include "testing/gzip_corpus.h"
#include "testing/log_db_writer.h"
#include "testing/traffic.h"
#include "tests/common/recorded_messages.h"
#include "tests/common/temp_dir.h"
#include "tests/storage/stream_reading.h"

namespace {

using EStatus = CDailyFileStream::EStatus;
using testdata::CCorpusFile;
using testdata::ECompression;

std::unique_ptr<CInflateEngine> ZlibEngine()
{
    return CreateInflateEngine(EInflateEngine::kZlib);
}

std::unique_ptr<CInflateEngine> IsalEngine()
{
    return CreateInflateEngine(EInflateEngine::kIsal);
}

// The sanitizers slow decoding down about tenfold: fewer random cases there.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kRandomCases = 400;
#else
constexpr int kRandomCases = 3000;
#endif

// A daily file of nEntries generated entries (about 110 bytes each).
std::string DailyFileBytes(int nEntries, uint64_t nSeed)
{
    testdata::CRandom random(nSeed);
    testdata::CDailyFile file;
    LogTime nTime = testdata::LogTimeFromUtc(2006, 6, 20);
    for (int n = 0; n < nEntries; ++n) {
        nTime += random.Below(20000000);
        file.AddEntry(nTime, testdata::BuildEntryBody(testdata::RandomEntry(random, nTime)));
    }
    return file.AddEndMarker().Bytes();
}

// Whether zlib's inflate stops at a Huffman code it refuses for a block
// header (incomplete or over-subscribed) in some member of the file.
bool ZlibRefusesACode(const std::string& strGzip)
{
    z_stream stream = z_stream();
    inflateInit2(&stream, 15 + 16);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(strGzip.data()));
    stream.avail_in = static_cast<uInt>(strGzip.size());
    std::string strOut(65536, '\0');
    int nResult;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(strOut.data());
        stream.avail_out = static_cast<uInt>(strOut.size());
        nResult = inflate(&stream, Z_NO_FLUSH);
        if (nResult == Z_STREAM_END && stream.avail_in >= 2 && stream.next_in[0] == 0x1f && stream.next_in[1] == 0x8b) {
            inflateReset(&stream);
            nResult = Z_OK;
        }
    } while (nResult == Z_OK);
    std::string strMessage = stream.msg != nullptr ? stream.msg : "";
    inflateEnd(&stream);
    return nResult == Z_DATA_ERROR && (strMessage.find("lengths set") != std::string::npos ||
                                       strMessage.find("distances set") != std::string::npos);
}

// Makes the readers of this test use one engine, and the build's again afterwards.
class CEngineInUse {
public:
    explicit CEngineInUse(EInflateEngine eEngine) { UseInflateEngine(eEngine); }
    ~CEngineInUse()
    {
        UseInflateEngine(HasInflateEngine(EInflateEngine::kIsal) ? EInflateEngine::kIsal : EInflateEngine::kZlib);
    }
};

struct CReaderResult {
    std::vector<LogTime> aTimes;
    std::vector<std::string> aBodies;
    std::string strMessages;

    bool operator==(const CReaderResult& other) const
    {
        return aTimes == other.aTimes && aBodies == other.aBodies && strMessages == other.strMessages;
    }
};

// Where the deflate data starts in members GzipMember makes without
// optional header fields.
constexpr size_t kDeflateStart = kGzipHeaderSize;

// What an engine made of deflate data handed to it nInPiece bytes at a
// time, with room for nOutRoom bytes a call: its bytes, and how much input
// it had consumed at the end of the deflate data (0 if it did not get there).
struct CPiecewise {
    std::string strBytes;
    size_t nEnd = 0;
};

CPiecewise Inflate(EInflateEngine eEngine, const std::string& strDeflate, size_t nInPiece, size_t nOutRoom)
{
    CPiecewise result;
    std::unique_ptr<CInflateEngine> pEngine = CreateInflateEngine(eEngine);
    EXPECT_TRUE(pEngine->Start());
    const uint8_t* pInput = reinterpret_cast<const uint8_t*>(strDeflate.data());
    std::vector<uint8_t> aRoom(nOutRoom);
    size_t nPosition = 0;
    size_t nHandedIn = 0;  // input made available so far
    for (;;) {
        if (nHandedIn - nPosition < nInPiece && nHandedIn < strDeflate.size())
            nHandedIn = std::min(strDeflate.size(), nHandedIn + nInPiece);
        CInflateEngine::CStep step =
            pEngine->Inflate(pInput + nPosition, nHandedIn - nPosition, aRoom.data(), nOutRoom);
        nPosition += step.m_nConsumed;
        result.strBytes.append(reinterpret_cast<const char*>(aRoom.data()), step.m_nProduced);
        if (step.m_eStatus == CInflateEngine::EStatus::kStreamEnd)
            result.nEnd = nPosition;
        bool bStuck = step.m_nConsumed == 0 && step.m_nProduced == 0 && nHandedIn == strDeflate.size();
        if (step.m_eStatus != CInflateEngine::EStatus::kProgress || bStuck)
            return result;
    }
}

class InflateEngines : public testing::Test {
protected:
    void SetUp() override
    {
        if (!HasInflateEngine(EInflateEngine::kIsal))
            GTEST_SKIP() << "this build inflates with zlib alone";
    }

    std::string Store(const std::string& strBytes)
    {
        std::string strPath = m_dir / "file.gz";
        EXPECT_TRUE(testdata::WriteFileBytes(strPath, strBytes, ECompression::kPlain));
        return strPath;
    }

    // Both engines over the stored file read nChunk bytes at a time: the
    // same bytes and the same end. A block whose Huffman code zlib refuses
    // may be decoded further by ISA-L (see storage/daily_file_stream.h):
    // then ISA-L's bytes start with zlib's, and both end in an error.
    // Returns whether the file was such a case.
    bool ExpectSameStream(const std::string& strStored, size_t nChunk, const std::string& strCase)
    {
        std::string strPath = Store(strStored);
        CStreamResult zlib = ReadStream(strPath, nChunk, &ZlibEngine);
        CStreamResult isal = ReadStream(strPath, nChunk, &IsalEngine);
        if (zlib.strBytes == isal.strBytes && zlib.eStatus == isal.eStatus)
            return false;
        bool bRefusedCode = ZlibRefusesACode(strStored);
        EXPECT_TRUE(bRefusedCode) << strCase << ", read " << nChunk << " at a time: zlib " << zlib.strBytes.size()
                                  << " bytes, status " << static_cast<int>(zlib.eStatus) << "; ISA-L "
                                  << isal.strBytes.size() << " bytes, status " << static_cast<int>(isal.eStatus);
        EXPECT_EQ(isal.strBytes.compare(0, zlib.strBytes.size(), zlib.strBytes), 0) << strCase;
        EXPECT_EQ(zlib.eStatus, EStatus::kError) << strCase;
        EXPECT_EQ(isal.eStatus, EStatus::kError) << strCase;
        return true;
    }

    // A gateway whose 2006-06-20 holds the stored bytes as file 0 (named
    // strName0) and a sound file 1 after it, read by a reader with each
    // engine: the same entries and messages.
    static void ExpectSameReader(const std::string& strStored, const char* pszName0, const std::string& strCase)
    {
        CTempDir dir;
        std::string strMonth = dir / "gw/200606";
        ASSERT_TRUE(testdata::WriteFileBytes(strMonth + "/" + pszName0, strStored, ECompression::kPlain));
        ASSERT_TRUE(testdata::WriteFileBytes(strMonth + "/20-1.osl", DailyFileBytes(3, 7), ECompression::kPlain));
        CReaderResult zlib = ReadGateway(dir.Path(), EInflateEngine::kZlib);
        CReaderResult isal = ReadGateway(dir.Path(), EInflateEngine::kIsal);
        if (!(zlib == isal) && ZlibRefusesACode(strStored))
            return;  // the one difference: ExpectSameStream checks it
        EXPECT_EQ(zlib.aTimes, isal.aTimes) << strCase;
        EXPECT_TRUE(zlib.aBodies == isal.aBodies) << strCase;
        EXPECT_EQ(zlib.strMessages, isal.strMessages) << strCase;
        EXPECT_FALSE(zlib.aTimes.empty()) << strCase;  // at least the sound file's
    }

    static CReaderResult ReadGateway(const std::string& strRoot, EInflateEngine eEngine)
    {
        CEngineInUse engine(eEngine);
        CRecordedMessages messages;
        CLogFileReader reader(messages, "gw", strRoot.c_str(), testdata::UtcTm(2006, 6, 1),
                              testdata::UtcTm(2006, 7, 1));
        CReaderResult result;
        CLogEntry entry;
        while (reader.ReadEntry(entry)) {
            result.aTimes.push_back(entry.GetTime());
            result.aBodies.emplace_back(reinterpret_cast<const char*>(entry.m_pBody), entry.m_nLength);
        }
        result.strMessages = messages.m_strText;
        return result;
    }

    CTempDir m_dir;
};

TEST_F(InflateEngines, SoundFilesOfEveryMakeDecodeWholeWithBoth)
{
    std::string strDaily = DailyFileBytes(1500, 1);
    std::vector<CCorpusFile> aSound = testdata::SoundGzipFiles(strDaily, m_dir.Path());
    size_t nByCommand = 0;
    for (const CCorpusFile& file : aSound) {
        if (file.m_strName.compare(0, 4, "gzip") == 0)
            ++nByCommand;
        std::string strPath = Store(file.m_strBytes);
        for (size_t nChunk : {size_t(1000), size_t(8192), size_t(100000)}) {
            for (auto pfnEngine : {&ZlibEngine, &IsalEngine}) {
                CStreamResult result = ReadStream(strPath, nChunk, pfnEngine);
                EXPECT_EQ(result.eStatus, EStatus::kEnd) << file.m_strName;
                EXPECT_TRUE(result.strBytes == strDaily) << file.m_strName << ", read " << nChunk << " at a time";
            }
        }
        ExpectSameReader(file.m_strBytes, "20-0.gz", file.m_strName);
    }
    EXPECT_EQ(nByCommand, 6u);  // gzip at three levels, with and without the name
}

TEST_F(InflateEngines, DamagedFilesEndAlike)
{
    std::string strDaily = DailyFileBytes(600, 2);
    std::vector<std::string> aSound = {testdata::GzipBytes(strDaily), testdata::GzipMember(strDaily.substr(0, 30000)) +
                                                                          testdata::GzipMember(strDaily.substr(30000))};
    for (const std::string& strSound : aSound) {
        for (const CCorpusFile& file : testdata::DamagedGzipFiles(strSound, 60)) {
            for (size_t nChunk : {size_t(977), size_t(8192)})
                EXPECT_FALSE(ExpectSameStream(file.m_strBytes, nChunk, file.m_strName));
            ExpectSameReader(file.m_strBytes, "20-0.gz", file.m_strName);
        }
    }
}

TEST_F(InflateEngines, HandMadeEdgesEndAlike)
{
    for (const CCorpusFile& file : testdata::CraftedGzipFiles()) {
        for (size_t nChunk : {size_t(1), size_t(100), size_t(8192), size_t(70000)})
            EXPECT_FALSE(ExpectSameStream(file.m_strBytes, nChunk, file.m_strName));
        CStreamResult result = ReadStream(Store(file.m_strBytes), 8192, &IsalEngine);
        bool bSound = file.m_strName.find("distance 5000 ") != std::string::npos;
        EXPECT_EQ(result.eStatus, bSound ? EStatus::kEnd : EStatus::kError) << file.m_strName;
    }
}

TEST_F(InflateEngines, FileNamesDoNotDecide)
{
    std::string strDaily = DailyFileBytes(200, 3);
    std::string strGzip = testdata::GzipBytes(strDaily);
    ExpectSameReader(strGzip, "20-0.osl", "a gzip file with a plain name");
    ExpectSameReader(strDaily, "20-0.gz", "a plain file with a gzip name");
    ExpectSameReader(strGzip.substr(0, strGzip.size() / 2), "20-0.osl", "a cut gzip file with a plain name");
}

TEST_F(InflateEngines, RandomDamageEndsAlike)
{
    std::string strDaily = DailyFileBytes(400, 4);
    std::vector<CCorpusFile> aSound = testdata::SoundGzipFiles(strDaily, m_dir.Path());
    testdata::CRandom random(20061220);
    int nRefusedCodes = 0;
    for (int nCase = 0; nCase < kRandomCases; ++nCase) {
        const CCorpusFile& sound = aSound[random.Below(aSound.size())];
        std::string strMutated = testdata::MutatedGzip(sound.m_strBytes, random);
        std::string strCase = "case " + std::to_string(nCase) + " from " + sound.m_strName;
        size_t nChunk = static_cast<size_t>(random.Below(3) == 0 ? 1 + random.Below(300) : 1 + random.Below(70000));
        nRefusedCodes += ExpectSameStream(strMutated, nChunk, strCase) ? 1 : 0;
        if (nCase % 10 == 0)
            ExpectSameReader(strMutated, "20-0.gz", strCase);
    }
    EXPECT_LE(nRefusedCodes, kRandomCases / 100);
}

TEST_F(InflateEngines, APipeIsDecodedAsAFileIs)
{
    // A pipe cannot be read again, so zlib's engine decodes it from the
    // start; its bytes arrive in pieces of any size.
    std::string strDaily = DailyFileBytes(300, 6);
    std::string strGzip = testdata::GzipBytes(strDaily);
    for (const std::string& strStored : {strGzip, strGzip.substr(0, strGzip.size() * 2 / 3)}) {
        CStreamResult fromFile = ReadStream(Store(strStored), 8192, &ZlibEngine);
        std::string strPipe = m_dir / "pipe";
        ASSERT_EQ(mkfifo(strPipe.c_str(), 0600), 0);
        // Opened for reading and writing, so that the stream does not see
        // the end before the writer has begun; the writer starts once the
        // stream holds the pipe open, so that no byte is lost with the last
        // descriptor.
        int nFd = open(strPipe.c_str(), O_RDWR);
        ASSERT_GE(nFd, 0);
        CDailyFileStream stream(&IsalEngine);
        platform::CFileFacts facts;
        ASSERT_TRUE(stream.Open(strPipe.c_str(), facts));
        std::thread writer([&] {
            for (size_t nAt = 0; nAt < strStored.size(); nAt += 7)
                if (write(nFd, strStored.data() + nAt, std::min<size_t>(7, strStored.size() - nAt)) < 0)
                    break;
            close(nFd);
        });
        CStreamResult fromPipe = ReadOpenedStream(stream);
        writer.join();
        EXPECT_TRUE(fromPipe.strBytes == fromFile.strBytes);
        EXPECT_EQ(fromPipe.eStatus, fromFile.eStatus);
        unlink(strPipe.c_str());
    }
}

TEST_F(InflateEngines, AnIncompleteHuffmanCodeIsTheOneDifference)
{
    // zlib refuses the code at the block's header; ISA-L decodes the block,
    // and here the data never uses the missing code.
    std::string strPath = Store(testdata::IncompleteCodeMember(20000));
    CStreamResult zlib = ReadStream(strPath, 8192, &ZlibEngine);
    CStreamResult isal = ReadStream(strPath, 8192, &IsalEngine);
    EXPECT_EQ(zlib.strBytes, "");
    EXPECT_EQ(zlib.eStatus, EStatus::kError);
    EXPECT_EQ(isal.strBytes, std::string(20000, 'a'));
    EXPECT_EQ(isal.eStatus, EStatus::kEnd);
}

// The engines' own contract on sound data, below the stream: whatever the
// pieces of input and output, the same bytes and the same end of the
// deflate data, the bytes after it left unconsumed.
TEST_F(InflateEngines, PiecesOfAnySizeGiveTheSameBytesAndEnd)
{
    std::string strDaily = DailyFileBytes(300, 5);
    std::vector<std::string> aDeflate;
    for (const CCorpusFile& file : testdata::SoundGzipFiles(strDaily, m_dir.Path()))
        if (file.m_strName.find("level") != std::string::npos || file.m_strName.find("flush") != std::string::npos)
            aDeflate.push_back(file.m_strBytes.substr(kDeflateStart));
    ASSERT_FALSE(aDeflate.empty());
    for (const std::string& strDeflate : aDeflate) {
        for (size_t nInPiece : {size_t(1), size_t(3), size_t(64), size_t(8192)}) {
            for (size_t nOutRoom : {size_t(1), size_t(258), size_t(8192)}) {
                CPiecewise zlib = Inflate(EInflateEngine::kZlib, strDeflate, nInPiece, nOutRoom);
                CPiecewise isal = Inflate(EInflateEngine::kIsal, strDeflate, nInPiece, nOutRoom);
                EXPECT_TRUE(isal.strBytes == strDaily) << nInPiece << " " << nOutRoom;
                EXPECT_TRUE(zlib.strBytes == strDaily) << nInPiece << " " << nOutRoom;
                EXPECT_EQ(isal.nEnd, zlib.nEnd) << nInPiece << " " << nOutRoom;
                EXPECT_EQ(zlib.nEnd, strDeflate.size() - 8);  // the trailer stays
            }
        }
    }
}

}  // namespace
