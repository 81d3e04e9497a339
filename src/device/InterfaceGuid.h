// The device-interface class identifier under which the camera driver publishes each camera.
// Kept free of any device-core dependency so that the transport can own it later unchanged.
#pragma once

#include <cstdint>

namespace kelvra {

// Same field layout as a Windows GUID, so the 16 bytes can be stored and compared as the
// driver and the shared device map expect.
struct InterfaceGuid {
    uint32_t data1;
    uint16_t data2, data3;
    uint8_t data4[8];

    friend bool operator==(const InterfaceGuid&, const InterfaceGuid&) = default;
};

static_assert(sizeof(InterfaceGuid) == 16, "an interface GUID is 16 bytes");

// {328184C5-93E6-49B7-94B8-2ADA13AABB39}: the camera's device-interface class.
inline constexpr InterfaceGuid kCameraInterfaceGuid = {
    0x328184C5, 0x93E6, 0x49B7, {0x94, 0xB8, 0x2A, 0xDA, 0x13, 0xAA, 0xBB, 0x39}};

}  // namespace kelvra
