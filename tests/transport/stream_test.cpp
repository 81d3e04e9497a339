// Frame headers and bodies from a simulated camera, and the hazards of a stream: a stalled
// read, an abort from another thread, a camera that goes away.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "StreamFixture.h"

namespace kelvra::transport::test {
namespace {

using StreamTest = StreamFixture;

TEST_F(StreamTest, FramesArriveAsHeaderThenBodyWithRisingFrameNumbers) {
    ASSERT_EQ(m_cam.OpenStream(), 1);
    uint32_t previous = 0;
    for (int frame = 0; frame < 3; ++frame) {
        FrameRequest request;
        ASSERT_EQ(ReadFrame(request), 1) << "frame " << frame;
        EXPECT_EQ(LoadU16(request.header), kWidth);
        EXPECT_EQ(LoadU16(request.header + 2), kHeight);
        EXPECT_EQ(BodyLength(request), uint32_t{kWidth} * kHeight);
        EXPECT_EQ(request.frameNumber, LoadU32(request.header + kHeaderFrameNumberOffset));
        if (frame > 0) {
            EXPECT_GT(request.frameNumber, previous);
        }
        previous = request.frameNumber;
    }
    EXPECT_EQ(m_camera->streamStats().framesSent, 3u);
    EXPECT_EQ(m_cam.CloseStream(), 1);
    EXPECT_EQ(m_cam.CloseStream(), 0);
}

TEST_F(StreamTest, StalledReadIsEndedByTimeoutAndAbortAndTheNextReadWorks) {
    ASSERT_EQ(m_cam.OpenStream(), 1);
    auto handle = m_cam.OpenDevicePath(0, true);
    ASSERT_NE(handle, nullptr);
    m_camera->stallReads(1);
    uint8_t header[64];
    uint32_t moved = 0;
    EXPECT_EQ(m_cam.DirectTransferTimed(handle.get(), header, 64, 0x81, &moved, 50), 0);
    EXPECT_EQ(m_camera->streamStats().readsAborted, 1u);
    FrameRequest request;
    EXPECT_EQ(ReadFrame(request), 1);
}

TEST_F(StreamTest, StalledHeaderReadIsRetriedAfterTheAbort) {
    m_camera->stallReads(1);
    FrameRequest request;
    ASSERT_EQ(ReadFrame(request), 1) << "a later try reads the header";
    EXPECT_GE(m_camera->streamStats().readsAborted, 1u);
}

TEST_F(StreamTest, ExpiredReadOnAHandleTheAbortDoesNotReachStillEnds) {
    auto handle = m_cam.OpenDevicePath(0, true);  // no stream handle: the abort has no target
    m_camera->stallReads(1);
    uint8_t header[64];
    uint32_t moved = 0;
    EXPECT_EQ(m_cam.DirectTransferTimed(handle.get(), header, 64, 0x81, &moved, 20), 0);
}

TEST_F(StreamTest, AbortFromAnotherThreadEndsABodyReadWithoutTimeout) {
    ASSERT_EQ(m_cam.OpenStream(), 1);
    FrameRequest request;
    ASSERT_EQ(m_cam.ReadFrameHeader(request), 1);
    request.destination = m_body.data();
    request.capacity = static_cast<uint32_t>(m_body.size());
    m_camera->stallReads(1);
    std::atomic<bool> done{false};
    int32_t result = -1;
    std::thread reader([&] {
        result = m_cam.ReadFrameBody(request, -1);
        done = true;
    });
    while (!done) {  // the abort may come before the read is queued: repeat it
        m_cam.AbortStream();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    reader.join();
    EXPECT_EQ(result, 0);
    EXPECT_GE(m_camera->streamStats().readsAborted, 1u);
}

TEST_F(StreamTest, CloseWithAReadInFlightLeavesTheReadToEndByItself) {
    ASSERT_EQ(m_cam.OpenStream(), 1);
    m_camera->stallReads(1);
    std::atomic<bool> started{false};
    int32_t result = -1;
    std::thread reader([&] {
        FrameRequest request;
        started = true;
        result = m_cam.ReadFrameHeader(request);
    });
    while (!started) std::this_thread::yield();
    m_cam.CloseStream();  // the read keeps its handle until it is done
    reader.join();
    EXPECT_EQ(m_cam.OpenStream(), 1);
    FrameRequest request;
    EXPECT_EQ(ReadFrame(request), 1);
    EXPECT_EQ(result, 1) << "the stalled try was aborted on expiry and the next one worked";
}

TEST_F(StreamTest, UnpluggedCameraEndsTheStream) {
    ASSERT_EQ(m_cam.OpenStream(), 1);
    m_camera->unplug();
    FrameRequest request;
    EXPECT_EQ(m_cam.ReadFrameHeader(request), 0);
    m_camera->replug();
    ASSERT_EQ(m_cam.SelectDevice(0), 1);
    EXPECT_EQ(m_cam.OpenStream(), 1);
}

}  // namespace
}  // namespace kelvra::transport::test
