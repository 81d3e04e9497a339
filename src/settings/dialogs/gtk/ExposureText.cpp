#include "gtk/ExposureText.h"

#include <cmath>
#include <cstdio>

#include "gtk/Catalog.h"

namespace kelvra::dialogs::gtk {
namespace {

constexpr double kSecondsPer[] = {1e-9, 1e-6, 1e-3, 1.0};
constexpr const char* kLabels[] = {"ns", "\u00b5s", "ms", "sec"};
// Values are rounded to this many units before the fraction is judged, so that 0.01 s shows as
// 10 ms and not as 9.999999 ms.
constexpr double kResolution = 1e9;

}  // namespace

TimeUnit UnitOf(double seconds) {
    if (seconds < kSecondsPer[1]) return TimeUnit::kNanoseconds;
    if (seconds < kSecondsPer[2]) return TimeUnit::kMicroseconds;
    if (seconds < kSecondsPer[3]) return TimeUnit::kMilliseconds;
    return TimeUnit::kSeconds;
}

double SecondsPer(TimeUnit unit) {
    return kSecondsPer[static_cast<int>(unit)];
}

const char* UnitLabel(TimeUnit unit) {
    return kLabels[static_cast<int>(unit)];
}

std::string FormatIn(double seconds, TimeUnit unit) {
    const double value = std::round(seconds / SecondsPer(unit) * kResolution) / kResolution;
    const double fraction = value - std::floor(value);
    char text[64];
    if (fraction >= 0.001) {
        std::snprintf(text, sizeof text, "%.3f", value);
    } else if (fraction >= 0.000001) {
        std::snprintf(text, sizeof text, "%.6f", value);
    } else {
        std::snprintf(text, sizeof text, "%.0f", std::floor(value));
    }
    return text;
}

std::string RangeText(double minSeconds, double maxSeconds) {
    const TimeUnit low = UnitOf(minSeconds);
    const TimeUnit high = UnitOf(maxSeconds);
    char text[128];
    std::snprintf(text, sizeof text, Tr("range: %d%s - %d%s"),
                  static_cast<int>(minSeconds / SecondsPer(low) + 1e-9), UnitLabel(low),
                  static_cast<int>(maxSeconds / SecondsPer(high) + 1e-9), UnitLabel(high));
    return text;
}

}  // namespace kelvra::dialogs::gtk
