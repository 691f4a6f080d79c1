// The command line of the real binary: usage, version, listings, option
// errors, statement files and the configuration checks of a query run.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "testing/log_db_writer.h"
#include "tests/common/process_runner.h"
#include "tests/common/temp_dir.h"

namespace {

const char kUsage[] =
    "Sarnith: Query the log database created by Tovrek Vantgard Logger\n"
    "\n"
    "Usage: sarnith [options] \"<query>\"\n"
    "\n"
    "  query                  LQL search statement (must be quoted)\n"
    "\n"
    "  -s  --setrootdir <dir> Set the default root dir where Sarnith looks\n"
    "                         for log files\n"
    "  -r  --userootdir <dir> Use the specified root dir to look for log files\n"
    "  -g  --getrootdir       Displays current used root dir\n"
    "  -f  --file <filename>  Read the query from the specified file\n"
    "  -d  --delimiter <del>  Set the delimiter used when outputting the data\n"
    "                         This option is ignored if the output is binary\n"
    "  -a  --addenddelimiter  Should an ending delimiter be added. This option\n"
    "                         is ignored if the -d option is not used\n"
    "  -i  --ipformat <type>  IP address formatting. Types: 'i'=integer\n"
    "                         'f'=fixed-length string  's'=plain string (default)\n"
    "  -m  --parameters       List available search parameters\n"
    "  -o  --outputtypes      List available output types\n"
    "  -p  --priority <prio>  Set the priority of this process. Prio can be\n"
    "                         low,normal and high\n"
    "  -h  --help             Displays this information\n"
    "  -v  --version          Display version information\n"
    "\n";

const char kParameters[] =
    "Available search parameters are:\n"
    "ack                 action              algmodname          \n"
    "algsessionid        arp                 authagent           \n"
    "authevent           authrule            category            \n"
    "conn                cwr                 description         \n"
    "destusername        destiface           destip              \n"
    "destport            dynroutingdestproc  dynroutingevent     \n"
    "dynroutingsrcproc   ece                 enet                \n"
    "enetproto           event               fin                 \n"
    "hwdest              hwsrc               icmpdestip          \n"
    "icmpdestport        icmpsrcip           icmpsrcport         \n"
    "icmptype            id                  ip                  \n"
    "ipproto             psh                 recvif              \n"
    "routegw             routeiface          routemetric         \n"
    "routerange          rst                 rule                \n"
    "satdestrule         satsrcrule          severity            \n"
    "srcip               srcport             srcusername         \n"
    "syn                 tcp                 udp                 \n"
    "urg                 username            \n";

const char kOutputTypes[] =
    "Available output types are:\n"
    "ack                 action              algmodname          \n"
    "algsessionid        arp                 arphwdest           \n"
    "arphwsrc            authagent           authevent           \n"
    "authrule            binary              category            \n"
    "conn                connusage           cwr                 \n"
    "date                description         destusername        \n"
    "destiface           destip              destport            \n"
    "devdate             devtime             dynroutingdestproc  \n"
    "dynroutingevent     dynroutingsrcproc   ece                 \n"
    "enetproto           event               explanation         \n"
    "fin                 hwdest              hwsrc               \n"
    "icmpdestip          icmpdestport        icmpipproto         \n"
    "icmpsrcip           icmpsrcport         icmpstd             \n"
    "icmptype            id                  ipdatalen           \n"
    "iphdrlen            ipproto             iptotlen            \n"
    "origsent            ospfloglevel        ospflogsection      \n"
    "params              psh                 recvif              \n"
    "routegw             routeiface          routemetric         \n"
    "routerange          rst                 rule                \n"
    "satdestrule         satsrcrule          vantgard            \n"
    "severity            srcip               srcport             \n"
    "srcusername         standard            syn                 \n"
    "tcpdatalen          tcpflags            tcphdrlen           \n"
    "tcpstd              tcptotlen           termsent            \n"
    "time                ttl                 udpdatalen          \n"
    "udpstd              udptotlen           urg                 \n"
    "usage               username            usernames           \n"
    "\n";

constexpr const char* kStatement = "select srcip from gw1";

void ExpectResult(const ProcessResult& result, const std::string& strStdout, const std::string& strStderr,
                  int nExitCode)
{
    EXPECT_EQ(result.strStdout, strStdout);
    EXPECT_EQ(result.strStderr, strStderr);
    EXPECT_EQ(result.nExitCode, nExitCode);
}

// The message a run gives once its options were accepted and it looks for
// the configuration of an empty root directory.
std::string ConfigMissing(const CTempDir& root)
{
    return "Error: Failed to read the " + root.Path() + "/Ostrel.cfg\n";
}

}  // namespace

