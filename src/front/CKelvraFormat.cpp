// Output format and stream options of CKelvra.
#include <algorithm>
#include <array>

#include "front/CKelvra.h"
#include "front/ColorModes.h"

namespace kelvra {
namespace {

int ModeForBits(int bits) {
    for (size_t mode = 0; mode < kModeBits.size(); ++mode) {
        if (kModeBits[mode] == bits) return static_cast<int>(mode);
    }
    return -1;
}

}  // namespace

int CKelvra::SetColorMode(int bitsPerPixel) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    const int mode = ModeForBits(bitsPerPixel);
    if (mode < 0) return RecordError(kErrorParameter), 0;
    if (device_) {
        const bool eightBit = mode == kModeMono8 || mode == kModeBgra32;
        const bool sixteenBit = mode == kModeMono16;
        const bool colour = !eightBit && !sixteenBit;
        // The 16-bit check matches how a stored format is fitted to the camera: a camera with
        // 8-bit output only cannot deliver a 16-bit frame.
        if ((eightBit && !device_->Supports8BitModes()) ||
            (sixteenBit && !device_->Supports16BitMode(0)) ||
            (colour && !device_->SupportsColorModes())) {
            return RecordError(kErrorParameter), 0;
        }
    }
    WithSettings([&] { format_.color = mode; });
    return 1;
}

int CKelvra::GetColorMode() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    const int mode = WithSettings([&] { return format_.color; });
    return mode >= 0 && mode < static_cast<int>(kModeBits.size()) ? kModeBits[mode] : -1;
}

int CKelvra::SetSubSample(int mode) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (mode != 0 && mode != 1) return 0;
    WithSettings([&] { format_.subSample = mode; });
    return 1;
}

int CKelvra::GetSubSample() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    return WithSettings([&] { return format_.subSample; });
}

// Negative: 0, nothing stored. Above KELVRA_MAX_WAIT_TIME: clamped, as setters with limits
// are, so the inherited "stored, 1" still holds; a longer pause between frames serves nothing,
// and an unbounded one left the preview thread asleep for weeks.
int CKelvra::SetWaitTime(int milliseconds) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (milliseconds < 0) return 0;
    const int32_t stored = std::min(milliseconds, KELVRA_MAX_WAIT_TIME);
    WithSettings([&] { format_.waitTime = stored; });
    return 1;
}

int CKelvra::GetWaitTime() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    return WithSettings([&] { return format_.waitTime; });
}

}  // namespace kelvra
