#pragma once
// The FX3's firmware: answers the vendor control requests that arrive as 102-byte buffers
// (38-byte transfer record + 64-byte data area) and relays I2C to the devices behind it. Not
// locked: every call comes with the owning camera's lock held.
//
// Requests and what they answer (data bytes returned for IN requests):
//
// | Code | Type | Answer                                                                       |
// |------|------|------------------------------------------------------------------------------|
// | 0x30 | 0x40 | I2C write of wValue (<= 64) bytes to wIndex (bit 0 clear)                    |
// | 0x31 | 0xC0 | I2C read of wValue (<= 64) bytes from wIndex (bit 0 set): wValue bytes       |
// | 0x3C | 0x40 | control byte := data[0]                                                      |
// | 0x3D | 0xC0 | control byte: 1 byte                                                         |
// | 0x3E | 0x40 | sensor register (data[0..1], big-endian) := low byte of data[2..3]           |
// | 0x3F | 0xC0 | sensor register wValue: 2 bytes, little-endian                               |
// | 0xB0 | 0xC0 | information block A: 64 bytes                                                |
// | 0xB1 | 0xC0 | information block B: 64 bytes                                                |
// | 0xC0 | 0x40 | stream restart                                                               |
// | 0xC2 | 0x42 | stream ready: the next read on 0x81 starts with a frame header               |
// | 0xC3 | 0xC0 | FPGA configured: 64 bytes, byte 0 = 1 when ready                             |
// | 0xCC | 0x42 | counted, no other effect                                                     |
// | 0xD0 | 0x40 | 32-bit register (wValue bit 0) x 0x8000 + wIndex (<= 0x7FFF) := data[0..3]   |
// | 0xD1 | 0xC0 | 32-bit register wIndex: 64 bytes, value little-endian in the first 4        |
//
// A request with another type, an unknown code, a refused I2C transaction or a bad argument is
// stalled: the IOCTL fails with 31 and the record's status words are set. A malformed record
// (buffer offset not 38, buffer length above 64, endpoint not 0, buffers too short) fails with
// 87 before reaching the device.
//
// Information block A: u16 vendor id at 0, u16 product id at 2, the sensor's name (ASCII) at 4,
// u16 FX3 firmware version at 24, u8 GPIO25 flag at 52. Block B: the serial number (ASCII, zero
// padded) at 0, u16 FPGA information word at 32. Everything else is zero.

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "driver/Overlapped.h"
#include "sim/CameraCore.h"

namespace kelvra::sim {

class Fx3Firmware {
  public:
    using Clock = std::chrono::steady_clock;

    Fx3Firmware(const CameraConfig& config, const std::string& serialNumber, CameraCore& core,
                StreamControl& stream);

    void powerOn();
    driver::IoResult control(std::span<const uint8_t> in, std::span<uint8_t> out,
                             Clock::time_point now);

    uint8_t controlByte() const { return controlByte_; }
    int commandCcCount() const { return commandCc_; }
    uint32_t register32(uint16_t address) const { return registers32_[address]; }

  private:
    struct Setup;
    // Data bytes a handled request returns, or -1 to stall it.
    int handle(const Setup& setup, std::span<const uint8_t> dataOut, std::span<uint8_t> dataIn,
               Clock::time_point now);
    int i2cWrite(const Setup& setup, std::span<const uint8_t> data, Clock::time_point now);
    int i2cRead(const Setup& setup, std::span<uint8_t> data, Clock::time_point now);
    int sensorWrite(std::span<const uint8_t> data, Clock::time_point now);
    int sensorRead(const Setup& setup, std::span<uint8_t> data, Clock::time_point now);
    int register32Write(const Setup& setup, std::span<const uint8_t> data);
    int register32Read(const Setup& setup, std::span<uint8_t> data);
    static int block(const std::array<uint8_t, 64>& source, std::span<uint8_t> data);

    CameraCore& core_;
    StreamControl& stream_;
    std::array<uint8_t, 64> blockA_{};
    std::array<uint8_t, 64> blockB_{};
    std::vector<uint32_t> registers32_;
    uint8_t controlByte_ = 0;
    int commandCc_ = 0;
};

}  // namespace kelvra::sim
