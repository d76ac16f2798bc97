#pragma once

// Helpers for the data-layer tests: payload bytes out of a layer, fresh layers loaded from
// exact-size payloads (so any over-read shows under AddressSanitizer), and a little-endian
// payload builder.

#include <Hyx/DataLayer.h>

#include <cstdint>
#include <cstring>
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

/// A new layer whose payload is exactly the bytes, stored as the given version; ok receives
/// whether the class accepted them.
template <class Layer>
std::shared_ptr<Layer> Loaded(const Bytes& bytes, uint16_t version, bool* ok = nullptr)
{
    auto layer = std::make_shared<Layer>();
    layer->InitializeHeader(VornCommon::Guid::Nil, version);
    // Drop the default payload's storage: the copy then gets exactly the payload's size, with
    // no slack for an over-read to hide in.
    if (auto buffer = layer->GetRawDataPtr())
        buffer->SetWithoutCopyAndTakeResponsibilityToDelete(nullptr, 0);
    Bytes copy = bytes;
    const bool accepted = layer->InitializeData(copy.empty() ? nullptr : copy.data(), uint32_t(copy.size()));
    if (ok)
        *ok = accepted;
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
