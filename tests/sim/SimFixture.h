#pragma once
// Each test attaches its own cameras and detaches them all when it ends.

#include <gtest/gtest.h>

#include <memory>

#include "SeamClient.h"
#include "StreamSupport.h"
#include "driver/Driver.h"
#include "sim/Simulator.h"

namespace kelvra::test {

class SimTest : public ::testing::Test {
  protected:
    void TearDown() override { sim::detachAllCameras(); }

    static std::shared_ptr<sim::SimCamera> attach(sim::CameraConfig config = {}) {
        return sim::attachCamera(config);
    }
    static SeamClient controlOf(const sim::SimCamera& camera) {
        return SeamClient(driver::openDevice(camera.devicePath(), false));
    }
    static StreamReader streamOf(const sim::SimCamera& camera) {
        return StreamReader(driver::openDevice(camera.devicePath(), true));
    }
};

}  // namespace kelvra::test
