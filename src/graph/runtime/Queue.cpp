#include <Hyx/Queue.h>

namespace Hyx {

using AtomQueue = VornCommon::BlockingBoundedQueue<std::shared_ptr<Atom>>;

Queue::Queue() : Queue(1)
{
}

Queue::Queue(int slots)
    : _slots(slots > 0 ? slots : 0), _queue(std::make_shared<AtomQueue>(static_cast<uint32_t>(_slots)))
{
}

Queue::~Queue() = default;

int Queue::NumPendingData() const
{
    return static_cast<int>(_queue->Size());
}

bool Queue::Push(std::shared_ptr<Atom> atom) const
{
    // The fullness test and the append are one step, so no producer ever waits here.
    return _queue->TryPush(std::move(atom));
}

std::shared_ptr<Atom> Queue::Pull() const
{
    return _queue->Pull();
}

void Queue::Flush() const
{
    _queue->Flush();
}

} // namespace Hyx
