// The filter tree: AND, OR and NOT over their children, and ownership.
#include "filter/search_node.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "filter/search_param.h"
#include "lql/keyword_table.h"
#include "testing/entry_builder.h"
#include "tests/filter/filter_test_util.h"

using namespace testdata;
using filtertest::CDecoded;

namespace {

// A node with a fixed result that logs its evaluations and its destruction.
class CProbeNode : public CSearchNode {
public:
    CProbeNode(const char* pszName, int nResult, std::vector<std::string>& aLog)
        : m_pszName(pszName),
          m_nResult(nResult),
          m_aLog(aLog)
    {
    }
    ~CProbeNode() override { m_aLog.push_back(std::string("~") + m_pszName); }
    int Evaluate(const CLogRecord&) const override
    {
        m_aLog.push_back(m_pszName);
        return m_nResult;
    }

private:
    const char* m_pszName;
    int m_nResult;
    std::vector<std::string>& m_aLog;
};

typedef std::vector<std::string> CLog;

std::unique_ptr<CSearchNode> Probe(const char* pszName, int nResult, CLog& aLog)
{
    return std::make_unique<CProbeNode>(pszName, nResult, aLog);
}

std::unique_ptr<CSearchNode> Not(std::unique_ptr<CSearchNode> pChild)
{
    return std::make_unique<CSearchNot>(std::move(pChild));
}

TEST(SearchTree, AndStopsAtTheFirstFalseChild)
{
    CLog aLog;
    CLogRecord record;
    CSearchAnd all;
    all.Append(Probe("a", 1, aLog));
    all.Append(Probe("b", 0, aLog));
    all.Append(Probe("c", 1, aLog));
    EXPECT_EQ(all.Evaluate(record), 0);
    EXPECT_EQ(aLog, (CLog{"a", "b"}));

    CSearchAnd allTrue;
    allTrue.Append(Probe("x", 7, aLog));  // any non-zero counts as true
    allTrue.Append(Probe("y", 1, aLog));
    EXPECT_NE(allTrue.Evaluate(record), 0);
    EXPECT_NE(CSearchAnd().Evaluate(record), 0);
}

TEST(SearchTree, OrStopsAtTheFirstTrueChild)
{
    CLog aLog;
    CLogRecord record;
    CSearchOr any;
    any.Append(Probe("a", 0, aLog));
    any.Append(Probe("b", 1, aLog));
    any.Append(Probe("c", 0, aLog));
    EXPECT_NE(any.Evaluate(record), 0);
    EXPECT_EQ(aLog, (CLog{"a", "b"}));

    aLog.clear();
    CSearchOr none;
    none.Append(Probe("x", 0, aLog));
    none.Append(Probe("y", 0, aLog));
    EXPECT_EQ(none.Evaluate(record), 0);
    EXPECT_EQ(aLog, (CLog{
                        "x",
                        "y",
                    }));
    EXPECT_EQ(CSearchOr().Evaluate(record), 0);
}

TEST(SearchTree, NotInvertsAndANestedTreeEvaluates)
{
    CLog aLog;
    CLogRecord record;
    EXPECT_EQ(CSearchNot(Probe("t", 5, aLog)).Evaluate(record), 0);
    EXPECT_NE(CSearchNot(Probe("f", 0, aLog)).Evaluate(record), 0);
    EXPECT_EQ(CSearchNot(Not(Probe("f", 0, aLog))).Evaluate(record), 0);

    // (a or b) and not c
    auto pAny = std::make_unique<CSearchOr>();
    pAny->Append(Probe("a", 0, aLog));
    pAny->Append(Probe("b", 1, aLog));
    auto pAll = std::make_unique<CSearchAnd>();
    pAll->Append(std::move(pAny));
    pAll->Append(Not(Probe("c", 0, aLog)));
    CSearchFilter filter(std::move(pAll));
    EXPECT_NE(filter.Evaluate(record), 0);
}

// not (srcport = 80) passes every record without a port; not (rule = 'x')
// one without a rule.
TEST(SearchTree, NotOverAMissingFieldIsTrue)
{
    CEntryBuilder entry;
    entry.Category("conn").Event("conn_open");
    CDecoded record(entry);
    CSearchNot noPort(filtertest::Param(KEY_SRCPORT, "80"));
    CSearchNot noRule(filtertest::Param(KEY_RULE, "x"));
    EXPECT_NE(noPort.Evaluate(record), 0);
    EXPECT_NE(noRule.Evaluate(record), 0);
}

TEST(SearchTree, NodesDeleteTheirChildrenInOrder)
{
    CLog aLog;
    {
        auto pAll = std::make_unique<CSearchAnd>();
        for (const char* pszName : {"c0", "c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9"})
            pAll->Append(Probe(pszName, 1, aLog));  // grows past the 8 reserved slots
        EXPECT_EQ(pAll->GetCount(), 10);
        EXPECT_EQ(pAll->GetChild(9)->Evaluate(CLogRecord()), 1);
        auto pAny = std::make_unique<CSearchOr>();
        pAny->Append(std::move(pAll));
        pAny->Append(Not(Probe("n", 1, aLog)));
        EXPECT_EQ(pAny->GetCount(), 2);
        CSearchFilter filter(std::move(pAny));
        aLog.clear();
    }
    EXPECT_EQ(aLog, (CLog{"~c0", "~c1", "~c2", "~c3", "~c4", "~c5", "~c6", "~c7", "~c8", "~c9", "~n"}));
}

}  // namespace
