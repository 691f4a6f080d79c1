// The filter tree and its parser when memory runs out: a list that cannot
// grow keeps its children and releases the child it was handed, and a parse
// stopped by any refused allocation releases everything it had built. Run
// under the sanitizers, a double release or a leak on these paths fails.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "filter/search_node.h"
#include "filter/search_parser.h"
#include "lql/lexer.h"
#include "records/log_record.h"
#include "testing/entry_builder.h"
#include "tests/filter/allocation/allocation_hook.h"

namespace {

// A node with a fixed result that counts its destructions.
class CCountedNode : public CSearchNode {
public:
    CCountedNode(int nResult, int& nDestroyed) : m_nResult(nResult), m_nDestroyed(nDestroyed) {}
    ~CCountedNode() override { ++m_nDestroyed; }
    int Evaluate(const CLogRecord&) const override { return m_nResult; }

private:
    int m_nResult;
    int& m_nDestroyed;
};

TEST(SearchAllocation, ListThatCannotGrowKeepsItsChildrenAndReleasesTheNewOne)
{
    int nDestroyed = 0;
    auto pAll = std::make_unique<CSearchAnd>();
    // Appending allocates nothing until the reserved room is used up.
    int nAppended = 0;
    bool bRefused = false;
    while (!bRefused && nAppended < 1000) {
        std::unique_ptr<CSearchNode> pChild(new CCountedNode(1, nDestroyed));
        CFailingAllocations noMemory(0);
        try {
            pAll->Append(std::move(pChild));
            ++nAppended;
        } catch (const std::bad_alloc&) {
            bRefused = true;
        }
    }
    ASSERT_TRUE(bRefused);
    EXPECT_GT(nAppended, 1);
    EXPECT_EQ(nDestroyed, 1);  // the child that found no room, once
    EXPECT_EQ(pAll->GetCount(), nAppended);
    EXPECT_EQ(pAll->Evaluate(CLogRecord()), 1);

    // With memory again the list grows past the failure.
    pAll->Append(std::unique_ptr<CSearchNode>(new CCountedNode(0, nDestroyed)));
    EXPECT_EQ(pAll->GetCount(), nAppended + 1);
    EXPECT_EQ(pAll->Evaluate(CLogRecord()), 0);

    // The list releases each of its children once.
    nDestroyed = 0;
    pAll.reset();
    EXPECT_EQ(nDestroyed, nAppended + 1);
}

// A WHERE clause whose OR and AND lists both grow past their reserved room,
// with NOT, IN, an index statement and a text pattern among the leaves.
std::string LongWhere()
{
    std::string strOr = "(srcip in (10.0.0.4-10.0.0.9) or tcp[13] = 2 or description = 'rule=nat'";
    for (int i = 0; i < 12; ++i)
        strOr += " or event = e" + std::to_string(i);
    std::string strWhere = strOr + ")";
    for (int i = 0; i < 5; ++i)
        strWhere += " and category = yes and not action = no";
    return strWhere;
}

bool Passes(const CSearchFilter& filter, const testdata::CEntryBuilder& entry)
{
    CLogRecord record;
    record.Decode(entry.Data(), entry.Length());
    return filter.Evaluate(record) != 0;
}

TEST(SearchAllocation, ParseStoppedByAnyRefusedAllocationReleasesWhatItBuilt)
{
    const std::string strWhere = LongWhere();
    int nRefusals = 0;
    for (int nAllowed = 0;; ++nAllowed) {
        ASSERT_LT(nAllowed, 100000) << "the parse never completed";
        CLqlLexer lexer(strWhere.c_str());
        CSearchParser parser(&lexer);
        std::unique_ptr<CSearchFilter> pFilter;
        bool bRefused = false;
        {
            CFailingAllocations limited(nAllowed);
            try {
                pFilter = std::unique_ptr<CSearchFilter>(parser.Parse());
            } catch (const std::bad_alloc&) {
            }
            bRefused = limited.HasFailed();
        }
        if (!bRefused) {
            ASSERT_NE(pFilter, nullptr);
            testdata::CEntryBuilder passing;
            passing.Category("yes").Event("e11").Action("yes");
            EXPECT_TRUE(Passes(*pFilter, passing));
            testdata::CEntryBuilder failing;
            failing.Category("yes").Event("e12").Action("yes");
            EXPECT_FALSE(Passes(*pFilter, failing));
            break;
        }
        // The parse ends at the refusal: by the exception, or without a
        // filter when the filter object itself found no memory.
        EXPECT_EQ(pFilter, nullptr) << "allowed " << nAllowed;
        ++nRefusals;
    }
    EXPECT_GT(nRefusals, 0);
}

}  // namespace
