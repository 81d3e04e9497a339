#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>

#include "PlaneTestUtil.h"
#include "imaging/ToneKernels.h"

namespace kelvra {
namespace {

using test::Plane;
using SampleFn = std::function<uint32_t(uint32_t v)>;

SampleFn Brightness(int32_t b, bool wide) {
    float f = 1.0f;
    if (b < 0) f = static_cast<float>(1.0 - std::abs(b) * 0.00392156862745098);
    if (b > 0) f = static_cast<float>(1.0 + b * 0.0392156862745098);
    const int64_t max = wide ? 65535 : 255;
    return [f, max](uint32_t v) {
        const auto r = static_cast<int64_t>(std::trunc(static_cast<float>(v) * f));
        return static_cast<uint32_t>(std::clamp<int64_t>(r, 0, max));
    };
}

SampleFn Contrast(int32_t c, bool wide) {
    const int64_t range = wide ? 65536 : 256;
    const int64_t t = wide ? int64_t{c} * 256 : c;
    return [range, t](uint32_t v) -> uint32_t {
        if (v < t) return 0;
        if (v > range - 1 - t) return static_cast<uint32_t>(range - 1);
        const double out = static_cast<double>(range) / static_cast<double>(range - 2 * t) *
                           static_cast<double>(v - t);
        return static_cast<uint32_t>(std::trunc(out));
    };
}

SampleFn Gamma(int32_t g, bool wide) {
    const double max = wide ? 65535.0 : 255.0;
    const double e = 1.0 / (g / 100.0);
    return [max, e](uint32_t v) -> uint32_t {
        if (v == 0) return 0;
        const double out = std::trunc(max * std::pow(v / max, e));
        return static_cast<uint32_t>(std::min(out, max));
    };
}

// The expected destination: Channels samples of each pixel mapped, the rest as it was.
Plane Expected(const Plane& src, const Plane& dst, int channels, bool wide, const SampleFn& f) {
    Plane out = dst;
    for (int32_t y = 0; y < src.height; ++y) {
        for (int32_t x = 0; x < src.width; ++x) {
            for (int c = 0; c < channels; ++c) {
                if (wide) {
                    out.Set16(x, y, c, f(src.Get16(x, y, c)));
                } else {
                    out.At(x, y)[c] = static_cast<uint8_t>(f(src.At(x, y)[c]));
                }
            }
        }
    }
    return out;
}

struct Layout {
    int channels;
    bool wide;
    int32_t dstBpp;
    int32_t srcBpp;
};

const Layout kLayouts[] = {{1, false, 1, 1}, {3, false, 3, 3}, {3, false, 4, 4}, {3, false, 4, 3},
                           {1, true, 2, 2},  {3, true, 6, 6},  {3, true, 8, 8},  {3, true, 6, 8}};

PixelKernel Pick(const PixelKernel (&kernels)[4], const Layout& l) {
    // Mono8, Mono16, Colour8, Colour16
    return kernels[(l.channels == 3 ? 2 : 0) + (l.wide ? 1 : 0)];
}

const PixelKernel kBrightness[4] = {BrightnessMono8, BrightnessMono16, BrightnessColour8,
                                    BrightnessColour16};
const PixelKernel kContrast[4] = {ContrastMono8, ContrastMono16, ContrastColour8, ContrastColour16};
const PixelKernel kGamma[4] = {GammaMono8, GammaMono16, GammaColour8, GammaColour16};

class ToneTest : public test::SimdTest {
  protected:
    void CheckAll(const PixelKernel (&kernels)[4],
                  const std::function<SampleFn(int32_t, bool)>& make,
                  std::initializer_list<int32_t> values, const char* what) {
        std::mt19937 rng(31);
        for (const Layout& l : kLayouts) {
            for (const test::Size& size : test::OddSizes()) {
                for (int32_t value : values) {
                    Plane src(size.width, size.height, l.srcBpp, 4 * (size.height % 2));
                    Plane dst(size.width, size.height, l.dstBpp);
                    // 16-bit data: full range, or 12-bit as the camera sends.
                    if (l.wide && value % 2 == 0) {
                        src.Randomize16(rng, 4095);
                    } else {
                        src.Randomize(rng);
                    }
                    dst.Randomize(rng);
                    const Plane expected =
                        Expected(src, dst, l.channels, l.wide, make(value, l.wide));
                    int32_t v = value;
                    ASSERT_EQ(test::Call(Pick(kernels, l), dst, src, &v, src.Whole()), 1);
                    ASSERT_TRUE(test::SameBytes(dst, expected))
                        << what << " " << value << " channels " << l.channels << " bpp " << l.dstBpp
                        << " <- " << l.srcBpp;
                }
            }
        }
    }
};

TEST_P(ToneTest, BrightnessMatchesTheFormula) {
    CheckAll(kBrightness, Brightness, {-255, -254, -100, -1, 1, 37, 128, 254, 255}, "brightness");
}

TEST_P(ToneTest, ContrastMatchesTheFormula) {
    CheckAll(kContrast, Contrast, {-127, -126, -50, -1, 0, 1, 33, 100, 126, 127}, "contrast");
}

TEST_P(ToneTest, GammaMatchesTheFormula) {
    CheckAll(kGamma, Gamma, {0, 1, 37, 50, 99, 100, 101, 150, 199, 200}, "gamma");
}

TEST_P(ToneTest, BrightnessLimits) {
    Plane image(256, 1, 1);
    for (int32_t x = 0; x < 256; ++x) image.At(x, 0)[0] = static_cast<uint8_t>(x);
    Plane dark = image;
    int32_t b = -255;
    ASSERT_EQ(test::CallInPlace(BrightnessMono8, dark, &b), 1);
    for (int32_t x = 0; x < 256; ++x) ASSERT_EQ(dark.At(x, 0)[0], 0) << x;
    b = 255;
    ASSERT_EQ(test::CallInPlace(BrightnessMono8, image, &b), 1);
    for (int32_t x = 0; x < 256; ++x) ASSERT_EQ(image.At(x, 0)[0], std::min(11 * x, 255)) << x;
}

TEST_P(ToneTest, ContrastMinus127SqueezesToTheMiddle) {
    Plane image(2, 1, 1);
    image.At(0, 0)[0] = 0;
    image.At(1, 0)[0] = 255;
    int32_t c = -127;
    ASSERT_EQ(test::CallInPlace(ContrastMono8, image, &c), 1);
    EXPECT_EQ(image.At(0, 0)[0], 63);
    EXPECT_EQ(image.At(1, 0)[0], 191);
}

TEST_P(ToneTest, GammaZeroKeepsOnlyFullScale) {
    Plane mono(256, 1, 1);
    for (int32_t x = 0; x < 256; ++x) mono.At(x, 0)[0] = static_cast<uint8_t>(x);
    int32_t g = 0;
    ASSERT_EQ(test::CallInPlace(GammaMono8, mono, &g), 1);
    for (int32_t x = 0; x < 255; ++x) ASSERT_EQ(mono.At(x, 0)[0], 0) << x;
    EXPECT_EQ(mono.At(255, 0)[0], 255);
    Plane wide(3, 1, 2);
    wide.Set16(0, 0, 0, 4095);
    wide.Set16(1, 0, 0, 65534);
    wide.Set16(2, 0, 0, 65535);
    ASSERT_EQ(test::CallInPlace(GammaMono16, wide, &g), 1);
    EXPECT_EQ(wide.Get16(0, 0), 0);
    EXPECT_EQ(wide.Get16(1, 0), 0);
    EXPECT_EQ(wide.Get16(2, 0), 65535);
}

TEST_P(ToneTest, OutOfRangeValuesStayWithinTheSampleRange) {
    // The front refuses these; the kernels must still neither overflow nor divide by zero.
    std::mt19937 rng(32);
    for (const Layout& l : kLayouts) {
        Plane image(40, 3, l.srcBpp);
        image.Randomize(rng);
        for (int32_t v : {INT32_MIN, -100000, 128, 300, 100000, INT32_MAX}) {
            int32_t value = v;
            Plane work(40, 3, l.dstBpp);
            EXPECT_EQ(test::Call(Pick(kBrightness, l), work, image, &value, image.Whole()), 1);
            EXPECT_EQ(test::Call(Pick(kContrast, l), work, image, &value, image.Whole()), 1);
            EXPECT_EQ(test::Call(Pick(kGamma, l), work, image, &value, image.Whole()), 1);
        }
    }
}

TEST_P(ToneTest, MissingValueIsRefused) {
    Plane image(4, 4, 3);
    for (const PixelKernel(*set)[4] : {&kBrightness, &kContrast, &kGamma}) {
        EXPECT_EQ(test::CallInPlace((*set)[2], image, nullptr), 0);
    }
}

KELVRA_INSTANTIATE_SIMD(ToneTest);

}  // namespace
}  // namespace kelvra
