#pragma once
// The KELVRA_SIMULATED_CAMERAS grammar:
//   value  := count | idlist
//   count  := decimal digits, 0 to 32             ("2": two cameras of the build's product)
//   idlist := id ("," id)*, at most 32 ids        ("0x3270,0x3270")
//   id     := "0x" or "0X" then 1 to 4 hex digits, not zero
// Spaces and tabs around a count or an id are allowed. A blank value counts as unset: the back-end
// selection checks for it before parsing.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "product/ProductNames.h"

namespace kelvra::driver {

inline constexpr const char* kSimulatedCamerasVariable = "KELVRA_SIMULATED_CAMERAS";
inline constexpr uint16_t kDefaultSimulatedProductId = product_names::kProductId;
inline constexpr size_t kMaxSimulatedCameras = 32;

std::optional<std::vector<uint16_t>> parseSimulatedCameras(std::string_view value,
                                                           std::string* why);

}  // namespace kelvra::driver
