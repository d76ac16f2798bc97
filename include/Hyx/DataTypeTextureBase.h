#pragma once

// Base of every texture layer, and the intermediate bases that share a preview renderer.
//
// Contract:
// - Payload, version 0: u16 width, u16 height, then the pixel block (rows top to bottom, no
//   row padding, ComputeTextureSizeInBytes bytes), then any additional bytes a writer
//   allocated. IR textures add a depth byte after the height in their version 1.
// - The pixel pointer points into the layer's own payload; it is null when the payload
//   holds no complete pixel block (short payload, empty image, or a run-length format,
//   whose size does not follow from the dimensions). Any setter invalidates it.
// - Loading never throws: missing header fields read as 0 and a short block gives a null
//   pixel pointer. Only an unknown payload version is refused, which leaves the texture
//   empty.
// - The writers (SetTexture, AllocateTexture*) replace the whole payload in the class
//   version; for a run-length format they throw std::runtime_error "Texture format not
//   supported." and for a payload past 4 GiB std::length_error, leaving the layer as it
//   was. SetTexture may be given pixels inside the layer's own payload.
// - Accessors return 0 outside the image and on an empty texture; previews write only
//   inside the width x height reported by CanRenderTo2dRgbaBuffer, which answers false
//   for an empty texture and for classes without a renderer.
// - Not synchronised (one thread at a time), except the status list (DataLayer's lock).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>
#include <Hyx/TextureFormat.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <string>

namespace Hyx {

class HYX_API DataTypeTextureBase : public DataLayer {
public:
    ~DataTypeTextureBase() override;

    /// The layer text, then ", Width=<w>, Height=<h>, Format=<display name>".
    std::string ToString(bool friendly) const override;
    /// The stored width and height (YUV: luma and chroma rows); false when the class has no
    /// renderer or the texture holds no pixels.
    bool CanRenderTo2dRgbaBuffer(int& width, int& height) override;

    /// The class's pixel format.
    virtual TextureFormat GetTextureFormat() const = 0;
    /// The stored width.
    virtual uint16_t GetWidth() const;
    /// The image height (YUV classes: the luma rows only).
    virtual uint16_t GetHeight() const;
    /// The sample depth (meaningful for IR only).
    virtual TextureDepth GetDepth() const;
    /// Sets the depth used by the next size computation and write; the payload is not
    /// touched, and the pixel pointer is null while the payload is too short for the block
    /// of that depth. std::invalid_argument "Texture depth not supported!" for other values.
    virtual void SetDepth(TextureDepth depth);
    /// Replaces the payload by a width x height image copied from pixels (which may lie in
    /// this layer's payload); null pixels allocate without copying.
    virtual void SetTexture(uint16_t width, uint16_t height, const uint8_t* pixels);
    /// Replaces the payload by a width x height image with undefined pixels; returns the
    /// pixel pointer for the caller to fill (null for an empty image).
    virtual uint8_t* AllocateTexture(uint16_t width, uint16_t height);
    /// As AllocateTexture, with additional bytes after the pixel block for the writer's use.
    virtual uint8_t* AllocateTextureWithAdditionalBytes(uint16_t width, uint16_t height, uint32_t additional);
    /// The pixel as R | G << 8 | B << 16; 0 here and outside the image.
    virtual uint32_t GetPixelAsRGB24BitValue(int x, int y) const;
    /// The pixel as 10-bit R | G << 10 | B << 20; 0 here and outside the image.
    virtual uint32_t GetPixelAsRGB30BitValue(int x, int y) const;
    /// The pixel as Y | U << 8 | V << 16; 0 here and outside the image.
    virtual uint32_t GetPixelAsYUV24BitValue(int x, int y) const;

    /// 4 for every class. IR version 1 payloads have 5 header bytes: use GetPixelOffset.
    uint32_t GetHeaderSize() const { return 4; }
    /// Offset of the pixel block in the payload as loaded (4, or 5 for IR version 1).
    uint32_t GetPixelOffset() const { return _pixelOffset; }
    /// Byte size of the pixel block for the stored dimensions, format and depth; 0 for the
    /// run-length formats.
    uint32_t GetTextureSizeInBytes() const;
    /// The stored width.
    uint16_t GetInternalWidth() const { return _width; }
    /// The stored height (YUV: luma and chroma rows).
    uint16_t GetInternalHeight() const { return _height; }
    /// The pixel pointer (null when the payload holds no complete block).
    uint8_t* GetDataPtr() const { return _pixels; }

protected:
    explicit DataTypeTextureBase(uint16_t classVersion);

