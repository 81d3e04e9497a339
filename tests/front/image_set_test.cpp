// The image buffers a front object sets up at initialisation.
#include <gtest/gtest.h>

#include "front/CKelvra.h"
#include "front/ScriptedDeviceCore.h"
#include "support/TempConfigHome.h"

namespace kelvra {
namespace {

uint16_t Sample16(const CDibImage& image, int32_t x, int32_t y) {
    const uint8_t* p = image.Bits() + static_cast<size_t>(y) * image.Stride() + 2 * x;
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint8_t Sample8(const CDibImage& image, int32_t x, int32_t y) {
    return image.Bits()[static_cast<size_t>(y) * image.Stride() + x];
}

TEST(FrontImages, ReferencesAndMapsCoverTheSensorAtTheirDepths) {
    test::TempConfigHome home;
    std::vector<std::string> log;
    CKelvra front([&] {
        return std::make_unique<test::ScriptedDeviceCore>(test::ScriptedDeviceCore::Script{}, &log);
    });
    ASSERT_EQ(front.Initialize(nullptr), 1);
    const ImageSet& images = front.Images();

    struct Expect {
        const CDibImage* image;
        int bits;
        int value;
    };
    const Expect expected[] = {
        {images.darkRef8.get(), 8, 0},       {images.whiteRef8.get(), 8, 255},
        {images.darkRef16.get(), 16, 0},     {images.whiteRef16.get(), 16, 4095},
        {images.darkDefects8.get(), 8, 0},   {images.whiteDefects8.get(), 8, 0},
        {images.darkDefects16.get(), 16, 0}, {images.whiteDefects16.get(), 16, 0},
        {images.dotMap8.get(), 8, 0},        {images.dotMap16.get(), 16, 0},
    };
    for (const Expect& e : expected) {
        ASSERT_NE(e.image, nullptr);
        EXPECT_EQ(e.image->Width(), 1280);
        EXPECT_EQ(e.image->Height(), 1024);
        EXPECT_EQ(e.image->BitCount(), e.bits);
        // Corners and the middle: a fill that missed a row end or the last row shows here.
        for (auto [x, y] : {std::pair{0, 0}, {1279, 0}, {640, 512}, {0, 1023}, {1279, 1023}}) {
            const int value = e.bits == 8 ? Sample8(*e.image, x, y) : Sample16(*e.image, x, y);
            EXPECT_EQ(value, e.value) << e.bits << "-bit at " << x << "," << y;
        }
    }
    // Frame images wait for acquisition to size them.
    for (const CDibImage* frame : {images.raw8.get(), images.raw16.get(), images.out24.get(),
                                   images.out64.get(), images.display.get()}) {
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->Bits(), nullptr);
    }

    // A second initialisation replaces everything without leaking (the sanitizer run checks).
    ASSERT_EQ(front.Initialize(nullptr), 1);
    EXPECT_EQ(Sample16(*front.Images().whiteRef16, 1279, 1023), 4095);
}

}  // namespace
}  // namespace kelvra
