// Tests against simulated cameras, on a device map of their own. Every camera attached is
// detached again at the end.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "PrivateDeviceMap.h"
#include "sim/Simulator.h"
#include "transport/CNorluxCy3Cam.h"

namespace kelvra::transport::test {

class SimFixture : public ::testing::Test {
  protected:
    ~SimFixture() override { sim::detachAllCameras(); }

    static std::shared_ptr<sim::SimCamera> Attach(uint16_t productId = 0x3270) {
        sim::CameraConfig config;
        config.productId = productId;
        return sim::attachCamera(config);
    }

    // The attach ordinal in a simulated camera's path ("...#sim&0007#{...}").
    static unsigned Ordinal(const sim::SimCamera& camera) {
        const std::string& path = camera.devicePath();
        const size_t at = path.find("#sim&");
        return at == std::string::npos ? 0
                                       : static_cast<unsigned>(std::atoi(path.c_str() + at + 5));
    }

    PrivateDeviceMap m_map;
};

}  // namespace kelvra::transport::test
