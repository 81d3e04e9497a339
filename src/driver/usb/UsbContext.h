#pragma once
// The back end's libusb context and the thread that completes its asynchronous transfers.
//
// The context is made on first need; on a machine without a USB subsystem libusb_init may fail,
// and then there is simply no context (no devices), silently. The event thread starts with the
// first asynchronous transfer and runs until the context is destroyed.

#include <libusb.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace kelvra::driver::usb {

class UsbContext {
  public:
    UsbContext() = default;
    ~UsbContext();
    UsbContext(const UsbContext&) = delete;
    UsbContext& operator=(const UsbContext&) = delete;

    libusb_context* get();
    void startEventThread();

  private:
    void runEvents();

    std::mutex mutex_;
    bool initialised_ = false;  // guarded by mutex_, as are the two below
    libusb_context* context_ = nullptr;
    std::thread events_;
    std::atomic<bool> running_{false};
};

}  // namespace kelvra::driver::usb
