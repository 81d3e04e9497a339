// Frames on endpoint 0x81: header, body in 512 KiB reads, pacing, trigger, faults, abort.
#include <thread>

#include "SimFixture.h"

namespace kelvra::test {
namespace {

class StreamTest : public SimTest {
  protected:
    std::shared_ptr<sim::SimCamera> unpaced() {
        sim::CameraConfig config;
        config.paced = false;
        return attach(config);
    }
};

TEST_F(StreamTest, PacedFullFrameReadsAsHeaderAndHalfMegabyteChunks) {
    auto camera = attach();
    StreamReader s = streamOf(*camera);
    auto first = s.readFrame();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bodyLength(), 1280u * 1024u);
    EXPECT_EQ(first->width(), 1280);
    EXPECT_EQ(first->height(), 1024);
    EXPECT_FALSE(first->sixteenBit());
    EXPECT_EQ(first->chunks, (std::vector<size_t>{kChunk, kChunk, 0x40000}));
    auto second = s.readFrame();
    ASSERT_TRUE(second);
    EXPECT_GT(second->number(), first->number());
    EXPECT_GT(le32(&second->header[28]), le32(&first->header[28]));  // timestamps
    EXPECT_EQ(camera->streamStats().framesSent, 2u);
}

TEST_F(StreamTest, SixteenBitFullFrameIsFiveChunks) {
    auto camera = unpaced();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.fpgaWrite(60, 2));
    auto f = streamOf(*camera).readFrame();
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->sixteenBit());
    EXPECT_EQ(f->bodyLength(), 1280u * 1024u * 2u);
    EXPECT_EQ(f->chunks, std::vector<size_t>(5, kChunk));
    int maxSample = 0;
    for (int col = 0; col < 1280; ++col) maxSample = std::max(maxSample, f->sample(512, col));
    EXPECT_LE(maxSample, 4095);
    EXPECT_GT(maxSample, 255);
}

TEST_F(StreamTest, BodyOfExactlyOneChunkIsOneReadAndABitMoreIsTwo) {
    auto camera = unpaced();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(program(c, Readout{0, 0, 1024, 512}));  // 1024 x 512 x 1 = 0x80000
    auto f = streamOf(*camera).readFrame();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->chunks, std::vector<size_t>{kChunk});
    // 256 x 2049: 0x80100 bytes.
    ASSERT_TRUE(c.fpgaWrite(68, 0x00) && c.fpgaWrite(69, 0x01));
    ASSERT_TRUE(c.fpgaWrite(64, 0x01) && c.fpgaWrite(65, 0x08));
    auto g = streamOf(*camera).readFrame();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->bodyLength(), 256u * 2049u);
    EXPECT_EQ(g->chunks, (std::vector<size_t>{kChunk, 0x100}));
}

TEST_F(StreamTest, FrameCounterRegisterFollowsDeliveredFrames) {
    auto camera = unpaced();
    SeamClient c = controlOf(*camera);
    StreamReader s = streamOf(*camera);
    auto f = s.readFrame();
    ASSERT_TRUE(f);
    EXPECT_EQ(c.fpgaRead(8), uint8_t(f->number()));
    auto g = s.readFrame();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->number(), f->number() + 1);
    EXPECT_EQ(c.fpgaRead(8), uint8_t(g->number()));
}

TEST_F(StreamTest, StalledReadEndsOnlyByAbortPipe) {
    auto camera = unpaced();
    camera->stallReads(1);
    StreamReader s = streamOf(*camera);
    std::array<uint8_t, 38> record = directRecord(0x81);
    std::array<uint8_t, 64> header{};
    driver::Overlapped request;
    ASSERT_EQ(s.handle().submit(kDirectIoctl, record, header, request).error, 997u);
    EXPECT_FALSE(request.wait(100));
    uint8_t endpoint = 0x81;
    ASSERT_EQ(s.handle().ioctl(kAbortPipeIoctl, std::span(&endpoint, 1), {}).error, 0u);
    ASSERT_TRUE(request.wait(-1));
    EXPECT_EQ(request.result().error, 995u);
    EXPECT_NE(le32(&record[14]), 0u);
    EXPECT_NE(le32(&record[18]), 0u);
    EXPECT_TRUE(s.readFrame());  // the stream goes on
}

TEST_F(StreamTest, InjectedHeaderFailuresDropFramesThenStreamingResumes) {
    auto camera = unpaced();
    camera->failHeaderReads(4);
    StreamReader s = streamOf(*camera);
    std::array<uint8_t, 64> header{};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(s.readyQuery());
        ReadResult r = s.read(header, 3000);
        EXPECT_EQ(r.result.error, 31u) << i;
        EXPECT_NE(le32(&r.record[18]), 0u);
    }
    EXPECT_TRUE(s.readFrame());
    EXPECT_EQ(camera->streamStats().readsFailed, 4u);
}

