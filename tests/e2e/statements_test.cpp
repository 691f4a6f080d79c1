// Statements through the real binary: what the parser accepts, the messages
// it shows (context line, caret line) and the exit codes.
#include <gtest/gtest.h>

#include <string>

#include "testing/log_db_writer.h"
#include "tests/common/process_runner.h"
#include "tests/common/temp_dir.h"

using namespace testdata;

namespace {

// The two lines of one message: the context and, below it, the caret.
std::string Shown(const std::string& strContext, int nCaretColumn, const std::string& strLine)
{
    return strContext + "\n" + std::string(static_cast<size_t>(nCaretColumn), ' ') + strLine + "\n";
}

std::string Error(const std::string& strContext, int nCaretColumn, const std::string& strMessage)
{
    return Shown(strContext, nCaretColumn, "^ Error: " + strMessage);
}

std::string Warning(const std::string& strContext, int nCaretColumn, const std::string& strMessage)
{
    return Shown(strContext, nCaretColumn, "^ Warning: " + strMessage);
}

const char* const kNotConfigured = "The Vantgard name was not found in the config file";
const char* const kNoGatewayBeforeTime =
    "There was an time statement found that did not contain any valid Vantgard names";
const char* const kExpectedAndWhere = "Expected AND,WHERE or a valid time statement";
const char* const kMixed = "The binary and plaintext output types can not be mixed";

// A root directory whose configuration names gw1, gw2, 123 and ip.
class Statements : public ::testing::Test {
protected:
    void SetUp() override
    {
        CConfigWriter config;
        config.AddGateway("gw1", "10.0.0.1")
            .AddGateway("gw2", "10.0.0.2")
            .AddGateway("123", "10.0.0.3")
            .AddGateway("ip", "10.0.0.4");
        ASSERT_TRUE(config.Write(m_root.Path()));
    }

    ProcessResult Run(const std::string& strStatement)
    {
        return RunSarnith({"--userootdir", m_root.Path(), strStatement});
    }

    // A statement the parser accepts without a message.
    void ExpectAccepted(const std::string& strStatement)
    {
        SCOPED_TRACE(strStatement);
        ProcessResult result = Run(strStatement);
        EXPECT_EQ(result.nExitCode, 0);
        EXPECT_EQ(result.strStderr, "");
    }

    // A statement the parser refuses: exactly these messages, nothing on
    // standard output, exit code 1.
    void ExpectRefused(const std::string& strStatement, const std::string& strStderr)
    {
        SCOPED_TRACE(strStatement);
        ProcessResult result = Run(strStatement);
        EXPECT_EQ(result.nExitCode, 1);
        EXPECT_EQ(result.strStderr, strStderr);
        EXPECT_EQ(result.strStdout, "");
    }

    // A statement refused with one error, shown under the context line
    // with its caret in the given column.
    struct CErrorCase {
        const char* m_pszStatement;
        const char* m_pszContext;
        int m_nCaretColumn;
        const char* m_pszMessage;
    };

    template <size_t COUNT>
    void ExpectErrors(const CErrorCase (&aCases)[COUNT])
    {
        for (const CErrorCase& c : aCases)
            ExpectRefused(c.m_pszStatement, Error(c.m_pszContext, c.m_nCaretColumn, c.m_pszMessage));
    }

    CTempDir m_root;
};

}  // namespace

TEST_F(Statements, OutputListsAndSourcesThatAreAccepted)
{
    ExpectAccepted("select srcip, destip from gw1");
    ExpectAccepted("SELECT SrcIp FROM GW1");
    ExpectAccepted("select from gw1");
    ExpectAccepted("select binary from gw1");
    ExpectAccepted("select standard from gw1");
    ExpectAccepted("select srcip from all");
    ExpectAccepted("select srcip from 'gw1'");
    ExpectAccepted("select srcip from '123'");
    ExpectAccepted("select srcip from 'ip'");
    ExpectAccepted("select srcip from gw1 last days 2 and gw2 times 2006-06-01 to 2006-06-02");
    ExpectAccepted("select srcip from gw1 last days 2 gw2 last hours 3");
    ExpectAccepted("select srcip from gw1 last days 2 gw2");
    ExpectAccepted("select srcip from gw1 last full day where srcip = 10.0.0.1 and destport = 80");
}

