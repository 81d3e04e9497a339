#include "Formatting.h"

#include <array>
#include <cstdio>

namespace kelvra::tool {
namespace {

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    std::array<char, 160> text{};
    std::snprintf(text.data(), text.size(), pattern, args...);
    return text.data();
}

}  // namespace

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
    return format("frames %llu | %.1f fps | lost %llu | sensor %s",
                  static_cast<unsigned long long>(counters.frames), counters.framesPerSecond,
                  static_cast<unsigned long long>(counters.lost),
                  formatTemperature(counters.temperature).c_str());
}

std::string formatStreamSummary(const StreamCounters& counters, double seconds) {
    const double rate = seconds > 0 ? static_cast<double>(counters.frames) / seconds : 0.0;
    return format("streamed %llu frames in %.1f s (%.1f fps), %llu lost, sensor %s",
                  static_cast<unsigned long long>(counters.frames), seconds, rate,
                  static_cast<unsigned long long>(counters.lost),
                  formatTemperature(counters.temperature).c_str());
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
