#include "driver/usb/UsbHandle.h"

#include "driver/Ioctl.h"
#include "driver/usb/ControlTransfer.h"
#include "driver/usb/PipeRequests.h"
#include "driver/usb/UsbStatus.h"

namespace kelvra::driver::usb {

UsbHandle::UsbHandle(std::shared_ptr<UsbDevice> device, TransferRegistry& transfers,
                     bool overlapped)
    : device_(std::move(device)), transfers_(transfers), overlapped_(overlapped) {}

// Ends this handle's transfers (995) and waits for them, so that neither libusb nor the event
// thread touches their buffers or the device afterwards; the device closes with its last handle.
UsbHandle::~UsbHandle() {
    transfers_.cancelOwner(this);
    transfers_.waitOwner(this);
}

// DeviceIoControl: starts the request; a request that finished at once is finished in
// `request` too. On a synchronous handle a pending bulk transfer is waited for here. Returns
// the result, or {997, 0} on an overlapped handle while the transfer runs.
IoResult UsbHandle::submit(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out,
                           Overlapped& request) {
    const IoResult result = start(code, in, out, request);
    if (result.error != kErrorIoPending) {
        request.finish(result);
        return result;
    }
    if (overlapped_) return result;
    request.wait(-1);
    return request.result();
}

IoResult UsbHandle::start(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out,
                          Overlapped& request) {
    switch (code) {
        case kIoctlControlTransfer:
            return controlTransfer(*device_, in, out);
        case kIoctlStagedTransfer:
            return startBulk(planStaged(in, out), request);
        case kIoctlDirectTransfer:
            return startBulk(planDirect(in, out), request);
        case kIoctlResetPipe:
            return resetPipe(*device_, in);
        case kIoctlResetPort:
            return resetPort(*device_, transfers_);
        case kIoctlAbortPipe:
            return abortPipe(*device_, transfers_, in);
        case kIoctlDeviceSpeed:
            return deviceSpeed(*device_, out);
        default:
            return IoResult{kErrorInvalidFunction, 0};
    }
}

// A bulk transfer: {87, 0} for a refused plan; a transfer of no bytes is done at once without
// touching the bus; otherwise the interface is claimed (once) and the transfer submitted.
IoResult UsbHandle::startBulk(const std::optional<BulkPlan>& plan, Overlapped& request) {
    if (!plan) return IoResult{kErrorInvalidParameter, 0};
    UsbOutcome outcome{};
    if (plan->length > 0) {
        const int claimed = device_->claimInterface();
        if (claimed == LIBUSB_SUCCESS) return transfers_.submit(this, *device_, *plan, request);
        outcome = outcomeOfError(claimed);
    }
    writeRecordStatus(plan->record, outcome);
    return IoResult{outcome.error, outcome.error ? 0 : plan->bytesBias};
}

}  // namespace kelvra::driver::usb
