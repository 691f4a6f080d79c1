// The filter tree of a WHERE clause.
//
// CSearchFilter owns the root node; every node owns its children through
// std::unique_ptr, so a tree is released with its root. Evaluate takes a
// decoded record and yields non-zero when the record passes; it has no side
// effects and allocates nothing. AND and OR evaluate their children in order
// and stop at the first child that decides the result.
//
// Leaf nodes (CSearchParam, CSearchIndex, CSearchIn) check and convert their
// value once, in SetValue, and raise a CErrorText with the message when the
// value is not acceptable.
#ifndef SARNITH_FILTER_SEARCH_NODE_H
#define SARNITH_FILTER_SEARCH_NODE_H

#include <cstdint>
#include <memory>
#include <vector>

class CLogRecord;

// Comparison codes; the record's field stands on the left.
enum ESearchOp : uint32_t {
    SEARCH_OP_GE = 0,  // ">="
    SEARCH_OP_GT = 1,  // ">"
    SEARCH_OP_EQ = 2,  // "="
    SEARCH_OP_LT = 3,  // "<"
    SEARCH_OP_LE = 4,  // "<="
};

class CSearchNode {
public:
    CSearchNode() = default;
    CSearchNode(const CSearchNode&) = delete;
    CSearchNode& operator=(const CSearchNode&) = delete;
    virtual ~CSearchNode() = default;
    virtual int Evaluate(const CLogRecord& record) const = 0;
};

// The root of a filter: owns the tree.
class CSearchFilter : public CSearchNode {
public:
    // A filter without a root (null) rejects nothing.
    explicit CSearchFilter(std::unique_ptr<CSearchNode> pRoot);
    int Evaluate(const CLogRecord& record) const override;

private:
    std::unique_ptr<CSearchNode> m_pRoot;
};

// A node with an ordered list of owned children.
class CSearchList : public CSearchNode {
public:
    CSearchList();
    ~CSearchList() override;
    // Appends the child. When the list cannot grow, std::bad_alloc is raised,
    // the list keeps the children it had and the child is released with the
    // argument.
    void Append(std::unique_ptr<CSearchNode> pChild);
    int GetCount() const { return static_cast<int>(m_aChildren.size()); }
    const CSearchNode* GetChild(int nIndex) const { return m_aChildren[static_cast<size_t>(nIndex)].get(); }

protected:
    std::vector<std::unique_ptr<CSearchNode>> m_aChildren;
};

class CSearchAnd : public CSearchList {
public:
    int Evaluate(const CLogRecord& record) const override;
};

class CSearchOr : public CSearchList {
public:
    int Evaluate(const CLogRecord& record) const override;
};

class CSearchNot : public CSearchNode {
public:
    explicit CSearchNot(std::unique_ptr<CSearchNode> pChild);
    int Evaluate(const CLogRecord& record) const override;
    const CSearchNode* GetChild() const { return m_pChild.get(); }

private:
    std::unique_ptr<CSearchNode> m_pChild;
};

#endif
