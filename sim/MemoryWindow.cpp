#include "sim/MemoryWindow.h"

#include <algorithm>
#include <cstring>

#include "sim/Bytes.h"

namespace kelvra::sim {
namespace {

constexpr uint8_t kReadMagic[4] = {'A', 'U', '3', 'R'};
constexpr uint8_t kWriteMagic[4] = {'A', 'U', '3', 'W'};
constexpr uint32_t kCommandVersion = 2;
constexpr size_t kVersionOffset = 4;
constexpr size_t kAddressOffset = 8;
constexpr size_t kLengthOffset = 16;
constexpr size_t kReservedOffset = 20;
constexpr uint32_t kMaxPacket = 1024;

}  // namespace

BulkInAmount bulkInAmount(size_t requested, uint32_t available) {
    if (requested >= available) return {available, false};
    const auto bytes = static_cast<uint32_t>(requested);
    return {bytes, bytes % kMaxPacket != 0};
}

// A bulk OUT transfer on endpoint 0x01: the data of a pending write, else a command block.
// A write longer than the announced chunk, or a malformed command, is refused (stall) and
// drops whatever was pending.
WindowTransfer MemoryWindow::out(std::span<const uint8_t> data) {
    if (mode_ != Mode::Write) return command(data);
    if (data.size() > remaining_) {
        mode_ = Mode::Idle;
        return {};
    }
    memory_.write(address_, data);
    address_ += data.size();
    remaining_ -= static_cast<uint32_t>(data.size());
    if (remaining_ == 0) mode_ = Mode::Idle;
    return {true, static_cast<uint32_t>(data.size()), false};
}

// A bulk IN transfer on endpoint 0x81 while a read chunk is pending.
WindowTransfer MemoryWindow::in(std::span<uint8_t> out) {
    const BulkInAmount amount = bulkInAmount(out.size(), remaining_);
    memory_.read(address_, out.first(amount.bytes));
    address_ += amount.bytes;
    remaining_ -= amount.bytes;
    if (remaining_ == 0 || amount.babble) mode_ = Mode::Idle;
    return {!amount.babble, amount.bytes, amount.babble};
}

// Parses "AU3R"/"AU3W", version word 2, 64-bit address, 32-bit length, 12 zero bytes; the chunk
// must lie inside the memory.
WindowTransfer MemoryWindow::command(std::span<const uint8_t> block) {
    mode_ = Mode::Idle;
    if (block.size() != kCommandSize) return {};
    const bool isRead = std::memcmp(block.data(), kReadMagic, 4) == 0;
    const bool isWrite = std::memcmp(block.data(), kWriteMagic, 4) == 0;
    if (!isRead && !isWrite) return {};
    if (loadU32(block.data() + kVersionOffset) != kCommandVersion) return {};
    if (std::any_of(block.begin() + kReservedOffset, block.end(), [](uint8_t b) { return b; })) {
        return {};
    }
    const uint64_t address =
        loadU32(block.data() + kAddressOffset) |
        (static_cast<uint64_t>(loadU32(block.data() + kAddressOffset + 4)) << 32);
    const uint32_t length = loadU32(block.data() + kLengthOffset);
    if (length == 0 || !memory_.contains(address, length)) return {};
    address_ = address;
    remaining_ = length;
    mode_ = isRead ? Mode::Read : Mode::Write;
    return {true, static_cast<uint32_t>(kCommandSize), false};
}

}  // namespace kelvra::sim
