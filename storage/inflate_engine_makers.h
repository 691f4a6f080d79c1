// The makers of the inflate engines, one in each engine's source file, for
// the choice in storage/inflate_engine.cpp. CreateIsalInflateEngine exists
// only in builds that found ISA-L (SARNITH_HAVE_ISAL).
//
// Ownership: each hands the new engine to the caller; null when there is no
// memory for it.
#ifndef SARNITH_STORAGE_INFLATE_ENGINE_MAKERS_H
#define SARNITH_STORAGE_INFLATE_ENGINE_MAKERS_H

#include <memory>

#include "storage/inflate_engine.h"

std::unique_ptr<CInflateEngine> CreateZlibInflateEngine();
#ifdef SARNITH_HAVE_ISAL
std::unique_ptr<CInflateEngine> CreateIsalInflateEngine();
#endif

#endif
