#pragma once

// Base of the filters at the end of a graph: they consume atoms.
//
// Contract:
// - With the keep flag, PreInitialize offers one bool parameter per upstream layer, named
//   "Keep " + the layer's friendly text (true by default; earlier choices carry over by
//   friendly text; at least one stays true). Initialize takes the upstream offer minus the
//   layers not kept as input profile (41 unless it is fully specified).
// - Input connection: the checks of Transform (24, 22, 31, 41, 42).
// - Update: each pending atom is copied with only the kept layers and handed to
//   onProcessFrame. A target whose input profile lists a compressed form may deliver its
//   plain stand-in instead: a compressor that could not compress a layer passes it on plain
//   (see MutateCompressor.h), so a kept compressed entry whose plain form the upstream does
//   not offer is kept in that plain form too, whatever put the entry in the profile (its
//   own "Keep " switch, or the entry a keeper or dropper adds to an output profile left
//   empty, see MutateDataLayers.h). A plain form the upstream offers follows its own "Keep "
//   choice. An accepted atom (0) is counted and recorded as the last processed one, or, with an output connection
//   (behind the gate of Transform), forwarded whole. A failing atom does not stop the cycle:
//   every pending atom is consumed, and the cycle reports the first failure. onPostUpdate
//   runs after every cycle that did not fail.
// - The output profile is always empty; the aggregated one is the upstream filter's.

#include <Hyx/Filter.h>

#include <memory>
#include <vector>

namespace Hyx {

class Atom;
class FilterParamBoolDataProfile;

class HYX_API Target : public FilterWithInput {
public:
    /// keepParams: offer the "Keep " parameters.
    explicit Target(bool keepParams = true);
    ~Target() override;

    /// One update cycle (see the contract).
    HyxErrorCode Update() override;
    /// Stores a fully specified profile as input profile; otherwise 41. The upstream filter's
    /// offer (or, without one, the profile) decides which plain forms the copies keep too.
    HyxErrorCode SetInputProfile(Filter* upstream, std::shared_ptr<Profile> profile) override;
    /// Always empty.
    std::shared_ptr<Profile> GetOutputProfile() override;
    /// The upstream filter's aggregated output profile; empty without one.
    std::shared_ptr<Profile> GetAggregatedOutputProfile() override;

protected:
    /// Creates the "Keep " parameters.
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// The upstream offer less the layers not kept becomes the input profile.
    HyxErrorCode onInitialize(Filter* upstream) override;
    /// Checks the upstream offer against the input profile.
    HyxErrorCode onInputConnection(std::weak_ptr<Connection> connection) override;

    /// Consumes the copy of an atom that holds the kept layers; 0 accepts it.
    virtual HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) = 0;
    /// Runs after every update cycle that did not fail; 0 by default.
    virtual HyxErrorCode onPostUpdate();

    std::vector<std::shared_ptr<FilterParamBoolDataProfile>> _keepParams;
    const bool _keepParamsFlag;

private:
    /// The layers an atom's copy keeps: the input profile, plus the plain form of each
    /// compressed entry whose plain form the upstream does not offer. Made with the input
    /// profile it follows (`_copyProfileFor`).
    std::shared_ptr<Profile> _copyProfile;
    std::shared_ptr<Profile> _copyProfileFor;
    /// The last copy handed to onProcessFrame, refilled for the next atom when nobody else
    /// holds it (used by the updating thread only).
    std::shared_ptr<Atom> _copy;
};

} // namespace Hyx
