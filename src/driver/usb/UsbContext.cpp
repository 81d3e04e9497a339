#include "driver/usb/UsbContext.h"

#include <chrono>

namespace kelvra::driver::usb {
namespace {

// The event thread wakes at least this often; stopping does not wait for it (the handler is
// interrupted), so it only bounds how long a lost wake-up could go unnoticed.
constexpr long kEventWakeSeconds = 1;
// After an unexpected failure of the event handler, a pause keeps the thread from spinning.
constexpr auto kEventFailurePause = std::chrono::milliseconds(10);

}  // namespace

// Ordered teardown: stop the event thread (every transfer has ended by now: handles drain their
// own before they close), join it, then let go of libusb.
UsbContext::~UsbContext() {
    std::lock_guard lock(mutex_);
    if (events_.joinable()) {
        running_.store(false);
        libusb_interrupt_event_handler(context_);
        events_.join();
    }
    if (context_ != nullptr) libusb_exit(context_);
}

// The libusb context, made on the first call. Null when libusb cannot start (no USB on this
// machine); the failure is remembered, not retried. Any thread.
libusb_context* UsbContext::get() {
    std::lock_guard lock(mutex_);
    if (!initialised_) {
        initialised_ = true;
        if (libusb_init(&context_) != LIBUSB_SUCCESS) context_ = nullptr;
    }
    return context_;
}

// Starts the thread that runs libusb's event handling, unless it runs. Needs a context.
void UsbContext::startEventThread() {
    if (running_.load(std::memory_order_acquire)) return;
    std::lock_guard lock(mutex_);
    if (context_ == nullptr || events_.joinable()) return;
    running_.store(true, std::memory_order_release);
    events_ = std::thread(&UsbContext::runEvents, this);
}

// The event thread: every transfer callback runs here.
void UsbContext::runEvents() {
    while (running_.load()) {
        timeval wake{kEventWakeSeconds, 0};
        const int rc = libusb_handle_events_timeout_completed(context_, &wake, nullptr);
        if (rc < 0 && rc != LIBUSB_ERROR_INTERRUPTED && rc != LIBUSB_ERROR_TIMEOUT) {
            std::this_thread::sleep_for(kEventFailurePause);
        }
    }
}

}  // namespace kelvra::driver::usb
