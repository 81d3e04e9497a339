// Overlapped requests: waiting, finishing from another thread, cancelling, and the blocking
// ioctl built on them.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "driver/Backend.h"
#include "driver/Ioctl.h"

namespace kelvra::driver {
namespace {

TEST(OverlappedTest, RequestThatNeverWentPendingIsDone) {
    Overlapped request;
    EXPECT_TRUE(request.done());
    EXPECT_TRUE(request.wait(0));
    request.finish({kErrorGenFailure, 0});
    EXPECT_EQ(request.result().error, kErrorGenFailure);
}

TEST(OverlappedTest, PendingRequestTimesOutThenFinishesFromAnotherThread) {
    Overlapped request;
    request.begin(nullptr, nullptr);
    EXPECT_FALSE(request.done());
    EXPECT_EQ(request.result().error, kErrorIoPending);
    EXPECT_FALSE(request.wait(10));
    std::thread finisher([&] { request.finish({kErrorSuccess, 64}); });
    EXPECT_TRUE(request.wait(-1));
    finisher.join();
    EXPECT_EQ(request.result().error, kErrorSuccess);
    EXPECT_EQ(request.result().bytes, 64u);
}

struct CancelProbe {
    std::atomic<int> calls{0};
    static void cancel(void* self, Overlapped* request) {
        static_cast<CancelProbe*>(self)->calls++;
        request->finish({kErrorOperationAborted, 0});
    }
};

TEST(OverlappedTest, CancelAsksTheBackEndAndDoesNothingOnceDone) {
    CancelProbe probe;
    Overlapped request;
    request.begin(&CancelProbe::cancel, &probe);
    request.cancel();
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(request.result().error, kErrorOperationAborted);
    request.cancel();
    EXPECT_EQ(probe.calls, 1);
}

TEST(OverlappedTest, DestroyingAPendingRequestCancelsItFirst) {
    CancelProbe probe;
    {
        Overlapped request;
        request.begin(&CancelProbe::cancel, &probe);
    }
    EXPECT_EQ(probe.calls, 1);
}

TEST(OverlappedTest, DestructorWaitsForABackEndThatFinishesLater) {
    std::atomic<bool> finished{false};
    std::thread late;
    struct Later {
        std::thread* thread;
        std::atomic<bool>* finished;
        static void cancel(void* self, Overlapped* request) {
            auto* later = static_cast<Later*>(self);
            *later->thread = std::thread([later, request] {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                later->finished->store(true);
                request->finish({kErrorOperationAborted, 0});
            });
        }
    } later{&late, &finished};
    {
        Overlapped request;
        request.begin(&Later::cancel, &later);
    }
    EXPECT_TRUE(finished.load());
    late.join();
}

// A handle whose requests finish on a thread of their own, like a device completing them.
class ThreadedHandle final : public DeviceHandle {
  public:
    ~ThreadedHandle() override {
        if (worker_.joinable()) worker_.join();
    }
    bool isOverlapped() const override { return true; }
    IoResult submit(uint32_t, std::span<uint8_t>, std::span<uint8_t> out,
                    Overlapped& request) override {
        request.begin(nullptr, nullptr);
        worker_ = std::thread([out, &request] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            out[0] = 0x42;
            request.finish({kErrorSuccess, 1});
        });
        return {kErrorIoPending, 0};
    }

  private:
    std::thread worker_;
};

TEST(OverlappedTest, IoctlWaitsForAPendingRequest) {
    ThreadedHandle handle;
    uint8_t byte = 0;
    IoResult r = handle.ioctl(0x22004B, {}, std::span(&byte, 1));
    EXPECT_EQ(r.error, kErrorSuccess);
    EXPECT_EQ(r.bytes, 1u);
    EXPECT_EQ(byte, 0x42);
}

}  // namespace
}  // namespace kelvra::driver