    /// "Format", "Size", "Width", "Height", "Internal width", "Internal height", "Size".
    void onUpdateStatusProperties() override;
    /// Version 0 only.
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

    /// Empties the view (no dimensions, no pixels), as a refused payload leaves it.
    void clearTexture();
    /// Reads width and height at offset 0 and sets the pixel pointer at pixelOffset when the
    /// block fits; never fails.
    void loadTexture(uint8_t* data, uint32_t size, uint32_t pixelOffset);
    /// Sets the pixel pointer at the pixel offset of data when the block of the current
    /// dimensions, format and depth fits size bytes, else null.
    void locatePixels(uint8_t* data, uint32_t size);
    /// The write path of SetTexture and AllocateTexture*: header of headerSize bytes (the
    /// depth byte follows the height when it is 5), then the block and additional bytes;
    /// pixels (may be null) are copied into the block. Returns the pixel pointer.
    uint8_t* writeTexture(uint16_t width, uint16_t height, uint32_t additional, const uint8_t* pixels,
                          uint32_t headerSize);

    uint16_t _width = 0;
    uint16_t _height = 0;
    uint8_t* _pixels = nullptr;
    TextureDepth _depth = TextureDepth::Depth8Bit;
    uint32_t _pixelOffset = 4;
};

/// One byte per stored pixel; previews as grey.
class HYX_API DataTypeTexture8Bit : public DataTypeTextureBase {
public:
    /// The pixel bytes.
    uint8_t* GetTextureData() const { return _pixels; }
    /// Grey from each stored byte over the stored width x height; pixels past the pixel
    /// block (DXT1 holds half a byte per pixel) are opaque black.
    void RenderTo2dRgbaBuffer(uint8_t* rgba) override;

protected:
    using DataTypeTextureBase::DataTypeTextureBase;
};

/// Two bytes (little-endian) per pixel; previews as grey from each sample's high byte.
class HYX_API DataTypeTexture16Bit : public DataTypeTextureBase {
public:
    /// The samples; the pointer may be unaligned when the payload is borrowed.
    uint16_t* GetTextureData() const { return reinterpret_cast<uint16_t*>(_pixels); }
    void RenderTo2dRgbaBuffer(uint8_t* rgba) override;

protected:
    using DataTypeTextureBase::DataTypeTextureBase;
};

/// Three bytes per pixel; previews the bytes in stored order as R, G, B.
class HYX_API DataTypeTexture24Bit : public DataTypeTextureBase {
public:
    /// The pixel bytes.
    uint8_t* GetTextureData() const { return _pixels; }
    void RenderTo2dRgbaBuffer(uint8_t* rgba) override;

protected:
    using DataTypeTextureBase::DataTypeTextureBase;
    /// The image file at path decoded into a new payload (RGB, or BGR when bgr), adopted only
    /// when the decode succeeds; false leaves the layer as it was.
    HYX_INTERNAL bool loadImageFile(const char* path, bool bgr);
};

} // namespace Hyx

/// The identity members every concrete texture class declares: default constructor (empty
/// texture), static type GUID and class info with their virtual accessors, and the format.
#define HYX_TEXTURE_CLASS_IDENTITY(ClassName, Format)                                                                  \
public:                                                                                                                \
    /** An empty texture. */                                                                                           \
    ClassName();                                                                                                       \
    ~ClassName() override;                                                                                             \
    /** The type GUID of the class. */                                                                                 \
    static VornCommon::Guid TheTypeGuid();                                                                             \
    /** The class name and its readable name (without "DataType"). */                                                  \
    static ::Hyx::DataLayerClassInfo TheDataLayerClassInfo();                                                          \
    VornCommon::Guid TypeGuid() const override;                                                                        \
    ::Hyx::DataLayerClassInfo GetDataLayerClassInfo() const override;                                                  \
    ::Hyx::TextureFormat GetTextureFormat() const override                                                             \
    {                                                                                                                  \
        return ::Hyx::TextureFormat::Format;                                                                           \
    }
