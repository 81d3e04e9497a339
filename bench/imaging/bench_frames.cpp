#include "bench_frames.h"

#include <cmath>
#include <random>

namespace kelvra::bench {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Smooth colour fields with texture and noise, so branchy code meets realistic data.
double Field(int32_t x, int32_t y, int channel) {
    const double u = static_cast<double>(x) / kFrameWidth;
    const double v = static_cast<double>(y) / kFrameHeight;
    const double phase = 2.0 * kPi * channel / 3.0;
    return 0.5 + 0.35 * std::sin(2.0 * kPi * (u * 1.5 + v) + phase) +
           0.1 * std::sin(40.0 * u + 13.0 * v * (channel + 1));
}

}  // namespace

void FillFrame(CDibImage& image, int32_t width, int32_t height, int32_t bitCount) {
    image.Create(width, height, bitCount);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 0.02);
    const int bytes = bitCount / 8;
    const bool wide = bitCount == 16 || bitCount == 48 || bitCount == 64;
    const int samples = wide ? bytes / 2 : bytes;
    const double full = wide ? 4095.0 : 255.0;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = image.Bits() + static_cast<size_t>(y) * image.Stride();
        for (int32_t x = 0; x < width; ++x) {
            for (int s = 0; s < samples; ++s) {
                const int channel = samples == 1 ? (x + y) % 3 : s % 3;
                double level = Field(x, y, channel) + noise(rng);
                level = level < 0.0 ? 0.0 : (level > 1.0 ? 1.0 : level);
                const auto v = static_cast<uint32_t>(level * full);
                uint8_t* p = row + static_cast<size_t>(x) * bytes + (wide ? 2 * s : s);
                p[0] = static_cast<uint8_t>(v);
                if (wide) p[1] = static_cast<uint8_t>(v >> 8);
            }
        }
    }
}

cv::Mat ToMat(const CDibImage& image) {
    const int bytes = image.BytesPerPixel();
    const bool wide = image.BitCount() == 16 || image.BitCount() == 48 || image.BitCount() == 64;
    const int samples = wide ? bytes / 2 : bytes;
    const int channels = samples == 1 ? 1 : 3;
    const int type = CV_MAKETYPE(wide ? CV_16U : CV_8U, channels);
    cv::Mat mat(image.Height(), image.Width(), type);
    const size_t sampleBytes = wide ? 2 : 1;
    for (int32_t y = 0; y < image.Height(); ++y) {
        const uint8_t* row = image.Bits() + static_cast<size_t>(y) * image.Stride();
        uint8_t* out = mat.ptr<uint8_t>(y);
        for (int32_t x = 0; x < image.Width(); ++x) {
            for (int c = 0; c < channels; ++c) {
                for (size_t b = 0; b < sampleBytes; ++b) {
                    out[(static_cast<size_t>(x) * channels + c) * sampleBytes + b] =
                        row[static_cast<size_t>(x) * bytes + c * sampleBytes + b];
                }
            }
        }
    }
    return mat;
}

}  // namespace kelvra::bench
