// CSensorFamily: sensor register access by the way each class reaches its sensor, and the FPGA
// trigger pattern of the classes with a trigger input.
#include <array>
#include <mutex>

#include "sensors/CSensorFamily.h"
#include "sensors/FpgaRegisterMap.h"

namespace kelvra {
namespace {

constexpr uint32_t kI2cTimeoutMs = 3000;
constexpr int32_t kMaxRegisterAddress = 0xFFFF;
constexpr uint32_t kFrameWaitExtraMs = 10;

uint8_t High(uint16_t value) {
    return uint8_t(value >> 8);
}
uint8_t Low(uint16_t value) {
    return uint8_t(value);
}

}  // namespace

// ---- the bus of the class ----------------------------------------------------------------

// I2C classes write the register address and the value as their chip's convention has it;
// bus address 0 goes through the controller's own sensor register request (16-bit address and
// value; the request's record carries the 3000 ms timeout); classes behind the FPGA write FPGA
// registers. Returns 1 or 0.
int32_t CSensorFamily::WriteBus(uint16_t address, uint16_t value) {
    CControllerBase* const c = Controller();
    if (c == nullptr) return 0;
    switch (m_facts.bus) {
        case SensorBus::I2c8:
            return WriteSensorDirect(address, Low(value), m_facts.pauseBeforeWrite);
        case SensorBus::I2c16: {
            const std::array<uint8_t, 4> bytes{High(address), Low(address), High(value),
                                               Low(value)};
            std::lock_guard lock(m_registerLock);
            return c->I2cWrite(BusAddress(), bytes.data(), bytes.size(), kI2cTimeoutMs);
        }
        case SensorBus::I2cShort16: {
            const std::array<uint8_t, 3> bytes{Low(address), High(value), Low(value)};
            std::lock_guard lock(m_registerLock);
            return c->I2cWrite(BusAddress(), bytes.data(), bytes.size(), kI2cTimeoutMs);
        }
        case SensorBus::Controller:
            return c->WriteSensorRegister(address, value);
        case SensorBus::FpgaRelayed:
            return WriteFpga(Low(address), Low(value));
        case SensorBus::None:
            break;
    }
    return 0;
}

// The matching reads: the address as written, then the value (16-bit values high byte first).
int32_t CSensorFamily::ReadBus(uint16_t address, uint16_t* value) {
    CControllerBase* const c = Controller();
    if (c == nullptr || value == nullptr) return 0;
    switch (m_facts.bus) {
        case SensorBus::I2c8: {
            uint8_t byte = 0;
            if (!ReadSensorDirect(address, &byte)) return 0;
            *value = byte;
            return 1;
        }
        case SensorBus::I2c16:
        case SensorBus::I2cShort16: {
            const bool shortAddress = m_facts.bus == SensorBus::I2cShort16;
            const std::array<uint8_t, 2> pointer{shortAddress ? Low(address) : High(address),
                                                 Low(address)};
            std::array<uint8_t, 2> answer{};
            std::lock_guard lock(m_registerLock);
            if (!c->I2cWrite(BusAddress(), pointer.data(), shortAddress ? 1 : 2, kI2cTimeoutMs) ||
                !c->I2cRead(BusAddress(), answer.data(), answer.size(), kI2cTimeoutMs)) {
                return 0;
            }
            *value = uint16_t(answer[0] << 8 | answer[1]);
            return 1;
        }
        case SensorBus::Controller:
            return c->ReadSensorRegister(address, value);
        case SensorBus::FpgaRelayed: {
            uint8_t byte = 0;
            if (!ReadFpga(Low(address), &byte)) return 0;
            *value = byte;
            return 1;
        }
        case SensorBus::None:
            break;
    }
    return 0;
}

int32_t CSensorFamily::Write(uint16_t address, uint16_t value) {
    return WriteRegister(address, value);
}

int32_t CSensorFamily::Read(uint16_t address, uint16_t* value) {
    int32_t word = 0;
    if (value == nullptr || !ReadRegister(address, &word)) return 0;
    *value = uint16_t(word);
    return 1;
}

int32_t CSensorFamily::WriteArbitrated(uint16_t address, uint16_t value) {
    return MarkFor(Setter::SafeRegisters) == Mark::Own ? WriteRegisterSafe(address, value)
                                                       : Write(address, value);
}

int32_t CSensorFamily::WriteBytes(uint16_t address, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        if (!WriteArbitrated(uint16_t(address + i), uint16_t((value >> (8 * i)) & 0xFF))) return 0;
    }
    return 1;
}

// The register pass-through of the class's bus: the value's low 8 or 16 bits, as the bus
// carries. 0 for an address outside 0-0xFFFF.
int32_t CSensorFamily::WriteRegister(int32_t address, int32_t value) {
    if (address < 0 || address > kMaxRegisterAddress) return 0;
    return WriteBus(uint16_t(address), uint16_t(value));
}

int32_t CSensorFamily::ReadRegister(int32_t address, int32_t* value) {
    if (address < 0 || address > kMaxRegisterAddress || value == nullptr) return 0;
    uint16_t word = 0;
    if (!ReadBus(uint16_t(address), &word)) return 0;
    *value = word;
    return 1;
}

// The classes that share their sensor's bus with the FPGA obtain it first.
int32_t CSensorFamily::WriteRegisterSafe(int32_t address, int32_t value) {
    if (MarkFor(Setter::SafeRegisters) != Mark::Own) {
        return CSensorBase::WriteRegisterSafe(address, value);
    }
    return WithSensorBus([&] { return WriteRegister(address, value) != 0; });
}

int32_t CSensorFamily::ReadRegisterSafe(int32_t address, int32_t* value) {
    if (MarkFor(Setter::SafeRegisters) != Mark::Own) {
        return CSensorBase::ReadRegisterSafe(address, value);
    }
    if (value == nullptr) return 0;
    return WithSensorBus([&] { return ReadRegister(address, value) != 0; });
}

// ---- trigger -----------------------------------------------------------------------------

int32_t CSensorFamily::SwitchTriggerPattern(int32_t mode, const TriggerTiming& timing) {
    const SensorDescriptor d = Descriptor();
    int32_t ok = SetStandby(true);
    if (mode == 1) {
        TriggerTimingProgram program;
        program.exposureLines = uint32_t(d.exposureLines.current);
        program.timing0 = timing.timing0;
        program.timing1 = timing.timing1;
        program.delay = TriggerDelayBytes(uint32_t(d.exposureLines.current) + uint32_t(d.height) +
                                          timing.delayExtra);
        ok &= ProgramTriggerTiming(program) != 0;
        ok &= SetSensorTriggerInput(true) != 0;
    } else {
        ok &= WriteFpgaVerifiedQuick(fpga_reg::kTriggerMode, 0) != 0;
        ok &= SetSensorTriggerInput(false) != 0;
    }
    ok &= SetStandby(false) != 0;
    m_restartPulse.store(1);
    PulseReadoutRestart();
    Sleep(FrameTimeMs(d.frameLength) + kFrameWaitExtraMs);
    return ok;
}

}  // namespace kelvra
