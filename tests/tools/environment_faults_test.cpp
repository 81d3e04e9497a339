// The simulated camera's environment faults, which the tool's tests use from a separate process.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "sim/EnvironmentFaults.h"
#include "sim/Simulator.h"

namespace kelvra::sim {
namespace {

// Waits until `camera` is unplugged; false if that never happens (a generous guard against a
// hang, not a measurement).
bool waitUntilUnplugged(const std::shared_ptr<SimCamera>& camera) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (camera->plugged()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class EnvironmentFaultsTest : public ::testing::Test {
  protected:
    void TearDown() override {
        unsetenv(kUnplugAfterMsVariable);
        detachAllCameras();
    }
};

TEST(ParseUnplugAfterMs, WholeNonNegativeMillisecondsOnly) {
    EXPECT_EQ(parseUnplugAfterMs("0"), 0);
    EXPECT_EQ(parseUnplugAfterMs("1500"), 1500);
    for (const char* text : {"", "-1", "12ms", " 5", "5 ", "1.5", "99999999999", "0x10"}) {
        EXPECT_FALSE(parseUnplugAfterMs(text).has_value()) << text;
    }
}

// 1 would lose every frame, which is an unplugged camera, not a lossy one.
TEST(ParseLoseEvery, WholeNumbersFromTwo) {
    EXPECT_EQ(parseLoseEvery("2"), 2);
    EXPECT_EQ(parseLoseEvery("10"), 10);
    for (const char* text : {"", "0", "1", "-2", "2x", " 2"}) {
        EXPECT_FALSE(parseLoseEvery(text).has_value()) << text;
    }
}

TEST_F(EnvironmentFaultsTest, UnplugsOnlyTheFirstCameraAttached) {
    auto first = attachCamera();
    auto second = attachCamera();
    setenv(kUnplugAfterMsVariable, "0", 1);
    applyEnvironmentFaults({first, second});
    ASSERT_TRUE(waitUntilUnplugged(first));
    EXPECT_TRUE(second->plugged());
}

TEST_F(EnvironmentFaultsTest, AMalformedValueIsReportedAndIgnored) {
    auto camera = attachCamera();
    setenv(kUnplugAfterMsVariable, "soon", 1);
    testing::internal::CaptureStderr();
    applyEnvironmentFaults({camera});
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ignoring KELVRA_SIMULATED_UNPLUG_AFTER_MS=\"soon\""), std::string::npos)
        << err;
    EXPECT_TRUE(camera->plugged());
}

TEST_F(EnvironmentFaultsTest, ANewScheduleCancelsThePendingOne) {
    auto distant = attachCamera();
    auto soon = attachCamera();
    setenv(kUnplugAfterMsVariable, "600000", 1);
    applyEnvironmentFaults({distant});
    setenv(kUnplugAfterMsVariable, "0", 1);
    applyEnvironmentFaults({soon});
    ASSERT_TRUE(waitUntilUnplugged(soon));
    // The first schedule was cancelled (and its thread joined) before the second started.
    EXPECT_TRUE(distant->plugged());
}

TEST_F(EnvironmentFaultsTest, ACameraGoneBeforeTheDelayIsLeftAlone) {
    std::weak_ptr<SimCamera> gone;
    {
        auto camera = attachCamera();
        gone = camera;
        setenv(kUnplugAfterMsVariable, "600000", 1);
        applyEnvironmentFaults({camera});
        detachCamera(camera);
    }
    // Replacing the schedule joins its thread, which must not touch the detached camera.
    auto other = attachCamera();
    setenv(kUnplugAfterMsVariable, "0", 1);
    applyEnvironmentFaults({other});
    ASSERT_TRUE(waitUntilUnplugged(other));
}

}  // namespace
}  // namespace kelvra::sim
