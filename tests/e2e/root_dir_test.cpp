// Storing, showing and overriding the default root directory with the real
// binary, each test with a settings store of its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/log_db_writer.h"
#include "tests/common/process_runner.h"
#include "tests/common/temp_dir.h"

namespace {

class RootDir : public ::testing::Test {
protected:
    ProcessResult Run(const std::vector<std::string>& aArgs, const std::string& strWorkingDir = "")
    {
        ProcessOptions options;
        options.aEnvironment.push_back("XDG_CONFIG_HOME=" + m_store.Path());
        options.strWorkingDir = strWorkingDir;
        return RunSarnith(aArgs, options);
    }

    std::string StoredValue() const { return ReadWholeFile(m_store / "SoftWare/Tovrek/Sarnith/RootDir"); }

    CTempDir m_store;
};

void ExpectResult(const ProcessResult& result, const std::string& strStdout, const std::string& strStderr,
                  int nExitCode)
{
    EXPECT_EQ(result.strStdout, strStdout);
    EXPECT_EQ(result.strStderr, strStderr);
    EXPECT_EQ(result.nExitCode, nExitCode);
}

}  // namespace

TEST_F(RootDir, NothingStored)
{
    ExpectResult(Run({"-g"}), "No root dir set!\n", "", 1);
    ExpectResult(Run({"--GETROOTDIR", "-v"}), "No root dir set!\n", "", 1);
}

TEST_F(RootDir, RelativeDirectoryIsStoredInItsAbsoluteForm)
{
    CTempDir work;
    WriteWholeFile(work / "logs/keep", "");
    const std::string strAbsolute = work / "logs";
    ExpectResult(Run({"-s", "./logs/../logs/"}, work.Path()), "",
                 "Default root dir set to '" + strAbsolute + "'\nWarning: " + strAbsolute + "/Ostrel.cfg is missing.\n",
                 0);
    EXPECT_EQ(StoredValue(), strAbsolute + std::string(1, '\0'));
    ExpectResult(Run({"--getrootdir"}), strAbsolute, "", 1);
}

TEST_F(RootDir, DirectoryWithConfigurationGetsNoWarning)
{
    CTempDir root;
    ASSERT_TRUE(testdata::WriteConfigText(root.Path(), "NRFIREWALLS=0\n"));
    // The statement given with it is not run.
    ExpectResult(Run({"select srcip from gw1", "--SetRootDir", root.Path()}), "",
                 "Default root dir set to '" + root.Path() + "'\n", 0);
    ExpectResult(Run({"-g"}), root.Path(), "", 1);
}

TEST_F(RootDir, MissingDirectoryIsNotStored)
{
    CTempDir root;
    ExpectResult(Run({"-s", root / "absent"}), "", "Error: The specified directory dosent exist\n", 1);
    ExpectResult(Run({"-g"}), "No root dir set!\n", "", 1);
}

TEST_F(RootDir, UnusableNamesAreNotStored)
{
    std::string strLong = "/" + std::string(300, 'd');
    ExpectResult(Run({"-s", strLong}), "", "Error: Failed to get full path name for '" + strLong + "'\n", 1);
    ExpectResult(Run({"-s", ""}), "", "Error: Failed to get full path name for ''\n", 1);
    ExpectResult(Run({"-g"}), "No root dir set!\n", "", 1);
}

TEST_F(RootDir, FailedStoreIsAFailure)
{
    CTempDir root;
    WriteWholeFile(m_store / "SoftWare", "a file where the key's folder belongs");
    ExpectResult(Run({"-s", root.Path()}), "", "Error: Failed to set root dir to '" + root.Path() + "'\n", 1);
}

TEST_F(RootDir, LaterDirectoryOptionReplacesAnEarlierOne)
{
    CTempDir first;
    CTempDir second;
    ExpectResult(
        Run({"-s", first.Path(), "-s", second.Path()}), "",
        "Default root dir set to '" + second.Path() + "'\nWarning: " + second.Path() + "/Ostrel.cfg is missing.\n", 0);
    ExpectResult(Run({"-g"}), second.Path(), "", 1);
}

TEST_F(RootDir, PercentSignIsShownUnchanged)
{
    CTempDir parent;
    const std::string strRoot = parent / "100%s%d";
    WriteWholeFile(strRoot + "/Ostrel.cfg", "");
    ExpectResult(Run({"-s", strRoot}), "", "Default root dir set to '" + strRoot + "'\n", 0);
    ExpectResult(Run({"-g"}), strRoot, "", 1);
}

TEST_F(RootDir, UseRootDirOverridesTheStoredOne)
{
    CTempDir stored;
    CTempDir used;
    ASSERT_TRUE(testdata::WriteConfigText(stored.Path(), "NRFIREWALLS=0\n"));
    ASSERT_EQ(Run({"-s", stored.Path()}).nExitCode, 0);

    ExpectResult(Run({"select srcip from gw1"}), "Failed to find the UDPPORT parameter.\r\n", "", 1);
    ExpectResult(Run({"-r", used.Path(), "select srcip from gw1"}), "",
                 "Error: Failed to read the " + used.Path() + "/Ostrel.cfg\n", 1);
}

TEST_F(RootDir, UseRootDirMustExistAndStopsAtOnce)
{
    CTempDir root;
    const std::string strMissing = root / "absent";
    ExpectResult(Run({"-r", strMissing, "-v"}), "", "'" + strMissing + "' does not exist, or is an invalid path!\n", 1);
    // The path is tested as given, leading blanks included.
    ExpectResult(Run({"--userootdir", " " + root.Path(), "-v"}), "",
                 "' " + root.Path() + "' does not exist, or is an invalid path!\n", 1);
}

TEST_F(RootDir, UseRootDirWithLeadingBlanksIsTrimmedForTheRun)
{
    CTempDir work;
    WriteWholeFile(work / " logs/Ostrel.cfg", "UDPPORT=1\n");
    WriteWholeFile(work / "logs/Ostrel.cfg", "NRFIREWALLS=0\n");
    // " logs" exists; the run trims it to "logs" and reads that folder's configuration.
    ExpectResult(Run({"-r", " logs", "select srcip from gw1"}, work.Path()),
                 "Failed to find the UDPPORT parameter.\r\n", "", 1);
}
