// Test images for the kernel tests: a buffer with any 4-aligned stride, random contents, and a
// comparison that names the first mismatching pixel.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/PixelKernel.h"
#include "imaging/SimdLevel.h"

namespace kelvra::test {

struct Plane {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0;
    int32_t stride = 0;
    std::vector<uint8_t> bytes;

    // extraStride (a multiple of 4) adds bytes after each padded row.
    Plane(int32_t w, int32_t h, int32_t bytesPerPixel, int32_t extraStride = 0)
        : width(w),
          height(h),
          bpp(bytesPerPixel),
          stride(((w * bytesPerPixel + 3) & ~3) + extraStride),
          bytes(static_cast<size_t>(stride) * static_cast<size_t>(h)) {}

    uint8_t* At(int32_t x, int32_t y) {
        return bytes.data() + int64_t{y} * stride + int64_t{x} * bpp;
    }
    const uint8_t* At(int32_t x, int32_t y) const {
        return bytes.data() + int64_t{y} * stride + int64_t{x} * bpp;
    }
    uint16_t Get16(int32_t x, int32_t y, int32_t sample = 0) const {
        const uint8_t* p = At(x, y) + 2 * sample;
        return static_cast<uint16_t>(p[0] | (p[1] << 8));
    }
    void Set16(int32_t x, int32_t y, int32_t sample, uint32_t v) {
        uint8_t* p = At(x, y) + 2 * sample;
        p[0] = static_cast<uint8_t>(v & 0xFF);
        p[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
    // Every byte random, padding included.
    void Randomize(std::mt19937& rng) {
        std::uniform_int_distribution<int> byte(0, 255);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(byte(rng));
    }
    // 16-bit samples limited to `max` (for 12-bit data); other bytes random.
    void Randomize16(std::mt19937& rng, uint32_t max) {
        Randomize(rng);
        std::uniform_int_distribution<uint32_t> sample(0, max);
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                for (int32_t s = 0; s < bpp / 2; ++s) Set16(x, y, s, sample(rng));
            }
        }
    }
    Rect Whole() const { return Rect{0, 0, width, height}; }
};

// Calls a kernel on two planes.
inline int Call(PixelKernel kernel, Plane& dst, const Plane& src, void* param, Rect region,
                int32_t dstX = 0, int32_t dstY = 0) {
    return kernel(dst.bytes.data(), src.bytes.data(), region, dstX, dstY,
                  static_cast<uint16_t>(dst.bpp), static_cast<uint16_t>(src.bpp), dst.stride,
                  src.stride, param);
}

inline int CallInPlace(PixelKernel kernel, Plane& image, void* param) {
    return kernel(image.bytes.data(), image.bytes.data(), image.Whole(), 0, 0,
                  static_cast<uint16_t>(image.bpp), static_cast<uint16_t>(image.bpp), image.stride,
                  image.stride, param);
}

// Equal buffers, or a failure naming the first differing pixel, its byte and both values.
inline ::testing::AssertionResult SameBytes(const Plane& actual, const Plane& expected) {
    if (actual.bytes.size() != expected.bytes.size()) {
        return ::testing::AssertionFailure() << "buffer sizes differ";
    }
    for (size_t i = 0; i < actual.bytes.size(); ++i) {
        if (actual.bytes[i] != expected.bytes[i]) {
            const size_t y = i / static_cast<size_t>(actual.stride);
            const size_t inRow = i % static_cast<size_t>(actual.stride);
            std::ostringstream msg;
            msg << "first mismatch at pixel (x " << inRow / static_cast<size_t>(actual.bpp)
                << ", y " << y << ") byte " << inRow % static_cast<size_t>(actual.bpp) << " of "
                << actual.width << " x " << actual.height << " x " << actual.bpp << " (stride "
                << actual.stride << "): got " << int{actual.bytes[i]} << ", expected "
                << int{expected.bytes[i]};
            if (inRow >= static_cast<size_t>(actual.width) * static_cast<size_t>(actual.bpp)) {
                msg << " (row padding)";
            }
            return ::testing::AssertionFailure() << msg.str();
        }
    }
    return ::testing::AssertionSuccess();
}

// Runs the same tests on the baseline code and on the AVX2 code (where the machine has it).
class SimdTest : public ::testing::TestWithParam<SimdLevel> {
  protected:
    void SetUp() override { LimitSimdLevel(GetParam()); }
    void TearDown() override { LimitSimdLevel(SimdLevel::kAvx2); }
};

inline std::string SimdName(const ::testing::TestParamInfo<SimdLevel>& info) {
    return info.param == SimdLevel::kAvx2 ? "Avx2" : "Baseline";
}

#define KELVRA_INSTANTIATE_SIMD(Suite)                                                 \
    INSTANTIATE_TEST_SUITE_P(                                                          \
        Simd, Suite,                                                                   \
        ::testing::Values(::kelvra::SimdLevel::kBaseline, ::kelvra::SimdLevel::kAvx2), \
        ::kelvra::test::SimdName)

// Sizes that exercise vector bodies, their tails and tiny images.
struct Size {
    int32_t width;
    int32_t height;
};
inline const std::vector<Size>& OddSizes() {
    static const std::vector<Size> sizes = {{1, 1},  {2, 3},   {3, 2},   {5, 5},   {7, 4},
                                            {37, 9}, {67, 11}, {101, 6}, {131, 5}, {4, 7}};
    return sizes;
}

}  // namespace kelvra::test
