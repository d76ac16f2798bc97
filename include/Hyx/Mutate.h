#pragma once

// Base of the filters that make a new atom from each atom they receive (compressors,
// decompressors, layer keepers, the threaded and buffering mutates).
//
// Contract:
// - Initialize: the input profile holds, for each requested data profile (or, without a
//   request, for each entry of the upstream offer), every upstream entry of its type; 41
//   when the upstream filter offers nothing, 32 (with the friendly text) when a requested
//   type is missing. With the offer flag and an "Input Profile" parameter the selected
//   candidate replaces it (as in Transform).
// - Input connection: Transform's checks; then the output profile is generated again from
//   the whole upstream offer and becomes the aggregated output profile: the new atoms carry
//   only what the mutate produces.
// - Update: the gate of Transform; onCreateFrame per pulled atom; an output atom is pushed
//   whenever one is set (also with result 1); higher codes end the cycle. 0 when an atom was
//   pushed, else 1; onPostUpdate runs after every cycle that did not fail.
// - onProcessFrame is not used: it always fails with 4.

#include <Hyx/Transform.h>

namespace Hyx {

class HYX_API Mutate : public Transform {
public:
    explicit Mutate(bool offerInputProfiles = true);
    ~Mutate() override;

    /// One update cycle (see the contract).
    HyxErrorCode Update() override;

protected:
    HyxErrorCode onInitialize(Filter* upstream) override;
    HyxErrorCode onSetupAggregatedOutputProfile(Filter* upstream, std::shared_ptr<Profile> upstreamAggregate) override;
    /// Always 4 ("Mutate filters must create new frames.").
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;

    /// The body of Update.
    virtual HyxErrorCode onUpdate();
    /// Makes the output atom for an input atom, or leaves `output` empty to emit nothing.
    virtual HyxErrorCode onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output) = 0;
};

} // namespace Hyx
