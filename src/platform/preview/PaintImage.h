// One image in the window's pixel format that a preview window is painted from: in memory
// shared with the server (MIT-SHM), which reads it in place, or in ordinary memory whose pixels
// travel in the request. Not thread-safe by itself: its owner serialises calls.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
// After Xlib: the extension's header uses its types.
#include <X11/extensions/XShm.h>

#include <memory>

#include "platform/preview/X11Connection.h"

namespace kelvra::platform::preview {

class PaintImage {
  public:
    static std::unique_ptr<PaintImage> CreateShared(X11Connection& connection, Visual* visual,
                                                    int depth, int width, int height);
    static std::unique_ptr<PaintImage> CreatePlain(X11Connection& connection, Visual* visual,
                                                   int depth, int width, int height);

    PaintImage(const PaintImage&) = delete;
    PaintImage& operator=(const PaintImage&) = delete;
    ~PaintImage();

    XImage& Get() { return *m_image; }
    bool Shared() const { return m_attached; }
    ShmSeg Segment() const { return m_segment.shmseg; }
    void Put(Window window, GC gc, int width, int height);

    // A shared image the server has not finished reading yet.
    bool inFlight = false;

  private:
    PaintImage(X11Connection& connection, XImage* image)
        : m_connection(connection), m_image(image) {}
    bool Attach();

    X11Connection& m_connection;
    XImage* m_image;
    XShmSegmentInfo m_segment{};
    bool m_mapped = false;    // the segment is in this process's address space
    bool m_attached = false;  // the server has the segment too
};

}  // namespace kelvra::platform::preview
