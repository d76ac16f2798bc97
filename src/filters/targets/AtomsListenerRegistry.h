#pragma once

// The process-wide registry of live IAtomsListener objects. A listener address that came
// from text (a graph file, a host) is called only when a listener registered exactly there.

#include <cstdint>
#include <memory>
#include <vector>

namespace Hyx {

class Atom;
class FilterParamInt64;

namespace AtomsListenerRegistry {

/// Calls the listener whose address the parameter holds, read under the registry's lock so
/// that WaitForCalls after a change of the parameter covers every call of the old value.
/// False, without a call, when no listener is registered there (`address` tells the value).
/// A destructor on another thread waits until the call returns (or throws).
bool Call(const FilterParamInt64& listenerParam, std::vector<std::shared_ptr<Atom>>& atoms, uintptr_t& address);

/// Waits until no other thread is inside a call of the listener at that address.
void WaitForCalls(uintptr_t address);

} // namespace AtomsListenerRegistry
} // namespace Hyx
