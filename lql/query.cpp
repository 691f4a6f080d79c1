// CQuery's set-up and release, kept here where the filter type is complete,
// and the test for binary output.
#include "lql/query.h"

#include "filter/search_node.h"

namespace {

constexpr const char* kBinaryOutput = "BINARY";

}  // namespace

CQuery::CQuery()
{
    m_aOutputs.Reserve(8);
    m_aRanges.Reserve(8);
}

CQuery::~CQuery() = default;

bool CQuery::SelectsBinary() const
{
    return m_aOutputs.GetSize() == 1 && m_aOutputs[0].CompareNoCase(kBinaryOutput) == 0;
}
