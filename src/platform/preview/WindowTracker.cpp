#include "platform/preview/WindowTracker.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace kelvra::platform::preview {

namespace {

// Enough atoms of _NET_WM_STATE for any window manager's set of states.
constexpr long kMaxStateAtoms = 64;

}  // namespace

// Selects the events first and asks afterwards, so that no change falls between the two.
WindowTracker::WindowTracker(Display* display, Window window)
    : m_display(display), m_window(window) {
    m_wmState = XInternAtom(display, "WM_STATE", False);
    m_netWmState = XInternAtom(display, "_NET_WM_STATE", False);
    m_netWmStateHidden = XInternAtom(display, "_NET_WM_STATE_HIDDEN", False);
    XSelectInput(display, window, StructureNotifyMask | VisibilityChangeMask | PropertyChangeMask);
    WatchAncestors();
    Refresh();
}

// An ancestor unmapped (an application hiding its window, a window manager iconifying the frame)
// makes the window unviewable without any event of its own, so the ancestors' mapping is watched
// too. Only StructureNotify is selected on them, which any client may select.
void WindowTracker::WatchAncestors() {
    Window current = m_window;
    for (;;) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, current, &root, &parent, &children, &count)) return;
        if (children != nullptr) XFree(children);
        if (parent == 0 || parent == root) return;
        XSelectInput(m_display, parent, StructureNotifyMask);
        current = parent;
    }
}

// One event read from the drawing connection.
void WindowTracker::Handle(const XEvent& event) {
    const bool own = event.xany.window == m_window;
    switch (event.type) {
        case ConfigureNotify:
            if (own && event.xconfigure.window == m_window) {
                m_width = event.xconfigure.width;
                m_height = event.xconfigure.height;
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == m_window) m_gone = true;
            break;
        case ReparentNotify:
            if (event.xreparent.window == m_window) WatchAncestors();
            m_stale = true;
            break;
        case VisibilityNotify:
            if (own) m_covered = event.xvisibility.state == VisibilityFullyObscured;
            break;
        case PropertyNotify:
            if (own &&
                (event.xproperty.atom == m_wmState || event.xproperty.atom == m_netWmState)) {
                m_stale = true;
            }
            break;
        case MapNotify:
        case UnmapNotify:
            m_stale = true;
            break;
        default:
            break;
    }
}

// True with the client size when a frame drawn now would be seen: the window exists, it and its
// ancestors are mapped, no window manager has iconified it and it is not wholly covered.
bool WindowTracker::Showable(int& width, int& height) {
    if (m_stale && !m_gone) Refresh();
    width = m_width;
    height = m_height;
    return !m_gone && m_viewable && !m_iconic && !m_covered && width > 0 && height > 0;
}

void WindowTracker::Refresh() {
    m_stale = false;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(m_display, m_window, &attributes)) {
        m_gone = true;
        return;
    }
    m_width = attributes.width;
    m_height = attributes.height;
    m_viewable = attributes.map_state == IsViewable;
    m_iconic = IsIconic(m_display, m_window, m_wmState, m_netWmState, m_netWmStateHidden);
}

// Whether a window manager marks the window iconic (ICCCM WM_STATE) or hidden (EWMH): some
// managers keep minimised windows mapped.
bool WindowTracker::IsIconic(Display* display, Window window, Atom wmState, Atom netWmState,
                             Atom netWmStateHidden) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool iconic = false;
    if (XGetWindowProperty(display, window, wmState, 0, 1, False, wmState, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
        // 32-bit properties arrive as an array of long.
        iconic = format == 32 && count >= 1 && reinterpret_cast<long*>(data)[0] == IconicState;
    }
    if (data != nullptr) XFree(data);
    data = nullptr;
    if (!iconic &&
        XGetWindowProperty(display, window, netWmState, 0, kMaxStateAtoms, False, XA_ATOM, &type,
                           &format, &count, &after, &data) == Success &&
        data != nullptr && format == 32) {
        const Atom* states = reinterpret_cast<Atom*>(data);
        iconic = std::find(states, states + count, netWmStateHidden) != states + count;
    }
    if (data != nullptr) XFree(data);
    return iconic;
}

}  // namespace kelvra::platform::preview
