#pragma once

// The geometry transforms: depth maps from vertex positions and back, per-corner and
// camera texture coordinates, and vertex colours from camera textures or texture
// coordinates. Each adds one layer to the atom it is given and forwards it.
//
// Contract:
// - Every filter offers "Input Profile" and asks for its inputs with nil purposes.
// - Lookups: a layer whose count is not 0 but whose array (or pixel block) is missing
//   counts as missing. Missing inputs give 32 with the readable layer name, except in the
//   two depth-map readers, which drop the atom (1) without an error.
// - A camera the filter cannot project with is refused with 4 ("Error in filter '$filter$':
//   $info$") before any layer is added, the information naming the value as the layer's
//   status properties do, the rule and what it holds, e.g. "CameraParams 'IR F' must be
//   finite and at least 2^-32 in magnitude: (0, 500)". The rule, checked in this order:
//   - an image width and height above 0, where the filter reads them (the depth-map readers
//     read the width only);
//   - a focal length finite and at least 2^-32 in magnitude in each axis (negative, a
//     flipped axis, is kept);
//   - a principal point finite and at most 2^32 in magnitude in each axis;
//   - where the filter applies the lens (the texture coordinate and vertex colour filters)
//     and any coefficient is not 0: coefficients finite, their centre finite and at most
//     2^32 in magnitude, and each step of the lens model below 2^120 in magnitude for every
//     pixel (x, y) with |x| <= width and |y| <= height;
//   - for the colour camera's projections, rotation rows 0-2 and translation finite.
//   With depths below 2^16 and pixel offsets below 2^64, every point the depth-map readers
//   and CalculateBoundingBox compute, d (u - cx) / f, then stays below 2^112: no position
//   and no box they write is ever infinite or not a number. The check comes after the
//   lookups, so missing inputs answer as above, and in the colour-texture filters after the
//   size comparison below, so a colour camera of width 0 over a texture with pixels gets
//   the mismatch text.
// - Projections run in single precision; a coordinate is clamped in floating point before
//   it becomes a pixel index (an infinite one to its edge), a value that is not a number
//   becomes pixel 0. So a vertex whose own coordinates take its projection out of the float
//   range (z = 0, or coordinates near the float's limit) still gets a pixel in the texture
//   coordinate and colour filters, and DepthmapFromVertexPositions skips it.
// - DepthmapFromVertexPositions keeps a vertex only when 1 <= trunc(z) <= 65535 and its
//   mirrored pixel lies inside the border; the camera is looked up with the purpose of
//   input 1 and the map is half the infrared camera's size. No depth test: the last vertex
//   wins.
// - The depth-map readers use fx for x and fy for y; their parameters are clamped to the
//   declared ranges where used. The random sampler owns its generator, reseeded when the
//   filter starts playing, so every run repeats.
// - IndexUVs refuses (32, "VertexTextureUVs") an index at or beyond the coordinate count.
// - Colour textures must match the colour camera's size (4, "Width/Height mismatch between
//   ColorTexture and CameraParams!").
// - Driven by the graph's updating thread; no lock of its own. The static helpers keep no
//   state and may be called from any thread.

#include <Hyx/Export.h>
#include <Hyx/Transform.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace Hyx {

class DataTypeCameraParams;
class DataTypeTextureBase;
class DataTypeTextureRGB;
class FilterParamBool;
class FilterParamFloat;
class FilterParamInt32;

/// The class identity every geometry filter declares: type GUID, class info and accessors.
#define HYX_GEOMETRY_FILTER_IDENTITY(ClassName)                                                                        \
public:                                                                                                                \
    ClassName();                                                                                                       \
    ~ClassName() override;                                                                                             \
    /** The class's type GUID. */                                                                                      \
    static VornCommon::Guid TheTypeGuid();                                                                             \
    /** Class name, readable name and category. */                                                                     \
    static ::Hyx::FilterClassInfo TheFilterClassInfo();                                                                \
    VornCommon::Guid TypeGuid() const override;                                                                        \
    ::Hyx::FilterClassInfo GetFilterClassInfo() const override;

