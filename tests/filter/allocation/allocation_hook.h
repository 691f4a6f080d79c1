// An allocation hook for the tests of this folder: the program's global
// operator new and delete are replaced (in allocation_hook.cpp) by versions
// that take their memory from malloc and can be told to fail.
//
// While a CFailingAllocations lives, the first nAllowed allocations succeed
// and every later one fails as running out of memory does: the throwing
// forms raise std::bad_alloc, the nothrow forms return null. Without one,
// every allocation succeeds. Memory is released as usual in both cases, so
// the sanitizers still see every double release and every leak.
#ifndef SARNITH_TESTS_FILTER_ALLOCATION_ALLOCATION_HOOK_H
#define SARNITH_TESTS_FILTER_ALLOCATION_ALLOCATION_HOOK_H

class CFailingAllocations {
public:
    explicit CFailingAllocations(int nAllowed);
    ~CFailingAllocations();
    CFailingAllocations(const CFailingAllocations&) = delete;
    CFailingAllocations& operator=(const CFailingAllocations&) = delete;

    // Whether an allocation has been refused since construction.
    bool HasFailed() const;
};

#endif
