// This machine's own USB, through the real libusb and the library's back-end choice. Build
// machines and containers have no USB subsystem: nothing must enumerate, nothing must open and
// nothing must be printed. On a machine with cameras attached the listing tests still hold for
// every path they find.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "driver/Driver.h"
#include "driver/usb/CameraPath.h"
#include "driver/usb/UsbBackend.h"

namespace kelvra::driver {
namespace {

// Where libusb finds the devices on Linux; without it there is no USB subsystem.
bool HasUsb() {
    return access("/dev/bus/usb", F_OK) == 0;
}

class UsbMachineDeathTest : public ::testing::Test {
  protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// Each case runs in a fresh process: the environment is read once per process.
TEST_F(UsbMachineDeathTest, WithoutSimulatedCamerasTheUsbBackEndServesSilently) {
    EXPECT_EXIT(
        {
            unsetenv("KELVRA_SIMULATED_CAMERAS");
            bool ok = std::string(activeBackend().name()) == "usb";
            const std::vector<std::string> paths = enumerateInterfaces(kCameraInterfaceGuid);
            ok = ok && (HasUsb() || paths.empty());
            for (const std::string& path : paths) ok = ok && usb::parseCameraPath(path).has_value();
            ok = ok && openDevice(
                           usb::formatCameraPath({0x04B4, 0x3270, usb::formatLocation({250, {7}})}),
                           true) == nullptr;
            ok = ok && openDevice("\\\\?\\usb#nothing", false) == nullptr;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "^$");
}

TEST_F(UsbMachineDeathTest, AMalformedSimulationRequestFallsBackToUsb) {
    EXPECT_EXIT(
        {
            setenv("KELVRA_SIMULATED_CAMERAS", "lots", 1);
            std::exit(std::string(activeBackend().name()) == "usb" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "^kelvra: ignoring KELVRA_SIMULATED_CAMERAS=\"lots\"");
}

TEST(UsbMachineTest, OtherInterfaceClassesListNothing) {
    EXPECT_TRUE(
        usb::UsbBackend::instance().enumerate(Guid{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}).empty());
}

}  // namespace
}  // namespace kelvra::driver
