// The platform layer's question whether an output's reader has gone away.
#include "support/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace {

TEST(Platform, ReaderIsGoneOnlyFromAPipeWhoseReadingEndIsClosed)
{
    int aPipe[2];
    ASSERT_EQ(pipe(aPipe), 0);
    EXPECT_FALSE(platform::IsReaderGone(aPipe[1]));
    close(aPipe[0]);
    EXPECT_TRUE(platform::IsReaderGone(aPipe[1]));
    close(aPipe[1]);

    std::FILE* pFile = std::tmpfile();
    ASSERT_NE(pFile, nullptr);
    EXPECT_FALSE(platform::IsReaderGone(fileno(pFile)));
    std::fclose(pFile);
}

}  // namespace
