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

// Kernels written with AVX2 intrinsics: compiled for AVX2 by the target attribute alone and
// called only after CpuHasAvx2() (a plain check at run time, safe under every sanitizer).
// Elsewhere the portable loops do all the work.
#if defined(__x86_64__) && defined(__GNUC__)
#define HYX_AVX2_KERNELS 1
#define HYX_TARGET_AVX2 __attribute__((target("avx2")))

namespace Hyx {

/// True where the processor runs AVX2 code (checked once).
inline bool CpuHasAvx2()
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

} // namespace Hyx
#endif
