// CSV: the header line, the fields of every record, their quoting and the
// values written unchanged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/csv_renderer.h"
#include "tests/output/output_test_util.h"

using namespace outputtest;
using namespace testdata;

namespace {

std::string Csv(const std::vector<std::string>& aColumns, const CEntryBuilder& builder,
                EIpFormat eIpFormat = IPFORMAT_STRING, const char* pszGateway = "gw1")
{
    return RenderLine(aColumns, builder, Layout(LAYOUT_CSV, eIpFormat), pszGateway);
}

std::string Quoted(const std::string& strLine, size_t nStart)
{
    CLineBuffer line;
    CLineBuffer scratch;
    line.Append(strLine.data(), strLine.size());
    QuoteCsvTail(line, nStart, scratch);
    return std::string(line.GetData(), line.GetLength());
}

}  // namespace

TEST(CsvQuoting, OnlyCommasQuotesAndLineBreaksAskForQuotes)
{
    EXPECT_EQ("x,\"a,b\"", Quoted("x,a,b", 2));
    EXPECT_EQ("\"say \"\"hi\"\"\"", Quoted("say \"hi\"", 0));
    EXPECT_EQ("\"a\rb\"", Quoted("a\rb", 0));
    EXPECT_EQ("\"a\nb\"", Quoted("a\nb", 0));
    EXPECT_EQ("\"\"\"\"", Quoted("\"", 0));
    // Blanks, tabs, semicolons, backslashes and high bytes pass as they are.
    EXPECT_EQ(" a\tb;c\\d\xe9 ", Quoted(" a\tb;c\\d\xe9 ", 0));
}

TEST(CsvLayout, HeaderOfHeaderNamesAndConnectionUsageFields)
{
    EXPECT_EQ("recvif,ece,destenet,description,maxconns,curconns,minconns,usage,icmpdestport\n",
              HeaderLine({"recviface", "xmas", "hwdest", "params", "connusage", "usage", "icmpdestport"},
                         Layout(LAYOUT_CSV)));
    // A column selected twice is there twice; -a has no effect.
    COutputSettings settings = Layout(LAYOUT_CSV);
    settings.m_cDelimiter = ';';
    settings.m_bAddEndDelimiter = true;
    settings.m_cEndDelimiter = ';';
    EXPECT_EQ("srcip,srcip\n", HeaderLine({"srcip", "SRCIP"}, settings));
    EXPECT_EQ("\n", HeaderLine({}, Layout(LAYOUT_CSV)));
}

TEST(CsvLayout, ValuesAsTheTextShowsThemButUnchanged)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip("10.0.0.1");
    CTcpSpec tcp;
    tcp.m_nFlags = TCP_FLAG_SYN;
    CEntryBuilder entry;
    entry.Packet(TcpPacket(ip, tcp)).Event("  two  blanks ").Action("a;b\tc").Explanation("say \"hi\", then\r\nbye");
    EXPECT_EQ("10.0.0.1,6(TCP),0,1,  two  blanks ,a;b\tc,\"say \"\"hi\"\", then\r\nbye\"\n",
              Csv({"srcip", "ipproto", "fin", "syn", "event", "action", "explanation"}, entry));
    EXPECT_EQ("010.000.000.001\n", Csv({"srcip"}, entry, IPFORMAT_FIXED));
    EXPECT_EQ("167772161\n", Csv({"srcip"}, entry, IPFORMAT_INTEGER));
}

TEST(CsvLayout, MissingValuesEmptyAndEmptyTextsQuoted)
{
    CEntryBuilder entry;
    entry.Event("").Action("x");
    // srcip and connusage (three fields) have no value, icmpdestport never has one.
    EXPECT_EQ(",\"\",,,,x,\n", Csv({"srcip", "event", "connusage", "action", "icmpdestport"}, entry));
    // A record of one missing value is not an empty line.
    EXPECT_EQ("\"\"\n", Csv({"srcip"}, entry));
    EXPECT_EQ("\n", Csv({}, entry));
    // Read from a file: no gateway name.
    EXPECT_EQ(",x\n", Csv({"vantgard", "action"}, entry, IPFORMAT_STRING, ""));
}

TEST(CsvLayout, CompositeColumns)
{
    CUsageSpec lan;
    lan.m_strIface = "lan,1";
    lan.m_nInterval = 8;
    lan.m_nFirstBytes = 1000;
    lan.m_nSecondBytes = 500;
    CEntryBuilder entry;
    entry.Usage(lan).ConnUsage(1, 5, 9);
    EXPECT_EQ("9,5,1,\"if0=lan,1 tp0=1.50\"\n", Csv({"connusage", "usage"}, entry));

    // The interface names the text layouts clean go in as stored.
    CUsageSpec hostile;
    hostile.m_strIface = " a\"b\nc;\t";
    hostile.m_nInterval = 0;
    EXPECT_EQ("\"if0= a\"\"b\nc;\t tp0=0.00\"\n", Csv({"usage"}, CEntryBuilder().Usage(hostile)));
}
