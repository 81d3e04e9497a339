// Linux extras: an application's X11 window as the parent of the preview.
#include "KelvraSdk.h"
#include "platform/preview/PreviewWindow.h"

using kelvra::platform::preview::PreviewWindow;

extern "C" {

HWND Kelvra_WrapX11Window(unsigned long x11Window) {
    try {
        return PreviewWindow::WrapForeign(x11Window);
    } catch (...) {
        return nullptr;
    }
}

int Kelvra_UnwrapX11Window(HWND window) {
    try {
        return PreviewWindow::Unwrap(window) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
