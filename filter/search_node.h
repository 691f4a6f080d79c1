// The filter tree of a WHERE clause.
//
// CSearchFilter owns the root node; every node owns its children and deletes
// them in its destructor. Evaluate takes a decoded record and yields non-zero
// when the record passes; it has no side effects and allocates nothing.
// AND and OR evaluate their children in order and stop at the first child
// that decides the result.
//
// Leaf nodes (CSearchParam, CSearchIndex, CSearchIn) check and convert their
// value once, in SetValue, and raise a CErrorText with the message when the
// value is not acceptable.
#ifndef SARNITH_FILTER_SEARCH_NODE_H
#define SARNITH_FILTER_SEARCH_NODE_H

#include <cstdint>

#include "support/dynarray/dynarray.h"

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

// The root of a filter: owns the tree; keeps the option word of the parser.
class CSearchFilter : public CSearchNode {
public:
    CSearchFilter(CSearchNode* pRoot, uint32_t nOption);
    ~CSearchFilter() override;
    int Evaluate(const CLogRecord& record) const override;

private:
    CSearchNode* m_pRoot;
    uint32_t m_nOption;
};

// A node with an ordered list of owned children.
class CSearchList : public CSearchNode {
public:
    CSearchList();
    ~CSearchList() override;
    // Takes ownership of pChild and appends it.
    void Append(CSearchNode* pChild);
    int GetCount() const { return m_aChildren.GetSize(); }
    const CSearchNode* GetChild(int nIndex) const { return m_aChildren[nIndex]; }

protected:
    CDynArray<CSearchNode*> m_aChildren;
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
    explicit CSearchNot(CSearchNode* pChild);  // takes ownership
    ~CSearchNot() override;
    int Evaluate(const CLogRecord& record) const override;
    const CSearchNode* GetChild() const { return m_pChild; }

private:
    CSearchNode* m_pChild;
};

#endif
