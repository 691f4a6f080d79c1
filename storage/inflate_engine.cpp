// The choice of the inflate engine: ISA-L's where the build has it (it
// inflates several times faster), zlib's otherwise.
#include "storage/inflate_engine.h"

#include <atomic>

#include "storage/inflate_engine_makers.h"

namespace {

#ifdef SARNITH_HAVE_ISAL
constexpr EInflateEngine kBuildEngine = EInflateEngine::kIsal;
#else
constexpr EInflateEngine kBuildEngine = EInflateEngine::kZlib;
#endif

std::atomic<EInflateEngine> s_eEngineInUse{kBuildEngine};

}  // namespace

bool HasInflateEngine(EInflateEngine eEngine)
{
    return eEngine == EInflateEngine::kZlib || eEngine == kBuildEngine;
}

std::unique_ptr<CInflateEngine> CreateInflateEngine(EInflateEngine eEngine)
{
    switch (eEngine) {
    case EInflateEngine::kZlib:
        return CreateZlibInflateEngine();
    case EInflateEngine::kIsal:
#ifdef SARNITH_HAVE_ISAL
        return CreateIsalInflateEngine();
#else
        return nullptr;
#endif
    }
    return nullptr;
}

std::unique_ptr<CInflateEngine> CreateInflateEngine()
{
    return CreateInflateEngine(s_eEngineInUse.load(std::memory_order_relaxed));
}

bool UseInflateEngine(EInflateEngine eEngine)
{
    if (!HasInflateEngine(eEngine))
        return false;
    s_eEngineInUse.store(eEngine, std::memory_order_relaxed);
    return true;
}
