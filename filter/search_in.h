// CSearchIn: the leaf of the filter tree for an IN statement
// ("srcip in ('10.0.0.0/8, 192.168.1.1-192.168.1.9')", "destport in (80, 443)").
//
// SetValue parses the list text once into address or number ranges and
// raises a CErrorText when the parameter or the list is not acceptable.
// Evaluate looks for the parameter's value in the record's IP header,
// transport header, ICMP quoted headers, last connection item, route gateway
// or id, and yields non-zero when it lies in one of the ranges. The node owns
// its range arrays.
#ifndef SARNITH_FILTER_SEARCH_IN_H
#define SARNITH_FILTER_SEARCH_IN_H

#include <cstdint>

#include "filter/record_values.h"
#include "filter/search_node.h"

// Which value an IN list holds; one kind per accepted parameter.
enum ESearchInKind : uint32_t {
    SEARCH_IN_SRCIP = 0,
    SEARCH_IN_DESTIP = 1,
    SEARCH_IN_SRCPORT = 2,
    SEARCH_IN_DESTPORT = 3,
    SEARCH_IN_ICMPSRCIP = 4,
    SEARCH_IN_ICMPDESTIP = 5,
    SEARCH_IN_ICMPSRCPORT = 6,
    SEARCH_IN_ICMPDESTPORT = 7,
    SEARCH_IN_ROUTEGW = 8,
    SEARCH_IN_ID = 9,
    SEARCH_IN_NONE = 0xFFFFFFFF,  // no list set yet: matches nothing
};

// An inclusive range of IPv4 addresses, each held as a number whose highest
// byte is the address's first byte, so that numbers order as addresses do.
struct CIpRange {
    uint32_t m_nLow;
    uint32_t m_nHigh;
};

// An inclusive range of numbers; a range whose low bound lies above its high
// bound holds nothing.
struct CNumRange {
    uint32_t m_nLow;
    uint32_t m_nHigh;
};

class CSearchIn : public CSearchNode {
public:
    enum {
        kMaxRanges = 32,
        kMaxIpRanges = kMaxRanges - 1,  // an address list fails when it fills every slot
        kMaxNumRanges = kMaxRanges,
    };

    CSearchIn();

    void SetValue(int32_t nParamId, const char* pszList);
    int Evaluate(const CLogRecord& record) const override;

    ESearchInKind GetKind() const { return m_eKind; }
    int GetCount() const { return m_nCount; }
    const CIpRange& GetIpRange(int nIndex) const { return m_aIpRanges[nIndex]; }
    const CNumRange& GetNumRange(int nIndex) const { return m_aNumRanges[nIndex]; }

private:
    bool IsAddressKind() const;
    bool ParseAddressList(const char* pszList);
    bool ParseNumberList(const char* pszList);
    bool HoldsAddress(const uint8_t* pAddress) const;
    bool HoldsNumber(uint32_t nNumber) const;
    bool HoldsPort(const uint8_t* pPort) const;
    bool HoldsValue(const uint8_t* pValue) const;
    bool MatchPacket(const CLogRecord& record) const;
    bool MatchConnection(const CLogRecord& record) const;

    ESearchInKind m_eKind;
    ERecordValue m_eQuotedValue;  // the kind's value in the headers an ICMP error quotes
    ERecordValue m_eConnValue;    // the kind's value in the last connection block
    int m_nCount;
    CIpRange m_aIpRanges[kMaxRanges];
    CNumRange m_aNumRanges[kMaxRanges];
};

#endif
