#include "platform/preview/PreviewWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <new>
#include <utility>

#include "platform/MessageWindow.h"
#include "platform/WindowRegistry.h"
#include "platform/preview/ForeignWindow.h"
#include "platform/preview/PreviewSurface.h"
#include "platform/preview/WindowClassRegistry.h"
#include "platform/preview/WindowTracker.h"
#include "platform/preview/X11Connection.h"

namespace kelvra::platform::preview {

namespace {

// Window coordinates and sizes travel as 16-bit protocol fields.
constexpr int kMinCoordinate = -32768;
constexpr int kMaxCoordinate = 32767;
constexpr int kMaxSide = 32767;
// The top three bits of every XID are zero; a larger value would be truncated by Xlib into the
// id of some other window.
constexpr unsigned long kMaxXid = 0x1FFFFFFFul;

bool ValidSize(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

bool ValidPosition(int x, int y) {
    return x >= kMinCoordinate && x <= kMaxCoordinate && y >= kMinCoordinate && y <= kMaxCoordinate;
}

// Releases a window's claim on its class unless the window came to life.
class ClassClaim {
  public:
    explicit ClassClaim(const std::string& name)
        : m_name(name), m_held(WindowClassRegistry::Instance().AddWindow(name)) {}
    ~ClassClaim() {
        if (m_held) WindowClassRegistry::Instance().RemoveWindow(m_name);
    }
    bool Held() const { return m_held; }
    void Keep() { m_held = false; }

  private:
    const std::string& m_name;
    bool m_held;
};

// Names the window both for old window managers (WM_NAME) and new ones (_NET_WM_NAME, UTF-8),
// names its class, and asks that the position chosen here be kept.
void DecorateTopLevel(Display* display, Window window, const std::string& className,
                      const std::string& title, int x, int y, int width, int height) {
    XStoreName(display, window, title.c_str());
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, netWmName, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    XClassHint classHint{const_cast<char*>(className.c_str()),
                         const_cast<char*>(className.c_str())};
    XSetClassHint(display, window, &classHint);
    XSizeHints hints{};
    hints.flags = PPosition | PSize;
    hints.x = x;
    hints.y = y;
    hints.width = width;
    hints.height = height;
    XSetWMNormalHints(display, window, &hints);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
}

}  // namespace

// A new top-level window of class `className` titled `title`, whose client area is
// clientWidth × clientHeight, centred on the default screen (a coordinate that would be
// negative becomes 0), shown, with a black background. Null when the class is not registered,
// the size is not positive (or above 32767), there is no display or creation fails. Any
// thread; the window answers its queries from any thread.
//
// The window takes part in WM_DELETE_WINDOW, so that a window manager's close button asks
// (CloseRequested) instead of killing the connection the window was made on.
HWND PreviewWindow::CreateTopLevel(const std::string& className, const std::string& title,
                                   int clientWidth, int clientHeight) {
    return Create(className, title, None, 0, 0, clientWidth, clientHeight);
}

// A new child window of class `className` at (x, y), width × height, inside the X11 window
// wrapped by `parent` (a wrapped application window or another preview window), shown. Null
// for an unregistered class, a parent that is not an X11 window or has gone, a bad size or
// position, or no display. Any thread.
HWND PreviewWindow::CreateChild(const std::string& className, HWND parent, int x, int y, int width,
                                int height) {
    const unsigned long parentXid = X11WindowOf(parent);
    if (parentXid == None || !ValidPosition(x, y)) return nullptr;
    return Create(className, std::string(), parentXid, x, y, width, height);
}

// Creates a child of `parent`, or a centred top-level window when `parent` is None.
HWND PreviewWindow::Create(const std::string& className, const std::string& title,
                           unsigned long parent, int x, int y, int width, int height) {
    if (!ValidSize(width, height)) return nullptr;
    ClassClaim claim(className);
    if (!claim.Held()) return nullptr;
    std::unique_ptr<X11Connection> connection = X11Connection::Open();
    if (!connection) return nullptr;
    Display* const display = connection->Get();
    const int screen = DefaultScreen(display);
    const bool topLevel = parent == None;
    if (topLevel) {
        parent = RootWindow(display, screen);
        x = std::max(0, (DisplayWidth(display, screen) - width) / 2);
        y = std::max(0, (DisplayHeight(display, screen) - height) / 2);
    }

    // The default visual even inside a parent of another visual, so that the surface's images
    // match; a differing visual needs its own colormap and border pixel.
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.border_pixel = BlackPixel(display, screen);
    attributes.colormap = DefaultColormap(display, screen);
    connection->ForgetErrors();
    const Window xid = XCreateWindow(
        display, parent, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
        DefaultDepth(display, screen), InputOutput, DefaultVisual(display, screen),
        CWBackPixel | CWBorderPixel | CWColormap, &attributes);
    if (topLevel) DecorateTopLevel(display, xid, className, title, x, y, width, height);
    XMapWindow(display, xid);
    if (!connection->Sync()) {
        XDestroyWindow(display, xid);  // harmless if it was never made
        return nullptr;
    }

    try {
        std::shared_ptr<PreviewWindow> window(
            new PreviewWindow(std::move(connection), xid, className));
        claim.Keep();  // from here the window releases its class when destroyed
        window->m_surface = PreviewSurface::Create(xid);
        return WindowRegistry::Instance().Add(std::move(window));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

PreviewWindow::PreviewWindow(std::unique_ptr<X11Connection> connection, unsigned long xid,
                             const std::string& className)
    : m_xid(xid), m_className(className), m_connection(std::move(connection)) {
    char wmState[] = "WM_STATE";
    char netWmState[] = "_NET_WM_STATE";
    char hidden[] = "_NET_WM_STATE_HIDDEN";
    char protocols[] = "WM_PROTOCOLS";
    char deleteWindow[] = "WM_DELETE_WINDOW";
    char* names[] = {wmState, netWmState, hidden, protocols, deleteWindow};
    constexpr int kCount = sizeof names / sizeof names[0];
    Atom atoms[kCount] = {};
    XInternAtoms(m_connection->Get(), names, kCount, False, atoms);
    m_atoms = Atoms{atoms[0], atoms[1], atoms[2], atoms[3], atoms[4]};
}

PreviewWindow::~PreviewWindow() {
    Destroy();
}

// The preview window of `window`, or null when the handle is unknown or of another kind.
std::shared_ptr<PreviewWindow> PreviewWindow::Find(HWND window) {
    return std::dynamic_pointer_cast<PreviewWindow>(WindowRegistry::Instance().Find(window));
}

// A handle for the application's X11 window `xid` on the display named by DISPLAY, or null
// when there is no display or no such window. The X11 window is only named, never changed.
// Any thread.
HWND PreviewWindow::WrapForeign(unsigned long xid) {
    if (xid == None || xid > kMaxXid) return nullptr;
    std::unique_ptr<X11Connection> connection = X11Connection::Open();
    if (!connection) return nullptr;
    connection->ForgetErrors();
    XWindowAttributes attributes{};
    const bool exists = XGetWindowAttributes(connection->Get(), xid, &attributes) != 0;
    if (!connection->Sync() || !exists) return nullptr;
    try {
        return WindowRegistry::Instance().Add(std::make_shared<ForeignWindow>(xid));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Forgets a handle made by WrapForeign, leaving the X11 window alone. False for any other
// kind of handle (which must be destroyed its own way) and for an unknown one. Any thread.
bool PreviewWindow::Unwrap(HWND window) {
    if (!std::dynamic_pointer_cast<ForeignWindow>(WindowRegistry::Instance().Find(window))) {
        return false;
    }
    return DestroyWindow(window);
}

// The X11 window behind a wrapped or preview window handle, None (0) for other handles.
unsigned long PreviewWindow::X11WindowOf(HWND window) {
    const std::shared_ptr<WindowObject> object = WindowRegistry::Instance().Find(window);
    if (const auto foreign = std::dynamic_pointer_cast<ForeignWindow>(object)) {
        return foreign->Xid();
    }
    if (const auto preview = std::dynamic_pointer_cast<PreviewWindow>(object)) {
        return preview->Xid();
    }
    return None;
}

// True while the window and all its ancestors are mapped and a window manager has not
// iconified (minimised) it. False once destroyed or when the server is gone. Any thread.
bool PreviewWindow::IsVisible() {
    std::lock_guard<std::mutex> lock(m_controlMutex);
    if (!m_connection || m_connection->Broken()) return false;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(m_connection->Get(), m_xid, &attributes)) return false;
    return attributes.map_state == IsViewable &&
           !WindowTracker::IsIconic(m_connection->Get(), m_xid, m_atoms.wmState, m_atoms.netWmState,
                                    m_atoms.netWmStateHidden);
}

// True once the window cannot be shown any more: a window manager asked to close it (its
// close button), the server dropped the connection it was made on (a killed client), the
// server is gone, or it was destroyed. Reads the events waiting on that connection without
// blocking; a close request is reported once read, so the caller acts on the first true. Any
// thread.
bool PreviewWindow::CloseRequested() {
    std::lock_guard<std::mutex> lock(m_controlMutex);
    if (!m_connection || m_connection->Broken()) return true;
    Display* const display = m_connection->Get();
    bool requested = false;
    // Only client messages reach this connection (it selects no input); all are read so that
    // nothing piles up.
    while (!m_connection->Broken() && XPending(display) > 0) {
        XEvent event{};
        XNextEvent(display, &event);
        requested =
            requested || (event.type == ClientMessage && event.xclient.window == m_xid &&
                          event.xclient.message_type == m_atoms.wmProtocols &&
                          static_cast<Atom>(event.xclient.data.l[0]) == m_atoms.wmDeleteWindow);
    }
    return requested || m_connection->Broken();
}

// The current size of the client area into width and height: true, or false with 0 × 0 once
// the window is destroyed (also by its parent's owner) or the server is gone. Any thread.
bool PreviewWindow::ClientSize(int& width, int& height) {
    width = 0;
    height = 0;
    std::lock_guard<std::mutex> lock(m_controlMutex);
    if (!m_connection || m_connection->Broken()) return false;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(m_connection->Get(), m_xid, &attributes)) return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

// Whether the window can be drawn on: the stand-in for holding a device context. Any thread.
bool PreviewWindow::HasSurface() {
    std::lock_guard<std::mutex> lock(m_drawMutex);
    return m_surface != nullptr;
}

// Draws an 8-bit grey image at the top-left corner, clipped to the client area, and waits for
// the server (see PreviewSurface::Draw). False when there is no surface or the draw failed.
// Any thread.
bool PreviewWindow::DrawGray8(const uint8_t* bits, size_t stride, int width, int height,
                              RowOrder order) {
    return Draw(PaintSource{SampleFormat::Gray8, bits, stride, width, height, order});
}

// As DrawGray8 for 24-bit samples in blue, green, red order.
bool PreviewWindow::DrawBgr24(const uint8_t* bits, size_t stride, int width, int height,
                              RowOrder order) {
    return Draw(PaintSource{SampleFormat::Bgr24, bits, stride, width, height, order});
}

bool PreviewWindow::Draw(const PaintSource& source) {
    std::lock_guard<std::mutex> lock(m_drawMutex);
    return m_surface && m_surface->Draw(source);
}

// The client size, true when a frame painted now would be seen (see PreviewSurface::Showable):
// known from the window's events, without a round trip each frame. Any thread.
bool PreviewWindow::PaintableSize(int& width, int& height) {
    width = 0;
    height = 0;
    std::lock_guard<std::mutex> lock(m_drawMutex);
    return m_surface && m_surface->Showable(width, height);
}

// Packs `source` for the next PresentPaint (see PreviewSurface::Stage); Failed without a
// surface. The caller holds whatever keeps `source` still; PresentPaint needs no such lock.
StageResult PreviewWindow::StagePaint(const PaintSource& source, bool waitForImage) {
    std::lock_guard<std::mutex> lock(m_drawMutex);
    return m_surface ? m_surface->Stage(source, waitForImage) : StageResult::Failed;
}

void PreviewWindow::PresentPaint() {
    std::lock_guard<std::mutex> lock(m_drawMutex);
    if (m_surface) m_surface->Present();
}

// Waits until the server has shown every frame presented so far.
void PreviewWindow::FinishPainting() {
    std::lock_guard<std::mutex> lock(m_drawMutex);
    if (m_surface) (void)m_surface->Finish();
}

// Whether painting goes through MIT-SHM: from creation when the server offers it, until
// attaching a segment fails and painting falls back to XPutImage for good.
bool PreviewWindow::SharesMemory() {
    std::lock_guard<std::mutex> lock(m_drawMutex);
    return m_surface && m_surface->SharesMemory();
}

// Destroys the X11 window, closes both connections and releases the window's class. Waits for
// a draw in progress. Later calls do nothing; the handle stays registered until DestroyWindow.
// Any thread.
void PreviewWindow::Destroy() {
    {
        // The surface goes first, so that no frame is drawn into a destroyed window.
        std::lock_guard<std::mutex> lock(m_drawMutex);
        m_surface.reset();
    }
    std::unique_ptr<X11Connection> connection;
    {
        std::lock_guard<std::mutex> lock(m_controlMutex);
        connection = std::move(m_connection);
    }
    if (!connection) return;
    // Already gone if the parent was destroyed; the error is recorded, not fatal.
    if (!connection->Broken()) XDestroyWindow(connection->Get(), m_xid);
    connection.reset();
    WindowClassRegistry::Instance().RemoveWindow(m_className);
}

// Called once by DestroyWindow: the X11 window goes with the handle.
void PreviewWindow::Close() {
    Destroy();
    WindowObject::Close();
}

}  // namespace kelvra::platform::preview