TEST(Options, UsageOnStandardOutputForNoArgumentsAndHelp)
{
    ExpectResult(RunSarnith({}), kUsage, "", 1);
    for (const char* pszHelp : {"-h", "--help", "-H", "--HeLp", "  \t-h"}) {
        SCOPED_TRACE(pszHelp);
        ExpectResult(RunSarnith({pszHelp}), kUsage, "", 1);
    }
    ExpectResult(RunSarnith({"-d", ";", "--help", "-v"}), kUsage, "", 1);
}

TEST(Options, VersionBanner)
{
    // The version of project(), its dots matched literally.
    const std::string strVersion = std::regex_replace(SARNITH_VERSION, std::regex("\\."), "\\.");
    const std::regex banner("Sarnith " + strVersion +
                            " Build: (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [1-9][0-9]? "
                            "[0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\n\n[^\n]+\n[^\n]+\n");
    for (const char* pszVersion : {"-v", "-V", "--version", "--VERSION"}) {
        ProcessResult result = RunSarnith({pszVersion, "select ignored"});
        EXPECT_TRUE(std::regex_match(result.strStdout, banner)) << result.strStdout;
        EXPECT_EQ(result.strStderr, "");
        EXPECT_EQ(result.nExitCode, 0);
    }
}

TEST(Options, ListingsByteForByte)
{
    ExpectResult(RunSarnith({"-m"}), kParameters, "", 0);
    ExpectResult(RunSarnith({"--PARAMETERS"}), kParameters, "", 0);
    ExpectResult(RunSarnith({"--outputtypes"}), kOutputTypes, "", 0);
    // Recognised wherever it stands; the options before it are taken first.
    ExpectResult(RunSarnith({"-d", ";", "-i", "f", "-O", "-v"}), kOutputTypes, "", 0);
    ExpectResult(RunSarnith({"-d", "x", "-o"}), "", "Error: Unsupported delimiter 'x'\n", 1);
}

TEST(Options, ListingIntoAClosedPipeEndsQuietly)
{
    // The reader has gone before the listing is written: no message, and the
    // listing's own exit code. (Should the reader still be there, the
    // listing fits the pipe and the result is the same.)
    ProcessResult result = RunProcess(
        "/bin/bash", {"-c", "(sleep 0.5; exec \"$0\" -m) | true; echo \"status=${PIPESTATUS[0]}\"", SARNITH_BINARY});
    ExpectResult(result, "status=0\n", "", 0);
}

TEST(Options, ArgumentThatIsNoOptionMustBeAStatement)
{
    ExpectResult(RunSarnith({"from gw1"}), "", kUsage, 1);
    ExpectResult(RunSarnith({"-x"}), "", kUsage, 1);
    ExpectResult(RunSarnith({"selec"}), "", kUsage, 1);
    ExpectResult(RunSarnith({"-d", ";", "srcip", "-v"}), "", kUsage, 1);
}

TEST(Options, MissingOptionValues)
{
    ExpectResult(RunSarnith({kStatement, "-f"}), "", std::string("Error: No filename specified!\n") + kUsage, 1);
    ExpectResult(RunSarnith({"-d"}), "", std::string("Error: No delimiter specified!\n") + kUsage, 1);
    ExpectResult(RunSarnith({"--ipformat"}), "", std::string("Error: No IP address format specified!\n") + kUsage, 1);
    ExpectResult(RunSarnith({"-p"}), "", std::string("Error: No priority specified!\n") + kUsage, 1);
    ExpectResult(RunSarnith({"-s"}), "", kUsage, 1);
    ExpectResult(RunSarnith({"--userootdir"}), "", kUsage, 1);
}

