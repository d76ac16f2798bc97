#include "filters/editing/ScaleCoordinates.h"
#include "graph/mutates/MutateSupport.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/Atom.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/MutateVertexPositionsUnitsConvertor.h>
#include <Hyx/Profile.h>

#include <VornCommon/Math.h>

#include <array>
#include <string>
#include <vector>

namespace Hyx {

HYX_BUILTIN_FILTER(MutateVertexPositionsUnitsConvertor);

namespace {

struct Unit {
    const char* name;
    float toMillimetres;
    float fromMillimetres;
};

constexpr std::array<Unit, 5> kUnits{{
    {"mm", 1.0f, 1.0f},
    {"cm", 10.0f, 0.1f},
    {"m", 1000.0f, 0.001f},
    {"in", 25.4f, 0.03937008f},
    {"ft", 304.8f, 0.0032808399f},
}};

// A value outside the table counts as millimetres.
const Unit& unitAt(int value)
{
    return value >= 0 && value < static_cast<int>(kUnits.size()) ? kUnits[static_cast<size_t>(value)] : kUnits[0];
}

std::shared_ptr<FilterParamEnumIndexed> makeUnitsParam(const char* name)
{
    std::vector<std::string> labels;
    std::vector<int> values;
    for (size_t i = 0; i < kUnits.size(); ++i) {
        labels.emplace_back(kUnits[i].name);
        values.push_back(static_cast<int>(i));
    }
    return std::make_shared<FilterParamEnumIndexed>(name, 1u, 0, labels, values);
}

} // namespace

MutateVertexPositionsUnitsConvertor::MutateVertexPositionsUnitsConvertor() : Mutate(true)
{
}

MutateVertexPositionsUnitsConvertor::~MutateVertexPositionsUnitsConvertor() = default;

void MutateVertexPositionsUnitsConvertor::Instantiate()
{
    _requestedInputProfile = std::make_shared<Profile>(VornCommon::Guid(), DataTypeVertexPositions::TheTypeGuid());
}

HyxErrorCode MutateVertexPositionsUnitsConvertor::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Mutate::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    if (!_sourceUnitsParam)
        _sourceUnitsParam = makeUnitsParam(SOURCE_UNITS_PARAMNAME);
    if (!_outputUnitsParam)
        _outputUnitsParam = makeUnitsParam(OUTPUT_UNITS_PARAMNAME);
    addParam(_sourceUnitsParam, true);
    addParam(_outputUnitsParam, true);
    return HyxErrorCode::Success;
}

HyxErrorCode MutateVertexPositionsUnitsConvertor::onPlay()
{
    if (GetFilterState() == FilterState::Connected) {
        const int source = _sourceUnitsParam ? _sourceUnitsParam->GetValue() : 0;
        const int output = _outputUnitsParam ? _outputUnitsParam->GetValue() : 0;
        _active = source != output;
        _factor = _active ? unitAt(source).toMillimetres * unitAt(output).fromMillimetres : 1.0f;
    }
    return Mutate::onPlay();
}

std::shared_ptr<Profile>
MutateVertexPositionsUnitsConvertor::onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> inputProfile)
{
    return upstream ? std::make_shared<Profile>(inputProfile) : nullptr;
}

HyxErrorCode MutateVertexPositionsUnitsConvertor::onCreateFrame(std::shared_ptr<Atom> input,
                                                                std::shared_ptr<Atom>& output)
{
    output = Atom::Copy(input, -1, true);
    if (!_active)
        return HyxErrorCode::Success;
    const VornCommon::Guid type = DataTypeVertexPositions::TheTypeGuid();
    for (const std::shared_ptr<DataLayer>& layer : output->GetDataLayersByType(type)) {
        const auto positions = std::dynamic_pointer_cast<DataTypeVertexPositions>(layer);
        const uint32_t count = positions ? positions->GetNumVertices() : 0;
        // A payload too short for its count loads without an array: treated as missing.
        if (!positions || (count > 0 && positions->GetVertexPositions() == nullptr)) {
            output.reset();
            return ReportError(HyxErrorCode::FilterFailedToGetDataLayer, GetDataLayerName(type).c_str());
        }
        auto scaled = std::make_shared<DataTypeVertexPositions>();
        scaled->InitializeHeader(positions->GetPurposeGuid());
        float* coordinates = scaled->Allocate(count, false);
        ScaleCoordinates(positions->GetVertexPositions(), coordinates, size_t(count) * 3, _factor);
        float* box = scaled->GetBoundingBox();
        VornCommon::calculateBoundingBox(coordinates, count, box, box + 3);
        output->RemoveDataLayer(layer);
        output->AddDataLayer(std::move(scaled), false);
    }
    return HyxErrorCode::Success;
}

} // namespace Hyx
