// Decode over arbitrary bytes: random lists, random element sequences and
// mutated real entries, each decoded from an exactly sized heap copy so that
// the address sanitizer sees any read past the list. After each decode every
// pointer of the record is checked to lie inside the list with the whole
// extent its readers use.
#include "records/log_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "records/element_format.h"
#include "records/packet_format.h"
#include "testing/entry_builder.h"

using namespace testdata;

namespace {

class CExtentChecker {
public:
    CExtentChecker(const uint8_t* pStart, size_t nSize) : m_pStart(pStart), m_pEnd(pStart + nSize) {}

    // nBytes bytes at p lie inside the list (or p is null).
    bool Inside(const void* p, size_t nBytes) const
    {
        if (p == nullptr)
            return true;
        const uint8_t* pByte = static_cast<const uint8_t*>(p);
        return pByte >= m_pStart && pByte <= m_pEnd && nBytes <= static_cast<size_t>(m_pEnd - pByte);
    }

    // A zero-terminated text whose terminator lies inside the list.
    bool TerminatedInside(const char* psz) const
    {
        return psz == nullptr ||
               (Inside(psz, 1) && memchr(psz, 0, static_cast<size_t>(m_pEnd - reinterpret_cast<const uint8_t*>(psz))));
    }

private:
    const uint8_t* m_pStart;
    const uint8_t* m_pEnd;
};

// Checks the record filled from the list; returns the number of failures.
int CheckRecord(const CLogRecord& r, const uint8_t* pList, size_t nSize)
{
    CExtentChecker list(pList, nSize);
    int nFailures = 0;
    auto expect = [&nFailures](bool bHolds, const char* pszWhat) {
        if (!bHolds) {
            ++nFailures;
            ADD_FAILURE() << pszWhat;
        }
    };
    expect(r.m_nEntryLen == nSize, "entry length");
    expect(list.Inside(r.m_pCategory, r.m_nCategoryLen), "category");
    expect(list.Inside(r.m_pEvent, r.m_nEventLen), "event");
    expect(list.Inside(r.m_pAction, r.m_nActionLen), "action");
    expect(list.Inside(r.m_pExplanation, r.m_nExplanationLen), "explanation");
    expect(list.Inside(r.m_pParams, r.m_nParamsLen), "params");
    expect(list.Inside(r.m_pRecvIf, r.m_nRecvIfLen), "recvif");
    expect(list.Inside(r.m_pszAlgModName, r.m_nAlgModNameLen), "alg module name");

    expect(r.m_nConnCount <= CLogRecord::kMaxItems && r.m_nUsageCount <= CLogRecord::kMaxItems, "counts");
    for (int i = 0; i < CLogRecord::kMaxItems; ++i) {
        const CConnItem& conn = r.m_conn[i];
        const CUsageItem& usage = r.m_usage[i];
        if (i < r.m_nConnCount) {
            expect(conn.m_pBlock != nullptr && list.Inside(conn.m_pBlock, kConnBlockSize), "conn block");
            expect(list.TerminatedInside(conn.m_pszRecvIf) && list.TerminatedInside(conn.m_pszDestIf), "conn names");
        } else {
            expect(conn.m_pBlock == nullptr && conn.m_nEvent == 0 && conn.m_pszRecvIf == nullptr &&
                       conn.m_pszDestIf == nullptr,
                   "unused conn slot");
        }
        if (i < r.m_nUsageCount) {
            expect(usage.m_pCounters != nullptr &&
                       list.Inside(usage.m_pCounters, kUsageSecondCounterOffset + kPackedCounterSize),
                   "usage counters");
            expect(list.TerminatedInside(usage.m_pszIface), "usage name");
        } else {
            expect(usage.m_nInterval == 0 && usage.m_pCounters == nullptr && usage.m_pszIface == nullptr,
                   "unused usage slot");
        }
    }
    expect(list.Inside(r.m_pConnUsage, kConnUsageHighestOffset + kPackedCounterSize), "connection usage");

    expect(r.m_nPacketLen <= nSize, "packet length");
    expect(list.Inside(r.m_pEthHdr, kEthernetHeaderSize), "ethernet");
    expect(list.Inside(r.m_pArpHdr, kArpFixedSize), "arp");
    expect(list.Inside(r.m_pArpAddrs, kArpAddressesSize), "arp addresses");
    expect(list.Inside(r.m_pIpHdr, kIpMinHeaderSize) &&
               (!r.m_pIpHdr || list.Inside(r.m_pIpHdr, IpHeaderLength(r.m_pIpHdr))),
           "ip");
    expect(list.Inside(r.m_pTcpHdr, kTcpMinHeaderSize) &&
               (!r.m_pTcpHdr || list.Inside(r.m_pTcpHdr, TcpHeaderLength(r.m_pTcpHdr))),
           "tcp");
    expect(list.Inside(r.m_pUdpHdr, kUdpHeaderSize), "udp");
    expect(list.Inside(r.m_pIcmpHdr, kIcmpHeaderSize), "icmp");
    expect(list.Inside(r.m_pIcmpIpHdr, kIpMinHeaderSize) &&
               (!r.m_pIcmpIpHdr || list.Inside(r.m_pIcmpIpHdr, IpHeaderLength(r.m_pIcmpIpHdr))),
           "quoted ip");
    // A quoted TCP header holds at least its ports and sequence number.
    expect(list.Inside(r.m_pIcmpTcpHdr, kTcpAckOffset) && list.Inside(r.m_pIcmpTcpHdr, r.m_nIcmpTcpLen), "quoted tcp");
    expect(list.Inside(r.m_pIcmpUdpHdr, kUdpHeaderSize), "quoted udp");
    expect(list.Inside(r.m_pIcmpIcmpHdr, kIcmpHeaderSize), "quoted icmp");

    const char* const apszTexts[] = {
        r.m_pszRule,        r.m_pszSatSrcRule,        r.m_pszSatDestRule,       r.m_pszUserName,
        r.m_pszSrcUserName, r.m_pszDestUserName,      r.m_pszAuthAgent,         r.m_pszAuthRule,
        r.m_pszRouteIface,  r.m_pszDynRoutingSrcProc, r.m_pszDynRoutingDestProc};
    for (const char* psz : apszTexts)
        expect(list.TerminatedInside(psz), "terminated text");
    expect(list.Inside(r.m_pRouteRange, kRouteNameOffset) && list.Inside(r.m_pRouteGw, kRouteTailSize), "route");
    return nFailures;
}

}  // namespace

