#pragma once

// The top-view preview of vertex positions: size from the bounding box, and the drawing
// itself over plain arrays. Coordinates outside the box or not finite never reach the
// image.

#include <cstdint>

namespace Hyx::PositionsPreview {

/// Hues 0..MAX_HUE span the box's z range, lowest z first.
constexpr uint32_t MAX_HUE = 1020;
/// Below this z extent every vertex gets hue 0.
constexpr float MIN_HUE_EXTENT = 1e-6f;

/// The preview size of a box (min x, y, z, max x, y, z): the longer of x and y spans
/// maxWidth or maxHeight, the other follows the aspect (truncated). False, and the outputs
/// untouched, when x or y is thinner than minExtent or not finite.
bool SizeForBox(const float* box, float minExtent, uint32_t maxWidth, uint32_t maxHeight, uint32_t& width,
                uint32_t& height);

/// Clears width * height RGBA pixels to 0 and draws count points (3 floats each) seen from
/// above: column from x, row from y (larger y higher), colour hueColors[hue] from z, where
/// hueColors holds MAX_HUE + 1 pixels as little-endian u32 (R in the low byte). Later points
/// overwrite earlier ones.
void Render(const float* positions, uint32_t count, const float* box, uint32_t width, uint32_t height,
            const uint32_t* hueColors, uint8_t* rgba);

} // namespace Hyx::PositionsPreview
