// mklogdb's generate command as a process: the options that size the
// traffic, their limits and messages, and a database the program reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/process_runner.h"
#include "tests/common/temp_dir.h"

namespace {

ProcessResult RunMklogdb(const std::vector<std::string>& aArgs)
{
    return RunProcess(SARNITH_MKLOGDB, aArgs);
}

TEST(MklogdbGenerate, TotalEntriesGzipLevelAndExplanationMakeADatabaseTheProgramReads)
{
    CTempDir dir;
    ProcessResult result =
        RunMklogdb({"generate", "--gateways", "3", "--days", "2", "--total-entries", "10", "--gzip", "100",
                    "--gzip-level", "1", "--explanation-bytes", "20", "--seed", "7", dir / "db"});
    ASSERT_EQ(result.nExitCode, 0) << result.strStderr;
    EXPECT_EQ(result.strStdout, "");
    EXPECT_EQ(result.strStderr, "");
    EXPECT_EQ(ReadWholeFile(dir / "db/gw03/200606/2-0.osl"), "");
    EXPECT_NE(ReadWholeFile(dir / "db/gw03/200606/2-0.gz"), "");

    ProcessResult read = RunSarnith({"-r", dir / "db", "select vantgard, explanation from all"});
    ASSERT_EQ(read.nExitCode, 0) << read.strStderr;
    EXPECT_EQ(read.strStderr, "");
    size_t nLines = 0;
    for (size_t nPos = read.strStdout.find('\n'); nPos != std::string::npos; nPos = read.strStdout.find('\n', nPos + 1))
        ++nLines;
    EXPECT_EQ(nLines, 10u);
    EXPECT_NE(read.strStdout.find("vantgard=gw01 explanation=\"Packet logged by rul\"\n"), std::string::npos);
}

TEST(MklogdbGenerate, OutOfRangeAndConflictingOptionsAreRefused)
{
    CTempDir dir;
    const struct {
        std::vector<std::string> aOptions;
        const char* pszStderr;
    } kCases[] = {
        // clang-format off
        {{"--entries", "5", "--total-entries", "9"}, "mklogdb: --entries and --total-entries exclude each other\n"},
        {{"--total-entries", "9", "--entries", "5"}, "mklogdb: --entries and --total-entries exclude each other\n"},
        {{"--total-entries", "-1"},                  "mklogdb: bad value for --total-entries: -1\n"},
        {{"--total-entries", "1000000001"},          "mklogdb: bad value for --total-entries: 1000000001\n"},
        {{"--gzip-level", "0"},                      "mklogdb: bad value for --gzip-level: 0\n"},
        {{"--gzip-level", "10"},                     "mklogdb: bad value for --gzip-level: 10\n"},
        {{"--explanation-bytes", "60001"},           "mklogdb: bad value for --explanation-bytes: 60001\n"},
        {{"--explanation-bytes", "x"},               "mklogdb: bad value for --explanation-bytes: x\n"},
        // clang-format on
    };
    for (const auto& test : kCases) {
        std::vector<std::string> aArgs = {"generate"};
        aArgs.insert(aArgs.end(), test.aOptions.begin(), test.aOptions.end());
        aArgs.push_back(dir / "db");
        ProcessResult result = RunMklogdb(aArgs);
        EXPECT_EQ(result.nExitCode, 1) << test.pszStderr;
        EXPECT_EQ(result.strStdout, "");
        EXPECT_EQ(result.strStderr, test.pszStderr);
    }
    EXPECT_EQ(ReadWholeFile(dir / "db/Ostrel.cfg"), "");
}

}  // namespace
