// IN lists and index statements: their parsing and where they look.
#include "filter/search_in.h"
#include "filter/search_index.h"

#include <gtest/gtest.h>

#include <string>

#include "lql/keyword_table.h"
#include "testing/entry_builder.h"
#include "tests/filter/filter_test_util.h"

using namespace testdata;
using filtertest::CDecoded;
using filtertest::IndexMatches;
using filtertest::InMatches;
using filtertest::Matches;
using filtertest::MessageOf;

namespace {

std::string InMessage(int32_t nParamId, const std::string& strList)
{
    return MessageOf([&] {
        CSearchIn in;
        in.SetValue(nParamId, strList.c_str());
    });
}

// "first, first+1, ..." with nCount entries.
std::string NumberList(int nCount)
{
    std::string str;
    for (int i = 0; i < nCount; ++i)
        str += (i ? ", " : "") + std::to_string(1000 + i);
    return str;
}

std::string AddressList(int nCount)
{
    std::string str;
    for (int i = 0; i < nCount; ++i)
        str += (i ? "," : "") + std::string("10.0.0.") + std::to_string(i);
    return str;
}

TEST(SearchIn, AddressListsHoldRangesPrefixesAndSingleAddresses)
{
    CSearchIn in;
    in.SetValue(KEY_SRCIP, "10.0.0.0/8 ,\t192.168.1.1 - 192.168.1.9, 172.16.0.1, 0.0.0.0/0.0.0.0");
    ASSERT_EQ(in.GetCount(), 4);
    EXPECT_EQ(in.GetKind(), SEARCH_IN_SRCIP);
    EXPECT_EQ(in.GetIpRange(0).m_nLow, Ip("10.0.0.0"));
    EXPECT_EQ(in.GetIpRange(0).m_nHigh, Ip("10.255.255.255"));
    EXPECT_EQ(in.GetIpRange(1).m_nLow, Ip("192.168.1.1"));
    EXPECT_EQ(in.GetIpRange(1).m_nHigh, Ip("192.168.1.9"));
    EXPECT_EQ(in.GetIpRange(2).m_nLow, in.GetIpRange(2).m_nHigh);
    EXPECT_EQ(in.GetIpRange(3).m_nHigh, 0xFFFFFFFFu);

    in.SetValue(KEY_ROUTEGW, "192.168.0.0/255.255.255.0 and the rest, 10.0.0.1");
    ASSERT_EQ(in.GetCount(), 1);  // anything but "," ends the list
    EXPECT_EQ(in.GetIpRange(0).m_nHigh, Ip("192.168.0.255"));
    in.SetValue(KEY_DESTIP, "1.2.3.4/32, 0.0.0.0/0, 0.0.0.0/-0, 10.0.0.0/+8");
    EXPECT_EQ(in.GetCount(), 4);
}

TEST(SearchIn, BadListsFailWithInvalidRange)
{
    for (const char* pszList : {"", "10.0.0.1/8", "10.0.0.9-10.0.0.1", "10.0.0.0/255.0.255.0", "10.0.0.0/33",
                                "10.0.0.0/-8", "10.0.0.1,", "10.0.0.1, x", "10.0.0.0/", "10.0.0.1-"})
        EXPECT_EQ(InMessage(KEY_SRCIP, pszList), "Invalid range specified") << pszList;
    for (const char* pszList : {"", ",80", "80-", "80,,81", "http"})
        EXPECT_EQ(InMessage(KEY_DESTPORT, pszList), "Invalid range specified") << pszList;
    EXPECT_EQ(InMessage(KEY_RULE, "a"), "Search parameter not supported in a IN statemenet");
    EXPECT_EQ(InMessage(KEY_IPPROTO, "6"), "Search parameter not supported in a IN statemenet");
}

// Address lists take at most 31 entries; number lists 32, and a longer
// number list is refused rather than cut short without a word.
TEST(SearchIn, ListLimits)
{
    EXPECT_EQ(InMessage(KEY_SRCIP, AddressList(31)), "");
    EXPECT_EQ(InMessage(KEY_SRCIP, AddressList(32)), "Invalid range specified");
    EXPECT_EQ(InMessage(KEY_DESTPORT, NumberList(32)), "");
    EXPECT_EQ(InMessage(KEY_DESTPORT, NumberList(33)), "Invalid range specified");
    EXPECT_EQ(InMessage(KEY_ID, NumberList(40)), "Invalid range specified");
}

TEST(SearchIn, NumberListsReadEveryBase)
{
    CSearchIn in;
    in.SetValue(KEY_SRCPORT, "80, 443, 20-23, 0x50, $1F, b101, 010, 70000");
    ASSERT_EQ(in.GetCount(), 8);
    const uint32_t aLow[] = {80, 443, 20, 80, 31, 5, 8, 70000};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(in.GetNumRange(i).m_nLow, aLow[i]) << i;
    EXPECT_EQ(in.GetNumRange(2).m_nHigh, 23u);
}

TEST(SearchIn, AddressListsLookAtPacketsAndConnectionsOnly)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip("10.1.2.3");
    ip.m_nDestIp = Ip("192.168.0.1");
    CEntryBuilder packet;
    packet.Packet(TcpPacket(ip, CTcpSpec()));
    CConnSpec conn;
    conn.m_nSrcIp = Ip("10.1.2.3");
    CEntryBuilder connection;
    connection.Conn(conn);
    CEntryBuilder arp;
    arp.EthernetPacket(
        EthernetFrame(ArpPacket(1, Mac("00:00:5e:00:53:01"), Ip("10.1.2.3"), Mac("00:00:00:00:00:00"), Ip("10.0.0.1")),
                      ETHER_TYPE_ARP));
    CAuthSpec auth;
    auth.m_nAddr = Ip("10.1.2.3");
    CEntryBuilder login;
    login.Auth(auth);

