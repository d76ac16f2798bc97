#pragma once

// A record of an atom as it was when recorded: what a filter keeps as its last processed frame
// for host threads to read while the atom travels on and later filters change it.
//
// A record is made empty and stands for its atom, which holds it, until the atom first changes
// or is destroyed: the atom then copies its blocks into the record (moves them when dying)
// before anything changes. Filters that hand an atom on unchanged all share the one record,
// so only atoms that change while recorded are ever copied. A host thread that reads a record
// still standing for its atom copies the atom into it itself (Settle), under the record's
// lock, which the atom's change also takes: one of the two copies, never both, and never from
// a changing atom.
//
// Hosts are lent a handle of their own on a record for each read (Lend), never the record's own
// reference: the record's count then sees everyone who can still reach it, also through a weak
// reference, and a record is emptied for reuse (Recycle) or let go unfilled only when nobody can.
//
// Threads: Take, Current and Recycle run on the recording filter's thread (the updating
// thread, which holds the atom); the atom's change or destruction on the thread of its sole
// holder; Settle on any thread. Identity and timestamp are copied when the record is made,
// the blocks when it is filled.

#include <Hyx/Atom.h>

#include <VornCommon/Concurrency.h>

#include <atomic>
#include <memory>

namespace Hyx {

class AtomRecord final : public Atom {
public:
    AtomRecord();
    AtomRecord(const AtomRecord&) = delete;
    AtomRecord& operator=(const AtomRecord&) = delete;
    ~AtomRecord() override;

    /// The record standing for the atom as it is: the one taken since it last changed, else a
    /// new one (made in `spare` when that is set; `spare` is then emptied).
    static std::shared_ptr<AtomRecord> Take(Atom& atom, std::shared_ptr<AtomRecord>& spare)
    {
        // Inline: every push of every filter asks, and mostly finds one.
        if (atom._recordObject.load(std::memory_order_acquire) != nullptr)
            return atom._record;
        return make(atom, spare);
    }
    /// The record standing for the atom as it is; null when there is none.
    static const AtomRecord* Current(const Atom& atom) { return atom._recordObject.load(std::memory_order_relaxed); }
    /// Keeps `previous` in `spare`, emptied, when nothing else holds it: no atom stands for it
    /// and no host's handle lives (a host's weak reference is to its handle, which holds the
    /// record: it expires with the handle).
    static void Recycle(std::shared_ptr<AtomRecord> previous, std::shared_ptr<AtomRecord>& spare)
    {
        if (previous && previous.use_count() == 1)
            keep(std::move(previous), spare);
    }

    /// Fills the record from its atom unless that happened already; afterwards it never
    /// changes. Any thread.
    void Settle();
    /// A handle of the host's own on the record: an atom pointer whose own count holds the
    /// record for as long as the handle or a copy of it lives; a weak reference to it expires
    /// with them. One allocation; null for no record. Any thread.
    static std::shared_ptr<Atom> Lend(std::shared_ptr<AtomRecord> record);

private:
    friend class Atom;

    /// Take without a record: makes one under the lock of the atom's address.
    static std::shared_ptr<AtomRecord> make(Atom& atom, std::shared_ptr<AtomRecord>& spare);
    /// Recycle of a record held by `previous` alone.
    static void keep(std::shared_ptr<AtomRecord> previous, std::shared_ptr<AtomRecord>& spare);

    /// The atom's change or destruction: fills the record from `source` while it still stands
    /// for it (moving the blocks when `dying`).
    void fill(Atom& source, bool dying);

    VornCommon::concurrency::SpinLock _fillLock;
    // The atom the record stands for until it is filled; set when taken, emptied under the lock
    // (released after the blocks are in place).
    std::atomic<Atom*> _source{nullptr};
};

} // namespace Hyx
