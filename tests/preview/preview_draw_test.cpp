// Before Xlib, whose macros (None, Bool) break its templates.
#include <gtest/gtest.h>

#include <X11/Xutil.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "XvfbFixture.h"
#include "platform/preview/PreviewWindow.h"

namespace kelvra::platform::preview {
namespace {

using test::ScopedClass;
using test::ScopedHandle;

constexpr uint8_t kPadding = 0xEE;  // stride padding, never to be shown

// A test image with padded rows; Sample(x, y) is its blue, green, red (or grey) at column x
// of memory row y, different on every row so that a flip or a stride slip shows.
struct Image {
    int width, height, channels;
    size_t stride;
    std::vector<uint8_t> bits;

    Image(int w, int h, int c) : width(w), height(h), channels(c), stride(w * c + 7) {
        bits.assign(stride * h, kPadding);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                for (int k = 0; k < c; ++k) bits[y * stride + x * c + k] = Sample(x, y, k);
            }
        }
    }
    static uint8_t Sample(int x, int y, int k) {
        return static_cast<uint8_t>(x * (k + 1) + 3 * y + 50 * k);
    }
    // The 0xRRGGBB the server should hold for memory row y, column x.
    unsigned long Rgb(int x, int y) const {
        if (channels == 1) return Sample(x, y, 0) * 0x010101ul;
        return (static_cast<unsigned long>(Sample(x, y, 2)) << 16) |
               (static_cast<unsigned long>(Sample(x, y, 1)) << 8) | Sample(x, y, 0);
    }
    bool Draw(PreviewWindow& window, RowOrder order) const {
        return channels == 1 ? window.DrawGray8(bits.data(), stride, width, height, order)
                             : window.DrawBgr24(bits.data(), stride, width, height, order);
    }
};

class PreviewDrawTest : public test::XvfbTest {
  protected:
    void SetUp() override {
        XvfbTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(DefaultVisual(m_app, DefaultScreen(m_app))->red_mask, 0xff0000ul);
    }

    // Compares the window's w × h top-left pixels with `image` shown in `order`; reports the
    // first mismatch.
    void ExpectShows(Window window, const Image& image, RowOrder order, int w, int h) {
        XImage* shot = XGetImage(m_app, window, 0, 0, w, h, AllPlanes, ZPixmap);
        ASSERT_NE(shot, nullptr);
        for (int y = 0; y < h; ++y) {
            const int row = order == RowOrder::TopRowFirst ? y : image.height - 1 - y;
            for (int x = 0; x < w; ++x) {
                const unsigned long want = x < image.width && row >= 0 && row < image.height
                                               ? image.Rgb(x, row)
                                               : 0;  // background
                const unsigned long got = XGetPixel(shot, x, y) & 0xffffff;
                if (got != want) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << got
                                  << ", want " << want;
                    XDestroyImage(shot);
                    return;
                }
            }
        }
        XDestroyImage(shot);
    }
};

TEST_F(PreviewDrawTest, GreyAndBgrImagesArriveExactlyInBothRowOrders) {
    ScopedClass cls("VideoRenderer_draw");
    ScopedHandle handle(PreviewWindow::CreateTopLevel(cls.get(), "Active Window", 257, 131));
    const auto window = PreviewWindow::Find(handle.get());
    ASSERT_NE(window, nullptr);
    for (const int channels : {1, 3}) {
        const Image image(257, 131, channels);
        for (const RowOrder order : {RowOrder::TopRowFirst, RowOrder::BottomRowFirst}) {
            ASSERT_TRUE(image.Draw(*window, order));
            ExpectShows(window->Xid(), image, order, 257, 131);
        }
    }
}

TEST_F(PreviewDrawTest, DrawsOnlyWhatFitsTheCurrentClientArea) {
    ScopedClass cls("VideoRenderer_clip");
    const Window app = AppWindow(400, 300);
    ScopedHandle parent(PreviewWindow::WrapForeign(app));
    ScopedHandle handle(PreviewWindow::CreateChild(cls.get(), parent.get(), 5, 5, 100, 80));
    const auto window = PreviewWindow::Find(handle.get());
    ASSERT_NE(window, nullptr);

    // Larger than the window: a bottom-up image shows its last rows at the top.
    const Image large(160, 120, 3);
    ASSERT_TRUE(large.Draw(*window, RowOrder::BottomRowFirst));
    ExpectShows(window->Xid(), large, RowOrder::BottomRowFirst, 100, 80);

    // After a resize the image is clipped to the new size; smaller ones leave the rest alone.
    XResizeWindow(m_app, window->Xid(), 150, 110);
    XClearWindow(m_app, window->Xid());
    XSync(m_app, False);
    int width = 0, height = 0;
    ASSERT_TRUE(window->ClientSize(width, height));
    EXPECT_EQ(width, 150);
    EXPECT_EQ(height, 110);
    const Image small(61, 47, 1);
    ASSERT_TRUE(small.Draw(*window, RowOrder::TopRowFirst));
    ExpectShows(window->Xid(), small, RowOrder::TopRowFirst, 150, 110);
}

