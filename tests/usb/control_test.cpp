// The control IOCTL: the 102-byte request the transport builds becomes one control transfer,
// and the answer and status words come back in the same buffer.
#include "UsbFixture.h"
#include "transport/RequestEncoding.h"

namespace kelvra::driver::usb::test {
namespace {

using transport::ControlBuffer;
using transport::MakeControlRequest;

class ControlTest : public UsbTest {
  protected:
    void SetUp() override {
        UsbTest::SetUp();
        handle_ = Backend().open(PlugCamera(), false);
        ASSERT_NE(handle_, nullptr);
    }
    void TearDown() override {
        handle_.reset();
        UsbTest::TearDown();
    }

    fake::ControlCall OnlyCall() {
        std::vector<fake::ControlCall> calls = Fake().controlCalls();
        EXPECT_EQ(calls.size(), 1u);
        return calls.empty() ? fake::ControlCall{} : calls[0];
    }

    std::unique_ptr<DeviceHandle> handle_;
};

TEST_F(ControlTest, VendorOutSendsTheDataAreaWithTheBufferLengthAsWLength) {
    const std::array<uint8_t, 3> bytes{0x11, 0x00, 0x7F};
    ControlBuffer buffer = MakeControlRequest(kVendorOutDevice, 0x30, 3, 0x40, bytes);
    ASSERT_EQ(loadU16(buffer.data() + record::kLength), 102);  // the Windows buffer size
    const IoResult result = handle_->ioctl(kIoctlControlTransfer, buffer, buffer);
    EXPECT_EQ(result.error, kErrorSuccess);
    EXPECT_EQ(result.bytes, 38u + 64u);
    const fake::ControlCall call = OnlyCall();
    EXPECT_EQ(call.requestType, 0x40);
    EXPECT_EQ(call.request, 0x30);
    EXPECT_EQ(call.value, 3);
    EXPECT_EQ(call.index, 0x40);
    EXPECT_EQ(call.length, 64);
    EXPECT_EQ(call.timeoutMs, 3000u);
    std::vector<uint8_t> expected(64, 0);
    std::copy(bytes.begin(), bytes.end(), expected.begin());
    EXPECT_EQ(call.data, expected);
    EXPECT_EQ(DriverStatus(buffer.data()), 0u);
    EXPECT_EQ(UsbStatusWord(buffer.data()), 0u);
}

TEST_F(ControlTest, VendorInReturnsWhatTheDeviceSentAfterTheRecord) {
    Fake().setControlScript([](const fake::ControlCall&) {
        return fake::ControlReply{0, {0xA1, 0xB2, 0xC3}};
    });
    ControlBuffer buffer = MakeControlRequest(kVendorInDevice, 0x3F, 0x1234, 0);
    buffer[record::kSize + 5] = 0xEE;  // beyond what comes back: left alone
    const IoResult result = handle_->ioctl(kIoctlControlTransfer, buffer, buffer);
    EXPECT_EQ(result.error, kErrorSuccess);
    EXPECT_EQ(result.bytes, 38u + 3u);
    const fake::ControlCall call = OnlyCall();
    EXPECT_EQ(call.requestType, 0xC0);
    EXPECT_EQ(call.request, 0x3F);
    EXPECT_EQ(call.value, 0x1234);
    EXPECT_EQ(call.length, 64);
    EXPECT_EQ(buffer[38], 0xA1);
    EXPECT_EQ(buffer[40], 0xC3);
    EXPECT_EQ(buffer[43], 0xEE);
    EXPECT_EQ(buffer[record::kRequest], 0x3F);  // the record is still the record
}

TEST_F(ControlTest, AnswerGoesToASeparateOutputBufferWithTheRecord) {
    Fake().setControlScript([](const fake::ControlCall&) { return fake::ControlReply{0, {7}}; });
    ControlBuffer in = MakeControlRequest(kVendorInDevice, 0x3D, 0, 0);
    ControlBuffer out{};
    out.fill(0x55);
    EXPECT_EQ(handle_->ioctl(kIoctlControlTransfer, in, out).bytes, 39u);
    EXPECT_EQ(out[record::kRequest], 0x3D);
    EXPECT_EQ(DriverStatus(out.data()), 0u);
    EXPECT_EQ(out[38], 7);
}

TEST_F(ControlTest, RecordTimeoutIsGivenToLibusbInMilliseconds) {
    ControlBuffer buffer = MakeControlRequest(kVendorOutDevice, 0xC0, 0, 0);
    storeU32(buffer.data() + record::kTimeout, 0);
    handle_->ioctl(kIoctlControlTransfer, buffer, buffer);
    storeU32(buffer.data() + record::kTimeout, 0xFFFFFFFF);  // no overflow into a short limit
    handle_->ioctl(kIoctlControlTransfer, buffer, buffer);
    const std::vector<fake::ControlCall> calls = Fake().controlCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].timeoutMs, 0u);
    EXPECT_EQ(calls[1].timeoutMs, 0xFFFFFFFFu);
}

