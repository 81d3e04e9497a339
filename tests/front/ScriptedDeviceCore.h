#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/CKelvraU3Q6Base.h"

namespace kelvra::test {

// A device core with a scripted set of cameras that logs the calls the front makes, so the
// front's selection, naming and settings order can be checked without hardware.
class ScriptedDeviceCore : public CKelvraU3Q6Base {
  public:
    struct Script {
        int count = 0;          // CountDevices answer
        std::set<int> present;  // indices IsDevicePresent accepts
        bool openFails = false;
        bool cooler = false;
        bool exposureSeconds = false;
        bool eightBit = true;        // Supports8BitModes
        bool sixteenBit = true;      // Supports16BitMode
        bool color = true;           // SupportsColorModes
        bool registersFail = false;  // FPGA and camera register access
        bool internalCorrection = false;
    };

    // Camera memory and registers, open to the test.
    std::map<int, uint8_t> eeprom;
    int eepromReadsLeft = 1 << 30;  // reads fail once this runs out
    int eepromWritesIgnored = 0;    // this many writes report success but store nothing
    bool eepromWritesFail = false;
    std::map<int, int> fpga;
    std::map<int, int> registers;

    explicit ScriptedDeviceCore(Script script, std::vector<std::string>* log)
        : script_(std::move(script)), log_(log) {}

    int32_t CountDevices(int32_t productId) override {
        Log("CountDevices " + std::to_string(productId));
        return script_.count;
    }
    int32_t IsDevicePresent(int32_t index) override { return script_.present.count(index); }
    int32_t OpenCamera(int32_t instance) override {
        Log("OpenCamera " + std::to_string(instance));
        if (script_.openFails) return 0;
        openInstance_ = instance;
        return 1;
    }
    int32_t GetOpenInstance() override { return openInstance_; }
    int32_t CloseCamera() override {
        Log("CloseCamera");
        return 1;
    }
    int32_t SetProductId(int32_t productId) override {
        Log("SetProductId " + std::to_string(productId));
        return CKelvraU3Q6Base::SetProductId(productId);
    }
    int32_t CreateController(HWND, const InterfaceGuid*) override {
        Log("CreateController");
        return 1;
    }

    int32_t GetGainDefault() override { return 16; }
    int32_t GetColorGainDefault() override { return 32; }
    int32_t GetExposureTimeDefault() override { return 100; }
    int32_t IsExposureSecondsSupported() override { return script_.exposureSeconds; }
    double GetExposureSecondsDefault() override { return 0.01; }

    int32_t ReadFpgaRegister(int32_t reg, int32_t* ok) override {
        *ok = !script_.registersFail;
        return *ok ? fpga[reg] : 0;
    }
    int32_t WriteFpgaRegister(int32_t reg, int32_t value) override {
        if (script_.registersFail) return 0;
        fpga[reg] = value;
        return 1;
    }
    int32_t ReadRegister(int32_t, int32_t address, int32_t* ok) override {
        *ok = !script_.registersFail;
        return *ok ? registers[address] : 0;
    }
    int32_t WriteRegister(int32_t, int32_t address, int32_t value) override {
        if (script_.registersFail) return 0;
        registers[address] = value;
        return 1;
    }
    int32_t ReadEeprom(int32_t address, uint8_t* value) override {
        Log("ReadEeprom " + std::to_string(address));
        if (eepromReadsLeft-- <= 0) return 0;
        auto found = eeprom.find(address);
        *value = found == eeprom.end() ? 0xFF : found->second;
        return 1;
    }
    int32_t WriteEeprom(int32_t address, int32_t value) override {
        Log("WriteEeprom " + std::to_string(address) + " " + std::to_string(value));
        if (eepromWritesFail) return 0;
        if (eepromWritesIgnored > 0) {
            --eepromWritesIgnored;
            return 1;
        }
        eeprom[address] = static_cast<uint8_t>(value);
        return 1;
    }
    int32_t IsInternalCorrectionSupported(int32_t, int32_t) override {
        return script_.internalCorrection;
    }
    int32_t GetInternalCorrection() override { return fpga[209] & 1; }
    int32_t SetInternalCorrection(int32_t on) override {
        fpga[209] = on ? 1 : 0;
        return 1;
    }
    int32_t GetGainMin() override { return 0; }
    int32_t GetGainMax() override { return 480; }
    int32_t GetColorGainMin() override { return 1; }
    int32_t GetColorGainMax() override { return 2; }
    int32_t GetExposureTimeMin() override { return 3; }
    int32_t GetExposureTimeMax() override { return 600000; }
    double GetExposureSecondsMin() override { return 0.0001; }
    double GetExposureSecondsMax() override { return 60.0; }

    int32_t Supports8BitModes() override { return script_.eightBit; }
    int32_t Supports16BitMode(int32_t) override { return script_.sixteenBit; }
    int32_t SupportsColorModes() override { return script_.color; }

    int32_t SetGain(int32_t v) override { return Log("SetGain", v); }
    int32_t SetColorGainGreen1(int32_t v) override { return Log("SetColorGainGreen1", v); }
    int32_t SetColorGainRed(int32_t v) override { return Log("SetColorGainRed", v); }
    int32_t SetColorGainBlue(int32_t v) override { return Log("SetColorGainBlue", v); }
    int32_t SetColorGainGreen2(int32_t v) override { return Log("SetColorGainGreen2", v); }
    int32_t SetExposureTime(int32_t v) override { return Log("SetExposureTime", v); }
    int32_t SetExposureSeconds(double s) override {
        return Log("SetExposureSeconds", static_cast<int32_t>(s * 1e6));
    }
    int32_t SetMirror(int32_t v) override { return Log("SetMirror", v); }
    int32_t SetFlip(int32_t v) override { return Log("SetFlip", v); }
    int32_t HasCooler() override { return script_.cooler; }
    int32_t SetCooler(int32_t v) override { return Log("SetCooler", v); }

  private:
    void Log(const std::string& line) { log_->push_back(line); }
    int32_t Log(const std::string& name, int32_t value) {
        Log(name + " " + std::to_string(value));
        return 1;
    }

    Script script_;
    std::vector<std::string>* log_;
    int32_t openInstance_ = 0;
};

}  // namespace kelvra::test
