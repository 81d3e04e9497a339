#pragma once
// Everything one frame depends on, taken from the registers under the camera's lock so the
// frame can then be drawn without it.

#include <cstdint>

namespace kelvra::sim {

// Where the image sits in the lines the sensor sends: lead lines before it, optical-black rows
// at the top of a full-height readout, dummy columns before each line (fewer in the fast
// readout), and the columns a horizontally reversed readout puts ahead of the image. The
// defaults are the IMX990 family's.
struct LineGeometry {
    int leadLines = 21;
    int topMarginRows = 4;
    int leadColumns = 8;
    int fastLeadReduction = 4;
    int reversedExtraColumns = 96;
};

struct FrameSettings {
    uint64_t frameNumber = 0;
    bool testPattern = false;
    // FPGA output: geometry, offsets into the sensor's lines, depth, correction.
    int width = 0, height = 0;
    int lineOffset = 0, columnOffset = 0;
    bool sixteenBit = false;
    bool correction = false;
    // Sensor readout.
    int binning = 1;
    bool verticalCrop = false;
    int windowX = 0, windowY = 0, windowWidth = 0, windowHeight = 0;
    bool mirror = false, flip = false;
    bool fastReadout = false;
    LineGeometry geometry;
    // Signal in 12-bit steps: black + signalGain x response + darkGain x dark (+ noise).
    float black = 0.0f;
    float signalGain = 0.0f;
    float darkGain = 0.0f;
    bool noise = false;
    float noiseSigma = 0.0f;
    uint32_t noiseSeed = 0;
};

}  // namespace kelvra::sim
