// The gzip corpus: sound files made by zlib and the gzip and igzip
// commands, damaged forms of them, and members around raw deflate data
// written bit by bit.
#include "testing/gzip_corpus.h"

#include <cstdint>
#include <cstdio>
#include <zlib.h>

#include "storage/gzip_format.h"
#include "testing/log_db_writer.h"

namespace testdata {

namespace {

// Raw deflate data written bit by bit: fields least significant bit first,
// Huffman codes most significant bit first.
class CBitWriter {
public:
    void Bits(uint32_t nValue, int nCount)
    {
        for (int i = 0; i < nCount; ++i)
            Bit((nValue >> i) & 1);
    }
    void Code(uint32_t nCode, int nLength)
    {
        for (int i = nLength - 1; i >= 0; --i)
            Bit((nCode >> i) & 1);
    }
    // A stored block of the bytes, with nCheckFlip XORed into its length check.
    void StoredBlock(const std::string& strBytes, bool bFinal, uint16_t nCheckFlip = 0)
    {
        Bits(bFinal ? 1 : 0, 1);
        Bits(0, 2);
        if (m_nBits != 0)
            Bits(0, 8 - m_nBits);
        uint16_t nLength = static_cast<uint16_t>(strBytes.size());
        Bits(nLength, 16);
        Bits(static_cast<uint16_t>(~nLength ^ nCheckFlip), 16);
        m_strBytes += strBytes;
    }
    // The start of a block with the fixed code.
    void FixedBlock(bool bFinal)
    {
        Bits(bFinal ? 1 : 0, 1);
        Bits(1, 2);
    }
    void FixedLiteral(uint8_t nLiteral)
    {
        if (nLiteral < 144)
            Code(0x30u + nLiteral, 8);
        else
            Code(0x190u + (nLiteral - 144u), 9);
    }
    // A length or end-of-block symbol of the fixed code (256-287).
    void FixedLengthSymbol(uint32_t nSymbol)
    {
        if (nSymbol < 280)
            Code(nSymbol - 256, 7);
        else
            Code(0xC0 + (nSymbol - 280), 8);
    }
    std::string Finish()
    {
        if (m_nBits != 0)
            Bits(0, 8 - m_nBits);
        return m_strBytes;
    }

private:
    void Bit(uint32_t nBit)
    {
        m_nByte = static_cast<uint8_t>(m_nByte | (nBit << m_nBits));
        if (++m_nBits == 8) {
            m_strBytes += static_cast<char>(m_nByte);
            m_nByte = 0;
            m_nBits = 0;
        }
    }

