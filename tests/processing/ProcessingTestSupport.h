// Images, a recording device core and SIMD parameterisation for the frame-processing tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "device/CKelvraU3Q6Base.h"
#include "front/processing/FrameImages.h"
#include "imaging/CDibImage.h"
#include "imaging/SimdLevel.h"

namespace kelvra::processing::test {

inline constexpr int32_t kSensorW = 1280;
inline constexpr int32_t kSensorH = 1024;

inline uint8_t* PixelAt(CDibImage& im, int32_t x, int32_t y) {
    return im.Bits() + int64_t{y} * im.Stride() + int64_t{x} * im.BytesPerPixel();
}
inline const uint8_t* PixelAt(const CDibImage& im, int32_t x, int32_t y) {
    return im.Bits() + int64_t{y} * im.Stride() + int64_t{x} * im.BytesPerPixel();
}

// Sample `s` of pixel (x, y): a byte, or a 16-bit little-endian word in 16/48/64-bit images.
inline uint32_t Get(const CDibImage& im, int32_t x, int32_t y, int32_t s = 0) {
    const uint8_t* p = PixelAt(im, x, y);
    const bool wide = im.BitCount() == 16 || im.BitCount() == 48 || im.BitCount() == 64;
    if (!wide) return p[s];
    return static_cast<uint32_t>(p[2 * s] | (p[2 * s + 1] << 8));
}
inline void Set(CDibImage& im, int32_t x, int32_t y, uint32_t v, int32_t s = 0) {
    uint8_t* p = PixelAt(im, x, y);
    const bool wide = im.BitCount() == 16 || im.BitCount() == 48 || im.BitCount() == 64;
    if (!wide) {
        p[s] = static_cast<uint8_t>(v);
        return;
    }
    p[2 * s] = static_cast<uint8_t>(v & 0xFF);
    p[2 * s + 1] = static_cast<uint8_t>(v >> 8);
}

// Every pixel's first sample v: the first row pixel by pixel, then row copies.
inline void Fill(CDibImage& im, uint32_t v) {
    if (im.Height() <= 0) return;
    for (int32_t x = 0; x < im.Width(); ++x) Set(im, x, 0, v);
    for (int32_t y = 1; y < im.Height(); ++y) {
        std::memcpy(PixelAt(im, 0, y), PixelAt(im, 0, 0), static_cast<size_t>(im.Stride()));
    }
}

// Every sample pseudo-random in 0..max (padding left zero); seeded from rng, then a cheap
// xorshift so that whole-sensor images fill quickly under the sanitizers too.
inline void FillRandom(CDibImage& im, std::mt19937& rng, uint32_t max) {
    uint32_t state = rng() | 1u;
    const uint16_t bits = im.BitCount();
    const int32_t samples = (bits == 8 || bits == 16) ? 1 : ((bits == 24 || bits == 48) ? 3 : 4);
    for (int32_t y = 0; y < im.Height(); ++y) {
        for (int32_t x = 0; x < im.Width(); ++x) {
            for (int32_t s = 0; s < samples; ++s) {
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                Set(im, x, y, static_cast<uint32_t>(uint64_t{state} * (max + 1ull) >> 32), s);
            }
        }
    }
}

inline std::unique_ptr<CDibImage> MakeImage(int32_t w, int32_t h, int32_t bits, uint32_t fill = 0) {
    auto im = std::make_unique<CDibImage>();
    EXPECT_EQ(im->Create(w, h, bits), 1);
    if (fill != 0) Fill(*im, fill);
    return im;
}

inline std::vector<uint8_t> Bytes(const CDibImage& im) {
    return std::vector<uint8_t>(im.Bits(), im.Bits() + im.ImageBytes());
}

// Equal pixels, or a failure naming the first differing pixel and sample.
inline ::testing::AssertionResult SamePixels(const CDibImage& actual, const CDibImage& expected) {
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height() ||
        actual.BitCount() != expected.BitCount()) {
        return ::testing::AssertionFailure() << "geometry differs";
    }
    const int32_t bpp = actual.BytesPerPixel();
    for (int32_t y = 0; y < actual.Height(); ++y) {
        for (int32_t x = 0; x < actual.Width(); ++x) {
            if (std::memcmp(PixelAt(actual, x, y), PixelAt(expected, x, y), bpp) != 0) {
                std::ostringstream msg;
                msg << "first mismatch at (x " << x << ", y " << y << "): got " << Get(actual, x, y)
                    << ", expected " << Get(expected, x, y);
                return ::testing::AssertionFailure() << msg.str();
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// The seventeen images of a front object: references and maps as initialisation leaves them
// (dark 0, white 255 / 4095, maps 0), frame images of the given size, made for every mode.
struct ImageBank {
    std::unique_ptr<CDibImage> raw8, raw16, out24, out32, out48, out64, scratch;
    std::unique_ptr<CDibImage> darkRef8, whiteRef8, darkRef16, whiteRef16;
    std::unique_ptr<CDibImage> darkDefects8, whiteDefects8, darkDefects16, whiteDefects16;
    std::unique_ptr<CDibImage> dotMap8, dotMap16;

    ImageBank(int32_t w, int32_t h, int32_t scratchBits = 8) {
        raw8 = MakeImage(w, h, 8);
        raw16 = MakeImage(w, h, 16);
        out24 = MakeImage(w, h, 24);
        out32 = MakeImage(w, h, 32);
        out48 = MakeImage(w, h, 48);
        out64 = MakeImage(w, h, 64);
        scratch = MakeImage(w, h, scratchBits);
        darkRef8 = MakeImage(kSensorW, kSensorH, 8);
        whiteRef8 = MakeImage(kSensorW, kSensorH, 8, 255);
        darkRef16 = MakeImage(kSensorW, kSensorH, 16);
        whiteRef16 = MakeImage(kSensorW, kSensorH, 16, 4095);
        darkDefects8 = MakeImage(kSensorW, kSensorH, 8);
        whiteDefects8 = MakeImage(kSensorW, kSensorH, 8);
        darkDefects16 = MakeImage(kSensorW, kSensorH, 16);
        whiteDefects16 = MakeImage(kSensorW, kSensorH, 16);
        dotMap8 = MakeImage(kSensorW, kSensorH, 8);
        dotMap16 = MakeImage(kSensorW, kSensorH, 16);
    }

    FrameImages Views() const {
        FrameImages v;
        v.raw8 = raw8.get();
        v.raw16 = raw16.get();
        v.out24 = out24.get();
        v.out32 = out32.get();
        v.out48 = out48.get();
        v.out64 = out64.get();
        v.sharpenScratch = scratch.get();
        v.darkRef8 = darkRef8.get();
        v.whiteRef8 = whiteRef8.get();
        v.darkRef16 = darkRef16.get();
        v.whiteRef16 = whiteRef16.get();
        v.darkDefects8 = darkDefects8.get();
        v.whiteDefects8 = whiteDefects8.get();
        v.darkDefects16 = darkDefects16.get();
        v.whiteDefects16 = whiteDefects16.get();
        v.dotMap8 = dotMap8.get();
        v.dotMap16 = dotMap16.get();
        return v;
    }
};

// A device core whose gain, exposure and mirror support are set by the test; it logs the
// calls that change the camera or ask what it can mirror.
class RecordingDevice : public CKelvraU3Q6Base {
  public:
    int32_t gain = 100, gainMin = 0, gainMax = 480;
    int32_t exposure = 1000, exposureMin = 3, exposureMax = 600000;
    bool secondsSupported = false;
    double seconds = 0.25;
    bool acceptSet = true;
    bool flipSupported = false;    // horizontal
    bool mirrorSupported = false;  // vertical
    std::vector<std::string> log;

    int32_t GetGain() override { return gain; }
    int32_t GetGainMin() override { return gainMin; }
    int32_t GetGainMax() override { return gainMax; }
    int32_t SetGain(int32_t v) override {
        log.push_back("SetGain " + std::to_string(v));
        if (acceptSet) gain = v;
        return acceptSet;
    }
    int32_t GetExposureTime() override { return exposure; }
    int32_t GetExposureTimeMin() override { return exposureMin; }
    int32_t GetExposureTimeMax() override { return exposureMax; }
    int32_t SetExposureTime(int32_t v) override {
        log.push_back("SetExposureTime " + std::to_string(v));
        if (acceptSet) exposure = v;
        return acceptSet;
    }
    int32_t IsExposureSecondsSupported() override { return secondsSupported; }
    int32_t GetExposureSeconds(double* s) override {
        *s = seconds;
        return 1;
    }
    int32_t IsFlipSupported() override {
        log.push_back("IsFlipSupported");
        return flipSupported;
    }
    int32_t IsMirrorSupported() override {
        log.push_back("IsMirrorSupported");
        return mirrorSupported;
    }
};

// Runs a suite on the baseline code and on the AVX2 code (where the machine has it).
class SimdTest : public ::testing::TestWithParam<SimdLevel> {
  protected:
    void SetUp() override { LimitSimdLevel(GetParam()); }
    void TearDown() override { LimitSimdLevel(SimdLevel::kAvx2); }
};

inline std::string SimdName(const ::testing::TestParamInfo<SimdLevel>& info) {
    return info.param == SimdLevel::kAvx2 ? "Avx2" : "Baseline";
}

#define KELVRA_PROCESSING_SIMD_SUITE(Suite)                                            \
    INSTANTIATE_TEST_SUITE_P(                                                          \
        Simd, Suite,                                                                   \
        ::testing::Values(::kelvra::SimdLevel::kBaseline, ::kelvra::SimdLevel::kAvx2), \
        ::kelvra::processing::test::SimdName)

}  // namespace kelvra::processing::test
