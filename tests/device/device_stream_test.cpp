// The transfer engine against a simulated camera: frame waits, capture modes, the retry rules,
// stop and restart, ring geometry, frame copies with the orientation rules, rates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "DeviceTestSupport.h"

namespace kelvra::device_test {
namespace {

constexpr int32_t kImx990Uncooled = 0x3260;  // orientation 4: the array is read upside down
constexpr int kHeaderTriesPerRead = 15;      // the controller's own tries per header read

class DeviceStream : public DeviceTest {
  protected:
    // Opens camera 0 of `productId`, unpaced unless asked, with a width x height window at
    // 8 or 16 bits, and the ring configured for it.
    CKelvraU3Q6Base& Streaming(int32_t productId = kK4Swir, int32_t width = 320,
                               int32_t height = 256, int32_t bits = 0, bool paced = false) {
        sim::CameraConfig config = Config(uint16_t(productId));
        config.paced = paced;
        m_camera = Attach(config);
        CKelvraU3Q6Base& core = OpenCore(productId);
        EXPECT_EQ(core.SetCaptureWindow(0, 0, width, height, 0), 1);
        EXPECT_NE(core.SetTransferBits(bits), 0);
        EXPECT_EQ(core.ConfigureBuffers(), 1);
        return core;
    }

    std::shared_ptr<sim::SimCamera> m_camera;
};

TEST_F(DeviceStream, WaitFrameSaysNothingNewBeforeTheFirstFrameThenNew) {
    CKelvraU3Q6Base& core = Streaming();
    m_camera->stallReads(-1);
    ASSERT_EQ(core.StartTransfer(0), 1);
    EXPECT_EQ(core.WaitFrame(50), 2);
    EXPECT_EQ(core.WaitFrame(50), 2);
    m_camera->stallReads(0);
    EXPECT_EQ(WaitNewFrame(core), 3);
    EXPECT_EQ(core.TransferErrorFlag(), 0);
}

// Each frame signal is consumed by one wait; once the ring has advanced by its whole depth
// since the last GetImage, the write index is back on the read mark and nothing counts as new.
TEST_F(DeviceStream, AFrameIsNewUntilTheRingHasGoneRoundOnce) {
    CKelvraU3Q6Base& core = Streaming();
    std::vector<uint8_t> frame(core.FrameSize());
    EXPECT_EQ(core.GetImage(frame.data(), uint32_t(frame.size()), nullptr, 1), 0);
    ASSERT_EQ(core.ReadMark(), 0);
    for (int i = 1; i <= core.RingDepth(); ++i) {
        ASSERT_EQ(core.StartTransfer(1), 1);
        EXPECT_EQ(core.WaitFrame(10000), i < core.RingDepth() ? 3 : 2) << "frame " << i;
        ASSERT_TRUE(ThreadEnds(core));
    }
    EXPECT_EQ(core.WriteIndex(), core.ReadMark());
}

TEST_F(DeviceStream, SingleFrameModeTakesExactlyOneFrame) {
    CKelvraU3Q6Base& core = Streaming();
    const uint64_t sentBefore = m_camera->streamStats().framesSent;
    ASSERT_EQ(core.StartTransfer(1), 1);
    EXPECT_EQ(core.WaitFrame(10000), 3);
    ASSERT_TRUE(ThreadEnds(core));
    EXPECT_EQ(core.WriteIndex(), 1);
    EXPECT_EQ(m_camera->streamStats().framesSent - sentBefore, 1u);
    EXPECT_EQ(core.WaitFrame(20), 2);  // the one signal is spent, the thread is gone
    EXPECT_EQ(core.TransferErrorFlag(), 0);
}

TEST_F(DeviceStream, FourFailedBodyReadsInARowKeepStreaming) {
    CKelvraU3Q6Base& core = Streaming();
    m_camera->failBodyReads(4);
    ASSERT_EQ(core.StartTransfer(0), 1);
    EXPECT_EQ(WaitNewFrame(core), 3);
    EXPECT_EQ(core.IsTransferRunning(), 1);
    EXPECT_EQ(core.TransferErrorFlag(), 0);
    EXPECT_EQ(m_camera->streamStats().readsFailed, 4u);
}

TEST_F(DeviceStream, FiveFailedBodyReadsInARowLoseTheCamera) {
    CKelvraU3Q6Base& core = Streaming();
    m_camera->failBodyReads(5);
    ASSERT_EQ(core.StartTransfer(0), 1);
    EXPECT_EQ(core.WaitFrame(10000), 1);
    ASSERT_TRUE(ThreadEnds(core));
    EXPECT_EQ(core.WaitFrame(0), 1);
    EXPECT_EQ(core.WriteIndex(), 0);
    // A new start clears the error before anyone can wait on it.
    ASSERT_EQ(core.StartTransfer(0), 1);
    EXPECT_EQ(WaitNewFrame(core), 3);
}

// A failed header read is the controller's fifteen tries without a header.
TEST_F(DeviceStream, FourFailedHeaderReadsKeepStreamingAndFiveEndIt) {
    CKelvraU3Q6Base& core = Streaming();
    m_camera->failHeaderReads(4 * kHeaderTriesPerRead);
    ASSERT_EQ(core.StartTransfer(0), 1);
    EXPECT_EQ(WaitNewFrame(core), 3);
    EXPECT_EQ(core.TransferErrorFlag(), 0);
    core.StopTransfer(1);

    m_camera->failHeaderReads(5 * kHeaderTriesPerRead);
    ASSERT_EQ(core.StartTransfer(0), 1);
    EXPECT_EQ(core.WaitFrame(20000), 1);
    EXPECT_TRUE(ThreadEnds(core));
}

TEST_F(DeviceStream, StopAndRestartWorkRepeatedly) {
    CKelvraU3Q6Base& core = Streaming(kK4Swir, 320, 256, 0, true);
    std::vector<uint8_t> frame(core.FrameSize());
    int32_t previous = -1;
    for (int round = 0; round < 4; ++round) {
        ASSERT_EQ(core.StartTransfer(0), 1) << round;
        ASSERT_EQ(WaitNewFrame(core), 3) << round;
        int32_t number = -1;
        core.GetImage(frame.data(), uint32_t(frame.size()), &number, 1);
        EXPECT_GT(number, previous) << round;
        previous = number;
        EXPECT_EQ(core.StopTransfer(round % 2), 1);
        EXPECT_EQ(core.IsTransferRunning(), 0);
        EXPECT_EQ(core.CaptureMode(), 0);
        EXPECT_EQ(core.FrameRate(), 0.0f);
    }
}

TEST_F(DeviceStream, A640x512WindowAt16BitsSizesTheRingAndTheFpga) {
    CKelvraU3Q6Base& core = Streaming(kK4Swir, 640, 512, 1);
    EXPECT_EQ(core.StagingSize(), 983040u);
    EXPECT_EQ(core.FrameSize(), 655360u);
    EXPECT_EQ(core.ReconfigureFlag(), 0);
    EXPECT_EQ(m_camera->fpgaRegister(60) & 0xFF, 2);
    EXPECT_EQ((m_camera->fpgaRegister(69) & 0xFF) << 8 | (m_camera->fpgaRegister(68) & 0xFF), 640);
    EXPECT_EQ((m_camera->fpgaRegister(65) & 0xFF) << 8 | (m_camera->fpgaRegister(64) & 0xFF), 512);
    EXPECT_EQ(m_camera->fpgaRegister(72) & 0xFF, 21);  // line offset: not the full height
    EXPECT_EQ(m_camera->fpgaRegister(76) & 0xFF, 8);   // column offset: no flip, 16-bit capable

    ASSERT_EQ(core.StartTransfer(0), 1);
    ASSERT_EQ(WaitNewFrame(core), 3);
    std::vector<uint8_t> frame(core.FrameSize());
    int32_t number = -1, word32 = -1, word44 = 0;
    ASSERT_EQ(core.CopyFrame(frame.data(), uint32_t(frame.size()), &number, nullptr, &word32,
                             nullptr, &word44, 0, 1),
              1);
    EXPECT_EQ(word32, number);  // header word +32 is the frame number
    EXPECT_NE(word44, 0xFFFF);  // a filled slot, not an empty one
    const auto samples = reinterpret_cast<const uint16_t*>(frame.data());
    EXPECT_LE(*std::max_element(samples, samples + frame.size() / 2), 4095);  // 12-bit samples
}

TEST_F(DeviceStream, CopyFrameIntoAShortBufferCopiesNothing) {
    CKelvraU3Q6Base& core = Streaming();
    ASSERT_EQ(core.StartTransfer(1), 1);
    ASSERT_EQ(core.WaitFrame(10000), 3);
    std::vector<uint8_t> buffer(core.FrameSize() - 1, 0xAB);
    int32_t number = 77, word28 = 78;
    EXPECT_EQ(core.CopyFrame(buffer.data(), uint32_t(buffer.size()), &number, &word28, nullptr,
                             nullptr, nullptr, 0, 1),
              0);
    EXPECT_EQ(number, 77);
    EXPECT_EQ(word28, 78);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0xAB; }));
    EXPECT_EQ(core.GetImage(buffer.data(), uint32_t(buffer.size()), &number, 1), 0);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0xAB; }));
    EXPECT_EQ(core.ReadMark(), core.WriteIndex());
}

