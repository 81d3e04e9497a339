#pragma once
// A snapshot of the cameras attached now: every USB device with a camera vendor and product id
// whose active configuration has the camera's interface (bulk OUT 0x01 and bulk IN 0x81), in
// the order of their locations (bus, then port chain), each named by its serial number where
// it has one (SerialNumbers) and by its location otherwise. Listing a camera the user may not
// open works too: it is then named by its location.

#include <libusb.h>

#include <vector>

#include "driver/usb/CameraPath.h"
#include "driver/usb/SerialNumbers.h"

namespace kelvra::driver::usb {

struct FoundCamera {
    CameraAddress address;
    UsbLocation location;
    int interfaceNumber = 0;          // the interface with the camera's bulk endpoints
    libusb_device* device = nullptr;  // valid while the list lives
};

class CameraList {
  public:
    CameraList(libusb_context* context, SerialNumbers& serials);
    ~CameraList();
    CameraList(const CameraList&) = delete;
    CameraList& operator=(const CameraList&) = delete;

    const std::vector<FoundCamera>& cameras() const { return cameras_; }
    const FoundCamera* find(const CameraAddress& address) const;

  private:
    libusb_device** list_ = nullptr;
    std::vector<FoundCamera> cameras_;
};

}  // namespace kelvra::driver::usb
