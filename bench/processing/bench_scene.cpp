#include "bench_scene.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "front/processing/DefectMaps.h"

namespace kelvra::bench {

namespace {

std::unique_ptr<CDibImage> Make(int32_t bits) {
    auto im = std::make_unique<CDibImage>();
    im->Create(kFrameWidth, kFrameHeight, bits);
    return im;
}

void Put(CDibImage& im, int32_t x, int32_t y, uint32_t v) {
    uint8_t* p = im.Bits() + static_cast<int64_t>(y) * im.Stride() + x * im.BytesPerPixel();
    p[0] = static_cast<uint8_t>(v);
    if (im.BitCount() == 16) p[1] = static_cast<uint8_t>(v >> 8);
}

// Scene level 0..1 at a pixel: gradients and texture.
double Level(int32_t x, int32_t y) {
    const double u = static_cast<double>(x) / kFrameWidth;
    const double v = static_cast<double>(y) / kFrameHeight;
    return 0.45 + 0.25 * std::sin(6.0 * u + 2.0 * v) + 0.1 * std::sin(40.0 * u * v);
}

void FillScene(CDibImage& im, double full, std::mt19937& rng) {
    std::normal_distribution<double> noise(0.0, 0.01);
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            const double level = std::clamp(Level(x, y) + noise(rng), 0.0, 1.0);
            Put(im, x, y, static_cast<uint32_t>(level * full));
        }
    }
}

// Dark frames a little above black, white frames a little below full, with fixed-pattern noise.
void FillReference(CDibImage& im, double mean, double spread, double full, std::mt19937& rng) {
    std::normal_distribution<double> pattern(mean, spread);
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            Put(im, x, y, static_cast<uint32_t>(std::clamp(pattern(rng), 0.0, full)));
        }
    }
}

void AddDefects(CDibImage& im, uint32_t hot, std::mt19937& rng) {
    std::uniform_int_distribution<int32_t> col(0, kFrameWidth - 1), row(0, kFrameHeight - 1);
    for (int k = 0; k < kDefects; ++k) Put(im, col(rng), row(rng), k % 2 == 0 ? hot : 0);
}

}  // namespace

Scene::Scene(int32_t scratchBits) {
    std::mt19937 rng(17);
    raw8 = Make(8);
    raw16 = Make(16);
    out24 = Make(24);
    out32 = Make(32);
    out48 = Make(48);
    out64 = Make(64);
    scratch = Make(scratchBits);
    darkRef8 = Make(8);
    whiteRef8 = Make(8);
    darkRef16 = Make(16);
    whiteRef16 = Make(16);
    darkDefects8 = Make(8);
    whiteDefects8 = Make(8);
    darkDefects16 = Make(16);
    whiteDefects16 = Make(16);
    dotMap8 = Make(8);
    dotMap16 = Make(16);
    FillScene(*raw8, 255.0, rng);
    FillScene(*raw16, 4095.0, rng);
    AddDefects(*raw8, 255, rng);
    AddDefects(*raw16, 4095, rng);
    FillReference(*darkRef8, 8.0, 2.0, 255.0, rng);
    FillReference(*whiteRef8, 235.0, 6.0, 255.0, rng);
    FillReference(*darkRef16, 130.0, 30.0, 4095.0, rng);
    FillReference(*whiteRef16, 3800.0, 90.0, 4095.0, rng);
    // A few dozen sensor defects known from the references.
    AddDefects(*darkRef8, 255, rng);
    AddDefects(*darkRef16, 4095, rng);
    const processing::FrameImages views = Views();
    for (int32_t depth16 : {0, 1}) {
        for (int32_t which : {0, 1}) processing::RebuildDefectMaps(views, depth16, which);
    }
}

processing::FrameImages Scene::Views() const {
    processing::FrameImages v;
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

cv::Mat MatOf(CDibImage& image) {
    const int type = image.BitCount() == 16 ? CV_16UC1 : CV_8UC1;
    return cv::Mat(image.Height(), image.Width(), type, image.Bits(),
                   static_cast<size_t>(image.Stride()));
}

}  // namespace kelvra::bench
