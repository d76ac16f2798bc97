#include <VornCommon/Profiler.h>

#include <atomic>

namespace VornCommon {

namespace {

struct ManagerSlot {
    std::mutex mutex;
    std::shared_ptr<ProfilerManager> manager;
};

ManagerSlot& managerSlot()
{
    static ManagerSlot slot;
    return slot;
}

} // namespace

// Lets every zone scope skip the lock while profiling is off, the usual case. Changed under
// the slot's mutex.
std::atomic<bool> Profiler::s_active{false};

ProfilerZone::ProfilerZone(const char* name) : _name(name != nullptr ? name : "")
{
}

ProfilerCpuThread::ProfilerCpuThread(std::string name) : _name(std::move(name))
{
    _open.reserve(16);
}

void ProfilerCpuThread::enterZone(const ProfilerZone& zone)
{
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(_mutex);
    ProfilerZoneStats& stats = _zones[&zone];
    if (stats.enterCount == 0) {
        stats.name = zone.GetName();
    }
    ++stats.enterCount;
    _open.push_back({&zone, now});
}

void ProfilerCpuThread::leaveZone(const ProfilerZone& zone)
{
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(_mutex);
    if (_open.empty() || _open.back().zone != &zone) {
        return;
    }
    ProfilerZoneStats& stats = _zones[&zone];
    ++stats.leaveCount;
    stats.totalTime += now - _open.back().start;
    _open.pop_back();
}

void ProfilerCpuThread::flip()
{
    std::lock_guard<std::mutex> lock(_mutex);
    ++_frames;
}

uint64_t ProfilerCpuThread::GetFrameCount() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _frames;
}

ProfilerZoneStats ProfilerCpuThread::GetZoneStats(const ProfilerZone& zone) const
{
    std::lock_guard<std::mutex> lock(_mutex);
    const auto found = _zones.find(&zone);
    if (found == _zones.end()) {
        ProfilerZoneStats none;
        none.name = zone.GetName();
        return none;
    }
    return found->second;
}

std::vector<ProfilerZoneStats> ProfilerCpuThread::GetAllZoneStats() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    std::vector<ProfilerZoneStats> all;
    all.reserve(_zones.size());
    for (const auto& entry : _zones) {
        all.push_back(entry.second);
    }
    return all;
}

std::shared_ptr<ProfilerCpuThread> ProfilerManager::addThisCpuThread(const char* name)
{
    std::lock_guard<std::mutex> lock(_mutex);
    std::shared_ptr<ProfilerCpuThread>& record = _threads[std::this_thread::get_id()];
    if (!record) {
        record = std::make_shared<ProfilerCpuThread>(name != nullptr ? name : "");
    }
    return record;
}

std::shared_ptr<ProfilerCpuThread> ProfilerManager::getCpuThread() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    const auto found = _threads.find(std::this_thread::get_id());
    return found != _threads.end() ? found->second : nullptr;
}

void ProfilerManager::removeThisCpuThread()
{
    std::shared_ptr<ProfilerCpuThread> removed;
    std::lock_guard<std::mutex> lock(_mutex);
    const auto found = _threads.find(std::this_thread::get_id());
    if (found != _threads.end()) {
        removed = std::move(found->second);
        _threads.erase(found);
    }
}

std::vector<std::shared_ptr<ProfilerCpuThread>> ProfilerManager::GetCpuThreads() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    std::vector<std::shared_ptr<ProfilerCpuThread>> all;
    all.reserve(_threads.size());
    for (const auto& entry : _threads) {
        all.push_back(entry.second);
    }
    return all;
}

std::shared_ptr<ProfilerManager> Profiler::getManager()
{
    if (!isActive()) {
        return nullptr;
    }
    ManagerSlot& slot = managerSlot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    return slot.manager;
}

std::shared_ptr<ProfilerManager> Profiler::createManager()
{
    ManagerSlot& slot = managerSlot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    if (!slot.manager) {
        slot.manager = std::make_shared<ProfilerManager>();
        s_active.store(true, std::memory_order_release);
    }
    return slot.manager;
}

void Profiler::destroyManager()
{
    ManagerSlot& slot = managerSlot();
    std::shared_ptr<ProfilerManager> released;
    {
        std::lock_guard<std::mutex> lock(slot.mutex);
        s_active.store(false, std::memory_order_release);
        released.swap(slot.manager);
    }
    // The last reference (and the records only it held) goes here, outside the lock.
}

void ProfilerZoneScope::enter()
{
    if (const std::shared_ptr<ProfilerManager> manager = Profiler::getManager()) {
        _thread = manager->getCpuThread();
        if (_thread) {
            _thread->enterZone(_zone);
        }
    }
}

} // namespace VornCommon
