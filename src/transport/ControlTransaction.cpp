#include "transport/ControlTransaction.h"

namespace kelvra::transport {

// Issues the control IOCTL with `buffer` as input and output and waits for it. True when the
// driver succeeded and left both status words of the record at 0; *dataBytes (optional) then
// holds how many data bytes came back. Blocks the calling thread for the request's duration.
bool RunControlRequest(driver::DeviceHandle& handle, ControlBuffer& buffer, uint32_t* dataBytes,
                       uint32_t* error) {
    const driver::IoResult result = handle.ioctl(driver::kIoctlControlTransfer, buffer, buffer);
    if (error) *error = result.error;
    if (result.error != driver::kErrorSuccess) return false;
    if (!RecordStatusOk(std::span<const uint8_t, driver::record::kSize>(buffer.data(),
                                                                        driver::record::kSize))) {
        return false;
    }
    if (dataBytes) *dataBytes = ControlDataReturned(result.bytes);
    return true;
}

}  // namespace kelvra::transport
