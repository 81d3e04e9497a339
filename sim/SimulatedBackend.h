#pragma once
// The driver seam's simulated back end: the process's simulated cameras, enumerated in the order
// they were attached. One per process; it lives until the process ends.

#include <memory>
#include <mutex>
#include <vector>

#include "driver/Backend.h"
#include "sim/SimCamera.h"

namespace kelvra::sim {

class SimulatedBackend final : public driver::Backend {
  public:
    static SimulatedBackend& instance();

    const char* name() const override { return "sim"; }
    bool processLocal() const override { return true; }
    std::vector<std::string> enumerate(const driver::Guid& guid) override;
    std::unique_ptr<driver::DeviceHandle> open(std::string_view path, bool overlapped) override;
    std::vector<driver::DeviceDescription> describe(const driver::Guid& guid) override;

    std::shared_ptr<SimCamera> attach(const CameraConfig& config);
    void detach(const std::shared_ptr<SimCamera>& camera);
    void detachAll();
    std::vector<std::shared_ptr<SimCamera>> cameras() const;

  private:
    SimulatedBackend() = default;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<SimCamera>> cameras_;
    unsigned attached_ = 0;
};

}  // namespace kelvra::sim
