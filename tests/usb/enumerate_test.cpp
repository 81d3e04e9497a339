// Enumeration: the cameras attached now, in a stable order, under paths that survive a replug.
#include "UsbFixture.h"

namespace kelvra::driver::usb::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(UsbTest, ListsCamerasByBusThenPortChainWhateverTheirPlugOrder) {
    const std::string b2p1 = PlugCamera(CameraAt(2, {1}));
    const std::string b1p3 = PlugCamera(CameraAt(1, {3}));
    const std::string b1p2p4 = PlugCamera(CameraAt(1, {2, 4}, 0x3260));
    const std::string b1p2 = PlugCamera(CameraAt(1, {2}));
    EXPECT_THAT(Backend().enumerate(kCameraInterfaceGuid), ElementsAre(b1p2, b1p2p4, b1p3, b2p1));
}

TEST_F(UsbTest, PathsCarryTheRealVendorAndProductIds) {
    PlugCamera(CameraAt(1, {5}, 0x33C0));
    const std::vector<std::string> paths = Backend().enumerate(kCameraInterfaceGuid);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].substr(12, 4), "04b4");
    EXPECT_EQ(paths[0].substr(21, 4), "33c0");
}

// Another maker's device with a camera's product id: never listed, opened or asked anything,
// not even its serial number.
TEST_F(UsbTest, DevicesOfAnotherVendorAreNeverOpenedOrAsked) {
    fake::DeviceSetup foreign = CameraAt(1, {1});
    foreign.vendorId = 0x1D6B;
    foreign.serial = "ABC123";
    PlugCamera(foreign);
    EXPECT_THAT(Backend().enumerate(kCameraInterfaceGuid), IsEmpty());
    EXPECT_EQ(Backend().open(PathOf(foreign), false), nullptr);
    EXPECT_EQ(Fake().opens(), 0);
    EXPECT_THAT(Fake().controlCalls(), IsEmpty());
}

// As the Windows instance id: the serial number names the camera wherever it is plugged in; a
// camera without a usable one is named by its port.
TEST_F(UsbTest, CamerasAreNamedBySerialNumberSoAnotherPortKeepsThePath) {
    fake::DeviceSetup setup = CameraAt(1, {2});
    setup.serial = "K4S-0042";
    const std::string first = PlugCamera(setup);
    EXPECT_NE(first.find("#K4S-0042#"), std::string::npos) << first;
    Fake().unplug(device_);
    setup.ports = {3, 1};
    EXPECT_EQ(PlugCamera(setup), first);
    EXPECT_THAT(Backend().enumerate(kCameraInterfaceGuid), ElementsAre(first));
    EXPECT_NE(Backend().open(first, false), nullptr);

    fake::DeviceSetup odd = CameraAt(1, {4});
    odd.serial = "has space#";
    EXPECT_NE(PlugCamera(odd).find("#1-4#"), std::string::npos);
}

TEST_F(UsbTest, LeavesOutDevicesThatAreNotCameras) {
    PlugCamera(CameraAt(1, {1}, 0x1234));  // unknown product id
    fake::DeviceSetup foreign = CameraAt(1, {2});
    foreign.endpoints = {{0x81, fake::kInterrupt}, {0x02, fake::kBulk}};  // another maker's 0x3270
    PlugCamera(foreign);
    fake::DeviceSetup halfCamera = CameraAt(1, {3});
    halfCamera.endpoints = {{0x81, fake::kBulk}};
    PlugCamera(halfCamera);
    fake::DeviceSetup unconfigured = CameraAt(1, {4});
    unconfigured.configured = false;
    PlugCamera(unconfigured);
    const std::string camera = PlugCamera(CameraAt(1, {5}));
    EXPECT_THAT(Backend().enumerate(kCameraInterfaceGuid), ElementsAre(camera));
}

TEST_F(UsbTest, OtherInterfaceClassesListNothing) {
    PlugCamera();
    EXPECT_THAT(Backend().enumerate(Guid{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}), IsEmpty());
}

TEST_F(UsbTest, ReplugIntoTheSamePortGivesTheSamePath) {
    const std::string first = PlugCamera(CameraAt(1, {2, 1}));
    const int unplugged = device_;
    EXPECT_THAT(Backend().enumerate(kCameraInterfaceGuid), ElementsAre(first));
    Fake().unplug(unplugged);
    EXPECT_THAT(Backend().enumerate(kCameraInterfaceGuid), IsEmpty());
    PlugCamera(CameraAt(1, {2, 1}));
    EXPECT_THAT(Backend().enumerate(kCameraInterfaceGuid), ElementsAre(first));
    EXPECT_NE(device_, unplugged);
}

TEST_F(UsbTest, ListingNeedsNoPermissionOnTheDevices) {
    fake::DeviceSetup locked = CameraAt(1, {1});
    locked.openError = LIBUSB_ERROR_ACCESS;
    const std::string path = PlugCamera(locked);
    testing::internal::CaptureStderr();
    EXPECT_THAT(Backend().enumerate(kCameraInterfaceGuid), ElementsAre(path));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Fake().opens(), 0);
}

TEST_F(UsbTest, WithoutUsbNothingListsNothingOpensAndNothingIsSaid) {
    const std::string path = PlugCamera();
    Fake().setInitError(LIBUSB_ERROR_OTHER);
    testing::internal::CaptureStderr();
    EXPECT_THAT(Backend().enumerate(kCameraInterfaceGuid), IsEmpty());
    EXPECT_EQ(Backend().open(path, false), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace kelvra::driver::usb::test