    std::string m_strBytes;
    uint8_t m_nByte = 0;
    int m_nBits = 0;
};

// The fixed code's end of block.
constexpr uint32_t kEndOfBlock = 256;
// Length symbol 257: a length of 3, without extra bits.
constexpr uint32_t kLengthThree = 257;

// A member framing the raw deflate data, its trailer made for strBytes.
std::string MemberAround(const std::string& strDeflate, const std::string& strBytes)
{
    CGzipMemberOptions options;
    options.m_pDeflate = &strDeflate;
    return GzipMember(strBytes, options);
}

// Bytes that compress neither trivially nor well.
std::string Filler(size_t nCount)
{
    std::string strBytes(nCount, '\0');
    for (size_t i = 0; i < nCount; ++i)
        strBytes[i] = static_cast<char>('A' + (i * 7 + i / 13) % 26);
    return strBytes;
}

// A final block with a dynamic code in which 'a' has a 1-bit code, the end
// of block a 2-bit one and the 2-bit code 11 is unused; the single distance
// code is 1 bit long.
void IncompleteCodeBlock(CBitWriter& writer, size_t nCount, bool bUnusedCodeAtTheEnd)
{
    writer.Bits(1, 1);   // final
    writer.Bits(2, 2);   // dynamic code
    writer.Bits(0, 5);   // 257 literal/length codes
    writer.Bits(0, 5);   // 1 distance code
    writer.Bits(14, 4);  // 18 code length codes, in their order 16 17 18 0 8 7 9 6 10 5 11 4 12 3 13 2 14 1:
    static const uint32_t kCodeLengthLengths[18] = {0, 0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2};
    for (uint32_t nLength : kCodeLengthLengths)
        writer.Bits(nLength, 3);
    // Code length codes: 0 -> 00, 1 -> 01, 2 -> 10, 18 (a run of 11-138 zeros) -> 11.
    writer.Code(3, 2);
    writer.Bits(97 - 11, 7);  // literals 0-96 unused
    writer.Code(1, 2);        // 'a' (97): 1 bit
    writer.Code(3, 2);
    writer.Bits(138 - 11, 7);  // literals 98-235 unused
    writer.Code(3, 2);
    writer.Bits(20 - 11, 7);  // literals 236-255 unused
    writer.Code(2, 2);        // end of block: 2 bits
    writer.Code(1, 2);        // the one distance code: 1 bit
    for (size_t i = 0; i < nCount; ++i)
        writer.Code(0, 1);  // 'a'
    writer.Code(bUnusedCodeAtTheEnd ? 3 : 2, 2);
}

// The output of a shell command; false when it cannot be run or fails.
bool CommandOutput(const std::string& strCommand, std::string& strOutput)
{
    FILE* pPipe = popen(strCommand.c_str(), "r");
    if (pPipe == nullptr)
        return false;
    char aChunk[65536];
    size_t nRead;
    while ((nRead = std::fread(aChunk, 1, sizeof(aChunk), pPipe)) > 0)
        strOutput.append(aChunk, nRead);
    return pclose(pPipe) == 0;
}

// zlib's strategies besides the default one.
// clang-format off
const struct {
    const char* m_pszName;
    int m_nStrategy;
} kStrategies[] = {
    {"zlib filtered",     Z_FILTERED},
    {"zlib Huffman only", Z_HUFFMAN_ONLY},
    {"zlib run lengths",  Z_RLE},
    {"zlib fixed code",   Z_FIXED},
};
// clang-format on

}  // namespace

std::vector<CCorpusFile> SoundGzipFiles(const std::string& strBytes, const std::string& strScratchDir)
{
    std::vector<CCorpusFile> aFiles;
    CGzipMemberOptions options;
    for (int nLevel = 0; nLevel <= 9; ++nLevel) {
        options.m_nLevel = nLevel;
        aFiles.push_back({"zlib level " + std::to_string(nLevel), GzipMember(strBytes, options)});
    }
    options = CGzipMemberOptions();
    for (const auto& strategy : kStrategies) {
        options.m_nStrategy = strategy.m_nStrategy;
        aFiles.push_back({strategy.m_pszName, GzipMember(strBytes, options)});
    }
    options = CGzipMemberOptions();
    for (size_t nEvery : {size_t(1000), size_t(8192)}) {
        options.m_nFlushEvery = nEvery;
        aFiles.push_back({"zlib, full flush every " + std::to_string(nEvery), GzipMember(strBytes, options)});
    }
    aFiles.push_back({"zlib's gzip wrapper", GzipBytes(strBytes)});

    size_t nThird = strBytes.size() / 3;
    CGzipMemberOptions fast;
    fast.m_nLevel = 1;
    CGzipMemberOptions best;
    best.m_nLevel = 9;
    aFiles.push_back(
        {"members with empty ones among them", GzipMember("") + GzipMember(strBytes.substr(0, nThird), fast) +
                                                   GzipMember("") + GzipMember(strBytes.substr(nThird, nThird), best) +
                                                   GzipMember(strBytes.substr(2 * nThird)) + GzipMember("")});

    CGzipMemberOptions fields;
    fields.m_bExtra = true;
    fields.m_strExtra = "extra field";
    fields.m_bName = true;
    fields.m_strName = "20-0.osl";
    fields.m_bComment = true;
    fields.m_strComment = "a comment";
    fields.m_bHeaderCrc = true;
    aFiles.push_back({"every header field", GzipMember(strBytes, fields)});

    std::string strSource = strScratchDir + "/20-0.osl";
    if (!WriteFileBytes(strSource, strBytes, ECompression::kPlain))
        return aFiles;
    for (const char* pszLevel : {"1", "6", "9"}) {
        for (const char* pszName : {" -n", ""}) {
            std::string strCommand = std::string("gzip -c -") + pszLevel + pszName + " '" + strSource + "'";
            std::string strOutput;
            if (CommandOutput(strCommand, strOutput))
                aFiles.push_back({strCommand.substr(0, strCommand.find(" '")), strOutput});
        }
    }
    for (const char* pszLevel : {"0", "1", "2", "3"}) {
        std::string strCommand = std::string("igzip -c -") + pszLevel + " '" + strSource + "' 2>/dev/null";
        std::string strOutput;
        if (CommandOutput(strCommand, strOutput))
            aFiles.push_back({strCommand.substr(0, strCommand.find(" '")), strOutput});
    }
    return aFiles;
}

std::vector<CCorpusFile> DamagedGzipFiles(const std::string& strSound, size_t nPoints)
{
    std::vector<CCorpusFile> aFiles;
    size_t nSize = strSound.size();
    auto Cut = [&](size_t nAt) { aFiles.push_back({"cut at " + std::to_string(nAt), strSound.substr(0, nAt)}); };
    for (size_t nAt = 1; nAt < 24 && nAt < nSize; ++nAt)
        Cut(nAt);
    for (size_t nPoint = 1; nPoint < nPoints; ++nPoint)
        Cut(nSize * nPoint / nPoints);
    for (size_t nBack = 24; nBack >= 1; --nBack)
        if (nBack < nSize)
            Cut(nSize - nBack);
    for (size_t nPoint = 0; nPoint < nPoints; ++nPoint) {
        size_t nAt = kGzipHeaderSize + (nSize - kGzipHeaderSize) * nPoint / nPoints;
        std::string strFlipped = strSound;
        strFlipped[nAt] = static_cast<char>(strFlipped[nAt] ^ (1 << (nPoint % 8)));
        aFiles.push_back({"bit " + std::to_string(nPoint % 8) + " flipped at " + std::to_string(nAt), strFlipped});
    }
    for (size_t nField = 0; nField < kGzipTrailerSize; ++nField) {
        std::string strWrong = strSound;
        strWrong[nSize - kGzipTrailerSize + nField] =
            static_cast<char>(strWrong[nSize - kGzipTrailerSize + nField] ^ 0x40);
        aFiles.push_back(
            {std::string(nField < 4 ? "CRC" : "length") + " wrong in trailer byte " + std::to_string(nField),
             strWrong});
    }
    aFiles.push_back({"trailing garbage", strSound + "trailing garbage"});
    aFiles.push_back({"trailing zeros", strSound + std::string(100, '\0')});
    std::string strSecond = GzipMember("second member");
    for (size_t nAt = 1; nAt <= kGzipHeaderSize; ++nAt)
        aFiles.push_back(
            {"second member cut inside its header at " + std::to_string(nAt), strSound + strSecond.substr(0, nAt)});
    return aFiles;
}

std::vector<CCorpusFile> CraftedGzipFiles()
{
    std::vector<CCorpusFile> aFiles;
    for (size_t nSize : {size_t(8172), size_t(8192), size_t(16384), size_t(65535)}) {
        CBitWriter writer;
        writer.StoredBlock(Filler(nSize), false);
        writer.Bits(1, 1);
        writer.Bits(3, 2);  // block type 3 does not exist
        aFiles.push_back({"block ends at " + std::to_string(nSize) + ", then block type 3",
                          MemberAround(writer.Finish(), Filler(nSize))});
    }
    {
        CBitWriter writer;
        writer.StoredBlock(Filler(3000), false);
        writer.StoredBlock(Filler(100), true, 0x0100);
        aFiles.push_back({"stored block with a wrong length check", MemberAround(writer.Finish(), Filler(3100))});
    }
    {
        CBitWriter writer;
        writer.FixedBlock(true);
        writer.FixedLiteral('a');
        writer.FixedLengthSymbol(kLengthThree);
        writer.Code(1, 5);  // distance 2, with 1 byte decoded
        writer.FixedLengthSymbol(kEndOfBlock);
        aFiles.push_back({"distance before the first byte", MemberAround(writer.Finish(), "a")});
    }
    for (uint32_t nExtra : {uint32_t(903), uint32_t(904)}) {
        // Distance code 24: 4097 + 11 extra bits; 4097 + 903 = 5000 reaches the first byte exactly.
        CBitWriter writer;
        std::string strFirst = Filler(5000);
        writer.StoredBlock(strFirst, false);
        writer.FixedBlock(true);
        writer.FixedLengthSymbol(kLengthThree);
        writer.Code(24, 5);
        writer.Bits(nExtra, 11);
        writer.FixedLengthSymbol(kEndOfBlock);
        aFiles.push_back({"distance " + std::to_string(4097 + nExtra) + " after 5000 bytes",
                          MemberAround(writer.Finish(), strFirst + strFirst.substr(0, 3))});
    }
    for (uint32_t nSymbol : {uint32_t(286), uint32_t(287)}) {
        CBitWriter writer;
        writer.FixedBlock(true);
        writer.FixedLiteral('a');
        writer.FixedLengthSymbol(nSymbol);
        writer.FixedLengthSymbol(kEndOfBlock);
        aFiles.push_back({"fixed code's length symbol " + std::to_string(nSymbol), MemberAround(writer.Finish(), "a")});
    }
    for (uint32_t nCode : {uint32_t(30), uint32_t(31)}) {
        CBitWriter writer;
        writer.FixedBlock(true);
        writer.FixedLiteral('a');
        writer.FixedLiteral('b');
        writer.FixedLengthSymbol(kLengthThree);
        writer.Code(nCode, 5);
        writer.FixedLengthSymbol(kEndOfBlock);
        aFiles.push_back({"fixed code's distance code " + std::to_string(nCode), MemberAround(writer.Finish(), "ab")});
    }
    {
        CBitWriter writer;
        IncompleteCodeBlock(writer, 100, true);
        aFiles.push_back({"incomplete Huffman code, an unused code met", MemberAround(writer.Finish(), "")});
    }
    return aFiles;
}

std::string IncompleteCodeMember(size_t nCount)
{
    CBitWriter writer;
    IncompleteCodeBlock(writer, nCount, false);
    return MemberAround(writer.Finish(), std::string(nCount, 'a'));
}

std::string MutatedGzip(const std::string& strSound, CRandom& random)
{
    std::string strBytes = strSound;
    uint64_t nChanges = 1 + random.Below(3);
    for (uint64_t nChange = 0; nChange < nChanges && strBytes.size() > kGzipHeaderSize; ++nChange) {
        // Mostly past the header, where the engines do the work.
        size_t nAt = random.Below(8) == 0
                         ? static_cast<size_t>(random.Below(strBytes.size()))
                         : kGzipHeaderSize + static_cast<size_t>(random.Below(strBytes.size() - kGzipHeaderSize));
        char chRandom = static_cast<char>(random.Below(256));
        switch (random.Below(6)) {
        case 0:
            strBytes[nAt] = static_cast<char>(strBytes[nAt] ^ (1 << random.Below(8)));
            break;
        case 1:
            strBytes[nAt] = chRandom;
            break;
        case 2:
            strBytes.insert(nAt, 1, chRandom);
            break;
        case 3:
            strBytes.erase(nAt, 1);
            break;
        case 4:
            strBytes.resize(nAt);
            break;
        default: {
            size_t nFrom = static_cast<size_t>(random.Below(strBytes.size()));
            strBytes.insert(nAt, strBytes.substr(nFrom, static_cast<size_t>(1 + random.Below(64))));
            break;
        }
        }
    }
    return strBytes;
}

}  // namespace testdata
