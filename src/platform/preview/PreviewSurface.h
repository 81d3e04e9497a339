// The drawing side of a preview window: its own connection to the X server, a graphics context
// and two images in the window's pixel format, so that the acquisition thread never shares a
// connection with the thread that created the window. With MIT-SHM the server reads the images
// in place; one is filled while the other may still be read. Not thread-safe by itself: its
// owner serialises calls.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>
#include <chrono>
#include <memory>
#include <optional>

#include "platform/preview/PaintImage.h"
#include "platform/preview/PaintSource.h"
#include "platform/preview/PixelLayout.h"
#include "platform/preview/WindowTracker.h"
#include "platform/preview/X11Connection.h"

namespace kelvra::platform::preview {

class PreviewSurface {
  public:
    static std::unique_ptr<PreviewSurface> Create(Window window);

    PreviewSurface(const PreviewSurface&) = delete;
    PreviewSurface& operator=(const PreviewSurface&) = delete;
    ~PreviewSurface();

    bool Showable(int& width, int& height);
    StageResult Stage(const PaintSource& source, bool waitForImage);
    void Present();
    bool Finish();
    bool Draw(const PaintSource& source);
    bool SharesMemory() const { return m_shared; }

  private:
    PreviewSurface(std::unique_ptr<X11Connection> connection, Window window);
    StageResult StageClipped(const PaintSource& source, int clientWidth, int clientHeight,
                             bool waitForImage);
    PaintImage* FreeImage(bool waitForImage);
    bool ReserveImages(int width, int height);
    void ReadEvents();
    void Pack(const PaintSource& source, XImage& image, int width, int height);

    // Declared first: the images and the tracker use it until they are gone.
    std::unique_ptr<X11Connection> m_connection;
    Window m_window;
    GC m_gc = nullptr;
    Visual* m_visual = nullptr;
    int m_depth = 0;
    std::optional<PixelLayout> m_layout;  // none: the visual cannot be drawn
    std::optional<WindowTracker> m_tracker;
    bool m_shared = false;       // MIT-SHM is used
    int m_completionEvent = -1;  // the event type of a finished shared put
    std::array<std::unique_ptr<PaintImage>, 2> m_images;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    PaintImage* m_staged = nullptr;
    int m_stagedWidth = 0;
    int m_stagedHeight = 0;
    int m_busyFrames = 0;  // frames not shown in a row because both images were in flight
    std::chrono::steady_clock::time_point m_lastPresent{};
};

}  // namespace kelvra::platform::preview
