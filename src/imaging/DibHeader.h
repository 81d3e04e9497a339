// Bitmap header of an image buffer, laid out as the Windows BITMAPINFO with room for 256
// colours, so that file writers can emit it as it stands.
#pragma once

#include <cstdint>

namespace kelvra {

struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");

struct RgbQuad {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};
static_assert(sizeof(RgbQuad) == 4, "RGBQUAD is 4 bytes");

constexpr int kPaletteEntries = 256;
constexpr uint32_t kBitmapInfoHeaderSize = sizeof(BitmapInfoHeader);

struct BitmapInfo256 {
    BitmapInfoHeader bmiHeader;
    RgbQuad bmiColors[kPaletteEntries];
};
static_assert(sizeof(BitmapInfo256) == 40 + 4 * 256, "header plus 256 colours");

}  // namespace kelvra
