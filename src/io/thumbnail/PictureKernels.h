#pragma once

// The pixel work of thumbnails over plain arrays: the point-cloud raster, the quarter and
// half turns of an RGBA picture, and the aspect-keeping bilinear fit into a host's buffer.
// RGBA pictures are 4 bytes per pixel, rows top to bottom, no padding.

#include <cstdint>

namespace Hyx::ThumbnailKernels {

/// Draws count points (x, y, z floats) in their colours (R, G, B bytes) into width x height
/// RGB pixels seen from the negative z side: column |trunc((x - minx) sx) - (W - 1)|, row
/// |trunc((y - miny) sy) - (H - 1)| with sx = (W - 1) / rx, sy = (H - 1) / ry; a point wins
/// where its z is below the depth so far (which starts at max z). depth holds width x
/// height floats of scratch. Points that are not finite or land outside are skipped. False,
/// with nothing written, when the box (min x, y, z, max x, y, z) is flat in x or y.
bool RasterPoints(const float* positions, const uint8_t* colors, uint32_t count, const float* box, uint32_t width,
                  uint32_t height, float* depth, uint8_t* rgb);

/// A quarter turn counter-clockwise: out is height wide and width high, out(y, W - 1 - x)
/// = in(x, y).
void TurnCounterClockwise(const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out);
/// A quarter turn clockwise: out is height wide and width high, out(H - 1 - y, x) = in(x, y).
void TurnClockwise(const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out);
/// A half turn: pixel i of out is pixel W x H - 1 - i of in.
void TurnHalf(const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out);

/// Draws the picture (pictureWidth x pictureHeight) into the width x height buffer with its
/// aspect kept, centred, each pixel bilinear between its four source neighbours (clamped to
/// the picture) with alpha 255. Pixels outside the drawn area are left as they are.
void FitPicture(const uint8_t* picture, uint32_t pictureWidth, uint32_t pictureHeight, uint8_t* rgba, uint32_t width,
                uint32_t height);

} // namespace Hyx::ThumbnailKernels
