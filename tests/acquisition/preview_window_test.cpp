// The preview window on a private X server: the frame shown unscaled in the library's own
// centred window and scaled in a child of an application window, read back pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
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

class PreviewWindowE2E : public platform::preview::test::XvfbTest {
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

    // True when `count` frame messages arrive (failures are not frames).
    bool NextFrames(int count) {
        KELVRA_MSG msg{};
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (count > 0 && std::chrono::steady_clock::now() < end) {
            if (Kelvra_GetMessage(messages_, &msg, 100) == 1 && msg.wParam != 0) --count;
        }
        return count == 0;
    }
    // Runs the callback preview until a few frames have been painted, then stops it and
    // returns the last processed frame (the one the window shows).
    std::vector<uint8_t> PreviewAndStop() {
        std::vector<uint8_t> frame(kW * kH);
        EXPECT_EQ(Kelvra_CallBackPreview(handle_, messages_, nullptr, 0, 1), 1);
        EXPECT_TRUE(NextFrames(3));
        EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
        EXPECT_EQ(Kelvra_GetImage(handle_, frame.data(), static_cast<int>(frame.size()), 1), 1);
        return frame;
    }

    // The top-level window titled `title`, or 0.
    Window FindTopLevel(const char* title) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (!XQueryTree(m_app, DefaultRootWindow(m_app), &root, &parent, &children, &count))
            return 0;
        for (unsigned i = 0; i < count && found == 0; ++i) {
            char* name = nullptr;
            if (XFetchName(m_app, children[i], &name) && name != nullptr) {
                if (std::strcmp(name, title) == 0) found = children[i];
                XFree(name);
            }
        }
        if (children != nullptr) XFree(children);
        return found;
    }

    // The one child window the library made in `parent`; 0, with a failure, if not exactly one.
    Window OnlyChild(Window parent) {
        Window root = 0, up = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_app, parent, &root, &up, &children, &count)) return 0;
        const Window child = count == 1 ? children[0] : 0;
        if (children != nullptr) XFree(children);
        EXPECT_EQ(count, 1u);
        return child;
    }

    // Grey level of window pixel (x, y).
    int GreyAt(XImage* image, int x, int y) { return XGetPixel(image, x, y) & 0xFF; }

    TempConfigHome config_;
    std::shared_ptr<sim::SimCamera> camera_;
    HWND messages_ = nullptr;
    int handle_ = 0;
};

TEST_F(PreviewWindowE2E, OwnWindowIsCentredAndShowsTheFrameUnscaled) {
    const std::vector<uint8_t> frame = PreviewAndStop();
    const Window window = FindTopLevel("Active Window");
    ASSERT_NE(window, 0u);
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(m_app, window, &attributes));
    EXPECT_EQ(attributes.width, kW);
    EXPECT_EQ(attributes.height, kH);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(m_app, window, DefaultRootWindow(m_app), 0, 0, &x, &y, &child);
    EXPECT_EQ(x, (platform::preview::test::kScreenWidth - kW) / 2);
    EXPECT_EQ(y, (platform::preview::test::kScreenHeight - kH) / 2);

    XImage* image = XGetImage(m_app, window, 0, 0, kW, kH, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    int mismatches = 0;
    for (int row = 0; row < kH; row += 7) {
        for (int col : {0, 333, kW - 1}) {
            mismatches += GreyAt(image, col, row) != frame[static_cast<size_t>(row) * kW + col];
        }
    }
    XDestroyImage(image);
    EXPECT_EQ(mismatches, 0) << "the window must show the frame's first row at the top";
}

TEST_F(PreviewWindowE2E, ChildOfAnApplicationWindowShowsTheFrameScaled) {
    const Window app = AppWindow(400, 300);
    const HWND parent = Kelvra_WrapX11Window(app);
    ASSERT_NE(parent, nullptr);
    ASSERT_EQ(Kelvra_SetPreviewWindow(handle_, parent, 10, 20, 320, 240), 1);
    const std::vector<uint8_t> frame = PreviewAndStop();

    const Window child = OnlyChild(app);
    ASSERT_NE(child, 0u);
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(m_app, child, &attributes));
    EXPECT_EQ(attributes.x, 10);
    EXPECT_EQ(attributes.y, 20);
    EXPECT_EQ(attributes.width, 320);
    EXPECT_EQ(attributes.height, 240);

    // Nearest-neighbour rows and columns; the frame's first row stays at the top.
    XImage* image = XGetImage(m_app, child, 0, 0, 320, 240, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    const float sx = static_cast<float>(kW) / 320, sy = static_cast<float>(kH) / 240;
    int mismatches = 0;
    for (int row = 0; row < 240; row += 5) {
        const int frameRow = kH - 1 - static_cast<int>((239 - row) * sy);
        for (int col : {0, 100, 319}) {
            const int frameCol = static_cast<int>(col * sx);
            mismatches +=
                GreyAt(image, col, row) != frame[static_cast<size_t>(frameRow) * kW + frameCol];
        }
    }
    XDestroyImage(image);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(Kelvra_Close(handle_), 1);
    EXPECT_EQ(Kelvra_UnwrapX11Window(parent), 1);
}

