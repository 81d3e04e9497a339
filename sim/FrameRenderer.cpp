#include "sim/FrameRenderer.h"

#include <algorithm>
#include <bit>

#include "sim/RowKernels.h"
#include "sim/SensorRegisterMap.h"

namespace kelvra::sim {

static_assert(std::endian::native == std::endian::little, "16-bit samples go out as stored");

namespace {

constexpr uint32_t kNoiseFrameMix = 0x9E3779B9u;
constexpr uint32_t kNoiseSeedMix = 0x85EBCA77u;

int clampTo(int v, int hi) {
    return std::clamp(v, 0, hi);
}

template <typename T>
T blackSample(float black, int shift) {
    return static_cast<T>(static_cast<int>(std::clamp(black, 0.0f, kMaxSample) + 0.5f) >> shift);
}

}  // namespace

size_t FrameRenderer::bodyBytes(const FrameSettings& s) {
    return size_t(s.width) * size_t(s.height) * (s.sixteenBit ? 2 : 1);
}

// The FPGA refuses geometries beyond these limits: no frame comes.
bool FrameRenderer::drawable(const FrameSettings& s) {
    return s.width > 0 && s.height > 0 && s.width <= kMaxDimension && s.height <= kMaxDimension &&
           bodyBytes(s) <= kMaxBodyBytes;
}

// Draws bodyBytes(s) bytes at `body`, which must be aligned for 16-bit samples.
void FrameRenderer::render(const FrameSettings& s, uint8_t* body) {
    if (s.sixteenBit) {
        draw(s, reinterpret_cast<uint16_t*>(body));
    } else {
        draw(s, body);
    }
}

template <typename T>
void FrameRenderer::draw(const FrameSettings& s, T* body) {
    if (s.testPattern) return drawTestPattern(s, body);
    const PixelMap& map = maps_.map(s.binning, s.correction);
    const Columns c = columns(s);
    const int shift = sizeof(T) == 1 ? 4 : 0;
    const T black = blackSample<T>(s.black, shift);
    const int lineEnd = clampTo(c.lineLength - s.columnOffset, s.width);
    for (int i = 0; i < s.height; ++i) {
        T* out = body + size_t(i) * s.width;
        const Line l = line(s, s.lineOffset + i, map.height);
        if (l.kind == Line::Image) {
            drawImageLine(s, c, map, i, l.mapRow, out);
            continue;
        }
        const int blackEnd = l.kind == Line::Black ? lineEnd : 0;
        fillSpan(out, blackEnd, black);
        fillSpan<T>(out + blackEnd, s.width - blackEnd, 0);
    }
}

// One output row from an image line: dummy columns black, the window's pixels from the map,
// nothing (zero) past the end of the sensor's line.
template <typename T>
void FrameRenderer::drawImageLine(const FrameSettings& s, const Columns& c, const PixelMap& map,
                                  int row, int mapRow, T* out) {
    const int shift = sizeof(T) == 1 ? 4 : 0;
    const SpanGains g{s.black, s.signalGain, s.darkGain, shift};
    const T black = blackSample<T>(s.black, shift);
    const int base = c.windowStart - s.columnOffset;  // output column of window pixel 0
    const int winLo = clampTo(base, s.width);
    const int winHi = clampTo(base + c.windowWidth, s.width);
    const int lineEnd = clampTo(c.lineLength - s.columnOffset, s.width);
    // Output columns whose map column lies inside the map.
    const int firstMapCol = c.reversed ? c.mapX0 + c.windowWidth - 1 : c.mapX0;
    int lo = 0, hi = 0;
    if (c.reversed) {
        lo = std::clamp(base + firstMapCol - (map.width - 1), winLo, winHi);
        hi = std::clamp(base + firstMapCol + 1, lo, winHi);
    } else {
        lo = std::clamp(base - firstMapCol, winLo, winHi);
        hi = std::clamp(base - firstMapCol + map.width, lo, winHi);
    }
    fillSpan(out, lo, black);
    const int n = hi - lo;
    if (n > 0) {
        // Map columns of the span, ascending; a reversed readout writes them right to left.
        const int k = lo - base;  // window index of output column lo
        const int mapCol = c.reversed ? firstMapCol - k - (n - 1) : firstMapCol + k;
        const float* r = map.responseRow(mapRow);
        const float* d = map.darkRow(mapRow);
        T* target = c.reversed ? reinterpret_cast<T*>(scratch_.data()) : out + lo;
        const uint32_t noiseBase = uint32_t(s.frameNumber) * kNoiseFrameMix +
                                   s.noiseSeed * kNoiseSeedMix + uint32_t(row * s.width + lo);
        // A tiled map repeats its stored columns: the span goes in pieces that stay in one tile.
        for (int done = 0; done < n;) {
            const int col = (mapCol + done) % map.tileWidth;
            const int piece = std::min(n - done, map.tileWidth - col);
            if (s.noise) {
                renderSpanNoisy(r + col, d + col, piece, g, s.noiseSigma,
                                noiseBase + uint32_t(done), target + done);
            } else {
                renderSpan(r + col, d + col, piece, g, target + done);
            }
            done += piece;
        }
        if (c.reversed) std::reverse_copy(target, target + n, out + lo);
    }
    fillSpan(out + hi, std::max(lineEnd, hi) - hi, black);
    const int zeroFrom = std::max(lineEnd, hi);
    fillSpan<T>(out + zeroFrom, s.width - zeroFrom, 0);
}

// Every sample of row i of frame n is (n + i) modulo the sample range, so a reader can check
// that all rows came from one frame and in order.
template <typename T>
void FrameRenderer::drawTestPattern(const FrameSettings& s, T* body) {
    const uint32_t mask = s.sixteenBit ? 0xFFF : 0xFF;
    for (int i = 0; i < s.height; ++i) {
        const T value = static_cast<T>((s.frameNumber + uint64_t(i)) & mask);
        fillSpan(body + size_t(i) * s.width, s.width, value);
    }
}

// Where the image sits in the sensor's lines: dummy columns first (fewer in the fast readout),
// and with horizontal reversal 96 more ahead of the image instead of after it.
FrameRenderer::Columns FrameRenderer::columns(const FrameSettings& s) {
    const int b = s.binning;
    const LineGeometry& g = s.geometry;
    const int lead = g.leadColumns / b - (s.fastReadout ? g.fastLeadReduction : 0);
    const int extra = g.reversedExtraColumns / b;
    Columns c;
    c.windowStart = lead + (s.flip ? extra : 0);
    c.windowWidth = s.windowWidth;
    c.lineLength = lead + extra + s.windowWidth;
    c.mapX0 = s.windowX / b;
    c.reversed = s.flip;
    return c;
}

// What the sensor sends as its line `sensorLine` of a frame: lead lines, then (full height) the
// optical-black margin and every array row, or (vertical crop) the window's register rows, which
// count the margin as rows 0-3. Vertical reversal reads the image rows bottom first.
FrameRenderer::Line FrameRenderer::line(const FrameSettings& s, int sensorLine, int mapHeight) {
    const LineGeometry& g = s.geometry;
    if (sensorLine < g.leadLines) return {Line::Black, 0};
    const int l = sensorLine - g.leadLines;
    if (!s.verticalCrop) {
        const int margin = g.topMarginRows / s.binning;
        if (l < margin) return {Line::Black, 0};
        const int r = l - margin;
        if (r >= mapHeight) return {Line::Blank, 0};
        return {Line::Image, s.mirror ? mapHeight - 1 - r : r};
    }
    if (l >= s.windowHeight) return {Line::Blank, 0};
    const int registerRow = s.mirror ? s.windowY + s.windowHeight - 1 - l : s.windowY + l;
    if (registerRow < g.topMarginRows) return {Line::Black, 0};
    const int mapRow = (registerRow - g.topMarginRows) / s.binning;
    if (mapRow >= mapHeight) return {Line::Black, 0};
    return {Line::Image, mapRow};
}

}  // namespace kelvra::sim
