// Exposure times in seconds as the analog dialog shows them: in ns, µs, ms or sec, with as many
// decimals as the value needs.
#pragma once

#include <string>

namespace kelvra::dialogs::gtk {

enum class TimeUnit : int { kNanoseconds, kMicroseconds, kMilliseconds, kSeconds };

// The largest unit in which `seconds` is at least 1 (nanoseconds below a microsecond).
TimeUnit UnitOf(double seconds);
double SecondsPer(TimeUnit unit);
const char* UnitLabel(TimeUnit unit);
// `seconds` in `unit`: "%.3f" when the fraction is at least 0.001, "%.6f" when at least
// 0.000001, else a whole number.
std::string FormatIn(double seconds, TimeUnit unit);
// "range: 20µs - 2sec", each limit truncated in its own unit.
std::string RangeText(double minSeconds, double maxSeconds);

}  // namespace kelvra::dialogs::gtk
