// Waiting on a message window for the library's frame messages, as a preview client does.
#pragma once

#include "KelvraSdk.h"

namespace kelvra::bench {

// Waits for `count` frame messages that carry a frame; false on a stall of `waitMs`.
inline bool WaitFrameMessages(HWND window, int count, int waitMs = 5000) {
    KELVRA_MSG msg{};
    for (int got = 0; got < count;) {
        if (Kelvra_GetMessage(window, &msg, waitMs) != 1) return false;
        got += msg.message == KELVRA_WM_FRAME && msg.wParam != 0;
    }
    return true;
}

}  // namespace kelvra::bench
