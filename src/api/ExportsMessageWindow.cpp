// Linux only: message windows for applications without a window system of their own.
#include "KelvraSdk.h"
#include "platform/MessageWindow.h"

extern "C" {

HWND Kelvra_CreateMessageWindow(void) {
    try {
        return kelvra::platform::CreateMessageWindow();
    } catch (...) {
        return nullptr;
    }
}

int Kelvra_GetMessage(HWND window, KELVRA_MSG* msg, int timeoutMs) {
    try {
        return kelvra::platform::GetMessage(window, msg, timeoutMs);
    } catch (...) {
        return 0;
    }
}

int Kelvra_DestroyMessageWindow(HWND window) {
    try {
        return kelvra::platform::DestroyWindow(window) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
