#pragma once
// What the sensor sees, per array pixel, computed once: the response to light (12-bit steps per
// second at gain 1, vignetting and fine detail included) and the relative dark current (1
// normal, large for hot pixels, 0 for dead ones). Variants for 2x2 binning (the mean of the four
// pixels) and for the FPGA's in-camera correction (defects replaced by
// their row neighbours) are built on first use.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/SensorModels.h"

namespace kelvra::sim {

struct Defect {
    int x, y;  // array position, row 0 read first
    bool hot;  // hot (saturates) or dead (no response)
};

// A map of `width` x `height` pixels. The map of a large array keeps one tile of
// `tileWidth` x `tileHeight` that repeats across it; otherwise the tile is the whole map.
struct PixelMap {
    int width = 0, height = 0;
    int tileWidth = 0, tileHeight = 0;
    std::vector<float> response;
    std::vector<float> dark;
    bool tiled() const { return tileWidth != width || tileHeight != height; }
    // The stored row for map row `row`; its columns repeat every tileWidth.
    const float* responseRow(int row) const {
        return response.data() + size_t(row % tileHeight) * tileWidth;
    }
    const float* darkRow(int row) const {
        return dark.data() + size_t(row % tileHeight) * tileWidth;
    }
};

class SceneMaps {
  public:
    static constexpr int kHotPixels = 16;
    static constexpr int kDeadPixels = 16;
    static constexpr float kHotDarkFactor = 3000.0f;
    static constexpr int kTile = 1024;  // tile side of a large array's map

    SceneMaps(const SensorModel& model, uint32_t defectSeed);

    const std::vector<Defect>& defects() const { return defects_; }
    const PixelMap& map(int binning, bool corrected);

  private:
    void placeDefects(uint32_t seed);
    void buildFull();
    PixelMap corrected(const PixelMap& full) const;
    static PixelMap binned(const PixelMap& full);

    SensorModel model_;
    std::vector<Defect> defects_;
    PixelMap maps_[2][2];  // [binning - 1][corrected]
};

// Base light response of the scene, 12-bit steps per second at gain 1 and brightness 1.
inline constexpr float kSceneRate = 300000.0f;

}  // namespace kelvra::sim
