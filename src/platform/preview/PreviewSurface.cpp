#include "platform/preview/PreviewSurface.h"

#include <algorithm>
#include <cstdlib>

namespace kelvra::platform::preview {

namespace {

constexpr int kImageRowPad = 32;  // bits; Xlib's usual scan-line padding

// Bits per pixel of ZPixmap images of `depth` on this server, 0 when the depth is unknown.
int BitsPerPixelOf(Display* display, int depth) {
    int count = 0;
    XPixmapFormatValues* const formats = XListPixmapFormats(display, &count);
    if (formats == nullptr) return 0;
    int bits = 0;
    for (int i = 0; i < count; ++i) {
        if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    }
    XFree(formats);
    return bits;
}

std::optional<PixelLayout> LayoutOf(Display* display, Visual* visual, int depth) {
    if (visual->c_class != TrueColor) return std::nullopt;
    return PixelLayout::FromMasks(visual->red_mask, visual->green_mask, visual->blue_mask,
                                  BitsPerPixelOf(display, depth),
                                  ImageByteOrder(display) == MSBFirst);
}

}  // namespace

// A surface drawing into `window` (made with the default visual) through a new connection, or
// null when the display cannot be reached or the graphics context cannot be made. A visual
// the packers cannot serve still gives a surface; its draws fail.
std::unique_ptr<PreviewSurface> PreviewSurface::Create(Window window) {
    std::unique_ptr<X11Connection> connection = X11Connection::Open();
    if (!connection) return nullptr;
    std::unique_ptr<PreviewSurface> surface(new PreviewSurface(std::move(connection), window));
    return surface->m_gc != nullptr ? std::move(surface) : nullptr;
}

PreviewSurface::PreviewSurface(std::unique_ptr<X11Connection> connection, Window window)
    : m_connection(std::move(connection)), m_window(window) {
    Display* const display = m_connection->Get();
    const int screen = DefaultScreen(display);
    m_visual = DefaultVisual(display, screen);
    m_depth = DefaultDepth(display, screen);
    m_layout = LayoutOf(display, m_visual, m_depth);
    m_connection->ForgetErrors();
    m_gc = XCreateGC(display, m_window, 0, nullptr);
    if (m_gc != nullptr && !m_connection->Sync()) {
        XFreeGC(display, m_gc);
        m_gc = nullptr;
    }
}

// Frees the image and the graphics context; the connection closes after them. A connection
// the server has dropped takes no more requests (they may never return): only the context's
// client-side record is freed then, as XFreeGC does after its request.
PreviewSurface::~PreviewSurface() {
    FreeImage();
    if (m_gc == nullptr) return;
    if (m_connection->Broken()) {
        XFree(m_gc);
    } else {
        XFreeGC(m_connection->Get(), m_gc);
    }
}

// Draws an 8-bit grey image (`height` rows of `width` samples, `stride` bytes apart) at the
// window's top-left corner, clipped to the current client area. True when the server drew it;
// false for bad arguments, a visual that cannot be drawn, a vanished window or server.
bool PreviewSurface::DrawGray8(const uint8_t* bits, size_t stride, int width, int height,
                               RowOrder order) {
    return Draw(PackGray8Row, 1, bits, stride, width, height, order);
}

// As DrawGray8 for 24-bit samples in blue, green, red order.
bool PreviewSurface::DrawBgr24(const uint8_t* bits, size_t stride, int width, int height,
                               RowOrder order) {
    return Draw(PackBgr24Row, 3, bits, stride, width, height, order);
}

bool PreviewSurface::Draw(RowPacker pack, int bytesPerSample, const uint8_t* bits, size_t stride,
                          int width, int height, RowOrder order) {
    if (bits == nullptr || width <= 0 || height <= 0) return false;
    if (stride < static_cast<size_t>(width) * bytesPerSample) return false;
    if (!m_layout || m_connection->Broken()) return false;
    Display* const display = m_connection->Get();
    m_connection->ForgetErrors();

    // The client area may have changed since the caller looked; never draw past it.
    Window root = 0;
    int x = 0, y = 0;
    unsigned int clientWidth = 0, clientHeight = 0, border = 0, depth = 0;
    if (!XGetGeometry(display, m_window, &root, &x, &y, &clientWidth, &clientHeight, &border,
                      &depth)) {
        return false;
    }
    const int drawWidth = std::min(width, static_cast<int>(clientWidth));
    const int drawHeight = std::min(height, static_cast<int>(clientHeight));
    if (drawWidth <= 0 || drawHeight <= 0) return true;
    if (!ReserveImage(drawWidth, drawHeight)) return false;

    // Window row r shows image row r counted from the image's visible top.
    for (int row = 0; row < drawHeight; ++row) {
        const int source = order == RowOrder::TopRowFirst ? row : height - 1 - row;
        pack(*m_layout, bits + static_cast<size_t>(source) * stride,
             reinterpret_cast<uint8_t*>(m_image->data) +
                 static_cast<size_t>(row) * m_image->bytes_per_line,
             drawWidth);
    }
    XPutImage(display, m_window, m_gc, m_image, 0, 0, 0, 0, drawWidth, drawHeight);
    // A full round trip rather than a flush: it reports a failed draw, and whoever looks at the
    // window afterwards (another connection) sees this frame.
    return m_connection->Sync();
}

// Makes m_image exactly width × height, keeping the current one when it already is.
bool PreviewSurface::ReserveImage(int width, int height) {
    if (m_image != nullptr && m_image->width == width && m_image->height == height) return true;
    FreeImage();
    m_image = XCreateImage(m_connection->Get(), m_visual, m_depth, ZPixmap, 0, nullptr, width,
                           height, kImageRowPad, 0);
    if (m_image == nullptr) return false;
    if (m_image->bits_per_pixel != m_layout->bytesPerPixel * 8) {
        FreeImage();
        return false;
    }
    // XDestroyImage frees the pixels with free(), so they come from malloc.
    m_image->data =
        static_cast<char*>(std::malloc(static_cast<size_t>(m_image->bytes_per_line) * height));
    if (m_image->data == nullptr) {
        FreeImage();
        return false;
    }
    return true;
}

void PreviewSurface::FreeImage() {
    if (m_image != nullptr) XDestroyImage(m_image);
    m_image = nullptr;
}

}  // namespace kelvra::platform::preview