TEST_F(PreviewWindowE2E, RepeatedStartsAndCloseLeaveNoWindowOrClassBehind) {
    const size_t classes = platform::preview::WindowClassRegistry::Instance().Count();
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(Kelvra_Preview(handle_), 1);
        ASSERT_EQ(Kelvra_Preview(handle_), 1);
        EXPECT_EQ(platform::preview::WindowClassRegistry::Instance().Count(), classes + 1);
        ASSERT_EQ(Kelvra_Close(handle_), 1);
        EXPECT_EQ(FindTopLevel("Active Window"), 0u);
        EXPECT_EQ(platform::preview::WindowClassRegistry::Instance().Count(), classes);
    }
}

// Closing the library's window from outside, as a window manager or the user would: the
// acquisition goes on without it, the application is told once with code 4, and every later
// call returns.
class ClosedPreviewWindow : public PreviewWindowE2E {
  protected:
    Window StartPreviewWithWindow() {
        EXPECT_EQ(Kelvra_CallBackPreview(handle_, messages_, nullptr, 0, 1), 1);
        EXPECT_TRUE(NextFrames(2));
        return FindTopLevel("Active Window");
    }
    // Frame messages already waiting were posted before whatever the test just did.
    void ForgetWaitingFrames() {
        KELVRA_MSG msg{};
        while (Kelvra_GetMessage(messages_, &msg, 0) == 1) {
        }
    }
    void ExpectToldOnceAndEverythingReturns() {
        std::vector<int> codes;
        for (int code; (code = Kelvra_GetLastError(handle_)) != 0;) codes.push_back(code);
        EXPECT_EQ(codes, std::vector<int>{KELVRA_ERR_WINDOW});
        EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
        EXPECT_EQ(Kelvra_Close(handle_), 1);
        EXPECT_EQ(Kelvra_Release(handle_), 1);
        handle_ = 0;
    }
};

TEST_F(ClosedPreviewWindow, WindowManagerCloseRemovesOnlyTheWindow) {
    const Window window = StartPreviewWithWindow();
    ASSERT_NE(window, 0u);
    Atom* protocols = nullptr;
    int count = 0;
    ASSERT_TRUE(XGetWMProtocols(m_app, window, &protocols, &count));
    const Atom deleteWindow = XInternAtom(m_app, "WM_DELETE_WINDOW", False);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(count > 0 ? protocols[0] : 0, deleteWindow);
    if (protocols != nullptr) XFree(protocols);

    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(m_app, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(deleteWindow);
    XSendEvent(m_app, window, False, NoEventMask, &close);
    XSync(m_app, False);
    ForgetWaitingFrames();
    EXPECT_TRUE(NextFrames(3)) << "frames go on without the window";
    EXPECT_EQ(FindTopLevel("Active Window"), 0u);
    ExpectToldOnceAndEverythingReturns();
}

TEST_F(ClosedPreviewWindow, KilledWindowClientLeavesTheStreamRunning) {
    const Window window = StartPreviewWithWindow();
    ASSERT_NE(window, 0u);
    XKillClient(m_app, window);
    XSync(m_app, False);
    ForgetWaitingFrames();
    EXPECT_TRUE(NextFrames(3));
    EXPECT_EQ(FindTopLevel("Active Window"), 0u);
    ExpectToldOnceAndEverythingReturns();
}

TEST_F(ClosedPreviewWindow, LostXServerLeavesTheStreamRunning) {
    ASSERT_NE(StartPreviewWithWindow(), 0u);
    StopServer();
    ForgetWaitingFrames();
    EXPECT_TRUE(NextFrames(3));
    ExpectToldOnceAndEverythingReturns();
}

TEST_F(PreviewWindowE2E, ZeroPlacementMakesNoWindow) {
    ASSERT_EQ(Kelvra_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
    ASSERT_EQ(Kelvra_Preview(handle_), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(FindTopLevel("Active Window"), 0u);
    EXPECT_EQ(Kelvra_Close(handle_), 1);
}

// The window as an application resizes it while a 16-bit stream runs: the library's child
// window follows its new size, and at the frame's size shows the 12-bit frame's top eight bits
// pixel for pixel, first row at the top.
TEST_F(PreviewWindowE2E, SixteenBitFrameShownUnscaledOnceTheWindowHasItsSize) {
    const Window app = AppWindow(kW + 40, kH + 40);
    const HWND parent = Kelvra_WrapX11Window(app);
    ASSERT_NE(parent, nullptr);
    ASSERT_EQ(Kelvra_SetPreviewWindow(handle_, parent, 0, 0, 320, 240), 1);
    ASSERT_EQ(Kelvra_SetColorMode(handle_, kMono16Bits), 1);
    ASSERT_EQ(Kelvra_CallBackPreview(handle_, messages_, nullptr, 0, 1), 1);
    ASSERT_TRUE(NextFrames(3));
    const Window child = OnlyChild(app);
    ASSERT_NE(child, 0u);

    // Made the frame's size mid-stream by the application; the loop learns it from events.
    XResizeWindow(m_app, child, kW, kH);
    XSync(m_app, False);
    ASSERT_TRUE(NextFrames(5));
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
