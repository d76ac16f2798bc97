#pragma once

// Decoding a compressed layer where a failure must not escape: thumbnails and the decoded
// first frame of a file treat a layer that does not decode as absent.

#include <Hyx/DataLayer.h>

#include <memory>

namespace Hyx {

/// The plain layer of a compressed one; empty, with a level-2 log line, when the layer is
/// not compressed, its decoding throws or gives nothing. An empty argument gives empty.
std::shared_ptr<DataLayer> DecodeLayer(const std::shared_ptr<DataLayer>& layer);

} // namespace Hyx
