#pragma once
// The product ids the device core has a sensor driver row for: the USB devices this back end
// publishes as cameras.

#include <cstdint>

namespace kelvra::driver::usb {

bool isCameraProduct(uint16_t productId);

}  // namespace kelvra::driver::usb
