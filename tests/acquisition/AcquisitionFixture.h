// A front handle on one simulated camera, with a message window for frame reports.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "KelvraSdk.h"
#include "sim/SimCamera.h"
#include "sim/Simulator.h"
#include "support/TempConfigHome.h"

namespace kelvra::test {

// Bytes of one 8-bit frame of the default 1280 x 1024 window.
inline constexpr int kFrame8 = 1280 * 1024;

class AcquisitionTest : public ::testing::Test {
  protected:
    static constexpr int kWidth = 1280;
    static constexpr int kHeight = 1024;

    void SetUp() override {
        camera_ = sim::attachCamera(CameraConfig());
        window_ = Kelvra_CreateMessageWindow();
        ASSERT_NE(window_, nullptr);
        handle_ = Kelvra_Initialize(nullptr);
        ASSERT_NE(handle_, 0);
        ASSERT_EQ(Kelvra_SetDeviceNumber(handle_, 0), 1);
        // No preview window: these tests look at buffers and messages.
        ASSERT_EQ(Kelvra_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
        DrainErrors();
    }

    void TearDown() override {
        if (handle_ != 0) {
            EXPECT_EQ(Kelvra_Release(handle_), 1);
        }
        Kelvra_DestroyMessageWindow(window_);
        sim::detachAllCameras();
    }

    virtual sim::CameraConfig CameraConfig() const { return {}; }

    // The next frame message (wParam non-zero) within timeoutMs; failure messages are kept in
    // failures_. Null on timeout.
    const KELVRA_FRAME_REPORT* NextFrame(int timeoutMs = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        KELVRA_MSG msg{};
        while (std::chrono::steady_clock::now() < end) {
            if (Kelvra_GetMessage(window_, &msg, 50) != 1) continue;
            if (msg.message != KELVRA_WM_FRAME) continue;
            if (msg.wParam == 0) {
                failures_.push_back(static_cast<int>(msg.lParam));
                continue;
            }
            return reinterpret_cast<const KELVRA_FRAME_REPORT*>(msg.wParam);
        }
        return nullptr;
    }

    // Counts frame messages arriving within ms milliseconds.
    int CountFrames(int ms) {
        int frames = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        KELVRA_MSG msg{};
        while (std::chrono::steady_clock::now() < end) {
            if (Kelvra_GetMessage(window_, &msg, 20) == 1 && msg.message == KELVRA_WM_FRAME &&
                msg.wParam != 0) {
                ++frames;
            }
        }
        return frames;
    }

    // Throws away the messages already queued (after a stop nothing more arrives).
    void DrainMessages() {
        KELVRA_MSG msg{};
        while (Kelvra_GetMessage(window_, &msg, 0) == 1) {
        }
    }

    std::vector<int> DrainErrors() {
        std::vector<int> codes;
        for (int code; (code = Kelvra_GetLastError(handle_)) != 0;) codes.push_back(code);
        return codes;
    }

    static void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    TempConfigHome config_;
    std::shared_ptr<sim::SimCamera> camera_;
    HWND window_ = nullptr;
    int handle_ = 0;
    std::vector<int> failures_;
};

}  // namespace kelvra::test