TEST(Options, DelimitersAndEscapes)
{
    CTempDir root;
    const std::string strRunning = ConfigMissing(root);
    for (const char* pszDelimiter : {"\\t", ";", ";x", ",", "#", "\t", "\\x3b", "\\073", "\\x2C", "\\43"}) {
        SCOPED_TRACE(pszDelimiter);
        ExpectResult(RunSarnith({"-r", root.Path(), "-d", pszDelimiter, kStatement}), "", strRunning, 1);
    }

    const std::string strEscape = "Unknown esc sequence or not an allowed esc sequence\n";
    for (const char* pszDelimiter : {"\\q", "\\", "\\x", "\\400", "\\0"}) {
        SCOPED_TRACE(pszDelimiter);
        ExpectResult(RunSarnith({"-d", pszDelimiter, kStatement}), "", strEscape, 1);
    }
    ExpectResult(RunSarnith({"-d", "\\\\", kStatement}), "", "Error: Unsupported delimiter '\\'\n", 1);
    ExpectResult(RunSarnith({"-d", "|", kStatement}), "", "Error: Unsupported delimiter '|'\n", 1);
    ExpectResult(RunSarnith({"-d", "\\n", kStatement}), "", "Error: Unsupported delimiter '\n'\n", 1);
    ExpectResult(RunSarnith({"-d", " ;", kStatement}), "", "Error: Unsupported delimiter ' '\n", 1);
}

TEST(Options, EndingDelimiter)
{
    CTempDir root;
    const std::string strRunning = ConfigMissing(root);
    // A value of its own, the delimiter so far, or nothing: all are accepted.
    ExpectResult(RunSarnith({"-r", root.Path(), "-a", ";", kStatement}), "", strRunning, 1);
    ExpectResult(RunSarnith({"-r", root.Path(), "-d", ",", "-a", kStatement}), "", strRunning, 1);
    ExpectResult(RunSarnith({"-r", root.Path(), "-a", kStatement}), "", strRunning, 1);
    ExpectResult(RunSarnith({"-r", root.Path(), "--addenddelimiter", "\\t", kStatement}), "", strRunning, 1);
    ExpectResult(RunSarnith({"-r", root.Path(), kStatement, "-a"}), "", strRunning, 1);
    // An option after -a is the next option, not the ending delimiter.
    EXPECT_EQ(RunSarnith({"-a", "-V"}).nExitCode, 0);
    ExpectResult(RunSarnith({"-a", "-m"}), kParameters, "", 0);
    ExpectResult(RunSarnith({"-r", root.Path(), "-a", "-d", ";", kStatement}), "", strRunning, 1);
    ExpectResult(RunSarnith({"-a", "  SELECT srcip from gw1", "-h"}), kUsage, "", 1);
    // Any other value is checked like a delimiter.
    ExpectResult(RunSarnith({"-a", "x", kStatement}), "", "Error: Unsupported delimiter 'x'\n", 1);
    ExpectResult(RunSarnith({"-a", "\\z", kStatement}), "", "Unknown esc sequence or not an allowed esc sequence\n", 1);
}

TEST(Options, IpFormatAndPriority)
{
    CTempDir root;
    const std::string strRunning = ConfigMissing(root);
    for (const char* pszFormat : {"i", "integer", "f", "s", "string"}) {
        SCOPED_TRACE(pszFormat);
        ExpectResult(RunSarnith({"-r", root.Path(), "-i", pszFormat, kStatement}), "", strRunning, 1);
    }
    for (const char* pszFormat : {"I", "x", ""}) {
        SCOPED_TRACE(pszFormat);
        ExpectResult(RunSarnith({"-i", pszFormat, kStatement}), "", "Error: Unknown IP address formatting type\n", 1);
    }

    for (const char* pszLevel : {"low", "LOW", "normal", "High"}) {
        SCOPED_TRACE(pszLevel);
        ExpectResult(RunSarnith({"-r", root.Path(), "-p", pszLevel, kStatement}), "", strRunning, 1);
    }
    ExpectResult(RunSarnith({"-p", "highest", kStatement}), "",
                 std::string("Error: Unknown priority level\r\n") + kUsage, 1);
}

