#pragma once

// Helpers for the data-layer tests: payload bytes out of a layer, fresh layers loaded from
// exact-size payloads (so any over-read shows under AddressSanitizer), a little-endian
// payload builder.

#include <Hyx/DataLayer.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace HyxTest {

using Bytes = std::vector<uint8_t>;

/// The bytes the layer serialises.
inline Bytes PayloadOf(Hyx::DataLayer& layer)
{
    uint32_t size = 0;
    const uint8_t* data = layer.Serialize(size);
    return data ? Bytes(data, data + size) : Bytes();
}

/// Loads the bytes, stored as the given version, into a payload of exactly their size;
/// true when the class accepted them.
inline bool LoadExact(Hyx::DataLayer& layer, Bytes bytes, uint16_t version)
{
    layer.InitializeHeader(VornCommon::Guid::Nil, version);
    if (auto buffer = layer.GetRawDataPtr())
        buffer->SetWithoutCopyAndTakeResponsibilityToDelete(nullptr, 0); // no slack to hide in
    return layer.InitializeData(bytes.empty() ? nullptr : bytes.data(), uint32_t(bytes.size()));
}

/// A new layer loaded with LoadExact.
template <class Layer>
std::shared_ptr<Layer> Loaded(const Bytes& bytes, uint16_t version)
{
    auto layer = std::make_shared<Layer>();
    LoadExact(*layer, bytes, version);
    return layer;
}

/// True when text ends with suffix.
inline bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

/// Builds little-endian payloads.
struct PayloadBuilder {
    Bytes bytes;

    template <class V>
    PayloadBuilder& put(V value)
    {
        const auto* p = reinterpret_cast<const uint8_t*>(&value);
        bytes.insert(bytes.end(), p, p + sizeof value);
        return *this;
    }
    PayloadBuilder& u16(uint16_t v) { return put(v); }
    PayloadBuilder& u32(uint32_t v) { return put(v); }
    PayloadBuilder& f32(float v) { return put(v); }
    /// The text and its NUL.
    PayloadBuilder& text(const std::string& s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
        return *this;
    }
    PayloadBuilder& raw(const Bytes& b)
    {
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
};

} // namespace HyxTest
