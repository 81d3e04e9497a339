#include "driver/usb/ControlTransfer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "driver/Ioctl.h"
#include "driver/usb/BulkRequest.h"
#include "driver/usb/RecordBytes.h"
#include "driver/usb/UsbStatus.h"

namespace kelvra::driver::usb {
namespace {

// The record's checks before anything reaches the device: data at offset 38, at most the 64-byte
// data area, endpoint 0, both buffers long enough.
bool wellFormed(std::span<const uint8_t> in, std::span<const uint8_t> out) {
    if (in.size() < record::kSize || out.size() < record::kSize) return false;
    const uint32_t bufferLength = loadU32(in.data() + record::kBufferLength);
    return loadU32(in.data() + record::kBufferOffset) == record::kSize &&
           bufferLength <= kControlDataSize && in[record::kEndpoint] == kEndpointControl &&
           in.size() >= record::kSize + bufferLength && out.size() >= record::kSize + bufferLength;
}

}  // namespace

// One vendor (or standard) request on endpoint 0: the record's bmRequestType, bRequest, wValue
// and wIndex make the setup packet, the record's timeout (seconds) bounds it. The data stage is
// the record's data area, buffer length bytes after the record (64 from the transport); the
// record's wLength (102) is the size of the Windows driver's whole buffer, so it is not what we
// put on the wire: wLength on the wire is the buffer length. OUT requests send the data area,
// IN requests read up to that many bytes into it.
//
// The record and the data read come back in `out` (which may be `in`), with both status words.
// Returns {0, 38 + data bytes moved}; {87, 0} for a malformed record, without I/O; else the
// failure (31 stall, 121 timeout, 1167 unplugged ...). Blocks the calling thread.
IoResult controlTransfer(UsbDevice& device, std::span<uint8_t> in, std::span<uint8_t> out) {
    if (!wellFormed(in, out)) return IoResult{kErrorInvalidParameter, 0};
    const uint8_t requestType = in[record::kRequestType];
    const auto length = static_cast<uint16_t>(loadU32(in.data() + record::kBufferLength));
    std::array<uint8_t, kControlDataSize> data{};
    std::copy_n(in.begin() + record::kSize, length, data.begin());
    const int rc = libusb_control_transfer(
        device.handle(), requestType, in[record::kRequest], loadU16(in.data() + record::kValue),
        loadU16(in.data() + record::kIndex), data.data(), length, recordTimeoutMs(in.data()));
    if (out.data() != in.data()) std::memmove(out.data(), in.data(), record::kSize);
    const UsbOutcome outcome = outcomeOfError(rc);
    writeRecordStatus(out.data(), outcome);
    if (outcome.error != kErrorSuccess) {
        if (outcome.error == kErrorDeviceNotConnected) device.markGone();
        return IoResult{outcome.error, 0};
    }
    const auto moved = static_cast<uint32_t>(std::min<int>(rc, length));
    if (requestType & kEndpointDirectionIn) {
        std::copy_n(data.begin(), moved, out.begin() + record::kSize);
    }
    return IoResult{kErrorSuccess, static_cast<uint32_t>(record::kSize) + moved};
}

}  // namespace kelvra::driver::usb
