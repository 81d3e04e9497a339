// Device-core tests against simulated cameras: a shared device map of the test's own (test
// programs run side by side), a clock the core sleeps on without waiting, and helpers to open
// a camera and wait for the transfer thread.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/CKelvraUSB3Q6SimpleSdk.h"
#include "sim/Simulator.h"
#include "transport/CFx3Api.h"
#include "transport/PrivateDeviceMap.h"
#include "transport/SharedDeviceMap.h"

namespace kelvra::device_test {

inline constexpr int32_t kK4Swir = 0x3270;
inline constexpr int32_t kModelG = 0x32D0;

// A clock that advances only when the core sleeps on it; every sleep is recorded.
class FakeClock {
  public:
    void Install(CKelvraU3Q6Base& core) {
        core.SetTimeFunctions([this](uint32_t ms) { Sleep(ms); }, [this] { return Now(); });
    }
    void Sleep(uint32_t ms) {
        std::lock_guard lock(m_mutex);
        m_now += ms;
        m_sleeps.push_back(ms);
    }
    uint32_t Now() {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    std::vector<uint32_t> Sleeps() {
        std::lock_guard lock(m_mutex);
        return m_sleeps;
    }
    int Count(uint32_t ms) {
        int n = 0;
        for (uint32_t s : Sleeps()) n += s == ms ? 1 : 0;
        return n;
    }

  private:
    std::mutex m_mutex;
    uint32_t m_now = 0;
    std::vector<uint32_t> m_sleeps;
};

// Polls `done` until it holds or a generous limit passes; the result says which.
inline bool Eventually(const std::function<bool()>& done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline bool ThreadEnds(CKelvraU3Q6Base& core) {
    return Eventually([&] { return core.IsTransferRunning() == 0; });
}

// Waits for a frame the core reports as new (3), or for the transfer to be lost (1). An unpaced
// camera can bring the ring round exactly once by the time a wait wakes, which reads as nothing
// new (2), so a few waits may be needed.
inline int32_t WaitNewFrame(CKelvraU3Q6Base& core) {
    int32_t result = 2;
    for (int i = 0; i < 10 && result == 2; ++i) result = core.WaitFrame(10000);
    return result;
}

class DeviceTest : public ::testing::Test {
  protected:
    ~DeviceTest() override {
        m_cores.clear();
        sim::detachAllCameras();
    }

    static sim::CameraConfig Config(uint16_t productId = kK4Swir) {
        sim::CameraConfig config;
        config.productId = productId;
        return config;
    }

    static std::shared_ptr<sim::SimCamera> Attach(const sim::CameraConfig& config = Config()) {
        return sim::attachCamera(config);
    }

    // A core of `productId` with its controller, not yet open. Owned by the test.
    CKelvraU3Q6Base& NewCore(int32_t productId = kK4Swir) {
        m_cores.push_back(std::make_unique<CKelvraUSB3Q6SimpleSdk>());
        CKelvraU3Q6Base& core = *m_cores.back();
        core.SetProductId(productId);
        core.CreateController(nullptr, nullptr);
        return core;
    }

    // A core with camera `instance` of its product open; fails the test when it does not open.
    CKelvraU3Q6Base& OpenCore(int32_t productId = kK4Swir, int32_t instance = 0) {
        CKelvraU3Q6Base& core = NewCore(productId);
        EXPECT_NE(core.OpenCamera(instance), 0);
        return core;
    }

    FakeClock m_clock;  // outlives every core of the test

  private:
    transport::test::PrivateDeviceMap m_map{"kelvra-device-test-"};  // outlives the cores
    std::vector<std::unique_ptr<CKelvraU3Q6Base>> m_cores;
};

}  // namespace kelvra::device_test
