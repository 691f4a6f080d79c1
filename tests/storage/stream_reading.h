// Reading a daily-file stream whole, for the tests of the stream and of
// the inflate engines: everything it hands out, read a given number of
// bytes at a time, and how it ended.
#ifndef SARNITH_TESTS_STORAGE_STREAM_READING_H
#define SARNITH_TESTS_STORAGE_STREAM_READING_H

#include <gtest/gtest.h>
#include <string>

#include "storage/daily_file_stream.h"

struct CStreamResult {
    std::string strBytes;
    CDailyFileStream::EStatus eStatus = CDailyFileStream::EStatus::kMore;
    bool bPassThrough = false;
};

// Reads an opened stream to its end.
inline CStreamResult ReadOpenedStream(CDailyFileStream& stream, size_t nChunk = 8192)
{
    using EStatus = CDailyFileStream::EStatus;
    CStreamResult result;
    std::string strChunk(nChunk, '\0');
    for (;;) {
        size_t nRead = stream.Read(reinterpret_cast<uint8_t*>(strChunk.data()), nChunk, result.eStatus);
        result.strBytes.append(strChunk, 0, nRead);
        if (result.eStatus != EStatus::kMore)
            break;
        EXPECT_GT(nRead, 0u);
    }
    result.bPassThrough = stream.IsPassThrough();
    // The end is told again, with nothing more.
    EStatus eAgain = EStatus::kMore;
    EXPECT_EQ(stream.Read(reinterpret_cast<uint8_t*>(strChunk.data()), nChunk, eAgain), 0u);
    EXPECT_EQ(eAgain, result.eStatus);
    return result;
}

inline CStreamResult ReadStream(const std::string& strPath, size_t nChunk = 8192,
                                CDailyFileStream::PFN_CREATE_ENGINE pfnCreateEngine = &CreateInflateEngine)
{
    CDailyFileStream stream(pfnCreateEngine);
    platform::CFileFacts facts;
    EXPECT_TRUE(stream.Open(strPath.c_str(), facts));
    return ReadOpenedStream(stream, nChunk);
}

#endif