// Copies the newest frame both ways and compares them with the slot as stored.
void ExpectOrientation(CKelvraU3Q6Base& core, int32_t width, int32_t height, int32_t bytes,
                       bool topDownReversesRows, bool reversesPixels) {
    ASSERT_EQ(core.StartTransfer(1), 1);
    ASSERT_EQ(core.WaitFrame(10000), 3);
    ASSERT_TRUE(ThreadEnds(core));
    const size_t rowBytes = size_t(width) * size_t(bytes);
    std::vector<uint8_t> viaRef(core.FrameSize()), topDown(viaRef.size()), bottomUp(viaRef.size());
    uint8_t* slot = nullptr;
    core.GetImageRef(viaRef.data(), uint32_t(viaRef.size()), &slot, nullptr, 0);
    ASSERT_NE(slot, nullptr);
    const std::vector<uint8_t> stored(slot, slot + viaRef.size());  // the thread has ended
    ASSERT_EQ(core.CopyFrame(topDown.data(), uint32_t(topDown.size()), nullptr, nullptr, nullptr,
                             nullptr, nullptr, 0, 1),
              1);
    EXPECT_EQ(viaRef, topDown);  // GetImageRef copies top row first
    ASSERT_EQ(core.CopyFrame(bottomUp.data(), uint32_t(bottomUp.size()), nullptr, nullptr, nullptr,
                             nullptr, nullptr, 0, 0),
              1);
    // The scene varies along rows and down the frame, so a reversal that did not happen shows.
    ASSERT_NE(std::memcmp(stored.data(), stored.data() + rowBytes, rowBytes), 0);
    ASSERT_NE(std::memcmp(stored.data() + 100 * bytes, stored.data() + 200 * bytes, bytes), 0);
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            const int32_t sc = reversesPixels ? width - 1 - c : c;
            const int32_t rowTd = topDownReversesRows ? height - 1 - r : r;
            const int32_t rowBu = topDownReversesRows ? r : height - 1 - r;
            const uint8_t* want = stored.data() + size_t(rowTd) * rowBytes + size_t(sc) * bytes;
            const uint8_t* wantBu = stored.data() + size_t(rowBu) * rowBytes + size_t(sc) * bytes;
            const uint8_t* got = topDown.data() + size_t(r) * rowBytes + size_t(c) * bytes;
            const uint8_t* gotBu = bottomUp.data() + size_t(r) * rowBytes + size_t(c) * bytes;
            ASSERT_EQ(std::memcmp(got, want, size_t(bytes)), 0)
                << "top-down row " << r << " col " << c;
            ASSERT_EQ(std::memcmp(gotBu, wantBu, size_t(bytes)), 0)
                << "bottom-up row " << r << " col " << c;
        }
    }
}

