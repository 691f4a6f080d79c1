// The text writer's header line and line layout: labelled pairs, delimited
// cells, value cleaning, quoting, delimiter replacement and the final trim.
#include <gtest/gtest.h>

#include <string>

#include "output/text_writer.h"
#include "tests/output/output_test_util.h"

using namespace outputtest;
using testdata::CEntryBuilder;
using testdata::Ip;

namespace {

CEntryBuilder UdpEntry()
{
    testdata::CIpv4Spec ip;
    ip.m_nSrcIp = Ip("10.0.0.1");
    ip.m_nDestIp = Ip("10.0.0.2");
    CEntryBuilder builder;
    builder.Packet(testdata::UdpPacket(ip, 1234, 53));
    return builder;
}

CEntryBuilder Texts(const std::string& strEvent, const std::string& strAction)
{
    CEntryBuilder builder;
    builder.Event(strEvent).Action(strAction);
    return builder;
}

}  // namespace

TEST(TextHeader, NamesJoinedByTheDelimiter)
{
    EXPECT_EQ("srcip;destip\n", HeaderLine({"srcip", "destip"}, Delimited(';')));
    COutputSettings settings = Delimited(';');
    settings.m_bAddEndDelimiter = true;
    settings.m_cEndDelimiter = ';';
    EXPECT_EQ("srcip;destip;\n", HeaderLine({"srcip", "destip"}, settings));
    // An ending delimiter of 0 adds nothing even when asked for.
    settings.m_cEndDelimiter = 0;
    EXPECT_EQ("srcip;destip\n", HeaderLine({"srcip", "destip"}, settings));
}

TEST(TextHeader, FirstTableNameOfEachIdInAnyCase)
{
    EXPECT_EQ("recvif,ece,cwr,destenet,description,iptotallen,arp\n",
              HeaderLine({"RecvIface", "xmas", "YMAS", "hwdest", "params", "iptotlen", "arpopcode"}, Delimited(',')));
    // Names that never have a value still have a header name.
    EXPECT_EQ("icmpdestport#routegw#ospfloglevel\n",
              HeaderLine({"icmpdestport", "routegw", "ospfloglevel"}, Delimited('#')));
}

TEST(TextHeader, NoHeaderWithoutDelimiterAndEmptyLineWithoutColumns)
{
    EXPECT_EQ("", HeaderLine({"srcip", "destip"}, COutputSettings()));
    EXPECT_EQ("\n", HeaderLine({}, Delimited(';')));
}

TEST(TextLayout, LabelledPairsSeparatedBySingleBlanks)
{
    EXPECT_EQ("srcip=10.0.0.1 destport=53\n", RenderLine({"srcip", "destport"}, UdpEntry()));
    // Columns without a value leave nothing behind, wherever they stand.
    EXPECT_EQ("srcip=10.0.0.1 destport=53\n",
              RenderLine({"tcpdatalen", "srcip", "syn", "destport", "category"}, UdpEntry()));
}

TEST(TextLayout, DelimitedCellsKeepTheirPlaces)
{
    EXPECT_EQ("10.0.0.1;;53\n", RenderLine({"srcip", "syn", "destport"}, UdpEntry(), Delimited(';')));
    COutputSettings settings = Delimited(',');
    settings.m_bAddEndDelimiter = true;
    settings.m_cEndDelimiter = ',';
    EXPECT_EQ("10.0.0.1,53,\n", RenderLine({"srcip", "destport"}, UdpEntry(), settings));
}

TEST(TextLayout, RecordWithoutSelectedValues)
{
    // Labelled: nothing at all. Delimited: bare delimiters, TAB like any other.
    EXPECT_EQ("", RenderLine({"syn", "ack", "icmptype"}, UdpEntry()));
    EXPECT_EQ(";;\n", RenderLine({"syn", "ack", "icmptype"}, UdpEntry(), Delimited(';')));
    EXPECT_EQ("\t\t\n", RenderLine({"syn", "ack", "icmptype"}, UdpEntry(), Delimited('\t')));
}