    const char* pszList = "10.0.0.0/8";
    EXPECT_TRUE(InMatches(CDecoded(packet), KEY_SRCIP, pszList));
    EXPECT_FALSE(InMatches(CDecoded(packet), KEY_DESTIP, pszList));
    EXPECT_TRUE(InMatches(CDecoded(connection), KEY_SRCIP, pszList));
    EXPECT_FALSE(InMatches(CDecoded(arp), KEY_SRCIP, pszList));
    EXPECT_TRUE(Matches(CDecoded(arp), KEY_SRCIP, "10.1.2.3"));
    EXPECT_FALSE(InMatches(CDecoded(login), KEY_SRCIP, pszList));
    EXPECT_TRUE(Matches(CDecoded(login), KEY_SRCIP, "10.1.2.3"));

    // A packet from outside the list with a connection item inside it.
    CEntryBuilder both;
    CIpv4Spec outside = ip;
    outside.m_nSrcIp = Ip("172.16.0.1");
    both.Packet(TcpPacket(outside, CTcpSpec())).Conn(conn);
    EXPECT_TRUE(InMatches(CDecoded(both), KEY_SRCIP, pszList));
}

TEST(SearchIn, PortsOfPacketsQuotedHeadersAndConnections)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip("10.0.0.1");
    ip.m_nDestIp = Ip("10.0.0.2");
    CTcpSpec http;
    http.m_nDestPort = 80;
    CTcpSpec proxy;
    proxy.m_nDestPort = 8080;
    CEntryBuilder tcp80;
    CEntryBuilder tcp8080;
    CEntryBuilder udp53;
    CEntryBuilder icmpUdp53;
    CEntryBuilder icmpTcp53;
    CEntryBuilder conn443;
    tcp80.Packet(TcpPacket(ip, http));
    tcp8080.Packet(TcpPacket(ip, proxy));
    udp53.Packet(UdpPacket(ip, 5353, 53));
    icmpUdp53.Packet(IcmpError(ip, 3, 3, Head(UdpPacket(ip, 5353, 53), 28)));
    icmpTcp53.Packet(IcmpError(ip, 3, 3,
                               Head(TcpPacket(ip,
                                              [] {
                                                  CTcpSpec t;
                                                  t.m_nDestPort = 53;
                                                  return t;
                                              }()),
                                    28)));
    CConnSpec conn;
    conn.m_nDestPort = 443;
    conn443.Conn(conn);

    const char* pszWellKnown = "1-1023";
    EXPECT_TRUE(InMatches(CDecoded(tcp80), KEY_DESTPORT, pszWellKnown));
    EXPECT_FALSE(InMatches(CDecoded(tcp8080), KEY_DESTPORT, pszWellKnown));
    EXPECT_TRUE(InMatches(CDecoded(udp53), KEY_DESTPORT, pszWellKnown));
    EXPECT_TRUE(InMatches(CDecoded(conn443), KEY_DESTPORT, pszWellKnown));
    EXPECT_FALSE(InMatches(CDecoded(udp53), KEY_SRCPORT, pszWellKnown));
    EXPECT_FALSE(InMatches(CDecoded(tcp80), KEY_DESTPORT, "1023-1"));  // a reversed range holds nothing

    EXPECT_TRUE(InMatches(CDecoded(icmpUdp53), KEY_ICMPDESTPORT, "53"));
    EXPECT_TRUE(InMatches(CDecoded(icmpTcp53), KEY_ICMPDESTPORT, "53"));
    EXPECT_TRUE(InMatches(CDecoded(icmpUdp53), KEY_ICMPSRCPORT, "5353"));
    EXPECT_FALSE(InMatches(CDecoded(udp53), KEY_ICMPDESTPORT, "53"));
    EXPECT_FALSE(InMatches(CDecoded(icmpUdp53), KEY_DESTPORT, "53"));
    EXPECT_TRUE(InMatches(CDecoded(icmpUdp53), KEY_ICMPSRCIP, "10.0.0.1"));
    EXPECT_TRUE(InMatches(CDecoded(icmpUdp53), KEY_ICMPDESTIP, "10.0.0.0-10.0.0.7"));
}

