#include "sim/SceneMaps.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace kelvra::sim {
namespace {

constexpr int kDefectBorder = 16;
constexpr int kDefectSpacing = 6;
constexpr int kGridPitch = 64;
constexpr float kGridLine = 0.12f;
constexpr float kDetail = 0.08f;
constexpr float kVignetting = 0.3f;

// Numerical Recipes' LCG: enough for placing defects reproducibly.
uint32_t nextRandom(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// Scene brightness 0..1 at image position (x, y) of a w x h image: gradients left to right and
// top to bottom (so any reversal shows), a fine sine pattern, and one-pixel grid lines.
float scene(int x, int y, int w, int h) {
    const float u = float(x) / float(w - 1);
    const float v = float(y) / float(h - 1);
    const float twoPi = 2.0f * std::numbers::pi_v<float>;
    float s = 0.15f + 0.35f * u + 0.20f * v;
    s += kDetail * std::sin(twoPi * float(x) / 8.0f) * std::sin(twoPi * float(y) / 6.0f);
    if (x % kGridPitch == 0 || y % kGridPitch == 0) s += kGridLine;
    return s;
}

float vignetting(int x, int y, int w, int h) {
    const float dx = (float(x) - 0.5f * float(w - 1)) / (0.5f * float(w));
    const float dy = (float(y) - 0.5f * float(h - 1)) / (0.5f * float(h));
    return 1.0f - kVignetting * 0.5f * (dx * dx + dy * dy);
}

}  // namespace

// A large array's map repeats one tile and has no defects of its own.
SceneMaps::SceneMaps(const SensorModel& model, uint32_t defectSeed) : model_(model) {
    if (!model.large()) placeDefects(defectSeed);
}

// The map for a readout: binning 1 or 2, with or without the in-camera correction. Built on
// first use (tens of milliseconds), then shared by every frame.
const PixelMap& SceneMaps::map(int binning, bool withCorrection) {
    const int c = withCorrection ? 1 : 0;
    if (maps_[0][0].response.empty()) buildFull();
    PixelMap& unbinned = maps_[0][c];
    if (unbinned.response.empty()) unbinned = corrected(maps_[0][0]);
    if (binning != 2) return unbinned;
    PixelMap& slot = maps_[1][c];
    if (slot.response.empty()) slot = binned(unbinned);
    return slot;
}

// Defects sit away from the borders and from each other, so each one's row neighbours and its
// 2x2 binning cell hold normal pixels only.
void SceneMaps::placeDefects(uint32_t seed) {
    uint32_t state = seed;
    const int spanX = model_.width - 2 * kDefectBorder;
    const int spanY = model_.height - 2 * kDefectBorder;
    while (int(defects_.size()) < kHotPixels + kDeadPixels) {
        const int x = kDefectBorder + int(nextRandom(state) % uint32_t(spanX));
        const int y = kDefectBorder + int(nextRandom(state) % uint32_t(spanY));
        bool crowded = false;
        for (const Defect& d : defects_) {
            crowded = crowded ||
                      (std::abs(d.x - x) < kDefectSpacing && std::abs(d.y - y) < kDefectSpacing);
        }
        if (!crowded) defects_.push_back({x, y, int(defects_.size()) < kHotPixels});
    }
}

void SceneMaps::buildFull() {
    PixelMap& full = maps_[0][0];
    const int w = model_.width, h = model_.height;
    const int tw = model_.large() ? std::min(w, kTile) : w;
    const int th = model_.large() ? std::min(h, kTile) : h;
    full.width = w;
    full.height = h;
    full.tileWidth = tw;
    full.tileHeight = th;
    full.response.resize(size_t(tw) * th);
    full.dark.assign(size_t(tw) * th, 1.0f);
    for (int y = 0; y < th; ++y) {
        // A sensor mounted upside down reads the image's bottom row first, one turned half
        // round also its right column first.
        const int imageY = model_.upsideDown ? th - 1 - y : y;
        float* row = full.response.data() + size_t(y) * tw;
        for (int x = 0; x < tw; ++x) {
            const int imageX = model_.columnsReversed ? tw - 1 - x : x;
            row[x] =
                kSceneRate * scene(imageX, imageY, tw, th) * vignetting(imageX, imageY, tw, th);
        }
    }
    for (const Defect& d : defects_) {
        const size_t at = size_t(d.y) * w + d.x;
        full.response[at] = d.hot ? full.response[at] : 0.0f;
        full.dark[at] = d.hot ? kHotDarkFactor : 0.0f;
    }
}

PixelMap SceneMaps::corrected(const PixelMap& full) const {
    PixelMap out = full;
    for (const Defect& d : defects_) {
        const size_t at = size_t(d.y) * full.width + d.x;
        out.response[at] = 0.5f * (full.response[at - 1] + full.response[at + 1]);
        out.dark[at] = 0.5f * (full.dark[at - 1] + full.dark[at + 1]);
    }
    return out;
}

PixelMap SceneMaps::binned(const PixelMap& full) {
    PixelMap out;
    out.width = full.width / 2;
    out.height = full.height / 2;
    out.tileWidth = full.tileWidth / 2;
    out.tileHeight = full.tileHeight / 2;
    out.response.resize(size_t(out.tileWidth) * out.tileHeight);
    out.dark.resize(out.response.size());
    for (int y = 0; y < out.tileHeight; ++y) {
        const float* r0 = full.responseRow(2 * y);
        const float* r1 = full.responseRow(2 * y + 1);
        const float* d0 = full.darkRow(2 * y);
        const float* d1 = full.darkRow(2 * y + 1);
        float* r = out.response.data() + size_t(y) * out.tileWidth;
        float* d = out.dark.data() + size_t(y) * out.tileWidth;
        for (int x = 0; x < out.tileWidth; ++x) {
            r[x] = 0.25f * (r0[2 * x] + r0[2 * x + 1] + r1[2 * x] + r1[2 * x + 1]);
            d[x] = 0.25f * (d0[2 * x] + d0[2 * x + 1] + d1[2 * x] + d1[2 * x + 1]);
        }
    }
    return out;
}

}  // namespace kelvra::sim
