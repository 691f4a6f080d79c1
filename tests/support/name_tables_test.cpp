// The name tables' shape and lookups, and the address formatters and the
// lifetime of their results.
#include "support/name_tables.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

namespace {

struct CTableShape {
    const char* m_pszName;
    const CNameEntry* m_pTable;
    int m_nRows;
    int32_t m_nTerminator;
    int32_t m_nFirstNumber;
    const char* m_pszFirstName;
    int32_t m_nLastNumber;
    const char* m_pszLastName;
};

const CTableShape kShapes[] = {
    // clang-format off
    // table           rows terminator  first row             last row
    { "services",     g_services,     85, -1,     7, "echo",         8080, "http-proxy" },
    { "etherTypes",   g_etherTypes,   22,  0,  2048, "IPv4",        65535, "Reserved"   },
    { "ipProtocols",  g_ipProtocols, 126, -1,     0, "HOPOPT",        130, "SPS"        },
    { "icmpTypes",    g_icmpTypes,    25, -1,     0, "ECHO_REPLY",     38, "NAMEREPLY"  },
    { "severities",   g_severities,    8, -1,     0, "Emergency",       7, "Debug"      },
    { "authEvents",   g_authEvents,    5, -1,     1, "Login",           5, "Accounting" },
    { "routeEvents",  g_routeEvents,   5, -1,     1, "Add",             5, "Unexport"   },
    // clang-format on
};

std::string Lower(const char* psz)
{
    std::string str(psz);
    for (char& ch : str)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return str;
}

}  // namespace

TEST(NameTables, RowsTerminatorsAndUniqueness)
{
    for (const CTableShape& shape : kShapes) {
        SCOPED_TRACE(shape.m_pszName);
        int nRows = 0;
        std::set<std::string> aNames;
        std::set<int32_t> aNumbers;
        while (shape.m_pTable[nRows].m_pszName != nullptr) {
            EXPECT_TRUE(aNames.insert(Lower(shape.m_pTable[nRows].m_pszName)).second)
                << shape.m_pTable[nRows].m_pszName;
            EXPECT_TRUE(aNumbers.insert(shape.m_pTable[nRows].m_nNumber).second) << shape.m_pTable[nRows].m_nNumber;
            ++nRows;
        }
        EXPECT_EQ(nRows, shape.m_nRows);
        EXPECT_EQ(shape.m_pTable[nRows].m_nNumber, shape.m_nTerminator);
        EXPECT_EQ(shape.m_pTable[0].m_nNumber, shape.m_nFirstNumber);
        EXPECT_STREQ(shape.m_pTable[0].m_pszName, shape.m_pszFirstName);
        EXPECT_EQ(shape.m_pTable[nRows - 1].m_nNumber, shape.m_nLastNumber);
        EXPECT_STREQ(shape.m_pTable[nRows - 1].m_pszName, shape.m_pszLastName);
    }
}

TEST(NameTables, ProtocolNumbersSkipTheUnassignedOnes)
{
    for (int32_t nNumber = 0; nNumber <= 130; ++nNumber) {
        bool bUnassigned = nNumber == 61 || nNumber == 63 || nNumber == 68 || nNumber == 99 || nNumber == 114;
        EXPECT_EQ(NumberToName(g_ipProtocols, nNumber) == nullptr, bUnassigned) << nNumber;
    }
}

