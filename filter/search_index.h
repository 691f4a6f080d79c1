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

class CSearchIndex : public CSearchNode {
public:
    CSearchIndex();

    void SetValue(int32_t nParamId, const char* pszValue, ESearchOp eOp, uint32_t nOffset);
    int Evaluate(const CLogRecord& record) const override;
};

#endif
