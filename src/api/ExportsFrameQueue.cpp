// Public extra: owned frames through a frame queue, and stream statistics.
#include <memory>

#include "KelvraSdk.h"
#include "api/ExportFrame.h"
#include "front/FrameQueue.h"
#include "front/RetiredFrameQueues.h"

using kelvra::CallFront;
using kelvra::CKelvra;
using kelvra::FrameQueue;

namespace {
// CallFront's answer for a handle it does not know, apart from every real result.
constexpr int kUnknownHandle = -1;
}  // namespace

extern "C" {

int Kelvra_OpenFrameQueue(int handle, int bufferCount) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.OpenFrameQueue(bufferCount); });
}

int Kelvra_CloseFrameQueue(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.CloseFrameQueue(); });
}

// The wait runs outside the handle's call frame: a waiter must not hold up Kelvra_Release,
// which is what wakes it.
int Kelvra_WaitFrame(int handle, KELVRA_FRAME* frame, int timeoutMs) {
    try {
        std::shared_ptr<FrameQueue> queue;
        const int known = CallFront(handle, 0, [&](CKelvra& front) {
            queue = front.FrameQueueToWait(frame);
            return 1;
        });
        if (!known) {
            if (frame != nullptr && frame->size >= static_cast<int32_t>(sizeof(KELVRA_FRAME))) {
                frame->data = nullptr;
                frame->status = KELVRA_FRAME_RELEASED;
            }
            return 0;
        }
        return queue ? queue->Wait(frame, timeoutMs) : 0;
    } catch (...) {
        return 0;
    }
}

// A frame outlives its handle: after Kelvra_Release the handle is unknown, and the frame goes
// back to the queue it came from, which the release kept.
int Kelvra_ReleaseFrame(int handle, const KELVRA_FRAME* frame) {
    try {
        const int result = CallFront(handle, kUnknownHandle,
                                     [&](CKelvra& front) { return front.ReleaseFrame(frame); });
        if (result != kUnknownHandle) return result;
        return frame != nullptr && frame->size >= static_cast<int32_t>(sizeof(KELVRA_FRAME)) &&
                       kelvra::retired_frame_queues::Release(*frame)
                   ? 1
                   : 0;
    } catch (...) {
        return 0;
    }
}

int Kelvra_GetStreamStatistics(int handle, KELVRA_STREAM_STATS* stats) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.GetStreamStatistics(stats); });
}

int Kelvra_GetFrameQueueFd(int handle) {
    return CallFront(handle, -1, [](CKelvra& front) { return front.GetFrameQueueFd(); });
}

}  // extern "C"
