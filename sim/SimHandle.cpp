#include "sim/SimHandle.h"

#include "driver/Ioctl.h"
#include "sim/SimCamera.h"

namespace kelvra::sim {

SimHandle::SimHandle(std::shared_ptr<SimCamera> camera, uint64_t id, uint64_t generation,
                     bool overlapped)
    : camera_(std::move(camera)), id_(id), generation_(generation), overlapped_(overlapped) {}

SimHandle::~SimHandle() {
    camera_->close(id_);
}

// On a synchronous handle the request is waited for here, as a handle opened without
// FILE_FLAG_OVERLAPPED does.
driver::IoResult SimHandle::submit(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out,
                                   driver::Overlapped& request) {
    driver::IoResult result = camera_->submit(id_, generation_, code, in, out, request);
    if (overlapped_ || result.error != driver::kErrorIoPending) return result;
    request.wait(-1);
    return request.result();
}

}  // namespace kelvra::sim
