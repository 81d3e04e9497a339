#include "platform/MessageWindow.h"

#include <memory>
#include <new>

#include "platform/WindowObject.h"
#include "platform/WindowRegistry.h"

namespace kelvra::platform {

// A new window that only receives messages, or null when memory runs out. Any thread.
HWND CreateMessageWindow() {
    try {
        return WindowRegistry::Instance().Add(std::make_shared<WindowObject>());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Destroys any kind of window: its handle becomes unknown at once, pending messages are
// dropped and waiting readers return 0. False for a null or unknown handle. Any thread.
bool DestroyWindow(HWND window) {
    const std::shared_ptr<WindowObject> object = WindowRegistry::Instance().Remove(window);
    if (!object) return false;
    object->Close();
    return true;
}

// True while `window` names a live window. Any thread.
bool IsWindow(HWND window) {
    return WindowRegistry::Instance().Find(window) != nullptr;
}

// Queues a message without waiting. False, quietly, for a null, unknown or destroyed window
// and for a full queue. Any thread.
bool PostMessage(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    const std::shared_ptr<WindowObject> object = WindowRegistry::Instance().Find(window);
    return object && object->Post(message, wParam, lParam);
}

// The oldest message of `window` into *msg: 1, or 0 on timeout (timeoutMs < 0 waits forever),
// for a null msg, for an unknown window, or when the window is destroyed during the wait.
// Any thread.
int GetMessage(HWND window, KELVRA_MSG* msg, int timeoutMs) {
    if (msg == nullptr) return 0;
    const std::shared_ptr<WindowObject> object = WindowRegistry::Instance().Find(window);
    return object ? object->Get(msg, timeoutMs) : 0;
}

}  // namespace kelvra::platform
