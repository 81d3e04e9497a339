#pragma once
// What every command that takes frames from the library's frame queue shares: ending the
// acquisition and the queue however the command ends, and reading the stream's counters.

#include "KelvraSdk.h"
#include "Session.h"

namespace kelvra::tool {

// Stops the acquisition and closes the queue when it goes out of scope.
class FrameQueueScope {
  public:
    explicit FrameQueueScope(int handle) : handle_(handle) {}
    ~FrameQueueScope() {
        Kelvra_StopPreview(handle_);
        Kelvra_CloseFrameQueue(handle_);
    }
    FrameQueueScope(const FrameQueueScope&) = delete;
    FrameQueueScope& operator=(const FrameQueueScope&) = delete;

  private:
    int handle_;
};

inline KELVRA_STREAM_STATS readStreamStatistics(Session& session) {
    KELVRA_STREAM_STATS stats{};
    stats.size = sizeof stats;
    Kelvra_GetStreamStatistics(session.handle(), &stats);
    return stats;
}

}  // namespace kelvra::tool
