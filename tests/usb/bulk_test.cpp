// Bulk transfers: the direct and staged IOCTLs become libusb bulk transfers, completed by the
// event thread; waits, aborts, cancels, closes and failures end them as the transport expects.
#include <thread>

#include "UsbFixture.h"
#include "transport/RequestEncoding.h"

namespace kelvra::driver::usb::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// One direct transfer's memory: the record the transport builds and the caller's data.
struct Direct {
    explicit Direct(uint8_t endpoint, size_t length = 64)
        : record(transport::MakeDirectRecord(endpoint)), data(length, 0) {}
    IoResult submit(DeviceHandle& handle) {
        return handle.submit(kIoctlDirectTransfer, record, data, request);
    }
    transport::TransferRecord record;
    std::vector<uint8_t> data;
    Overlapped request;
};

class BulkTest : public UsbTest {
  protected:
    void SetUp() override {
        UsbTest::SetUp();
        path_ = PlugCamera();
        stream_ = Backend().open(path_, true);
        ASSERT_NE(stream_, nullptr);
    }
    void TearDown() override {
        stream_.reset();
        UsbTest::TearDown();
    }

    fake::BulkCall OnlyPending() {
        std::vector<fake::BulkCall> pending = Fake().pendingBulk();
        EXPECT_EQ(pending.size(), 1u);
        return pending.empty() ? fake::BulkCall{} : pending[0];
    }

    std::string path_;
    std::unique_ptr<DeviceHandle> stream_;
};

TEST_F(BulkTest, DirectReadPendsUntilTheCameraSendsThenReportsWhatCame) {
    Direct read(kEndpointStreamIn, 64);
    EXPECT_EQ(read.submit(*stream_).error, kErrorIoPending);
    EXPECT_FALSE(read.request.wait(0));
    const fake::BulkCall call = OnlyPending();
    EXPECT_EQ(call.endpoint, 0x81);
    EXPECT_EQ(call.length, 64);
    EXPECT_EQ(call.timeoutMs, 0u);  // the transport's own wait and abort bound it
    Fake().complete(call.id, {LIBUSB_TRANSFER_COMPLETED, {1, 2, 3, 4, 5}});
    ASSERT_TRUE(read.request.wait(-1));
    EXPECT_EQ(read.request.result().error, kErrorSuccess);
    EXPECT_EQ(read.request.result().bytes, 5u);  // a short packet ends the read
    EXPECT_EQ(read.data[4], 5);
    EXPECT_EQ(read.data[5], 0);
    EXPECT_EQ(DriverStatus(read.record.data()), 0u);
    EXPECT_EQ(UsbStatusWord(read.record.data()), 0u);
}

TEST_F(BulkTest, DirectWriteSendsTheCallersBytes) {
    Fake().setBulkScript([](const fake::BulkCall&) { return fake::BulkCompletion{}; });
    const transport::MemoryCommand command =
        transport::MakeMemoryCommand(transport::MemoryDirection::Read, 0x1000, 0x2000);
    Direct write(kEndpointBulkOut, command.size());
    std::copy(command.begin(), command.end(), write.data.begin());
    const IoResult result = stream_->ioctl(kIoctlDirectTransfer, write.record, write.data);
    EXPECT_EQ(result.error, kErrorSuccess);
    EXPECT_EQ(result.bytes, 32u);
    const std::vector<fake::BulkCall> calls = Fake().bulkCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].endpoint, 0x01);
    EXPECT_EQ(calls[0].data, std::vector<uint8_t>(command.begin(), command.end()));
}

TEST_F(BulkTest, RecordTimeoutBoundsTheTransfer) {
    Direct read(kEndpointSyncIn, 16);
    storeU32(read.record.data() + record::kTimeout, 2);
    EXPECT_EQ(read.submit(*stream_).error, kErrorIoPending);
    EXPECT_EQ(OnlyPending().timeoutMs, 2000u);
    Fake().complete(OnlyPending().id, {LIBUSB_TRANSFER_TIMED_OUT, {}});
    read.request.wait(-1);
    EXPECT_EQ(read.request.result().error, kErrorSemTimeout);
}

