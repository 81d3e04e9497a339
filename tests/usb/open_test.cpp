// Opening paths: one libusb handle per camera while any handle is open, claims made once and
// given back, and cameras that are gone or locked simply do not open.
#include "UsbFixture.h"

namespace kelvra::driver::usb::test {
namespace {

using ::testing::HasSubstr;

TEST_F(UsbTest, HandlesOfOnePathShareOneLibusbHandleUntilTheLastCloses) {
    const std::string path = PlugCamera();
    auto stream = Backend().open(path, true);
    ASSERT_NE(stream, nullptr);
    EXPECT_TRUE(stream->isOverlapped());
    for (int i = 0; i < 3; ++i) {
        auto control = Backend().open(path, false);  // the transport's open-issue-close pattern
        ASSERT_NE(control, nullptr);
        EXPECT_FALSE(control->isOverlapped());
    }
    EXPECT_EQ(Fake().opens(), 1);
    EXPECT_EQ(Fake().closes(), 0);
    stream.reset();
    EXPECT_EQ(Fake().closes(), 1);
    auto again = Backend().open(path, false);
    EXPECT_EQ(Fake().opens(), 2);
}

TEST_F(UsbTest, PathsOpenWhateverTheirCase) {
    std::string path = PlugCamera();
    for (char& c : path) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NE(Backend().open(path, false), nullptr);
}

TEST_F(UsbTest, OpeningClaimsNothingTheFirstBulkRequestClaimsOnceAndCloseReleases) {
    const std::string path = PlugCamera();
    {
        auto probe = Backend().open(path, true);  // the transport probes with overlapped opens
        ASSERT_NE(probe, nullptr);
    }
    EXPECT_EQ(Fake().claims(device_), 0);
    auto stream = Backend().open(path, true);
    Fake().setBulkScript([](const fake::BulkCall&) { return fake::BulkCompletion{}; });
    for (int i = 0; i < 2; ++i) {
        std::array<uint8_t, record::kSize> record{};
        record[record::kEndpoint] = kEndpointBulkOut;
        std::array<uint8_t, 32> data{};
        EXPECT_EQ(stream->ioctl(kIoctlDirectTransfer, record, data).error, kErrorSuccess);
    }
    EXPECT_EQ(Fake().claims(device_), 1);
    stream.reset();
    EXPECT_EQ(Fake().releases(device_), 1);
}

TEST_F(UsbTest, ACameraClaimedElsewhereOpensButRefusesBulk) {
    fake::DeviceSetup busy = CameraAt(1, {1});
    busy.claimError = LIBUSB_ERROR_BUSY;
    auto stream = Backend().open(PlugCamera(busy), true);
    ASSERT_NE(stream, nullptr);
    std::array<uint8_t, record::kSize> record{};
    record[record::kEndpoint] = kEndpointStreamIn;
    std::array<uint8_t, 64> data{};
    EXPECT_EQ(stream->ioctl(kIoctlDirectTransfer, record, data).error, kErrorGenFailure);
    EXPECT_EQ(DriverStatus(record.data()), kDriverStatusUnsuccessful);
    EXPECT_TRUE(Fake().bulkCalls().empty());
}

TEST_F(UsbTest, ACameraGoneBetweenEnumerationAndOpenDoesNotOpen) {
    const std::string path = PlugCamera();
    ASSERT_EQ(Backend().enumerate(kCameraInterfaceGuid).size(), 1u);
    Fake().unplug(device_);
    EXPECT_EQ(Backend().open(path, false), nullptr);
    EXPECT_EQ(Backend().open(path, true), nullptr);
}

TEST_F(UsbTest, ACameraGoneBetweenListingAndLibusbOpenDoesNotOpen) {
    fake::DeviceSetup vanishing = CameraAt(1, {1});
    vanishing.openError = LIBUSB_ERROR_NO_DEVICE;
    const std::string path = PlugCamera(vanishing);
    const std::string other = PlugCamera(CameraAt(1, {2}));
    testing::internal::CaptureStderr();
    EXPECT_EQ(Backend().open(path, true), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(Backend().open(other, true), nullptr);  // the rest goes on
}

TEST_F(UsbTest, PathsOfNoAttachedCameraDoNotOpen) {
    const fake::DeviceSetup setup = CameraAt(1, {1});
    PlugCamera(setup);
    fake::DeviceSetup elsewhere = setup;
    elsewhere.ports = {2};
    fake::DeviceSetup otherProduct = setup;
    otherProduct.productId = 0x3260;
    for (const std::string& path : {PathOf(elsewhere), PathOf(otherProduct), std::string("x")}) {
        EXPECT_EQ(Backend().open(path, false), nullptr) << path;
    }
    EXPECT_EQ(Fake().opens(), 0);
}

TEST_F(UsbTest, NoPermissionIsToldOnceNamingTheUdevRule) {
    fake::DeviceSetup locked = CameraAt(1, {4});
    locked.openError = LIBUSB_ERROR_ACCESS;
    const std::string first = PlugCamera(locked);
    locked.ports = {5};
    const std::string second = PlugCamera(locked);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Backend().open(first, true), nullptr);
    EXPECT_EQ(Backend().open(second, true), nullptr);
    EXPECT_EQ(Backend().open(first, false), nullptr);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_THAT(said, HasSubstr("60-kelvra-cameras.rules"));
    EXPECT_THAT(said, HasSubstr("04b4:3270"));
    EXPECT_THAT(said, HasSubstr("1-4"));
    EXPECT_THAT(said, HasSubstr("plugdev"));
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
}

TEST_F(UsbTest, AfterAReplugTheSamePathOpensTheNewDevice) {
    const std::string path = PlugCamera();
    const int before = device_;
    auto old = Backend().open(path, true);
    ASSERT_NE(old, nullptr);
    Fake().unplug(before);
    PlugCamera();
    auto fresh = Backend().open(path, false);  // the old handle still lives
    ASSERT_NE(fresh, nullptr);
    std::array<uint8_t, 4> speed{};
    EXPECT_EQ(fresh->ioctl(kIoctlDeviceSpeed, {}, speed).error, kErrorSuccess);
    EXPECT_EQ(Fake().opens(), 2);
    std::array<uint8_t, 102> buffer{};
    storeU32(buffer.data() + record::kBufferOffset, record::kSize);
    EXPECT_EQ(old->ioctl(kIoctlControlTransfer, buffer, buffer).error, kErrorDeviceNotConnected);
    EXPECT_EQ(fresh->ioctl(kIoctlControlTransfer, buffer, buffer).error, kErrorSuccess);
}

}  // namespace
}  // namespace kelvra::driver::usb::test
