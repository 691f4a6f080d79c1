// The configuration file and the logger settings: lines, comments and
// trimming, rejected lines, long lines, numbers and addresses, and the
// checks of the settings and gateways in their order with their messages.
#include "frontend/config_file.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

#include "support/error_text.h"
#include "testing/log_db_writer.h"
#include "tests/common/temp_dir.h"

using testdata::CConfigWriter;

namespace {

// Reads a configuration text written as a real file; the error text raised
// while reading, or empty.
std::string ReadText(CTempDir& dir, const std::string& strText, CConfigFile& file)
{
    EXPECT_TRUE(testdata::WriteConfigText(dir.Path(), strText));
    try {
        EXPECT_TRUE(file.Read());
    } catch (const CErrorText& error) {
        return error.Text();
    }
    return "";
}

// Reads and loads a configuration text; the error text raised, or empty.
std::string LoadText(const std::string& strText, CLoggerConfig& config)
{
    CTempDir dir;
    CConfigFile file((dir / "Ostrel.cfg").c_str());
    std::string strError = ReadText(dir, strText, file);
    if (!strError.empty())
        return strError;
    try {
        config.Load(file);
    } catch (const CErrorText& error) {
        return error.Text();
    }
    return "";
}

std::string LoadError(const CConfigWriter& writer)
{
    CLoggerConfig config;
    return LoadText(writer.Text(), config);
}

}  // namespace

TEST(ConfigFile, MissingFileIsNotAnError)
{
    CTempDir dir;
    CConfigFile file((dir / "Ostrel.cfg").c_str());
    EXPECT_FALSE(file.Read());
    EXPECT_EQ(file.GetEntryCount(), 0);
}