TEST(NameTables, NameToNumberComparesWholeNamesWithoutCase)
{
    EXPECT_EQ(NameToNumber(g_services, "HTTPS"), 443);
    EXPECT_EQ(NameToNumber(g_services, "https "), -1);
    EXPECT_EQ(NameToNumber(g_services, "http"), 80);
    EXPECT_EQ(NameToNumber(g_services, "shell/syslog"), 514);
    EXPECT_EQ(NameToNumber(g_services, "shell"), -1);
    EXPECT_EQ(NameToNumber(g_services, "syslog"), -1);
    EXPECT_EQ(NameToNumber(g_services, ""), -1);
    EXPECT_EQ(NameToNumber(g_services, nullptr), -1);
    EXPECT_EQ(NameToNumber(g_etherTypes, "ipv6"), 0x86DD);
    EXPECT_EQ(NameToNumber(g_etherTypes, "Novell, Inc"), 33079);
    EXPECT_EQ(NameToNumber(g_etherTypes, "unknown"), 0);
    EXPECT_EQ(NameToNumber(g_etherTypes, "XNS Compatability"), 2055);  // the stored spelling, kept
    EXPECT_EQ(NameToNumber(g_etherTypes, "XNS Compatibility"), 0);
    EXPECT_EQ(NameToNumber(g_ipProtocols, "tcp"), 6);
    EXPECT_EQ(NameToNumber(g_ipProtocols, "TP++"), 39);
    EXPECT_EQ(NameToNumber(g_icmpTypes, "echo_request"), 8);
    EXPECT_EQ(NameToNumber(g_severities, "WARNING"), 4);
    EXPECT_EQ(NameToNumber(g_authEvents, "timedOut"), 3);
    EXPECT_EQ(NameToNumber(g_routeEvents, "unexport"), 5);
}

TEST(NameTables, NumberToNameAndNumberToText)
{
    EXPECT_STREQ(NumberToName(g_ipProtocols, 6), "TCP");
    EXPECT_EQ(NumberToName(g_ipProtocols, 61), nullptr);
    EXPECT_STREQ(NumberToName(g_ipProtocols, 61, "none"), "none");
    EXPECT_STREQ(NumberToName(g_etherTypes, 0x0806), "ARP");
    EXPECT_EQ(NumberToName(g_etherTypes, 0), nullptr);  // the terminator's number is no row

    char szBuffer[16] = "untouched";
    const char* pszText = NumberToText(g_icmpTypes, 3, szBuffer, sizeof(szBuffer));
    EXPECT_STREQ(pszText, "DEST_UNREACH");
    EXPECT_STREQ(szBuffer, "untouched");

    EXPECT_STREQ(NumberToText(g_icmpTypes, 7, szBuffer, sizeof(szBuffer)), "7");
    EXPECT_EQ(NumberToText(g_icmpTypes, 7, szBuffer, sizeof(szBuffer)), szBuffer);
    EXPECT_STREQ(NumberToText(g_etherTypes, 0x1234, szBuffer, sizeof(szBuffer), "0x%04X"), "0x1234");
    EXPECT_STREQ(NumberToText(g_icmpTypes, -1, szBuffer, sizeof(szBuffer)), "4294967295");
    EXPECT_STREQ(NumberToText(g_icmpTypes, 123456, szBuffer, 4), "123");
}

TEST(NameTables, AddressFormatters)
{
    const uint8_t aMac[6] = {0x0a, 0xb0, 0xc9, 0xde, 0xf1, 0x2a};
    EXPECT_STREQ(MacToText(aMac), "0ab0:c9de:f12a");
    const uint8_t aBroadcast[6] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
    EXPECT_STREQ(MacToText(aBroadcast), "ffff:ffff:ffff");

    const uint8_t aIp[4] = {192, 168, 0, 1};
    EXPECT_STREQ(IpToText(aIp), "192.168.0.1");
    const uint8_t aWidest[4] = {255, 255, 255, 255};
    EXPECT_STREQ(IpToText(aWidest), "255.255.255.255");  // 15 characters fill the buffer exactly
}

TEST(NameTables, FourResultsOfOneFormatterStayValid)
{
    uint8_t aIp[4] = {10, 0, 0, 0};
    const char* apszResults[5];
    for (uint8_t n = 0; n < 5; ++n) {
        aIp[3] = n;
        apszResults[n] = IpToText(aIp);
    }
    EXPECT_STREQ(apszResults[1], "10.0.0.1");
    EXPECT_STREQ(apszResults[2], "10.0.0.2");
    EXPECT_STREQ(apszResults[3], "10.0.0.3");
    EXPECT_STREQ(apszResults[4], "10.0.0.4");
    EXPECT_EQ(apszResults[0], apszResults[4]);  // the fifth call reused the first buffer

    // The MAC formatter rotates its own buffers.
    const uint8_t aMac[6] = {1, 2, 3, 4, 5, 6};
    const char* pszIp = IpToText(aIp);
    for (int n = 0; n < 4; ++n)
        MacToText(aMac);
    EXPECT_STREQ(pszIp, "10.0.0.4");
}
