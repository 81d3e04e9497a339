// Sensor drivers against simulated cameras: each camera gets a real controller on a device map
// of the test's own, wrapped in a RecordingController that the driver talks to. The driver's
// prescribed sleeps are recorded, not slept.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "RecordingController.h"
#include "sensors/CSensorBase.h"
#include "sim/Simulator.h"
#include "transport/CNorluxCy3Cam.h"
#include "transport/PrivateDeviceMap.h"

namespace kelvra::sensors::test {

// Model codes of the camera variants.
inline constexpr int32_t kImx990Uncooled = 109, kImx990Cooled = 110;
inline constexpr int32_t kImx991Uncooled = 111, kImx991Cooled = 112;
inline constexpr int32_t kImx992Uncooled = 129, kImx992Cooled = 130;
inline constexpr int32_t kImx993Uncooled = 131, kImx993Cooled = 132;

// One simulated camera, its controller and the recorder in front of it.
struct Rig {
    std::shared_ptr<sim::SimCamera> camera;
    std::unique_ptr<CNorluxCy3Cam> controller;
    std::unique_ptr<RecordingController> recorder;

    uint8_t Sensor(uint16_t reg) const { return camera->sensorRegister(reg); }
    uint8_t Fpga(uint8_t reg) const { return static_cast<uint8_t>(camera->fpgaRegister(reg)); }
    // A register pair or triple, low byte first.
    uint32_t Sensor16(uint16_t low) const { return Sensor(low) | (Sensor(low + 1) << 8); }
    uint32_t Sensor24(uint16_t low) const { return Sensor16(low) | (Sensor(low + 2) << 16); }
};

class SensorFixture : public ::testing::Test {
  protected:
    ~SensorFixture() override { sim::detachAllCameras(); }

    static sim::CameraConfig Config(uint16_t productId) {
        sim::CameraConfig config;
        config.productId = productId;
        return config;
    }

    // Attaches a camera and opens a controller on it.
    Rig Open(const sim::CameraConfig& config) {
        Rig rig;
        rig.camera = sim::attachCamera(config);
        rig.controller = std::make_unique<CNorluxCy3Cam>();
        EXPECT_GE(rig.controller->Enumerate(), 1);
        EXPECT_EQ(rig.controller->SelectDevice(IndexOf(*rig.controller, *rig.camera)), 1);
        rig.recorder = std::make_unique<RecordingController>(rig.controller.get());
        return rig;
    }
    Rig Open(uint16_t productId) { return Open(Config(productId)); }

    // A driver of class T on the rig's recorder, with the model code and recorded sleeps.
    template <class T>
    static std::unique_ptr<T> Driver(Rig& rig, int32_t modelCode) {
        auto driver = std::make_unique<T>(rig.recorder.get());
        driver->SetModelCode(modelCode);
        driver->SetSleepFunction(rig.recorder->SleepRecorder());
        return driver;
    }

    static int32_t IndexOf(const CNorluxCy3Cam& controller, const sim::SimCamera& camera) {
        for (int32_t i = 0; i < kMaxDeviceEntries; ++i) {
            if (camera.devicePath() == controller.GetDeviceEntry(i).path) return i;
        }
        return -1;
    }

    transport::test::PrivateDeviceMap m_map;
};

}  // namespace kelvra::sensors::test
