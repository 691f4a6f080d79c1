#include "lql/query.h"

#include "filter/search_node.h"

CQuery::CQuery() : m_pFilter(nullptr)
{
    m_aOutputs.Reserve(8);
    m_aRanges.Reserve(8);
}

CQuery::~CQuery()
{
    delete m_pFilter;
}
