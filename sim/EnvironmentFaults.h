#pragma once
// Faults of simulated cameras chosen through the environment, for programs that cannot reach the
// SimCamera controls (the kelvra tool's tests run it as a separate process):
//
//   KELVRA_SIMULATED_UNPLUG_AFTER_MS=<ms>  unplug the first camera attached from
//                                          KELVRA_SIMULATED_CAMERAS that many ms after attaching
//   KELVRA_SIMULATED_UNPACED=1             cameras deliver a frame whenever the host asks
//                                          (throughput measurements)
//   KELVRA_SIMULATED_TEST_PATTERN=1        every row of frame n holds n + row, so that a torn or
//                                          overwritten frame shows (client tests)
//   KELVRA_SIMULATED_LOSE_EVERY=<n>        cameras lose every nth frame on the link (n >= 2), so
//                                          no two frames delivered are in a row
//
// A malformed value is reported on stderr and ignored.

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "sim/SimCamera.h"

namespace kelvra::sim {

inline constexpr const char* kUnplugAfterMsVariable = "KELVRA_SIMULATED_UNPLUG_AFTER_MS";
inline constexpr const char* kUnpacedVariable = "KELVRA_SIMULATED_UNPACED";
inline constexpr const char* kTestPatternVariable = "KELVRA_SIMULATED_TEST_PATTERN";
inline constexpr const char* kLoseEveryVariable = "KELVRA_SIMULATED_LOSE_EVERY";

// The delay of KELVRA_SIMULATED_UNPLUG_AFTER_MS: a whole number of milliseconds, 0 or more.
std::optional<int> parseUnplugAfterMs(std::string_view text);
// The n of KELVRA_SIMULATED_LOSE_EVERY: a whole number, 2 or more (1 would lose every frame).
std::optional<int> parseLoseEvery(std::string_view text);

// Applies the environment's faults to cameras just attached from the environment.
void applyEnvironmentFaults(const std::vector<std::shared_ptr<SimCamera>>& attached);

}  // namespace kelvra::sim
