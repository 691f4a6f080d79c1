// The replaced global operator new and delete behind CFailingAllocations.
#include "tests/filter/allocation/allocation_hook.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

// Allocations still allowed; negative while no CFailingAllocations lives.
int g_nAllowed = -1;
bool g_bFailed = false;

// The memory of one allocation, or null when it is refused.
void* Allocate(std::size_t nSize)
{
    if (g_nAllowed == 0) {
        g_bFailed = true;
        return nullptr;
    }
    if (g_nAllowed > 0)
        --g_nAllowed;
    return std::malloc(nSize == 0 ? 1 : nSize);
}

void* AllocateOrThrow(std::size_t nSize)
{
    void* p = Allocate(nSize);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

}  // namespace

CFailingAllocations::CFailingAllocations(int nAllowed)
{
    g_nAllowed = nAllowed;
    g_bFailed = false;
}

CFailingAllocations::~CFailingAllocations()
{
    g_nAllowed = -1;
}

// A question to the scope, though the answer lives in the hook.
bool CFailingAllocations::HasFailed() const  // NOLINT(readability-convert-member-functions-to-static)
{
    return g_bFailed;
}

void* operator new(std::size_t nSize)
{
    return AllocateOrThrow(nSize);
}

void* operator new[](std::size_t nSize)
{
    return AllocateOrThrow(nSize);
}

void* operator new(std::size_t nSize, const std::nothrow_t&) noexcept
{
    return Allocate(nSize);
}

void* operator new[](std::size_t nSize, const std::nothrow_t&) noexcept
{
    return Allocate(nSize);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
