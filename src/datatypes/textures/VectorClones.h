#pragma once

// Pixel loops whose byte shuffles or 32-bit multiplies need more than SSE2 to vectorise: on
// x86-64 with g++ the loader picks an AVX2 build of each marked function where the
// processor has it, and the default build everywhere else. ThreadSanitizer builds take the
// default only: the loader runs the clone resolvers before the sanitizer's runtime is up.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define HYX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define HYX_VECTOR_CLONES
#endif
