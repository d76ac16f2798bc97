#pragma once

// Layer that carries one tracked person of a frame as fixed keypoint sets: 21 per hand, 18
// for the body pose and 67 for the face, each keypoint three floats (x, y, z), plus one
// confidence float per keypoint.
//
// Payload version 0 (2032 bytes, f32 little-endian, no header), eight arrays back to back:
// left hand @0 (63 floats), right hand @252 (63), pose @504 (54), face @720 (201), left hand
// confidence @1524 (21), right hand confidence @1608 (21), pose confidence @1692 (18), face
// confidence @1764 (67).
//
// Contract:
// - Every array sits at its fixed offset. An array that the payload does not hold entirely
//   is null; no array is ever read from another array's bytes.
// - The arrays are used in place: the getters point into the payload (4-byte aligned inside
//   it) and writing through them changes the payload.
// - A new layer has an empty payload and null arrays; InitWithDefaultValues, SetValues or a
//   load give it one. Missing arrays count as zeros wherever they are read.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Hyx {

/// Hand, pose and face keypoints of one person.
class HYX_API DataTypeSkeleton : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 0;
    static constexpr uint32_t HAND_KEYPOINTS = 21;
    static constexpr uint32_t POSE_KEYPOINTS = 18;
    static constexpr uint32_t FACE_KEYPOINTS = 67;
    static constexpr uint32_t PAYLOAD_SIZE = 2032;

    /// No payload, null arrays.
    DataTypeSkeleton();
    ~DataTypeSkeleton() override;

    /// 4C4E4765-A59E-4F7F-8A2D-326A83CDD27D.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeSkeleton" / "Skeleton".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// The arrays inside the payload, or null.
    float* getLeftHand() const { return _arrays[0]; }
    float* getRightHand() const { return _arrays[1]; }
    float* getPose() const { return _arrays[2]; }
    float* getFace() const { return _arrays[3]; }
    float* getLeftHandConfidence() const { return _arrays[4]; }
    float* getRightHandConfidence() const { return _arrays[5]; }
    float* getPoseConfidence() const { return _arrays[6]; }
    float* getFaceConfidence() const { return _arrays[7]; }

    /// Writes the whole payload: each array copied from its argument (which may point into
    /// this payload), zeros for a null argument.
    void SetValues(const float* leftHand, const float* rightHand, const float* pose, const float* face,
                   const float* leftHandConfidence, const float* rightHandConfidence, const float* poseConfidence,
                   const float* faceConfidence);
    /// Writes 2032 zero bytes.
    void InitWithDefaultValues();
    /// SetValues with the other layer's arrays; nothing for a null layer.
    void CopyValuesFrom(const std::shared_ptr<DataTypeSkeleton>& other);

    /// Base text, then for each present array its label (", Left Hand= ", …, ", Face
    /// Confidence= ") and every value followed by one blank.
    std::string ToString(bool friendly) const override;
    /// One line per keypoint on standard output, left hand, right hand, face, pose:
    /// "LHand 0: [x, y, z] Confidence: [c]"; missing arrays print zeros.
    void printSkeleton() const;

protected:
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    static constexpr int NUM_ARRAYS = 8;
    float* _arrays[NUM_ARRAYS] = {};
};

/// A new DataTypeSkeleton that the caller owns.
HYX_API DataLayer* DataTypeSkeletonDataLayerCreator();

} // namespace Hyx