TEST(Options, ThreadCount)
{
    CTempDir root;
    const std::string strRunning = ConfigMissing(root);
    for (const char* pszCount : {"1", "2", "8", "256", "007"}) {
        SCOPED_TRACE(pszCount);
        ExpectResult(RunSarnith({"-r", root.Path(), "--threads", pszCount, kStatement}), "", strRunning, 1);
        ExpectResult(RunSarnith({"-r", root.Path(), "--THREADS", pszCount, kStatement}), "", strRunning, 1);
    }
    const std::string strRefused = "Error: The thread count must be a number from 1 to 256\n";
    for (const char* pszCount : {"0", "257", "99999999999", "-1", "+2", " 2", "2x", "", "two"}) {
        SCOPED_TRACE(pszCount);
        ExpectResult(RunSarnith({"--threads", pszCount, kStatement}), "", strRefused, 1);
    }
    ExpectResult(RunSarnith({kStatement, "--threads"}), "", std::string("Error: No thread count specified!\n") + kUsage,
                 1);
    // An ending delimiter is not taken from it.
    ExpectResult(RunSarnith({"-r", root.Path(), "-a", "--threads", "2", kStatement}), "", strRunning, 1);
    // There is no short form.
    ExpectResult(RunSarnith({"-t", "2", kStatement}), "", kUsage, 1);
}

TEST(Options, FollowIsAWordWithoutValue)
{
    CTempDir root;
    const std::string strRunning = ConfigMissing(root);
    ExpectResult(RunSarnith({"-r", root.Path(), "--follow", kStatement}), "", strRunning, 1);
    ExpectResult(RunSarnith({"-r", root.Path(), kStatement, "--Follow"}), "", strRunning, 1);
    // An ending delimiter is not taken from it.
    ExpectResult(RunSarnith({"-r", root.Path(), "-a", "--follow", kStatement}), "", strRunning, 1);
}

TEST(Options, StatementAndStatementFileConflict)
{
    CTempDir dir;
    WriteWholeFile(dir / "query.lql", kStatement);
    const std::string strConflict =
        "You can't specify a search statement at the command line\nand also specify to get the search statement "
        "from file.\n";
    ExpectResult(RunSarnith({"-f", dir / "query.lql", kStatement}), "", strConflict, 1);
    ExpectResult(RunSarnith({kStatement, "--FILE", dir / "query.lql"}), "", strConflict, 1);
}

TEST(Options, RootDirectoryAndStatementMustBeThere)
{
    CTempDir store;
    ProcessOptions fresh;
    fresh.aEnvironment.push_back("XDG_CONFIG_HOME=" + store.Path());
    ExpectResult(RunSarnith({kStatement}, fresh), "", "Error: No default root dir set\n", 1);
    ExpectResult(RunSarnith({"-d", ";"}, fresh), "", "Error: No default root dir set\n", 1);

    CTempDir root;
    ExpectResult(RunSarnith({"-r", root.Path()}), "", std::string("Error: No query specified!\n") + kUsage, 1);
    // A later statement replaces an earlier one; the statement starts at its first non-blank.
    ExpectResult(RunSarnith({"-r", root.Path(), "select a", " \tSeLeCt b"}), "", ConfigMissing(root), 1);
}

TEST(Options, StatementFiles)
{
    CTempDir root;
    CTempDir dir;
    const std::string strRunning = ConfigMissing(root);

    ExpectResult(RunSarnith({"-r", root.Path(), "-f", dir / "absent.lql"}), "",
                 "Error: Failed to open input file '" + (dir / "absent.lql") + "'\n", 1);

    std::string strLargest = std::string("select srcip from gw1\n") + std::string(65534 - 22, ' ');
    ASSERT_EQ(strLargest.size(), 65534u);
    WriteWholeFile(dir / "largest.lql", strLargest);
    ExpectResult(RunSarnith({"-r", root.Path(), "-f", dir / "largest.lql"}), "", strRunning, 1);

    WriteWholeFile(dir / "large.lql", strLargest + " ");
    ExpectResult(RunSarnith({"-r", root.Path(), "-f", dir / "large.lql"}), "",
                 "Error: Input file '" + (dir / "large.lql") + "' to large\n", 1);

    WriteWholeFile(dir / "comments.lql", "# select srcip\n  # from gw1\n\r\n#\n");
    ExpectResult(RunSarnith({"-r", root.Path(), "-f", dir / "comments.lql"}), "",
                 std::string("Error: No query specified!\n") + kUsage, 1);
    WriteWholeFile(dir / "empty.lql", "");
    ExpectResult(RunSarnith({"-r", root.Path(), "-f", dir / "empty.lql"}), "",
                 std::string("Error: No query specified!\n") + kUsage, 1);

    // A folder opens but cannot be read.
    ExpectResult(RunSarnith({"-r", root.Path(), "-f", dir.Path()}), "",
                 "Error: Failed to read from the input file '" + dir.Path() + "'\n", 1);

    // The file is read after all options, so a missing root directory is
    // reported after the file's own problems.
    CTempDir store;
    ProcessOptions fresh;
    fresh.aEnvironment.push_back("XDG_CONFIG_HOME=" + store.Path());
    ExpectResult(RunSarnith({"-f", dir / "large.lql"}, fresh), "",
                 "Error: Input file '" + (dir / "large.lql") + "' to large\n", 1);
    ExpectResult(RunSarnith({"-f", dir / "comments.lql"}, fresh), "", "Error: No default root dir set\n", 1);
}