TEST_F(DeviceStream, Orientation4WithTopDownReversesRowsAndPixels) {
    CKelvraU3Q6Base& core = Streaming(kImx990Uncooled, 320, 256, 1);
    ExpectOrientation(core, 320, 256, 2, true, true);
}

TEST_F(DeviceStream, Orientation4At8BitsReversesSinglePixels) {
    CKelvraU3Q6Base& core = Streaming(kImx990Uncooled, 320, 256, 0);
    ExpectOrientation(core, 320, 256, 1, true, true);
}

TEST_F(DeviceStream, Orientation1WithTopDownIsTheStoredOrder) {
    CKelvraU3Q6Base& core = Streaming(kK4Swir, 320, 256, 1);
    ExpectOrientation(core, 320, 256, 2, false, false);
}

TEST_F(DeviceStream, CaptureOnceFillsSlotZeroWithoutAThread) {
    CKelvraU3Q6Base& core = Streaming();
    EXPECT_EQ(core.CaptureOnce(), 0);
    EXPECT_EQ(core.TransferErrorFlag(), 0);
    EXPECT_EQ(core.IsTransferRunning(), 0);
    std::vector<uint8_t> frame(core.FrameSize());
    int32_t number = -1;
    EXPECT_EQ(core.GetFirstFrame(frame.data(), uint32_t(frame.size()), &number, 1), 0);
    EXPECT_GE(number, 0);
    EXPECT_EQ(core.GetFirstFrame(nullptr, 0, nullptr, 1), -2);

    m_camera->failBodyReads(-1);
    EXPECT_EQ(core.CaptureOnce(), 0);
    EXPECT_EQ(core.TransferErrorFlag(), 1);
    EXPECT_EQ(core.WaitFrame(0), 1);
    m_camera->failBodyReads(0);
}

