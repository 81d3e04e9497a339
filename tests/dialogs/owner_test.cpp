// Who owns the dialog: an application's X11 window as its parent, and an application whose own
// GLib main loop runs on another thread than the one that opens the dialog.
// Before Xlib, whose macros (None, Bool) break the test framework's templates.
#include "dialogs/DialogFixture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

#include <cstdlib>
#include <thread>

namespace kelvra::test {
namespace {

using DialogOwner = DialogTest;

// The X11 window the dialog's window manager hint names as its owner, or 0.
unsigned long TransientFor(Display* display, GtkWidget* dialog) {
    Window owner = 0;
    const Window own = gdk_x11_window_get_xid(gtk_widget_get_window(dialog));
    if (!XGetTransientForHint(display, own, &owner)) return 0;
    return owner;
}

TEST_F(DialogOwner, WrappedX11WindowIsTheParentAndAMessageWindowIsNone) {
    Display* app = XOpenDisplay(std::getenv("DISPLAY"));
    ASSERT_NE(app, nullptr);
    const Window main = XCreateSimpleWindow(app, DefaultRootWindow(app), 0, 0, 400, 300, 0, 0, 0);
    XMapWindow(app, main);
    XSync(app, False);
    HWND parent = Kelvra_WrapX11Window(main);
    ASSERT_NE(parent, nullptr);
    unsigned long shownOwner = 1;
    DialogScript wrapped;
    wrapped.Do([&](OpenDialog& d) { shownOwner = TransientFor(app, d.Widget()); }).Cancel();
    ASSERT_EQ(Kelvra_SetAnalogDlg(handle_, parent), 1);
    EXPECT_EQ(shownOwner, main);
    DialogScript unowned;
    unowned.Do([&](OpenDialog& d) { shownOwner = TransientFor(app, d.Widget()); }).Cancel();
    ASSERT_EQ(Kelvra_SetAnalogDlg(handle_, window_), 1);
    EXPECT_EQ(shownOwner, 0u);
    Kelvra_UnwrapX11Window(parent);
    XDestroyWindow(app, main);
    XCloseDisplay(app);
}

// The application's loop owns GLib's default context on its own thread: the dialog is shown by
// that thread, and the caller waits until it closes.
TEST_F(DialogOwner, ApplicationLoopOnAnotherThreadShowsTheDialogWhileTheCallerWaits) {
    GMainContext* context = g_main_context_default();
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    GThread* loopThread = nullptr;
    std::thread application([&] {
        loopThread = g_thread_self();
        g_main_loop_run(loop);
    });
    while (!g_main_loop_is_running(loop)) std::this_thread::yield();
    ASSERT_EQ(Kelvra_SetBrightness(handle_, 0), 1);
    DialogScript script;
    script.Do([](OpenDialog& d) { d.SetValue("brightness_spin", 33); }).Ok();
    EXPECT_EQ(Kelvra_SetImageDlg(handle_, nullptr), 1);
    g_main_loop_quit(loop);
    application.join();
    g_main_loop_unref(loop);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(script.Thread(), loopThread);
    int ok = 0;
    EXPECT_EQ(Kelvra_GetBrightness(handle_, &ok), 33);
}

}  // namespace
}  // namespace kelvra::test