TEST_F(BulkTest, StagedReadReturnsRecordAndDataInTheStagingBuffer) {
    std::vector<uint8_t> staging(record::kSize + 100, 0);
    transport::WriteStagedRecord(std::span<uint8_t, record::kSize>(staging.data(), record::kSize),
                                 kEndpointStreamIn, 100);
    Overlapped request;
    EXPECT_EQ(stream_->submit(kIoctlStagedTransfer, staging, staging, request).error,
              kErrorIoPending);
    const fake::BulkCall call = OnlyPending();
    EXPECT_EQ(call.endpoint, 0x81);
    EXPECT_EQ(call.length, 100);
    Fake().complete(call.id, {LIBUSB_TRANSFER_COMPLETED, std::vector<uint8_t>(60, 0x5A)});
    request.wait(-1);
    EXPECT_EQ(request.result().error, kErrorSuccess);
    EXPECT_EQ(request.result().bytes, 38u + 60u);  // the driver counts the record
    EXPECT_EQ(staging[38], 0x5A);
    EXPECT_EQ(staging[38 + 59], 0x5A);
    EXPECT_EQ(staging[38 + 60], 0);
    EXPECT_EQ(staging[record::kEndpoint], 0x81);
}

TEST_F(BulkTest, StagedWriteSendsTheDataAfterTheRecord) {
    Fake().setBulkScript([](const fake::BulkCall&) { return fake::BulkCompletion{}; });
    std::vector<uint8_t> staging(record::kSize + 8, 0);
    transport::WriteStagedRecord(std::span<uint8_t, record::kSize>(staging.data(), record::kSize),
                                 kEndpointBulkOut, 8);
    for (int i = 0; i < 8; ++i) staging[38 + i] = static_cast<uint8_t>(0x10 + i);
    const IoResult result = stream_->ioctl(kIoctlStagedTransfer, staging, staging);
    EXPECT_EQ(result.error, kErrorSuccess);
    EXPECT_EQ(result.bytes, 46u);
    EXPECT_THAT(Fake().bulkCalls()[0].data,
                ElementsAre(0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17));
}

TEST_F(BulkTest, RefusedBulkRequestsNeverReachLibusb) {
    Direct elsewhere(0x82);
    EXPECT_EQ(elsewhere.submit(*stream_).error, kErrorInvalidParameter);
    EXPECT_EQ(elsewhere.request.result().error, kErrorInvalidParameter);
    std::array<uint8_t, 20> shortRecord{};
    std::array<uint8_t, 8> data{};
    EXPECT_EQ(stream_->ioctl(kIoctlDirectTransfer, shortRecord, data).error,
              kErrorInvalidParameter);
    std::vector<uint8_t> staging(record::kSize + 10, 0);
    transport::WriteStagedRecord(std::span<uint8_t, record::kSize>(staging.data(), record::kSize),
                                 kEndpointStreamIn, 11);  // more than the buffer holds
    EXPECT_EQ(stream_->ioctl(kIoctlStagedTransfer, staging, staging).error, kErrorInvalidParameter);
    storeU32(staging.data() + record::kBufferLength, 10);
    storeU32(staging.data() + record::kBufferOffset, 0);
    EXPECT_EQ(stream_->ioctl(kIoctlStagedTransfer, staging, staging).error, kErrorInvalidParameter);
    EXPECT_THAT(Fake().bulkCalls(), IsEmpty());
}

TEST_F(BulkTest, ATransferOfNothingIsDoneWithoutTheBus) {
    Direct nothing(kEndpointStreamIn, 0);
    const IoResult result = nothing.submit(*stream_);
    EXPECT_EQ(result.error, kErrorSuccess);
    EXPECT_EQ(result.bytes, 0u);
    EXPECT_TRUE(nothing.request.done());
    EXPECT_THAT(Fake().bulkCalls(), IsEmpty());
}