/// Static helpers between vertex positions and depth maps of the infrared camera.
class HYX_API DepthmapHelper {
public:
    DepthmapHelper() = default;
    virtual ~DepthmapHelper();

    /// The infrared camera's size times scale, each truncated (0 without a camera).
    static void GetDepthmapDimensions(uint32_t& width, uint32_t& height, std::shared_ptr<DataTypeCameraParams>& camera,
                                      float scale);
    /// Rasterises numVertices positions (x, y, z each) into the width x height samples of
    /// depthmap, mirrored about the principal point and scaled to the map. A camera the
    /// filter refuses (see the contract: no width or height, a focal length not finite or
    /// below 2^-32 in magnitude, a principal point not finite or beyond 2^32 in magnitude)
    /// leaves every sample 0.
    static void CreateDepthmap(const float* positions, uint32_t numVertices, uint16_t* depthmap, uint32_t width,
                               uint32_t height, std::shared_ptr<DataTypeCameraParams>& camera);
    /// Box (min x, y, z, max x, y, z) of the points the map's inner samples stand for,
    /// visiting every step-th row and column (a step below 1 counts as 1), widened by 0.001.
    /// With no point (no map, no camera, no visited sample set, or a camera with no width, a
    /// focal length not finite or below 2^-32 in magnitude, or a principal point not finite
    /// or beyond 2^32 in magnitude) it is inverted: each minimum 100000 and each maximum
    /// -100000 (the 0.001 is lost to float rounding there), so minimum > maximum tells it.
    /// The box is always finite.
    static void CalculateBoundingBox(float* box, const uint16_t* depthmap, uint32_t width, int32_t height,
                                     std::shared_ptr<DataTypeCameraParams>& camera, int step);
};

/// Adds the infrared depth map of the vertex positions (purpose of the positions).
class HYX_API TransformDepthmapFromVertexPositions : public Transform {
    HYX_GEOMETRY_FILTER_IDENTITY(TransformDepthmapFromVertexPositions)
    /// Asks for (nil, VertexPositions), (nil, CameraParams).
    void Instantiate() override;

protected:
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> input) override;
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;
};

/// Shared output of the two depth-map readers: positions labelled with the filter's GUID.
class HYX_API TransformVertexPositionsFromDepthMapBase : public Transform {
public:
    ~TransformVertexPositionsFromDepthMapBase() override;

protected:
    TransformVertexPositionsFromDepthMapBase();
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> input) override;
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;
    /// computePoints' answer when the points would not fit into one layer.
    static constexpr uint32_t TOO_MANY_POINTS = UINT32_MAX;

    /// Writes the points of the map into the scratch buffer (3 floats each); returns the
    /// number of points, or TOO_MANY_POINTS.
    virtual uint32_t computePoints(const uint8_t* samples, uint32_t width, uint32_t height,
                                   std::shared_ptr<DataTypeCameraParams>& camera) = 0;

    std::vector<float> _scratch;
};

/// One point per non-zero depth sample, or "Num Points" randomly placed ones.
class HYX_API TransformVertexPositionsFromDepthMap : public TransformVertexPositionsFromDepthMapBase {
    HYX_GEOMETRY_FILTER_IDENTITY(TransformVertexPositionsFromDepthMap)
    static constexpr const char* RANDOM_SAMPLING_PARAMNAME = "Random Sampling";
    static constexpr const char* NUM_POINTS_PARAMNAME = "Num Points";
    /// Asks for (nil, CameraParams), (nil, Texture16BitDepthMap).
    void Instantiate() override;

protected:
    /// "Random Sampling"; "Num Points" only while random sampling is on. Frames follow
    /// "Random Sampling" as it was here, until the next pre-initialisation.
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// Reseeds the sampler.
    HyxErrorCode onPlay() override;
    uint32_t computePoints(const uint8_t* samples, uint32_t width, uint32_t height,
                           std::shared_ptr<DataTypeCameraParams>& camera) override;

