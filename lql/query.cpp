// CQuery's set-up and release, kept here where the filter type is complete.
#include "lql/query.h"

#include "filter/search_node.h"

CQuery::CQuery()
{
    m_aOutputs.Reserve(8);
    m_aRanges.Reserve(8);
}

CQuery::~CQuery() = default;
