#pragma once
// The register files of the camera line's sensors beyond the IMX990 family, one class for all
// their register models (SensorFamily): 16-bit words at 16-bit addresses (byte-wide models use
// the low byte), decoded into the settings the frame generator follows. The module camera's
// console answers at register 0; the LI sensors' registers live in the FPGA. Not locked: the
// owning camera serialises access.

#include <array>
#include <cstdint>
#include <optional>

#include "sim/ModuleConsole.h"
#include "sim/SensorRegisterFile.h"

namespace kelvra::sim {

class FamilySensorRegisters final : public SensorRegisterFile {
  public:
    explicit FamilySensorRegisters(const SensorModel& model);

    void powerOn() override;
    uint16_t read(uint16_t address, double celsius) override;
    uint16_t peek(uint16_t address) const override;
    SensorChange write(uint16_t address, uint16_t value, double celsius) override;
    SensorSettings settings(const FpgaRegisters& fpga) const override;
    bool shortAddresses() const override;
    bool wordRegisters() const override;
    std::optional<double> takeSetPoint() override;

    ModuleConsole& console() { return console_; }
    const ModuleConsole& console() const { return console_; }

  private:
    SensorSettings decode(const FpgaRegisters* fpga) const;
    SensorSettings decodeMt9() const;
    SensorSettings decodeMt9Short() const;
    SensorSettings decodeCcd() const;
    SensorSettings decodeSony() const;
    SensorSettings decodeArea() const;
    SensorSettings decodeLine() const;
    SensorSettings decodeLi(const FpgaRegisters& fpga) const;
    SensorSettings decodeConsole() const;
    SensorSettings fullArray() const;
    void adcWrite(uint16_t address, double celsius);

    uint8_t byte(uint16_t address) const { return uint8_t(regs_[address]); }
    uint32_t little(uint16_t address, int bytes) const;
    uint16_t big(uint16_t address) const;  // a 16-bit register of the Aptina layouts
    void storeLittle(uint16_t address, uint32_t value, int bytes);
    void storeBig(uint16_t address, uint16_t value);

    SensorModel model_;
    std::array<uint16_t, 65536> regs_{};
    ModuleConsole console_;
    std::optional<double> setPoint_;
};

}  // namespace kelvra::sim
