#pragma once
// An open handle to a simulated camera: the camera stays alive while the handle lives, and the
// handle's pending reads end (995) before its destructor returns.

#include <memory>

#include "driver/Backend.h"

namespace kelvra::sim {

class SimCamera;

class SimHandle final : public driver::DeviceHandle {
  public:
    SimHandle(std::shared_ptr<SimCamera> camera, uint64_t id, uint64_t generation, bool overlapped);
    ~SimHandle() override;

    bool isOverlapped() const override { return overlapped_; }
    driver::IoResult submit(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out,
                            driver::Overlapped& request) override;

  private:
    std::shared_ptr<SimCamera> camera_;
    uint64_t id_;
    uint64_t generation_;
    bool overlapped_;
};

}  // namespace kelvra::sim
