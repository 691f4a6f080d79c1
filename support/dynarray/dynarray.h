// CDynArray: the program's growable array of copyable values (names,
// sources, columns). It copies its elements when it grows, so lists that own
// objects which cannot be copied (the filter tree's children, the query
// run's readers) are std::vector of std::unique_ptr instead.
//
// It owns its elements. The storage holds `capacity` constructed elements;
// slots beyond m_nSize hold default values and are not in use. Growing past
// the capacity makes new storage of twice the requested size (grow-by -1, the
// default) or of the requested size plus the grow-by, assigns the elements in
// use into it and releases the old storage. Shrinking never releases storage.
//
// An owner that wants room up front calls Reserve(n): storage for n elements,
// none in use. Index errors are programming errors and stop the process
// through an assertion.
#ifndef SARNITH_SUPPORT_DYNARRAY_DYNARRAY_H
#define SARNITH_SUPPORT_DYNARRAY_DYNARRAY_H

#include <cstddef>
#include <memory>
#include <utility>

#include "support/assert.h"

template <class TYPE>
class CDynArray {
public:
    CDynArray() : m_nSize(0), m_nMaxSize(0), m_nGrowBy(-1) {}

    CDynArray(const CDynArray& other) : m_nSize(0), m_nMaxSize(0), m_nGrowBy(-1) { CopyFrom(other); }

    CDynArray& operator=(const CDynArray& other)
    {
        if (this != &other) {
            SetSize(0);
            CopyFrom(other);
        }
        return *this;
    }

    int GetSize() const { return m_nSize; }
    int GetCapacity() const { return m_nMaxSize; }
    bool IsEmpty() const { return m_nSize == 0; }

    // -1: grow to twice the requested size; otherwise to the requested size plus this.
    void SetGrowBy(int nGrowBy) { m_nGrowBy = nGrowBy; }

    // Storage for nCount elements, none of them in use.
    void Reserve(int nCount)
    {
        SetSize(nCount);
        m_nSize = 0;
    }

    void SetSize(int nNewSize)
    {
        if (m_pData == nullptr) {
            if (nNewSize > 0) {
                m_pData.reset(new TYPE[static_cast<size_t>(nNewSize)]);
                m_nMaxSize = nNewSize;
                m_nSize = nNewSize;
            }
            return;
        }
        if (nNewSize < 1) {
            m_nSize = 0;
        } else if (nNewSize <= m_nMaxSize) {
            m_nSize = nNewSize;
        } else {
            int nNewMax = m_nGrowBy == -1 ? nNewSize * 2 : nNewSize + m_nGrowBy;
            std::unique_ptr<TYPE[]> pNewData(new TYPE[static_cast<size_t>(nNewMax)]);
            for (int i = 0; i < m_nSize; ++i)
                pNewData[static_cast<size_t>(i)] = Slot(i);
            m_pData = std::move(pNewData);
            m_nMaxSize = nNewMax;
            m_nSize = nNewSize;
        }
    }

    TYPE& ElementAt(int nPos)
    {
        SARNITH_ASSERT(nPos <= m_nSize);
        return Slot(nPos);
    }

    const TYPE& ElementAt(int nPos) const
    {
        SARNITH_ASSERT(nPos <= m_nSize);
        return Slot(nPos);
    }

    TYPE& operator[](int nPos) { return ElementAt(nPos); }
    const TYPE& operator[](int nPos) const { return ElementAt(nPos); }

    void SetAtGrow(int nPos, const TYPE& value)
    {
        if (nPos >= m_nSize) {
            // value may live in the storage that growing replaces.
            TYPE copy(value);  // NOLINT(performance-unnecessary-copy-initialization)
            SetSize(nPos + 1);
            Slot(nPos) = copy;
            return;
        }
        Slot(nPos) = value;
    }

    void Add(const TYPE& value) { SetAtGrow(m_nSize, value); }

    void RemoveAt(int nPos, int nCount = 1)
    {
        SARNITH_ASSERT(nPos <= m_nSize && nCount <= (m_nSize - nPos));
        for (int i = nPos; i + nCount < m_nSize; ++i)
            Slot(i) = Slot(i + nCount);
        SetSize(m_nSize - nCount);
    }

private:
    TYPE& Slot(int nPos) { return m_pData[static_cast<size_t>(nPos)]; }
    const TYPE& Slot(int nPos) const { return m_pData[static_cast<size_t>(nPos)]; }

    void CopyFrom(const CDynArray& other)
    {
        SetSize(other.m_nSize);
        for (int i = 0; i < other.m_nSize; ++i)
            Slot(i) = other.Slot(i);
    }

    std::unique_ptr<TYPE[]> m_pData;
    int m_nSize;
    int m_nMaxSize;
    int m_nGrowBy;
};

#endif
