#pragma once
// The configuration EEPROM behind the FX3: 64 KiB, 16-bit addresses, 128-byte pages. Like a
// 24-series part it does not answer while it programs a page. Not locked: the owning camera
// serialises access.

#include <chrono>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kelvra::sim {

class Eeprom {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr uint32_t kSize = 0x10000;
    static constexpr uint32_t kPageSize = 128;
    static constexpr uint16_t kSerialAddress = 0x1040;
    static constexpr uint32_t kSerialSize = 32;
    static constexpr uint16_t kSettingAddress = 0x1080;
    static constexpr uint8_t kErased = 0xFF;

    Eeprom(std::string_view serialNumber, std::chrono::milliseconds writeCycle);

    void powerOn() {
        pointer_ = 0;
        busyUntil_ = {};
    }
    bool write(std::span<const uint8_t> bytes, Clock::time_point now);
    bool read(std::span<uint8_t> out, Clock::time_point now);

    // The next `count` programming writes fail (-1: all of them until reset with 0).
    void failWrites(int count) { failWrites_ = count; }
    uint8_t peek(uint16_t address) const { return data_[address]; }
    void poke(uint16_t address, uint8_t value) { data_[address] = value; }

  private:
    bool busy(Clock::time_point now) const { return now < busyUntil_; }
    bool consumeWriteFailure();

    std::vector<uint8_t> data_;
    uint16_t pointer_ = 0;
    std::chrono::milliseconds writeCycle_;
    Clock::time_point busyUntil_{};
    int failWrites_ = 0;
};

}  // namespace kelvra::sim
