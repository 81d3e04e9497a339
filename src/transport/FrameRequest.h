// The frame request record: filled by the device core's transfer engine and handed to the
// controller's frame reads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvra {

inline constexpr size_t kFrameHeaderSize = 64;
inline constexpr size_t kHeaderBodyLengthOffset = 16;   // u32: bytes of the body that follows
inline constexpr size_t kHeaderFrameNumberOffset = 32;  // u32: the camera's frame number

struct FrameRequest {
    uint8_t header[kFrameHeaderSize] = {};  // as received
    uint32_t frameNumber = 0;               // header word +32, copied after a good header read
    uint8_t* destination = nullptr;         // where the body goes
    uint32_t capacity = 0;                  // bytes the destination holds
    uint32_t expectedLength = 0;            // whole-frame length of the sync and block reads
    // How long one header read may wait for its frame; 0: the standard 400 ms. A frame whose
    // exposure is longer than that needs longer: a read given up early restarts the readout,
    // and with it the exposure, so the frame would never come.
    uint32_t headerTimeoutMs = 0;
};

}  // namespace kelvra
