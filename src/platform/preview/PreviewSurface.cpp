#include "platform/preview/PreviewSurface.h"

#include <X11/extensions/XShm.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace kelvra::platform::preview {

namespace {

// No screen shows more than a few hundred pictures a second: frames that come faster are not
// all painted (every frame is, up to 200 a second; the fastest camera gives 143), so that an
// unpaced stream's preview does not spend the processor and the X server on unseen pictures.
constexpr std::chrono::microseconds kMinPaintInterval{5000};

// Frames in a row that find both shared images still in flight before the surface waits for
// the server: a put that failed (its window destroyed) sends no completion event.
constexpr int kBusyFramesBeforeWait = 8;

// Set (to anything but "0") to paint with XPutImage even where MIT-SHM would work: for
// comparisons and for servers whose shared-memory support misbehaves.
constexpr char kNoSharedMemory[] = "KELVRA_PREVIEW_NO_SHM";

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

// Shared memory only reaches a server on this machine: a display named ":N" or "unix:N". A
// forwarded display ("localhost:10") is remote whatever its host name says.
bool SharedMemoryWanted(Display* display) {
    const char* off = std::getenv(kNoSharedMemory);
    if (off != nullptr && off[0] != '\0' && std::strcmp(off, "0") != 0) return false;
    const char* name = DisplayString(display);
    const bool local = name != nullptr && (name[0] == ':' || std::strncmp(name, "unix:", 5) == 0);
    return local && XShmQueryExtension(display);
}

void PackRow(const PixelLayout& layout, SampleFormat format, const uint8_t* in, uint8_t* out,
             int count) {
    switch (format) {
        case SampleFormat::Gray8:
            return PackGray8Row(layout, in, out, count);
        case SampleFormat::Gray12:
            return PackGray12Row(layout, in, out, count);
        case SampleFormat::Bgr24:
            return PackBgr24Row(layout, in, out, count);
    }
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
    m_tracker.emplace(display, m_window);
    if (m_gc != nullptr && !m_connection->Sync()) {
        XFreeGC(display, m_gc);
        m_gc = nullptr;
        return;
    }
    m_shared = SharedMemoryWanted(display);
    if (m_shared) m_completionEvent = XShmGetEventBase(display) + ShmCompletion;
}

// Frees the images and the graphics context; the connection closes after them. A connection
// the server has dropped takes no more requests (they may never return): only the context's
// client-side record is freed then, as XFreeGC does after its request.
PreviewSurface::~PreviewSurface() {
    for (auto& image : m_images) image.reset();
    if (m_gc == nullptr) return;
    if (m_connection->Broken()) {
        XFree(m_gc);
    } else {
        XFreeGC(m_connection->Get(), m_gc);
    }
}

// The client size into width and height, true when a frame drawn now would be seen. From the
// events read so far: no round trip unless one of them may have changed the answer.
bool PreviewSurface::Showable(int& width, int& height) {
    width = 0;
    height = 0;
    if (!m_layout || m_connection->Broken()) return false;
    ReadEvents();
    return !m_connection->Broken() && m_tracker->Showable(width, height);
}

// Packs `source` into an image the server is not reading, clipped to the client area, for
// Present to send. Nothing is packed while the window cannot be seen. Unless `waitForImage`, a
// frame that comes less than kMinPaintInterval after the last one painted, or that finds both
// images still in flight, is not shown (Busy), so that the caller never runs at the server's
// pace; a later frame is.
StageResult PreviewSurface::Stage(const PaintSource& source, bool waitForImage) {
    if (!source.Valid() || !m_layout || m_connection->Broken()) return StageResult::Failed;
    const auto now = std::chrono::steady_clock::now();
    if (!waitForImage && now - m_lastPresent < kMinPaintInterval) return StageResult::Busy;
    int width = 0, height = 0;
    if (!Showable(width, height)) {
        return m_connection->Broken() ? StageResult::Failed : StageResult::NotShown;
    }
    return StageClipped(source, width, height, waitForImage);
}

StageResult PreviewSurface::StageClipped(const PaintSource& source, int clientWidth,
                                         int clientHeight, bool waitForImage) {
    m_staged = nullptr;
    const int width = std::min(source.width, clientWidth);
    const int height = std::min(source.height, clientHeight);
    if (width <= 0 || height <= 0) return StageResult::NotShown;
    if ((width != m_imageWidth || height != m_imageHeight) && !ReserveImages(width, height)) {
        return StageResult::Failed;
    }
    PaintImage* const image = FreeImage(waitForImage);
    if (image == nullptr) {
        return m_connection->Broken() ? StageResult::Failed : StageResult::Busy;
    }
    Pack(source, image->Get(), width, height);
    m_staged = image;
    m_stagedWidth = width;
    m_stagedHeight = height;
    return StageResult::Staged;
}

// Window row r shows source row r counted from the source's visible top.
void PreviewSurface::Pack(const PaintSource& source, XImage& image, int width, int height) {
    for (int row = 0; row < height; ++row) {
        const int from = source.order == RowOrder::TopRowFirst ? row : source.height - 1 - row;
        PackRow(*m_layout, source.format, source.bits + static_cast<size_t>(from) * source.stride,
                reinterpret_cast<uint8_t*>(image.data) +
                    static_cast<size_t>(row) * image.bytes_per_line,
                width);
    }
}

// Sends the staged image and flushes, without waiting for the server.
void PreviewSurface::Present() {
    PaintImage* const image = m_staged;
    m_staged = nullptr;
    if (image == nullptr || m_connection->Broken()) return;
    image->Put(m_window, m_gc, m_stagedWidth, m_stagedHeight);
    XFlush(m_connection->Get());
    m_lastPresent = std::chrono::steady_clock::now();
}

// Waits until the server has handled everything sent so far (so another connection sees the
// last frame). True when no request failed since the last ForgetErrors.
bool PreviewSurface::Finish() {
    const bool ok = m_connection->Sync();
    if (m_connection->Broken()) return false;
    ReadEvents();
    // Every put before the round trip is done, completion event or not.
    for (auto& image : m_images) {
        if (image) image->inFlight = false;
    }
    return ok;
}

// Draws `source` at the window's top-left corner, clipped to the current client area (asked
// for, not tracked), and waits for the server. True when the server drew it; false for a bad
// source, a visual that cannot be drawn, a vanished window or server. Draws whether or not the
// window can be seen.
bool PreviewSurface::Draw(const PaintSource& source) {
    if (!source.Valid() || !m_layout || m_connection->Broken()) return false;
    m_connection->ForgetErrors();
    Window root = 0;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(m_connection->Get(), m_window, &root, &x, &y, &width, &height, &border,
                      &depth)) {
        return false;
    }
    switch (StageClipped(source, static_cast<int>(width), static_cast<int>(height), true)) {
        case StageResult::Staged:
            Present();
            return Finish();
        case StageResult::NotShown:
            return true;
        default:
            return false;
    }
}

