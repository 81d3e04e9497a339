// The frame generator's row kernels against a plain reference, and its geometry at the edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "sim/FrameRenderer.h"
#include "sim/RowKernels.h"
#include "sim/SensorModels.h"

namespace kelvra::sim {
namespace {

// Single precision, evaluated in the kernel's order, so the rounding matches exactly.
template <typename T>
T reference(float response, float dark, SpanGains g) {
    float v = g.black + g.signal * response + g.dark * dark;
    if (v < 0.0f) v = 0.0f;
    if (v > 4095.0f) v = 4095.0f;
    return static_cast<T>(static_cast<int>(std::floor(v + 0.5f)) >> g.shift);
}

template <typename T>
void checkKernel(int n, int offset, SpanGains g) {
    std::mt19937 random(uint32_t(n * 7 + offset));
    std::uniform_real_distribution<float> light(0.0f, 300000.0f);
    std::vector<float> response(static_cast<size_t>(n + offset)), dark(response.size());
    for (size_t i = 0; i < response.size(); ++i) {
        response[i] = light(random);
        dark[i] = i % 5 == 0 ? 3000.0f : (i % 7 == 0 ? 0.0f : 1.0f);
    }
    g.shift = sizeof(T) == 1 ? 4 : 0;
    std::vector<T> out(static_cast<size_t>(n) + 1, T(0xAB));
    renderSpan(response.data() + offset, dark.data() + offset, n, g, out.data());
    for (int j = 0; j < n; ++j) {
        const size_t at = size_t(j + offset);
        ASSERT_EQ(out[size_t(j)], reference<T>(response[at], dark[at], g))
            << "first mismatch at " << j << " of " << n << ", offset " << offset;
    }
    EXPECT_EQ(out[size_t(n)], T(0xAB)) << "wrote past the span";
}

TEST(RowKernelTest, MatchesReferenceOnOddWidthsOffsetsAndBothDepths) {
    const SpanGains mid{60.0f, 0.0123f, 0.9f, 0};
    const SpanGains clipping{-100.0f, 0.05f, 3.0f, 0};  // below 0 and above 4095
    for (int n : {1, 3, 7, 8, 9, 17, 33, 1001}) {
        for (int offset : {0, 1, 3}) {
            for (const SpanGains& g : {mid, clipping}) {
                checkKernel<uint8_t>(n, offset, g);
                checkKernel<uint16_t>(n, offset, g);
            }
        }
    }
}

TEST(RowKernelTest, NoisySpanWithZeroDeviationEqualsThePlainOne) {
    std::vector<float> response(37, 123456.0f), dark(37, 1.0f);
    std::vector<uint16_t> plain(37), noisy(37);
    const SpanGains g{60.0f, 0.0123f, 0.9f, 0};
    renderSpan(response.data(), dark.data(), 37, g, plain.data());
    renderSpanNoisy(response.data(), dark.data(), 37, g, 0.0f, 99, noisy.data());
    EXPECT_EQ(plain, noisy);
}

TEST(RowKernelTest, NoiseIsCentredWithUnitDeviation) {
    double sum = 0, sumSq = 0;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double v = gaussianNoise(uint32_t(i) * 2654435761u);
        sum += v;
        sumSq += v * v;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.02);
    EXPECT_NEAR(std::sqrt(sumSq / n), 1.0, 0.02);
}

FrameSettings fullFrame() {
    FrameSettings s;
    s.width = 1280;
    s.height = 1024;
    s.lineOffset = 25;
    s.columnOffset = 8;
    s.windowWidth = 1280;
    s.windowHeight = 1024;
    s.black = 60.0f;
    s.signalGain = 0.01f;
    s.darkGain = 50.0f;
    return s;
}

TEST(FrameRendererTest, LimitsOfWhatTheFpgaDelivers) {
    FrameSettings s = fullFrame();
    EXPECT_TRUE(FrameRenderer::drawable(s));
    EXPECT_EQ(FrameRenderer::bodyBytes(s), 1280u * 1024u);
    s.sixteenBit = true;
    EXPECT_EQ(FrameRenderer::bodyBytes(s), 1280u * 1024u * 2u);
    s.width = 0;
    EXPECT_FALSE(FrameRenderer::drawable(s));
    s.width = 8192;
    s.height = 8192;
    EXPECT_FALSE(FrameRenderer::drawable(s));  // 128 MiB
}

TEST(FrameRendererTest, WindowReachingPastTheArrayEdgeReadsBlackThere) {
    FrameRenderer renderer(sensorModelFor(0x3270), 1);
    for (bool flip : {false, true}) {
        FrameSettings s = fullFrame();
        s.windowX = 1200;  // 80 columns of array, 1200 asked
        s.flip = flip;
        s.columnOffset = flip ? 104 : 8;
        std::vector<uint16_t> body(FrameRenderer::bodyBytes(s));
        auto* bytes = reinterpret_cast<uint8_t*>(body.data());
        renderer.render(s, bytes);
        const int lit = flip ? 1279 : 0;   // array column 1200
        const int dark = flip ? 0 : 1279;  // beyond the array
        EXPECT_GT(bytes[500 * 1280 + lit], 60 >> 4) << flip;
        EXPECT_EQ(bytes[500 * 1280 + dark], 60 >> 4) << flip;
    }
}

TEST(FrameRendererTest, OddGeometryDrawsEveryByteWithinTheBody) {
    FrameRenderer renderer(sensorModelFor(0x3270), 1);
    FrameSettings s = fullFrame();
    s.width = 1401;  // wider than the sensor's line of 8 + 96 + 1280 columns
    s.height = 7;
    s.sixteenBit = true;
    std::vector<uint16_t> body(FrameRenderer::bodyBytes(s) / 2 + 1, 0xBEEF);
    renderer.render(s, reinterpret_cast<uint8_t*>(body.data()));
    EXPECT_EQ(body.back(), 0xBEEF);  // nothing written past the body
    EXPECT_EQ(body[1375], 60);       // the line's last dummy column
    EXPECT_EQ(body[1376], 0);        // past the sensor's line: no data
    EXPECT_EQ(body[1400], 0);
}

}  // namespace
}  // namespace kelvra::sim
