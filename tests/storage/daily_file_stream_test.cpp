// The daily-file stream: plain bytes passed through, gzip members decoded,
// and every kind of damage told as an error after every byte decoded before
// it.
#include "storage/daily_file_stream.h"

#include <gtest/gtest.h>
#include <string>

#include "storage/gzip_format.h"
#include "testing/log_db_writer.h"
#include "tests/common/temp_dir.h"
#include "tests/storage/stream_reading.h"

namespace {

using EStatus = CDailyFileStream::EStatus;
using testdata::CGzipMemberOptions;
using testdata::GzipMember;

class DailyFileStream : public testing::Test {
protected:
    CStreamResult ReadBytes(const std::string& strStored, size_t nChunk = 8192)
    {
        std::string strPath = m_dir / "file";
        EXPECT_TRUE(testdata::WriteFileBytes(strPath, strStored, testdata::ECompression::kPlain));
        return ReadStream(strPath, nChunk);
    }

    // A damaged stream: an error, after a part of the original bytes.
    void ExpectErrorAfterPrefix(const std::string& strStored, const std::string& strOriginal, const char* pszCase)
    {
        CStreamResult result = ReadBytes(strStored);
        EXPECT_EQ(result.eStatus, EStatus::kError) << pszCase;
        EXPECT_EQ(strOriginal.compare(0, result.strBytes.size(), result.strBytes), 0) << pszCase;
        EXPECT_LE(result.strBytes.size(), strOriginal.size()) << pszCase;
    }

