// JSON Lines: the escaping of texts, the time stamp and gateway of every
// object, the keys, the typed values and the composite columns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/json_text.h"
#include "tests/output/output_test_util.h"

using namespace outputtest;
using namespace testdata;

namespace {

std::string Escaped(const std::string& strText)
{
    CLineBuffer line;
    AppendJsonEscaped(line, strText.data(), strText.size());
    return std::string(line.GetData(), line.GetLength());
}

std::string Json(const std::vector<std::string>& aColumns, const CEntryBuilder& builder,
                 EIpFormat eIpFormat = IPFORMAT_STRING, const char* pszGateway = "gw1", LogTime nTime = kEntryTime)
{
    return RenderLine(aColumns, builder, Layout(LAYOUT_JSON, eIpFormat), pszGateway, nTime);
}

// The object of an entry at kEntryTime from gw1 in UTC, around its columns.
std::string Object(const std::string& strMembers)
{
    return "{\"timestamp\":\"2006-06-01T12:34:56.000000+00:00\",\"gateway\":\"gw1\"" + strMembers + "}\n";
}

CEntryBuilder TcpFrameEntry()
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip("10.0.0.1");
    ip.m_nDestIp = Ip("10.0.0.2");
    CTcpSpec tcp;
    tcp.m_nSrcPort = 1025;
    tcp.m_nDestPort = 80;
    tcp.m_nFlags = TCP_FLAG_SYN | TCP_FLAG_ACK;
    CEntryBuilder builder;
    builder.EthernetPacket(EthernetFrame(TcpPacket(ip, tcp)));
    return builder;
}

}  // namespace

TEST(JsonText, QuotesBackslashesAndControlCharacters)
{
    EXPECT_EQ("say \\\"hi\\\" C:\\\\temp", Escaped("say \"hi\" C:\\temp"));
    EXPECT_EQ("\\b\\t\\n\\f\\r", Escaped("\b\t\n\f\r"));
    EXPECT_EQ("\\u0001\\u001f\x7f", Escaped(std::string("\x01\x1f\x7f")));
    EXPECT_EQ("a\\u0000b", Escaped(std::string("a\0b", 3)));
}

TEST(JsonText, ValidUtf8PassesAndOtherBytesBecomeTheirCodePoint)
{
    // Two-, three- and four-byte sequences, and the highest code point.
    EXPECT_EQ("\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xf4\x8f\xbf\xbf",
              Escaped("\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xf4\x8f\xbf\xbf"));
    const struct {
        const char* m_pszBytes;
        const char* m_pszEscaped;
    } aInvalid[] = {
        {"caf\xe9", "caf\\u00e9"},                             // a Latin-1 byte
        {"\x80\xbf\xff", "\\u0080\\u00bf\\u00ff"},             // lone continuation bytes, 0xFF
        {"\xc0\xaf", "\\u00c0\\u00af"},                        // overlong "/"
        {"\xe0\x80\xaf", "\\u00e0\\u0080\\u00af"},             // overlong three-byte form
        {"\xed\xa0\x80", "\\u00ed\\u00a0\\u0080"},             // a surrogate
        {"\xf4\x90\x80\x80", "\\u00f4\\u0090\\u0080\\u0080"},  // above U+10FFFF
        {"\xe2\x82", "\\u00e2\\u0082"},                        // cut at the end of the text
        {"\xe2\x82x\xc3\xa9", "\\u00e2\\u0082x\xc3\xa9"},      // cut before a valid one
    };
    for (const auto& test : aInvalid)
        EXPECT_EQ(test.m_pszEscaped, Escaped(test.m_pszBytes)) << test.m_pszEscaped;
}

TEST(JsonText, TailEscapedInPlace)
{
    CLineBuffer line;
    CLineBuffer scratch;
    line.Append("keep \"this\" ");
    line.Append("a\"b\xff");
    EscapeJsonTail(line, 12, scratch);
    EXPECT_EQ("keep \"this\" a\\\"b\\u00ff", std::string(line.GetData(), line.GetLength()));
    EscapeJsonTail(line, line.GetLength(), scratch);
    EXPECT_EQ("keep \"this\" a\\\"b\\u00ff", std::string(line.GetData(), line.GetLength()));
}

