#include <Hyx/MutateCompressor.h>

#include "graph/mutates/MutateSupport.h"

#include <Hyx/Atom.h>
#include <Hyx/DataLayer.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeCompressedBlob.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/LoggerInstance.h>
#include <Hyx/Profile.h>

namespace Hyx {

MutateCompressor::MutateCompressor(bool offerInputProfiles) : Mutate(offerInputProfiles)
{
}

MutateCompressor::~MutateCompressor() = default;

HyxErrorCode MutateCompressor::onInitializeParams(Filter* upstream)
{
    if (upstream) {
        const std::shared_ptr<Profile> aggregated = upstream->GetAggregatedOutputProfile();
        auto required = std::make_shared<Profile>();
        for (const auto& pair : _pairs)
            if (aggregated && aggregated->GetDataProfileByType(pair->uncompressedType, false))
                required->Add(VornCommon::Guid(), pair->uncompressedType);
        if (required->GetDataProfileCount() == 0)
            required = std::make_shared<Profile>(aggregated);
        _requestedInputProfile = required;
        const HyxErrorCode result = Transform::onInitializeParams(upstream);
        if (result != HyxErrorCode::Success)
            return result;
    }
    MutateSupport::CreateOnce(_dropParam, COMPRESSOR_DROP_UNCOMPRESSED_PARAMNAME, 1u, true);
    addParam(_dropParam, true);
    return HyxErrorCode::Success;
}

VornCommon::Guid MutateCompressor::getCompressedTypeGuid(const VornCommon::Guid& uncompressedType) const
{
    for (const auto& pair : _pairs)
        if (pair->uncompressedType == uncompressedType)
            return pair->compressedType;
    return {};
}

uint8_t MutateCompressor::getDesiredCompression(std::shared_ptr<DataLayer> source,
                                                std::shared_ptr<DataTypeCompressedBlob> target)
{
    return target->GetRecommendedCompression(std::move(source));
}

MutateCompressor::Choice MutateCompressor::currentChoice() const
{
    Choice choice;
    choice.drop = _dropParam && _dropParam->GetValue();
    choice.selects = _inputProfileParam != nullptr;
    const std::shared_ptr<Profile> selected = _inputProfileParam ? _inputProfileParam->GetValue() : nullptr;
    const auto first = selected ? selected->GetDataProfileByIndex(0) : nullptr;
    if (first)
        choice.selected = std::make_shared<const DataProfile>(*first);
    return choice;
}

VornCommon::Guid MutateCompressor::chooseCompressedType(const DataProfile& profile, const Choice& choice) const
{
    const VornCommon::Guid compressed = getCompressedTypeGuid(profile.GetTypeGuid());
    if (compressed.IsNil() || !choice.selects)
        return compressed;
    // An empty selection matches nothing.
    return choice.selected && choice.selected->Describes(profile) ? compressed : VornCommon::Guid();
}

std::shared_ptr<Profile> MutateCompressor::onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> input)
{
    if (!upstream)
        return {};
    // Frames follow the values this profile is made with, so they always carry what it says.
    _profileChoice = currentChoice();
    const Choice& choice = *_profileChoice;
    const bool drop = choice.drop;
    auto result = std::make_shared<Profile>();
    std::vector<std::shared_ptr<DataProfile>> compressed;
    for (int i = 0; input && i < input->GetDataProfileCount(); ++i) {
        const auto d = input->GetDataProfileByIndex(i);
        const VornCommon::Guid c =
            d->GetCompressedTypeGuid().IsNil() ? chooseCompressedType(*d, choice) : VornCommon::Guid();
        if (c.IsNil() || !drop)
            result->Add(d);
        if (!c.IsNil())
            compressed.push_back(std::make_shared<DataProfile>(d->GetPurposeGuid(), c, d->GetTypeGuid()));
    }
    for (const auto& d : compressed)
        result->Add(d);
    return result;
}

HyxErrorCode MutateCompressor::onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output)
{
    const Choice live = _profileChoice ? Choice() : currentChoice();
    const Choice& choice = _profileChoice ? *_profileChoice : live;
    const bool drop = choice.drop;
    std::shared_ptr<Atom> frame = Atom::Copy(input, -1, false);
    std::vector<std::shared_ptr<DataLayer>> produced;
    for (const auto& layer : input->GetAllDataLayers()) {
        const VornCommon::Guid c =
            layer->GetCompressedBlobTypeGuid().IsNil()
                ? chooseCompressedType(DataProfile(layer->GetPurposeGuid(), layer->TypeGuid()), choice)
                : VornCommon::Guid();
        if (c.IsNil()) {
            frame->AddDataLayer(layer, false);
            continue;
        }
        bool done = false;
        std::shared_ptr<DataTypeCompressedBlob> target;
        try {
            target = std::dynamic_pointer_cast<DataTypeCompressedBlob>(
                DataLayerFactory::CreateDataLayer(c, layer->GetPurposeGuid()).ToStdSharedPtr());
            done = target && target->compress(layer, getDesiredCompression(layer, target));
            if (!done)
                LogMessage(VornCommon::LogLevel::Error, "Filter '%s' could not compress layer '%s'",
                           GetFilterClassInfo().GetNiceClassName().StdString().c_str(),
                           layer->GetDataProfile()->ToFriendlyString().c_str());
        } catch (const std::exception& e) {
            LogMessage(VornCommon::LogLevel::Error, "Filter '%s' could not compress layer '%s': %s",
                       GetFilterClassInfo().GetNiceClassName().StdString().c_str(),
                       layer->GetDataProfile()->ToFriendlyString().c_str(), e.what());
        }
        // A failed compression keeps the plain layer, so nothing is lost.
        if (!drop || !done)
            frame->AddDataLayer(layer, false);
        if (done)
            produced.push_back(target);
    }
    for (const auto& layer : produced)
        frame->AddDataLayer(layer, false);
    output = frame;
    return HyxErrorCode::Success;
}

MutateCompressorWithChoice::MutateCompressorWithChoice(int defaultValue, std::vector<std::string> labels,
                                                       std::vector<int> values)
    : MutateCompressor(true), _default(defaultValue), _labels(std::move(labels)), _values(std::move(values))
{
}

MutateCompressorWithChoice::~MutateCompressorWithChoice() = default;

HyxErrorCode MutateCompressorWithChoice::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = MutateCompressor::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    MutateSupport::CreateOnce(_compressionParam, COMPRESSION_PARAMNAME, 0u, _default, _labels, _values);
    addParam(_compressionParam, true);
    return HyxErrorCode::Success;
}

uint8_t MutateCompressorWithChoice::getDesiredCompression(std::shared_ptr<DataLayer> source,
                                                          std::shared_ptr<DataTypeCompressedBlob> target)
{
    if (!_compressionParam)
        return MutateCompressor::getDesiredCompression(std::move(source), std::move(target));
    return static_cast<uint8_t>(_compressionParam->GetValue());
}

} // namespace Hyx
