// The controller as the sensor drivers and the device core see it: register, I2C and EEPROM
// access and the stream abort. Every operation of this base answers 0 ("not supported") or
// does nothing; a concrete controller overrides what it supports. Results are 1 on success and
// 0 on failure unless an operation says otherwise.
#pragma once

#include <cstdint>

namespace kelvra {

class CControllerBase {
  public:
    CControllerBase() = default;
    CControllerBase(const CControllerBase&) = delete;
    CControllerBase& operator=(const CControllerBase&) = delete;

    // Virtual operations in slot order.
    virtual ~CControllerBase();                                                     // 0
    virtual int32_t NoOperation();                                                  // 1
    virtual void Release();                                                         // 2
    virtual int32_t SelectDevice(int32_t index);                                    // 3
    virtual int32_t ReadFpgaWord(uint16_t* value);                                  // 4
    virtual int32_t ReadFpgaStatus(uint8_t* value);                                 // 5
    virtual int32_t SendCommandCC();                                                // 6
    virtual int32_t I2cWrite(uint8_t address, const uint8_t* data, uint32_t count,  // 7
                             uint32_t timeoutMs);
    virtual int32_t I2cRead(uint8_t address, uint8_t* data, uint32_t count,  // 8
                            uint32_t timeoutMs);
    virtual int32_t WriteRegister32(uint16_t address, uint32_t value);  // 9
    virtual int32_t ReadRegister16(uint16_t address, uint16_t* value);  // 10
    virtual int32_t WriteSensorRegister(uint16_t reg, uint16_t value);  // 11
    virtual int32_t ReadSensorRegister(uint16_t reg, uint16_t* value);  // 12
    virtual int32_t WriteFpgaRegister(uint8_t reg, uint8_t value);      // 13
    virtual int32_t ReadFpgaRegister(uint8_t reg, uint8_t* value);      // 14
    virtual int32_t WriteAuxRegister(uint8_t reg, uint8_t value);       // 15
    virtual int32_t ReadAuxRegister(uint8_t reg, uint8_t* value);       // 16
    virtual int32_t WriteEeprom(uint16_t address, uint8_t value);       // 17
    virtual int32_t ReadEeprom(uint16_t address, uint8_t* value);       // 18
    virtual int32_t AbortStream();                                      // 19

    // Not a slot of the interface: true once the camera has been found gone (unplugged) and
    // until it is selected again. Retry loops end at once then instead of waiting out their
    // attempts against a device that cannot answer. This base never knows: false.
    virtual bool DeviceGone() const { return false; }
};

}  // namespace kelvra
