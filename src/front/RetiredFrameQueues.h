// Closed frame queues whose frames the application still holds: the queue of a closed handle
// (Kelvra_Release) or a queue closed by Kelvra_CloseFrameQueue. They live here, process-wide,
// until their last frame is given back, so that a frame stays readable after its queue or
// handle is gone. Any thread.
#pragma once

#include <memory>

#include "KelvraSdk.h"

namespace kelvra {

class FrameQueue;

namespace retired_frame_queues {

// Keeps `queue` (closed) while it holds frames.
void Keep(const std::shared_ptr<FrameQueue>& queue);
// Gives a frame back to the retired queue that lent it; a queue whose last frame came back is
// let go. False when no retired queue lent it.
bool Release(const KELVRA_FRAME& frame);

}  // namespace retired_frame_queues
}  // namespace kelvra