TEST_F(StreamTest, InjectedBodyFailureFailsTheChunkAndTheNextFrameIsWhole) {
    auto camera = unpaced();
    camera->failBodyReads(1);
    StreamReader s = streamOf(*camera);
    EXPECT_FALSE(s.readFrame());
    auto f = s.readFrame();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->body.size(), 1280u * 1024u);
}

TEST_F(StreamTest, ReadyQueryMidBodyDropsTheRestOfTheFrame) {
    auto camera = unpaced();
    StreamReader s = streamOf(*camera);
    std::array<uint8_t, 64> header{};
    ASSERT_TRUE(s.readyQuery());
    ASSERT_EQ(s.read(header, 3000).result.error, 0u);
    std::vector<uint8_t> chunk(kChunk);
    ASSERT_EQ(s.read(chunk, 3000).result.error, 0u);
    auto f = s.readFrame();  // starts with 0xC2: a new frame, not the old one's tail
    ASSERT_TRUE(f);
    EXPECT_GT(f->number(), le32(&header[32]));
    EXPECT_EQ(camera->streamStats().framesDropped, 1u);
}

TEST_F(StreamTest, ReadingWithoutReadyQueryContinuesTheFrame) {
    auto camera = unpaced();
    StreamReader s = streamOf(*camera);
    std::array<uint8_t, 64> header{};
    ASSERT_EQ(s.read(header, 3000).result.bytes, 64u);
    std::vector<uint8_t> big(4 << 20);
    ReadResult body = s.read(big, 3000);  // asks for more than the body: gets the body
    ASSERT_EQ(body.result.error, 0u);
    EXPECT_EQ(body.result.bytes, 1280u * 1024u);
}

TEST_F(StreamTest, HeaderReadShorterThanTheHeaderOverflows) {
    auto camera = unpaced();
    StreamReader s = streamOf(*camera);
    std::array<uint8_t, 32> half{};
    ASSERT_TRUE(s.readyQuery());
    EXPECT_EQ(s.read(half, 3000).result.error, 31u);
}

TEST_F(StreamTest, TestPatternRowsCarryTheFrameNumber) {
    auto camera = unpaced();
    camera->setTestPattern(true);
    StreamReader s = streamOf(*camera);
    for (int k = 0; k < 3; ++k) {
        auto f = s.readFrame();
        ASSERT_TRUE(f);
        EXPECT_NE(le32(&f->header[44]) & (1u << 17), 0u);
        for (int row = 0; row < f->height(); ++row) {
            const int expected = int((f->number() + unsigned(row)) & 0xFF);
            ASSERT_EQ(f->sample(row, 0), expected) << "row " << row;
            ASSERT_EQ(f->sample(row, f->width() - 1), expected) << "row " << row;
        }
    }
}

TEST_F(StreamTest, TriggerModeDeliversAFrameOnlyWhenTriggered) {
    auto camera = unpaced();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.fpgaWrite(0x58, 2));
    StreamReader s = streamOf(*camera);
    std::array<uint8_t, 64> header{};
    ASSERT_TRUE(s.readyQuery());
    ReadResult none = s.read(header, 100);
    EXPECT_EQ(none.result.error, 995u);  // timed out and aborted: nothing came
    EXPECT_TRUE(camera->fireTrigger());
    auto f = s.readFrame();
    ASSERT_TRUE(f);
    EXPECT_NE(le32(&f->header[44]) & (1u << 16), 0u);
    // The FPGA's software trigger bit does the same.
    ASSERT_TRUE(c.fpgaWrite(0x59, 0x84));
    ASSERT_TRUE(c.fpgaWrite(0x59, 0x04));
    auto g = s.readFrame();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->number(), f->number() + 1);
    EXPECT_EQ(c.fpgaRead(8), uint8_t(g->number()));
}

TEST_F(StreamTest, SensorWaitingForTriggerPulsesTheFpgaDoesNotSendMakesNoFrames) {
    auto camera = unpaced();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.sensorWrite(0x600, 1));
    StreamReader s = streamOf(*camera);
    EXPECT_FALSE(camera->fireTrigger());
    std::array<uint8_t, 64> header{};
    ASSERT_TRUE(s.readyQuery());
    EXPECT_EQ(s.read(header, 100).result.error, 995u);
}

TEST_F(StreamTest, StandbyStopsFramesUntilTheSensorRunsAgain) {
    auto camera = unpaced();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.sensorWrite(0x200, 1));
    StreamReader s = streamOf(*camera);
    std::array<uint8_t, 38> record = directRecord(0x81);
    std::array<uint8_t, 64> header{};
    driver::Overlapped request;
    ASSERT_TRUE(s.readyQuery());
    ASSERT_EQ(s.handle().submit(kDirectIoctl, record, header, request).error, 997u);
    EXPECT_FALSE(request.wait(100));
    ASSERT_TRUE(c.sensorWrite(0x200, 0));
    ASSERT_TRUE(request.wait(3000));
    EXPECT_EQ(request.result().bytes, 64u);
}

