#include "io/BlobBody.h"

#include "core/LogLevelEnabled.h"
#include "impl/core/datalayers/DataLayerClassRegistry.h"
#include "io/BlockRecordLayout.h"

#include <Hyx/DataLayer.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataTypeCompressedBlob.h>
#include <Hyx/HYXFormatVersion.h>

#include <cstring>
#include <vector>

namespace Hyx {

namespace Layout = BlockRecordLayout;

namespace {

template <class T>
T load(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Straight into the storage the layer offers, then parsed in place. True when accepted.
bool loadPayload(DataLayer& layer, const uint8_t* payload, uint32_t n)
{
    uint8_t* storage = layer.AllocateData(n);
    if (storage == nullptr && n != 0) {
        std::vector<uint8_t> scratch(payload, payload + n);
        return layer.InitializeData(scratch.data(), n);
    }
    if (n != 0)
        std::memcpy(storage, payload, n);
    return layer.InitializeData(storage, n);
}

} // namespace

bool BlobBody::ReadHead(const uint8_t* body, uint32_t headBytes, uint32_t bodySize, std::optional<DataType> kind,
                        bool log)
{
    constexpr uint32_t kMinBody = HYX_BLOB_HEADER_SIZE + 4;
    if (bodySize < kMinBody || headBytes < kMinBody)
        return false; // the caller has checked the body against kMinBody
    _purpose = VornCommon::Guid::FromRawBytes(body + Layout::kPurpose);
    _type = VornCommon::Guid::FromRawBytes(body + Layout::kType);
    _version = load<uint16_t>(body + Layout::kVersion);
    uint32_t off = Layout::kCompressionFields;

    _layer = DataLayerFactory::CreateSharedDataLayer(_type, _purpose, _version);
    auto* compressed = dynamic_cast<DataTypeCompressedBlob*>(_layer.get());
    _hasFields = compressed != nullptr || kind == DataType::CompressedBlob;
    if (_hasFields && !compressed)
        _layer.reset(); // a compressed-blob block needs a compressed layer to keep its fields

    if (_hasFields) {
        if (bodySize - off < HYX_BLOB_COMPRESSION_FIELDS_SIZE + 4) {
            if (log)
                LogLine(VornCommon::LogLevel::Error, "Invalid blob body: %u bytes cannot hold the compression fields",
                        static_cast<unsigned>(bodySize));
            return false;
        }
        if (headBytes - off < HYX_BLOB_COMPRESSION_FIELDS_SIZE + 4)
            return false;
        _sourceType = VornCommon::Guid::FromRawBytes(body + off + Layout::kSourceType);
        _sourceVersion = load<uint16_t>(body + off + Layout::kSourceVersion);
        _compressionType = body[off + Layout::kCompressionType];
        off += HYX_BLOB_COMPRESSION_FIELDS_SIZE;
    }
    _payloadSize = load<uint32_t>(body + off);
    _payloadOffset = off + 4;
    if (_payloadSize > bodySize - _payloadOffset) {
        if (log)
            LogLine(VornCommon::LogLevel::Error,
                    "Invalid blob body: payload of %u bytes with %u bytes left in its block",
                    static_cast<unsigned>(_payloadSize), static_cast<unsigned>(bodySize - _payloadOffset));
        return false;
    }

    if (!_layer)
        _layer = MakePlaceholder();
    else if (compressed)
        compressed->InitializeCompressionInfo(_sourceType, _sourceVersion, _compressionType);
    return true;
}

std::shared_ptr<DataLayer> BlobBody::MakePlaceholder() const
{
    std::shared_ptr<DataLayer> layer;
    if (_hasFields) {
        auto compressed = std::make_shared<DataLayerCompressedPlaceholder>(_type);
        compressed->InitializeCompressionInfo(_sourceType, _sourceVersion, _compressionType);
        layer = std::move(compressed);
    } else {
        layer = std::make_shared<DataLayerPlaceholder>(_type);
    }
    layer->InitializeHeader(_purpose, _version);
    return layer;
}

std::shared_ptr<DataLayer> BlobBody::LoadCopy(const uint8_t* payload)
{
    if (!loadPayload(*_layer, payload, _payloadSize)) {
        // The class refused the payload: keep it unread so the block can be written again.
        _layer = MakePlaceholder();
        loadPayload(*_layer, payload, _payloadSize);
    }
    return std::move(_layer);
}

std::shared_ptr<DataLayer> BlobBody::LoadOwned(std::unique_ptr<uint8_t[]> block, uint32_t payloadAt)
{
    // The buffer becomes the layer's payload storage, which loading then finds in place.
    std::shared_ptr<FlatMemoryUInt8> storage = _layer->GetRawDataPtr();
    if (!storage) { // the layer dropped its storage
        _layer->AllocateData(0);
        storage = _layer->GetRawDataPtr();
    }
    if (!storage)
        return LoadCopy(block.get() + payloadAt);
    storage->SetWithoutCopyAndTakeResponsibilityToDelete(block.release(), payloadAt, _payloadSize);
    if (!_layer->InitializeData(storage->data(), _payloadSize))
        return {};
    return std::move(_layer);
}

} // namespace Hyx
