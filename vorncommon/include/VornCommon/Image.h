#pragma once

// Image: an RGBA picture, 8 bits per channel, 4 bytes per pixel, rows top to bottom without
// padding. A new image is all zero (transparent black).

#include <VornCommon/Export.h>

#include <cstdint>
#include <vector>

namespace VornCommon {

class VORN_API Image {
public:
    Image() = default;
    Image(uint32_t width, uint32_t height);

    uint32_t GetWidth() const noexcept { return m_width; }
    uint32_t GetHeight() const noexcept { return m_height; }
    /// Width x height x 4 bytes.
    uint8_t* GetData() noexcept { return m_pixels.data(); }
    const uint8_t* GetData() const noexcept { return m_pixels.data(); }
    uint64_t GetDataSize() const noexcept { return m_pixels.size(); }

private:
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    std::vector<uint8_t> m_pixels;
};

} // namespace VornCommon
