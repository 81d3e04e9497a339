#pragma once
// The auxiliary I2C device behind the FX3 (0x5A/0x5B). Not locked: the owning camera serialises
// access.

#include <cstdint>
#include <span>

namespace kelvra::sim {

// The auxiliary I2C device: 256 byte registers with an auto-incrementing pointer.
class AuxDevice {
  public:
    bool write(std::span<const uint8_t> bytes);
    bool read(std::span<uint8_t> out);
    uint8_t peek(uint8_t reg) const { return regs_[reg]; }

  private:
    uint8_t regs_[256] = {};
    uint8_t pointer_ = 0;
};

}  // namespace kelvra::sim
