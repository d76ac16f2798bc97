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

void Queue::Flush() const
{
    _queue->Flush();
}

} // namespace Hyx