TEST_F(BulkTest, ASynchronousHandleWaitsForItsTransfer) {
    auto handle = Backend().open(path_, false);
    Direct read(kEndpointStreamIn, 8);
    IoResult result{};
    std::thread reader(
        [&] { result = handle->ioctl(kIoctlDirectTransfer, read.record, read.data); });
    ASSERT_TRUE(Fake().waitForPending(1));
    Fake().complete(OnlyPending().id, {LIBUSB_TRANSFER_COMPLETED, {9, 9, 9}});
    reader.join();
    EXPECT_EQ(result.error, kErrorSuccess);
    EXPECT_EQ(result.bytes, 3u);
}

struct StatusCase {
    libusb_transfer_status status;
    uint32_t error;
    uint32_t usbStatus;
};

TEST_F(BulkTest, FailedTransfersWriteTheStatusWordsTheTransportChecks) {
    const StatusCase cases[] = {
        {LIBUSB_TRANSFER_STALL, kErrorGenFailure, kUsbStatusStall},
        {LIBUSB_TRANSFER_OVERFLOW, kErrorGenFailure, kUsbStatusBabble},
        {LIBUSB_TRANSFER_ERROR, kErrorGenFailure, kUsbStatusNotResponding},
        {LIBUSB_TRANSFER_TIMED_OUT, kErrorSemTimeout, kUsbStatusCanceled},
        {LIBUSB_TRANSFER_CANCELLED, kErrorOperationAborted, kUsbStatusCanceled},
    };
    for (const StatusCase& c : cases) {
        Direct read(kEndpointStreamIn);
        ASSERT_EQ(read.submit(*stream_).error, kErrorIoPending);
        Fake().complete(OnlyPending().id, {c.status, {1, 2, 3}});
        read.request.wait(-1);
        EXPECT_EQ(read.request.result().error, c.error) << c.status;
        EXPECT_EQ(read.request.result().bytes, 0u);
        EXPECT_EQ(DriverStatus(read.record.data()), kDriverStatusUnsuccessful) << c.status;
        EXPECT_EQ(UsbStatusWord(read.record.data()), c.usbStatus) << c.status;
    }
}

TEST_F(BulkTest, ATransferLibusbRefusesFailsAtOnce) {
    Direct read(kEndpointStreamIn);
    Fake().failNextSubmit(LIBUSB_ERROR_IO);
    EXPECT_EQ(read.submit(*stream_).error, kErrorGenFailure);
    EXPECT_TRUE(read.request.done());
    EXPECT_EQ(read.request.result().error, kErrorGenFailure);
    EXPECT_EQ(DriverStatus(read.record.data()), kDriverStatusUnsuccessful);
}

TEST_F(BulkTest, AWaitThatExpiresLeavesTheReadPendingAndAbortEndsItAtOnce) {
    Direct header(kEndpointStreamIn);
    Direct sync(kEndpointSyncIn);
    ASSERT_EQ(header.submit(*stream_).error, kErrorIoPending);
    ASSERT_EQ(sync.submit(*stream_).error, kErrorIoPending);
    EXPECT_FALSE(header.request.wait(5));
    uint8_t pipe = kEndpointStreamIn;
    const IoResult abort = stream_->ioctl(kIoctlAbortPipe, {&pipe, 1}, {});
    EXPECT_EQ(abort.error, kErrorSuccess);
    EXPECT_EQ(Fake().cancels(), 1);
    ASSERT_TRUE(header.request.wait(-1));
    EXPECT_EQ(header.request.result().error, kErrorOperationAborted);
    EXPECT_EQ(UsbStatusWord(header.record.data()), kUsbStatusCanceled);
    EXPECT_FALSE(sync.request.done());  // another pipe goes on
    Fake().complete(OnlyPending().id, {LIBUSB_TRANSFER_COMPLETED, {1}});
    EXPECT_TRUE(sync.request.wait(-1));
}

TEST_F(BulkTest, AbortReachesThePipeFromAnyHandleOfTheCamera) {
    Direct read(kEndpointStreamIn);
    ASSERT_EQ(read.submit(*stream_).error, kErrorIoPending);
    auto other = Backend().open(path_, true);
    uint8_t pipe = kEndpointStreamIn;
    EXPECT_EQ(other->ioctl(kIoctlAbortPipe, {&pipe, 1}, {}).error, kErrorSuccess);
    read.request.wait(-1);
    EXPECT_EQ(read.request.result().error, kErrorOperationAborted);
    EXPECT_EQ(other->ioctl(kIoctlAbortPipe, {}, {}).error, kErrorInvalidParameter);
}

