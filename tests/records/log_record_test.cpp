// Decoding element lists: the walk and its framing, texts, numbers, rule
// names, connection, usage, authentication, routing and packet elements,
// malformed elements, and a record reused for the next entry.
#include "records/log_record.h"

#include <gtest/gtest.h>

#include "records/element_format.h"
#include "records/packed_counter.h"
#include "records/packet_format.h"
#include "support/byte_order.h"
#include "testing/entry_builder.h"
#include "tests/records/record_test_util.h"

using namespace testdata;
using recordtest::Counted;
using recordtest::DecodeInto;
using recordtest::OffsetIn;
using recordtest::Terminated;

namespace {

// Checks that the record holds nothing but the reset values, item slots
// beyond the counts included.
void ExpectOnlyReset(const CLogRecord& r)
{
    EXPECT_EQ(r.m_pCategory, nullptr);
    EXPECT_EQ(r.m_nCategoryLen, 0);
    EXPECT_EQ(r.m_nId, 0u);
    EXPECT_EQ(r.m_pEvent, nullptr);
    EXPECT_EQ(r.m_pAction, nullptr);
    EXPECT_EQ(r.m_nDevTime, 0u);
    EXPECT_EQ(r.m_pExplanation, nullptr);
    EXPECT_EQ(r.m_pParams, nullptr);
    EXPECT_EQ(r.m_pRecvIf, nullptr);
    EXPECT_EQ(r.m_nConnCount, 0);
    EXPECT_EQ(r.m_nUsageCount, 0);
    for (int i = 0; i < CLogRecord::kMaxItems; ++i) {
        EXPECT_EQ(r.m_conn[i].m_pBlock, nullptr) << i;
        EXPECT_EQ(r.m_conn[i].m_nEvent, 0) << i;
        EXPECT_EQ(r.m_conn[i].m_pszRecvIf, nullptr) << i;
        EXPECT_EQ(r.m_conn[i].m_pszDestIf, nullptr) << i;
        EXPECT_EQ(r.m_usage[i].m_nInterval, 0) << i;
        EXPECT_EQ(r.m_usage[i].m_pCounters, nullptr) << i;
        EXPECT_EQ(r.m_usage[i].m_pszIface, nullptr) << i;
    }
    EXPECT_EQ(r.m_pConnUsage, nullptr);
    EXPECT_EQ(r.m_pEthHdr, nullptr);
    EXPECT_EQ(r.m_pArpHdr, nullptr);
    EXPECT_EQ(r.m_pArpAddrs, nullptr);
    EXPECT_EQ(r.m_pIpHdr, nullptr);
    EXPECT_EQ(r.m_pTcpHdr, nullptr);
    EXPECT_EQ(r.m_pUdpHdr, nullptr);
    EXPECT_EQ(r.m_pIcmpHdr, nullptr);
    EXPECT_EQ(r.m_pIcmpIpHdr, nullptr);
    EXPECT_EQ(r.m_nIcmpTcpLen, 0);
    EXPECT_EQ(r.m_pIcmpTcpHdr, nullptr);
    EXPECT_EQ(r.m_pIcmpUdpHdr, nullptr);
    EXPECT_EQ(r.m_pIcmpIcmpHdr, nullptr);
    EXPECT_EQ(r.m_nPacketLen, 0);
    EXPECT_EQ(r.m_nSeverity, -1);
    EXPECT_EQ(r.m_pszAlgModName, nullptr);
    EXPECT_EQ(r.m_nAlgModNameLen, 0);
    EXPECT_EQ(r.m_nAlgSessionId, 0u);
    EXPECT_EQ(r.m_pszRule, nullptr);
    EXPECT_EQ(r.m_pszSatSrcRule, nullptr);
    EXPECT_EQ(r.m_pszSatDestRule, nullptr);
    EXPECT_EQ(r.m_pszUserName, nullptr);
    EXPECT_EQ(r.m_pszSrcUserName, nullptr);
    EXPECT_EQ(r.m_pszDestUserName, nullptr);
    EXPECT_EQ(r.m_pszAuthAgent, nullptr);
    EXPECT_EQ(r.m_pszAuthRule, nullptr);
    for (uint8_t nByte : r.m_nAuthAddr)
        EXPECT_EQ(nByte, 0);
    EXPECT_EQ(r.m_nAuthEvent, 0);
    EXPECT_FALSE(r.m_bAuth);
    EXPECT_FALSE(r.m_bRoute);
    EXPECT_EQ(r.m_pRouteRange, nullptr);
    EXPECT_EQ(r.m_pszRouteIface, nullptr);
    EXPECT_EQ(r.m_pRouteGw, nullptr);
    EXPECT_EQ(r.m_nRouteMetric, 0u);
    EXPECT_FALSE(r.m_bDynRouting);
    EXPECT_EQ(r.m_nDynRoutingEvent, 0u);
    EXPECT_EQ(r.m_pszDynRoutingSrcProc, nullptr);
    EXPECT_EQ(r.m_pszDynRoutingDestProc, nullptr);
}

uint32_t Counter(const uint8_t* p)
{
    uint32_t nValue = 0;
    EXPECT_TRUE(PackedCounterToUInt32(p, nValue));
    return nValue;
}

// A 'Z' element data laid out by hand: event 1, version 4, offset word B,
// both names, then the given bytes behind the names.
Bytes ConnByHand(uint16_t nBlockOffset, const std::string& strRecvIf, const std::string& strDestIf,
                 const Bytes& behindNames)
{
    Bytes data{CONN_OPEN, kAddressVersionIpv4};
    AppendLE16(data, nBlockOffset);
    AppendText(data, strRecvIf);
    AppendText(data, strDestIf);
    AppendBytes(data, behindNames);
    return data;
}

}  // namespace

