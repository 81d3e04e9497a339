#pragma once
// The settings key of camera 0, as the library's writers name it.
#include <string>

namespace kelvra::platform::test {

inline const std::string kCamera = "Software\\Norlux\\KelvraK4SWIRTEC3Q6Sdk\\Camera_00";

}  // namespace kelvra::platform::test
