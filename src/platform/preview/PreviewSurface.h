// The drawing side of a preview window: its own connection to the X server, a graphics context
// and one reusable image, so that the acquisition thread never shares a connection with the
// thread that created the window. Not thread-safe by itself: its owner serialises calls.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/preview/PixelLayout.h"
#include "platform/preview/RowOrder.h"
#include "platform/preview/X11Connection.h"

namespace kelvra::platform::preview {

class PreviewSurface {
  public:
    static std::unique_ptr<PreviewSurface> Create(Window window);

    PreviewSurface(const PreviewSurface&) = delete;
    PreviewSurface& operator=(const PreviewSurface&) = delete;
    ~PreviewSurface();

    bool DrawGray8(const uint8_t* bits, size_t stride, int width, int height, RowOrder order);
    bool DrawBgr24(const uint8_t* bits, size_t stride, int width, int height, RowOrder order);

  private:
    using RowPacker = void (*)(const PixelLayout&, const uint8_t*, uint8_t*, int);

    PreviewSurface(std::unique_ptr<X11Connection> connection, Window window);
    bool Draw(RowPacker pack, int bytesPerSample, const uint8_t* bits, size_t stride, int width,
              int height, RowOrder order);
    bool ReserveImage(int width, int height);
    void FreeImage();

    std::unique_ptr<X11Connection> m_connection;
    Window m_window;
    GC m_gc = nullptr;
    Visual* m_visual = nullptr;
    int m_depth = 0;
    std::optional<PixelLayout> m_layout;  // none: the visual cannot be drawn
    XImage* m_image = nullptr;            // reused while the drawn size stays the same
};

}  // namespace kelvra::platform::preview
