// The controller of the transport on the usb back end: each kind of request the camera
// protocol uses, as it reaches libusb, and what comes back to the controller.
#include <thread>

#include "UsbFixture.h"
#include "driver/Driver.h"
#include "transport/CNorluxCy3Cam.h"
#include "transport/PrivateDeviceMap.h"

namespace kelvra::driver::usb::test {
namespace {

using ::testing::ElementsAre;

void NoSleep(uint32_t) {}

// Answers like the camera's firmware, as far as these tests need: IN requests return 64 bytes
// (byte i = request + i), I2C reads return wValue bytes counting down from 0xBB.
fake::ControlReply Firmware(const fake::ControlCall& call) {
    if (!(call.requestType & LIBUSB_ENDPOINT_IN)) return {call.length, {}};
    std::vector<uint8_t> data(call.request == 0x31 ? call.value : 64);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(call.request == 0x31 ? 0xBB - i : call.request + i);
    }
    return {0, data};
}

// A frame header announcing a body of `length` bytes as frame `number`.
std::vector<uint8_t> Header(uint32_t length, uint32_t number) {
    std::vector<uint8_t> header(64, 0);
    storeU32(header.data() + kHeaderBodyLengthOffset, length);
    storeU32(header.data() + kHeaderFrameNumberOffset, number);
    return header;
}

class TransportOnUsbTest : public UsbTest {
  protected:
    void SetUp() override {
        UsbTest::SetUp();
        installBackend(&Backend());
        path_ = PlugCamera();
        Fake().setControlScript(&Firmware);
        cam_ = std::make_unique<CNorluxCy3Cam>();
        cam_->SetSleepFunction(&NoSleep);
        ASSERT_EQ(cam_->Enumerate(), 1);
    }
    void TearDown() override {
        cam_.reset();
        installBackend(nullptr);
        UsbTest::TearDown();
    }

    // Bulk reads on 0x81 answer `header` for 64-byte reads and a full piece of 0x3C otherwise;
    // every OUT transfer is taken whole.
    void AnswerBulk(std::vector<uint8_t> header) {
        Fake().setBulkScript([header](const fake::BulkCall& call) {
            if (!(call.endpoint & LIBUSB_ENDPOINT_IN)) return std::optional(fake::BulkCompletion{});
            std::vector<uint8_t> data =
                call.length == 64 ? header : std::vector<uint8_t>(size_t(call.length), 0x3C);
            return std::optional(fake::BulkCompletion{LIBUSB_TRANSFER_COMPLETED, data, -1});
        });
    }

    std::vector<std::pair<uint8_t, int>> BulkShape() {
        std::vector<std::pair<uint8_t, int>> shape;
        for (const fake::BulkCall& call : Fake().bulkCalls()) {
            shape.emplace_back(call.endpoint, call.length);
        }
        return shape;
    }

    transport::test::PrivateDeviceMap map_;
    std::string path_;
    std::unique_ptr<CNorluxCy3Cam> cam_;
};

TEST_F(TransportOnUsbTest, TheDeviceTableReadsTheRealIdsFromOurPath) {
    const DeviceEntry entry = cam_->GetDeviceEntry(0);
    EXPECT_EQ(entry.vendorId, 0x04B4);
    EXPECT_EQ(entry.productId, 0x3270);
    EXPECT_EQ(entry.instance, 0);
    EXPECT_STREQ(entry.path, path_.c_str());
    EXPECT_EQ(cam_->IsDeviceOpenable(0), 1);
}

TEST_F(TransportOnUsbTest, FpgaRegisterReadIsAnI2cWriteThenAnI2cRead) {
    uint8_t value = 0;
    ASSERT_EQ(cam_->ReadFpgaRegister(0x10, &value), 1);
    EXPECT_EQ(value, 0xBA);  // the second byte read back
    const std::vector<fake::ControlCall> calls = Fake().controlCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].requestType, 0x40);
    EXPECT_EQ(calls[0].request, 0x30);
    EXPECT_EQ(calls[0].value, 1);
    EXPECT_EQ(calls[0].index, 0x40);
    EXPECT_EQ(calls[0].data[0], 0x10);
    EXPECT_EQ(calls[1].requestType, 0xC0);
    EXPECT_EQ(calls[1].request, 0x31);
    EXPECT_EQ(calls[1].value, 2);
    EXPECT_EQ(calls[1].index, 0x41);
    for (const fake::ControlCall& call : calls) {
        EXPECT_EQ(call.length, 64);
        EXPECT_EQ(call.timeoutMs, 3000u);
    }
}

