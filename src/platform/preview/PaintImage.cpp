#include "platform/preview/PaintImage.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>

namespace kelvra::platform::preview {

namespace {

constexpr int kImageRowPad = 32;  // bits; Xlib's usual scan-line padding
constexpr int kOwnerOnly = 0600;

}  // namespace

// A width × height image in a new shared segment the server has attached, or null when the
// server cannot attach it (a remote display, no extension, no segments left).
std::unique_ptr<PaintImage> PaintImage::CreateShared(X11Connection& connection, Visual* visual,
                                                     int depth, int width, int height) {
    std::unique_ptr<PaintImage> paint(new PaintImage(connection, nullptr));
    // The image keeps a pointer to the segment record, which therefore lives in the object.
    paint->m_image = XShmCreateImage(connection.Get(), visual, depth, ZPixmap, nullptr,
                                     &paint->m_segment, width, height);
    if (paint->m_image == nullptr) return nullptr;
    return paint->Attach() ? std::move(paint) : nullptr;
}

// A width × height image in ordinary memory, or null.
std::unique_ptr<PaintImage> PaintImage::CreatePlain(X11Connection& connection, Visual* visual,
                                                    int depth, int width, int height) {
    XImage* image = XCreateImage(connection.Get(), visual, depth, ZPixmap, 0, nullptr, width,
                                 height, kImageRowPad, 0);
    if (image == nullptr) return nullptr;
    std::unique_ptr<PaintImage> paint(new PaintImage(connection, image));
    // XDestroyImage frees the pixels with free(), so they come from malloc.
    image->data =
        static_cast<char*>(std::malloc(static_cast<size_t>(image->bytes_per_line) * height));
    return image->data != nullptr ? std::move(paint) : nullptr;
}

// The segment is marked for removal as soon as the server holds it, so that it disappears with
// the last user even if this process crashes.
bool PaintImage::Attach() {
    const size_t bytes = static_cast<size_t>(m_image->bytes_per_line) * m_image->height;
    m_segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | kOwnerOnly);
    if (m_segment.shmid < 0) return false;
    void* const address = shmat(m_segment.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(m_segment.shmid, IPC_RMID, nullptr);
        return false;
    }
    m_mapped = true;
    m_segment.shmaddr = static_cast<char*>(address);
    m_segment.readOnly = False;
    m_image->data = m_segment.shmaddr;
    m_connection.ForgetErrors();
    const bool sent = XShmAttach(m_connection.Get(), &m_segment) != 0;
    m_attached = sent && m_connection.Sync();
    shmctl(m_segment.shmid, IPC_RMID, nullptr);
    return m_attached;
}

// Sends the top-left width × height pixels to (0, 0) of `window`. A shared image asks for a
// completion event, and stays in flight until it arrives.
void PaintImage::Put(Window window, GC gc, int width, int height) {
    Display* const display = m_connection.Get();
    if (m_attached) {
        XShmPutImage(display, window, gc, m_image, 0, 0, 0, 0, static_cast<unsigned>(width),
                     static_cast<unsigned>(height), True);
        inFlight = true;
    } else {
        XPutImage(display, window, gc, m_image, 0, 0, 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    }
}

// The owner has waited for every put of this image. A server that has gone takes no more
// requests: only this process's side is released then.
PaintImage::~PaintImage() {
    if (m_attached && !m_connection.Broken()) {
        XShmDetach(m_connection.Get(), &m_segment);
        XSync(m_connection.Get(), False);  // the server lets go before the segment goes
    }
    if (m_image == nullptr) return;
    if (m_mapped) {
        shmdt(m_segment.shmaddr);
        m_image->data = nullptr;  // not malloc's to free
    }
    XDestroyImage(m_image);
}

}  // namespace kelvra::platform::preview
