// What the 41 driver classes of the camera line beyond the IMX990 family share: the descriptor
// filled from the class's table of facts, the setter marks of the family table, register access
// by the way the class reaches its sensor, clamping and storing of every limited setting, the
// exposure conversions, and the trigger pattern.
//
// Each public setter of the table asks the class's mark: '1' answers 1 without hardware action,
// '0' and '.' keep the base answer, 'Y' clamps as the descriptor says, runs the class's own
// register program (a Program... hook the mechanism classes supply) and stores the value only
// when the hardware took it.
//
// Threads: as CSensorBase. Stored values are in the descriptor (under its lock) or atomic.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "sensors/CSensorBase.h"
#include "sensors/FamilyFacts.h"

namespace kelvra {

class CSensorFamily : public CSensorBase {
  public:
    int32_t ProbeSensor() override;
    int32_t InitSensor() override;
    int32_t SetReadoutWindow(int32_t x, int32_t width, int32_t y, int32_t height,
                             int32_t mode) override;
    int32_t SetTriggerMode(int32_t mode) override;
    int32_t SetOutputBits(int32_t sixteen) override;
    int32_t SetExposureLines(int32_t lines) override;
    int32_t SetGain(int32_t gain) override;
    int32_t SetColorGainRed(int32_t gain) override;
    int32_t GetColorGainRed(int32_t* gain) override;
    int32_t SetColorGainGreen1(int32_t gain) override;
    int32_t GetColorGainGreen1(int32_t* gain) override;
    int32_t SetColorGainGreen2(int32_t gain) override;
    int32_t GetColorGainGreen2(int32_t* gain) override;
    int32_t SetColorGainBlue(int32_t gain) override;
    int32_t GetColorGainBlue(int32_t* gain) override;
    int32_t SetChannelGain(int32_t channel, int32_t value) override;
    int32_t GetChannelGain(int32_t channel, int32_t* value) override;
    int32_t GetChannelGainMin(int32_t* value) override;
    int32_t GetChannelGainMax(int32_t* value) override;
    int32_t GetChannelGainDefault(int32_t* value) override;
    int32_t SetChannelOffset(int32_t channel, int32_t value) override;
    int32_t GetChannelOffset(int32_t channel, int32_t* value) override;
    int32_t GetChannelOffsetMin(int32_t* value) override;
    int32_t GetChannelOffsetMax(int32_t* value) override;
    int32_t GetChannelOffsetDefault(int32_t* value) override;
    int32_t SetBlackLevel(int32_t level) override;
    int32_t SetExposureTime(int32_t time) override;
    int32_t SetMirror(int32_t on) override;
    int32_t SetFlip(int32_t on) override;
    int32_t WriteRegister(int32_t address, int32_t value) override;
    int32_t ReadRegister(int32_t address, int32_t* value) override;
    int32_t WriteRegisterSafe(int32_t address, int32_t value) override;
    int32_t ReadRegisterSafe(int32_t address, int32_t* value) override;
    int32_t HasCooler() override;
    int32_t GetCoolerState() override;
    int32_t SetCooler(int32_t on) override;
    int32_t IsTemperatureSupported() override;
    int32_t GetTemperature(double* celsius) override;
    int32_t SetExposureSeconds(double seconds) override;
    int32_t IsGainModeSupported() override;
    int32_t GetGainMode() override;
    int32_t SetGainMode(int32_t mode) override;
    int32_t Supports8BitModes() override;
    int32_t Supports16BitMode(int32_t query) override;
    int32_t SupportsColorModes() override;

    const FamilyFacts& Facts() const { return m_facts; }
    Mark MarkFor(Setter column) const { return MarkOf(m_facts, column); }

    // Timing of a trigger pattern: FPGA registers 0x54 and 0x55, and the lines the FPGA waits
    // beyond exposure and window.
    struct TriggerTiming {
        uint8_t timing0;
        uint8_t timing1;
        uint32_t delayExtra;
    };

    // Channel gain and offset ranges of the four-channel classes.
    static constexpr int32_t kChannelMax = 65535;
    static constexpr int32_t kChannelGainDefault = 4096;
    static constexpr int32_t kChannels = 4;

  protected:
    struct Window {
        int32_t x, width, y, height, mode;
    };

