// Comparisons of a record field with a condition's value under an operator
// (ESearchOp), the record's field standing on the left: operator ">" means
// "field greater than value". Used by the leaves of the filter tree during
// evaluation; nothing here allocates or keeps state.
#ifndef SARNITH_FILTER_SEARCH_COMPARE_H
#define SARNITH_FILTER_SEARCH_COMPARE_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/search_node.h"

// The outcome of a three-way comparison (negative, zero, positive) under eOp.
inline bool OrderHolds(int nOrder, ESearchOp eOp)
{
    switch (eOp) {
    // clang-format off
    case SEARCH_OP_GE: return nOrder >= 0;
    case SEARCH_OP_GT: return nOrder > 0;
    case SEARCH_OP_EQ: return nOrder == 0;
    case SEARCH_OP_LT: return nOrder < 0;
    case SEARCH_OP_LE: return nOrder <= 0;
        // clang-format on
    }
    return false;
}

// Unsigned numbers of one width.
template <class NUMBER>
inline bool CompareUnder(NUMBER nField, NUMBER nValue, ESearchOp eOp)
{
    return OrderHolds(nField < nValue ? -1 : (nField > nValue ? 1 : 0), eOp);
}

// Addresses of nSize bytes in network order, ordered as unsigned numbers.
inline bool CompareBytesUnder(const uint8_t* pField, const uint8_t* pValue, size_t nSize, ESearchOp eOp)
{
    return OrderHolds(std::memcmp(pField, pValue, nSize), eOp);
}

#endif
