#pragma once
// Talks to a camera through the driver seam with records built byte by byte, the way the
// camera's driver expects them, so the simulator is tested against the protocol itself.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "driver/Backend.h"

namespace kelvra::test {

constexpr uint32_t kControlIoctl = 0x220020;
constexpr uint32_t kStagedIoctl = 0x220024;
constexpr uint32_t kResetPipeIoctl = 0x22002C;
constexpr uint32_t kResetPortIoctl = 0x220030;
constexpr uint32_t kAbortPipeIoctl = 0x220044;
constexpr uint32_t kDirectIoctl = 0x22004B;
constexpr uint32_t kSpeedIoctl = 0x22004C;

using Buffer102 = std::array<uint8_t, 102>;

// A 102-byte control request: record (wLength 102, timeout 3 s, buffer offset 38, length 64)
// and the data area.
Buffer102 controlRequest(uint8_t type, uint8_t request, uint16_t value, uint16_t index,
                         std::span<const uint8_t> data = {});
// A 38-byte record for a direct transfer: zero apart from the endpoint.
std::array<uint8_t, 38> directRecord(uint8_t endpoint);
uint32_t le32(const uint8_t* p);

struct ControlReply {
    driver::IoResult result;
    Buffer102 buffer{};
    std::span<const uint8_t> data() const;  // the data bytes returned
};

class SeamClient {
  public:
    explicit SeamClient(std::unique_ptr<driver::DeviceHandle> handle);

    driver::DeviceHandle& handle() { return *handle_; }

    ControlReply control(uint8_t type, uint8_t request, uint16_t value, uint16_t index,
                         std::span<const uint8_t> data = {});
    bool i2cWrite(uint8_t address, std::vector<uint8_t> bytes);
    std::optional<std::vector<uint8_t>> i2cRead(uint8_t readAddress, uint16_t count);
    bool fpgaWrite(uint8_t reg, uint8_t value);
    std::optional<uint8_t> fpgaRead(uint8_t reg);
    bool sensorWrite(uint16_t reg, uint8_t value);
    std::optional<uint8_t> sensorRead(uint16_t reg);
    bool eepromWrite(uint16_t address, uint8_t value);
    std::optional<uint8_t> eepromRead(uint16_t address);

  private:
    std::unique_ptr<driver::DeviceHandle> handle_;
};

// The first path whose product id digits (offset 21) read `productId`, opened.
std::unique_ptr<driver::DeviceHandle> openFirst(uint16_t productId, bool overlapped);

}  // namespace kelvra::test
