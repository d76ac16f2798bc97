#pragma once

// An RGBA image (4 bytes per pixel, rows top to bottom) that a filter shows to the host or
// the host hands to a filter. The buffer is allocated once, zeroed, and never resized; its
// text form is empty. Any text setting, like CommitChanges, notifies: the writer fills the
// buffer through GetRGBABuffer and then publishes it. The bytes themselves are not locked;
// writer and readers agree on the hand-over through the notification.

#include <Hyx/FilterParam.h>
#include <Hyx/FlatMemory.h>

#include <cstdint>

namespace Hyx {

class HYX_API FilterParamImage : public FilterParam {
public:
    /// Negative sizes count as 0; an image of 4 GiB or more throws std::length_error.
    FilterParamImage(const char* name, unsigned flags, int width, int height);

    /// Ignores the text and notifies.
    void SetValueAsString(const char* value) override;
    /// Width in pixels.
    int GetWidth() const { return _width; }
    /// Height in pixels.
    int GetHeight() const { return _height; }
    /// The writable pixel bytes (width x height x 4); null for an empty image.
    uint8_t* GetRGBABuffer() const { return _pixels.data(); }
    /// Publishes the buffer's contents: notifies the filter and the listeners.
    void CommitChanges();

protected:
    std::string valueToString() const override;

private:
    const int _width;
    const int _height;
    FlatMemoryUInt8 _pixels;
};

} // namespace Hyx
