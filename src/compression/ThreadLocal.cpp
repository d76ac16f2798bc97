#include <Hyx/BloscCompressor.h>
#include <Hyx/JpegCodec.h>
#include <Hyx/NormalsOctCompressor.h>
#include <Hyx/ThreadLocal.h>
#include <Hyx/Vector3DNormalizer.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace Hyx {

namespace {

// Map nodes never move, so references handed out stay valid while other threads insert.
template <typename T>
struct Pool {
    std::mutex mutex;
    std::map<uint64_t, T> instances;
};

template <typename T>
Pool<T>& pool()
{
    static Pool<T> instance;
    return instance;
}

} // namespace

template <typename T>
T& ThreadLocal<T>::ThreadInstance()
{
    // Each thread looks its instance up once; later calls cost nothing.
    thread_local T* cached = nullptr;
    if (cached)
        return *cached;
    Pool<T>& p = pool<T>();
    const uint64_t key = std::hash<std::thread::id>{}(std::this_thread::get_id());
    std::lock_guard<std::mutex> lock(p.mutex);
    cached = &p.instances.try_emplace(key).first->second;
    return *cached;
}

template class ThreadLocal<Vector3DNormalizer>;
template class ThreadLocal<NormalsOctCompressor>;
template class ThreadLocal<BloscCompressor>;
template class ThreadLocal<JpegCompressor>;
template class ThreadLocal<JpegDecompressor>;

LocalThread::~LocalThread() = default;

namespace {

template <typename T>
T* takeOnce(T*& slot)
{
    if (!slot)
        slot = &ThreadLocal<T>::ThreadInstance();
    return slot;
}

} // namespace

Vector3DNormalizer* LocalThread::GetNormalizer()
{
    return takeOnce(_normalizer);
}
NormalsOctCompressor* LocalThread::GetNormalsOctCompressor()
{
    return takeOnce(_octs);
}
BloscCompressor* LocalThread::GetBloscCompressor()
{
    return takeOnce(_blosc);
}
JpegCompressor* LocalThread::GetJpegCompressor()
{
    return takeOnce(_jpegCompressor);
}
JpegDecompressor* LocalThread::GetJpegDecompressor()
{
    return takeOnce(_jpegDecompressor);
}

} // namespace Hyx