// An image the server is not reading: a frame that finds none free waits for the server only
// when asked to, or after several such frames in a row.
PaintImage* PreviewSurface::FreeImage(bool waitForImage) {
    for (int pass = 0; pass < 2; ++pass) {
        for (auto& image : m_images) {
            if (image && !image->inFlight) {
                m_busyFrames = 0;
                return image.get();
            }
        }
        if (pass == 0) ReadEvents();
    }
    if (!waitForImage && ++m_busyFrames < kBusyFramesBeforeWait) return nullptr;
    m_busyFrames = 0;
    Finish();
    return m_connection->Broken() ? nullptr : m_images[0].get();
}

// Makes the images width × height: two shared ones, or one plain one when the server cannot
// share memory (the put copies the pixels, so one is enough).
bool PreviewSurface::ReserveImages(int width, int height) {
    bool anyInFlight = false;
    for (auto& image : m_images) anyInFlight = anyInFlight || (image && image->inFlight);
    if (anyInFlight) Finish();
    for (auto& image : m_images) image.reset();
    m_imageWidth = 0;
    m_imageHeight = 0;
    if (m_connection->Broken()) return false;
    const int bits = m_layout->bytesPerPixel * 8;
    if (m_shared) {
        for (auto& image : m_images) {
            image = PaintImage::CreateShared(*m_connection, m_visual, m_depth, width, height);
            if (!image || image->Get().bits_per_pixel != bits) break;
        }
        if (!m_images[0] || !m_images[1] || m_images[0]->Get().bits_per_pixel != bits) {
            for (auto& image : m_images) image.reset();
            m_shared = false;  // for good: the server cannot reach this process's segments
        }
    }
    if (!m_shared) {
        m_images[0] = PaintImage::CreatePlain(*m_connection, m_visual, m_depth, width, height);
        if (!m_images[0] || m_images[0]->Get().bits_per_pixel != bits) {
            m_images[0].reset();
            return false;
        }
    }
    m_imageWidth = width;
    m_imageHeight = height;
    return true;
}

// Reads the events waiting on the drawing connection without blocking: completions free their
// image, the rest update what is known about the window.
void PreviewSurface::ReadEvents() {
    Display* const display = m_connection->Get();
    while (!m_connection->Broken() && XEventsQueued(display, QueuedAfterReading) > 0) {
        XEvent event{};
        XNextEvent(display, &event);
        if (event.type == m_completionEvent) {
            const auto& done = reinterpret_cast<const XShmCompletionEvent&>(event);
            for (auto& image : m_images) {
                if (image && image->Segment() == done.shmseg) image->inFlight = false;
            }
        } else {
            m_tracker->Handle(event);
        }
    }
}

}  // namespace kelvra::platform::preview
