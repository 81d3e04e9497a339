#include "driver/usb/UsbDevice.h"

namespace kelvra::driver::usb {

// Takes ownership of `handle` and a reference of `device`.
UsbDevice::UsbDevice(libusb_device* device, libusb_device_handle* handle, int interfaceNumber)
    : device_(libusb_ref_device(device)), handle_(handle), interface_(interfaceNumber) {}

// Runs when the last device handle has closed, after all of their transfers ended.
UsbDevice::~UsbDevice() {
    if (claimed_) libusb_release_interface(handle_, interface_);
    libusb_close(handle_);
    libusb_unref_device(device_);
}

// Claims the camera interface unless claimed. Returns LIBUSB_SUCCESS or libusb's error
// (LIBUSB_ERROR_BUSY: another program has the camera). Any thread.
int UsbDevice::claimInterface() {
    std::lock_guard lock(claimMutex_);
    if (claimed_) return LIBUSB_SUCCESS;
    const int rc = libusb_claim_interface(handle_, interface_);
    if (rc == LIBUSB_SUCCESS) claimed_ = true;
    if (rc == LIBUSB_ERROR_NO_DEVICE) markGone();
    return rc;
}

}  // namespace kelvra::driver::usb
