#pragma once

// One filled instance of every geometry layer class (vertex arrays, camera parameters,
// transform, cylinder crop), for stream round trips and the fuzz seeds.

#include <Hyx/DataTypeCameraParams.h>
#include <Hyx/DataTypeCylinderCrop.h>
#include <Hyx/DataTypeTransform.h>
#include <Hyx/DataTypeVertex.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace HyxTest {

inline std::vector<std::shared_ptr<Hyx::DataLayer>> FilledGeometryLayers()
{
    auto positions = std::make_shared<Hyx::DataTypeVertexPositions>();
    float* p = positions->Allocate(3, false);
    for (int i = 0; i < 9; ++i)
        p[i] = float(i % 4) - 1.5f;
    positions->CalculateBoundingBoxFromVertexPositions();
    auto normals = std::make_shared<Hyx::DataTypeVertexNormals>();
    std::fill_n(normals->Allocate(3), 9, 0.5f);
    auto colors = std::make_shared<Hyx::DataTypeVertexColors>();
    std::fill_n(colors->Allocate(3), 9, uint8_t(200));
    auto uvs = std::make_shared<Hyx::DataTypeVertexTextureUVs>();
    uvs->Allocate(3);
    std::fill_n(uvs->GetUVs(), 6, 0.75f);
    auto accuracies = std::make_shared<Hyx::DataTypeVertexAccuracies>();
    std::fill_n(accuracies->Allocate(3), 3, 0.01f);
    auto indices = std::make_shared<Hyx::DataTypeVertexIndices>();
    indices->Allocate(3);
    for (uint32_t i = 0; i < 3; ++i)
        indices->GetIndices()[i] = i;
    auto indexUVs = std::make_shared<Hyx::DataTypeIndexUVs>();
    std::fill_n(indexUVs->Allocate(3), 6, 0.25f);

    auto camera = std::make_shared<Hyx::DataTypeCameraParams>();
    camera->GetColorCameraParams() = VornCommon::CameraParams(1920, 1080, VornCommon::Vector2f(1000, 1000));
    camera->GetIRCameraParams() = VornCommon::CameraParams(640, 576, VornCommon::Vector2f(500, 500));
    auto transform = std::make_shared<Hyx::DataTypeTransform>();
    transform->SetTransformMatrix(VornCommon::Matrix4x4f(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16));
    auto crop = std::make_shared<Hyx::DataTypeCylinderCrop>();
    crop->SetValues({1, 2, 3}, 4, 5, VornCommon::Versorf(), {6, 7, 8}, true, false);
    return {positions, normals, colors, uvs, accuracies, indices, indexUVs, camera, transform, crop};
}

} // namespace HyxTest
