// One connection to the X server named by DISPLAY, whose protocol errors are recorded instead
// of ending the process. Xlib reports errors through one process-wide handler; connections made
// here are recognised by that handler, every other connection keeps the handler that was in
// place before.
#pragma once

#include <X11/Xlib.h>

#include <memory>

namespace kelvra::platform::preview {

class X11Connection {
  public:
    static std::unique_ptr<X11Connection> Open();

    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;
    ~X11Connection();

    Display* Get() const { return m_display; }
    void ForgetErrors();
    bool Sync();
    bool Broken() const;

  private:
    explicit X11Connection(Display* display) : m_display(display) {}
    static void Abandon(Display* display);

    Display* const m_display;
};

}  // namespace kelvra::platform::preview
