#pragma once

// The per-vertex and per-index array layers of a frame's geometry: positions (with their
// bounding box), normals, colours, texture coordinates, accuracies, triangle indices and
// per-index texture coordinates.
//
// Payloads, version 0 (the only one), little-endian, packed:
//   positions     f32 box[6] (min x, y, z, max x, y, z) @0, u32 count @24, 3 f32 per vertex @28
//   normals       u32 count @0, 3 f32 per vertex @4
//   colours       u32 count @0, 3 u8 per vertex @4
//   texture UVs   u32 count @0, 2 f32 per vertex @4
//   accuracies    u32 count @0, 1 f32 per vertex @4
//   indices       u32 count @0, 1 u32 per index @4 (three per triangle)
//   index UVs     u32 count @0, 2 f32 per index @4
//
// Contract:
// - The arrays are used in place: getters return pointers into the layer's own payload,
//   valid until the next Allocate or load.
// - Loading never fails on short data: a count that does not fit reads as 0, an array that
//   does not fit entirely gives a null pointer while the count stays as stored (callers
//   check the pointer), a positions payload under 24 bytes has no box. Any version but 0 is
//   refused.
// - Allocate(count) sizes the payload for count elements, writes the count and returns the
//   array to fill (contents undefined). A count whose payload would not fit in 32 bits
//   throws std::length_error and leaves the layer unchanged.
// - The positions preview is a top view (x right, y up) coloured by z: lowest red through
//   the hue circle to black at the top. Its size is 640 wide or 480 high with the box's
//   aspect; a box thinner than MIN_PREVIEW_EXTENT in x or y keeps the previous size, and a
//   layer with no preview size cannot render. The renderer never writes outside the
//   width * height pixels and skips non-finite coordinates.
// - Used by one thread at a time (see DataLayer); CanRenderTo2dRgbaBuffer writes the
//   recomputed box into the payload.

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <string>

namespace Hyx {

/// Base of the per-vertex layers: the vertex count.
class HYX_API DataTypeVertexBase : public DataLayer {
public:
    ~DataTypeVertexBase() override;

    /// The stored count (also when the array did not fit the payload).
    uint32_t GetNumVertices() const { return _numVertices; }

    /// The layer text, then ", NumVertices=<count>".
    std::string ToString(bool friendly) const override;

protected:
    explicit DataTypeVertexBase(uint16_t classVersion);

    /// "Num vertices".
    void onUpdateStatusProperties() override;

    static constexpr uint16_t CLASS_VERSION = 0;
    uint32_t _numVertices = 0;
};

/// Vertex positions, 3 floats each, with their bounding box.
class HYX_API DataTypeVertexPositions : public DataTypeVertexBase {
public:
    /// Below this extent in x or y the preview keeps its previous size.
    static constexpr float MIN_PREVIEW_EXTENT = 0.001f;
    static constexpr uint32_t PREVIEW_WIDTH = 640;
    static constexpr uint32_t PREVIEW_HEIGHT = 480;

    DataTypeVertexPositions();
    ~DataTypeVertexPositions() override;

    static VornCommon::Guid TheTypeGuid();
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// x, y, z per vertex; null when the payload does not hold them all.
    float* GetVertexPositions() const { return _positions; }
    /// min x, y, z, max x, y, z inside the payload; null under 24 payload bytes.
    float* GetBoundingBox() const { return _boundingBox; }

    /// Room for count vertices. resetBoundingBox writes the box -0.5 .. 0.5 on every axis;
    /// otherwise the previous box is kept (zeros when there was none).
    float* Allocate(uint32_t count, bool resetBoundingBox);

    /// Recomputes the box from the positions into the payload; nothing without positions.
    void CalculateBoundingBoxFromVertexPositions();
    /// Box of count points (3 floats each): box[0..2] the minimum, box[3..5] the maximum;
    /// axes without any finite point, and zero points, give 0.
    static void CalculateBoundingBoxFromVertexPositions(const float* positions, uint32_t count, float* box);

    /// Recomputes the box, updates the preview size and reports it; false while it is 0.
    bool CanRenderTo2dRgbaBuffer(int& width, int& height) override;
    /// Draws the top view into the preview size's width * height RGBA pixels.
    void RenderTo2dRgbaBuffer(uint8_t* rgba) override;

    /// The layer text, then ", NumVertices=<count>, BoundingBox=<6 floats>" (zeros without a
    /// box).
    std::string ToString(bool friendly) const override;

protected:
    /// "Num vertices", "Bounding box min", "Bounding box max".
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    void updatePreviewSize();

