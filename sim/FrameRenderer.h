#pragma once
// Draws frame bodies the way the camera builds them: the sensor reads its window (binned,
// reversed as programmed) into lines that carry dummy lines and columns around the image, and
// the FPGA cuts its output geometry out of those lines at its line and column offsets. With the
// offsets the drivers program, the body is exactly the window; with wrong ones it shows black
// dummy pixels or zeros where no sensor data exists.
//
// Used by one thread at a time (the camera's stream worker). Samples are 12-bit: right-justified
// in 16-bit output, the top 8 bits in 8-bit output.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/FrameSettings.h"
#include "sim/SceneMaps.h"

namespace kelvra::sim {

class FrameRenderer {
  public:
    // Line sensors read up to 32768 lines per frame, the largest area sensor 19568 pixels per
    // line; a frame body is at most 96 MiB (a 2048-pixel line sensor's 32768 lines in 8 bits,
    // windows of the 19568 x 12588 array).
    static constexpr int kMaxDimension = 32768;
    static constexpr size_t kMaxBodyBytes = 96u << 20;

    FrameRenderer(const SensorModel& model, uint32_t defectSeed)
        : maps_(model, defectSeed), scratch_(kMaxDimension) {}

    static size_t bodyBytes(const FrameSettings& s);
    static bool drawable(const FrameSettings& s);
    void render(const FrameSettings& s, uint8_t* body);
    const std::vector<Defect>& defects() const { return maps_.defects(); }

  private:
    struct Columns {
        int windowStart;  // sensor column of the first image pixel
        int windowWidth;
        int lineLength;  // sensor columns per line, dummies included
        int mapX0;       // map column of the window's left edge
        bool reversed;
    };
    struct Line {
        enum Kind { Blank, Black, Image } kind;
        int mapRow;
    };

    template <typename T>
    void draw(const FrameSettings& s, T* body);
    template <typename T>
    void drawImageLine(const FrameSettings& s, const Columns& c, const PixelMap& map, int row,
                       int mapRow, T* out);
    template <typename T>
    static void drawTestPattern(const FrameSettings& s, T* body);
    static Columns columns(const FrameSettings& s);
    static Line line(const FrameSettings& s, int sensorLine, int mapHeight);

    SceneMaps maps_;
    std::vector<uint16_t> scratch_;  // one row, for reversed readouts
};

}  // namespace kelvra::sim
