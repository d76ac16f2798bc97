#include "filters/targets/AtomsListenerRegistry.h"

#include <Hyx/FilterParamNumeric.h>
#include <Hyx/TargetCallback.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <utility>

namespace Hyx {

namespace {

struct Registry {
    std::mutex mutex;
    std::condition_variable callEnded;
    std::unordered_set<uintptr_t> live;
    // Calls in progress: listener address and calling thread.
    std::vector<std::pair<uintptr_t, std::thread::id>> calls;
};

Registry& registry()
{
    // Never destroyed: listeners with static storage may leave after the library's statics.
    static Registry* const instance = new Registry;
    return *instance;
}

uintptr_t addressOf(const IAtomsListener* listener)
{
    return reinterpret_cast<uintptr_t>(listener);
}

void add(const IAtomsListener* listener)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.live.insert(addressOf(listener));
}

// A call on the waiting thread itself (a listener that leaves from inside its own call)
// is not waited for.
void waitForCalls(Registry& r, std::unique_lock<std::mutex>& lock, uintptr_t address)
{
    const std::thread::id self = std::this_thread::get_id();
    r.callEnded.wait(lock, [&] {
        return std::none_of(r.calls.begin(), r.calls.end(),
                            [&](const auto& call) { return call.first == address && call.second != self; });
    });
}

void remove(const IAtomsListener* listener)
{
    Registry& r = registry();
    std::unique_lock<std::mutex> lock(r.mutex);
    r.live.erase(addressOf(listener));
    waitForCalls(r, lock, addressOf(listener));
}

} // namespace

bool AtomsListenerRegistry::Call(const FilterParamInt64& listenerParam, std::vector<std::shared_ptr<Atom>>& atoms,
                                 uintptr_t& address)
{
    Registry& r = registry();
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        address = static_cast<uintptr_t>(listenerParam.GetValue());
        if (r.live.count(address) == 0)
            return false;
        r.calls.emplace_back(address, std::this_thread::get_id());
    }
    const auto call = std::make_pair(address, std::this_thread::get_id());
    struct CallEnd {
        Registry& r;
        std::pair<uintptr_t, std::thread::id> call;
        ~CallEnd()
        {
            {
                std::lock_guard<std::mutex> lock(r.mutex);
                r.calls.erase(std::find(r.calls.begin(), r.calls.end(), call));
            }
            r.callEnded.notify_all();
        }
    } end{r, call};
    reinterpret_cast<IAtomsListener*>(address)->OnAtomsReceived(atoms);
    return true;
}

void AtomsListenerRegistry::WaitForCalls(uintptr_t address)
{
    Registry& r = registry();
    std::unique_lock<std::mutex> lock(r.mutex);
    waitForCalls(r, lock, address);
}

IAtomsListener::IAtomsListener()
{
    add(this);
}

IAtomsListener::IAtomsListener(const IAtomsListener&)
{
    add(this);
}

IAtomsListener& IAtomsListener::operator=(const IAtomsListener&)
{
    return *this;
}

IAtomsListener::~IAtomsListener()
{
    remove(this);
}

} // namespace Hyx