TEST(RecordFraming, ListsTooShortForAnElementOnlyReset)
{
    CLogRecord record;
    record.Decode(nullptr, 0);
    ExpectOnlyReset(record);
    EXPECT_EQ(record.m_nEntryLen, 0);

    // A 4-byte header of a 'Y' element whose data is missing.
    CEntryBuilder entry;
    entry.RawBytes({TAG_SEVERITY, 0, 0, 4});
    DecodeInto(record, entry);
    ExpectOnlyReset(record);
    EXPECT_EQ(record.m_nEntryLen, 4);
}

TEST(RecordFraming, ZeroOrOverlongLengthEndsTheWalkKeepingEarlierElements)
{
    CLogRecord record;
    CEntryBuilder zero;
    zero.Category("first").ElementWithLength(TAG_EVENT, 0, {}).Action("never");
    DecodeInto(record, zero);
    EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "first");
    EXPECT_EQ(record.m_pEvent, nullptr);
    EXPECT_EQ(record.m_pAction, nullptr);

    // The length runs one byte past the end of the list.
    CEntryBuilder overlong;
    overlong.Category("first").ElementWithLength(TAG_ACTION, 6, Text("drop"));
    DecodeInto(record, overlong);
    EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "first");
    EXPECT_EQ(record.m_pAction, nullptr);
    EXPECT_EQ(record.m_nEntryLen, overlong.Length());

    // An element ending exactly at the end of the list is taken; a trailing
    // fragment of four bytes is not an element.
    CEntryBuilder exact;
    exact.Category("first").Action("drop").RawBytes({TAG_CATEGORY, 0, 0, 9});
    DecodeInto(record, exact);
    EXPECT_EQ(Counted(record.m_pAction, record.m_nActionLen), "drop");
    EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "first");
}

TEST(RecordFraming, DecodeTellsWhetherTheListWasDecodedWhole)
{
    Bytes noDynEnd = DynRoutingData(CDynRoutingSpec());
    noDynEnd.pop_back();
    const struct {
        CEntryBuilder entry;
        bool bWhole;
        const char* pszCase;
    } aCases[] = {
        {CEntryBuilder(), true, "empty list"},
        {CEntryBuilder().Category("a").RawBytes({TAG_CATEGORY, 0, 0, 9}), true, "trailing fragment"},
        {CEntryBuilder().Element('z', {1}).Element(TAG_LOG_ID, {1}).Action("a"), true, "skipped elements"},
        {CEntryBuilder().Element(TAG_CONN, {1, 2, 3}).Element(TAG_USAGE, {9}), true, "dropped items"},
        {CEntryBuilder().ElementWithLength(TAG_EVENT, 0, {}).Action("never"), false, "zero length"},
        {CEntryBuilder().ElementWithLength(TAG_ACTION, 6, Text("drop")), false, "overlong"},
        {CEntryBuilder().Element(TAG_SEVERITY, {6, 0}), false, "severity length"},
        {CEntryBuilder().Element(TAG_O_TEXT, {'a', 'b'}), false, "unterminated O text"},
        {CEntryBuilder().Element(TAG_DYN_ROUTING, noDynEnd), false, "dynamic routing texts"},
        {CEntryBuilder().Element(TAG_DYN_ROUTING, {1, 0, 0}), false, "dynamic routing short"},
    };
    CLogRecord record;
    for (const auto& test : aCases)
        EXPECT_EQ(DecodeInto(record, test.entry), test.bWhole) << test.pszCase;
}

TEST(RecordFraming, UnknownTagsAreSkippedByTheirLength)
{
    CEntryBuilder entry;
    entry.Element('B', Text("xx"))
        .Element('z', {1, 2, 3})
        .Element(0x80, {0})
        .Element('G', Bytes(300, 'g'))
        .Element('c', Text("lower"))
        .Category("kept");
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "kept");
}

