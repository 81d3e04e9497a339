// What the four IMX990-family drivers (IMX990, IMX991, IMX992, IMX993) share: the descriptor
// pattern, the sub-model codes, bus-arbitrated register access, gain, mirror and flip, cooler
// and temperature. The two driver generations (CSensorImxFirstGen, CSensorImxSecondGen) add
// window, exposure and trigger; each concrete class supplies its table of facts.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "sensors/CSensorBase.h"

namespace kelvra {

// Per-class facts of the family, one table per concrete class.
struct ImxFacts {
    int32_t uncooledModelCode;  // constructor default, orientation 4
    int32_t cooledModelCode;    // orientation 1, cooler fitted
    int32_t maxWidth;
    int32_t maxHeight;
    int32_t lineLength;   // descriptor horizontal total
    int32_t frameLength;  // descriptor vertical total
    int32_t exposureLinesMin;
    int32_t exposureLinesMax;
    int32_t exposureLinesDefault;
    int32_t exposureTimeDefault;  // 0.1 ms
    double exposureSecondsMin;
    double exposureSecondsDefault;
    int32_t outputBits;   // 8, or 0 until SetOutputBits
    int32_t triggerMode;  // stored trigger mode after construction
    int32_t blackLevelSupported;
    int32_t blackLevelMax;
    int32_t blackLevelDefault;
    int32_t auxModeSupported;
    bool verifiesSafeWrite;            // WriteRegisterSafe reads the register back
    bool pausesBeforeWrite;            // 1 ms before each direct register write
    bool gainNeedsBothWrites;          // SetGain fails when either gain register fails
    bool coolerReadModifyWrite;        // SetCooler changes only bit 0 of the cooler register
    bool internalCorrectionFlag;       // information word bit 15 reports in-camera correction
    uint16_t fpgaTemperatureFromInfo;  // information word from which the FPGA has the temperature
};

class CSensorImxFamily : public CSensorBase {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    ~CSensorImxFamily() override;

    int32_t SetModelCode(int32_t code) override;
    int32_t ProbeSensor() override;
    int32_t SetGain(int32_t gain) override;
    int32_t SetMirror(int32_t on) override;
    int32_t SetFlip(int32_t on) override;
    int32_t WriteRegister(int32_t address, int32_t value) override;
    int32_t ReadRegister(int32_t address, int32_t* value) override;
    int32_t WriteRegisterSafe(int32_t address, int32_t value) override;
    int32_t ReadRegisterSafe(int32_t address, int32_t* value) override;
    int32_t IsInternalCorrectionSupported(int32_t subModel, int32_t flag) override;
    int32_t HasCooler() override;
    int32_t GetCoolerState() override;
    int32_t SetCooler(int32_t on) override;
    int32_t IsTemperatureSupported() override;
    int32_t GetTemperature(double* celsius) override;
    int32_t SupportsColorModes() override;

    // Frame time in ms as the exposure code last computed it.
    int32_t GetFrameTimeMs() const { return m_frameTimeMs.load(); }
    // 1 after a window change that no SetTriggerMode has seen yet.
    int32_t IsWindowChanged() const { return m_windowChanged.load(); }

    // A 12-bit two's-complement temperature in 1/8 degree, in degrees Celsius.
    static double TemperatureFromRaw(uint16_t raw);

  protected:
    CSensorImxFamily(CControllerBase* controller, uint8_t busAddress, const ImxFacts& facts);

    // The FPGA column offset for the flip state and readout mode.
    virtual int32_t ColumnOffset(bool flip, int32_t mode) = 0;
    // One write of the exposure sequences (frame length, shutter).
    virtual int32_t WriteTimingRegister(uint16_t address, uint8_t value) = 0;

    const ImxFacts& Facts() const { return m_facts; }
    int32_t WriteSafe(uint16_t address, uint8_t value);
    int32_t WriteSafeThenWait(uint16_t address, uint8_t value, uint32_t waitMs);
    int32_t ReadSafe(uint16_t address, uint8_t* value);

    // Frame length N to 0x2D4-0x2D6 in the order that keeps the sensor's frame consistent
    // while the bytes change, `reference` being the frame length last in force.
    int32_t WriteFrameLengthOrdered(uint32_t n, uint32_t reference);
    // Frame length or shutter, high byte first.
    int32_t WriteHighFirst(uint16_t address0, uint32_t value);

    // The trigger-mode entry shared by every class: true when the hardware is already in the
    // requested free-running state, so nothing is to be done. Clears the window-changed flag.
    bool TriggerAlreadyFreeRunning(int32_t mode);

    // Stores a new current window and raises the window-changed flag when it moved.
    void StoreWindow(int32_t x, int32_t y, int32_t width, int32_t height, int32_t mode);
    // The window as last requested by the caller, re-applied when the output bits change.
    void RememberRequest(int32_t x, int32_t width, int32_t y, int32_t height, int32_t mode);
    int32_t ReapplyRequestedWindow();

    std::atomic<int32_t> m_frameTimeMs{0};
    std::atomic<int32_t> m_windowChanged{0};

  private:
    struct WindowRequest {
        int32_t x, width, y, height, mode;
    };

    bool TemperatureFromFpga(uint16_t* raw);
    bool TemperatureFromSensor(uint16_t* raw);

    const ImxFacts m_facts;
    std::mutex m_requestLock;
    WindowRequest m_request{};  // guarded by m_requestLock
};

}  // namespace kelvra
