// An acquisition thread that dies of an unexpected failure: the application is told, and a
// stop waiting for it returns.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "front/CKelvra.h"
#include "front/ScriptedDeviceCore.h"
#include "platform/MessageWindow.h"
#include "support/TempConfigHome.h"

namespace kelvra {
namespace {

using std::chrono::milliseconds;

// One camera that streams nothing; once told to fail, its next frame wait throws after a
// pause (during which a stop may already be waiting for the thread).
class FailingStream : public test::ScriptedDeviceCore {
  public:
    FailingStream(std::atomic<int>* phase, std::vector<std::string>* log)
        : ScriptedDeviceCore(Script{1, {0}}, log), phase_(phase) {}
    int32_t SetCaptureWindow(int32_t, int32_t, int32_t, int32_t, int32_t) override { return 1; }
    int32_t StartTransfer(int32_t) override { return 1; }
    int32_t WaitFrame(int32_t) override {
        if (phase_->load() == kStreaming) {
            std::this_thread::sleep_for(milliseconds(5));
            return 2;  // nothing new
        }
        *phase_ = kFailing;
        std::this_thread::sleep_for(milliseconds(200));
        throw std::runtime_error("driver fault");
    }
    static constexpr int kStreaming = 0, kFail = 1, kFailing = 2;

  private:
    std::atomic<int>* phase_;
};

TEST(DyingAcquisitionThread, IsToldWithCode8AndNeverHoldsUpAStop) {
    test::TempConfigHome home;
    std::vector<std::string> log;
    std::atomic<int> phase{FailingStream::kStreaming};
    CKelvra front([&] { return std::make_unique<FailingStream>(&phase, &log); });
    front.Initialize(nullptr);
    ASSERT_EQ(front.SetPreviewWindow(nullptr, 0, 0, 0, 0), 1);
    const HWND window = platform::CreateMessageWindow();

    ASSERT_EQ(front.Trigger(window, nullptr, 0, 1), 1);
    phase = FailingStream::kFail;
    KELVRA_MSG msg{};
    ASSERT_EQ(platform::GetMessage(window, &msg, 10000), 1);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(msg.lParam, KELVRA_ERR_TRANSFER);
    EXPECT_EQ(front.PopLastError(), KELVRA_ERR_TRANSFER);
    EXPECT_EQ(front.StopPreview(), 1);

    // A stop that starts waiting while the thread fails: the thread never signals an exit
    // event, yet the stop returns.
    phase = FailingStream::kStreaming;
    ASSERT_EQ(front.CallBackPreview(window, nullptr, 0, 1), 1);
    phase = FailingStream::kFail;
    for (int poll = 0; poll < 1000 && phase != FailingStream::kFailing; ++poll) {
        std::this_thread::sleep_for(milliseconds(1));
    }
    EXPECT_EQ(front.StopPreview(), 1);
    EXPECT_EQ(front.Close(), 1);
    platform::DestroyWindow(window);
}

}  // namespace
}  // namespace kelvra
