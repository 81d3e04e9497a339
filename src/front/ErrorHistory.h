#pragma once

#include <array>
#include <cstdint>
#include <mutex>

namespace kelvra {

// The last 20 error codes of one front object, newest first. Written by application threads
// and acquisition threads alike, so it is guarded.
class ErrorHistory {
  public:
    static constexpr int kDepth = 20;

    // Puts `code` in front; the oldest entry falls off when all 20 are in use.
    void Push(int32_t code);
    // Takes the newest code out; 0 when none is left.
    int32_t Pop();

  private:
    std::mutex mutex_;
    std::array<int32_t, kDepth> codes_{};
};

}  // namespace kelvra
