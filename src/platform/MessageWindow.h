// Window handles and messages: the stand-ins for CreateWindow (message-only), DestroyWindow,
// IsWindow, PostMessage and GetMessage.
#pragma once

#include <cstdint>

#include "KelvraSdk.h"

namespace kelvra::platform {

HWND CreateMessageWindow();
bool DestroyWindow(HWND window);
bool IsWindow(HWND window);
bool PostMessage(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam);
int GetMessage(HWND window, KELVRA_MSG* msg, int timeoutMs);

}  // namespace kelvra::platform
