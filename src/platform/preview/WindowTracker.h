// What the drawing side knows about its window without asking the server every frame: the
// client size, whether it is mapped and viewable, iconified or wholly covered, and whether it
// still exists. Kept from the events the window and its ancestors send to the drawing
// connection; asked for again (one round trip) only after an event that may have changed it.
// Not thread-safe by itself: its owner serialises calls.
#pragma once

#include <X11/Xlib.h>

namespace kelvra::platform::preview {

class WindowTracker {
  public:
    WindowTracker(Display* display, Window window);

    void Handle(const XEvent& event);
    bool Showable(int& width, int& height);

    static bool IsIconic(Display* display, Window window, Atom wmState, Atom netWmState,
                         Atom netWmStateHidden);

  private:
    void WatchAncestors();
    void Refresh();

    Display* const m_display;
    const Window m_window;
    Atom m_wmState = 0;
    Atom m_netWmState = 0;
    Atom m_netWmStateHidden = 0;
    int m_width = 0;
    int m_height = 0;
    bool m_viewable = false;
    bool m_iconic = false;
    bool m_covered = false;
    bool m_gone = false;
    bool m_stale = true;  // an event may have changed what Refresh reads
};

}  // namespace kelvra::platform::preview