// The fuzzing harness, with the signature fuzzing engines call: decodes one
// input (cut to the 65535 bytes an entry can hold) from an exactly sized copy
// and checks the record. Returns 0 like such harnesses do; failures are
// reported through the test framework.
int DecodeFuzzInput(const uint8_t* pData, size_t nSize)
{
    static CLogRecord s_record;  // reused like the query run reuses its record
    if (nSize > 0xFFFF)
        nSize = 0xFFFF;
    std::unique_ptr<uint8_t[]> pCopy(new uint8_t[nSize == 0 ? 1 : nSize]);
    if (nSize > 0)
        memcpy(pCopy.get(), pData, nSize);
    s_record.Decode(nSize == 0 ? nullptr : pCopy.get(), static_cast<uint16_t>(nSize));
    CheckRecord(s_record, pCopy.get(), nSize);
    return 0;
}

namespace {

// Every known tag and one unknown ('B').
const uint8_t kTags[] = {
    // clang-format off
    TAG_ALG_MOD_NAME,    TAG_CATEGORY,        TAG_EXPLANATION,     TAG_GATEWAY_NAME,
    TAG_RECV_IF,         TAG_PACKET_BOUND,    TAG_PACKET,          TAG_O_TEXT,
    TAG_ETHERNET_FRAME,  TAG_RULES,           TAG_PARAMS,          TAG_USAGE,
    TAG_SEVERITY,        TAG_CONN,            TAG_ALG_SESSION_ID,  TAG_DYN_ROUTING,
    TAG_EVENT,           TAG_ACTION,          TAG_LOG_ID,          TAG_OSPF,
    TAG_ROUTE,           TAG_DEV_TIME,        TAG_AUTH,            'B',
    // clang-format on
};

// An entry with every element kind and a packet with quoted headers, the
// seed that the mutations start from.
Bytes RichEntry(std::mt19937& random)
{
    CIpv4Spec outer;
    outer.m_nIhl = static_cast<uint8_t>(5 + random() % 3);
    CIpv4Spec inner;
    CTcpSpec tcp;
    tcp.m_nDataOffset = 5 + random() % 4;
    const Bytes aPackets[] = {
        EthernetFrame(IcmpError(outer, 3, 1, Head(TcpPacket(inner, tcp), 20 + random() % 30))),
        IcmpError(outer, 11, 0, UdpPacket(inner, 1, 2)),
        IcmpError(outer, 5, 0, IcmpPacket(inner, 8, 0)),
        EthernetFrame(ArpPacket(1, Mac("00:11:22:33:44:55"), 1, Mac("00:00:00:00:00:00"), 2), ETHER_TYPE_ARP),
        TcpPacket(outer, tcp, Bytes(random() % 20, 1)),
    };
    const Bytes& packet = aPackets[random() % 5];
    CEntryBuilder entry;
    entry.Category("conn")
        .Event("ev")
        .Action("allow")
        .LogId(7)
        .DevTime(8)
        .Severity(3)
        .RuleNames({{RULE_NAME, "r"}, {RULE_SRC_USER, "u"}})
        .Conn(CConnSpec())
        .Usage(CUsageSpec())
        .ConnUsage(1, 2, 3)
        .Auth(CAuthSpec())
        .Route(CRouteSpec())
        .DynRouting(CDynRoutingSpec())
        .AlgModName("ftp")
        .OText("o", 1, 2)
        .PacketBound(static_cast<uint16_t>(random() % 2 ? 0 : 1500));
    if (random() % 2)
        entry.Packet(packet, random() % 2 ? LINK_ETHERNET : LINK_IP);
    else
        entry.EthernetPacket(packet);
    return entry.Body();
}

Bytes Mutate(Bytes bytes, std::mt19937& random)
{
    unsigned nMutations = 1 + random() % 8;
    for (unsigned i = 0; i < nMutations && !bytes.empty(); ++i) {
        size_t nAt = random() % bytes.size();
        switch (random() % 4) {
        // clang-format off
        case 0: bytes[nAt] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
        case 1: bytes[nAt] = 0; break;
        case 2: bytes[nAt] = static_cast<uint8_t>(random()); break;
        default: bytes.resize(nAt); break;
            // clang-format on
        }
    }
    return bytes;
}

// A sequence of elements with known tags, random data rich in zero bytes and
// lengths that are right most of the time.
Bytes RandomElements(std::mt19937& random)
{
    Bytes list;
    unsigned nElements = static_cast<unsigned>(random() % 12);
    for (unsigned i = 0; i < nElements; ++i) {
        Bytes data(random() % 64);
        for (uint8_t& nByte : data)
            nByte = random() % 3 == 0 ? 0 : static_cast<uint8_t>(random() % 8 == 0 ? random() : 4);
        uint16_t nLength = static_cast<uint16_t>(data.size());
        if (random() % 8 == 0)
            nLength = static_cast<uint16_t>(nLength + random() % 5 - 2);
        list.push_back(kTags[random() % sizeof(kTags)]);
        list.push_back(0);
        AppendBE16(list, nLength);
        AppendBytes(list, data);
    }
    return list;
}

}  // namespace

TEST(DecodeFuzz, ArbitraryBytesStayInsideTheList)
{
    std::mt19937 random(20240611);
    for (int i = 0; i < 10000; ++i) {
        Bytes bytes(random() % 200);
        for (uint8_t& nByte : bytes)
            nByte = static_cast<uint8_t>(random());
        DecodeFuzzInput(bytes.data(), bytes.size());
    }
    for (int i = 0; i < 15000; ++i) {
        Bytes bytes = RandomElements(random);
        DecodeFuzzInput(bytes.data(), bytes.size());
    }
    for (int i = 0; i < 25000; ++i) {
        Bytes bytes = Mutate(RichEntry(random), random);
        DecodeFuzzInput(bytes.data(), bytes.size());
    }
    Bytes huge(70000, 'x');
    DecodeFuzzInput(huge.data(), huge.size());
}
