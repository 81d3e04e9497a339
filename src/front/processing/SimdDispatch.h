// Run-time choice of instruction set for the hot row loops of frame processing. A row body is
// written once, forced inline into a baseline and an AVX2 wrapper, and the wrapper is picked per
// call with kelvra::UseAvx2(), so the library still runs on any x86-64 processor.
#pragma once

#include "imaging/SimdLevel.h"

#define KELVRA_PROCESSING_AVX2 __attribute__((target("avx2")))
#define KELVRA_PROCESSING_INLINE inline __attribute__((always_inline))
