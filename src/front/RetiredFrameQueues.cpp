#include "front/RetiredFrameQueues.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "front/FrameQueue.h"

namespace kelvra::retired_frame_queues {
namespace {

struct Retired {
    std::mutex mutex;
    std::vector<std::shared_ptr<FrameQueue>> queues;
};

// Built on first use and never destroyed: a frame may be given back while the process exits.
Retired& Instance() {
    static auto* retired = new Retired();
    return *retired;
}

}  // namespace

void Keep(const std::shared_ptr<FrameQueue>& queue) {
    Retired& retired = Instance();
    std::lock_guard lock(retired.mutex);
    if (queue->HoldsFrames()) retired.queues.push_back(queue);
}

bool Release(const KELVRA_FRAME& frame) {
    Retired& retired = Instance();
    std::lock_guard lock(retired.mutex);
    auto& queues = retired.queues;
    const auto lender = std::find_if(queues.begin(), queues.end(),
                                     [&](const auto& queue) { return queue->Release(frame); });
    if (lender == queues.end()) return false;
    if (!(*lender)->HoldsFrames()) queues.erase(lender);
    return true;
}

}  // namespace kelvra::retired_frame_queues