TEST_F(StreamTest, ClosingTheHandleEndsItsPendingRead) {
    auto camera = unpaced();
    camera->stallReads(1);
    auto handle = driver::openDevice(camera->devicePath(), true);
    std::array<uint8_t, 38> record = directRecord(0x81);
    std::array<uint8_t, 64> header{};
    driver::Overlapped request;
    ASSERT_EQ(handle->submit(kDirectIoctl, record, header, request).error, 997u);
    handle.reset();
    EXPECT_TRUE(request.done());
    EXPECT_EQ(request.result().error, 995u);
}

TEST_F(StreamTest, DestroyingThePendingRequestCancelsIt) {
    auto camera = unpaced();
    camera->stallReads(1);
    auto handle = driver::openDevice(camera->devicePath(), true);
    std::array<uint8_t, 38> record = directRecord(0x81);
    auto header = std::make_unique<std::array<uint8_t, 64>>();
    {
        driver::Overlapped request;
        ASSERT_EQ(handle->submit(kDirectIoctl, record, *header, request).error, 997u);
    }
    header.reset();  // no one may write here any more
    EXPECT_EQ(camera->streamStats().readsAborted, 1u);
}

TEST_F(StreamTest, UnplugEndsPendingReadsAndReplugStreamsAgain) {
    auto camera = unpaced();
    camera->stallReads(1);
    StreamReader s = streamOf(*camera);
    std::array<uint8_t, 38> record = directRecord(0x81);
    std::array<uint8_t, 64> header{};
    driver::Overlapped request;
    ASSERT_EQ(s.handle().submit(kDirectIoctl, record, header, request).error, 997u);
    camera->unplug();
    ASSERT_TRUE(request.wait(-1));
    EXPECT_EQ(request.result().error, 1167u);
    EXPECT_FALSE(s.readFrame());
    camera->replug();
    EXPECT_TRUE(streamOf(*camera).readFrame());
}

TEST_F(StreamTest, ResetPortEndsPendingReads) {
    auto camera = unpaced();
    camera->stallReads(1);
    StreamReader s = streamOf(*camera);
    std::array<uint8_t, 38> record = directRecord(0x81);
    std::array<uint8_t, 64> header{};
    driver::Overlapped request;
    ASSERT_EQ(s.handle().submit(kDirectIoctl, record, header, request).error, 997u);
    ASSERT_EQ(s.handle().ioctl(kResetPortIoctl, {}, {}).error, 0u);
    ASSERT_TRUE(request.wait(-1));
    EXPECT_EQ(request.result().error, 995u);
}

TEST_F(StreamTest, SynchronousHandleBlocksUntilTheFrameComes) {
    auto camera = attach();
    auto handle = driver::openDevice(camera->devicePath(), false);
    std::array<uint8_t, 38> record = directRecord(0x81);
    std::array<uint8_t, 64> header{};
    driver::IoResult r = handle->ioctl(kDirectIoctl, record, header);
    EXPECT_EQ(r.error, 0u);
    EXPECT_EQ(r.bytes, 64u);
    EXPECT_EQ(le32(&header[16]), 1280u * 1024u);
}

TEST_F(StreamTest, SyncEndpointDeliversAWholeBodyInOneRead) {
    auto camera = unpaced();
    auto handle = driver::openDevice(camera->devicePath(), true);
    std::array<uint8_t, 38> record = directRecord(0x83);
    std::vector<uint8_t> body(1280 * 1024);
    driver::IoResult r = handle->ioctl(kDirectIoctl, record, body);
    EXPECT_EQ(r.error, 0u);
    EXPECT_EQ(r.bytes, body.size());
}

TEST_F(StreamTest, TwoCamerasStreamAtOnce) {
    auto a = unpaced();
    auto b = unpaced();
    StreamReader sa = streamOf(*a);
    StreamReader sb = streamOf(*b);
    std::optional<Frame> fb;
    std::thread other([&] {
        for (int i = 0; i < 3; ++i) fb = sb.readFrame();
    });
    std::optional<Frame> fa;
    for (int i = 0; i < 3; ++i) fa = sa.readFrame();
    other.join();
    ASSERT_TRUE(fa);
    ASSERT_TRUE(fb);
    EXPECT_EQ(a->streamStats().framesSent, 3u);
    EXPECT_EQ(b->streamStats().framesSent, 3u);
}

TEST_F(StreamTest, ControlRequestsRunWhileAReadIsPending) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.fpgaWrite(0x58, 2));  // trigger mode: the read will wait
    StreamReader s = streamOf(*camera);
    std::optional<Frame> f;
    std::thread reader([&] { f = s.readFrame(3000); });
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(c.fpgaRead(8));
    while (!camera->fireTrigger()) std::this_thread::yield();
    reader.join();
    EXPECT_TRUE(f);
}

}  // namespace
}  // namespace kelvra::test