TEST_F(DeviceStream, CounterOnlyModeReadsOneHeaderAndNoFrame) {
    CKelvraU3Q6Base& core = Streaming();
    ASSERT_EQ(core.StartTransfer(3), 1);
    ASSERT_TRUE(ThreadEnds(core));
    EXPECT_EQ(core.WriteIndex(), 0);
    EXPECT_EQ(core.WaitFrame(20), 2);
    EXPECT_EQ(m_camera->streamStats().framesSent, 0u);
    EXPECT_EQ(core.TransferErrorFlag(), 0);
}

// Each core measures its own frames: a second camera streaming at the same time leaves the
// first one's rate alone.
TEST_F(DeviceStream, FrameRateIsPerCore) {
    CKelvraU3Q6Base& first = Streaming();
    FakeClock secondClock;
    {
        auto other = Attach(Config());
        other->setPaced(false);
    }
    CKelvraUSB3Q6SimpleSdk second;
    second.SetProductId(kK4Swir);
    second.CreateController(nullptr, nullptr);
    ASSERT_NE(second.OpenCamera(1), 0);
    second.SetCaptureWindow(0, 0, 320, 256, 0);
    m_clock.Install(first);
    secondClock.Install(second);

    ASSERT_EQ(first.StartTransfer(0), 1);
    ASSERT_EQ(second.StartTransfer(0), 1);
    ASSERT_EQ(WaitNewFrame(first), 3);
    ASSERT_EQ(WaitNewFrame(second), 3);
    m_clock.Sleep(1000);  // a second passes for the first core only
    ASSERT_TRUE(Eventually([&] { return first.FrameRate() > 0.0f; }));
    EXPECT_EQ(second.FrameRate(), 0.0f);
    EXPECT_GT(first.DataRate(), 0.0);
    second.CloseCamera();
    first.StopTransfer(1);
    EXPECT_EQ(first.FrameRate(), 0.0f);
}

}  // namespace
}  // namespace kelvra::device_test
