#include "driver/Backend.h"
#include "driver/Ioctl.h"

namespace kelvra::driver {

// DeviceIoControl without OVERLAPPED: starts the request and waits for it without limit.
// Returns its final result. Runs on the calling thread.
IoResult DeviceHandle::ioctl(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out) {
    Overlapped request;
    IoResult result = submit(code, in, out, request);
    if (result.error != kErrorIoPending) return result;
    request.wait(-1);
    return request.result();
}

}  // namespace kelvra::driver