TEST(JsonLayout, TimestampInLocalTimeWithOffsetAndMicroseconds)
{
    CEntryBuilder entry;
    entry.Event("ev");
    {
        CTimeZoneScope zone("UTC0");
        EXPECT_EQ(Object(",\"event\":\"ev\""), Json({"event"}, entry));
        // 100-nanosecond units below the microsecond are cut off.
        EXPECT_EQ("{\"timestamp\":\"2006-06-01T12:34:56.123456+00:00\"}\n",
                  Json({}, entry, IPFORMAT_STRING, "", kEntryTime + 1234567));
    }
    {
        CTimeZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
        EXPECT_EQ("{\"timestamp\":\"2006-06-01T14:34:56.000000+02:00\"}\n", Json({}, entry, IPFORMAT_STRING, ""));
    }
    {
        CTimeZoneScope zone("NST3:30NDT,M3.2.0,M11.1.0");
        EXPECT_EQ("{\"timestamp\":\"2006-06-01T10:04:56.000000-02:30\"}\n", Json({}, entry, IPFORMAT_STRING, ""));
    }
    // A time before 1970 cannot be shown; the columns of the entry time have no value.
    CTimeZoneScope zone("UTC0");
    EXPECT_EQ("{\"timestamp\":null,\"gateway\":\"gw1\",\"event\":\"ev\"}\n",
              Json({"date", "time", "event"}, entry, IPFORMAT_STRING, "gw1", 5));
}

TEST(JsonLayout, GatewayOnlyForEntriesFromAGateway)
{
    CTimeZoneScope zone("UTC0");
    CEntryBuilder entry;
    entry.Event("ev");
    EXPECT_EQ(
        "{\"timestamp\":\"2006-06-01T12:34:56.000000+00:00\",\"gateway\":\"gw \\\"1\\\"\",\"vantgard\":\"gw "
        "\\\"1\\\"\",\"event\":\"ev\"}\n",
        Json({"vantgard", "event"}, entry, IPFORMAT_STRING, "gw \"1\""));
    // Read from a file: no gateway, and no value for the gateway-name columns.
    EXPECT_EQ("{\"timestamp\":\"2006-06-01T12:34:56.000000+00:00\",\"event\":\"ev\"}\n",
              Json({"firewall", "vantgard", "event"}, entry, IPFORMAT_STRING, ""));
}

TEST(JsonLayout, HeaderNamesAsKeysInStatementOrderEachOnce)
{
    CTimeZoneScope zone("UTC0");
    CEntryBuilder entry;
    entry.RecvIf("eth0").Params("p").Event("ev").EthernetPacket(EthernetFrame(Bytes(28, 0)));
    EXPECT_EQ(Object(",\"recvif\":\"eth0\",\"destenet\":\"0000:5e00:5302\",\"event\":\"ev\",\"description\":\"p\""),
              Json({"recviface", "hwdest", "event", "RECVIF", "params", "description", "event"}, entry));
    // No header line.
    EXPECT_EQ("", HeaderLine({"srcip", "destip"}, Layout(LAYOUT_JSON)));
}

