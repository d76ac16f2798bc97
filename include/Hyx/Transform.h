#pragma once

// Base of the filters between a source and a target that process each atom in place and
// forward it.
//
// Contract:
// - Profiles, in life-cycle order:
//   * PreInitialize: with the offer flag set, every combination of upstream layers that
//     fits the requested input profile (a nil purpose asks for any layer of that type) is
//     offered as the parameter "Input Profile", put first in the list; the last combination
//     is selected, or the earlier choice when an equal one is still offered. 31 when the
//     upstream filter has no aggregated output profile.
//   * Initialize: the selected combination becomes the input profile, and
//     onGenerateOutputProfile the output profile; both must be fully specified (27).
//   * Input connection: the upstream offer must be fully specified (41) and fulfil the
//     input profile (42); 24 without an input profile. The aggregated output profile is the
//     upstream offer plus the output profile.
// - Update: nothing is pulled unless every pending input atom fits into the output at once;
//   then those atoms are handled: onProcessFrame 0 forwards, 1 drops, higher codes end the
//   update with that failure. onPostUpdate runs after every update that did not fail.
// - Driven by the graph's updating thread; no lock of its own.
// - For authors: the output profile names the layers the transform adds, at least one (an
//   empty one fails with 27); a filter that only changes or removes layers is a Mutate.
//   onProcessFrame adds layers and never changes the contents of a layer it was handed in
//   place, since earlier filters' records share it (see Filter.h): it replaces such a layer
//   with a copy (Atom::RemoveDataLayer, then Atom::AddDataLayer) and changes the copy.

#include <Hyx/Filter.h>

#include <VornCommon/Guid.h>

#include <memory>

namespace Hyx {

class Atom;
class DataProfile;
class FilterParamInputProfiles;

class HYX_API Transform : public FilterWithInput {
public:
    /// offerInputProfiles: build "Input Profile" from the requested input profile. Without
    /// it the subclass sets its input profile itself.
    explicit Transform(bool offerInputProfiles = true);
    ~Transform() override;

    /// One update cycle (see the contract).
    HyxErrorCode Update() override;
    /// Generates the output profile for the profile, then stores the profile as the input
    /// profile; a failure keeps the old input profile (the output profile is cleared).
    HyxErrorCode SetInputProfile(Filter* upstream, std::shared_ptr<Profile> profile) override;
    /// A new list sharing the output profile's entries; empty when there is none.
    std::shared_ptr<Profile> GetOutputProfile() override;
    /// A new list sharing the aggregated output profile's entries; empty when there is none.
    std::shared_ptr<Profile> GetAggregatedOutputProfile() override;

    /// A purpose that replaces the nil purposes of the input data profiles.
    void SetPurposeGuid(const VornCommon::Guid& purpose) { _purposeGuid = purpose; }
    VornCommon::Guid GetPurposeGuid() const { return _purposeGuid; }

protected:
    /// Builds the candidates and the "Input Profile" parameter.
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// Applies the selected candidate as input profile (with the offer flag and a parameter).
    HyxErrorCode onInitialize(Filter* upstream) override;
    /// Checks the upstream offer, then onSetupAggregatedOutputProfile.
    HyxErrorCode onInputConnection(std::weak_ptr<Connection> connection) override;

    /// Runs after every update cycle that did not fail; 0 by default.
    virtual HyxErrorCode onPostUpdate();
    /// The aggregated output profile: the upstream offer plus each output entry (the first
    /// refused entry is reported with its type's alias).
    virtual HyxErrorCode onSetupAggregatedOutputProfile(Filter* upstream, std::shared_ptr<Profile> upstreamAggregate);
    /// The output profile for an input profile.
    virtual std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream,
                                                             std::shared_ptr<Profile> inputProfile) = 0;
    /// 0 forwards the atom, 1 drops it, higher codes fail.
    virtual HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) = 0;

    /// Clears the output profile, then stores onGenerateOutputProfile's result; 27 when the
    /// input or the result is not fully specified.
    HyxErrorCode GenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> inputProfile);
    /// The index-th input data profile (shared with the input profile); with applyPurpose a
    /// set purpose GUID replaces its nil purpose in place.
    std::shared_ptr<DataProfile> GetInputDataProfile(int index, bool applyPurpose);
    /// The purpose GUID when set, else the purpose of the profile's index-th entry.
    VornCommon::Guid getPurposeGuidForInputProfile(std::shared_ptr<Profile> profile, int index) const;

    /// Reports a failing cycle with the text it left, or runs onPostUpdate.
    HyxErrorCode finishUpdate(HyxErrorCode bodyResult);

    std::shared_ptr<FilterParamInputProfiles> _inputProfileParam;
    std::shared_ptr<Profile> _aggregatedOutputProfile;
    VornCommon::Guid _purposeGuid;
    std::shared_ptr<Profile> _outputProfile;
    const bool _offerInputProfiles;
};

} // namespace Hyx
