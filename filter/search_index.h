// CSearchIndex: the leaf of the filter tree for an index statement
// ("tcp[13] = 2"): one byte of a packet header compared with a value.
//
// SetValue selects the header from the parameter (enet, ip, tcp, udp) and
// checks the value (0 to 255), raising a CErrorText otherwise. Evaluate is
// false when the header is absent or the offset lies beyond the captured
// bytes. The node owns nothing beyond its own fields.
#ifndef SARNITH_FILTER_SEARCH_INDEX_H
#define SARNITH_FILTER_SEARCH_INDEX_H

#include <cstdint>

#include "filter/search_node.h"

// The packet header an index statement reads.
enum ESearchHeader : uint32_t {
    SEARCH_HEADER_ETHERNET = 0,
    SEARCH_HEADER_IP = 1,
    SEARCH_HEADER_TCP = 2,
    SEARCH_HEADER_UDP = 3,
};

class CSearchIndex : public CSearchNode {
public:
    CSearchIndex();

    void SetValue(int32_t nParamId, const char* pszValue, ESearchOp eOp, uint32_t nOffset);
    int Evaluate(const CLogRecord& record) const override;

    ESearchHeader GetHeader() const { return m_eHeader; }
    uint32_t GetOffset() const { return m_nOffset; }
    ESearchOp GetOp() const { return m_eOp; }
    uint32_t GetValue() const { return m_nValue; }

private:
    bool m_bSet;  // false until SetValue accepted a value: matches nothing
    uint32_t m_nOffset;
    ESearchOp m_eOp;
    ESearchHeader m_eHeader;
    uint32_t m_nValue;
};

#endif
