#pragma once

// Base of the compressed layer classes: a layer carrying the coded form of another
// ("plain") layer. It keeps what was coded and how: the plain layer's type GUID (also its
// compressed-type GUID, so data profiles tell what a compressed layer holds), the plain
// layer's payload version and the compression code. These three travel beside the payload
// in the compressed-blob record of the binary atom stream; the reader restores them with
// InitializeCompressionInfo before it hands over the payload. An atom puts every layer of
// this class or a subclass into a compressed-blob block.

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Hyx {

/// Compression codes shared by every compressed layer; codes from 128 up are private to
/// each compressed layer class.
enum class CompressionBaseTypes : uint8_t {
    NONE = 0,
    SNAPPY = 1,
    LZ4 = 2,
    ZLIB = 3,
    ZSTD = 4,
    DXT1RLE = 5,
    ETC2RLE = 6,
    ASTCRLE = 7,
};

class HYX_API DataTypeCompressedBlob : public DataLayer {
public:
    /// Class and payload version := version; nil source type, version 0, code 0.
    explicit DataTypeCompressedBlob(uint16_t version = 0);
    ~DataTypeCompressedBlob() override;

    /// Sets the plain layer's type GUID and payload version and the compression code.
    void InitializeCompressionInfo(const VornCommon::Guid& uncompressedType, uint16_t version, uint8_t compressionType);

    /// The plain layer's type GUID.
    VornCommon::Guid GetCompressedBlobTypeGuid() const override { return _uncompressedTypeGuid; }
    /// The plain layer's payload version.
    uint16_t GetCompressedBlobVersion() const { return _compressedBlobVersion; }
    /// The compression code.
    uint8_t GetCompressionType() const { return _compressionType; }

    /// The layer text, then ", CompressedVersion=" and ", Compression=" with the code's name.
    std::string ToString(bool friendly) const override;

    /// Fills this layer from the plain source with the code. False, with nothing changed,
    /// when the source is not of the class this one codes (always here: a stand-in codes
    /// nothing); codes the class does not support throw std::exception.
    virtual bool compress(std::shared_ptr<DataLayer> source, uint8_t compressionType);
    /// The code the compressors use when none is configured; 0 here.
    virtual uint8_t GetRecommendedCompression(std::shared_ptr<DataLayer> source);
    /// A new plain layer decoded from this one (its purpose, the stored payload version);
    /// empty here. Malformed coded data throws std::exception.
    virtual std::shared_ptr<DataLayer> decompress();

protected:
    /// For compress: the source's type GUID and payload version become the stored ones.
    void compressBase(const DataLayer& source);
    /// The name of the stored code: "none", "snappy", "lz4", "zlib", "zstd"; "" otherwise.
    /// Each concrete class names its own codes.
    virtual std::string GetCompressionTypeAsString() const;
    /// Adds "Compressed Version" and "Compression".
    void onUpdateStatusProperties() override;

    VornCommon::Guid _uncompressedTypeGuid;
    uint16_t _compressedBlobVersion = 0;
    uint8_t _compressionType = 0;
};

} // namespace Hyx