TEST_F(BulkTest, CancellingARequestEndsOnlyThatRequest) {
    Direct first(kEndpointStreamIn);
    Direct second(kEndpointStreamIn);
    ASSERT_EQ(first.submit(*stream_).error, kErrorIoPending);
    ASSERT_EQ(second.submit(*stream_).error, kErrorIoPending);
    first.request.cancel();
    first.request.wait(-1);
    EXPECT_EQ(first.request.result().error, kErrorOperationAborted);
    EXPECT_FALSE(second.request.done());
    second.request.cancel();
    EXPECT_TRUE(second.request.wait(-1));
}

TEST_F(BulkTest, ARequestDroppedWhilePendingIsCancelledBeforeItsMemoryGoes) {
    auto read = std::make_unique<Direct>(kEndpointStreamIn, 1024);
    ASSERT_EQ(read->submit(*stream_).error, kErrorIoPending);
    const uint64_t id = OnlyPending().id;
    read.reset();  // ~Overlapped cancels and waits; the buffers go after it
    EXPECT_THAT(Fake().pendingBulk(), IsEmpty());
    EXPECT_EQ(Fake().cancels(), 1);
    EXPECT_EQ(Fake().bulkCalls().back().id, id);
}

TEST_F(BulkTest, ClosingAHandleWithATransferInFlightEndsItsTransfersFirst) {
    auto other = Backend().open(path_, true);
    Direct mine(kEndpointStreamIn);
    Direct theirs(kEndpointStreamIn);
    ASSERT_EQ(mine.submit(*stream_).error, kErrorIoPending);
    ASSERT_EQ(theirs.submit(*other).error, kErrorIoPending);
    stream_.reset();
    EXPECT_TRUE(mine.request.done());  // before the close returned
    EXPECT_EQ(mine.request.result().error, kErrorOperationAborted);
    EXPECT_FALSE(theirs.request.done());
    EXPECT_EQ(Fake().closes(), 0);
    other.reset();
    EXPECT_EQ(theirs.request.result().error, kErrorOperationAborted);
    EXPECT_EQ(Fake().closes(), 1);  // and no transfer was left to libusb_close
}

TEST_F(BulkTest, ACameraUnpluggedDuringAReadEndsItAsNotConnected) {
    Direct read(kEndpointStreamIn);
    ASSERT_EQ(read.submit(*stream_).error, kErrorIoPending);
    Fake().unplug(device_);
    read.request.wait(-1);
    EXPECT_EQ(read.request.result().error, kErrorDeviceNotConnected);
    EXPECT_EQ(UsbStatusWord(read.record.data()), kUsbStatusNotResponding);
    Direct next(kEndpointStreamIn);
    EXPECT_EQ(next.submit(*stream_).error, kErrorDeviceNotConnected);
    EXPECT_EQ(Backend().open(path_, true), nullptr);
}

TEST_F(BulkTest, ThreadsSubmittingAtOnceEachGetTheirOwnAnswer) {
    Fake().setBulkScript([](const fake::BulkCall& call) {
        return fake::BulkCompletion{LIBUSB_TRANSFER_COMPLETED,
                                    std::vector<uint8_t>(static_cast<size_t>(call.length), 0x77),
                                    -1};
    });
    constexpr int kThreads = 4;
    constexpr int kReads = 50;
    std::array<int, kThreads> good{};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            auto handle = Backend().open(path_, t % 2 == 0);
            for (int i = 0; i < kReads; ++i) {
                Direct read(kEndpointStreamIn, static_cast<size_t>(1 + t + i));
                const IoResult result = handle->ioctl(kIoctlDirectTransfer, read.record, read.data);
                if (result.error == kErrorSuccess && result.bytes == read.data.size() &&
                    read.data.back() == 0x77) {
                    ++good[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_THAT(good, ::testing::Each(kReads));
}

}  // namespace
}  // namespace kelvra::driver::usb::test
