// How a true-colour X server stores one pixel of a ZPixmap image, and the row packers that
// turn 8-bit grey, 12-bit grey (in 16-bit samples) and 24-bit BGR samples into that form.
#pragma once

#include <cstdint>
#include <optional>

namespace kelvra::platform::preview {

struct PixelLayout {
    int bytesPerPixel = 4;  // 3 or 4
    bool msbFirst = false;  // byte order of the stored pixel value
    int redShift = 16;
    int greenShift = 8;
    int blueShift = 0;

    static std::optional<PixelLayout> FromMasks(unsigned long redMask, unsigned long greenMask,
                                                unsigned long blueMask, int bitsPerPixel,
                                                bool msbFirst);
};

void PackGray8Row(const PixelLayout& layout, const uint8_t* gray, uint8_t* out, int count);
void PackBgr24Row(const PixelLayout& layout, const uint8_t* bgr, uint8_t* out, int count);
// Little-endian 16-bit samples holding 12 bits, shown by their top eight: min(sample >> 4, 255).
void PackGray12Row(const PixelLayout& layout, const uint8_t* samples, uint8_t* out, int count);

}  // namespace kelvra::platform::preview
