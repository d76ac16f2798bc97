#include "io/thumbnail/PictureKernels.h"

#include <algorithm>
#include <cmath>

namespace Hyx::ThumbnailKernels {

namespace {

// trunc(value) within 0..limit.
uint32_t truncWithin(float value, uint32_t limit)
{
    return static_cast<uint32_t>(std::clamp(std::trunc(value), 0.0f, float(limit)));
}

} // namespace

void FitPicture(const uint8_t* picture, uint32_t pictureWidth, uint32_t pictureHeight, uint8_t* rgba, uint32_t width,
                uint32_t height)
{
    if (!picture || !rgba || pictureWidth == 0 || pictureHeight == 0 || width == 0 || height == 0)
        return;
    const float fx = float(pictureWidth) / float(width);
    const float fy = float(pictureHeight) / float(height);
    float s = fy;
    uint32_t rows = height, columns = width, top = 0, left = 0;
    if (fx > fy) {
        s = fx;
        rows = truncWithin(float(pictureHeight) / fx, height);
        top = (height - rows) / 2;
    } else {
        columns = truncWithin(float(pictureWidth) / fy, width);
        left = (width - columns) / 2;
    }
    // Neighbours past the last row or column are the last one itself, so a picture scaled
    // up is drawn to its edges instead of reading the next row's first pixel.
    const uint32_t lastColumn = pictureWidth - 1, lastRow = pictureHeight - 1;
    for (uint32_t r = 0; r < rows; ++r) {
        const float v = float(r) * s;
        const float jf = std::trunc(v);
        const float b = v - jf;
        const uint32_t j = std::min(uint32_t(jf), lastRow);
        const uint8_t* row0 = picture + size_t(j) * pictureWidth * 4;
        const uint8_t* row1 = picture + size_t(std::min(j + 1, lastRow)) * pictureWidth * 4;
        uint8_t* out = rgba + (size_t(top + r) * width + left) * 4;
        for (uint32_t c = 0; c < columns; ++c) {
            const float u = float(c) * s;
            const float iF = std::trunc(u);
            const float a = u - iF;
            const uint32_t i = std::min(uint32_t(iF), lastColumn);
            const uint32_t i1 = std::min(i + 1, lastColumn);
            const float w00 = (1.0f - a) * (1.0f - b), w01 = (1.0f - a) * b, w10 = a * (1.0f - b), w11 = a * b;
            for (uint32_t k = 0; k < 3; ++k) {
                const float value = float(row0[i * 4 + k]) * w00 + float(row1[i * 4 + k]) * w01 +
                                    float(row0[i1 * 4 + k]) * w10 + float(row1[i1 * 4 + k]) * w11;
                out[c * 4 + k] = static_cast<uint8_t>(std::min(value, 255.0f));
            }
            out[c * 4 + 3] = 255;
        }
    }
}

} // namespace Hyx::ThumbnailKernels
