#pragma once

// Writes raw pixel buffers as PNG files into one folder, one call per image; callers that
// name the files by frame number get an image sequence.
//
// Contract:
// - Input rows run top to bottom without padding. Bits per pixel select the file written:
//   8 grey 8-bit, 16 grey 16-bit (little-endian input samples, stored most significant
//   byte first as PNG requires), 24 RGB (bytes R, G, B), 32 RGBA (bytes R, G, B, A).
// - The file path is the folder joined with the file name by exactly one '/'; an empty
//   folder gives the file name alone (the working directory).
// - Other bit counts, null pixels or a null folder or file name: false, nothing logged, no
//   file. An encoder or file failure logs "Can't write file '<path>' (<cause>)" at level 2
//   and answers false; the cause is "Cannot be encoded" (also for a width or height of 0,
//   which no PNG holds: no file is made), for a file that could not be made
//   "Is a folder", "No such folder" (the writer makes no folder), "Permission denied" or
//   "Cannot be written", and "Cannot be written" for a write or close that failed (a full
//   disk): the file may then be left cut short.
// - WriteImage changes nothing in the writer: several threads may call it for different
//   files.

#include <Hyx/Export.h>

#include <cstdint>
#include <string>

namespace Hyx {

class HYX_API ImageSequenceWriter {
public:
    /// Writes into folder (a null folder makes every write fail).
    explicit ImageSequenceWriter(const char* folder);
    virtual ~ImageSequenceWriter();

    /// Encodes width x height pixels of bitsPerPixel (8, 16, 24 or 32) as the PNG file
    /// fileName in the folder. True when the file was written.
    bool WriteImage(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                    const char* fileName) const;

private:
    std::string _folder;
    bool _hasFolder;
};

} // namespace Hyx
