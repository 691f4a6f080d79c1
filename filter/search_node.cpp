#include "filter/search_node.h"

#include "support/assert.h"

namespace {

// Room reserved for the children of an AND or OR list before it has to grow.
const int kListReserve = 8;

}  // namespace

CSearchFilter::CSearchFilter(CSearchNode* pRoot, uint32_t nOption) : m_pRoot(pRoot), m_nOption(nOption)
{
}

CSearchFilter::~CSearchFilter()
{
    delete m_pRoot;
}

int CSearchFilter::Evaluate(const CLogRecord& record) const
{
    // A filter without a tree rejects nothing.
    return m_pRoot == nullptr ? 1 : m_pRoot->Evaluate(record);
}

CSearchList::CSearchList()
{
    m_aChildren.Reserve(kListReserve);
    m_aChildren.SetGrowBy(-1);
}

CSearchList::~CSearchList()
{
    for (int i = 0; i < m_aChildren.GetSize(); ++i)
        delete m_aChildren[i];
}

void CSearchList::Append(CSearchNode* pChild)
{
    SARNITH_ASSERT(pChild != nullptr);
    try {
        m_aChildren.SetAtGrow(m_aChildren.GetSize(), pChild);
    } catch (...) {
        delete pChild;  // ownership was handed over even when growing fails
        throw;
    }
}

int CSearchAnd::Evaluate(const CLogRecord& record) const
{
    for (int i = 0; i < m_aChildren.GetSize(); ++i)
        if (m_aChildren[i]->Evaluate(record) == 0)
            return 0;
    return 1;
}

int CSearchOr::Evaluate(const CLogRecord& record) const
{
    for (int i = 0; i < m_aChildren.GetSize(); ++i)
        if (m_aChildren[i]->Evaluate(record) != 0)
            return 1;
    return 0;
}

CSearchNot::CSearchNot(CSearchNode* pChild) : m_pChild(pChild)
{
    SARNITH_ASSERT(pChild != nullptr);
}

CSearchNot::~CSearchNot()
{
    delete m_pChild;
}

int CSearchNot::Evaluate(const CLogRecord& record) const
{
    return m_pChild->Evaluate(record) == 0 ? 1 : 0;
}
