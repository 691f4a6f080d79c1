// CLogRecord: the decoded form of one stored log entry.
//
// Decode walks the entry's element list and fills a flat set of fields that
// the filter and the text rendering read directly. The record is fixed-size
// and reused for every entry; decoding allocates nothing and copies no text.
//
// Ownership: the record owns nothing. Every pointer points into the element
// list given to Decode (the reader's entry buffer) and is valid until those
// bytes change. Absent fields are 0 (null, zero length, cleared flag), except
// m_nSeverity, which is -1 when absent.
//
// Texts come in two kinds:
// - counted texts (pointer + length N, N counting the terminating zero):
//   readers take at most N bytes, up to the first zero byte;
// - terminated texts (m_psz...): the decoder found their terminator inside
//   the element, except the ALG module name, whose bytes are bounded by
//   m_nAlgModNameLen instead.
#ifndef SARNITH_RECORDS_LOG_RECORD_H
#define SARNITH_RECORDS_LOG_RECORD_H

#include <cstdint>

// One connection item (a 'Z' element; its layout is in records/element_format.h).
struct CConnItem {
    const uint8_t* m_pBlock;  // the connection block: counters, addresses, protocol, ports
    uint8_t m_nEvent;         // EConnEvent; other values unknown
    const char* m_pszRecvIf;  // receiving interface
    const char* m_pszDestIf;  // destination interface
};

// One interface usage item (a 'U' element of kind 0).
struct CUsageItem {
    uint16_t m_nInterval;        // measuring interval in seconds
    const uint8_t* m_pCounters;  // byte after the name's terminator, where the packed counters lie
    const char* m_pszIface;      // interface name
};

class CLogRecord {
public:
    enum { kMaxItems = 34 };

    // Every field 0, m_nSeverity -1; all item slots zero.
    CLogRecord() : m_nConnCount(0), m_conn(), m_nUsageCount(0), m_usage() { Reset(); }

    // Every field 0, m_nSeverity -1. Clears only the item slots in use: the
    // slots beyond the counts are always zero.
    void Reset();
    // Resets the record and fills it from the element list (nLength bytes).
    // Returns whether the list was decoded whole: false when the walk had to
    // stop before its end (an element length of 0 or past the list, a
    // severity element not 4 bytes long, an unterminated 'O' text, or
    // dynamic-routing texts cut off). The record then holds what was
    // decoded before.
    bool Decode(const uint8_t* pList, uint16_t nLength);

    // The last connection item and its connection block: the connection
    // that single-value readers look at. Null without connection items.
    const CConnItem* GetLastConn() const { return m_nConnCount == 0 ? nullptr : &m_conn[m_nConnCount - 1]; }
    const uint8_t* GetLastConnBlock() const
    {
        const CConnItem* pConn = GetLastConn();
        return pConn == nullptr ? nullptr : pConn->m_pBlock;
    }

    uint16_t m_nEntryLen;
    const char* m_pCategory;
    uint16_t m_nCategoryLen;
    uint32_t m_nId;
    const char* m_pEvent;
    uint16_t m_nEventLen;
    const char* m_pAction;
    uint16_t m_nActionLen;
    uint32_t m_nDevTime;
    const char* m_pExplanation;
    uint16_t m_nExplanationLen;
    const char* m_pParams;
    uint16_t m_nParamsLen;
    const char* m_pRecvIf;
    uint16_t m_nRecvIfLen;
    uint16_t m_nConnCount;
    CConnItem m_conn[kMaxItems];
    uint16_t m_nUsageCount;
    CUsageItem m_usage[kMaxItems];
    const uint8_t* m_pConnUsage;
    const uint8_t* m_pEthHdr;
    const uint8_t* m_pArpHdr;
    const uint8_t* m_pArpAddrs;
    const uint8_t* m_pIpHdr;
    const uint8_t* m_pTcpHdr;
    const uint8_t* m_pUdpHdr;
    const uint8_t* m_pIcmpHdr;
    const uint8_t* m_pIcmpIpHdr;
    uint8_t m_nIcmpTcpLen;
    const uint8_t* m_pIcmpTcpHdr;
    const uint8_t* m_pIcmpUdpHdr;
    const uint8_t* m_pIcmpIcmpHdr;
    uint16_t m_nPacketLen;
    int32_t m_nSeverity;
    const char* m_pszAlgModName;
    uint16_t m_nAlgModNameLen;  // bytes of the 'A' element: the text ends at its first zero or here
    uint32_t m_nAlgSessionId;
    const char* m_pszRule;
    const char* m_pszSatSrcRule;
    const char* m_pszSatDestRule;
    const char* m_pszUserName;
    const char* m_pszSrcUserName;
    const char* m_pszDestUserName;
    const char* m_pszAuthAgent;
    const char* m_pszAuthRule;
    uint8_t m_nAuthAddr[4];  // network order
    int16_t m_nAuthEvent;    // 1 Login .. 5 Accounting; -1 none
    bool m_bAuth;
    bool m_bRoute;
    const uint8_t* m_pRouteRange;  // lowest and highest address of the route's range
    const char* m_pszRouteIface;
    const uint8_t* m_pRouteGw;
    uint32_t m_nRouteMetric;
    bool m_bDynRouting;
    uint32_t m_nDynRoutingEvent;
    const char* m_pszDynRoutingSrcProc;
    const char* m_pszDynRoutingDestProc;
};

#endif
