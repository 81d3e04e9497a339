#pragma once
// The serial-number strings of attached cameras. Reading one means opening the device and
// asking for a string descriptor (a standard request, sent only to devices already known to be
// cameras), so each is read once per connection (bus and device address) and remembered; a
// device that cannot be opened (no permission) or has none reads as empty.
//
// Thread-safe.

#include <libusb.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace kelvra::driver::usb {

class SerialNumbers {
  public:
    std::string of(libusb_device* device, uint8_t stringIndex);

  private:
    std::mutex mutex_;
    std::map<std::pair<uint8_t, uint8_t>, std::string> known_;  // guarded by mutex_
};

}  // namespace kelvra::driver::usb
