// The platform layer's questions about an output: whether its reader has
// gone away, whether it is a terminal.
#include "support/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
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

TEST(Platform, TerminalsAreToldFromFilesAndPipes)
{
    // The output is gathered before it is written, except to a terminal.
    int aPipe[2];
    ASSERT_EQ(pipe(aPipe), 0);
    EXPECT_FALSE(platform::IsTerminal(aPipe[1]));
    close(aPipe[0]);
    close(aPipe[1]);
    std::FILE* pFile = std::tmpfile();
    ASSERT_NE(pFile, nullptr);
    EXPECT_FALSE(platform::IsTerminal(fileno(pFile)));
    std::fclose(pFile);

    int nMaster = posix_openpt(O_RDWR | O_NOCTTY);
    if (nMaster < 0 || grantpt(nMaster) != 0 || unlockpt(nMaster) != 0) {
        if (nMaster >= 0)
            close(nMaster);
        GTEST_SKIP() << "no pseudo-terminal";
    }
    int nTerminal = open(ptsname(nMaster), O_RDWR | O_NOCTTY);
    ASSERT_GE(nTerminal, 0);
    EXPECT_TRUE(platform::IsTerminal(nTerminal));
    close(nTerminal);
    close(nMaster);
}

}  // namespace