    float* _positions = nullptr;
    float* _boundingBox = nullptr;
    uint32_t _previewWidth = 0;
    uint32_t _previewHeight = 0;
};

/// Vertex normals, 3 floats each.
class HYX_API DataTypeVertexNormals : public DataTypeVertexBase {
public:
    DataTypeVertexNormals();
    ~DataTypeVertexNormals() override;

    static VornCommon::Guid TheTypeGuid();
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// x, y, z per vertex, or null.
    float* GetNormals() const { return _normals; }
    /// Room for count normals.
    float* Allocate(uint32_t count);

protected:
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    float* _normals = nullptr;
};

/// Vertex colours, 3 bytes (R, G, B) each.
class HYX_API DataTypeVertexColors : public DataTypeVertexBase {
public:
    DataTypeVertexColors();
    ~DataTypeVertexColors() override;

    static VornCommon::Guid TheTypeGuid();
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// R, G, B per vertex, or null.
    uint8_t* GetColors() const { return _colors; }
    /// Room for count colours.
    uint8_t* Allocate(uint32_t count);

protected:
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    uint8_t* _colors = nullptr;
};

/// Texture coordinates, 2 floats (u, v) per vertex.
class HYX_API DataTypeVertexTextureUVs : public DataTypeVertexBase {
public:
    DataTypeVertexTextureUVs();
    ~DataTypeVertexTextureUVs() override;

    static VornCommon::Guid TheTypeGuid();
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// u, v per vertex, or null.
    float* GetUVs() const { return _uvs; }
    /// Room for count coordinates; fill through GetUVs.
    void Allocate(uint32_t count);

protected:
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    float* _uvs = nullptr;
};

/// One accuracy (float) per vertex.
class HYX_API DataTypeVertexAccuracies : public DataTypeVertexBase {
public:
    DataTypeVertexAccuracies();
    ~DataTypeVertexAccuracies() override;

    static VornCommon::Guid TheTypeGuid();
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// One float per vertex, or null.
    float* GetAccuracies() const { return _accuracies; }
    /// Room for count accuracies.
    float* Allocate(uint32_t count);

protected:
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    float* _accuracies = nullptr;
};

/// Triangle vertex indices, three u32 per triangle.
class HYX_API DataTypeVertexIndices : public DataLayer {
public:
    DataTypeVertexIndices();
    ~DataTypeVertexIndices() override;

    static VornCommon::Guid TheTypeGuid();
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// The stored count (also when the array did not fit).
    uint32_t GetNumIndices() const { return _numIndices; }
    /// One u32 per index, or null.
    uint32_t* GetIndices() const { return _indices; }
    /// Room for count indices; fill through GetIndices.
    void Allocate(uint32_t count);

    /// The layer text, then ", NumIndices=<count>".
    std::string ToString(bool friendly) const override;

protected:
    /// "Num indices".
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    static constexpr uint16_t CLASS_VERSION = 0;
    uint32_t _numIndices = 0;
    uint32_t* _indices = nullptr;
};

/// Texture coordinates per index (per triangle corner), 2 floats (u, v) each.
class HYX_API DataTypeIndexUVs : public DataLayer {
public:
    DataTypeIndexUVs();
    ~DataTypeIndexUVs() override;

    static VornCommon::Guid TheTypeGuid();
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    /// The stored count (also when the array did not fit).
    uint32_t GetNumIndices() const { return _numIndices; }
    /// u, v per index, or null.
    float* GetUVs() const { return _uvs; }
    /// Room for count coordinates.
    float* Allocate(uint32_t count);

    /// The layer text, then ", NumIndices=<count>".
    std::string ToString(bool friendly) const override;

protected:
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    static constexpr uint16_t CLASS_VERSION = 0;
    uint32_t _numIndices = 0;
    float* _uvs = nullptr;
};

HYX_API DataLayer* DataTypeVertexPositionsDataLayerCreator();
HYX_API DataLayer* DataTypeVertexNormalsDataLayerCreator();
HYX_API DataLayer* DataTypeVertexColorsDataLayerCreator();
HYX_API DataLayer* DataTypeVertexTextureUVsDataLayerCreator();
HYX_API DataLayer* DataTypeVertexAccuraciesDataLayerCreator();
HYX_API DataLayer* DataTypeVertexIndicesDataLayerCreator();
HYX_API DataLayer* DataTypeIndexUVsDataLayerCreator();

} // namespace Hyx
