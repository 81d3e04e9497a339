// Before Xlib, whose macros (None, Bool) break its templates.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <string>

#include "XvfbFixture.h"
#include "platform/MessageWindow.h"
#include "platform/preview/PreviewWindow.h"
#include "platform/preview/WindowClassRegistry.h"

namespace kelvra::platform::preview {
namespace {

using test::ScopedClass;
using test::ScopedHandle;
using PreviewWindowTest = test::XvfbTest;

std::string Utf8NameOf(Display* display, Window window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 64, False,
                       XInternAtom(display, "UTF8_STRING", False), &type, &format, &count, &after,
                       &data);
    std::string name = data ? std::string(reinterpret_cast<char*>(data), count) : "";
    if (data) XFree(data);
    return name;
}

TEST_F(PreviewWindowTest, TopLevelIsCentredTitledAndSizedRaisingNegativeCoordinatesToZero) {
    ScopedClass cls("VideoRenderer_top");
    struct Case {
        int width, height, x, y;
    };
    // Screen 1600 × 1200; an odd difference truncates, a window wider than the screen sits at 0.
    for (const Case c :
         {Case{1280, 1024, 160, 88}, Case{1001, 701, 299, 249}, Case{2000, 1300, 0, 0}}) {
        ScopedHandle handle(
            PreviewWindow::CreateTopLevel(cls.get(), "Active Window", c.width, c.height));
        const auto window = PreviewWindow::Find(handle.get());
        ASSERT_NE(window, nullptr);
        int x = -1, y = -1;
        Window child = 0;
        ASSERT_TRUE(XTranslateCoordinates(m_app, window->Xid(), DefaultRootWindow(m_app), 0, 0, &x,
                                          &y, &child));
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
        int width = 0, height = 0;
        ASSERT_TRUE(window->ClientSize(width, height));
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        char* name = nullptr;
        ASSERT_TRUE(XFetchName(m_app, window->Xid(), &name));
        EXPECT_STREQ(name, "Active Window");
        XFree(name);
        EXPECT_EQ(Utf8NameOf(m_app, window->Xid()), "Active Window");
        EXPECT_TRUE(window->IsVisible());
        EXPECT_TRUE(window->HasSurface());
    }
}

TEST_F(PreviewWindowTest, ChildSitsInTheWrappedApplicationWindow) {
    ScopedClass cls("VideoRenderer_child");
    const Window app = AppWindow(640, 480);
    ScopedHandle parent(PreviewWindow::WrapForeign(app));
    ASSERT_NE(parent.get(), nullptr);
    ScopedHandle handle(PreviewWindow::CreateChild(cls.get(), parent.get(), 10, 20, 320, 240));
    const auto child = PreviewWindow::Find(handle.get());
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(HasChild(app, child->Xid()));
    int x = -1, y = -1;
    Window inner = 0;
    ASSERT_TRUE(XTranslateCoordinates(m_app, child->Xid(), app, 0, 0, &x, &y, &inner));
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);
    int width = 0, height = 0;
    ASSERT_TRUE(child->ClientSize(width, height));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    EXPECT_TRUE(child->IsVisible());

    // The wrapper receives messages like any window handle.
    ASSERT_TRUE(PostMessage(parent.get(), KELVRA_WM_FRAME, 1, 2));
    KELVRA_MSG msg{};
    EXPECT_EQ(GetMessage(parent.get(), &msg, 0), 1);
    EXPECT_EQ(msg.lParam, 2);
}

TEST_F(PreviewWindowTest, CreationRefusesBadClassesParentsAndSizes) {
    ScopedClass cls("VideoRenderer_bad");
    const size_t classes = WindowClassRegistry::Instance().Count();
    EXPECT_EQ(PreviewWindow::CreateTopLevel("VideoRenderer_none", "t", 100, 100), nullptr);
    EXPECT_EQ(PreviewWindow::CreateTopLevel(cls.get(), "t", 0, 100), nullptr);
    EXPECT_EQ(PreviewWindow::CreateTopLevel(cls.get(), "t", 100, -1), nullptr);
    ScopedHandle messages(CreateMessageWindow());
    EXPECT_EQ(PreviewWindow::CreateChild(cls.get(), messages.get(), 0, 0, 10, 10), nullptr);
    EXPECT_EQ(PreviewWindow::CreateChild(cls.get(), nullptr, 0, 0, 10, 10), nullptr);
    ScopedHandle parent(PreviewWindow::WrapForeign(AppWindow(100, 100)));
    EXPECT_EQ(PreviewWindow::CreateChild(cls.get(), parent.get(), 0, 0, 0, 10), nullptr);
    EXPECT_EQ(PreviewWindow::CreateChild(cls.get(), parent.get(), 40000, 0, 10, 10), nullptr);
    EXPECT_EQ(WindowClassRegistry::Instance().Count(), classes);
}