TEST(RecordTexts, CountedTextsPointIntoTheListWithTheirLength)
{
    CEntryBuilder entry;
    entry.Category("conn")
        .Event("conn_open")
        .Action("allow")
        .Explanation("why")
        .Params("a=b")
        .RecvIf("lan")
        .GatewayName("gw1")
        .AlgModName("ftp");
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "conn");
    EXPECT_EQ(record.m_nCategoryLen, 5);  // the terminator counts
    EXPECT_EQ(Counted(record.m_pEvent, record.m_nEventLen), "conn_open");
    EXPECT_EQ(Counted(record.m_pAction, record.m_nActionLen), "allow");
    EXPECT_EQ(Counted(record.m_pExplanation, record.m_nExplanationLen), "why");
    EXPECT_EQ(Counted(record.m_pParams, record.m_nParamsLen), "a=b");
    EXPECT_EQ(Counted(record.m_pRecvIf, record.m_nRecvIfLen), "lan");
    EXPECT_EQ(Terminated(record.m_pszAlgModName), "ftp");
    EXPECT_EQ(record.m_nAlgModNameLen, 4);
    EXPECT_EQ(OffsetIn(reinterpret_cast<const uint8_t*>(record.m_pCategory), entry.Data()), 4);
}

TEST(RecordTexts, LaterCopiesOverwriteFieldByField)
{
    CEntryBuilder entry;
    entry.Category("first")
        .Event("ev")
        .Category("second")
        .RuleNames({{RULE_NAME, "r1"}, {RULE_SAT_SRC, "nat1"}})
        .RuleNames({{RULE_NAME, "r2"}});
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "second");
    EXPECT_EQ(record.m_nCategoryLen, 7);
    EXPECT_EQ(Counted(record.m_pEvent, record.m_nEventLen), "ev");
    EXPECT_EQ(Terminated(record.m_pszRule), "r2");
    EXPECT_EQ(Terminated(record.m_pszSatSrcRule), "nat1");
}

TEST(RecordTexts, UnterminatedAlgModNameIsBoundedByItsElement)
{
    CEntryBuilder entry;
    entry.Element(TAG_ALG_MOD_NAME, {'h', 't', 't', 'p'}).Category("c");
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_EQ(Counted(record.m_pszAlgModName, record.m_nAlgModNameLen), "http");
    EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "c");
}

TEST(RecordNumbers, NumbersAreLittleEndian)
{
    CEntryBuilder entry;
    entry.LogId(0x01020304, 0xFFFFFFFF).DevTime(1700000000).AlgSessionId(77).Severity(5);
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_EQ(record.m_nId, 0x01020304u);
    EXPECT_EQ(record.m_nDevTime, 1700000000u);
    EXPECT_EQ(record.m_nAlgSessionId, 77u);
    EXPECT_EQ(record.m_nSeverity, 5);

    CEntryBuilder zero;
    zero.Severity(0);
    DecodeInto(record, zero);
    EXPECT_EQ(record.m_nSeverity, 0);
}

TEST(RecordNumbers, SeverityOfWrongLengthEndsTheWalk)
{
    for (const Bytes& data : {Bytes{6, 0}, Bytes{6, 0, 0, 0, 0}}) {
        CEntryBuilder entry;
        entry.Category("before").Element(TAG_SEVERITY, data).Action("after");
        CLogRecord record;
        DecodeInto(record, entry);
        EXPECT_EQ(record.m_nSeverity, -1);
        EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "before");
        EXPECT_EQ(record.m_pAction, nullptr);
    }
}

TEST(RecordNumbers, ShortNumberElementsAreDroppedAndTheWalkGoesOn)
{
    CEntryBuilder entry;
    entry.LogId(9)
        .DevTime(10)
        .AlgSessionId(11)
        .Element(TAG_LOG_ID, {1, 2, 3})
        .Element(TAG_DEV_TIME, {1})
        .Element(TAG_ALG_SESSION_ID, {1, 2})
        .Element(TAG_PACKET_BOUND, {1})
        .Element(TAG_OSPF, {1})
        .Element(TAG_PACKET, {0, 0, 0})
        .Element(TAG_LOG_ID, {5, 0, 0, 0})  // the id alone is enough
        .Action("after");
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_EQ(record.m_nId, 5u);
    EXPECT_EQ(record.m_nDevTime, 10u);
    EXPECT_EQ(record.m_nAlgSessionId, 11u);
    EXPECT_EQ(record.m_nPacketLen, 0);
    EXPECT_EQ(Counted(record.m_pAction, record.m_nActionLen), "after");
}