    CSensorFamily(CControllerBase* controller, uint8_t busAddress, const FamilyFacts& facts);

    // ---- the class's own register programs (marks 'Y'); 1 when the hardware took it -------
    // Start-up sequence; the default applies the descriptor defaults (ApplyDefaults).
    virtual int32_t ProgramInit();
    // May round `w` to what the sensor can read; 0 refuses the window, nothing written.
    virtual int32_t ProgramWindow(Window& w);
    virtual int32_t ProgramTrigger(int32_t mode);
    virtual int32_t ProgramOutputBits(int32_t bits);  // 8 or 16
    virtual int32_t ProgramExposureLines(int32_t lines);
    virtual int32_t ProgramGain(int32_t gain);
    virtual int32_t ProgramColorGain(SensorColorChannel channel, int32_t gain);
    virtual int32_t ProgramChannelGain(int32_t channel, int32_t value);
    virtual int32_t ProgramChannelOffset(int32_t channel, int32_t value);
    // *stored receives what the class keeps as the current level.
    virtual int32_t ProgramBlackLevel(int32_t level, int32_t* stored);
    // Exposure in nanoseconds; the default converts to lines and calls SetExposureLines.
    virtual int32_t ProgramExposureNs(double ns);
    virtual int32_t ProgramMirror(bool on);
    virtual int32_t ProgramFlip(bool on);
    virtual int32_t ProgramCooler(bool on);
    virtual int32_t CoolerState();  // 1 on, 0 off or unreadable
    virtual bool CoolerFitted();
    virtual bool TemperatureAvailable();
    virtual int32_t ReadTemperature(double* celsius);
    virtual int32_t ReadGainMode();  // 0 high, 1 low, -1 unreadable
    virtual int32_t ProgramGainMode(int32_t mode);

    // Applies the descriptor's defaults through the public setters: gain, exposure, the
    // reversals and the default window, each where the class implements it. 1 when every one
    // that was applied succeeded.
    int32_t ApplyDefaults();

    // ---- register access by the class's bus ----------------------------------------------
    // One sensor register (8- or 16-bit value as the bus carries). 1 or 0.
    int32_t Write(uint16_t address, uint16_t value);
    int32_t Read(uint16_t address, uint16_t* value);
    // A value spread over `bytes` consecutive 8-bit registers, low byte first; stops at the
    // first failed write.
    int32_t WriteBytes(uint16_t address, uint32_t value, int bytes);
    // Write, or WriteRegisterSafe where the class arbitrates for the bus.
    int32_t WriteArbitrated(uint16_t address, uint16_t value);

    // The FPGA trigger pattern of the classes with a trigger input: the sensor stands by
    // while FPGA register 0x58 and the timing change (trigger on: the timing program with the
    // exposure, `timing0`/`timing1` and a delay of exposure + height + `delayExtra` lines;
    // off: 0x58 = 0 verified), the sensor's trigger input follows (SetSensorTriggerInput),
    // then the readout restarts. 1 when every step succeeded.
    int32_t SwitchTriggerPattern(int32_t mode, const TriggerTiming& timing);
    virtual int32_t SetStandby(bool on);
    virtual int32_t SetSensorTriggerInput(bool external);

    // Line period in nanoseconds of the current line length at the sensor clock; 0 without a
    // clock.
    virtual double LinePeriodNs() const;
    // Frame time in ms of `frameLength` lines.
    uint32_t FrameTimeMs(int64_t frameLength) const;

    // Clamps into [min, max].
    static int32_t Clamp(int32_t value, int32_t min, int32_t max);

  private:
    int32_t SetColorGain(SensorColorChannel channel, int32_t gain);
    int32_t GetColorGain(SensorColorChannel channel, int32_t* gain);
    int32_t WriteBus(uint16_t address, uint16_t value);
    int32_t ReadBus(uint16_t address, uint16_t* value);
    bool ChannelsOwn() const { return MarkFor(Setter::Channels) == Mark::Own; }

    const FamilyFacts m_facts;
    std::array<std::atomic<int32_t>, kChannels> m_channelGain{};
    std::array<std::atomic<int32_t>, kChannels> m_channelOffset{};
};

}  // namespace kelvra