    std::shared_ptr<FilterParamBool> _randomSampling;
    std::shared_ptr<FilterParamInt32> _numPoints;
    std::minstd_rand _random;
    /// "Random Sampling" as the parameters were last made.
    bool _sampleRandomly = false;
};

/// Points on a finer or coarser grid, interpolated between close samples, within a band.
class HYX_API TransformVertexPositionsFromSupersampledDepthMap : public TransformVertexPositionsFromDepthMapBase {
    HYX_GEOMETRY_FILTER_IDENTITY(TransformVertexPositionsFromSupersampledDepthMap)
    static constexpr const char* SUPERSAMPLING_PARAMNAME = "SuperSampling (1.0 normal)";
    static constexpr const char* MAX_DISTANCE_PARAMNAME = "Inter-texel maximum distance (in depthmap space)";
    static constexpr const char* NEAR_PLANE_PARAMNAME = "Near plane cutter (%)";
    static constexpr const char* FAR_PLANE_PARAMNAME = "Far plane cutter (%)";

protected:
    /// The four parameters, added even when the base step fails (its code is returned).
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    uint32_t computePoints(const uint8_t* samples, uint32_t width, uint32_t height,
                           std::shared_ptr<DataTypeCameraParams>& camera) override;

    std::shared_ptr<FilterParamFloat> _superSampling;
    std::shared_ptr<FilterParamFloat> _maxDistance;
    std::shared_ptr<FilterParamFloat> _nearPlane;
    std::shared_ptr<FilterParamFloat> _farPlane;
};

/// Per-corner texture coordinates: the per-vertex coordinate each index refers to.
class HYX_API TransformIndexUVs : public Transform {
    HYX_GEOMETRY_FILTER_IDENTITY(TransformIndexUVs)
    /// Asks for (nil, VertexIndices), (nil, VertexTextureUVs).
    void Instantiate() override;

protected:
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> input) override;
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;
};

/// Texture coordinates of each vertex in a camera image, labelled with that image's type.
class HYX_API TransformVertexTextureUVsBase : public Transform {
public:
    ~TransformVertexTextureUVsBase() override;
    /// Asks for (nil, VertexPositions), (nil, CameraParams).
    void Instantiate() override;

protected:
    /// label: the purpose of the coordinates; colour: project into the colour camera with its
    /// pose and (-x, -y, z), else into the infrared camera with (x, y, -z).
    TransformVertexTextureUVsBase(const VornCommon::Guid& label, bool colour);
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> input) override;
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;

private:
    const VornCommon::Guid _label;
    const bool _colour;
};

/// Coordinates into the colour image (purpose: the type GUID of TextureRGB).
class HYX_API TransformVertexTextureUVsColor : public TransformVertexTextureUVsBase {
    HYX_GEOMETRY_FILTER_IDENTITY(TransformVertexTextureUVsColor)
};

/// Coordinates into the infrared image (purpose: the type GUID of TextureIR).
class HYX_API TransformVertexTextureUVsIr : public TransformVertexTextureUVsBase {
    HYX_GEOMETRY_FILTER_IDENTITY(TransformVertexTextureUVsIr)
};

/// Vertex colours from the colour camera's texture; each leaf names its texture type.
class HYX_API TransformVertexColorsFromTexture : public Transform {
public:
    ~TransformVertexColorsFromTexture() override;
    /// Asks for (nil, VertexPositions), (nil, CameraParams), (nil, the leaf's texture).
    void Instantiate() override;

protected:
    explicit TransformVertexColorsFromTexture(const VornCommon::Guid& textureType);
    /// (purpose of the positions, VertexColors).
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> input) override;
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;
    /// Projects count positions into the colour camera and writes 3 bytes per vertex
    /// sampled from the texture (whose class is the leaf's).
    virtual void colorVertices(const float* positions, uint32_t count, const DataTypeTextureBase& texture,
                               DataTypeCameraParams& camera, uint8_t* colors) const = 0;

    const VornCommon::Guid _textureType;
    VornCommon::Guid _outputPurpose;
};

