#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "PlaneTestUtil.h"
#include "imaging/CDibImage.h"
#include "imaging/ToneCurve.h"
#include "imaging/ToneKernels.h"

namespace kelvra {
namespace {

using test::Plane;
using SampleFn = std::function<uint32_t(uint32_t v)>;

// 16-bit images carry 12-bit samples: the steps work on 0..4095 and take a sample above it as
// 4095.
constexpr int64_t kMax12 = 4095;

uint32_t Limit(uint32_t v, bool wide) {
    return wide ? std::min<uint32_t>(v, kMax12) : v;
}

SampleFn Brightness(int32_t b, bool wide) {
    float f = 1.0f;
    if (b < 0) f = static_cast<float>(1.0 - std::abs(b) * 0.00392156862745098);
    if (b > 0) f = static_cast<float>(1.0 + b * 0.0392156862745098);
    const int64_t max = wide ? kMax12 : 255;
    return [f, max, wide](uint32_t v) {
        const auto r = static_cast<int64_t>(std::trunc(static_cast<float>(Limit(v, wide)) * f));
        return static_cast<uint32_t>(std::clamp<int64_t>(r, 0, max));
    };
}

SampleFn Contrast(int32_t c, bool wide) {
    const int64_t range = wide ? kMax12 + 1 : 256;
    const int64_t t = wide ? int64_t{c} * 16 : c;
    return [range, t, wide](uint32_t in) -> uint32_t {
        const int64_t v = Limit(in, wide);
        if (v < t) return 0;
        if (v > range - 1 - t) return static_cast<uint32_t>(range - 1);
        const double out = static_cast<double>(range) / static_cast<double>(range - 2 * t) *
                           static_cast<double>(v - t);
        return static_cast<uint32_t>(std::trunc(out));
    };
}

SampleFn Gamma(int32_t g, bool wide) {
    const double max = wide ? 4095.0 : 255.0;
    const double e = 1.0 / (g / 100.0);
    return [max, e, wide](uint32_t in) -> uint32_t {
        const uint32_t v = Limit(in, wide);
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
    // 16-bit images: full scale is the 12-bit 4095; a sample above it counts as full scale.
    Plane wide(3, 1, 2);
    wide.Set16(0, 0, 0, 4094);
    wide.Set16(1, 0, 0, 4095);
    wide.Set16(2, 0, 0, 65535);
    ASSERT_EQ(test::CallInPlace(GammaMono16, wide, &g), 1);
    EXPECT_EQ(wide.Get16(0, 0), 0);
    EXPECT_EQ(wide.Get16(1, 0), 4095);
    EXPECT_EQ(wide.Get16(2, 0), 4095);
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

// Gamma, contrast and brightness in one table against the three reference steps one after the
// other, for every sample of both ranges (16-bit: also samples above 12 bits) in every layout;
// a fourth sample is left alone.
TEST_P(ToneTest, FoldedTableEqualsTheStepChain) {
    ToneCurve curve;
    for (int32_t bits : {8, 24, 32, 16, 48, 64}) {
        const bool wide = bits == 16 || bits == 48 || bits == 64;
        const int32_t samples = bits == 8 || bits == 16 ? 1 : 3;
        const int32_t values = wide ? 4096 + 40 : 256;
        CDibImage image;
        ASSERT_EQ(image.Create(values, 1, bits), 1);
        const auto sampleAt = [&](int32_t x, int32_t c) { return (x + 97 * c) % values; };
        const auto pixel = [&](int32_t x) { return image.Bits() + x * image.BytesPerPixel(); };
        for (int32_t g : {0, 37, 100, 150, 200}) {
            for (int32_t c : {-127, -20, 0, 16, 127}) {
                for (int32_t b : {-255, -40, 0, 20, 255}) {
                    std::vector<uint32_t> chain(static_cast<size_t>(values));
                    const SampleFn gamma = Gamma(g, wide), contrast = Contrast(c, wide),
                                   brightness = Brightness(b, wide);
                    for (int32_t v = 0; v < values; ++v) chain[v] = brightness(contrast(gamma(v)));
                    for (int32_t x = 0; x < values; ++x) {
                        for (int32_t k = 0; k < image.BytesPerPixel(); ++k) pixel(x)[k] = 0xA5;
                        for (int32_t ch = 0; ch < samples; ++ch) {
                            const int32_t v = sampleAt(x, ch);
                            if (wide) {
                                pixel(x)[2 * ch] = static_cast<uint8_t>(v);
                                pixel(x)[2 * ch + 1] = static_cast<uint8_t>(v >> 8);
                            } else {
                                pixel(x)[ch] = static_cast<uint8_t>(v);
                            }
                        }
                    }
                    curve.Prepare(wide, {g, c, b});
                    ASSERT_TRUE(curve.ApplyInPlace(image));
                    for (int32_t x = 0; x < values; ++x) {
                        for (int32_t ch = 0; ch < samples; ++ch) {
                            const uint32_t got =
                                wide ? pixel(x)[2 * ch] | (pixel(x)[2 * ch + 1] << 8)
                                     : pixel(x)[ch];
                            ASSERT_EQ(got, chain[sampleAt(x, ch)])
                                << bits << " bits, gamma " << g << ", contrast " << c
                                << ", brightness " << b << ", sample " << sampleAt(x, ch);
                        }
                        for (int32_t k = samples * (wide ? 2 : 1); k < image.BytesPerPixel(); ++k) {
                            ASSERT_EQ(pixel(x)[k], 0xA5) << bits << " bits: fourth sample";
                        }
                    }
                }
            }
        }
        // A table of the other depth is refused, the image left alone.
        curve.Prepare(!wide, {150, 0, 0});
        const std::vector<uint8_t> before(image.Bits(), image.Bits() + image.ImageBytes());
        EXPECT_FALSE(curve.ApplyInPlace(image));
        EXPECT_EQ(std::vector<uint8_t>(image.Bits(), image.Bits() + image.ImageBytes()), before);
    }
}

KELVRA_INSTANTIATE_SIMD(ToneTest);

}  // namespace
}  // namespace kelvra
