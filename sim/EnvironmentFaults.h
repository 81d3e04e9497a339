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

// The delay of KELVRA_SIMULATED_UNPLUG_AFTER_MS: a whole number of milliseconds, 0 or more.
std::optional<int> parseUnplugAfterMs(std::string_view text);

// Applies the environment's faults to cameras just attached from the environment.
void applyEnvironmentFaults(const std::vector<std::shared_ptr<SimCamera>>& attached);

}  // namespace kelvra::sim