TEST(JsonLayout, TypedValues)
{
    CTimeZoneScope zone("UTC0");
    EXPECT_EQ(Object(",\"srcip\":\"10.0.0.1\",\"srcport\":1025,\"destport\":80,\"ipproto\":6,\"enetproto\":2048,"
                     "\"ttl\":64,\"iptotallen\":40,\"tcphdrlen\":20,\"fin\":false,\"syn\":true,\"ack\":true,"
                     "\"hwsrc\":\"0000:5e00:5301\""),
              Json({"srcip", "srcport", "destport", "ipproto", "enetproto", "ttl", "iptotlen", "tcphdrlen", "fin",
                    "syn", "ack", "hwsrc"},
                   TcpFrameEntry()));
    // Addresses in the fixed format stay strings; in the integer format they are numbers.
    EXPECT_EQ(Object(",\"srcip\":\"010.000.000.001\""), Json({"srcip"}, TcpFrameEntry(), IPFORMAT_FIXED));
    EXPECT_EQ(Object(",\"srcip\":167772161,\"destip\":167772162"),
              Json({"srcip", "destip"}, TcpFrameEntry(), IPFORMAT_INTEGER));
    // Names are strings, also when the table has none and the number stands in.
    CEntryBuilder numbers;
    numbers.LogId(42).Severity(-2).AlgSessionId(7).Packet(IcmpPacket(CIpv4Spec(), 7, 0));
    EXPECT_EQ(Object(",\"id\":42,\"severity\":4294967294,\"algsessionid\":7,\"icmptype\":\"7\",\"ipproto\":1"),
              Json({"id", "severity", "algsessionid", "icmptype", "ipproto"}, numbers));
}

TEST(JsonLayout, TextsAreTheStoredValuesEscaped)
{
    CTimeZoneScope zone("UTC0");
    CEntryBuilder entry;
    entry.Event("  say \"hi\"\r\n\tto C:\\ ").Action("").Explanation("caf\xe9 \xe2\x82\xac");
    EXPECT_EQ(Object(",\"event\":\"  say \\\"hi\\\"\\r\\n\\tto C:\\\\ \",\"action\":\"\","
                     "\"explanation\":\"caf\\u00e9 \xe2\x82\xac\""),
              Json({"event", "action", "explanation"}, entry));
}

TEST(JsonLayout, ConnectionUsageObjectAndUsageArray)
{
    CTimeZoneScope zone("UTC0");
    CUsageSpec lan;
    lan.m_nInterval = 8;
    lan.m_nFirstBytes = 1000;
    lan.m_nSecondBytes = 500;
    CUsageSpec wan;
    wan.m_strIface = "w\"an";
    wan.m_nInterval = 0;
    CEntryBuilder entry;
    entry.Usage(lan).Usage(wan).ConnUsage(1, 5, 9);
    EXPECT_EQ(Object(",\"connusage\":{\"maxconns\":9,\"curconns\":5,\"minconns\":1},\"usage\":[{\"iface\":\"lan\","
                     "\"interval\":8,\"throughput\":1.50},{\"iface\":\"w\\\"an\",\"interval\":0,\"throughput\":0.00}]"),
              Json({"connusage", "usage"}, entry));

    // A count without a 32-bit reading is left out of the object.
    Bytes data = ConnUsageData(1, 5, 9);
    CPackedCounter huge = PackCounterParts(40, 1);
    std::copy(huge.begin(), huge.end(), &data[kConnUsageHighestOffset]);
    CEntryBuilder unreadable;
    unreadable.Element(TAG_USAGE, data);
    EXPECT_EQ(Object(",\"connusage\":{\"curconns\":5,\"minconns\":1}"), Json({"connusage", "usage"}, unreadable));
}

TEST(JsonLayout, InterfaceNamesAsStored)
{
    // The text layouts clean these names; JSON escapes them and keeps every byte.
    CTimeZoneScope zone("UTC0");
    CUsageSpec hostile;
    hostile.m_strIface = " a\nb\t";
    hostile.m_nInterval = 0;
    EXPECT_EQ(Object(",\"usage\":[{\"iface\":\" a\\nb\\t\",\"interval\":0,\"throughput\":0.00}]"),
              Json({"usage"}, CEntryBuilder().Usage(hostile)));
}

TEST(JsonLayout, EntryWithoutSelectedValuesStillWritesItsObject)
{
    CTimeZoneScope zone("UTC0");
    CEntryBuilder entry;
    entry.Event("ev");
    EXPECT_EQ(Object(""), Json({"syn", "srcip", "connusage", "usage", "icmpdestport", "routegw"}, entry));
    EXPECT_EQ(Object(""), Json({}, entry));
}
