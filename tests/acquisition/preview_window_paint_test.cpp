// The preview window as an application resizes it while a 16-bit stream runs: the library's
// child window follows its new size, and at the frame's size shows the 12-bit frame's top
// eight bits pixel for pixel, first row at the top.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "KelvraSdk.h"
#include "sim/SimCamera.h"
#include "sim/Simulator.h"
#include "support/TempConfigHome.h"
// Xlib last: its macros (None, Bool, Status) clash with the simulator's names.
#include <X11/Xutil.h>
#include "preview/XvfbFixture.h"

namespace kelvra::test {
namespace {

constexpr int kW = 1280, kH = 1024;
constexpr int kMono16Bits = 16;

class PreviewWindowResized : public platform::preview::test::XvfbTest {
  protected:
    void SetUp() override {
        XvfbTest::SetUp();
        if (HasFatalFailure()) return;
        camera_ = sim::attachCamera({});
        camera_->setTestPattern(true);
        messages_ = Kelvra_CreateMessageWindow();
        handle_ = Kelvra_Initialize(nullptr);
        ASSERT_NE(handle_, 0);
        ASSERT_EQ(Kelvra_SetDeviceNumber(handle_, 0), 1);
    }
    void TearDown() override {
        if (handle_ != 0) Kelvra_Release(handle_);
        Kelvra_DestroyMessageWindow(messages_);
        sim::detachAllCameras();
        XvfbTest::TearDown();
    }

    int Frames(int count) {
        int frames = 0;
        KELVRA_MSG msg{};
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (frames < count && std::chrono::steady_clock::now() < end) {
            if (Kelvra_GetMessage(messages_, &msg, 100) == 1 && msg.wParam != 0) ++frames;
        }
        return frames;
    }

    TempConfigHome config_;
    std::shared_ptr<sim::SimCamera> camera_;
    HWND messages_ = nullptr;
    int handle_ = 0;
};

TEST_F(PreviewWindowResized, SixteenBitFrameShownUnscaledOnceTheWindowHasItsSize) {
    const Window app = AppWindow(kW + 40, kH + 40);
    const HWND parent = Kelvra_WrapX11Window(app);
    ASSERT_NE(parent, nullptr);
    ASSERT_EQ(Kelvra_SetPreviewWindow(handle_, parent, 0, 0, 320, 240), 1);
    ASSERT_EQ(Kelvra_SetColorMode(handle_, kMono16Bits), 1);
    ASSERT_EQ(Kelvra_CallBackPreview(handle_, messages_, nullptr, 0, 1), 1);
    ASSERT_EQ(Frames(3), 3);
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(m_app, app, &root, &up, &children, &count));
    ASSERT_EQ(count, 1u);
    const Window child = children[0];
    XFree(children);

    // Made the frame's size mid-stream by the application; the loop learns it from events.
    XResizeWindow(m_app, child, kW, kH);
    XSync(m_app, False);
    ASSERT_EQ(Frames(5), 5);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    std::vector<uint16_t> frame(static_cast<size_t>(kW) * kH);
    ASSERT_EQ(Kelvra_GetImage(handle_, frame.data(), static_cast<int>(frame.size() * 2), 1), 1);

    XImage* image = XGetImage(m_app, child, 0, 0, kW, kH, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    int mismatches = 0;
    for (int row = 0; row < kH; row += 3) {
        for (int col = 0; col < kW; col += 7) {
            const unsigned want = std::min(frame[static_cast<size_t>(row) * kW + col] >> 4, 255);
            mismatches += (XGetPixel(image, col, row) & 0xFF) != want;
        }
    }
    XDestroyImage(image);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(Kelvra_Close(handle_), 1);
    EXPECT_EQ(Kelvra_UnwrapX11Window(parent), 1);
}

}  // namespace
}  // namespace kelvra::test