TEST_F(PreviewWindowTest, WrapRefusesMissingWindowsAndUnwrapLeavesTheWindowAlone) {
    const Window gone = AppWindow(50, 50);
    XDestroyWindow(m_app, gone);
    XSync(m_app, False);
    EXPECT_EQ(PreviewWindow::WrapForeign(gone), nullptr);
    EXPECT_EQ(PreviewWindow::WrapForeign(0), nullptr);
    // Xlib would truncate this to a small id, possibly naming some other window.
    const Window app = AppWindow(50, 50);
    EXPECT_EQ(PreviewWindow::WrapForeign(app | (1ul << 32)), nullptr);

    const HWND wrapped = PreviewWindow::WrapForeign(app);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(PreviewWindow::X11WindowOf(wrapped), app);
    EXPECT_EQ(PreviewWindow::Find(wrapped), nullptr);  // not a preview window
    ScopedHandle messages(CreateMessageWindow());
    EXPECT_FALSE(PreviewWindow::Unwrap(messages.get()));
    EXPECT_TRUE(IsWindow(messages.get()));
    EXPECT_TRUE(PreviewWindow::Unwrap(wrapped));
    EXPECT_FALSE(PreviewWindow::Unwrap(wrapped));
    EXPECT_FALSE(IsWindow(wrapped));
    EXPECT_TRUE(HasChild(DefaultRootWindow(m_app), app));
}

TEST_F(PreviewWindowTest, UnmappedIconifiedOrHiddenWindowsAreNotVisible) {
    ScopedClass cls("VideoRenderer_visible");
    ScopedHandle handle(PreviewWindow::CreateTopLevel(cls.get(), "Active Window", 200, 100));
    const auto window = PreviewWindow::Find(handle.get());
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->IsVisible());
    XUnmapWindow(m_app, window->Xid());
    XSync(m_app, False);
    EXPECT_FALSE(window->IsVisible());
    XMapWindow(m_app, window->Xid());
    XSync(m_app, False);
    EXPECT_TRUE(window->IsVisible());

    // What a window manager records when it minimises a window it keeps mapped.
    const Atom wmState = XInternAtom(m_app, "WM_STATE", False);
    long iconic[2] = {IconicState, None};
    XChangeProperty(m_app, window->Xid(), wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(iconic), 2);
    XSync(m_app, False);
    EXPECT_FALSE(window->IsVisible());
    long normal[2] = {NormalState, None};
    XChangeProperty(m_app, window->Xid(), wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(normal), 2);
    XSync(m_app, False);
    EXPECT_TRUE(window->IsVisible());
    long states[2] = {static_cast<long>(XInternAtom(m_app, "_NET_WM_STATE_ABOVE", False)),
                      static_cast<long>(XInternAtom(m_app, "_NET_WM_STATE_HIDDEN", False))};
    XChangeProperty(m_app, window->Xid(), XInternAtom(m_app, "_NET_WM_STATE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(states), 2);
    XSync(m_app, False);
    EXPECT_FALSE(window->IsVisible());
}

TEST_F(PreviewWindowTest, ChildOfAnUnmappedParentIsNotVisible) {
    ScopedClass cls("VideoRenderer_hidden");
    const Window app = AppWindow(300, 300);
    ScopedHandle parent(PreviewWindow::WrapForeign(app));
    ScopedHandle handle(PreviewWindow::CreateChild(cls.get(), parent.get(), 0, 0, 100, 100));
    const auto child = PreviewWindow::Find(handle.get());
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->IsVisible());
    XUnmapWindow(m_app, app);
    XSync(m_app, False);
    EXPECT_FALSE(child->IsVisible());
}

TEST_F(PreviewWindowTest, DestroyingTwiceIsHarmlessAndReleasesTheClass) {
    ScopedClass cls("VideoRenderer_twice");
    const HWND handle = PreviewWindow::CreateTopLevel(cls.get(), "Active Window", 64, 48);
    const auto window = PreviewWindow::Find(handle);
    ASSERT_NE(window, nullptr);
    const Window xid = window->Xid();
    EXPECT_FALSE(WindowClassRegistry::Instance().Unregister(cls.get()));  // in use
    window->Destroy();
    window->Destroy();
    XSync(m_app, False);
    EXPECT_FALSE(HasChild(DefaultRootWindow(m_app), xid));
    EXPECT_FALSE(window->HasSurface());
    EXPECT_FALSE(window->IsVisible());
    int width = -1, height = -1;
    EXPECT_FALSE(window->ClientSize(width, height));
    EXPECT_EQ(width, 0);
    const uint8_t pixel = 0;
    EXPECT_FALSE(window->DrawGray8(&pixel, 1, 1, 1, RowOrder::TopRowFirst));
    EXPECT_TRUE(DestroyWindow(handle));
    EXPECT_FALSE(DestroyWindow(handle));
}

TEST_F(PreviewWindowTest, DestroyWindowOnTheHandleDestroysTheX11Window) {
    ScopedClass cls("VideoRenderer_handle");
    const HWND handle = PreviewWindow::CreateTopLevel(cls.get(), "Active Window", 64, 48);
    ASSERT_NE(handle, nullptr);
    const Window xid = PreviewWindow::X11WindowOf(handle);
    EXPECT_TRUE(HasChild(DefaultRootWindow(m_app), xid));
    EXPECT_TRUE(DestroyWindow(handle));
    XSync(m_app, False);
    EXPECT_FALSE(HasChild(DefaultRootWindow(m_app), xid));
}

// Without a display nothing is made and nothing blocks.
TEST(PreviewWithoutDisplay, EverythingIsNull) {
    ScopedClass cls("VideoRenderer_nodisplay");
    for (const char* display : {static_cast<const char*>(nullptr), ":4242"}) {
        display ? setenv("DISPLAY", display, 1) : unsetenv("DISPLAY");
        EXPECT_EQ(PreviewWindow::CreateTopLevel(cls.get(), "Active Window", 64, 48), nullptr);
        EXPECT_EQ(PreviewWindow::WrapForeign(0x200001), nullptr);
    }
}

}  // namespace
}  // namespace kelvra::platform::preview
