// The frame ring on its own (copy-out rules, empty slots, bounds) and under a writer that laps
// its readers: no reader may ever see a torn frame.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "DeviceTestSupport.h"
#include "device/FrameRing.h"

namespace kelvra::device_test {
namespace {

// A ring of `depth` slots whose frames are `width` x `height` pixels of `bytes` bytes.
RingGeometry Geometry(int32_t width, int32_t height, int32_t bytes, int32_t orientation = 1) {
    const uint32_t frame = uint32_t(width * height * bytes);
    return RingGeometry{frame + 64, frame, width, height, bytes, orientation};
}

// Puts a frame whose byte i is `first + i` into slot `slot`.
void PutCounting(FrameRing& ring, int32_t slot, uint8_t first, int32_t number) {
    for (uint32_t i = 0; i < ring.FrameSize(); ++i) ring.Staging()[i] = uint8_t(first + i);
    ASSERT_EQ(ring.Put(slot, number, HeaderWords{1, 2, 3, 4}), slot);
}

TEST(FrameRingOrder, OrientationAndRowOrderDecideTheReversals) {
    struct Case {
        int32_t orientation;
        bool topDown, rows, pixels;
    };
    const Case cases[] = {
        {1, true, false, false}, {1, false, true, false}, {2, true, false, true},
        {2, false, true, true},  {3, true, true, false},  {3, false, false, false},
        {4, true, true, true},   {4, false, false, true}, {0, true, false, false},
    };
    for (const Case& c : cases) {
        const FrameRing::CopyOrder order = FrameRing::OrderFor(c.orientation, c.topDown);
        EXPECT_EQ(order.reverseRows, c.rows) << c.orientation << " " << c.topDown;
        EXPECT_EQ(order.reversePixels, c.pixels) << c.orientation << " " << c.topDown;
    }
}

TEST(FrameRingCopy, FreshSlotsAreEmptyAndReleasedOnesGone) {
    FrameRing ring;
    ASSERT_TRUE(ring.Allocate(4, Geometry(4, 2, 1)));
    std::vector<uint8_t> out(8);
    SlotInfo info{7, {7, 7, 7, 7}};
    EXPECT_EQ(ring.Copy(3, out.data(), 8, true, &info), 1);
    EXPECT_EQ(info.frameNumber, -1);
    EXPECT_EQ(info.words, (HeaderWords{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
    EXPECT_EQ(ring.Copy(4, out.data(), 8, true, &info), 0);  // beyond the depth: no buffer
    EXPECT_EQ(ring.Copy(-1, out.data(), 8, true, &info), 0);
    ring.Release();
    EXPECT_EQ(ring.Copy(0, out.data(), 8, true, &info), 0);
    EXPECT_EQ(ring.Staging(), nullptr);
    EXPECT_EQ(ring.FrameSize(), 0u);
}

TEST(FrameRingCopy, ReversesRowsAndTwoBytePixelsTogether) {
    FrameRing ring;
    ASSERT_TRUE(ring.Allocate(4, Geometry(3, 2, 2, 4)));  // rows of 3 pixels, 6 bytes
    PutCounting(ring, 1, 0, 42);
    std::vector<uint8_t> out(12);
    SlotInfo info;
    ASSERT_EQ(ring.Copy(1, out.data(), 12, true, &info), 1);
    // Stored rows {0..5} {6..11}: bottom row first, pixels right to left, bytes kept in pairs.
    EXPECT_EQ(out, (std::vector<uint8_t>{10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1}));
    EXPECT_EQ(info.frameNumber, 42);
    EXPECT_EQ(info.words, (HeaderWords{1, 2, 3, 4}));
    ASSERT_EQ(ring.Copy(1, out.data(), 12, false, nullptr), 1);
    EXPECT_EQ(out, (std::vector<uint8_t>{4, 5, 2, 3, 0, 1, 10, 11, 8, 9, 6, 7}));
}

TEST(FrameRingCopy, ReversesOddRowsOfSingleBytes) {
    FrameRing ring;
    ASSERT_TRUE(ring.Allocate(4, Geometry(3, 3, 1, 1)));
    PutCounting(ring, 0, 0, 1);
    std::vector<uint8_t> out(9);
    ASSERT_EQ(ring.Copy(0, out.data(), 9, false, nullptr), 1);
    EXPECT_EQ(out, (std::vector<uint8_t>{6, 7, 8, 3, 4, 5, 0, 1, 2}));
    ASSERT_EQ(ring.Copy(0, out.data(), 9, true, nullptr), 1);
    EXPECT_EQ(out, (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(FrameRingCopy, NeverWritesPastTheFrameSize) {
    FrameRing ring;
    // Rows that would need 16 bytes where the frame holds 10: only whole rows within it go out.
    ASSERT_TRUE(ring.Allocate(4, RingGeometry{64, 10, 4, 4, 1, 4}));
    PutCounting(ring, 0, 0, 1);
    std::vector<uint8_t> out(16, 0xEE);
    ASSERT_EQ(ring.Copy(0, out.data(), 10, true, nullptr), 1);
    EXPECT_EQ(out, (std::vector<uint8_t>{7, 6, 5, 4, 3, 2, 1, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE,
                                         0xEE, 0xEE}));
    EXPECT_EQ(ring.Copy(0, out.data(), 9, true, nullptr), 0);
}

TEST(FrameRingCommit, FillsTheSlotAskedForWhenNoReaderHoldsIt) {
    FrameRing ring;
    ASSERT_TRUE(ring.Allocate(4, Geometry(2, 2, 1)));
    std::memset(ring.Staging(), 9, ring.FrameSize());
    EXPECT_EQ(ring.Commit(2, 4, 77, HeaderWords{5, 77, 6, 7}), 2);
    std::vector<uint8_t> out(4);
    SlotInfo info;
    ASSERT_EQ(ring.Copy(2, out.data(), 4, true, &info), 1);
    EXPECT_EQ(out, (std::vector<uint8_t>{9, 9, 9, 9}));
    EXPECT_EQ(info.frameNumber, 77);
    EXPECT_EQ(ring.Commit(4, 4, 1, HeaderWords{}), -1);  // no such slot
    ring.Release();
    EXPECT_EQ(ring.Commit(0, 4, 1, HeaderWords{}), -1);  // no buffers
}

// One writer committing as fast as it can, readers copying slots at random: every copy must be
// one whole frame, its bytes all equal to its frame number.
TEST(FrameRingCommit, ReadersLappedByTheWriterNeverSeeATornFrame) {
    constexpr int32_t kDepth = 4;
    constexpr int32_t kFrames = 3000;
    constexpr int kMinCopies = 2000;
    FrameRing ring;
    ASSERT_TRUE(ring.Allocate(kDepth, Geometry(256, 64, 1)));
    std::atomic<int32_t> writeIndex{0};
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<int> copies{0};
    auto reader = [&](uint32_t seed) {
        std::vector<uint8_t> out(ring.FrameSize());
        while (!done) {
            seed = seed * 1103515245u + 12345u;
            const int32_t slot = int32_t((seed >> 16) % kDepth);
            SlotInfo info;
            if (!ring.Copy(slot, out.data(), uint32_t(out.size()), true, &info)) continue;
            ++copies;
            if (info.frameNumber < 0) continue;  // not filled yet
            const uint8_t expected = uint8_t(info.frameNumber);
            for (uint8_t byte : out) {
                if (byte != expected) {
                    ++torn;
                    break;
                }
            }
        }
    };
    std::thread first(reader, 1u);
    std::thread second(reader, 2u);
    for (int32_t n = 0; n < kFrames || copies < kMinCopies; ++n) {
        std::memset(ring.Staging(), uint8_t(n), ring.FrameSize());
        const int32_t slot = ring.Commit(writeIndex, kDepth, n, HeaderWords{});
        ASSERT_GE(slot, 0);
        writeIndex = (slot + 1) % kDepth;
    }
    done = true;
    first.join();
    second.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GE(copies.load(), kMinCopies);
}

// The same through the device core and a simulated camera in test-pattern mode, where every
// sample of row i of frame n is n + i: a reader slower than the unpaced camera checks that each
// copy holds the rows of exactly the frame whose number it reports. Every other copy is of slot
// 0, which the transfer thread keeps rewriting while the reader lags behind.
using DeviceRing = DeviceTest;

TEST_F(DeviceRing, ASlowReaderNeverSeesATornFrame) {
    sim::CameraConfig config = Config();
    config.paced = false;
    auto camera = Attach(config);
    camera->setTestPattern(true);
    CKelvraU3Q6Base& core = OpenCore();
    ASSERT_EQ(core.SetCaptureWindow(0, 0, 640, 512, 0), 1);
    ASSERT_EQ(core.SetTransferBits(1), 1);
    ASSERT_EQ(core.ConfigureBuffers(), 1);
    ASSERT_EQ(core.StartTransfer(0), 1);
    ASSERT_EQ(WaitNewFrame(core), 3);

    // The reader goes on until the camera has moved well past where it started, however slow
    // the machine: a count of copies alone would let a loaded run end before any slot was lapped.
    constexpr int kMinCopies = 150;
    constexpr int32_t kMinAdvance = 75;
    constexpr int32_t kWidth = 640;
    constexpr int32_t kHeight = 512;
    std::atomic<int> torn{0};
    std::atomic<int32_t> advance{0};
    std::thread reader([&] {
        std::vector<uint16_t> frame(size_t(kWidth) * kHeight);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        int32_t first = -1;
        for (int i = 0; i < kMinCopies || advance < kMinAdvance; ++i) {
            if (std::chrono::steady_clock::now() > deadline) break;
            int32_t number = -1;
            core.CopyFrame(reinterpret_cast<uint8_t*>(frame.data()), uint32_t(frame.size() * 2),
                           &number, nullptr, nullptr, nullptr, nullptr, i % 2, 1);
            if (number < 0) continue;  // slot 0 not filled yet
            for (int32_t row = 0; row < kHeight; ++row) {
                const uint16_t want = uint16_t((uint32_t(number) + uint32_t(row)) & 0xFFF);
                const uint16_t* line = frame.data() + size_t(row) * kWidth;
                if (line[0] != want || line[kWidth - 1] != want) {
                    ++torn;
                    break;
                }
            }
            if (first < 0) first = number;
            advance = number - first;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));  // slower than the camera
        }
    });
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GE(advance.load(), kMinAdvance);  // frames kept arriving meanwhile
    core.StopTransfer(1);
}

}  // namespace
}  // namespace kelvra::device_test
