#pragma once

// Mutates that pass each frame on with some of its layers removed: the dropper removes the
// layers the host marks, the keeper keeps only the layers the host marks.
//
// Contract:
// - No "Input Profile": the input is the whole upstream offer. One bool parameter per
//   upstream data profile, "Drop " or "Keep " + its friendly text, false by default; a
//   choice carries over to a new initialisation by friendly text.
// - A layer's switch is the first parameter whose data profile equals the layer's (purpose,
//   type and compressed type). Dropper: a layer goes when its switch is true (a layer
//   without one stays). Keeper: a layer stays only when its switch is true (a layer without
//   one goes). A plain layer without a switch of its own, whose compressed form (same
//   purpose, compressed type naming its type) has one, follows that switch instead: a
//   compressor that could not compress it passed it on plain in that form's place (see
//   MutateCompressor.h), so a keeper keeping the form keeps it and a dropper dropping the
//   form drops it, whatever else the frame holds.
// - The output profile follows the same rule; when that leaves it not fully specified the
//   input's first data profile is added, so it is never empty (even though a keeper with
//   every switch false emits frames without layers).
// - Each frame is a copy that shares the incoming layers; the incoming atom is not changed.
// - Frames follow the switches as the output profile was made (at initialisation and
//   connection): a switch set later reads back at once and takes effect when the filter is
//   initialised again.

#include <Hyx/Export.h>
#include <Hyx/Mutate.h>

#include <memory>
#include <vector>

namespace Hyx {

class FilterParamBoolDataProfile;

/// What the dropper and keeper share: one switch per upstream data profile and the copy
/// that honours them.
class HYX_API MutateDataLayersSelection : public Mutate {
public:
    ~MutateDataLayersSelection() override;

protected:
    /// `keep`: a layer stays only when its switch is true; otherwise it goes when it is true.
    explicit MutateDataLayersSelection(bool keep);

    /// One "Drop " or "Keep " switch per upstream data profile.
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// The input's data profiles that stay.
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> inputProfile) override;
    /// A copy with only the layers that stay.
    HyxErrorCode onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output) override;

private:
    bool _keep;
    std::vector<std::shared_ptr<FilterParamBoolDataProfile>> _switches;
    /// Copies of the switches with the values the output profile was made with; frames
    /// follow them once made (before that, the switches themselves).
    std::vector<std::shared_ptr<FilterParamBoolDataProfile>> _profileSwitches;
    bool _profileMade = false;
};

class HYX_API MutateDataLayersDropper : public MutateDataLayersSelection {
public:
    MutateDataLayersDropper();
    ~MutateDataLayersDropper() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;
};

class HYX_API MutateDataLayersKeeper : public MutateDataLayersSelection {
public:
    MutateDataLayersKeeper();
    ~MutateDataLayersKeeper() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;
};

/// New filters, owned by the caller.
HYX_API Filter* MutateDataLayersDropperFilterCreator();
HYX_API Filter* MutateDataLayersKeeperFilterCreator();

} // namespace Hyx
