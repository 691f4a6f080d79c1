// CSearchParam: the leaf of the filter tree for one condition
// ("srcip = 10.0.0.1", "rule = 'Drop'", "syn = 1").
//
// SetValue checks the value text against the syntax of the parameter,
// converts it once into the form matching compares against, and raises a
// CErrorText with the message when the text is not acceptable. Evaluate then
// walks the decoded record in a fixed order of sections and yields non-zero
// at the first comparison that holds. The node owns its converted value
// (and, for the description search, its text pattern).
#ifndef SARNITH_FILTER_SEARCH_PARAM_H
#define SARNITH_FILTER_SEARCH_PARAM_H

#include <cstdint>

#include "filter/search_node.h"

class CSearchParam : public CSearchNode {
public:
    CSearchParam();
    ~CSearchParam() override;

    // nParamId is the keyword id of the parameter (lql/keyword_table.h).
    void SetValue(int32_t nParamId, const char* pszValue, ESearchOp eOp);
    int Evaluate(const CLogRecord& record) const override;
};

#endif
