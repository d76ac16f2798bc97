#pragma once

// Thumbnails: a small RGBA picture of one frame, made from its colour texture or depth map,
// or from a front view of its point cloud coloured from its vertex colours (or from its
// texture through its texture coordinates).
//
// Contract:
// - A point cloud is drawn only above 1000 vertices and when colours of the positions'
//   purpose and vertex count exist or can be derived (UVs of that purpose and count, and an
//   RGB texture of that purpose or a compressed texture holding RGB); otherwise the
//   positions' own depth-coloured preview is the picture.
// - The raster is seen from the negative z side at the positions preview size: larger x
//   lands further left, larger y higher up, the smaller z wins, a vertex at the largest z
//   is not drawn; vertices that are not finite are skipped.
// - Images are taken in this order: the last RGBA (not one of the THUMBNAIL purpose),
//   YUV_NVX, BGR, RGB, RGB30, 16-bit depth map, then the first compressed texture decoded.
// - Layers that hold fewer elements than they state count as missing; compressed layers
//   that do not decode count as absent. Nothing here throws for the content of a frame.
// - The stream orientation turns the picture: the third versor element within 0.01 of
//   0.7 a quarter turn counter-clockwise, within 0.01 of -0.7 a quarter turn clockwise,
//   -1 (to single-precision epsilon) a half turn.
// - Static, no state: any thread, one frame per call.

#include <Hyx/Export.h>

#include <memory>
#include <vector>

namespace Hyx {

class Atom;
class DataLayer;
class DataTypeTextureRGB;
class DataTypeTextureRGBA;
class DataTypeVertexColors;
class DataTypeVertexPositions;

class HYX_API ThumbnailHelper {
public:
    /// The picture of one frame given as its atoms (one per stream), an RGBA layer of the
    /// THUMBNAIL purpose, greyed as (R + G + B) / 3 when asked; empty when nothing can be
    /// shown or atoms is empty.
    static std::shared_ptr<DataTypeTextureRGBA> getThumbnail(const std::vector<std::shared_ptr<Atom>>& atoms,
                                                             bool imagesOnly, bool grey);
    /// The layer that paints the 3D picture of the atom, with its size; the image picture
    /// instead unless noImageFallback, then empty.
    static std::shared_ptr<DataLayer> getThumbnailLayer(const std::shared_ptr<Atom>& atom, int& width, int& height,
                                                        bool noImageFallback);
    /// The layer that paints the image picture of the atom, with its size; empty when none.
    static std::shared_ptr<DataLayer> getThumbnailLayer2D(const std::shared_ptr<Atom>& atom, int& width, int& height);
    /// The front view of the positions in their colours (count and purpose as the
    /// positions'), black where nothing lands; empty when the cloud is flat in x or y or
    /// cannot be previewed.
    static std::shared_ptr<DataTypeTextureRGB>
    rasterPointCloud(const std::shared_ptr<DataTypeVertexPositions>& positions,
                     const std::shared_ptr<DataTypeVertexColors>& colors);
};

} // namespace Hyx
