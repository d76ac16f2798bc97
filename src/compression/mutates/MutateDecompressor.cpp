#include <Hyx/MutateCompressor.h>

#include "graph/mutates/MutateSupport.h"

#include <Hyx/Atom.h>
#include <Hyx/DataLayer.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeCompressedBlob.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/LoggerInstance.h>
#include <Hyx/Profile.h>

namespace Hyx {

namespace {

/// A stand-in for a compressed class this library does not know: nothing can decode it,
/// and it is not damaged, so it travels on as it is.
bool isUnknownClass(const DataLayer& layer)
{
    DataLayerClassInfo info;
    return dynamic_cast<const DataLayerCompressedPlaceholder*>(&layer) &&
           !DataLayerFactory::TryGetDataLayerClassInfo(layer.TypeGuid(), info);
}

} // namespace

MutateDecompressor::MutateDecompressor(bool offerInputProfiles) : Mutate(offerInputProfiles)
{
}

MutateDecompressor::~MutateDecompressor() = default;

HyxErrorCode MutateDecompressor::onInitializeParams(Filter* upstream)
{
    const std::shared_ptr<Profile> own = upstream ? upstream->GetOutputProfile() : nullptr;
    if (own && own->GetDataProfileCount() > 0) {
        auto required = std::make_shared<Profile>();
        for (const auto& pair : _pairs)
            if (own->GetDataProfileByType(pair->GetTypeGuid(), false))
                required->Add(pair);
        _requestedInputProfile = required;
        const HyxErrorCode result = Transform::onInitializeParams(upstream);
        _requestedInputProfile.reset();
        if (result != HyxErrorCode::Success)
            return result;
    }
    MutateSupport::CreateOnce(_dropParam, DECOMPRESSOR_DROP_COMPRESSED_PARAMNAME, 1u, true);
    addParam(_dropParam, true);
    return HyxErrorCode::Success;
}

HyxErrorCode MutateDecompressor::onInitialize(Filter* upstream)
{
    return Mutate::onInitialize(upstream);
}

std::shared_ptr<Profile> MutateDecompressor::onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> input)
{
    if (!upstream)
        return {};
    const bool drop = _dropParam && _dropParam->GetValue();
    // Frames follow the value this profile is made with, so they always carry what it says.
    _profileDrop = drop;
    std::shared_ptr<DataProfile> selected;
    if (_inputProfileParam) {
        const std::shared_ptr<Profile> selection = _inputProfileParam->GetValue();
        selected = selection ? selection->GetDataProfileByIndex(0) : nullptr;
    }
    auto result = std::make_shared<Profile>();
    std::vector<std::shared_ptr<DataProfile>> plain;
    for (int i = 0; input && i < input->GetDataProfileCount(); ++i) {
        const auto d = input->GetDataProfileByIndex(i);
        bool matched = false;
        if (_inputProfileParam) {
            matched = selected && selected->Describes(d); // an empty selection matches nothing
        } else {
            for (const auto& pair : _pairs)
                if ((matched = pair->Describes(d)))
                    break;
        }
        if (!matched || !drop)
            result->Add(d);
        if (matched)
            plain.push_back(std::make_shared<DataProfile>(d->GetPurposeGuid(), d->GetCompressedTypeGuid()));
    }
    for (const auto& d : plain)
        result->Add(d);
    return result;
}

HyxErrorCode MutateDecompressor::onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output)
{
    const bool drop = _profileDrop.value_or(_dropParam && _dropParam->GetValue());
    std::shared_ptr<Atom> frame = Atom::Copy(input, -1, false);
    std::vector<std::shared_ptr<DataLayer>> plain;
    for (const auto& layer : input->GetAllDataLayers()) {
        auto compressed = std::dynamic_pointer_cast<DataTypeCompressedBlob>(layer);
        // Plain layers, and layers that cannot be decoded without being damaged, pass.
        if (layer->GetCompressedBlobTypeGuid().IsNil() || !compressed || isUnknownClass(*layer)) {
            frame->AddDataLayer(layer, false);
            continue;
        }
        std::shared_ptr<DataLayer> result;
        try {
            result = compressed->decompress();
        } catch (const std::exception& e) {
            LogMessage(VornCommon::LogLevel::Error, "Filter '%s' could not decompress layer '%s': %s",
                       GetFilterClassInfo().GetNiceClassName().StdString().c_str(),
                       layer->GetDataProfile()->ToFriendlyString().c_str(), e.what());
        }
        if (!result)
            return ReportError(HyxErrorCode::FilterFailedToDecompressLayer,
                               layer->GetDataProfile()->ToFriendlyString().c_str());
        if (!drop)
            frame->AddDataLayer(layer, false);
        plain.push_back(result);
    }
    for (const auto& layer : plain)
        frame->AddDataLayer(layer, false);
    output = frame;
    return HyxErrorCode::Success;
}

} // namespace Hyx