#define HYX_VERTEX_COLORS_FROM_TEXTURE_LEAF(Leaf)                                                                      \
    class HYX_API TransformVertexColorsFromTexture##Leaf : public TransformVertexColorsFromTexture {                   \
        HYX_GEOMETRY_FILTER_IDENTITY(TransformVertexColorsFromTexture##Leaf)                                           \
    protected:                                                                                                         \
        void colorVertices(const float* positions, uint32_t count, const DataTypeTextureBase& texture,                 \
                           DataTypeCameraParams& camera, uint8_t* colors) const override;                              \
    };

HYX_VERTEX_COLORS_FROM_TEXTURE_LEAF(RGB)
HYX_VERTEX_COLORS_FROM_TEXTURE_LEAF(BGR)
HYX_VERTEX_COLORS_FROM_TEXTURE_LEAF(YUV_NV12)
HYX_VERTEX_COLORS_FROM_TEXTURE_LEAF(YUV_NV21)
HYX_VERTEX_COLORS_FROM_TEXTURE_LEAF(YUV_NVX)
HYX_VERTEX_COLORS_FROM_TEXTURE_LEAF(HSL24)
HYX_VERTEX_COLORS_FROM_TEXTURE_LEAF(HSL30)

#undef HYX_VERTEX_COLORS_FROM_TEXTURE_LEAF

/// Vertex colours sampled from an RGB texture at each vertex's texture coordinate.
class HYX_API TransformVertexColorsFromUVs : public Transform {
    HYX_GEOMETRY_FILTER_IDENTITY(TransformVertexColorsFromUVs)
    /// Asks for (nil, VertexTextureUVs), (nil, TextureRGB).
    void Instantiate() override;

    /// Writes count colours (R, G, B) sampled at count (u, v) pairs: pixel
    /// (trunc((W-1)u), trunc((H-1)v)) clamped to the image, v = 0 the first stored row. An
    /// empty texture or one without pixels gives black.
    static void GetVertexColorsFromUVs(uint32_t count, uint8_t* colors, const float* uvs,
                                       std::shared_ptr<DataTypeTextureRGB> texture);

protected:
    /// (purpose of the coordinates, VertexColors).
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> input) override;
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;

    VornCommon::Guid _outputPurpose;
};

#undef HYX_GEOMETRY_FILTER_IDENTITY

HYX_API Filter* TransformDepthmapFromVertexPositionsFilterCreator();
HYX_API Filter* TransformVertexPositionsFromDepthMapFilterCreator();
HYX_API Filter* TransformVertexPositionsFromSupersampledDepthMapFilterCreator();
HYX_API Filter* TransformIndexUVsFilterCreator();
HYX_API Filter* TransformVertexTextureUVsColorFilterCreator();
HYX_API Filter* TransformVertexTextureUVsIrFilterCreator();
HYX_API Filter* TransformVertexColorsFromTextureRGBFilterCreator();
HYX_API Filter* TransformVertexColorsFromTextureBGRFilterCreator();
HYX_API Filter* TransformVertexColorsFromTextureYUV_NV12FilterCreator();
HYX_API Filter* TransformVertexColorsFromTextureYUV_NV21FilterCreator();
HYX_API Filter* TransformVertexColorsFromTextureYUV_NVXFilterCreator();
HYX_API Filter* TransformVertexColorsFromTextureHSL24FilterCreator();
HYX_API Filter* TransformVertexColorsFromTextureHSL30FilterCreator();
HYX_API Filter* TransformVertexColorsFromUVsFilterCreator();

} // namespace Hyx