TEST(Options, ConfigurationFileErrors)
{
    CTempDir root;
    ExpectResult(RunSarnith({"-r", root.Path(), kStatement}), "", ConfigMissing(root), 1);
    ExpectResult(RunSarnith({"-r", root.Path() + "/", kStatement}), "", ConfigMissing(root), 1);

    const struct {
        const char* m_pszText;
        const char* m_pszStdout;
    } aCases[] = {
        // clang-format off
        { "UDPPORT=999\nno equals sign here\n",  "Error parsing line 'no equals sign here'\r\n" },
        { "UDPPORT=999\n",                       "Failed to find the NRFIREWALLS parameter.\r\n" },
        { "NRFIREWALLS=1\nUDPPORT=0\n",          "The UDPPORT parameter must be in the range from 1 to 65535.\r\n" },
        { "NRFIREWALLS=0\nUDPPORT=9\nFILESIZE=40000\n",
          "The FILESIZE parameter must be in the range from 0 to 32768.\r\n" },
        { "NRFIREWALLS=2\nUDPPORT=9\nFILESIZE=1\nMAINTENANCE=3\nDAYS_TO_KEEP=1000\n"
          "FWIP0=10.0.0.1\nFWNAME0=gw0\nFWIP1=10.0.0.2\n",
          "Failed to find the entry 'FWNAME1'.\r\n" },
        // clang-format on
    };
    for (const auto& test : aCases) {
        ASSERT_TRUE(testdata::WriteConfigText(root.Path(), test.m_pszText));
        ExpectResult(RunSarnith({"-r", root.Path(), kStatement}), test.m_pszStdout, "", 1);
    }
}

TEST(Options, StoredRootDirectoryIsTrimmedForTheRun)
{
    CTempDir store;
    CTempDir root;
    WriteWholeFile(store / "SoftWare/Tovrek/Sarnith/RootDir", " " + root.Path() + " \t\r\n" + std::string(1, '\0'));
    ASSERT_TRUE(testdata::WriteConfigText(root.Path(), "UDPPORT=999\n"));
    ProcessOptions options;
    options.aEnvironment.push_back("XDG_CONFIG_HOME=" + store.Path());
    ExpectResult(RunSarnith({kStatement}, options), "Failed to find the NRFIREWALLS parameter.\r\n", "", 1);
}

TEST(Options, ValidStatementFromAFileRuns)
{
    CTempDir root;
    testdata::CConfigWriter config;
    config.AddGateway("gw1", "10.0.0.1");
    ASSERT_TRUE(config.Write(root.Path()));
    WriteWholeFile(root / "query.lql",
                   "# source addresses\nselect srcip\r\n  from gw1  # the only gateway\nlast days 1\n");
    ProcessResult result = RunSarnith({"-r", root.Path(), "-f", root / "query.lql"});
    EXPECT_EQ(result.strStderr, "");
    EXPECT_EQ(result.nExitCode, 0);

    // A statement the parser refuses ends the run with exit code 1.
    EXPECT_EQ(RunSarnith({"-r", root.Path(), "select nosuchfield from gw1"}).nExitCode, 1);
}