TEST(ConfigFile, OnlyARegularFileCanBeAConfiguration)
{
    // A folder, a pipe nobody writes to and an endless device cannot be
    // opened as a configuration: refused at once, never waited on.
    CTempDir dir;
    ASSERT_EQ(mkdir((dir / "folder").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    for (const std::string& strPath : {dir / "folder", dir / "fifo", std::string("/dev/zero")}) {
        CConfigFile file(strPath.c_str());
        EXPECT_FALSE(file.Read()) << strPath;
    }
}

TEST(ConfigFile, ReadUpToOneMebibyte)
{
    CTempDir dir;
    CConfigFile file((dir / "Ostrel.cfg").c_str());
    // Comment lines of 1022 bytes and a short one fill the limit exactly;
    // then one byte more.
    std::string strText;
    while (strText.size() + 1022 <= CConfigFile::kMaxFileBytes)
        strText += "#" + std::string(1020, 'c') + "\n";
    strText += "#" + std::string(CConfigFile::kMaxFileBytes - strText.size() - 2, 'c') + "\n";
    ASSERT_EQ(strText.size(), CConfigFile::kMaxFileBytes);
    EXPECT_EQ(ReadText(dir, strText, file), "");
    EXPECT_EQ(file.GetEntryCount(), 1027);
    CConfigFile larger((dir / "Ostrel.cfg").c_str());
    EXPECT_EQ(ReadText(dir, strText + "\n", larger), "Failed to get string from config file.");
}

TEST(ConfigFile, ZeroByteEndsTheTextOfItsLine)
{
    CTempDir dir;
    CConfigFile file((dir / "Ostrel.cfg").c_str());
    ASSERT_EQ(ReadText(dir, std::string("KEY=a\0b\nNEXT=2\n", 15), file), "");
    CSString strValue;
    EXPECT_TRUE(file.GetString("KEY", strValue));
    EXPECT_STREQ(strValue, "a");
    EXPECT_TRUE(file.GetString("NEXT", strValue));
    EXPECT_STREQ(strValue, "2");
}

TEST(ConfigFile, LinesCommentsAndTrimming)
{
    CTempDir dir;
    CConfigFile file((dir / "Ostrel.cfg").c_str());
    std::string strError = ReadText(dir,
                                    "# logger settings\r\n"
                                    "\n"
                                    "   \t\n"
                                    "  udpport =  514   # syslog port\r\n"
                                    "UDPPORT=999\n"
                                    "Name = a = b\n"
                                    "Empty=\n"
                                    "\tPath = C:\\logs # trailing\n",
                                    file);
    ASSERT_EQ(strError, "");
    ASSERT_EQ(file.GetEntryCount(), 6);
    EXPECT_STREQ(file.GetEntry(0).m_strComment, "# logger settings");
    EXPECT_STREQ(file.GetEntry(0).m_strKey, "");
    EXPECT_STREQ(file.GetEntry(1).m_strKey, "udpport");
    EXPECT_STREQ(file.GetEntry(1).m_strValue, "514");
    EXPECT_STREQ(file.GetEntry(1).m_strComment, "# syslog port");

    CSString strValue;
    EXPECT_TRUE(file.GetString("UDPPORT", strValue));  // the first of two lines wins
    EXPECT_STREQ(strValue, "514");
    EXPECT_TRUE(file.GetString("name", strValue));
    EXPECT_STREQ(strValue, "a = b");
    EXPECT_TRUE(file.GetString("EMPTY", strValue));
    EXPECT_STREQ(strValue, "");
    EXPECT_TRUE(file.GetString("path", strValue));
    EXPECT_STREQ(strValue, "C:\\logs");
    EXPECT_TRUE(file.HasKey("Empty"));
    EXPECT_FALSE(file.HasKey("UDP"));
    EXPECT_FALSE(file.GetString("missing", strValue));
    EXPECT_STREQ(strValue, "");
}

TEST(ConfigFile, LineWithoutEqualsSignIsRejected)
{
    CTempDir dir;
    CConfigFile file((dir / "Ostrel.cfg").c_str());
    EXPECT_EQ(ReadText(dir, "UDPPORT=999\n   lonely word  \n", file), "Error parsing line 'lonely word'");

    CConfigFile longLine((dir / "Ostrel.cfg").c_str());
    std::string strError = ReadText(dir, std::string(400, 'w') + "\n", longLine);
    EXPECT_EQ(strError, "Error parsing line '" + std::string(235, 'w'));  // cut to 255 characters
}

TEST(ConfigFile, LongLinesContinueAsTheNextLine)
{
    CTempDir dir;
    CConfigFile file((dir / "Ostrel.cfg").c_str());
    // 1022 characters make one line; the rest reads as a line of its own.
    std::string strFirst = "KEY=" + std::string(1018, 'v');
    ASSERT_EQ(ReadText(dir, strFirst + "NEXT=1\nEXACT=" + std::string(1016, 'x') + "\nLAST=2\n", file), "");
    CSString strValue;
    EXPECT_TRUE(file.GetString("KEY", strValue));
    EXPECT_EQ(strValue.GetLength(), 1018);
    EXPECT_TRUE(file.GetString("NEXT", strValue));
    EXPECT_STREQ(strValue, "1");
    EXPECT_TRUE(file.GetString("EXACT", strValue));
    EXPECT_EQ(strValue.GetLength(), 1016);
    EXPECT_TRUE(file.GetString("LAST", strValue));
    EXPECT_STREQ(strValue, "2");
}

TEST(ConfigFile, NumbersAreReadAsPercentU)
{
    CTempDir dir;
    CConfigFile file((dir / "Ostrel.cfg").c_str());
    ASSERT_EQ(ReadText(dir,
                       "A=42\nB=-1\nC=17 apples\nD=apples\nE=\nF=+8\nG=4294967295\nH=4294967296\n"
                       "I=99999999999999999999\nJ=-\nK=-4294967295\nL=-4294967296\n",
                       file),
              "");
    struct {
        const char* m_pszKey;
        bool m_bRead;
        uint32_t m_nValue;
    } const aCases[] = {
        // clang-format off
        { "a", true,  42u         },
        { "B", true,  4294967295u },  // a minus negates modulo 2^32
        { "C", true,  17u         },
        { "D", false, 0           },
        { "E", false, 0           },
        { "F", true,  8u          },
        { "G", true,  4294967295u },
        { "H", true,  4294967295u },  // numbers beyond 32 bits never wrap into range
        { "I", true,  4294967295u },
        { "J", false, 0           },  // a sign alone is no number
        { "K", true,  1u          },
        { "L", true,  4294967295u },  // too large before the minus is applied
        { "Z", false, 0           },
        // clang-format on
    };
    for (const auto& c : aCases) {
        uint32_t nValue = 0;
        EXPECT_EQ(file.GetUInt(c.m_pszKey, nValue), c.m_bRead) << c.m_pszKey;
        if (c.m_bRead) {
            EXPECT_EQ(nValue, c.m_nValue) << c.m_pszKey;
        }
    }
}

TEST(ConfigFile, Ipv4Addresses)
{
    CTempDir dir;
    CConfigFile file((dir / "Ostrel.cfg").c_str());
    ASSERT_EQ(ReadText(dir,
                       "OK=192.168.0.1\nTAIL=10.1.2.3 gateway one\nEMPTYPART=..1.\nHIGH=1.2.3.256\n"
                       "SHORT=1.2.3\nWORD=gw\nNONE=\nSPACED=1. 2.3.4\nHUGE=1.2.3.99999999999\n",
                       file),
              "");
    uint8_t aAddress[4] = {};
    EXPECT_TRUE(file.GetIpAddress("ok", aAddress));
    EXPECT_EQ(aAddress[0], 192);
    EXPECT_EQ(aAddress[1], 168);
    EXPECT_EQ(aAddress[2], 0);
    EXPECT_EQ(aAddress[3], 1);
    EXPECT_TRUE(file.GetIpAddress("TAIL", aAddress));
    EXPECT_EQ(aAddress[3], 3);
    EXPECT_TRUE(file.GetIpAddress("EMPTYPART", aAddress));
    EXPECT_EQ(aAddress[0], 0);
    EXPECT_EQ(aAddress[2], 1);
    for (const char* pszKey : {"HIGH", "SHORT", "WORD", "NONE", "SPACED", "HUGE", "ABSENT"})
        EXPECT_FALSE(file.GetIpAddress(pszKey, aAddress)) << pszKey;
}

TEST(LoggerConfig, LoadsSettingsAndGateways)
{
    CConfigWriter writer;
    writer.AddGateway("gw1", "10.0.0.1").AddGateway("Branch Office", "172.16.5.254");
    writer.Set("UDPPORT", "65535").Set("FILESIZE", "32768").Set("MAINTENANCE", "23").Set("DAYS_TO_KEEP", "1000");
    CLoggerConfig config;
    ASSERT_EQ(LoadText(writer.Text(), config), "");
    EXPECT_EQ(config.GetUdpPort(), 65535);
    EXPECT_EQ(config.GetFileSize(), 32768);
    EXPECT_EQ(config.GetMaintenanceHour(), 23);
    EXPECT_EQ(config.GetDaysToKeep(), 1000);
    ASSERT_EQ(config.GetGatewayCount(), 2);
    EXPECT_STREQ(config.GetGatewayNames()[0], "gw1");
    EXPECT_STREQ(config.GetGatewayNames()[1], "Branch Office");
    EXPECT_EQ(config.GetGatewayAddress(1)[0], 172);
    EXPECT_EQ(config.GetGatewayAddress(1)[3], 254);
}

TEST(LoggerConfig, DefaultsBeforeLoadingAndAnEmptyGatewayTable)
{
    CLoggerConfig fresh;
    EXPECT_EQ(fresh.GetUdpPort(), 999);
    EXPECT_EQ(fresh.GetFileSize(), 1);
    EXPECT_EQ(fresh.GetDaysToKeep(), 10);
    EXPECT_EQ(fresh.GetGatewayCount(), 0);

    CLoggerConfig config;
    EXPECT_EQ(LoadText("nrfirewalls = 0 # none yet\nudpport=1\nfilesize=0\nmaintenance=0\ndays_to_keep=0\n", config),
              "");
    EXPECT_EQ(config.GetGatewayCount(), 0);
    EXPECT_EQ(config.GetUdpPort(), 1);
}

TEST(LoggerConfig, ChecksRunInOrderWithTheirMessages)
{
    struct CCase {
        const char* m_pszKey;
        const char* m_pszValue;  // null: the key is left out
        const char* m_pszError;
    };
    const CCase aCases[] = {
        // clang-format off
        { "NRFIREWALLS",  nullptr,  "Failed to find the NRFIREWALLS parameter." },
        { "NRFIREWALLS",  "513",    "The NRFIREWALLS parameter must be in the range from 0 to 512." },
        { "NRFIREWALLS",  "-1",     "The NRFIREWALLS parameter must be in the range from 0 to 512." },
        { "NRFIREWALLS",  "many",   "The NRFIREWALLS parameter must be in the range from 0 to 512." },
        { "UDPPORT",      nullptr,  "Failed to find the UDPPORT parameter." },
        { "UDPPORT",      "0",      "The UDPPORT parameter must be in the range from 1 to 65535." },
        { "UDPPORT",      "65536",  "The UDPPORT parameter must be in the range from 1 to 65535." },
        { "FILESIZE",     nullptr,  "Failed to find the FILESIZE parameter." },
        { "FILESIZE",     "32769",  "The FILESIZE parameter must be in the range from 0 to 32768." },
        { "FILESIZE",     "",       "The FILESIZE parameter must be in the range from 0 to 32768." },
        { "MAINTENANCE",  nullptr,  "Failed to find the MAINTENANCE parameter." },
        { "MAINTENANCE",  "24",     "The MAINTENANCE parameter must be in the range from 0 to 23." },
        { "DAYS_TO_KEEP", nullptr,  "Failed to find the DAYS_TO_KEEP parameter." },
        { "DAYS_TO_KEEP", "1001",   "The DAYS_TO_KEEP parameter must be in the range from 0 to 1000." },
        { "FWIP0",        nullptr,  "Failed to find the entry 'FWIP0'." },
        { "FWIP0",        "1.2.3.256", "Failed to find the entry 'FWIP0'." },
        { "FWNAME1",      nullptr,  "Failed to find the entry 'FWNAME1'." },
        // clang-format on
    };
    for (const CCase& test : aCases) {
        SCOPED_TRACE(std::string(test.m_pszKey) + "=" + (test.m_pszValue ? test.m_pszValue : "(absent)"));
        CConfigWriter writer;
        writer.AddGateway("gw0", "10.0.0.1").AddGateway("gw1", "10.0.0.2");
        if (test.m_pszValue == nullptr)
            writer.Omit(test.m_pszKey);
        else
            writer.Set(test.m_pszKey, test.m_pszValue);
        EXPECT_EQ(LoadError(writer), test.m_pszError);
    }

    // An earlier check wins over a later one.
    CConfigWriter both;
    both.Omit("DAYS_TO_KEEP").Set("UDPPORT", "0");
    EXPECT_EQ(LoadError(both), "The UDPPORT parameter must be in the range from 1 to 65535.");
}

TEST(LoggerConfig, GatewayAddressWithTrailingTextIsAccepted)
{
    CConfigWriter writer;
    writer.AddGateway("gw0", "10.0.0.1 main site");
    CLoggerConfig config;
    ASSERT_EQ(LoadText(writer.Text(), config), "");
    EXPECT_EQ(config.GetGatewayAddress(0)[3], 1);
}

TEST(LoggerConfig, FullGatewayTable)
{
    std::string strText = "NRFIREWALLS=512\nUDPPORT=999\nFILESIZE=1\nMAINTENANCE=0\nDAYS_TO_KEEP=10\n";
    for (int n = 0; n < 512; ++n)
        strText += "FWIP" + std::to_string(n) + "=10.0." + std::to_string(n / 256) + "." + std::to_string(n % 256) +
                   "\nFWNAME" + std::to_string(n) + "=gw" + std::to_string(n) + "\n";
    CLoggerConfig config;
    ASSERT_EQ(LoadText(strText, config), "");
    ASSERT_EQ(config.GetGatewayCount(), 512);
    EXPECT_STREQ(config.GetGatewayNames()[511], "gw511");
    EXPECT_EQ(config.GetGatewayAddress(511)[2], 1);
    EXPECT_EQ(config.GetGatewayAddress(511)[3], 255);
}
