// Choosing the back end: an installed one first, else the environment, read once per process.
#include <gtest/gtest.h>

#include <cstdlib>

#include "driver/Driver.h"

namespace kelvra::driver {
namespace {

class FakeBackend final : public Backend {
  public:
    const char* name() const override { return "fake"; }
    std::vector<std::string> enumerate(const Guid&) override { return {"one", "two"}; }
    std::unique_ptr<DeviceHandle> open(std::string_view, bool) override { return nullptr; }
};

FakeBackend gFake;
std::vector<uint16_t> gFactoryIds;
int gFactoryCalls = 0;

Backend* fakeFactory(std::span<const uint16_t> ids) {
    ++gFactoryCalls;
    gFactoryIds.assign(ids.begin(), ids.end());
    return &gFake;
}

// Runs in the death test's child: a valid list reaches the factory once, in order.
int selectFromValidList() {
    setenv("KELVRA_SIMULATED_CAMERAS", "0x3270,0x3260", 1);
    registerSimulatedCameras(&fakeFactory);
    activeBackend();
    const std::vector<uint16_t> expected = {0x3270, 0x3260};
    const bool ok = std::string(activeBackend().name()) == "fake" && gFactoryCalls == 1 &&
                    gFactoryIds == expected;
    return ok ? 0 : 1;
}

TEST(BackendSelectionTest, InstalledBackendServesTheSeamUntilRemoved) {
    installBackend(&gFake);
    EXPECT_STREQ(activeBackend().name(), "fake");
    EXPECT_EQ(enumerateInterfaces(kCameraInterfaceGuid).size(), 2u);
    installBackend(nullptr);
    EXPECT_STRNE(activeBackend().name(), "fake");
}

// Each case runs in a fresh process: the environment is read once per process.
class BackendSelectionDeathTest : public ::testing::Test {
  protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(BackendSelectionDeathTest, UnsetVariableMeansUsbSilently) {
    EXPECT_EXIT(
        {
            unsetenv("KELVRA_SIMULATED_CAMERAS");
            registerSimulatedCameras(&fakeFactory);
            const bool usb = std::string(activeBackend().name()) == "usb" &&
                             enumerateInterfaces(kCameraInterfaceGuid).empty() &&
                             openDevice("x", false) == nullptr && gFactoryCalls == 0;
            std::exit(usb ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "^$");
}

TEST_F(BackendSelectionDeathTest, ValidVariableBuildsSimulatedCamerasOnce) {
    EXPECT_EXIT(std::exit(selectFromValidList()), ::testing::ExitedWithCode(0), "^$");
}

TEST_F(BackendSelectionDeathTest, BlankVariableCountsAsUnset) {
    EXPECT_EXIT(
        {
            setenv("KELVRA_SIMULATED_CAMERAS", "  ", 1);
            registerSimulatedCameras(&fakeFactory);
            std::exit(std::string(activeBackend().name()) == "usb" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "^$");
}

TEST_F(BackendSelectionDeathTest, MalformedVariableIsReportedOnceAndIgnored) {
    EXPECT_EXIT(
        {
            setenv("KELVRA_SIMULATED_CAMERAS", "0x3270,,", 1);
            registerSimulatedCameras(&fakeFactory);
            for (int i = 0; i < 3; ++i) enumerateInterfaces(kCameraInterfaceGuid);
            std::exit(std::string(activeBackend().name()) == "usb" && gFactoryCalls == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        "^kelvra: ignoring KELVRA_SIMULATED_CAMERAS=\"0x3270,,\": [^\n]*\n$");
}

TEST_F(BackendSelectionDeathTest, VariableWithoutASimulatorInTheBuildIsReported) {
    EXPECT_EXIT(
        {
            setenv("KELVRA_SIMULATED_CAMERAS", "1", 1);
            std::exit(std::string(activeBackend().name()) == "usb" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "^kelvra: ignoring KELVRA_SIMULATED_CAMERAS: [^\n]*\n$");
}

}  // namespace
}  // namespace kelvra::driver
