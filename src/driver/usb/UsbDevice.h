#pragma once
// One opened camera: the libusb handle that every device handle of its path shares, and the
// claim on its camera interface. It closes when the last device handle on it closes.
//
// The interface is claimed by the first request that needs it (a bulk transfer, a pipe reset)
// and released when the device closes, not claimed by every open: the transport probes every
// path with an open at each enumeration and sends its control requests on fresh handles, and
// vendor requests need no claim. So a camera streaming in another process still enumerates and
// answers control requests here, as it does on Windows; only its bulk pipes are refused.

#include <libusb.h>

#include <atomic>
#include <mutex>

namespace kelvra::driver::usb {

class UsbDevice {
  public:
    UsbDevice(libusb_device* device, libusb_device_handle* handle, int interfaceNumber);
    ~UsbDevice();
    UsbDevice(const UsbDevice&) = delete;
    UsbDevice& operator=(const UsbDevice&) = delete;

    libusb_device* device() const { return device_; }
    libusb_device_handle* handle() const { return handle_; }
    int claimInterface();

    // Unplugged: libusb said so. A new open of the path then opens the device afresh.
    bool gone() const { return gone_.load(std::memory_order_acquire); }
    void markGone() { gone_.store(true, std::memory_order_release); }

  private:
    libusb_device* const device_;
    libusb_device_handle* const handle_;
    const int interface_;
    std::mutex claimMutex_;
    bool claimed_ = false;  // guarded by claimMutex_
    std::atomic<bool> gone_{false};
};

}  // namespace kelvra::driver::usb
