#pragma once

// Quick questions about a container file, for file browsers and asset lists:
// HYX2FileFastReader answers from the lookup table alone and reads single blocks on demand;
// HYX2FileRenderInfo looks once at the first frame of the first stream, records which kinds
// of content the file holds and its frame rate, decodes that frame's compressed layers on
// request and renders a thumbnail of the file.
//
// Contract:
// - The first stream is the first of the table's stream list. Table queries answer false,
//   0 or empty when the file cannot be opened or initialised; a failed initialisation is
//   not cached, so the next query tries again.
// - Layers read by the fast reader are built from their block alone: a compressed layer
//   comes back compressed.
// - The logic errors of the record walk (see HYX2Reader.h: "Unknown Atom Type.", frames
//   out of order) reach the caller of the query or constructor that first initialises,
//   the HYX2FileRenderInfo constructors included, and so does the stream reader's error
//   for an unknown block kind when the first frame is read. Hosts opening files they did
//   not write catch std::logic_error around them; RenderThumbnail catches them itself.
// - Render information is fixed at construction: nine content flags from the type GUIDs of
//   the first atom's layers (compressed textures count as textures whatever they hold), and
//   the frame rate of that atom's last stream-information layer (-1 without one).
// - GetFirstAtomDecompressed shares the first atom's blocks, appends the decoded form of
//   each compressed positions, normals, UV, index and texture layer (in their order) and
//   drops the compressed one. A layer that does not decode is logged at level 2 and stays
//   compressed; nothing empty is ever appended. The result is made once.
// - RenderThumbnail never throws and never writes outside width x height pixels: the
//   buffer is opaque black unless a picture is made, which is then fitted with its aspect
//   kept, centred, and sampled bilinearly with neighbours clamped to the picture.
// - One thread at a time per object; nothing is locked.

#include <Hyx/Export.h>
#include <Hyx/HYX2Reader.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace VornCommon {
class Image;
}

namespace Hyx {

class Atom;
class AtomInfo;
class DataLayer;
class StreamFrames;

/// A container file reader that answers from the lookup table.
class HYX_API HYX2FileFastReader : public ReadHYX2File {
public:
    /// Opens the file as ReadHYX2File does.
    explicit HYX2FileFastReader(const char* path);
    ~HYX2FileFastReader() override;

    /// The first stream of the table, cached once found; empty when the table has none or
    /// initialisation fails.
    std::shared_ptr<StreamFrames> GetFirstStream();
    using HYX2Reader::GetNumFrames;
    /// Number of frames of the first stream; 0 without one.
    uint32_t GetNumFrames();
    /// True when the first stream holds exactly one frame.
    bool IsSingleFrame();
    /// True when any layer of any frame of the first stream has this type GUID.
    bool GetFirstStreamHas(const VornCommon::Guid& type);
    /// True when any such layer has this purpose and this type (purpose first).
    bool GetFirstStreamHas(const VornCommon::Guid& purpose, const VornCommon::Guid& type);
    /// True when any such layer's type GUID is one of the list.
    bool GetFirstStreamHasOneGuidOf(const std::vector<VornCommon::Guid>& types);
    /// The first layer of that type of the indexed atom, read from the file; empty when the
    /// atom has none or it does not read.
    std::shared_ptr<DataLayer> GetLayer(const std::shared_ptr<AtomInfo>& atom, const VornCommon::Guid& type);
    /// The first layer of that type in the first stream (frames in order, layers in order).
    std::shared_ptr<DataLayer> GetFirstStreamLayer(const VornCommon::Guid& type);
    /// The same with purpose and type both matching (purpose first).
    std::shared_ptr<DataLayer> GetFirstStreamLayer(const VornCommon::Guid& purpose, const VornCommon::Guid& type);
    /// Whether the first stream carries binary attachments; searched once, then remembered.
    bool HasEmbeddedFiles();
    /// Timestamp of the first frame of the first stream; 0 without one.
    uint64_t GetTimeStamp();
    /// The file size found at open (0 when it did not open).
    uint64_t GetFileSize() const { return _sourceSize; }

private:
    /// The first layer entry of the first stream matching the predicate, with its atom.
    template <class Match>
    bool findFirst(const Match& match, std::shared_ptr<AtomInfo>* atom, size_t* layer);

    std::shared_ptr<StreamFrames> _firstStream;
    int _embeddedFiles = -1; // -1 not yet asked, else 0 or 1
};

/// What the first frame of a container holds, and its thumbnail.
class HYX_API HYX2FileRenderInfo {
public:
    /// Opens the file with a new fast reader.
    explicit HYX2FileRenderInfo(const char* path);
    /// Initialises the reader (an empty one stays invalid) and analyses its first frame.
    explicit HYX2FileRenderInfo(std::shared_ptr<HYX2FileFastReader> reader);
    virtual ~HYX2FileRenderInfo();

    /// Whether the reader initialised.
    bool IsValid() const;
    /// A 16-bit depth map.
    bool HasDepthMap() const { return _hasDepthMap; }
    /// An 8-bit or 16-bit infrared image.
    bool HasIR() const { return _hasIR; }
    /// An RGB, BGR, RGB30, YUV_NVX, DXT5YCOCG, DXT1, ETC2, ASTC or compressed texture.
    bool HasTexture() const { return _hasTexture; }
    /// Vertex positions, plain or compressed.
    bool HasPointCloud() const { return _hasPointCloud; }
    /// Vertex normals, plain or compressed.
    bool HasNormals() const { return _hasNormals; }
    /// Vertex colours.
    bool HasColors() const { return _hasColors; }
    /// Vertex texture coordinates, plain or compressed.
    bool HasUVs() const { return _hasUVs; }
    /// Triangle indices, plain or compressed.
    bool HasIndices() const { return _hasIndices; }
    /// PCM audio samples.
    bool HasAudio() const { return _hasAudio; }
    /// Frame rate of the first frame's last stream information; -1 without one.
    float GetFPS() const { return _fps; }
    /// The reader (empty when constructed with none).
    std::shared_ptr<HYX2FileFastReader> GetReader() const { return _reader; }

    /// The first frame with its compressed layers decoded (see the contract); empty when
    /// the file has no frame. Made once, then the same atom.
    std::shared_ptr<Atom> GetFirstAtomDecompressed();
    /// Texture, depth map or point cloud.
    bool CanRenderThumbnail() const { return _hasTexture || _hasDepthMap || _hasPointCloud; }

    /// Fills width x height RGBA pixels (R, G, B, A bytes, rows top to bottom) with the
    /// thumbnail of the first frame of every stream; imagesOnly skips point clouds.
    void RenderThumbnail(uint8_t* rgba, uint32_t width, uint32_t height, bool imagesOnly);
    /// The same into the image's pixels at its size; a null image does nothing.
    void RenderThumbnail(VornCommon::Image* image, bool imagesOnly);

private:
    void analyseFirstAtom();
    std::shared_ptr<Atom> firstAtom();
    void renderThumbnail(uint8_t* rgba, uint32_t width, uint32_t height, bool imagesOnly);

    std::shared_ptr<HYX2FileFastReader> _reader;
    bool _hasDepthMap = false;
    bool _hasIR = false;
    bool _hasTexture = false;
    bool _hasPointCloud = false;
    bool _hasNormals = false;
    bool _hasColors = false;
    bool _hasUVs = false;
    bool _hasIndices = false;
    bool _hasAudio = false;
    float _fps = -1.0f;
    std::shared_ptr<Atom> _decompressed;
};

} // namespace Hyx
