// Building the bytes the driver receives: the 38-byte transfer record, the 102-byte control
// request and the 32-byte memory-window command block. Pure functions, no I/O.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "driver/Ioctl.h"

namespace kelvra::transport {

// A control request: the record, then 64 data bytes. The driver uses it as input and output.
using ControlBuffer = std::array<uint8_t, driver::kControlRequestSize>;
using TransferRecord = std::array<uint8_t, driver::record::kSize>;

inline constexpr size_t kMemoryCommandSize = 32;
using MemoryCommand = std::array<uint8_t, kMemoryCommandSize>;

enum class MemoryDirection { Read, Write };

ControlBuffer MakeControlRequest(uint8_t requestType, uint8_t request, uint16_t value,
                                 uint16_t index, std::span<const uint8_t> data = {});
std::span<uint8_t> ControlData(ControlBuffer& buffer);
uint32_t ControlDataReturned(uint32_t bytesReturned);

TransferRecord MakeDirectRecord(uint8_t endpoint);
void WriteStagedRecord(std::span<uint8_t, driver::record::kSize> record, uint8_t endpoint,
                       uint32_t length);
bool RecordStatusOk(std::span<const uint8_t, driver::record::kSize> record);

MemoryCommand MakeMemoryCommand(MemoryDirection direction, uint64_t address, uint32_t length);

}  // namespace kelvra::transport
