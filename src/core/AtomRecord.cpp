#include "core/AtomRecord.h"

#include <cstdint>
#include <mutex>

namespace Hyx {

namespace {

using VornCommon::concurrency::SpinLock;

// Two threads recording one shared atom at once must agree on its record, so records are made
// under a lock of the atom's address (one of a few, the address hashed). Taken only to make a
// record: once an atom has one, its holders find it without a lock.
constexpr size_t kMakeLocks = 64;
SpinLock g_makeLocks[kMakeLocks];

SpinLock& makeLock(const Atom& atom)
{
    return g_makeLocks[(reinterpret_cast<uintptr_t>(&atom) / alignof(std::max_align_t)) % kMakeLocks];
}

} // namespace

AtomRecord::AtomRecord() : Atom(0u, 0u)
{
}

AtomRecord::~AtomRecord() = default;

std::shared_ptr<AtomRecord> AtomRecord::make(Atom& atom, std::shared_ptr<AtomRecord>& spare)
{
    std::lock_guard<SpinLock> lock(makeLock(atom));
    if (atom._recordObject.load(std::memory_order_relaxed) != nullptr)
        return atom._record;
    std::shared_ptr<AtomRecord> record = spare ? std::move(spare) : std::make_shared<AtomRecord>();
    // Nothing else holds the record yet: its own fields are written without its lock.
    record->_id = atom._id;
    record->_timestamp = atom._timestamp;
    record->_source.store(&atom, std::memory_order_relaxed);
    atom._record = record;
    atom._recordObject.store(record.get(), std::memory_order_release);
    return record;
}

void AtomRecord::keep(std::shared_ptr<AtomRecord> previous, std::shared_ptr<AtomRecord>& spare)
{
    // The reference taken and dropped orders the last use by every former holder, on whatever
    // thread, before the record is emptied.
    std::shared_ptr<AtomRecord>(previous).reset();
    // A record handed on by a host may itself be recorded: that record is filled first.
    previous->beforeChange();
    previous->_blocks.clear();
    spare = std::move(previous);
}

void AtomRecord::Settle()
{
    if (_source.load(std::memory_order_acquire) == nullptr)
        return;
    std::lock_guard<SpinLock> lock(_fillLock);
    if (const Atom* source = _source.load(std::memory_order_relaxed)) {
        _blocks = source->_blocks;
        _source.store(nullptr, std::memory_order_release);
    }
}

std::shared_ptr<Atom> AtomRecord::Lend(std::shared_ptr<AtomRecord> record)
{
    if (!record)
        return nullptr;
    // The handle counts in a block of its own, which holds the record: however the host copies
    // or watches the handle, the record's count sees one holder until the last copy goes.
    struct Hold {
        std::shared_ptr<AtomRecord> record;
    };
    Atom* const object = record.get();
    return std::shared_ptr<Atom>(std::make_shared<Hold>(Hold{std::move(record)}), object);
}

void Atom::releaseRecord(bool dying)
{
    std::shared_ptr<AtomRecord> record = std::move(_record);
    _recordObject.store(nullptr, std::memory_order_relaxed);
    // Held by nobody else (hosts hold records through handles that hold them), the record can
    // never be read: it is let go unfilled.
    if (record.use_count() > 1)
        record->fill(*this, dying);
}

void AtomRecord::fill(Atom& source, bool dying)
{
    // Settled by a host already: its copy was made before the atom got here.
    if (_source.load(std::memory_order_acquire) != &source)
        return;
    std::lock_guard<SpinLock> lock(_fillLock);
    if (_source.load(std::memory_order_relaxed) != &source)
        return;
    if (dying)
        _blocks = std::move(source._blocks);
    else
        _blocks = source._blocks;
    _source.store(nullptr, std::memory_order_release);
}

} // namespace Hyx
