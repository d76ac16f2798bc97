#pragma once

// The compressed layer classes: vertex texture coordinates, indices, normals and positions,
// and textures. Each codes one plain class (textures: any texture of a supported format)
// and is turned back into it by decompress.
//
// Payloads, little-endian, packed:
//   UVs, indices   u32 count, then the coded bytes (all the rest), version 0
//   normals        u32 count, then count x bytes-per-normal, version 0
//   positions      f32 box[6] as the plain layer had it, u32 count @24, packed points @28, version 0
//   texture        u16 width, height, internal width, internal height, u8 format, u8 depth,
//                  then the coded bytes (version 2; versions 0 and 1 lack the depth byte)
//
// Contract:
// - Codes: UVs 0 raw (8n), 1-3 Blosc of 8n, 128 16-bit (4n), 129 12-bit (3n); indices 0 raw
//   (4n), 1-3 Blosc of 4n, 128 24-bit (3n), 129 16-bit (2n); normals 0 raw, 2 OCT_16, 4
//   OCT_32; positions 0 raw, 1 QSPACE-16/16/16, 2 QSPACE-11/11/10 inside the box widened by
//   0.001 on every side. Textures: YUV 1-3 or 128 (one gray JPEG of the stored size), IR,
//   depth maps and 16-bit IR 1-3, BGR 1-3 or 129, RGB 1-3 or 130, DXT1 5, ETC2 6, ASTC 7
//   (block run-length coding). Other codes throw the class's message, other texture formats
//   "Texture format not supported.".
// - UVs code 128 (16 bits; the recommended code, so the automatic compressor's) clamps every
//   value into 0 to 1 without a word: a value below 0 decodes as 0, one above 1 as 1 (NaN as
//   0), so coordinates that tile past 0 to 1 come back clamped. Code 129 (12 bits) refuses a
//   value outside 0 to 1 (NaN included) with std::out_of_range before the layer changes.
//   Codes 0 to 3 keep the floats as they are.
// - Positions codes 1 and 2 quantise against the plain layer's stored box widened by 0.001
//   on every side: with points, a box that is not finite, an extent (maximum minus minimum)
//   that overflows a float, or a point outside the widened box (NaN included) throws
//   std::out_of_range, "vertex positions lie outside their bounding box or are not finite",
//   before the layer changes; compute the box first
//   (CalculateBoundingBoxFromVertexPositions). Decoded points lie inside the widened box of
//   the stored box they carry, so a decoded layer compresses again under the same code;
//   decoding that gives the first decode's points within one step plus two float spacings
//   per axis, not always the same. A step is the widened extent / 2^16 (or / 2^11, 2^11,
//   2^10); a float spacing is the gap between adjacent floats at the largest magnitude of the
//   widened box's bounds and extent. Coding truncates, and the float sum of a decoded point
//   may fall up to a spacing below its step: where the spacing is close to a step (a box far
//   from the origin for its extent, such as [5000, 5001.5] under code 2) a point moves more
//   than one step. Code 0 stores any floats as they are.
// - Loading a payload never throws. The vertex layers refuse (InitializeData false) a payload
//   of another version or shorter than its header (4 bytes, positions 28); normals and
//   positions also refuse an unknown stored code; the texture refuses a payload of a version
//   past 2 and loads one shorter than its header (9 bytes, 10 from version 2) with the fields
//   it lacks read as 0. decompress (all five classes) refuses a layer whose last load was
//   refused, also one that held valid data before it, one that never loaded a payload, and a
//   texture whose payload was shorter than its header, whatever type its fields name:
//   normals and positions under an unknown code with the class's message, all else with
//   std::runtime_error "compressed data does not have the expected size". Coded
//   bytes that do not match the stored count load; decompress judges them as below.
// - decompress decodes under the code and count the layer holds when it is called, also when
//   the code was changed after the load (InitializeCompressionInfo), and reads only bytes of
//   the payload as it is then, checked before any is read. Normals and positions need count
//   x bytes per element of that code after their header and decode a payload holding more
//   (the rest is ignored); texture coordinates and indices need exactly that many under codes
//   0, 128 and 129, and under 1-3 a Blosc stream of all the coded bytes whose header states
//   the plain size (else Blosc's texts). A payload that does not hold what the code and count
//   need throws "compressed data does not have the expected size", an unknown code the
//   class's message. The texture's decoders read only its coded bytes (Blosc header,
//   run-length tokens, JPEG stream): under a changed code the decoder refuses them, or a code
//   the format is not coded with throws "compression type is not supported!". When the
//   payload is resized or replaced after the load without a new one (AllocateData,
//   GetRawDataPtr), bytes of the load that no longer lie in it are not read: decompress (all
//   five classes) throws the size text, and positions show a box of zeros in their text and
//   status; InitializeData reads the payload again.
// - A count of 0 under an unknown stored code: texture coordinates and indices load it and
//   decode it to an empty plain layer (with nothing to decode the code is not checked, as
//   compress does not check it for an empty source); normals and positions refuse the load,
//   and decompress throws the class's message.
// - decompress checks every size it is given against the counts and dimensions stored
//   beside it (Blosc plain size, JPEG dimensions, run-length fill, fixed-rate byte counts)
//   and throws std::exception on any mismatch; it never reads outside the payload.
// - The types decompress throws:
//   - std::invalid_argument for a code its class does not know (the class's message;
//     "compression type is not supported!" from a texture, for a code its format is not
//     coded with), for a stored texture format that has no coding ("Texture format not
//     supported.", as compress says it) and for a texture depth it does not know ("Texture
//     depth not supported!");
//   - std::runtime_error for bytes that do not hold what the code and count need: the size
//     text (also for a layer with nothing loaded, above), "compressed data missing" (no coded
//     bytes at all under a Blosc code, or for a texture of some size) and the codecs' own
//     texts (Blosc's, the JPEG decoder's "jpeg-turbo error: ...", the run-length decoder's);
//   - std::runtime_error for stored fields it cannot decode into: "compressed layer names a
//     type it cannot decode into" (the stored type is no class this one decodes into) and
//     "compressed texture format differs from its class" (the stored format byte is not the
//     stored texture type's format);
//   - std::bad_alloc when memory runs out.
// - Coding takes the calling thread's codec instances on every call, so a layer shared by
//   atoms on two threads never shares a codec. A layer itself is used by one thread at a
//   time.

