#pragma once
// Device-interface class identifier, laid out as a Windows GUID.

#include <array>
#include <cstdint>
#include <string>

namespace kelvra::driver {

struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    friend bool operator==(const Guid&, const Guid&) = default;
};

// The camera's interface class {328184C5-93E6-49B7-94B8-2ADA13AABB39}.
inline constexpr Guid kCameraInterfaceGuid{
    0x328184C5, 0x93E6, 0x49B7, {0x94, 0xB8, 0x2A, 0xDA, 0x13, 0xAA, 0xBB, 0x39}};

// "{328184c5-93e6-49b7-94b8-2ada13aabb39}": braces, lower-case hex, as in interface paths.
std::string formatGuid(const Guid& guid);

}  // namespace kelvra::driver
