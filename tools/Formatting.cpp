#include "Formatting.h"

#include <array>
#include <cstdio>
#include <utility>

namespace kelvra::tool {
namespace {

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    std::array<char, 160> text{};
    std::snprintf(text.data(), text.size(), pattern, args...);
    return text.data();
}

}  // namespace

std::string formatDuration(double seconds) {
    constexpr double kMillisecond = 1e-3, kMicrosecond = 1e-6;
    if (seconds < kMillisecond) return format("%.1f µs", seconds / kMicrosecond);
    if (seconds < 1.0) return format("%.1f ms", seconds / kMillisecond);
    return format("%.2f s", seconds);
}

std::string formatTemperature(std::optional<double> celsius) {
    return celsius ? format("%.1f °C", *celsius) : std::string("n/a");
}

std::string formatLinkSpeed(int megabitsPerSecond) {
    constexpr int kUsb3 = 5000, kUsb2 = 480;
    if (megabitsPerSecond >= kUsb3) return format("USB 3 (%d Gbit/s)", megabitsPerSecond / 1000);
    if (megabitsPerSecond >= kUsb2) return format("USB 2 (%d Mbit/s)", megabitsPerSecond);
    if (megabitsPerSecond > 0) return format("USB 1 (%d Mbit/s)", megabitsPerSecond);
    return "unknown link speed";
}

std::string formatStatus(const StreamCounters& counters) {
    const std::string frame =
        counters.lastFrame
            ? format("frame %llu | ", static_cast<unsigned long long>(*counters.lastFrame))
            : "";
    return format("frames %llu | %.1f fps | lost %llu | %ssensor %s",
                  static_cast<unsigned long long>(counters.frames), counters.framesPerSecond,
                  static_cast<unsigned long long>(counters.lost), frame.c_str(),
                  formatTemperature(counters.temperature).c_str());
}

std::string formatStreamSummary(const StreamCounters& counters, double seconds) {
    const double rate = seconds > 0 ? static_cast<double>(counters.frames) / seconds : 0.0;
    const std::string frame =
        counters.lastFrame
            ? format("last frame %llu, ", static_cast<unsigned long long>(*counters.lastFrame))
            : "";
    return format("streamed %llu frames in %.1f s (%.1f fps), %llu lost, %ssensor %s",
                  static_cast<unsigned long long>(counters.frames), seconds, rate,
                  static_cast<unsigned long long>(counters.lost), frame.c_str(),
                  formatTemperature(counters.temperature).c_str());
}

std::string formatStreamStatistics(const KELVRA_STREAM_STATS& stats) {
    const std::pair<const char*, uint64_t> lines[] = {
        {"frames received", stats.framesReceived},
        {"frames processed", stats.framesProcessed},
        {"frames delivered", stats.framesDelivered},
        {"dropped, queue full", stats.droppedQueueFull},
        {"dropped in ring", stats.droppedInRing},
        {"lost in camera", stats.lostInCamera},
        {"failed transfers", stats.failedTransfers},
        {"resyncs", stats.resyncs},
        {"camera lost", stats.cameraLost},
        {"last frame", stats.lastFrameCounter},
    };
    std::string text;
    for (const auto& [name, value] : lines) {
        text += format("%s: %llu\n", name, static_cast<unsigned long long>(value));
    }
    return text;
}

std::string formatBytes(uint64_t bytes) {
    static constexpr std::array<const char*, 4> kUnits = {"kB", "MB", "GB", "TB"};
    if (bytes < 1000) return format("%llu B", static_cast<unsigned long long>(bytes));
    double value = static_cast<double>(bytes) / 1000.0;
    size_t unit = 0;
    while (value >= 999.95 && unit + 1 < kUnits.size()) {
        value /= 1000.0;
        ++unit;
    }
    return format("%.1f %s", value, kUnits[unit]);
}

}  // namespace kelvra::tool
