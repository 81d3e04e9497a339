// A handle on one simulated camera, on the X server the whole test program shares, with a
// message window for frame reports.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "KelvraSdk.h"
#include "dialogs/DialogDriver.h"
#include "sim/SimCamera.h"
#include "sim/Simulator.h"
#include "support/TempConfigHome.h"

namespace kelvra::test {

// A value read through one of the dialog getters that report success through `ok`.
inline int Get(int handle, int (*getter)(int, int*)) {
    int ok = 0;
    const int value = getter(handle, &ok);
    EXPECT_EQ(ok, 1);
    return value;
}

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        camera_ = sim::attachCamera(CameraConfig());
        window_ = Kelvra_CreateMessageWindow();
        handle_ = Kelvra_Initialize(nullptr);
        ASSERT_NE(handle_, 0);
        ASSERT_EQ(Kelvra_SetDeviceNumber(handle_, 0), 1);
        ASSERT_EQ(Kelvra_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
        Errors();
    }

    void TearDown() override {
        if (handle_ != 0) {
            EXPECT_EQ(Kelvra_Release(handle_), 1);
        }
        Kelvra_DestroyMessageWindow(window_);
        sim::detachAllCameras();
    }

    virtual sim::CameraConfig CameraConfig() const { return {}; }

    // The next frame report within `ms`, or null.
    const KELVRA_FRAME_REPORT* NextFrame(int ms = 10000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        KELVRA_MSG msg{};
        while (std::chrono::steady_clock::now() < end) {
            if (Kelvra_GetMessage(window_, &msg, 50) == 1 && msg.message == KELVRA_WM_FRAME &&
                msg.wParam != 0) {
                return reinterpret_cast<const KELVRA_FRAME_REPORT*>(msg.wParam);
            }
        }
        return nullptr;
    }

    // Frame reports queued now, which are thrown away.
    int DrainFrames() {
        int frames = 0;
        KELVRA_MSG msg{};
        while (Kelvra_GetMessage(window_, &msg, 0) == 1) frames += msg.message == KELVRA_WM_FRAME;
        return frames;
    }

    std::vector<int> Errors() {
        std::vector<int> codes;
        for (int code; (code = Kelvra_GetLastError(handle_)) != 0;) codes.push_back(code);
        return codes;
    }

    TempConfigHome config_;
    std::shared_ptr<sim::SimCamera> camera_;
    HWND window_ = nullptr;
    int handle_ = 0;
};

}  // namespace kelvra::test