struct FailureCase {
    int libusbError;
    uint32_t error;
    uint32_t usbStatus;
};

TEST_F(ControlTest, FailuresReadAsTheWindowsDriverReportsThem) {
    const FailureCase cases[] = {
        {LIBUSB_ERROR_PIPE, kErrorGenFailure, kUsbStatusStall},
        {LIBUSB_ERROR_TIMEOUT, kErrorSemTimeout, kUsbStatusCanceled},
        {LIBUSB_ERROR_OVERFLOW, kErrorGenFailure, kUsbStatusBabble},
        {LIBUSB_ERROR_IO, kErrorGenFailure, kUsbStatusNotResponding},
        {LIBUSB_ERROR_NO_DEVICE, kErrorDeviceNotConnected, kUsbStatusNotResponding},
    };
    for (const FailureCase& c : cases) {
        Fake().setControlScript([&](const fake::ControlCall&) {
            return fake::ControlReply{c.libusbError, {1, 2}};
        });
        ControlBuffer buffer = MakeControlRequest(kVendorInDevice, 0xB0, 0, 0);
        const IoResult result = handle_->ioctl(kIoctlControlTransfer, buffer, buffer);
        EXPECT_EQ(result.error, c.error) << c.libusbError;
        EXPECT_EQ(result.bytes, 0u);
        EXPECT_EQ(DriverStatus(buffer.data()), kDriverStatusUnsuccessful) << c.libusbError;
        EXPECT_EQ(UsbStatusWord(buffer.data()), c.usbStatus) << c.libusbError;
        EXPECT_EQ(buffer[38], 0);  // nothing of a failed answer is taken
    }
}

TEST_F(ControlTest, MalformedRequestsAreRefusedWithoutReachingTheDevice) {
    ControlBuffer good = MakeControlRequest(kVendorInDevice, 0xB0, 0, 0);
    std::vector<std::vector<uint8_t>> bad;
    auto edited = [&](size_t offset, uint32_t value) {
        std::vector<uint8_t> copy(good.begin(), good.end());
        storeU32(copy.data() + offset, value);
        return copy;
    };
    bad.push_back(edited(record::kBufferOffset, 0));
    bad.push_back(edited(record::kBufferLength, 65));
    std::vector<uint8_t> toEndpoint(good.begin(), good.end());
    toEndpoint[record::kEndpoint] = 0x81;
    bad.push_back(toEndpoint);
    bad.emplace_back(good.begin(), good.begin() + 60);  // shorter than its data area
    bad.emplace_back(good.begin(), good.begin() + 20);  // shorter than a record
    for (std::vector<uint8_t>& request : bad) {
        EXPECT_EQ(handle_->ioctl(kIoctlControlTransfer, request, request).error,
                  kErrorInvalidParameter);
    }
    std::array<uint8_t, 40> shortOut{};
    EXPECT_EQ(handle_->ioctl(kIoctlControlTransfer, good, shortOut).error, kErrorInvalidParameter);
    EXPECT_TRUE(Fake().controlCalls().empty());
}

TEST_F(ControlTest, UnknownCodesAreInvalidFunctions) {
    std::array<uint8_t, 4> word{};
    EXPECT_EQ(handle_->ioctl(0x220040, word, word).error, kErrorInvalidFunction);
}

}  // namespace
}  // namespace kelvra::driver::usb::test
