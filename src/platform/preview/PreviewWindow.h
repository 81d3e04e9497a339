// The library's preview window on X11: a top-level window or a child of an application's
// window, registered as a window handle like any other. The creating thread (or any thread)
// asks about visibility and size through one connection; the acquisition thread draws through
// a second one (PreviewSurface). Each connection has its own lock, never held together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "KelvraSdk.h"
#include "platform/WindowObject.h"
#include "platform/preview/PaintSource.h"
#include "platform/preview/RowOrder.h"

namespace kelvra::platform::preview {

// Xlib's headers define macros such as None, Bool and Status; they stay out of this header so
// that its users need not see them. X11 ids are unsigned long here, as in Xlib.
class PreviewSurface;
class X11Connection;

class PreviewWindow final : public WindowObject {
  public:
    static HWND CreateTopLevel(const std::string& className, const std::string& title,
                               int clientWidth, int clientHeight);
    static HWND CreateChild(const std::string& className, HWND parent, int x, int y, int width,
                            int height);
    static std::shared_ptr<PreviewWindow> Find(HWND window);

    static HWND WrapForeign(unsigned long xid);
    static bool Unwrap(HWND window);
    static unsigned long X11WindowOf(HWND window);

    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;
    ~PreviewWindow() override;

    unsigned long Xid() const { return m_xid; }
    bool CloseRequested();
    bool IsVisible();
    bool ClientSize(int& width, int& height);
    bool HasSurface();
    bool DrawGray8(const uint8_t* bits, size_t stride, int width, int height, RowOrder order);
    bool DrawBgr24(const uint8_t* bits, size_t stride, int width, int height, RowOrder order);
    bool Draw(const PaintSource& source);

    // The acquisition thread's painting, in two steps so that only the first needs the frame.
    bool PaintableSize(int& width, int& height);
    StageResult StagePaint(const PaintSource& source, bool waitForImage);
    void PresentPaint();
    void FinishPainting();
    bool SharesMemory();

    void Destroy();
    void Close() override;

  private:
    struct Atoms {
        unsigned long wmState = 0;
        unsigned long netWmState = 0;
        unsigned long netWmStateHidden = 0;
        unsigned long wmProtocols = 0;
        unsigned long wmDeleteWindow = 0;
    };

    PreviewWindow(std::unique_ptr<X11Connection> connection, unsigned long xid,
                  const std::string& className);
    static HWND Create(const std::string& className, const std::string& title, unsigned long parent,
                       int x, int y, int width, int height);

    const unsigned long m_xid;
    const std::string m_className;

    // The querying side: guards m_connection (null once destroyed) and m_atoms.
    std::mutex m_controlMutex;
    std::unique_ptr<X11Connection> m_connection;
    Atoms m_atoms;

    // The drawing side: guards m_surface (null when there is none or once destroyed).
    std::mutex m_drawMutex;
    std::unique_ptr<PreviewSurface> m_surface;
};

}  // namespace kelvra::platform::preview
