// A window object that only names an application's X11 window, so that the window can be
// given as a preview parent (and receive posted messages like any window handle).
#pragma once

#include "platform/WindowObject.h"

namespace kelvra::platform::preview {

class ForeignWindow final : public WindowObject {
  public:
    explicit ForeignWindow(unsigned long xid) : m_xid(xid) {}

    // The wrapped XID; the X11 window belongs to the application and is never touched here.
    unsigned long Xid() const { return m_xid; }

  private:
    const unsigned long m_xid;
};

}  // namespace kelvra::platform::preview