    CTempDir m_dir;
};

// Bytes that compress well but not trivially.
std::string Sample(size_t nSize, int nSeed = 1)
{
    std::string strBytes(nSize, '\0');
    for (size_t i = 0; i < nSize; ++i)
        strBytes[i] = static_cast<char>((i * 31 + static_cast<size_t>(nSeed) * 7 + i / 97) % 61 + 'A');
    return strBytes;
}

TEST_F(DailyFileStream, BytesWithoutTheGzipMagicPassThrough)
{
    const std::string aCases[] = {"", "L", "\x1f", std::string("\x1f\x00", 2), "\x1f\x8a rest", Sample(20000)};
    for (const std::string& strBytes : aCases) {
        CStreamResult result = ReadBytes(strBytes);
        EXPECT_EQ(result.strBytes, strBytes);
        EXPECT_EQ(result.eStatus, EStatus::kEnd);
        EXPECT_TRUE(result.bPassThrough);
    }
}

TEST_F(DailyFileStream, MembersFollowEachOtherAndTrailingGarbageIsIgnored)
{
    std::string strFirst = Sample(30000, 1);
    std::string strSecond = Sample(100, 2);
    std::string strMembers = GzipMember(strFirst) + GzipMember("") + GzipMember(strSecond);
    const std::string aTails[] = {"", "\x1f", "trailing garbage", std::string(3, '\0')};
    for (const std::string& strTail : aTails) {
        for (size_t nChunk : {size_t(1), size_t(7), size_t(8192)}) {
            CStreamResult result = ReadBytes(strMembers + strTail, nChunk);
            EXPECT_EQ(result.strBytes, strFirst + strSecond) << nChunk;
            EXPECT_EQ(result.eStatus, EStatus::kEnd) << nChunk;
            EXPECT_FALSE(result.bPassThrough);
        }
    }
    // A compressed file that holds nothing at all.
    CStreamResult empty = ReadBytes(GzipMember(""));
    EXPECT_EQ(empty.strBytes, "");
    EXPECT_EQ(empty.eStatus, EStatus::kEnd);
}

TEST_F(DailyFileStream, OptionalHeaderFieldsArePassedOver)
{
    std::string strBytes = Sample(5000);
    CGzipMemberOptions options;
    options.m_bExtra = true;
    options.m_strExtra = std::string(9000, 'x');  // longer than the input buffer
    options.m_bName = true;
    options.m_strName = "20-0.osl";
    options.m_bComment = true;
    options.m_strComment = std::string(10000, 'c');
    options.m_bHeaderCrc = true;
    CStreamResult result = ReadBytes(GzipMember(strBytes, options));
    EXPECT_EQ(result.strBytes, strBytes);
    EXPECT_EQ(result.eStatus, EStatus::kEnd);
}

TEST_F(DailyFileStream, DamagedMembersEndWithAnErrorAfterTheirGoodBytes)
{
    std::string strBytes = Sample(3000);
    CGzipMemberOptions badCrc;
    badCrc.m_nCrcFlip = 1;
    CGzipMemberOptions badSize;
    badSize.m_nSizeAdd = 1;
    CGzipMemberOptions badHeaderCrc;
    badHeaderCrc.m_bHeaderCrc = true;
    badHeaderCrc.m_nHeaderCrcFlip = 0x100;
    CGzipMemberOptions badMethod;
    badMethod.m_nMethod = 7;
    CGzipMemberOptions reservedFlag;
    reservedFlag.m_nExtraFlags = 0x20;

    // The data is whole: every byte comes out before the trailer disagrees.
    for (const CGzipMemberOptions* pOptions : {&badCrc, &badSize}) {
        CStreamResult result = ReadBytes(GzipMember(strBytes, *pOptions));
        EXPECT_EQ(result.strBytes, strBytes);
        EXPECT_EQ(result.eStatus, EStatus::kError);
    }
    for (const CGzipMemberOptions* pOptions : {&badHeaderCrc, &badMethod, &reservedFlag}) {
        CStreamResult result = ReadBytes(GzipMember(strBytes, *pOptions));
        EXPECT_EQ(result.strBytes, "");
        EXPECT_EQ(result.eStatus, EStatus::kError);
    }
    // Damage in a later member, after a sound one; a second magic followed by junk.
    ExpectErrorAfterPrefix(GzipMember(strBytes) + GzipMember(strBytes, badCrc), strBytes + strBytes, "second member");
    ExpectErrorAfterPrefix(GzipMember(strBytes) + std::string("\x1f\x8bjunk"), strBytes, "junk member");
}

TEST_F(DailyFileStream, EveryCutOfAMemberIsAnError)
{
    std::string strBytes = Sample(2000);
    std::string strMember = GzipMember(strBytes);
    for (size_t nCut = kGzipMagicSize; nCut < strMember.size(); ++nCut)
        ExpectErrorAfterPrefix(strMember.substr(0, nCut), strBytes, std::to_string(nCut).c_str());
}

TEST_F(DailyFileStream, FlippedBitsNeverPassUnnoticed)
{
    // The bytes decoded before the damage shows may be wrong already; the
    // stream still ends with an error, never as a clean end.
    std::string strBytes = Sample(40000);
    std::string strMember = GzipMember(strBytes);
    for (size_t nAt = kGzipHeaderSize; nAt < strMember.size(); nAt += strMember.size() / 37) {
        std::string strDamaged = strMember;
        strDamaged[nAt] = static_cast<char>(strDamaged[nAt] ^ 0x10);
        EXPECT_EQ(ReadBytes(strDamaged).eStatus, EStatus::kError) << nAt;
    }
    std::string strDamaged = strMember;
    strDamaged[strMember.size() - 1] = static_cast<char>(strDamaged[strMember.size() - 1] ^ 0x01);
    EXPECT_EQ(ReadBytes(strDamaged).eStatus, EStatus::kError);
}

TEST_F(DailyFileStream, ReadErrorsAreTold)
{
    // Reading this process's memory file from its start fails at once.
    CStreamResult result = ReadStream("/proc/self/mem");
    EXPECT_EQ(result.strBytes, "");
    EXPECT_EQ(result.eStatus, EStatus::kError);

    CDailyFileStream stream;
    platform::CFileFacts facts;
    EXPECT_FALSE(stream.Open((m_dir / "missing").c_str(), facts));
    EXPECT_FALSE(stream.Open(m_dir.Path().c_str(), facts));
}

// An engine that decodes by zlib's but runs out of memory after a while.
class CStarvedEngine : public CInflateEngine {
public:
    CStarvedEngine() : m_pReal(CreateInflateEngine(EInflateEngine::kZlib)) {}
    bool Start() override { return m_pReal->Start(); }
    CStep Inflate(const uint8_t* pInput, size_t nInput, uint8_t* pOutput, size_t nOutput) override
    {
        if (m_nProduced >= 1000)
            return CStep{EStatus::kNoMemory, 0, 0};
        CStep step = m_pReal->Inflate(pInput, nInput, pOutput, nOutput < 100 ? nOutput : 100);
        m_nProduced += step.m_nProduced;
        return step;
    }
    uint32_t Crc32(uint32_t nCrc, const uint8_t* pData, size_t nCount) const override
    {
        return m_pReal->Crc32(nCrc, pData, nCount);
    }
    bool StopsExactly() const override { return true; }

private:
    std::unique_ptr<CInflateEngine> m_pReal;
    size_t m_nProduced = 0;
};

std::unique_ptr<CInflateEngine> NoEngine()
{
    return nullptr;
}

std::unique_ptr<CInflateEngine> StarvedEngine()
{
    return std::unique_ptr<CInflateEngine>(new CStarvedEngine);
}

TEST_F(DailyFileStream, MemoryRunningOutInTheEngineIsAnError)
{
    std::string strBytes = Sample(5000);
    std::string strPath = m_dir / "20-0.gz";
    ASSERT_TRUE(testdata::WriteFileBytes(strPath, GzipMember(strBytes), testdata::ECompression::kPlain));

    CStreamResult none = ReadStream(strPath, 8192, &NoEngine);
    EXPECT_EQ(none.strBytes, "");
    EXPECT_EQ(none.eStatus, EStatus::kError);

    CStreamResult starved = ReadStream(strPath, 8192, &StarvedEngine);
    EXPECT_EQ(starved.strBytes, strBytes.substr(0, 1000));
    EXPECT_EQ(starved.eStatus, EStatus::kError);
}

}  // namespace
