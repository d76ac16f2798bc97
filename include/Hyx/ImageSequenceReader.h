#pragma once

// Reads a folder of numbered images as a sequence of BGR textures.
//
// Contract:
// - The folder's files ending in ".jpg", ".png" or ".jpeg" (any case) are indexed from 0 in
//   name order (FileSequenceReader), once, at construction.
// - GetImage(i) loads file i into a new DataTypeTextureBGR with the purpose VORN4D and
//   keeps it as the current image; asking again for the same index returns that same
//   layer. A file that does not load gives an empty texture (0 x 0).
// - An index without a file returns an empty pointer and drops the current image, so a
//   missing index never answers with the image of another.
// - Not synchronised: one thread at a time.

#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/Export.h>

#include <VornCommon/FileSequenceReader.h>

#include <memory>

namespace Hyx {

class HYX_API ImageSequenceReader : public VornCommon::FileSequenceReader {
public:
    /// Lists the image files of folder; flag is handed to the base unchanged.
    ImageSequenceReader(const char* folder, bool flag);
    ~ImageSequenceReader() override;

    /// The texture of the file with this index; empty when there is none.
    std::shared_ptr<DataTypeTextureBGR> GetImage(int index);

private:
    std::shared_ptr<DataTypeTextureBGR> _image;
};

} // namespace Hyx
