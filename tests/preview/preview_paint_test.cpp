// The acquisition thread's painting (stage under the frame lock, present after it) through
// MIT-SHM and through the XPutImage fallback: exact pixels in every sample format, and a window
// resized, hidden or iconified while frames keep coming.
// Before Xlib, whose macros (None, Bool) break its templates.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "XvfbFixture.h"
#include "platform/preview/PreviewWindow.h"

namespace kelvra::platform::preview {
namespace {

using test::ScopedClass;
using test::ScopedHandle;

// Samples of every format, different on every row and column; 12-bit samples include values
// above 4095, which must show as white.
struct Frame {
    SampleFormat format;
    int width, height;
    size_t stride;
    std::vector<uint8_t> bits;

    Frame(SampleFormat f, int w, int h) : format(f), width(w), height(h) {
        const int bytes = PaintSource{f, nullptr, 0, 0, 0, RowOrder::TopRowFirst}.BytesPerPixel();
        stride = static_cast<size_t>(w) * bytes + 5;
        bits.assign(stride * h, 0xEE);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                uint8_t* p = &bits[y * stride + x * bytes];
                const unsigned v = static_cast<unsigned>(x * 7 + y * 13);
                if (f == SampleFormat::Gray12) {
                    const unsigned sample = (x + y) % 9 == 0 ? 0xFFFF - y : (v * 5) % 4096;
                    p[0] = static_cast<uint8_t>(sample);
                    p[1] = static_cast<uint8_t>(sample >> 8);
                } else {
                    for (int k = 0; k < bytes; ++k) p[k] = static_cast<uint8_t>(v + 60 * k);
                }
            }
        }
    }
    PaintSource Source(RowOrder order) const {
        return PaintSource{format, bits.data(), stride, width, height, order};
    }
    // The 0xRRGGBB the server should hold for memory row y, column x.
    unsigned long Rgb(int x, int y) const {
        const uint8_t* p = &bits[y * stride];
        switch (format) {
            case SampleFormat::Gray8:
                return p[x] * 0x010101ul;
            case SampleFormat::Gray12: {
                const unsigned sample = p[2 * x] | p[2 * x + 1] << 8;
                return std::min(sample >> 4, 255u) * 0x010101ul;
            }
            case SampleFormat::Bgr24:
                return static_cast<unsigned long>(p[3 * x + 2]) << 16 | p[3 * x + 1] << 8 |
                       p[3 * x];
        }
        return 0;
    }
};

