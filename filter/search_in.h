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

#include "filter/search_node.h"

class CSearchIn : public CSearchNode {
public:
    CSearchIn();

    void SetValue(int32_t nParamId, const char* pszList);
    int Evaluate(const CLogRecord& record) const override;
};

#endif
