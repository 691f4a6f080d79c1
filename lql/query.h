// CQuery: one parsed LQL statement.
//
// The output names (composite output types already expanded), one
// CQueryRange per time statement with the sources it covers, and the filter
// of the WHERE clause. Times are broken-down UTC times.
//
// Ownership: the caller owns the CQuery; the query owns its names, ranges,
// sources and filter.
#ifndef SARNITH_LQL_QUERY_H
#define SARNITH_LQL_QUERY_H

#include <cstring>
#include <ctime>
#include <memory>

#include "support/dynarray/dynarray.h"
#include "support/sstring.h"

class CSearchFilter;

// One source of a range; exactly one flag is set.
struct CQuerySource {
    CSString m_strName;  // gateway name as written, file name, or empty for all gateways
    int m_bFile = 0;     // a log file named by m_strName
    int m_bGateway = 0;  // the configured gateway m_strName (matched without case)
    int m_bAll = 0;      // every configured gateway
};

struct CQueryRange {
    CQueryRange()
    {
        std::memset(&m_tmStart, 0, sizeof(m_tmStart));
        std::memset(&m_tmEnd, 0, sizeof(m_tmEnd));
        m_aSources.Reserve(8);
    }

    CDynArray<CQuerySource> m_aSources;
    struct tm m_tmStart;  // first moment of the range, UTC
    struct tm m_tmEnd;    // last moment of the range, UTC
    // The range reaches the present: a FROM list without a time statement,
    // or "last days n" / "last hours n". Follow mode keeps its gateway
    // readers alive.
    bool m_bOpenTowardsNow = false;
};

class CQuery {
public:
    CQuery();
    ~CQuery();
    CQuery(const CQuery&) = delete;
    CQuery& operator=(const CQuery&) = delete;

    // Whether the output list is the single name "binary" (any letter case):
    // the entries go out as a binary stream instead of text.
    bool SelectsBinary() const;

    CDynArray<CSString> m_aOutputs;
    CDynArray<CQueryRange> m_aRanges;
    std::unique_ptr<CSearchFilter> m_pFilter;  // the WHERE filter; null when there is none
};

#endif
