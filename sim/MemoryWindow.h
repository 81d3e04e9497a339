#pragma once
// The memory-window protocol on the bulk endpoints: a 32-byte "AU3R" or "AU3W" command block on
// endpoint 0x01 announces one chunk, whose data then travels on 0x81 (read) or 0x01 (write).
// Not locked: the owning camera serialises access.

#include <cstdint>
#include <span>

#include "sim/CameraMemory.h"

namespace kelvra::sim {

// Outcome of one bulk transfer against the window.
struct WindowTransfer {
    bool ok = false;
    uint32_t bytes = 0;
    bool babble = false;  // the host asked for less than the device had to send
};

class MemoryWindow {
  public:
    static constexpr size_t kCommandSize = 32;

    explicit MemoryWindow(uint64_t memoryBytes) : memory_(memoryBytes) {}

    WindowTransfer out(std::span<const uint8_t> data);
    bool readPending() const { return mode_ == Mode::Read; }
    uint64_t pendingAddress() const { return address_; }
    WindowTransfer in(std::span<uint8_t> out);
    void reset() { mode_ = Mode::Idle; }
    void powerOn() {
        reset();
        memory_.clear();
    }
    CameraMemory& memory() { return memory_; }

  private:
    enum class Mode { Idle, Read, Write };

    WindowTransfer command(std::span<const uint8_t> block);

    CameraMemory memory_;
    Mode mode_ = Mode::Idle;
    uint64_t address_ = 0;
    uint32_t remaining_ = 0;
};

// How much of `available` bytes a bulk IN read of `requested` bytes takes. A read that ends
// inside the device's transfer on a length that is not a whole number of 1024-byte packets
// overflows (babble), as on a real SuperSpeed link.
struct BulkInAmount {
    uint32_t bytes;
    bool babble;
};
BulkInAmount bulkInAmount(size_t requested, uint32_t available);

}  // namespace kelvra::sim