// Parameter: whether shared memory may be used (else the fallback is forced).
class PreviewPaint : public test::XvfbTest, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        XvfbTest::SetUp();
        if (!GetParam()) setenv("KELVRA_PREVIEW_NO_SHM", "1", 1);
    }
    void TearDown() override {
        unsetenv("KELVRA_PREVIEW_NO_SHM");
        XvfbTest::TearDown();
    }

    // As the acquisition thread paints, waiting for the server at the end.
    static StageResult Paint(PreviewWindow& window, const PaintSource& source) {
        const StageResult staged = window.StagePaint(source, true);
        if (staged == StageResult::Staged) window.PresentPaint();
        window.FinishPainting();
        return staged;
    }

    // Events reach the drawing connection a moment after the application's requests: the frame
    // loop sees them at one of its next frames.
    static bool PaintableBecomes(PreviewWindow& window,
                                 const std::function<bool(bool, int, int)>& ok) {
        for (int frame = 0; frame < 2000; ++frame) {
            int width = 0, height = 0;
            const bool paintable = window.PaintableSize(width, height);
            if (ok(paintable, width, height)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    // Compares the window's top-left w × h pixels with `frame` shown in `order`; outside the
    // frame the background (black) must remain.
    void ExpectShows(Window window, const Frame& frame, RowOrder order, int w, int h) {
        XImage* shot = XGetImage(m_app, window, 0, 0, w, h, AllPlanes, ZPixmap);
        ASSERT_NE(shot, nullptr);
        int mismatches = 0;
        for (int y = 0; y < h; ++y) {
            const int row = order == RowOrder::TopRowFirst ? y : frame.height - 1 - y;
            for (int x = 0; x < w; ++x) {
                const bool inside = x < frame.width && row >= 0 && row < frame.height;
                const unsigned long want = inside ? frame.Rgb(x, row) : 0;
                mismatches += (XGetPixel(shot, x, y) & 0xffffff) != want;
            }
        }
        XDestroyImage(shot);
        EXPECT_EQ(mismatches, 0);
    }
};

TEST_P(PreviewPaint, EverySampleFormatArrivesExactlyInBothRowOrders) {
    ScopedClass cls("VideoRenderer_paint");
    // An odd width leaves every packer a tail after its vector steps.
    ScopedHandle handle(PreviewWindow::CreateTopLevel(cls.get(), "Active Window", 203, 77));
    const auto window = PreviewWindow::Find(handle.get());
    ASSERT_NE(window, nullptr);
    for (const SampleFormat format :
         {SampleFormat::Gray8, SampleFormat::Gray12, SampleFormat::Bgr24}) {
        const Frame frame(format, 203, 77);
        for (const RowOrder order : {RowOrder::TopRowFirst, RowOrder::BottomRowFirst}) {
            ASSERT_EQ(Paint(*window, frame.Source(order)), StageResult::Staged);
            ExpectShows(window->Xid(), frame, order, 203, 77);
        }
    }
    EXPECT_EQ(window->SharesMemory(), GetParam());
}

TEST_P(PreviewPaint, WindowResizedHiddenOrIconifiedWhileFramesCome) {
    ScopedClass cls("VideoRenderer_follow");
    const Window app = AppWindow(400, 300);
    ScopedHandle parent(PreviewWindow::WrapForeign(app));
    ScopedHandle handle(PreviewWindow::CreateChild(cls.get(), parent.get(), 5, 5, 100, 80));
    const auto window = PreviewWindow::Find(handle.get());
    ASSERT_NE(window, nullptr);
    const Frame frame(SampleFormat::Gray12, 160, 120);
    ASSERT_EQ(Paint(*window, frame.Source(RowOrder::TopRowFirst)), StageResult::Staged);
    ExpectShows(window->Xid(), frame, RowOrder::TopRowFirst, 100, 80);

    // Larger: the frame is clipped to the new size, no longer to the old one.
    XResizeWindow(m_app, window->Xid(), 150, 110);
    XClearWindow(m_app, window->Xid());
    XSync(m_app, False);
    ASSERT_TRUE(
        PaintableBecomes(*window, [](bool p, int w, int h) { return p && w == 150 && h == 110; }));
    ASSERT_EQ(Paint(*window, frame.Source(RowOrder::BottomRowFirst)), StageResult::Staged);
    ExpectShows(window->Xid(), frame, RowOrder::BottomRowFirst, 150, 110);

    // The application hides its own window: the child is not painted until shown again.
    XUnmapWindow(m_app, app);
    XSync(m_app, False);
    ASSERT_TRUE(PaintableBecomes(*window, [](bool p, int, int) { return !p; }));
    EXPECT_EQ(Paint(*window, frame.Source(RowOrder::TopRowFirst)), StageResult::NotShown);
    XMapWindow(m_app, app);
    XSync(m_app, False);
    ASSERT_TRUE(PaintableBecomes(*window, [](bool p, int, int) { return p; }));

    // Iconified by a window manager that keeps it mapped.
    const Atom wmState = XInternAtom(m_app, "WM_STATE", False);
    long iconic[2] = {IconicState, None};
    XChangeProperty(m_app, window->Xid(), wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(iconic), 2);
    XSync(m_app, False);
    ASSERT_TRUE(PaintableBecomes(*window, [](bool p, int, int) { return !p; }));
    EXPECT_EQ(Paint(*window, frame.Source(RowOrder::TopRowFirst)), StageResult::NotShown);

    // Destroyed with its parent: nothing is painted, nothing fails loudly.
    XDestroyWindow(m_app, app);
    XSync(m_app, False);
    ASSERT_TRUE(PaintableBecomes(*window, [](bool p, int, int) { return !p; }));
    EXPECT_NE(Paint(*window, frame.Source(RowOrder::TopRowFirst)), StageResult::Staged);
}

INSTANTIATE_TEST_SUITE_P(SharedMemoryAndFallback, PreviewPaint, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "XShmPutImage" : "XPutImage";
                         });

}  // namespace
}  // namespace kelvra::platform::preview
