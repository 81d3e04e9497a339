// Owned frames through the public API on a simulated camera in test-pattern mode.
#pragma once

#include <poll.h>

#include <cstring>

#include "acquisition/AcquisitionFixture.h"

namespace kelvra::test {

class FrameQueueTest : public AcquisitionTest {
  protected:
    // Generous: only a failure waits this long.
    static constexpr int kFrameWaitMs = 10000;

    void SetUp() override {
        AcquisitionTest::SetUp();
        camera_->setTestPattern(true);
    }

    static KELVRA_FRAME Record() {
        KELVRA_FRAME frame{};
        frame.size = sizeof frame;
        return frame;
    }

    // The next frame, or a record whose status says why there was none.
    KELVRA_FRAME Take(int timeoutMs = kFrameWaitMs) const {
        KELVRA_FRAME frame = Record();
        const int got = Kelvra_WaitFrame(handle_, &frame, timeoutMs);
        EXPECT_EQ(got == 1, frame.status == KELVRA_FRAME_OK);
        return frame;
    }

    KELVRA_STREAM_STATS Stats() const {
        KELVRA_STREAM_STATS stats{};
        stats.size = sizeof stats;
        EXPECT_EQ(Kelvra_GetStreamStatistics(handle_, &stats), 1);
        return stats;
    }

    // Whether the queue's eventfd becomes readable within timeoutMs.
    bool Readable(int timeoutMs) const {
        pollfd p{Kelvra_GetFrameQueueFd(handle_), POLLIN, 0};
        return poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN) != 0;
    }

    // The test pattern: every sample of row i of frame n is (n + i) modulo the sample range
    // (8 or 12 bits). A frame that was torn or written over does not say so any more.
    static bool HoldsPattern(const KELVRA_FRAME& f) {
        if (f.data == nullptr) return false;
        const bool wide = f.bitsPerPixel == 16;
        const size_t sample = wide ? 2 : 1;
        const uint64_t mask = wide ? 0xFFF : 0xFF;
        const auto* base = static_cast<const uint8_t*>(f.data);
        for (int row = 0; row < f.height; ++row) {
            const uint64_t expected = (f.frameCounter + uint64_t(row)) & mask;
            const uint8_t* line = base + size_t(row) * size_t(f.rowStride);
            const uint64_t first = wide ? (line[0] | line[1] << 8) : line[0];
            // Each sample equal to the next one: the whole row holds the first sample's value.
            const size_t rest = (size_t(f.width) - 1) * sample;
            if (first != expected || std::memcmp(line, line + sample, rest) != 0) return false;
        }
        return true;
    }
};

}  // namespace kelvra::test
