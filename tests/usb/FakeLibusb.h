#pragma once
// A stand-in for the few libusb-1.0 functions the usb back end calls, linked into the test in
// place of the real library. It keeps a bus of scripted devices, records every request that
// reaches "libusb", holds asynchronous transfers until the test (or a script) completes them,
// delivers completions on whatever thread runs libusb_handle_events_timeout_completed, as
// libusb does, and notes every misuse of the libusb API it can see.
//
// Thread-safe: one lock guards the bus; callbacks run without it.

#include <libusb.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelvra::driver::usb::fake {

inline constexpr uint8_t kBulk = LIBUSB_TRANSFER_TYPE_BULK;
inline constexpr uint8_t kInterrupt = LIBUSB_TRANSFER_TYPE_INTERRUPT;

struct EndpointSetup {
    uint8_t address = 0;
    uint8_t attributes = kBulk;
};

// The camera's interface: bulk 0x01 OUT, 0x81 IN, 0x83 IN.
std::vector<EndpointSetup> cameraEndpoints();

struct DeviceSetup {
    uint8_t bus = 1;
    std::vector<uint8_t> ports{1};
    uint16_t vendorId = 0x04B4;
    uint16_t productId = 0x3270;
    int speed = LIBUSB_SPEED_SUPER;
    bool configured = true;  // false: no active configuration
    uint8_t interfaceNumber = 0;
    std::vector<EndpointSetup> endpoints = cameraEndpoints();
    int openError = LIBUSB_SUCCESS;  // what libusb_open answers instead of a handle
    int claimError = LIBUSB_SUCCESS;
    std::string serial;  // the serial-number string; empty: the device has none
};

struct ControlCall {
    int device = 0;
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;
    unsigned timeoutMs = 0;
    std::vector<uint8_t> data;  // the data stage as it left (OUT requests)
};

// What the device answers: a byte count (IN: the data) or a libusb error.
struct ControlReply {
    int result = 0;
    std::vector<uint8_t> data;
};

struct BulkCall {
    uint64_t id = 0;
    int device = 0;
    uint8_t endpoint = 0;
    int length = 0;
    unsigned timeoutMs = 0;
    std::vector<uint8_t> data;  // OUT transfers: the bytes sent
};

// How a bulk transfer ends. IN transfers deliver `data` (actual length = its size); OUT
// transfers report `actual` bytes (-1: all of them).
struct BulkCompletion {
    libusb_transfer_status status = LIBUSB_TRANSFER_COMPLETED;
    std::vector<uint8_t> data;
    int actual = -1;
};

// Runs on the thread of the control transfer, without the stand-in's lock.
using ControlScript = std::function<ControlReply(const ControlCall&)>;
// Returns a completion to end the transfer at once (delivered on the event thread), nullopt to
// leave it pending for the test. Runs under the stand-in's lock: it must not call the stand-in.
using BulkScript = std::function<std::optional<BulkCompletion>(const BulkCall&)>;

class FakeUsb {
  public:
    // Forgets everything: devices, calls, scripts, injected errors.
    void reset();

    int plug(const DeviceSetup& setup);  // returns the device's id
    void unplug(int device);             // pending transfers end with NO_DEVICE
    void setInitError(int error);
    void setControlScript(ControlScript script);
    void setBulkScript(BulkScript script);
    void failNextSubmit(int error);
    void setResetResult(int result);

    std::vector<ControlCall> controlCalls();
    std::vector<BulkCall> bulkCalls();
    std::vector<BulkCall> pendingBulk();
    bool waitForPending(size_t count);  // false after a generous limit
    void complete(uint64_t id, const BulkCompletion& completion);

    int opens();
    int closes();
    int openHandles();
    int claims(int device);
    int releases(int device);
    int cancels();
    int resets(int device);
    std::vector<uint8_t> clearedHalts(int device);
    int outstandingDeviceRefs();
    int liveContexts();
    std::vector<std::string> misuse();
};

FakeUsb& fakeUsb();

}  // namespace kelvra::driver::usb::fake