TEST_F(TransportOnUsbTest, RegisterAndSensorWritesCarryTheirBytes) {
    ASSERT_EQ(cam_->WriteRegister32(0x8005, 0x11223344), 1);
    ASSERT_EQ(cam_->WriteSensorRegister(0x3012, 0xABCD), 1);
    ASSERT_EQ(cam_->SendCommandCC(), 1);
    const std::vector<fake::ControlCall> calls = Fake().controlCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].request, 0xD0);
    EXPECT_EQ(calls[0].value, 1);
    EXPECT_EQ(calls[0].index, 5);
    EXPECT_THAT(std::vector<uint8_t>(calls[0].data.begin(), calls[0].data.begin() + 4),
                ElementsAre(0x44, 0x33, 0x22, 0x11));
    EXPECT_EQ(calls[1].request, 0x3E);
    EXPECT_THAT(std::vector<uint8_t>(calls[1].data.begin(), calls[1].data.begin() + 4),
                ElementsAre(0x30, 0x12, 0xAB, 0xCD));
    EXPECT_EQ(calls[2].requestType, 0x42);
    EXPECT_EQ(calls[2].request, 0xCC);
}

TEST_F(TransportOnUsbTest, InformationBlocksAndRegisterReadsComeBackWhole) {
    std::array<uint8_t, 64> block{};
    ASSERT_EQ(cam_->ReadInfoBlockA(block.data()), 1);
    EXPECT_EQ(block[0], 0xB0);
    EXPECT_EQ(block[63], static_cast<uint8_t>(0xB0 + 63));
    uint16_t value = 0;
    ASSERT_EQ(cam_->ReadRegister16(0x0123, &value), 1);
    EXPECT_EQ(value, 0xD2D1);
    EXPECT_EQ(Fake().controlCalls()[1].index, 0x0123);
}

TEST_F(TransportOnUsbTest, FrameHeaderIsTheReadyQueryThenA64ByteRead) {
    ASSERT_EQ(cam_->AllocateStaging(), 1);
    EXPECT_EQ(Fake().resets(device_), 1);  // the parent port reset of the open sequence
    AnswerBulk(Header(4096, 77));
    FrameRequest request;
    ASSERT_EQ(cam_->ReadFrameHeader(request), 1);
    EXPECT_EQ(request.frameNumber, 77u);
    EXPECT_EQ(loadU32(request.header + kHeaderBodyLengthOffset), 4096u);
    const std::vector<fake::ControlCall> controls = Fake().controlCalls();
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_EQ(controls[0].requestType, 0x42);
    EXPECT_EQ(controls[0].request, 0xC2);
    EXPECT_THAT(BulkShape(), ElementsAre(std::pair<uint8_t, int>{0x81, 64}));
}

TEST_F(TransportOnUsbTest, FrameBodyIsReadIn512KiBPieces) {
    ASSERT_EQ(cam_->AllocateStaging(), 1);
    AnswerBulk(Header(0x80001, 1));
    std::vector<uint8_t> body(0x80001, 0);
    FrameRequest request;
    storeU32(request.header + kHeaderBodyLengthOffset, 0x80001);
    request.destination = body.data();
    request.capacity = static_cast<uint32_t>(body.size());
    ASSERT_EQ(cam_->ReadFrameBody(request, 1000), 1);
    EXPECT_THAT(BulkShape(), ElementsAre(std::pair<uint8_t, int>{0x81, 0x80000},
                                         std::pair<uint8_t, int>{0x81, 1}));
    EXPECT_EQ(body.front(), 0x3C);
    EXPECT_EQ(body.back(), 0x3C);
}

