#include "front/ImageSet.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kelvra {
namespace {

constexpr int32_t kSensorWidth = 1280;
constexpr int32_t kSensorHeight = 1024;
constexpr uint8_t kWhite8 = 255;
// 16-bit frames carry 12-bit samples, so full scale is 4095.
constexpr uint16_t kWhite16 = 4095;

void Fill16(CDibImage& image, uint16_t value) {
    for (int32_t y = 0; y < image.Height(); ++y) {
        uint8_t* row = image.Bits() + static_cast<size_t>(y) * image.Stride();
        for (int32_t x = 0; x < image.Width(); ++x) {
            row[2 * x] = static_cast<uint8_t>(value & 0xFF);
            row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
        }
    }
}

}  // namespace

bool ImageSet::CreateObjects() {
    try {
        for (auto* image : {&raw8, &raw16, &out24, &out32, &out48, &out64, &sharpenScratch,
                            &display, &darkRef8, &whiteRef8, &darkRef16, &whiteRef16, &darkDefects8,
                            &whiteDefects8, &darkDefects16, &whiteDefects16, &dotMap8, &dotMap16}) {
            *image = std::make_unique<CDibImage>();
        }
    } catch (const std::bad_alloc&) {
        *this = ImageSet{};
        return false;
    }
    return true;
}

bool ImageSet::AllocateSensorBuffers() {
    struct Sensor {
        CDibImage* image;
        int32_t bits;
    };
    const Sensor buffers[] = {
        {darkRef8.get(), 8},       {whiteRef8.get(), 8},       {darkRef16.get(), 16},
        {whiteRef16.get(), 16},    {darkDefects8.get(), 8},    {whiteDefects8.get(), 8},
        {darkDefects16.get(), 16}, {whiteDefects16.get(), 16}, {dotMap8.get(), 8},
        {dotMap16.get(), 16},
    };
    for (const Sensor& buffer : buffers) {
        if (buffer.image == nullptr ||
            !buffer.image->Create(kSensorWidth, kSensorHeight, buffer.bits)) {
            return false;
        }
    }
    std::memset(whiteRef8->Bits(), kWhite8, whiteRef8->ImageBytes());
    Fill16(*whiteRef16, kWhite16);
    return true;
}

}  // namespace kelvra
