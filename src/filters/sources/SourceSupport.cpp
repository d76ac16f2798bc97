#include "filters/sources/SourceSupport.h"

#include "graph/runtime/FramePeriod.h"

#include <Hyx/Atom.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/Graph.h>
#include <Hyx/Profile.h>

namespace Hyx::SourceSupport {

namespace {

std::shared_ptr<DataTypeStreamInfo> copyOf(const DataTypeStreamInfo& info)
{
    auto copy = std::make_shared<DataTypeStreamInfo>();
    copy->InitializeHeader(info.GetPurposeGuid());
    copy->setValues(info.GetFPS(), info.GetNumFrames(), info.GetOrientation(), info.GetHostId(),
                    info.GetHostName().c_str());
    return copy;
}

} // namespace

Declaration Declare(const std::shared_ptr<Atom>& templateAtom, unsigned numStreams, float fps, uint32_t numFrames,
                    std::string& error)
{
    // Everything is checked before anything is made, so a refusal keeps the old declaration.
    if (!templateAtom) {
        error = "Properties rejected - no template atom given";
        return {};
    }
    const auto info = std::dynamic_pointer_cast<DataTypeStreamInfo>(
        templateAtom->GetDataLayerByType(DataTypeStreamInfo::TheTypeGuid(), true));
    if (!info) {
        error = "Properties rejected - the template atom carries no stream information";
        return {};
    }
    if (numStreams == 0) {
        error = "Properties rejected - the number of streams must be at least 1";
        return {};
    }
    // The graph paces to the source's rate, and its own rate calls refuse such a one.
    if (const std::string why = WhyNoRate(fps); !why.empty()) {
        error = "Properties rejected - " + why;
        return {};
    }
    Declaration declaration;
    declaration.profile.reset(templateAtom->GenerateProfile());
    declaration.streamInfo = copyOf(*info);
    declaration.streamInfo->SetFPS(fps);
    declaration.streamInfo->SetNumFrames(numFrames);
    return declaration;
}

const char* CheckFrame(const std::vector<std::shared_ptr<Atom>>& frame, const std::shared_ptr<Profile>& declared,
                       uint32_t numStreams)
{
    if (frame.size() != numStreams)
        return "Frame rejected - it has different number of streams than was declared";
    for (const std::shared_ptr<Atom>& atom : frame) {
        const std::shared_ptr<Profile> profile(atom ? atom->GenerateProfile() : nullptr);
        if (!profile || !declared->Describes(profile) || !profile->Describes(declared))
            return "Frame rejected - a stream of the frame does not satisfy declared output profile";
        if (atom->GetAtomType() != AtomType::Frame)
            return "Frame rejected - an atom's identity word is not a frame's: frame numbers run from 0 to 4194303 "
                   "and stream ids from 0 to 63";
    }
    return nullptr;
}

std::shared_ptr<Atom> QueuedCopy(const std::shared_ptr<Atom>& atom, const DataTypeStreamInfo& declared)
{
    std::shared_ptr<Atom> copy = Atom::Copy(atom, -1, true);
    copy->RemoveDataLayers(DataTypeStreamInfo::TheTypeGuid());
    // Each atom gets a layer of its own: the offline source later sets its frame count.
    copy->AddDataLayer(copyOf(declared), false);
    return copy;
}

bool RunsRealtime(const std::shared_ptr<Graph>& graph)
{
    const std::shared_ptr<FrameOrderProvider> provider = graph ? graph->GetFrameOrderProvider() : nullptr;
    const auto* automatic = dynamic_cast<const FrameOrderAuto*>(provider.get());
    return automatic != nullptr && automatic->GetPlaybackMode() == PlaybackMode::Realtime;
}

} // namespace Hyx::SourceSupport
