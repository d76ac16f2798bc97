#pragma once

// Per-thread codec instances. The codec classes keep library handles, scratch buffers and
// precomputed state and must not be used by two threads at once; rather than making one
// per call, every thread gets its own instance of each class, made on its first request.
//
// Contract:
// - ThreadLocal<T>::ThreadInstance() hands the calling thread its instance of T, default-
//   constructed on the thread's first call. Instances are keyed by the standard hash of the
//   thread's id and never removed: they live until the library is unloaded, so a thread
//   that ends leaves its instances behind and a later thread whose id hashes alike reuses
//   them. A process that keeps recreating worker threads therefore holds one set per
//   distinct key (each Blosc scratch as large as the largest frame, each JPEG buffer as
//   large as the largest image).
// - The pool lock is held only for the lookup; after a thread's first call its instance is
//   found without any lock.
// - LocalThread caches, for one user object, the instances of the thread that asked first.
//   Used later from another thread it still hands out the first thread's instances, so code
//   that may run on several threads asks ThreadLocal<T>::ThreadInstance() on every call.
// - Lock failures surface as std::system_error.

#include <Hyx/Export.h>

namespace Hyx {

class BloscCompressor;
class JpegCompressor;
class JpegDecompressor;
class NormalsOctCompressor;
class Vector3DNormalizer;

/// The process-wide pool of one codec class T; available for the five codec classes.
template <typename T>
class HYX_API ThreadLocal {
public:
    ThreadLocal() = delete;

    /// The calling thread's instance of T (made on its first call); valid until unload.
    static T& ThreadInstance();
};

extern template class ThreadLocal<Vector3DNormalizer>;
extern template class ThreadLocal<NormalsOctCompressor>;
extern template class ThreadLocal<BloscCompressor>;
extern template class ThreadLocal<JpegCompressor>;
extern template class ThreadLocal<JpegDecompressor>;

/// Holder of one object's codec instances: each pointer is taken from the pool of the
/// thread that first asks for it and never changes afterwards. The holder owns nothing.
class HYX_API LocalThread {
public:
    LocalThread() = default;
    virtual ~LocalThread();

    /// The cached point quantiser (taken from the calling thread's pool when still unset).
    Vector3DNormalizer* GetNormalizer();
    /// The cached octahedral normals codec.
    NormalsOctCompressor* GetNormalsOctCompressor();
    /// The cached Blosc front end.
    BloscCompressor* GetBloscCompressor();
    /// The cached JPEG compressor.
    JpegCompressor* GetJpegCompressor();
    /// The cached JPEG decompressor.
    JpegDecompressor* GetJpegDecompressor();

private:
    Vector3DNormalizer* _normalizer = nullptr;
    NormalsOctCompressor* _octs = nullptr;
    BloscCompressor* _blosc = nullptr;
    JpegCompressor* _jpegCompressor = nullptr;
    JpegDecompressor* _jpegDecompressor = nullptr;
};

} // namespace Hyx