TEST_F(Statements, FileSourcesWithSingleOrDoubleQuotes)
{
    // Accepted as written; the file is not there, which the run reports.
    for (const char* pszStatement :
         {"select srcip from file 'd:\\logs\\1-0.osl'", "select srcip from file \"d:\\logs\\1-0.osl\""}) {
        ProcessResult result = Run(pszStatement);
        EXPECT_EQ(result.nExitCode, 2) << pszStatement;
        EXPECT_EQ(result.strStderr, "Failed to open d:\\logs\\1-0.osl\nWarning: 1 file could not be read\n");
    }
}

TEST_F(Statements, OutputListErrors)
{
    ExpectRefused("select binary, srcip from gw1", Error("select binary, srcip from gw1", 15, kMixed));
    ExpectRefused("select srcip binary from gw1", Error("select srcip binary from gw1", 13, kMixed));
    ExpectRefused("select binary icmpstd from gw1", Error("select binary icmpstd from gw1", 14, kMixed));
    ExpectRefused("select full from gw1", Error("select full from gw1", 7, "Not a valid output type"));
    // The end of the statement keeps the place of the last word read.
    ExpectRefused("select", Error("select", 0, "Not a valid output type"));
}

TEST_F(Statements, UnknownGatewayNames)
{
    const std::string strUnknown = "select srcip from unknown";
    // The first report moves the lexer's token start to the context start:
    // the warning at the end of the statement has its caret in column 0.
    ExpectRefused(strUnknown, Warning(strUnknown, 18, kNotConfigured) + Warning(strUnknown, 0, kNoGatewayBeforeTime));

    ProcessResult named = Run("select srcip from unknown gw1");
    EXPECT_EQ(named.nExitCode, 0);
    EXPECT_EQ(named.strStderr, Warning("select srcip from unknown gw1", 18, kNotConfigured));

    ExpectRefused("select srcip from all unknown", Warning("select srcip from all unknown", 22, kNotConfigured));
}

TEST_F(Statements, NumbersAndKeywordsEndTheSourceList)
{
    for (const char* pszStatement : {"select srcip from 123", "select srcip from ip"}) {
        ExpectRefused(pszStatement,
                      Warning(pszStatement, 18, kNoGatewayBeforeTime) + Error(pszStatement, 0, kExpectedAndWhere));
    }
    ExpectRefused("select srcip from last days 2", Warning("select srcip from last days 2", 18, kNoGatewayBeforeTime));
    ExpectRefused("select srcip from gw1 realtime", Error("select srcip from gw1 realtime", 22, kExpectedAndWhere));
}

TEST_F(Statements, TimeStatementErrors)
{
    const CErrorCase aCases[] = {
        {"select srcip from gw1 last days x", "select srcip from gw1 last days x", 32, "Expected an integer value"},
        {"select srcip from gw1 last 7 days", "select srcip from gw1 last 7 days", 27, "Unknown time expression found"},
        {"select srcip from gw1 times 2006-06-01 2006-07-01", "select srcip from gw1 times 2006-06-01 2006-07-01", 39,
         "Expected to find the 'TO' operator"},
        {"select srcip from gw1 times 06-06-01 to 2006-07-01", "select srcip from gw1 times 06-06-01 to 2006-07-01", 37,
         "A valid time was expected"},
    };
    ExpectErrors(aCases);
}

TEST_F(Statements, WhereClauseErrors)
{
    const CErrorCase aCases[] = {
        {"select srcip from gw1 where", "select srcip from gw1 where", 22, "Unexpected end of input data"},
        {"select srcip from gw1 where srcport <> 80", " from gw1 where srcport <> 80", 25,
         "Expected a parameter value"},
        {"select srcip from gw1 where srcip = 10.0.0.1 destip = 10.0.0.2",
         " gw1 where srcip = 10.0.0.1 destip = 10.0.0.2", 28, "Error parsing the search statement"},
        {"select srcip from gw1 where srcip = 300.1.1.1", " from gw1 where srcip = 300.1.1.1", 24,
         "Incorrect ip address"},
        {"select srcip from gw1 where srcip in (10.0.0.1", " from gw1 where srcip in (10.0.0.1", 26,
         "Expected a string value"},
        {"select srcip from gw1 where tcp[0x0d] = 2", "select srcip from gw1 where tcp[0x0d] = 2", 32,
         "Expected a unsigned integer value"},
        {"select srcip from gw1 last days 2 where (srcip = 10.0.0.1 or destip = 10.0.0.2 and srcport = 80",
         "= 10.0.0.2 and srcport = 80", 25, "Missing right paranthes"},
        {"select srcip from gw1 gw2 where srcip = 10.0.0.1 or", " gw2 where srcip = 10.0.0.1 or", 28,
         "Unexpected end of input data"},
    };
    ExpectErrors(aCases);
}
