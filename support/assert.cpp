// What a failed SARNITH_ASSERT does: print the condition and where it failed,
// then abort.
#include "support/assert.h"

#include <cstdio>
#include <cstdlib>

void SarnithAssertFailed(const char* pszCondition, const char* pszFile, int nLine)
{
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", pszCondition, pszFile, nLine);
    std::fflush(stderr);
    std::abort();
}