TEST_F(PreviewDrawTest, RefusesBadArguments) {
    ScopedClass cls("VideoRenderer_args");
    ScopedHandle handle(PreviewWindow::CreateTopLevel(cls.get(), "Active Window", 32, 32));
    const auto window = PreviewWindow::Find(handle.get());
    ASSERT_NE(window, nullptr);
    const std::vector<uint8_t> bits(32 * 32 * 3);
    EXPECT_FALSE(window->DrawGray8(nullptr, 32, 32, 32, RowOrder::TopRowFirst));
    EXPECT_FALSE(window->DrawGray8(bits.data(), 32, 0, 32, RowOrder::TopRowFirst));
    EXPECT_FALSE(window->DrawGray8(bits.data(), 31, 32, 32, RowOrder::TopRowFirst));
    EXPECT_FALSE(window->DrawBgr24(bits.data(), 32 * 3 - 1, 32, 32, RowOrder::TopRowFirst));
    EXPECT_TRUE(window->DrawBgr24(bits.data(), 32 * 3, 32, 32, RowOrder::TopRowFirst));
}

// The acquisition thread draws (with resizes in between) while the creating thread asks.
TEST_F(PreviewDrawTest, DrawingOnAnotherThreadWhileTheCreatorQueries) {
    ScopedClass cls("VideoRenderer_threads");
    ScopedHandle handle(PreviewWindow::CreateTopLevel(cls.get(), "Active Window", 120, 90));
    const auto window = PreviewWindow::Find(handle.get());
    ASSERT_NE(window, nullptr);
    constexpr int kFrames = 60;
    std::atomic<int> failures{0};
    std::atomic<bool> done{false};
    std::thread painter([&] {
        for (int frame = 0; frame < kFrames; ++frame) {
            const Image image(100 + frame, 80 + frame, frame % 2 ? 3 : 1);
            if (!image.Draw(*window, RowOrder::BottomRowFirst)) failures.fetch_add(1);
        }
        done.store(true);
    });
    int queries = 0;
    while (!done.load() || queries < kFrames) {
        int width = 0, height = 0;
        EXPECT_TRUE(window->ClientSize(width, height));
        EXPECT_TRUE(window->IsVisible());
        EXPECT_TRUE(window->HasSurface());
        XResizeWindow(m_app, window->Xid(), 100 + queries % 50, 90 + queries % 30);
        XSync(m_app, False);
        ++queries;
    }
    painter.join();
    EXPECT_EQ(failures.load(), 0);
    XResizeWindow(m_app, window->Xid(), 120, 90);
    XSync(m_app, False);
    const Image last(120, 90, 3);
    ASSERT_TRUE(last.Draw(*window, RowOrder::TopRowFirst));
    ExpectShows(window->Xid(), last, RowOrder::TopRowFirst, 120, 90);
}

// The application may destroy its own window, and with it our child, at any time.
TEST_F(PreviewDrawTest, ParentDestroyedByTheApplicationFailsQuietly) {
    ScopedClass cls("VideoRenderer_orphan");
    const Window app = AppWindow(200, 200);
    ScopedHandle parent(PreviewWindow::WrapForeign(app));
    const HWND handle = PreviewWindow::CreateChild(cls.get(), parent.get(), 0, 0, 50, 50);
    const auto window = PreviewWindow::Find(handle);
    ASSERT_NE(window, nullptr);
    XDestroyWindow(m_app, app);
    XSync(m_app, False);
    const Image image(50, 50, 1);
    EXPECT_FALSE(image.Draw(*window, RowOrder::TopRowFirst));
    EXPECT_FALSE(window->IsVisible());
    int width = -1, height = -1;
    EXPECT_FALSE(window->ClientSize(width, height));
    EXPECT_TRUE(DestroyWindow(handle));
}

// The server may go away (session ends) while the preview runs: no exit, every call fails.
TEST_F(PreviewDrawTest, ServerGoneFailsQuietly) {
    ScopedClass cls("VideoRenderer_gone");
    const HWND handle = PreviewWindow::CreateTopLevel(cls.get(), "Active Window", 40, 30);
    const auto window = PreviewWindow::Find(handle);
    ASSERT_NE(window, nullptr);
    StopServer();
    const Image image(40, 30, 3);
    EXPECT_FALSE(image.Draw(*window, RowOrder::TopRowFirst));
    EXPECT_FALSE(window->IsVisible());
    int width = -1, height = -1;
    EXPECT_FALSE(window->ClientSize(width, height));
    EXPECT_TRUE(DestroyWindow(handle));
}

// A 16-bit server has a visual the packers do not serve: the window exists, drawing fails.
class PreviewDraw16Test : public test::XvfbTest {
  protected:
    int Depth() const override { return 16; }
};

TEST_F(PreviewDraw16Test, UnsupportedVisualFailsCleanly) {
    ScopedClass cls("VideoRenderer_16");
    ScopedHandle handle(PreviewWindow::CreateTopLevel(cls.get(), "Active Window", 40, 30));
    const auto window = PreviewWindow::Find(handle.get());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->IsVisible());
    EXPECT_FALSE(Image(40, 30, 1).Draw(*window, RowOrder::TopRowFirst));
    EXPECT_FALSE(Image(40, 30, 3).Draw(*window, RowOrder::TopRowFirst));
}

}  // namespace
}  // namespace kelvra::platform::preview
