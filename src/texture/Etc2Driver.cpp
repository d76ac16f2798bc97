// ETC2 through our encoder: colour clamped to 254, channels in R, G, B order.

#include "texture/Etc2Codec.h"
#include "texture/RGBDXT5Convertor.h"

namespace Hyx {

template <int Red>
void RGBDXT5Convertor::encodeEtc2(const uint8_t* pixels, uint32_t width, uint32_t height)
{
    _width = width;
    _height = height;
    const size_t count = size_t(width) * height;
    std::vector<uint8_t> rgb(count * 3);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = pixels + 3 * i;
        uint8_t* q = rgb.data() + 3 * i;
        ClampColour254<Red>(p, q);
    }
    _output.assign(count / 2, 0);
    Etc2Codec::Encode(rgb.data(), width, height, _output.data());
}

void RGBDXT5Convertor::EncodeETC2FromRGB(const uint8_t* pixels, uint32_t width, uint32_t height)
{
    encodeEtc2<0>(pixels, width, height);
}

void RGBDXT5Convertor::EncodeETC2FromBGR(const uint8_t* pixels, uint32_t width, uint32_t height)
{
    encodeEtc2<2>(pixels, width, height);
}

} // namespace Hyx