TEST(RecordRules, EveryKindFillsItsFieldAndABadKindEndsTheList)
{
    CEntryBuilder entry;
    entry.RuleNames({{RULE_NAME, "allow_web"},
                     {RULE_SAT_SRC, "nat_out"},
                     {RULE_SAT_DEST, "nat_in"},
                     {RULE_SRC_USER, "alice"},
                     {RULE_DEST_USER, "bob"}});
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_EQ(Terminated(record.m_pszRule), "allow_web");
    EXPECT_EQ(Terminated(record.m_pszSatSrcRule), "nat_out");
    EXPECT_EQ(Terminated(record.m_pszSatDestRule), "nat_in");
    EXPECT_EQ(Terminated(record.m_pszSrcUserName), "alice");
    EXPECT_EQ(Terminated(record.m_pszDestUserName), "bob");

    CEntryBuilder badKind;
    badKind.RuleNames({{RULE_NAME, "first"}, {7, "ignored"}, {RULE_SAT_SRC, "ignored"}});
    DecodeInto(record, badKind);
    EXPECT_EQ(Terminated(record.m_pszRule), "first");
    EXPECT_EQ(record.m_pszSatSrcRule, nullptr);

    // A text without terminator ends the element; what came before stays.
    CEntryBuilder unterminated;
    unterminated.Element(TAG_RULES, Concat({RuleNamesData({{RULE_NAME, "r"}}), Bytes{RULE_SAT_DEST, 'x', 'y'}}))
        .Element(TAG_RULES, Bytes{RULE_SAT_SRC})
        .Category("after");
    DecodeInto(record, unterminated);
    EXPECT_EQ(Terminated(record.m_pszRule), "r");
    EXPECT_EQ(record.m_pszSatDestRule, nullptr);
    EXPECT_EQ(record.m_pszSatSrcRule, nullptr);
    EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "after");
}

TEST(RecordConn, ItemPointsAtNamesAndBlock)
{
    CConnSpec conn;
    conn.m_nEvent = CONN_CLOSED;
    conn.m_strRecvIf = "if_in";
    conn.m_strDestIf = "if_out";
    conn.m_nOrigSent = 1500;
    conn.m_nTermSent = 96;
    conn.m_nSrcIp = Ip("10.0.0.1");
    conn.m_nDestIp = Ip("192.168.1.2");
    conn.m_nProtocol = 17;
    conn.m_nSrcPort = 5353;
    conn.m_nDestPort = 53;
    CEntryBuilder entry;
    entry.Conn(conn);
    CLogRecord record;
    DecodeInto(record, entry);
    ASSERT_EQ(record.m_nConnCount, 1);
    const CConnItem& item = record.m_conn[0];
    EXPECT_EQ(item.m_nEvent, CONN_CLOSED);
    EXPECT_EQ(Terminated(item.m_pszRecvIf), "if_in");
    EXPECT_EQ(Terminated(item.m_pszDestIf), "if_out");
    ASSERT_NE(item.m_pBlock, nullptr);
    EXPECT_EQ(Counter(item.m_pBlock + CONN_BLOCK_ORIG_SENT), 1500u);
    EXPECT_EQ(Counter(item.m_pBlock + CONN_BLOCK_TERM_SENT), 96u);
    const uint8_t aAddrs[] = {10, 0, 0, 1, 192, 168, 1, 2};
    EXPECT_EQ(memcmp(item.m_pBlock + CONN_BLOCK_SRC_ADDR, aAddrs, sizeof(aAddrs)), 0);
    EXPECT_EQ(item.m_pBlock[CONN_BLOCK_PROTOCOL], 17);
    EXPECT_EQ(ReadBigEndian16(item.m_pBlock + CONN_BLOCK_SRC_PORT), 5353);
    EXPECT_EQ(ReadBigEndian16(item.m_pBlock + CONN_BLOCK_DEST_PORT), 53);
    EXPECT_EQ(record.m_conn[1].m_pBlock, nullptr);
}