TEST(TextLayout, TabDelimiterKeepsEveryCell)
{
    // Empty first and last cells keep their places under the header.
    EXPECT_EQ("\t10.0.0.1\t\t53\t\n",
              RenderLine({"syn", "srcip", "ack", "destport", "fin"}, UdpEntry(), Delimited('\t')));
    COutputSettings endsWithTab = Delimited(';');
    endsWithTab.m_bAddEndDelimiter = true;
    endsWithTab.m_cEndDelimiter = '\t';
    EXPECT_EQ(";10.0.0.1;\t\n", RenderLine({"syn", "srcip", "ack"}, UdpEntry(), endsWithTab));
    EXPECT_EQ(";;\t\n", RenderLine({"syn", "ack", "fin"}, UdpEntry(), endsWithTab));
}

TEST(TextValues, BlankOrTabMeansQuotesAndDoubleQuotesBecomeSingle)
{
    EXPECT_EQ("event=\"say 'hi' now\" action=a\"b\n", RenderLine({"event", "action"}, Texts("say \"hi\" now", "a\"b")));
    EXPECT_EQ("event=\"a\tb\" action=x\n", RenderLine({"event", "action"}, Texts("a\tb", "x")));
}

TEST(TextValues, TrimmedAndLineBreaksBecomeBlanks)
{
    EXPECT_EQ("event=\"one  two\" action=x\n", RenderLine({"event", "action"}, Texts("  one\r\ntwo \n", "\tx ")));
}

TEST(TextValues, ValueEmptyAfterTrimming)
{
    // Dropped with its label in the labelled settings, an empty cell otherwise.
    EXPECT_EQ("action=x\n", RenderLine({"event", "action"}, Texts(" \r\n ", "x")));
    EXPECT_EQ(";x\n", RenderLine({"event", "action"}, Texts(" \r\n ", "x"), Delimited(';')));
}

TEST(TextValues, DelimitersReplacedInsideValues)
{
    CEntryBuilder entry = Texts("a;b,c", "say \"x;y\"");
    EXPECT_EQ("a,b,c;\"say 'x,y'\"\n", RenderLine({"event", "action"}, entry, Delimited(';')));
    EXPECT_EQ("a;b;c,\"say 'x;y'\"\n", RenderLine({"event", "action"}, entry, Delimited(',')));
    EXPECT_EQ("a;b,c#\"say 'x;y'\"\n", RenderLine({"event", "action"}, entry, Delimited('#')));
    // The ending delimiter counts as well.
    COutputSettings settings = Delimited('#');
    settings.m_bAddEndDelimiter = true;
    settings.m_cEndDelimiter = ';';
    EXPECT_EQ("a,b,c#\"say 'x,y'\";\n", RenderLine({"event", "action"}, entry, settings));
    // The labelled layout replaces nothing.
    EXPECT_EQ("event=a;b,c action=\"say 'x;y'\"\n", RenderLine({"event", "action"}, entry));
}

TEST(TextValues, TabDelimiterTurnsTabsIntoBlanksAfterQuoting)
{
    EXPECT_EQ("\"a b\"\tx\n", RenderLine({"event", "action"}, Texts("a\tb", "x"), Delimited('\t')));
}

TEST(TextValues, IpAddressFormats)
{
    COutputSettings settings;
    EXPECT_EQ("srcip=10.0.0.1\n", RenderLine({"srcip"}, UdpEntry(), settings));
    settings.m_eIpFormat = IPFORMAT_FIXED;
    EXPECT_EQ("srcip=010.000.000.001\n", RenderLine({"srcip"}, UdpEntry(), settings));
    settings.m_eIpFormat = IPFORMAT_INTEGER;
    EXPECT_EQ("srcip=167772161\n", RenderLine({"srcip"}, UdpEntry(), settings));
}

TEST(TextWriter, LinesOfOneWriterDoNotLeakIntoEachOther)
{
    CMemoryStream stream;
    CTextWriter writer(Outputs({"params", "action"}), Delimited(';'), stream.Stream());
    CEntryBuilder first;
    first.Params(std::string(5000, 'p')).Action("a");
    CEntryBuilder second;
    second.Action("b");
    CLogRecord record;
    CLogEntry entry = EntryOf(first);
    record.Decode(entry.m_pBody, entry.m_nLength);
    EXPECT_TRUE(writer.WriteEntry(entry, record, "gw1"));
    entry = EntryOf(second);
    record.Decode(entry.m_pBody, entry.m_nLength);
    EXPECT_TRUE(writer.WriteEntry(entry, record, "gw1"));
    EXPECT_EQ(std::string(5000, 'p') + ";a\n;b\n", stream.Contents());
}
