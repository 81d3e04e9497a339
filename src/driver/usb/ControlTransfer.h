#pragma once
// The control IOCTL (0x220020) as one libusb control transfer on endpoint 0.

#include <cstdint>
#include <span>

#include "driver/Overlapped.h"
#include "driver/usb/UsbDevice.h"

namespace kelvra::driver::usb {

IoResult controlTransfer(UsbDevice& device, std::span<uint8_t> in, std::span<uint8_t> out);

}  // namespace kelvra::driver::usb