#include <Hyx/DataTypeCompressedBlob.h>
#include <Hyx/Export.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Hyx {

class DataTypeTextureBase;

/// Codes private to the compressed texture.
enum class CompressionTextureTypes : uint8_t {
    JPG_8BIT = 128,
    JPG_BGR = 129,
    JPG_RGB = 130,
};

/// Names of the shared codes.
struct HYX_API CompressionBase {
    /// "NONE" .. "ASTCRLE" for codes 0-7; "" otherwise.
    static std::string GetAsString(uint8_t code);
};

/// Names of the texture codes.
struct HYX_API CompressionTexture {
    /// Codes below 128 as CompressionBase; 128-130 "8BIT-JPG-85%", "BGR-JPG-85%", "RGB-JPG-85%".
    static std::string GetAsString(uint8_t code);
    /// True for 128, 129 and 130.
    static bool IsJpegCompressed(uint8_t code);
};

/// The identity every compressed class declares.
#define HYX_COMPRESSED_CLASS_IDENTITY(ClassName)                                                                       \
public:                                                                                                                \
    ClassName();                                                                                                       \
    ~ClassName() override;                                                                                             \
    static VornCommon::Guid TheTypeGuid();                                                                             \
    static ::Hyx::DataLayerClassInfo TheDataLayerClassInfo();                                                          \
    VornCommon::Guid TypeGuid() const override;                                                                        \
    ::Hyx::DataLayerClassInfo GetDataLayerClassInfo() const override;                                                  \
    bool compress(std::shared_ptr<DataLayer> source, uint8_t compressionType) override;                                \
    uint8_t GetRecommendedCompression(std::shared_ptr<DataLayer> source) override;                                     \
    std::shared_ptr<DataLayer> decompress() override;                                                                  \
                                                                                                                       \
protected:                                                                                                             \
    std::string GetCompressionTypeAsString() const override;                                                           \
    void onUpdateStatusProperties() override;                                                                          \
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

/// Coded vertex texture coordinates.
class HYX_API DataTypeCompressedVertexTextureUVs : public DataTypeCompressedBlob {
    HYX_COMPRESSED_CLASS_IDENTITY(DataTypeCompressedVertexTextureUVs)
public:
    uint32_t GetNumUVs() const { return _count; }

private:
    uint32_t _count = 0;
    uint32_t _codedSize = 0;
    uint8_t* _coded = nullptr;
    bool _loaded = false; // the last payload read was accepted
};

