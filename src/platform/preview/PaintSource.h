// An image to paint into a preview window, as the acquisition thread hands it over.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/preview/RowOrder.h"

namespace kelvra::platform::preview {

enum class SampleFormat {
    Gray8,   // one byte a pixel
    Gray12,  // 16-bit little-endian samples holding 12 bits, shown by their top eight
    Bgr24,   // blue, green, red
};

struct PaintSource {
    SampleFormat format = SampleFormat::Gray8;
    const uint8_t* bits = nullptr;
    size_t stride = 0;  // bytes from one row to the next
    int width = 0;
    int height = 0;
    RowOrder order = RowOrder::TopRowFirst;

    int BytesPerPixel() const {
        return format == SampleFormat::Gray8 ? 1 : format == SampleFormat::Gray12 ? 2 : 3;
    }
    bool Valid() const {
        return bits != nullptr && width > 0 && height > 0 &&
               stride >= static_cast<size_t>(width) * BytesPerPixel();
    }
};

// What staging a frame for the window came to.
enum class StageResult {
    Staged,    // packed, ready for Present
    NotShown,  // the window is hidden, iconified, covered or gone: nothing to do
    Busy,      // painted moments ago, or the server still reads both images: not shown
    Failed,    // bad source, a visual that cannot be drawn, no memory, a server gone
};

}  // namespace kelvra::platform::preview
