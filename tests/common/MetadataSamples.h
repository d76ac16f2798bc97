#pragma once

// One layer of every metadata class, each with content; the last, an atom layer, nests the
// others two levels deep.

#include <Hyx/DataTypeAtom.h>
#include <Hyx/DataTypeBinary.h>
#include <Hyx/DataTypeByteArray.h>
#include <Hyx/DataTypeCaptureMetadata.h>
#include <Hyx/DataTypeGroupInfo.h>
#include <Hyx/DataTypePCMSample.h>
#include <Hyx/DataTypePatternDetector.h>
#include <Hyx/DataTypePhotogrammetryInfo.h>
#include <Hyx/DataTypeSkeleton.h>

#include <memory>
#include <vector>

namespace HyxTest {

inline std::vector<std::shared_ptr<Hyx::DataLayer>> MetadataSampleLayers()
{
    using namespace Hyx;
    const uint8_t raw[6] = {1, 2, 3, 4, 5, 6};
    auto recording = std::make_shared<DataTypeRecordingInfo>();
    recording->SetValues("session", "take", {1, 2, 3}, "mode");
    auto staticInfo = std::make_shared<DataTypeStaticInfo>();
    staticInfo->SetStaticType(STATICTYPE_SPAWN_PCL);
    auto confidence = std::make_shared<DataTypeSequentialConfidence>();
    confidence->SetConfidenceLevel(0.5f);
    auto group = std::make_shared<DataTypeGroupInfo>();
    group->SetGroupName("group");
    auto bytes = std::make_shared<DataTypeByteArray>();
    bytes->GetByteArray().Append(raw, sizeof raw);
    auto pcm = std::make_shared<DataTypePCMSample>();
    pcm->SetValues(2, 16, 48000, raw, sizeof raw, 0);
    auto pattern = std::make_shared<DataTypePatternDetector>();
    pattern->Allocate(2, 1, 1, 2, 1, {});
    auto skeleton = std::make_shared<DataTypeSkeleton>();
    skeleton->InitWithDefaultValues();
    auto binary = std::make_shared<DataTypeBinary>();
    binary->AddBinaryData("a.txt", raw, 3, false);
    binary->AddBinaryData("b.bin", raw, 6, false);
    std::vector<std::shared_ptr<DataLayer>> layers = {recording, staticInfo, confidence, group, bytes,
                                                      pcm,       pattern,    skeleton,   binary};
    layers.push_back(std::make_shared<DataTypeRecordingSettings>());
    layers.push_back(std::make_shared<DataTypeSegmentInfo>());
    layers.push_back(std::make_shared<DataTypePhotogrammetryInfo>());
    auto inner = std::make_shared<DataTypeAtom>();
    for (const auto& layer : layers)
        inner->Add(layer);
    auto outer = std::make_shared<DataTypeAtom>();
    outer->Add(inner);
    outer->Add(group);
    layers.push_back(outer);
    return layers;
}

} // namespace HyxTest
