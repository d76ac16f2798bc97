#include <Hyx/DataTypeSkeleton.h>

#include "datatypes/LayerText.h"
#include "impl/core/BuiltInRegistration.h"

#include <array>
#include <cstring>
#include <iostream>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeSkeleton);

namespace {

/// One array of the payload.
struct Area {
    const char* label;
    uint32_t floats;
    uint32_t offset; ///< in bytes
};

constexpr Area AREAS[] = {
    {", Left Hand= ", 63, 0},
    {", Right Hand= ", 63, 252},
    {", Pose= ", 54, 504},
    {", Face= ", 201, 720},
    {", Left Hand Confidence= ", 21, 1524},
    {", Right Hand Confidence= ", 21, 1608},
    {", Pose Confidence= ", 18, 1692},
    {", Face Confidence= ", 67, 1764},
};

static_assert(AREAS[7].offset + AREAS[7].floats * 4 == DataTypeSkeleton::PAYLOAD_SIZE);

/// Value i of an array that may be missing, read without assuming float alignment.
float valueAt(const float* array, uint32_t i)
{
    float value = 0.0f;
    if (array)
        std::memcpy(&value, array + i, sizeof value);
    return value;
}

} // namespace

DataTypeSkeleton::DataTypeSkeleton() : DataLayer(CLASS_VERSION)
{
}

DataTypeSkeleton::~DataTypeSkeleton() = default;

void DataTypeSkeleton::SetValues(const float* leftHand, const float* rightHand, const float* pose, const float* face,
                                 const float* leftHandConfidence, const float* rightHandConfidence,
                                 const float* poseConfidence, const float* faceConfidence)
{
    // Staged first: the sources may be this payload, which the resize may free.
    const float* sources[NUM_ARRAYS] = {leftHand,           rightHand,           pose,           face,
                                        leftHandConfidence, rightHandConfidence, poseConfidence, faceConfidence};
    std::array<uint8_t, PAYLOAD_SIZE> staged{};
    for (int i = 0; i < NUM_ARRAYS; ++i)
        if (sources[i])
            std::memcpy(staged.data() + AREAS[i].offset, sources[i], AREAS[i].floats * 4);
    preparePayload(PAYLOAD_SIZE).write(staged.data(), PAYLOAD_SIZE);
    initialize();
}

void DataTypeSkeleton::InitWithDefaultValues()
{
    SetValues(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

void DataTypeSkeleton::CopyValuesFrom(const std::shared_ptr<DataTypeSkeleton>& other)
{
    if (other) {
        const auto& a = other->_arrays;
        SetValues(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
    }
}

bool DataTypeSkeleton::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion != CLASS_VERSION)
        return false;
    for (int i = 0; i < NUM_ARRAYS; ++i) {
        const bool fits = data != nullptr && AREAS[i].offset + AREAS[i].floats * 4 <= size;
        _arrays[i] = fits ? reinterpret_cast<float*>(data + AREAS[i].offset) : nullptr;
    }
    return true;
}

std::string DataTypeSkeleton::ToString(bool friendly) const
{
    std::ostringstream text = LayerText::ClassicStream();
    text << DataLayer::ToString(friendly);
    for (int i = 0; i < NUM_ARRAYS; ++i) {
        if (!_arrays[i])
            continue;
        text << AREAS[i].label;
        for (uint32_t k = 0; k < AREAS[i].floats; ++k)
            text << valueAt(_arrays[i], k) << ' ';
    }
    return text.str();
}

void DataTypeSkeleton::printSkeleton() const
{
    struct Part {
        const char* prefix;
        int points;
        int confidences;
        uint32_t count;
    };
    static constexpr Part PARTS[] = {
        {"LHand ", 0, 4, HAND_KEYPOINTS},
        {"RHand ", 1, 5, HAND_KEYPOINTS},
        {"Face ", 3, 7, FACE_KEYPOINTS},
        {"Pose ", 2, 6, POSE_KEYPOINTS},
    };
    // Each line is formatted apart, so the host's locale and stream state stay untouched.
    for (const Part& part : PARTS) {
        const float* points = _arrays[part.points];
        for (uint32_t k = 0; k < part.count; ++k) {
            std::ostringstream line = LayerText::ClassicStream();
            line << part.prefix << k << ": [" << valueAt(points, 3 * k) << ", " << valueAt(points, 3 * k + 1) << ", "
                 << valueAt(points, 3 * k + 2) << "] Confidence: [" << valueAt(_arrays[part.confidences], k) << "]";
            std::cout << line.str() << std::endl;
        }
    }
}

} // namespace Hyx
