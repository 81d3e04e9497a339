#include "sim/AuxDevice.h"

namespace kelvra::sim {

// One byte sets the pointer; more bytes are written from it with auto-increment.
bool AuxDevice::write(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return false;
    pointer_ = bytes[0];
    for (uint8_t value : bytes.subspan(1)) regs_[pointer_++] = value;
    return true;
}

bool AuxDevice::read(std::span<uint8_t> out) {
    for (uint8_t& value : out) value = regs_[pointer_++];
    return true;
}

}  // namespace kelvra::sim
