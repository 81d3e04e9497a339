#include "transport/CControllerBase.h"

namespace kelvra {

// The base supports nothing: every operation answers 0, and Release does nothing.

CControllerBase::~CControllerBase() = default;

int32_t CControllerBase::NoOperation() {
    return 0;
}

void CControllerBase::Release() {}

int32_t CControllerBase::SelectDevice(int32_t) {
    return 0;
}

int32_t CControllerBase::ReadFpgaWord(uint16_t*) {
    return 0;
}

int32_t CControllerBase::ReadFpgaStatus(uint8_t*) {
    return 0;
}

int32_t CControllerBase::SendCommandCC() {
    return 0;
}

int32_t CControllerBase::I2cWrite(uint8_t, const uint8_t*, uint32_t, uint32_t) {
    return 0;
}

int32_t CControllerBase::I2cRead(uint8_t, uint8_t*, uint32_t, uint32_t) {
    return 0;
}

int32_t CControllerBase::WriteRegister32(uint16_t, uint32_t) {
    return 0;
}

int32_t CControllerBase::ReadRegister16(uint16_t, uint16_t*) {
    return 0;
}

int32_t CControllerBase::WriteSensorRegister(uint16_t, uint16_t) {
    return 0;
}

int32_t CControllerBase::ReadSensorRegister(uint16_t, uint16_t*) {
    return 0;
}

int32_t CControllerBase::WriteFpgaRegister(uint8_t, uint8_t) {
    return 0;
}

int32_t CControllerBase::ReadFpgaRegister(uint8_t, uint8_t*) {
    return 0;
}

int32_t CControllerBase::WriteAuxRegister(uint8_t, uint8_t) {
    return 0;
}

int32_t CControllerBase::ReadAuxRegister(uint8_t, uint8_t*) {
    return 0;
}

int32_t CControllerBase::WriteEeprom(uint16_t, uint8_t) {
    return 0;
}

int32_t CControllerBase::ReadEeprom(uint16_t, uint8_t*) {
    return 0;
}

int32_t CControllerBase::AbortStream() {
    return 0;
}

}  // namespace kelvra
