// The inner nodes of the filter tree: the filter root, the AND and OR lists
// and NOT. They combine their children's results and own the children.
#include "filter/search_node.h"

#include <utility>

#include "support/assert.h"

namespace {

// Room reserved for the children of an AND or OR list before it has to grow.
const size_t kListReserve = 8;

}  // namespace

CSearchFilter::CSearchFilter(std::unique_ptr<CSearchNode> pRoot) : m_pRoot(std::move(pRoot)) {}

int CSearchFilter::Evaluate(const CLogRecord& record) const
{
    return m_pRoot == nullptr ? 1 : m_pRoot->Evaluate(record);
}

CSearchList::CSearchList()
{
    m_aChildren.reserve(kListReserve);
}

CSearchList::~CSearchList()
{
    // The children are released in the order they were appended.
    for (std::unique_ptr<CSearchNode>& pChild : m_aChildren)
        pChild.reset();
}

void CSearchList::Append(std::unique_ptr<CSearchNode> pChild)
{
    SARNITH_ASSERT(pChild != nullptr);
    m_aChildren.push_back(std::move(pChild));
}

int CSearchAnd::Evaluate(const CLogRecord& record) const
{
    for (const std::unique_ptr<CSearchNode>& pChild : m_aChildren)
        if (pChild->Evaluate(record) == 0)
            return 0;
    return 1;
}

int CSearchOr::Evaluate(const CLogRecord& record) const
{
    for (const std::unique_ptr<CSearchNode>& pChild : m_aChildren)
        if (pChild->Evaluate(record) != 0)
            return 1;
    return 0;
}

CSearchNot::CSearchNot(std::unique_ptr<CSearchNode> pChild) : m_pChild(std::move(pChild))
{
    SARNITH_ASSERT(m_pChild != nullptr);
}

int CSearchNot::Evaluate(const CLogRecord& record) const
{
    return m_pChild->Evaluate(record) == 0 ? 1 : 0;
}
