// An acquisition thread that dies of an unexpected failure: the application is told, and
// stopping returns.
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

using test::ScriptedDeviceCore;

// Streams nothing until told to fail; the failure comes after a pause, while a stop may
// already be waiting for the thread.
class FailingStream : public ScriptedDeviceCore {
  public:
    FailingStream(std::atomic<bool>* fail, std::atomic<bool>* failing,
                  std::vector<std::string>* log)
        : ScriptedDeviceCore(Cameras(), log), fail_(fail), failing_(failing) {}
    int32_t SetCaptureWindow(int32_t, int32_t, int32_t, int32_t, int32_t) override { return 1; }
    int32_t StartTransfer(int32_t) override { return 1; }
    int32_t StopTransfer(int32_t) override { return 1; }
    int32_t WaitFrame(int32_t) override {
        if (!fail_->load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return 2;  // nothing new
        }
        *failing_ = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        throw std::runtime_error("driver fault");
    }

  private:
    static Script Cameras() {
        Script script;
        script.count = 1;
        script.present = {0};
        return script;
    }
    std::atomic<bool>* fail_;
    std::atomic<bool>* failing_;
};

class DyingThread : public ::testing::Test {
  protected:
    void SetUp() override {
        front_ = std::make_unique<CKelvra>(
            [this] { return std::make_unique<FailingStream>(&fail_, &failing_, &log_); });
        front_->Initialize(nullptr);
        ASSERT_EQ(front_->SetPreviewWindow(nullptr, 0, 0, 0, 0), 1);
        window_ = platform::CreateMessageWindow();
    }
    void TearDown() override {
        front_.reset();
        platform::DestroyWindow(window_);
    }

    test::TempConfigHome home_;
    std::vector<std::string> log_;
    std::atomic<bool> fail_{false};
    std::atomic<bool> failing_{false};
    std::unique_ptr<CKelvra> front_;
    HWND window_ = nullptr;
};

TEST_F(DyingThread, TellsTheApplicationWithCode8) {
    for (const bool triggering : {false, true}) {
        fail_ = false;
        ASSERT_EQ(triggering ? front_->Trigger(window_, nullptr, 0, 1)
                             : front_->CallBackPreview(window_, nullptr, 0, 1),
                  1);
        fail_ = true;
        KELVRA_MSG msg{};
        ASSERT_EQ(platform::GetMessage(window_, &msg, 10000), 1) << "triggering " << triggering;
        EXPECT_EQ(msg.wParam, 0u);
        EXPECT_EQ(msg.lParam, KELVRA_ERR_TRANSFER);
        EXPECT_EQ(front_->PopLastError(), KELVRA_ERR_TRANSFER);
        EXPECT_EQ(front_->StopPreview(), 1);
    }
}

TEST_F(DyingThread, StopWaitingForItReturns) {
    ASSERT_EQ(front_->CallBackPreview(window_, nullptr, 0, 1), 1);
    fail_ = true;
    for (int poll = 0; poll < 1000 && !failing_; ++poll) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The stop waits while the thread fails.
    EXPECT_EQ(front_->StopPreview(), 1);
    EXPECT_EQ(front_->Close(), 1);
}

}  // namespace
}  // namespace kelvra