TEST(SearchIn, IdsAndRouteGateways)
{
    CEntryBuilder id150;
    CEntryBuilder id200;
    CEntryBuilder id300;
    CEntryBuilder route;
    id150.LogId(150);
    id200.LogId(200);
    id300.LogId(300);
    CRouteSpec spec;
    spec.m_nGatewayIp = Ip("192.168.0.254");
    route.Route(spec);
    const char* pszIds = "100-199, 300";
    EXPECT_TRUE(InMatches(CDecoded(id150), KEY_ID, pszIds));
    EXPECT_FALSE(InMatches(CDecoded(id200), KEY_ID, pszIds));
    EXPECT_TRUE(InMatches(CDecoded(id300), KEY_ID, pszIds));
    EXPECT_TRUE(InMatches(CDecoded(route), KEY_ROUTEGW, "192.168.0.0/24"));
    EXPECT_FALSE(InMatches(CDecoded(id150), KEY_ROUTEGW, "0.0.0.0/0"));
}

TEST(SearchIndex, OneByteOfAHeaderWithinTheCapturedBytes)
{
    CIpv4Spec ip;
    CTcpSpec syn;
    syn.m_nFlags = TCP_FLAG_SYN;
    CTcpSpec synAck;
    synAck.m_nFlags = TCP_FLAG_SYN | TCP_FLAG_ACK;
    CEntryBuilder synEntry;
    CEntryBuilder synAckEntry;
    CEntryBuilder udpEntry;
    CEntryBuilder frameEntry;
    synEntry.Packet(TcpPacket(ip, syn));
    synAckEntry.Packet(TcpPacket(ip, synAck, Bytes{0xAA}));
    udpEntry.Packet(UdpPacket(ip, 1, 2));
    frameEntry.EthernetPacket(EthernetFrame(TcpPacket(ip, syn, Bytes{0x42})));

    EXPECT_TRUE(IndexMatches(CDecoded(synEntry), KEY_TCP, 13, "2"));
    EXPECT_FALSE(IndexMatches(CDecoded(synAckEntry), KEY_TCP, 13, "2"));
    EXPECT_TRUE(IndexMatches(CDecoded(synAckEntry), KEY_TCP, 13, "2", SEARCH_OP_GE));
    EXPECT_FALSE(IndexMatches(CDecoded(synAckEntry), KEY_TCP, 13, "18", SEARCH_OP_GT));
    EXPECT_TRUE(IndexMatches(CDecoded(udpEntry), KEY_IP, 9, "17"));
    EXPECT_FALSE(IndexMatches(CDecoded(synEntry), KEY_UDP, 0, "0", SEARCH_OP_GE));   // no UDP header
    EXPECT_FALSE(IndexMatches(CDecoded(synEntry), KEY_ENET, 0, "0", SEARCH_OP_GE));  // no Ethernet header

    // The TCP header of synEntry holds 20 bytes and nothing follows it.
    EXPECT_TRUE(IndexMatches(CDecoded(synEntry), KEY_TCP, 19, "0", SEARCH_OP_GE));
    EXPECT_FALSE(IndexMatches(CDecoded(synEntry), KEY_TCP, 20, "0", SEARCH_OP_GE));
    EXPECT_FALSE(IndexMatches(CDecoded(synEntry), KEY_TCP, 4000000000u, "0", SEARCH_OP_GE));
    EXPECT_TRUE(IndexMatches(CDecoded(synAckEntry), KEY_TCP, 20, "170"));

    // In an Ethernet frame the IP and TCP bounds leave out the bytes before them.
    CDecoded frame(frameEntry);
    EXPECT_TRUE(IndexMatches(frame, KEY_ENET, 12, "8"));
    EXPECT_TRUE(IndexMatches(frame, KEY_ENET, 13, "0"));
    EXPECT_TRUE(IndexMatches(frame, KEY_ENET, 54, "66"));
    EXPECT_FALSE(IndexMatches(frame, KEY_ENET, 55, "0", SEARCH_OP_GE));
    EXPECT_TRUE(IndexMatches(frame, KEY_IP, 40, "66"));
    EXPECT_FALSE(IndexMatches(frame, KEY_IP, 41, "0", SEARCH_OP_GE));
    EXPECT_TRUE(IndexMatches(frame, KEY_TCP, 20, "66"));
    EXPECT_FALSE(IndexMatches(frame, KEY_TCP, 21, "0", SEARCH_OP_GE));
}

}  // namespace
