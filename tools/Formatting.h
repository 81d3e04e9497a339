#pragma once
// Texts the tool prints: the live status line, summaries, sizes and temperatures.

#include <cstdint>
#include <optional>
#include <string>

#include "KelvraSdk.h"

namespace kelvra::tool {

// What a stream has delivered so far.
struct StreamCounters {
    uint64_t frames = 0;
    double framesPerSecond = 0;
    uint64_t lost = 0;                  // frames the library reported as not transferred
    std::optional<double> temperature;  // degrees Celsius; nullopt when not readable
    std::optional<uint64_t> lastFrame;  // the camera's frame counter of the newest frame
};

// A time as people read it: "20.3 µs", "10.0 ms", "1.50 s".
std::string formatDuration(double seconds);
// "24.8 °C", or "n/a" without a reading.
std::string formatTemperature(std::optional<double> celsius);
// "frames 123 | 27.4 fps | lost 0 | sensor 24.8 °C", with "| frame 4567" before the sensor
// when the last frame number is known.
std::string formatStatus(const StreamCounters& counters);
// "streamed 123 frames in 5.0 s (24.6 fps), 0 lost, sensor 24.8 °C", with ", last frame 4567"
// before the sensor when the last frame number is known.
std::string formatStreamSummary(const StreamCounters& counters, double seconds);
// Every stream counter, one "name: value" line each.
std::string formatStreamStatistics(const KELVRA_STREAM_STATS& stats);
// "USB 3 (5 Gbit/s)", "USB 2 (480 Mbit/s)", "USB 1 (12 Mbit/s)" for a link speed in Mbit/s;
// "unknown link speed" for 0.
std::string formatLinkSpeed(int megabitsPerSecond);
// "17 B", "1.5 kB", "2.6 MB", "1.2 GB" (powers of 1000).
std::string formatBytes(uint64_t bytes);

}  // namespace kelvra::tool
