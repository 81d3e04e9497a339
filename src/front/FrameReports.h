#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "KelvraSdk.h"

namespace kelvra {

// The frame report records posted with each frame. The application reads a record after its
// message arrives while the acquisition thread goes on with the next frames, so each frame gets
// the next record of a small ring instead of rewriting the one just posted.
class FrameReports {
  public:
    static constexpr size_t kRecords = 16;

    // The record for the next frame, zeroed; owned by the acquisition thread until posted.
    KELVRA_FRAME_REPORT* Next() {
        KELVRA_FRAME_REPORT* record = &records_[next_];
        next_ = (next_ + 1) % kRecords;
        *record = KELVRA_FRAME_REPORT{};
        return record;
    }

  private:
    std::array<KELVRA_FRAME_REPORT, kRecords> records_{};
    size_t next_ = 0;
};

}  // namespace kelvra
