#pragma once
// The IOCTLs without a transfer record: reset pipe, reset port, abort pipe, device speed.

#include <cstdint>
#include <span>

#include "driver/Overlapped.h"
#include "driver/usb/TransferRegistry.h"
#include "driver/usb/UsbDevice.h"

namespace kelvra::driver::usb {

IoResult resetPipe(UsbDevice& device, std::span<const uint8_t> in);
IoResult resetPort(UsbDevice& device, TransferRegistry& transfers);
IoResult abortPipe(UsbDevice& device, TransferRegistry& transfers, std::span<const uint8_t> in);
IoResult deviceSpeed(UsbDevice& device, std::span<uint8_t> out);

}  // namespace kelvra::driver::usb