/// Coded triangle indices.
class HYX_API DataTypeCompressedVertexIndices : public DataTypeCompressedBlob {
    HYX_COMPRESSED_CLASS_IDENTITY(DataTypeCompressedVertexIndices)
public:
    uint32_t GetNumIndices() const { return _count; }
    /// The base text, then ", NumVertexIndices=<count>".
    std::string ToString(bool friendly) const override;

private:
    uint32_t _count = 0;
    uint32_t _codedSize = 0;
    uint8_t* _coded = nullptr;
    bool _loaded = false; // the last payload read was accepted
};

/// Coded vertex normals.
class HYX_API DataTypeCompressedVertexNormals : public DataTypeCompressedBlob {
    HYX_COMPRESSED_CLASS_IDENTITY(DataTypeCompressedVertexNormals)
public:
    uint32_t GetNumNormals() const { return _count; }
    /// The base text, then ", NumNormals=<count>".
    std::string ToString(bool friendly) const override;

private:
    uint32_t _count = 0;
    uint32_t _codedSize = 0; // all the payload after the count
    uint8_t* _coded = nullptr;
    bool _loaded = false; // the last payload read was accepted
};

/// Coded vertex positions with the plain layer's bounding box.
class HYX_API DataTypeCompressedVertexPositions : public DataTypeCompressedBlob {
    HYX_COMPRESSED_CLASS_IDENTITY(DataTypeCompressedVertexPositions)
public:
    uint32_t GetNumVertices() const { return _count; }
    /// The base text, then ", NumVertices=<count>, BoundingBox=<6 floats>".
    std::string ToString(bool friendly) const override;

private:
    uint32_t _count = 0;
    uint32_t _codedSize = 0; // all the payload after the box and the count
    uint8_t* _box = nullptr;
    uint8_t* _coded = nullptr;
};

/// A coded texture layer.
class HYX_API DataTypeCompressedTexture : public DataTypeCompressedBlob {
    HYX_COMPRESSED_CLASS_IDENTITY(DataTypeCompressedTexture)
public:
    uint16_t GetCompressedTextureWidth() const { return _width; }
    uint16_t GetCompressedTextureHeight() const { return _height; }
    uint32_t GetCompressedSizeInBytes() const { return _codedSize; }
    /// The base text; for IR ", Depth=16 Bit" or "8 Bit"; then width, height and the
    /// internal width and height.
    std::string ToString(bool friendly) const override;

    /// JPEG coding on the calling thread's codec; the bytes belong to that codec until its
    /// next use. Null and size 0 on failure.
    static uint8_t* CompressJpegRGB(uint8_t* pixels, uint16_t width, uint16_t height, int quality, uint32_t& size);
    static uint8_t* CompressJpegBGR(uint8_t* pixels, uint16_t width, uint16_t height, int quality, uint32_t& size);
    static uint8_t* CompressJpegGray(uint8_t* pixels, uint16_t width, uint16_t height, int quality, uint32_t& size);
    /// JPEG decoding into width x height pixels; throws on a damaged stream or other size.
    static void DecompressJpegRGB(uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height, uint8_t* out);
    static void DecompressJpegBGR(uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height, uint8_t* out);
    static void DecompressJpegGray(uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height, uint8_t* out);

private:
    /// compressBase, the code and a version-2 header before codedSize bytes.
    DataWriter writeHeader(const DataTypeTextureBase& texture, uint8_t code, uint32_t codedSize);
    /// The block run-length path, coded straight into the payload.
    bool compressBlocks(const DataTypeTextureBase& texture, const uint8_t* pattern, uint32_t blockSize, uint8_t code);

    uint8_t* _coded = nullptr;
    uint16_t _width = 0;
    uint16_t _height = 0;
    uint16_t _internalWidth = 0;
    uint16_t _internalHeight = 0;
    uint8_t _format = 0;
    uint8_t _depth = 1;
    uint32_t _codedSize = 0;
    bool _loaded = false; // the last payload read was accepted and held its whole header
};

/// New layers, owned by the caller.
HYX_API DataLayer* DataTypeCompressedVertexTextureUVsDataLayerCreator();
HYX_API DataLayer* DataTypeCompressedVertexIndicesDataLayerCreator();
HYX_API DataLayer* DataTypeCompressedVertexNormalsDataLayerCreator();
HYX_API DataLayer* DataTypeCompressedVertexPositionsDataLayerCreator();
HYX_API DataLayer* DataTypeCompressedTextureDataLayerCreator();

} // namespace Hyx
