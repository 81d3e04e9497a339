#include "driver/usb/PipeRequests.h"

#include "driver/Ioctl.h"
#include "driver/usb/BulkRequest.h"
#include "driver/usb/RecordBytes.h"
#include "driver/usb/UsbStatus.h"

namespace kelvra::driver::usb {
namespace {

constexpr size_t kSpeedWordSize = 4;

IoResult resultOf(UsbDevice& device, int rc) {
    const UsbOutcome outcome = outcomeOfError(rc);
    if (outcome.error == kErrorDeviceNotConnected) device.markGone();
    return IoResult{outcome.error, 0};
}

}  // namespace

// Clears a halt (stall) on one of the camera's bulk endpoints, `in`[0]; the host side of the
// pipe restarts with it. {87, 0} without an endpoint or for another one. Blocks briefly.
IoResult resetPipe(UsbDevice& device, std::span<const uint8_t> in) {
    if (in.empty() || !isBulkEndpoint(in[0])) return IoResult{kErrorInvalidParameter, 0};
    const int claimed = device.claimInterface();
    if (claimed != LIBUSB_SUCCESS) return resultOf(device, claimed);
    return resultOf(device, libusb_clear_halt(device.handle(), in[0]));
}

// Resets the camera's port. Transfers in flight are cancelled first and end with 995, as the
// Windows driver ends them; libusb then resets and re-claims. A camera that comes back as a
// different device (new descriptors) is gone for this handle: 1167. Blocks until the device is
// back.
IoResult resetPort(UsbDevice& device, TransferRegistry& transfers) {
    transfers.cancelDevice(device);
    const int rc = libusb_reset_device(device.handle());
    if (rc == LIBUSB_ERROR_NOT_FOUND) {
        device.markGone();
        return IoResult{kErrorDeviceNotConnected, 0};
    }
    return resultOf(device, rc);
}

// Cancels at once every transfer pending on the pipe `in`[0], from any handle of the device;
// they end with 995 as libusb reports them. Returns {0, 0} without waiting for that; {87, 0}
// without an endpoint.
IoResult abortPipe(UsbDevice& device, TransferRegistry& transfers, std::span<const uint8_t> in) {
    if (in.empty()) return IoResult{kErrorInvalidParameter, 0};
    transfers.cancelPipe(device, in[0]);
    return IoResult{kErrorSuccess, 0};
}

// The link speed code (4 = SuperSpeed) as a little-endian u32 in `out`. Returns {0, 4}; {87, 0}
// when `out` is shorter. No I/O.
IoResult deviceSpeed(UsbDevice& device, std::span<uint8_t> out) {
    if (out.size() < kSpeedWordSize) return IoResult{kErrorInvalidParameter, 0};
    storeU32(out.data(), speedCode(libusb_get_device_speed(device.device())));
    return IoResult{kErrorSuccess, static_cast<uint32_t>(kSpeedWordSize)};
}

}  // namespace kelvra::driver::usb
