#pragma once
// The back end of a machine without cameras: nothing enumerates, nothing opens.

#include "driver/Backend.h"

namespace kelvra::driver {

class NoDevicesBackend final : public Backend {
  public:
    const char* name() const override { return "none"; }
    std::vector<std::string> enumerate(const Guid&) override { return {}; }
    std::unique_ptr<DeviceHandle> open(std::string_view, bool) override { return nullptr; }
};

}  // namespace kelvra::driver
