#include "sim/Eeprom.h"

#include <algorithm>

namespace kelvra::sim {

// Erased everywhere except the serial number, which ends with 0xFF unless it fills its 32 bytes.
Eeprom::Eeprom(std::string_view serialNumber, std::chrono::milliseconds writeCycle)
    : data_(kSize, kErased), writeCycle_(writeCycle) {
    const size_t n = std::min<size_t>(serialNumber.size(), kSerialSize);
    std::copy_n(serialNumber.begin(), n, data_.begin() + kSerialAddress);
}

// An I2C write: two address bytes set the pointer; further bytes are programmed from there,
// wrapping inside the 128-byte page, and start a write cycle. Returns false (no acknowledge)
// while a write cycle runs, for fewer than two bytes, or for an injected write failure.
bool Eeprom::write(std::span<const uint8_t> bytes, Clock::time_point now) {
    if (busy(now) || bytes.size() < 2) return false;
    const auto address = static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
    std::span<const uint8_t> payload = bytes.subspan(2);
    if (payload.empty()) {
        pointer_ = address;
        return true;
    }
    if (consumeWriteFailure()) return false;
    const uint32_t page = address & ~(kPageSize - 1);
    uint32_t offset = address & (kPageSize - 1);
    for (uint8_t value : payload) {
        data_[page + offset] = value;
        offset = (offset + 1) % kPageSize;
    }
    pointer_ = static_cast<uint16_t>(page + offset);
    busyUntil_ = now + writeCycle_;
    return true;
}

// An I2C read of out.size() bytes from the pointer, which advances and wraps at 64 KiB.
bool Eeprom::read(std::span<uint8_t> out, Clock::time_point now) {
    if (busy(now)) return false;
    for (uint8_t& value : out) value = data_[pointer_++];
    return true;
}

bool Eeprom::consumeWriteFailure() {
    if (failWrites_ == 0) return false;
    if (failWrites_ > 0) --failWrites_;
    return true;
}

}  // namespace kelvra::sim
