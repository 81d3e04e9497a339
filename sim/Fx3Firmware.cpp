#include "sim/Fx3Firmware.h"

#include <algorithm>
#include <cstring>

#include "driver/Ioctl.h"
#include "sim/Bytes.h"

namespace kelvra::sim {

namespace rec = driver::record;

namespace {

enum Request : uint8_t {
    kI2cWrite = 0x30,
    kI2cRead = 0x31,
    kControlByteWrite = 0x3C,
    kControlByteRead = 0x3D,
    kSensorWrite = 0x3E,
    kSensorRead = 0x3F,
    kInfoBlockA = 0xB0,
    kInfoBlockB = 0xB1,
    kStreamRestart = 0xC0,
    kStreamReady = 0xC2,
    kFpgaStatus = 0xC3,
    kCommandCc = 0xCC,
    kRegister32Write = 0xD0,
    kRegister32Read = 0xD1,
};

struct RequestType {
    uint8_t request;
    uint8_t type;
};

constexpr RequestType kRequestTypes[] = {
    {kI2cWrite, driver::kVendorOutDevice},         {kI2cRead, driver::kVendorInDevice},
    {kControlByteWrite, driver::kVendorOutDevice}, {kControlByteRead, driver::kVendorInDevice},
    {kSensorWrite, driver::kVendorOutDevice},      {kSensorRead, driver::kVendorInDevice},
    {kInfoBlockA, driver::kVendorInDevice},        {kInfoBlockB, driver::kVendorInDevice},
    {kStreamRestart, driver::kVendorOutDevice},    {kStreamReady, driver::kVendorOutEndpoint},
    {kFpgaStatus, driver::kVendorInDevice},        {kCommandCc, driver::kVendorOutEndpoint},
    {kRegister32Write, driver::kVendorOutDevice},  {kRegister32Read, driver::kVendorInDevice},
};

constexpr size_t kMaxI2cBytes = 64;
constexpr uint16_t kRegister32IndexMask = 0x7FFF;
constexpr int kStall = -1;

constexpr size_t kBlockAVendor = 0;
constexpr size_t kBlockAProduct = 2;
constexpr size_t kBlockAName = 4;
constexpr size_t kBlockAFirmware = 24;
constexpr size_t kBlockAGpio25 = 52;
constexpr size_t kBlockBInfoWord = 32;

bool typeMatches(uint8_t request, uint8_t type) {
    for (const RequestType& t : kRequestTypes) {
        if (t.request == request) return t.type == type;
    }
    return false;
}

void setStatus(uint8_t* record, bool ok) {
    storeU32(record + rec::kDriverStatus, ok ? 0 : driver::kDriverStatusUnsuccessful);
    storeU32(record + rec::kUsbStatus, ok ? 0 : driver::kUsbStatusStall);
}

}  // namespace

struct Fx3Firmware::Setup {
    uint8_t type;
    uint8_t request;
    uint16_t value;
    uint16_t index;
};

Fx3Firmware::Fx3Firmware(const CameraConfig& config, const std::string& serialNumber,
                         CameraCore& core, StreamControl& stream)
    : core_(core), stream_(stream), registers32_(0x10000, 0) {
    storeU16(&blockA_[kBlockAVendor], config.vendorId);
    storeU16(&blockA_[kBlockAProduct], config.productId);
    const std::string name = core.model().name;
    std::copy_n(name.begin(), std::min<size_t>(name.size(), kBlockAFirmware - kBlockAName),
                blockA_.begin() + kBlockAName);
    storeU16(&blockA_[kBlockAFirmware], config.fx3FirmwareVersion);
    blockA_[kBlockAGpio25] = config.gpio25Flag;
    std::copy_n(serialNumber.begin(), std::min<size_t>(serialNumber.size(), kBlockBInfoWord),
                blockB_.begin());
    storeU16(&blockB_[kBlockBInfoWord], config.informationWord);
}

void Fx3Firmware::powerOn() {
    std::fill(registers32_.begin(), registers32_.end(), 0);
    controlByte_ = 0;
    commandCc_ = 0;
}

// One control transfer (IOCTL 0x220020): `in` carries the record and the data going out, `out`
// (possibly the same memory) receives the record with its status words and the data coming back.
// Returns {0, 38 + data bytes}, {31, 0} for a stalled request, {87, 0} for a malformed record.
driver::IoResult Fx3Firmware::control(std::span<const uint8_t> in, std::span<uint8_t> out,
                                      Clock::time_point now) {
    if (in.size() < rec::kSize || out.size() < rec::kSize) {
        return {driver::kErrorInvalidParameter, 0};
    }
    const uint32_t bufferOffset = loadU32(in.data() + rec::kBufferOffset);
    const uint32_t bufferLength = loadU32(in.data() + rec::kBufferLength);
    if (bufferOffset != rec::kSize || bufferLength > driver::kControlDataSize ||
        in[rec::kEndpoint] != driver::kEndpointControl || in.size() < rec::kSize + bufferLength ||
        out.size() < rec::kSize + bufferLength) {
        return {driver::kErrorInvalidParameter, 0};
    }
    const Setup setup{in[rec::kRequestType], in[rec::kRequest], loadU16(in.data() + rec::kValue),
                      loadU16(in.data() + rec::kIndex)};
    // The data stage is what both wLength and the buffer allow.
    const size_t stage = std::min<size_t>(loadU16(in.data() + rec::kLength), bufferLength);
    std::array<uint8_t, driver::kControlDataSize> dataOut{};
    std::array<uint8_t, driver::kControlDataSize> dataIn{};
    std::copy_n(in.begin() + rec::kSize, stage, dataOut.begin());
    const int n =
        handle(setup, std::span(dataOut).first(stage), std::span(dataIn).first(stage), now);
    std::memmove(out.data(), in.data(), rec::kSize);
    setStatus(out.data(), n != kStall);
    if (n == kStall) return {driver::kErrorGenFailure, 0};
    if (setup.type & driver::kEndpointDirectionIn) {
        std::copy_n(dataIn.begin(), n, out.begin() + rec::kSize);
    }
    return {driver::kErrorSuccess, static_cast<uint32_t>(rec::kSize + n)};
}

int Fx3Firmware::handle(const Setup& setup, std::span<const uint8_t> dataOut,
                        std::span<uint8_t> dataIn, Clock::time_point now) {
    if (!typeMatches(setup.request, setup.type)) return kStall;
    switch (setup.request) {
        case kI2cWrite:
            return i2cWrite(setup, dataOut, now);
        case kI2cRead:
            return i2cRead(setup, dataIn, now);
        case kControlByteWrite:
            if (dataOut.empty()) return kStall;
            controlByte_ = dataOut[0];
            return 1;
        case kControlByteRead:
            if (dataIn.empty()) return 0;
            dataIn[0] = controlByte_;
            return 1;
        case kSensorWrite:
            return sensorWrite(dataOut, now);
        case kSensorRead:
            return sensorRead(setup, dataIn, now);
        case kInfoBlockA:
            return block(blockA_, dataIn);
        case kInfoBlockB:
            return block(blockB_, dataIn);
        case kStreamRestart:
            stream_.restartStream();
            return 0;
        case kStreamReady:
            stream_.resyncStream();
            return 0;
        case kFpgaStatus: {
            std::array<uint8_t, 64> status{};
            status[0] = core_.pollFpgaConfigured(now) ? 1 : 0;
            return block(status, dataIn);
        }
        case kCommandCc:
            ++commandCc_;
            return 0;
        case kRegister32Write:
            return register32Write(setup, dataOut);
        case kRegister32Read:
            return register32Read(setup, dataIn);
        default:
            return kStall;
    }
}

// wValue bytes to the device at wIndex; more than 64, a read address, or no acknowledge stall.
int Fx3Firmware::i2cWrite(const Setup& setup, std::span<const uint8_t> data,
                          Clock::time_point now) {
    const size_t n = setup.value;
    if (n > kMaxI2cBytes || n > data.size() || setup.index > 0xFF || (setup.index & 1)) {
        return kStall;
    }
    const bool ok = core_.i2cWrite(static_cast<uint8_t>(setup.index), data.first(n), now);
    return ok ? static_cast<int>(n) : kStall;
}

int Fx3Firmware::i2cRead(const Setup& setup, std::span<uint8_t> data, Clock::time_point now) {
    const size_t n = setup.value;
    if (n > kMaxI2cBytes || setup.index > 0xFF || !(setup.index & 1)) return kStall;
    // The device sends n bytes; the data stage keeps what fits.
    std::array<uint8_t, kMaxI2cBytes> bytes{};
    if (!core_.i2cRead(static_cast<uint8_t>(setup.index & 0xFE), std::span(bytes).first(n), now)) {
        return kStall;
    }
    const size_t kept = std::min(n, data.size());
    std::copy_n(bytes.begin(), kept, data.begin());
    return static_cast<int>(kept);
}

// Register high, register low, value high, value low; the sensor takes what its registers hold
// (8-bit registers the low byte).
int Fx3Firmware::sensorWrite(std::span<const uint8_t> data, Clock::time_point now) {
    constexpr size_t kBytes = 4;
    if (data.size() < kBytes) return kStall;
    const auto reg = static_cast<uint16_t>((data[0] << 8) | data[1]);
    const auto value = static_cast<uint16_t>((data[2] << 8) | data[3]);
    return core_.sensorWrite(reg, value, now) ? static_cast<int>(kBytes) : kStall;
}

int Fx3Firmware::sensorRead(const Setup& setup, std::span<uint8_t> data, Clock::time_point now) {
    uint16_t value = 0;
    if (!core_.sensorRead(setup.value, value, now)) return kStall;
    const uint8_t answer[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    const size_t n = std::min<size_t>(2, data.size());
    std::copy_n(answer, n, data.begin());
    return static_cast<int>(n);
}

// Address bit 15 travels in wValue, bits 0-14 in wIndex.
int Fx3Firmware::register32Write(const Setup& setup, std::span<const uint8_t> data) {
    if (setup.value > 1 || setup.index > kRegister32IndexMask || data.size() < 4) return kStall;
    registers32_[(setup.value << 15) | setup.index] = loadU32(data.data());
    return 4;
}

int Fx3Firmware::register32Read(const Setup& setup, std::span<uint8_t> data) {
    std::array<uint8_t, 64> answer{};
    storeU32(answer.data(), registers32_[setup.index]);
    return block(answer, data);
}

int Fx3Firmware::block(const std::array<uint8_t, 64>& source, std::span<uint8_t> data) {
    const size_t n = std::min(source.size(), data.size());
    std::copy_n(source.begin(), n, data.begin());
    return static_cast<int>(n);
}

}  // namespace kelvra::sim
