// The camera line's driver classes against simulated cameras of their products: a real
// controller on a device map of the test's own, the driver the device core would choose for
// the product, and a clock that advances only when the driver sleeps.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "device/SensorFactory.h"
#include "sensors/CSensorBase.h"
#include "sensors/SensorDescriptor.h"
#include "sim/Simulator.h"
#include "transport/CNorluxCy3Cam.h"
#include "transport/PrivateDeviceMap.h"

namespace kelvra::family::test {

// Milliseconds that pass only when the driver sleeps; `scale` lets a test run a long limit
// with few steps.
class DriverClock {
  public:
    void Install(CSensorBase& driver) {
        driver.SetSleepFunction([this](uint32_t ms) { m_now.fetch_add(ms * m_scale.load()); });
        driver.SetTickFunction([this] { return m_now.load(); });
    }
    uint32_t Now() const { return m_now.load(); }
    void SetScale(uint32_t scale) { m_scale.store(scale); }

  private:
    std::atomic<uint32_t> m_now{0};
    std::atomic<uint32_t> m_scale{1};
};

struct Rig {
    std::shared_ptr<sim::SimCamera> camera;
    std::unique_ptr<CNorluxCy3Cam> controller;
    std::unique_ptr<CSensorBase> driver;

    uint8_t Fpga(uint8_t reg) const { return uint8_t(camera->fpgaRegister(reg)); }
    uint8_t Sensor(uint16_t reg) const { return camera->sensorRegister(reg); }
    uint16_t Word(uint16_t reg) const { return camera->sensorWord(reg); }
    uint32_t FpgaPair(uint8_t low) const { return Fpga(low) | Fpga(uint8_t(low + 1)) << 8; }
    uint32_t SensorLittle(uint16_t low, int bytes) const {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = v << 8 | Sensor(uint16_t(low + i));
        return v;
    }
    // A 16-bit Aptina register: high byte at the even address.
    uint16_t SensorBig(uint16_t reg) const { return uint16_t(Sensor(reg) << 8 | Sensor(reg + 1)); }
    SensorDescriptor Descriptor() const {
        SensorDescriptor d{};
        driver->GetDescriptor(&d);
        return d;
    }
};

class FamilyTest : public ::testing::Test {
  protected:
    ~FamilyTest() override { sim::detachAllCameras(); }

    static sim::CameraConfig Config(uint16_t productId) {
        sim::CameraConfig config;
        config.productId = productId;
        config.paced = false;
        return config;
    }

    // A simulated camera of the product and the product's driver on it, initialised unless
    // `init` is false. The driver's sleeps run on m_clock.
    Rig Open(const sim::CameraConfig& config, bool init = true) {
        Rig rig;
        rig.camera = sim::attachCamera(config);
        rig.controller = std::make_unique<CNorluxCy3Cam>();
        EXPECT_GE(rig.controller->Enumerate(), 1);
        EXPECT_EQ(rig.controller->SelectDevice(IndexOf(*rig.controller, *rig.camera)), 1);
        rig.driver = CreateSensorDriver(config.productId, *rig.controller);
        EXPECT_NE(rig.driver, nullptr) << std::hex << config.productId;
        if (!rig.driver) return rig;
        m_clock.Install(*rig.driver);
        if (init) {
            if (!rig.driver->ProbeSensor()) rig.driver->RecoverSensor();
            EXPECT_EQ(rig.driver->InitSensor(), 1) << std::hex << config.productId;
        }
        return rig;
    }
    Rig Open(uint16_t productId, bool init = true) { return Open(Config(productId), init); }

    static int32_t IndexOf(const CNorluxCy3Cam& controller, const sim::SimCamera& camera) {
        for (int32_t i = 0; i < kMaxDeviceEntries; ++i) {
            if (camera.devicePath() == controller.GetDeviceEntry(i).path) return i;
        }
        return -1;
    }

    transport::test::PrivateDeviceMap m_map;
    DriverClock m_clock;
};

}  // namespace kelvra::family::test