TEST_F(TransportOnUsbTest, MemoryReadSendsTheCommandBlockThenReadsTheWindow) {
    ASSERT_EQ(cam_->AllocateStaging(), 1);
    AnswerBulk({});
    std::vector<uint8_t> data(8192, 0);
    ASSERT_EQ(cam_->ReadMemory(0x123456789A, data.data(), 4096), 1);
    EXPECT_THAT(BulkShape(), ElementsAre(std::pair<uint8_t, int>{0x01, 32},
                                         std::pair<uint8_t, int>{0x81, 8192}));
    const std::vector<uint8_t> command = Fake().bulkCalls()[0].data;
    EXPECT_THAT(std::vector<uint8_t>(command.begin(), command.begin() + 4),
                ElementsAre('A', 'U', '3', 'R'));
    EXPECT_EQ(loadU32(command.data() + 8), 0x3456789Au);
    EXPECT_EQ(loadU32(command.data() + 12), 0x12u);
    EXPECT_EQ(loadU32(command.data() + 16), 8192u);
    EXPECT_EQ(data[4095], 0x3C);
    EXPECT_EQ(data[4096], 0);  // the transport keeps to what the caller asked for
}

TEST_F(TransportOnUsbTest, MemoryWriteSendsTheCommandBlockThenTheData) {
    ASSERT_EQ(cam_->AllocateStaging(), 1);
    AnswerBulk({});
    std::vector<uint8_t> data(100, 0x61);
    ASSERT_EQ(cam_->WriteMemory(0x40, data.data(), 100), 1);
    EXPECT_THAT(BulkShape(), ElementsAre(std::pair<uint8_t, int>{0x01, 32},
                                         std::pair<uint8_t, int>{0x01, 4096}));
    std::vector<uint8_t> sent(4096, 0);  // padded to the whole unit
    std::fill_n(sent.begin(), 100, 0x61);
    EXPECT_EQ(Fake().bulkCalls()[1].data, sent);
}

TEST_F(TransportOnUsbTest, SpeedPipeAndPortRequests) {
    uint32_t speed = 0;
    ASSERT_EQ(cam_->GetDeviceSpeed(&speed), 1);
    EXPECT_EQ(speed, 4u);
    ASSERT_EQ(cam_->ResetPipe(0x81), 1);
    EXPECT_THAT(Fake().clearedHalts(device_), ElementsAre(0x81));
    ASSERT_EQ(cam_->ResetParentPort(), 1);
    EXPECT_EQ(Fake().resets(device_), 1);
}

TEST_F(TransportOnUsbTest, AnExpiredReadIsAbortedAndItsTransferCancelled) {
    ASSERT_EQ(cam_->AllocateStaging(), 1);
    ASSERT_EQ(cam_->OpenStream(), 1);
    std::array<uint8_t, 64> header{};
    uint32_t moved = 0;
    auto stream = Backend().open(path_, true);
    EXPECT_EQ(cam_->DirectTransferTimed(stream.get(), header.data(), 64, 0x81, &moved, 20), 0);
    EXPECT_EQ(Fake().cancels(), 1);
    EXPECT_TRUE(Fake().pendingBulk().empty());
}

TEST_F(TransportOnUsbTest, AbortStreamEndsAReadThatWaitsWithoutLimit) {
    ASSERT_EQ(cam_->AllocateStaging(), 1);
    ASSERT_EQ(cam_->OpenStream(), 1);
    std::vector<uint8_t> body(1024, 0);
    FrameRequest request;
    storeU32(request.header + kHeaderBodyLengthOffset, 1024);
    request.destination = body.data();
    request.capacity = 1024;
    int32_t result = -1;
    std::thread reader([&] { result = cam_->ReadFrameBody(request, -1); });
    ASSERT_TRUE(Fake().waitForPending(1));
    EXPECT_EQ(cam_->AbortStream(), 1);
    reader.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Fake().cancels(), 1);
}

TEST_F(TransportOnUsbTest, ACameraGoneAfterEnumerationFailsItsRequestsAndTheRestGoesOn) {
    Fake().unplug(device_);
    EXPECT_EQ(cam_->OpenStream(), 0);
    EXPECT_EQ(cam_->StreamRestart(), 0);
    EXPECT_EQ(cam_->IsDeviceOpenable(0), 0);
    EXPECT_EQ(cam_->Enumerate(), 1);  // the table keeps its entry
    const std::string second = PlugCamera(CameraAt(1, {2}));
    EXPECT_EQ(cam_->Enumerate(), 2);
    EXPECT_EQ(cam_->GetDeviceEntry(1).instance, 1);
    EXPECT_EQ(cam_->SelectDevice(1), 1);
    EXPECT_EQ(cam_->StreamRestart(), 1);
}

}  // namespace
}  // namespace kelvra::driver::usb::test