TEST(RecordConn, MalformedItemsAreDropped)
{
    struct CCase {
        const char* pszName;
        Bytes data;
    };
    CConnSpec wrongVersion;
    wrongVersion.m_nVersion = 6;
    CConnSpec offsetTooSmall;
    offsetTooSmall.m_nBlockOffset = 1;
    CConnSpec offsetTooLarge;  // B = N - 32: the block's 29 bytes would leave the element
    offsetTooLarge.m_nBlockOffset = static_cast<int>(ConnData(CConnSpec()).size()) - 32;
    CConnSpec tooShort;  // 34 bytes
    tooShort.m_nBlockLength = 22;
    tooShort.m_nBlockOffset = 2;
    const CCase aCases[] = {
        {"version", ConnData(wrongVersion)},
        {"offset below 2", ConnData(offsetTooSmall)},
        {"offset above N - 33", ConnData(offsetTooLarge)},
        {"34 bytes", ConnData(tooShort)},
        {"unterminated destination name", Concat({Bytes{CONN_OPEN, 4, 2, 0}, Text("recv"), Bytes(40, 'd')})},
        {"unterminated names", Concat({Bytes{CONN_OPEN, 4, 2, 0}, Bytes(40, 'n')})},
        // 17 bytes behind the names but the block's protocol byte says TCP.
        {"tcp with 17 bytes behind the names",
         ConnByHand(2, "recv-iface-1", "d", {0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
        {"16 bytes behind the names", ConnByHand(2, "recv-iface-12", "d", Bytes(16, 0))},
    };
    for (const CCase& c : aCases) {
        CEntryBuilder entry;
        entry.Element(TAG_CONN, c.data).Category("after");
        CLogRecord record;
        DecodeInto(record, entry);
        EXPECT_EQ(record.m_nConnCount, 0) << c.pszName;
        EXPECT_EQ(record.m_conn[0].m_pBlock, nullptr) << c.pszName;
        EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "after") << c.pszName;
    }

    // The same short layout passes for a protocol without ports (47), and
    // the block then starts B bytes behind data offset 4.
    CEntryBuilder gre;
    gre.Element(TAG_CONN, ConnByHand(2, "recv-iface-1", "d", {0, 0, 0, 0, 0, 0, 0, 47, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    CLogRecord record;
    DecodeInto(record, gre);
    ASSERT_EQ(record.m_nConnCount, 1);
    EXPECT_EQ(OffsetIn(record.m_conn[0].m_pBlock, gre.Data()), kElementHeaderSize + kConnNamesOffset + 2);
    EXPECT_EQ(record.m_conn[0].m_pBlock[CONN_BLOCK_PROTOCOL], 47);
}

TEST(RecordItems, ThirtyFifthConnAndUsageItemsAreIgnored)
{
    CEntryBuilder entry;
    for (uint32_t i = 0; i < 40; ++i) {
        CConnSpec conn;
        conn.m_nSrcIp = i;
        CUsageSpec usage;
        usage.m_nInterval = static_cast<uint16_t>(i + 1);
        entry.Conn(conn).Usage(usage);
    }
    entry.ConnUsage(1, 2, 3);  // ignored too: the usage items are full
    CLogRecord record;
    DecodeInto(record, entry);
    ASSERT_EQ(record.m_nConnCount, 34);
    ASSERT_EQ(record.m_nUsageCount, 34);
    for (int i = 0; i < 34; ++i) {
        EXPECT_EQ(record.m_conn[i].m_pBlock[7], i);
        EXPECT_EQ(record.m_usage[i].m_nInterval, i + 1);
    }
    EXPECT_EQ(record.m_pConnUsage, nullptr);

    // A reused record clears the slots it used.
    CEntryBuilder small;
    small.Conn(CConnSpec());
    DecodeInto(record, small);
    EXPECT_EQ(record.m_nConnCount, 1);
    EXPECT_EQ(record.m_nUsageCount, 0);
    for (int i = 1; i < 34; ++i)
        EXPECT_EQ(record.m_conn[i].m_pBlock, nullptr) << i;
    for (int i = 0; i < 34; ++i)
        EXPECT_EQ(record.m_usage[i].m_pszIface, nullptr) << i;
}

TEST(RecordUsage, InterfaceItemsAndConnectionUsage)
{
    CUsageSpec usage;
    usage.m_nInterval = 300;
    usage.m_strIface = "wan1";
    usage.m_nFirstBytes = 1000;
    usage.m_nSecondBytes = 2048;
    CEntryBuilder entry;
    entry.Usage(usage).ConnUsage(10, 20, 30);
    CLogRecord record;
    DecodeInto(record, entry);
    ASSERT_EQ(record.m_nUsageCount, 1);
    EXPECT_EQ(record.m_usage[0].m_nInterval, 300);
    EXPECT_EQ(Terminated(record.m_usage[0].m_pszIface), "wan1");
    EXPECT_EQ(Counter(record.m_usage[0].m_pCounters + kUsageFirstCounterOffset), 1000u);
    EXPECT_EQ(Counter(record.m_usage[0].m_pCounters + kUsageSecondCounterOffset), 2048u);
    ASSERT_NE(record.m_pConnUsage, nullptr);
    EXPECT_EQ(Counter(record.m_pConnUsage + kConnUsageLowestOffset), 10u);
    EXPECT_EQ(Counter(record.m_pConnUsage + kConnUsageCurrentOffset), 20u);
    EXPECT_EQ(Counter(record.m_pConnUsage + kConnUsageHighestOffset), 30u);

    CUsageSpec emptyName;  // 14 bytes: the shortest item
    emptyName.m_strIface = "";
    emptyName.m_nTailLength = 10;
    DecodeInto(record, CEntryBuilder().Usage(emptyName));
    EXPECT_EQ(record.m_nUsageCount, 1);
}

TEST(RecordUsage, MalformedUsageIsIgnored)
{
    CUsageSpec shortTail;  // 9 bytes from the terminator on
    shortTail.m_nTailLength = 8;
    CUsageSpec thirteen;  // empty name, 13 bytes
    thirteen.m_strIface = "";
    const Bytes aCases[] = {
        UsageData(shortTail),
        UsageData(thirteen),
        Concat({Bytes{60, 0, 0}, Bytes(20, 'x')}),  // name without terminator
        Head(ConnUsageData(1, 2, 3), 12),           // connection usage of 12 bytes
        Bytes{1, 0},                                // no kind byte
        Concat({Bytes{0, 0, 2}, Bytes(20, 0)}),     // kind 2
    };
    for (const Bytes& data : aCases) {
        CEntryBuilder entry;
        entry.Element(TAG_USAGE, data).Action("after");
        CLogRecord record;
        DecodeInto(record, entry);
        EXPECT_EQ(record.m_nUsageCount, 0);
        EXPECT_EQ(record.m_usage[0].m_pszIface, nullptr);
        EXPECT_EQ(record.m_pConnUsage, nullptr);
        EXPECT_EQ(Counted(record.m_pAction, record.m_nActionLen), "after");
    }
}

TEST(RecordAuth, WholeElementSetsTheFlagAndCopiesTheAddress)
{
    CAuthSpec auth;
    auth.m_strRule = "vpn_users";
    auth.m_strUser = "carol";
    auth.m_strAgent = "radius";
    auth.m_nEvent = -1;
    auth.m_nAddr = Ip("10.0.0.1");
    CEntryBuilder entry;
    entry.Auth(auth);
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_TRUE(record.m_bAuth);
    EXPECT_EQ(Terminated(record.m_pszAuthRule), "vpn_users");
    EXPECT_EQ(Terminated(record.m_pszUserName), "carol");
    EXPECT_EQ(Terminated(record.m_pszAuthAgent), "radius");
    EXPECT_EQ(record.m_nAuthEvent, -1);
    const uint8_t aAddr[] = {10, 0, 0, 1};
    EXPECT_EQ(memcmp(record.m_nAuthAddr, aAddr, 4), 0);
}

TEST(RecordAuth, FailedElementKeepsWhatAnEarlierOneStored)
{
    CAuthSpec first;
    first.m_strUser = "first";
    first.m_nEvent = 2;
    CAuthSpec second;
    second.m_strUser = "second";
    CAuthSpec wrongVersion = second;
    wrongVersion.m_nVersion = 6;
    const Bytes aBad[] = {
        Head(AuthData(second), AuthData(second).size() - 1),  // 4 bytes behind the agent
        AuthData(wrongVersion),
        Concat({Bytes{0, 4}, Text("rule"), Text("user")}),  // no agent
        Bytes{0, 4},
    };
    for (const Bytes& bad : aBad) {
        CEntryBuilder entry;
        entry.Auth(first).Element(TAG_AUTH, bad).Category("after");
        CLogRecord record;
        DecodeInto(record, entry);
        EXPECT_TRUE(record.m_bAuth);
        EXPECT_EQ(Terminated(record.m_pszUserName), "first");
        EXPECT_EQ(record.m_nAuthEvent, 2);
        EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "after");
    }
    CLogRecord record;
    DecodeInto(record, CEntryBuilder().Element(TAG_AUTH, aBad[0]));
    EXPECT_FALSE(record.m_bAuth);
    EXPECT_EQ(record.m_pszUserName, nullptr);
}

TEST(RecordRoute, FlagFollowsTheLastRouteElement)
{
    CRouteSpec route;
    route.m_nLowIp = Ip("10.0.0.0");
    route.m_nHighIp = Ip("10.255.255.255");
    route.m_strIface = "dmz";
    route.m_nGatewayIp = Ip("192.0.2.1");
    route.m_nMetric = 0x01020304;
    CEntryBuilder entry;
    entry.Route(route);
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_TRUE(record.m_bRoute);
    EXPECT_EQ(OffsetIn(record.m_pRouteRange, entry.Data()), 4);
    EXPECT_EQ(record.m_pRouteRange[4], 10);
    EXPECT_EQ(record.m_pRouteRange[7], 255);
    EXPECT_EQ(Terminated(record.m_pszRouteIface), "dmz");
    EXPECT_EQ(record.m_pRouteGw[0], 192);
    EXPECT_EQ(record.m_pRouteGw[3], 1);
    EXPECT_EQ(record.m_nRouteMetric, 0x01020304u);

    // A later broken route clears the flag; the earlier pointers stay.
    CEntryBuilder broken = entry;
    broken.Element(TAG_ROUTE, Head(RouteData(route), RouteData(route).size() - 1));
    DecodeInto(record, broken);
    EXPECT_FALSE(record.m_bRoute);
    EXPECT_EQ(Terminated(record.m_pszRouteIface), "dmz");

    DecodeInto(record, CEntryBuilder().Element(TAG_ROUTE, Bytes(7, 1)));
    EXPECT_FALSE(record.m_bRoute);
    EXPECT_EQ(record.m_pRouteRange, nullptr);
}

TEST(RecordDynRouting, WholeElementAndUnterminatedTexts)
{
    CDynRoutingSpec dyn;
    dyn.m_nEvent = 3;
    dyn.m_strSrcProc = "ospf1";
    dyn.m_strDestProc = "main";
    CEntryBuilder entry;
    entry.DynRouting(dyn);
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_TRUE(record.m_bDynRouting);
    EXPECT_EQ(record.m_nDynRoutingEvent, 3u);
    EXPECT_EQ(Terminated(record.m_pszDynRoutingSrcProc), "ospf1");
    EXPECT_EQ(Terminated(record.m_pszDynRoutingDestProc), "main");

    // An unterminated destination ends the walk; only terminated texts are kept.
    Bytes noDestEnd = DynRoutingData(dyn);
    noDestEnd.pop_back();
    CEntryBuilder unterminated;
    unterminated.Element(TAG_DYN_ROUTING, noDestEnd).Category("never");
    DecodeInto(record, unterminated);
    EXPECT_FALSE(record.m_bDynRouting);
    EXPECT_EQ(record.m_nDynRoutingEvent, 3u);
    EXPECT_EQ(Terminated(record.m_pszDynRoutingSrcProc), "ospf1");
    EXPECT_EQ(record.m_pszDynRoutingDestProc, nullptr);
    EXPECT_EQ(record.m_pCategory, nullptr);

    DecodeInto(record, CEntryBuilder().Element(TAG_DYN_ROUTING, {1, 0, 0}).Category("never"));
    EXPECT_EQ(record.m_pCategory, nullptr);
    EXPECT_EQ(record.m_nDynRoutingEvent, 0u);
}

TEST(RecordOText, UnterminatedTextEndsTheWalk)
{
    CEntryBuilder entry;
    entry.OText("x", 1, 2).OText("y").Ospf(1, 2).Category("kept");
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "kept");

    CEntryBuilder unterminated;
    unterminated.Category("kept").Element(TAG_O_TEXT, {'a', 'b'}).Action("never");
    DecodeInto(record, unterminated);
    EXPECT_EQ(Counted(record.m_pCategory, record.m_nCategoryLen), "kept");
    EXPECT_EQ(record.m_pAction, nullptr);
}

TEST(RecordPacketElements, LinkKindsBoundsAndLengthWord)
{
    CIpv4Spec ip;
    ip.m_nSrcIp = Ip("10.0.0.1");
    ip.m_nDestIp = Ip("10.0.0.2");
    CTcpSpec tcp;
    tcp.m_nDestPort = 80;
    const Bytes packet = TcpPacket(ip, tcp);  // 40 bytes

    CEntryBuilder ipEntry;
    ipEntry.Packet(packet, LINK_IP);
    CLogRecord record;
    DecodeInto(record, ipEntry);
    EXPECT_EQ(record.m_nPacketLen, 40);
    EXPECT_EQ(OffsetIn(record.m_pIpHdr, ipEntry.Data()), 8);
    EXPECT_EQ(OffsetIn(record.m_pTcpHdr, ipEntry.Data()), 28);

    CEntryBuilder ethEntry;
    ethEntry.Packet(EthernetFrame(packet), LINK_ETHERNET);
    DecodeInto(record, ethEntry);
    EXPECT_EQ(record.m_nPacketLen, 54);
    EXPECT_EQ(OffsetIn(record.m_pEthHdr, ethEntry.Data()), 8);
    EXPECT_NE(record.m_pTcpHdr, nullptr);

    CEntryBuilder kind2;
    kind2.Packet(packet, 2);
    DecodeInto(record, kind2);
    EXPECT_EQ(record.m_nPacketLen, 0);
    EXPECT_EQ(record.m_pIpHdr, nullptr);
    EXPECT_EQ(record.m_pEthHdr, nullptr);

    // The bound of an earlier 'L' element; a length word equal to it passes.
    CEntryBuilder bounded;
    bounded.PacketBound(39).Packet(packet);
    DecodeInto(record, bounded);
    EXPECT_EQ(record.m_nPacketLen, 0);
    EXPECT_EQ(record.m_pIpHdr, nullptr);
    CEntryBuilder atBound;
    atBound.PacketBound(40).Packet(packet);
    DecodeInto(record, atBound);
    EXPECT_EQ(record.m_nPacketLen, 40);
    EXPECT_NE(record.m_pTcpHdr, nullptr);
    CEntryBuilder boundLater;  // the bound only acts on later elements
    boundLater.Packet(packet).PacketBound(1);
    DecodeInto(record, boundLater);
    EXPECT_EQ(record.m_nPacketLen, 40);

    // A length word beyond the rest of the list drops the element; the
    // packet length comes from the element, not from the word.
    CEntryBuilder wordTooLarge;
    wordTooLarge.Packet(packet, LINK_IP, 45).Category("after");
    DecodeInto(record, wordTooLarge);
    EXPECT_EQ(record.m_nPacketLen, 40);  // the 'C' element behind it makes room for the word
    CEntryBuilder wordBeyondList;
    wordBeyondList.Packet(packet, LINK_IP, 45);
    DecodeInto(record, wordBeyondList);
    EXPECT_EQ(record.m_nPacketLen, 0);
    EXPECT_EQ(record.m_pIpHdr, nullptr);
    CEntryBuilder wordSmall;
    wordSmall.Packet(packet, LINK_IP, 20);
    DecodeInto(record, wordSmall);
    EXPECT_EQ(record.m_nPacketLen, 40);
    EXPECT_NE(record.m_pTcpHdr, nullptr);
}

TEST(RecordPacketElements, EthernetFrameElementAndALaterPacketReplacingAllHeaders)
{
    CIpv4Spec ip;
    CTcpSpec tcp;
    const Bytes frame = EthernetFrame(TcpPacket(ip, tcp));
    const Bytes arp =
        EthernetFrame(ArpPacket(1, Mac("00:11:22:33:44:55"), Ip("10.0.0.1"), Mac("00:00:00:00:00:00"), Ip("10.0.0.2")),
                      ETHER_TYPE_ARP);
    CEntryBuilder entry;
    entry.EthernetPacket(frame);
    CLogRecord record;
    DecodeInto(record, entry);
    EXPECT_EQ(record.m_nPacketLen, frame.size());
    EXPECT_EQ(OffsetIn(record.m_pEthHdr, entry.Data()), kElementHeaderSize);
    EXPECT_EQ(OffsetIn(record.m_pTcpHdr, entry.Data()), kElementHeaderSize + kEthernetHeaderSize + kIpMinHeaderSize);

    // Headers of two packets are never mixed: the ARP frame leaves no TCP
    // or IP header of the first packet behind.
    entry.EthernetPacket(arp);
    DecodeInto(record, entry);
    EXPECT_EQ(record.m_nPacketLen, arp.size());
    EXPECT_NE(record.m_pArpAddrs, nullptr);
    EXPECT_EQ(record.m_pIpHdr, nullptr);
    EXPECT_EQ(record.m_pTcpHdr, nullptr);
}

TEST(RecordReuse, NothingIsLeftFromTheEarlierEntry)
{
    CIpv4Spec outer;
    CIpv4Spec inner;
    CTcpSpec tcp;
    CEntryBuilder rich;
    rich.Category("c")
        .Event("e")
        .Action("a")
        .Explanation("x")
        .Params("p")
        .RecvIf("i")
        .LogId(1)
        .DevTime(2)
        .AlgSessionId(3)
        .Severity(4)
        .AlgModName("alg")
        .RuleNames({{1, "r"}, {2, "s"}, {3, "d"}, {4, "u"}, {5, "v"}})
        .Conn(CConnSpec())
        .Conn(CConnSpec())
        .Usage(CUsageSpec())
        .ConnUsage(1, 2, 3)
        .Auth(CAuthSpec())
        .Route(CRouteSpec())
        .DynRouting(CDynRoutingSpec())
        .Packet(EthernetFrame(IcmpError(outer, 3, 1, Head(TcpPacket(inner, tcp), 28))), LINK_ETHERNET);
    CLogRecord record;
    DecodeInto(record, rich);
    ASSERT_NE(record.m_pIcmpTcpHdr, nullptr);
    ASSERT_TRUE(record.m_bAuth && record.m_bRoute && record.m_bDynRouting);

    CEntryBuilder plain;
    plain.GatewayName("gw");
    DecodeInto(record, plain);
    ExpectOnlyReset(record);
    EXPECT_EQ(record.m_nEntryLen, plain.Length());

    DecodeInto(record, rich);
    record.Reset();
    ExpectOnlyReset(record);
    EXPECT_EQ(record.m_nEntryLen, 0);
}

TEST(EntryBuilder, PackedCountersAndAddresses)
{
    const uint32_t aValues[] = {0, 1, 1023, 1024, 1500, 0xFFC00000u};
    for (uint32_t nValue : aValues) {
        CPackedCounter counter = PackCounter(nValue);
        EXPECT_EQ(Counter(counter.data()), nValue);
    }
    CPackedCounter cut = PackCounter(1025);  // 11 significant bits: the lowest is lost
    EXPECT_EQ(Counter(cut.data()), 1024u);
    CPackedCounter wide = PackCounterParts(32, 1);
    uint32_t nValue = 0;
    EXPECT_FALSE(PackedCounterToUInt32(wide.data(), nValue));

    EXPECT_EQ(Ip("10.0.0.1"), 0x0A000001u);
    EXPECT_EQ(Ip("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(Mac("00:1a:2B:33:44:55"), (CMac{0x00, 0x1a, 0x2b, 0x33, 0x44, 0x55}));
    EXPECT_EQ(Mac("001a:2b33:4455"), Mac("00-1a-2b-33-44-55"));
}
