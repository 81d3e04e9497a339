// The abstract base of every sensor driver: 147 virtual operations in interface order (the
// destructor is position 0), the sensor descriptor, and the register routines every driver uses
// to reach its sensor and the camera's FPGA through the controller.
//
// A driver reaches the hardware only through the CControllerBase it is given; it does not own
// it, and with none every operation that needs the hardware answers 0 and stores nothing.
// Operations a class does not implement keep the defaults here, which as a rule report the
// feature as unsupported (0).
//
// Threads: a driver serves the application's calling threads through the device core, and the
// device core's transfer thread runs PulseReadoutRestart. Direct sensor register access is
// serialised by the driver's register lock; the descriptor is guarded by its own lock and the
// small state words are atomic, so concurrent calls never race in memory. Callers must still not
// run two operations that write the same registers at once (a window change and an exposure
// change both rewrite the frame length).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/CriticalSection.h"
#include "sensors/SensorDescriptor.h"
#include "transport/CControllerBase.h"

namespace kelvra {

// One FPGA trigger-timing program (verified quick writes, in this order): trigger off, the
// exposure lines, the two timing parameters, the delay bytes, then the trigger code.
struct TriggerTimingProgram {
    uint32_t exposureLines = 0;
    uint8_t timing0 = 0;  // register 0x54
    uint8_t timing1 = 0;  // register 0x55
    std::array<uint8_t, 3> delay{};
    int delayBytes = 3;             // 0x50, 0x51 and, with 3, 0x52
    bool writeExposureTop = false;  // also bits 24-27 of the exposure to 0x9C
    bool switchTrigger = true;      // 0x58 = 0 first and 0x58 = triggerCode last
    uint8_t triggerCode = 2;
    bool raisedTimer = false;  // the variant run with the 1 ms system timer
};

class CSensorBase {
  public:
    using SleepFunction = std::function<void(uint32_t ms)>;
    using TickFunction = std::function<uint32_t()>;

    static constexpr int32_t kTriggerModeUnset = 15;  // neither free-running nor triggered
    static constexpr int32_t kDefaultWaitValue = 300;

    // Zeroes the descriptor and state, then sets the base defaults.
    CSensorBase(CControllerBase* controller, uint8_t busAddress);
    CSensorBase(const CSensorBase&) = delete;
    CSensorBase& operator=(const CSensorBase&) = delete;

    // ---- virtual operations, in interface order ------------------------------------------
    virtual ~CSensorBase();                           // 0
    virtual int32_t SetModelCode(int32_t code);       // 1
    virtual int32_t PresetTriggerMode(int32_t mode);  // 2
    virtual int32_t GetTriggerModeValue();            // 3
    virtual int32_t ProbeSensor();                    // 4
    virtual int32_t InitSensor();                     // 5
    virtual int32_t RecoverSensor();                  // 6
    virtual int32_t ForceReady();                     // 7
    virtual int32_t SetReadoutWindow(int32_t x, int32_t width, int32_t y, int32_t height,
                                     int32_t mode);  // 8
    virtual int32_t GetReadoutWindow(int32_t* x, int32_t* width, int32_t* y, int32_t* height,
                                     int32_t* mode);                                   // 9
    virtual int32_t SetTriggerMode(int32_t mode);                                      // 10
    virtual int32_t GetTriggerMode(int32_t* mode);                                     // 11
    virtual int32_t SetTriggerPolarity(int32_t polarity);                              // 12
    virtual int32_t ApplyTriggerPolarity();                                            // 13
    virtual int32_t IsTriggerPolaritySupported();                                      // 14
    virtual int32_t SetOutputBits(int32_t sixteen);                                    // 15
    virtual int32_t SetExposureLines(int32_t lines);                                   // 16
    virtual int32_t GetExposureLines(int32_t* lines);                                  // 17
    virtual int32_t SetGain(int32_t gain);                                             // 18
    virtual int32_t GetGain(int32_t* gain);                                            // 19
    virtual int32_t SetColorGainRed(int32_t gain);                                     // 20
    virtual int32_t GetColorGainRed(int32_t* gain);                                    // 21
    virtual int32_t SetColorGainGreen1(int32_t gain);                                  // 22
    virtual int32_t GetColorGainGreen1(int32_t* gain);                                 // 23
    virtual int32_t SetColorGainGreen2(int32_t gain);                                  // 24
    virtual int32_t GetColorGainGreen2(int32_t* gain);                                 // 25
    virtual int32_t SetColorGainBlue(int32_t gain);                                    // 26
    virtual int32_t GetColorGainBlue(int32_t* gain);                                   // 27
    virtual int32_t GetExposureLinesMin(int32_t* lines);                               // 28
    virtual int32_t GetExposureLinesMax(int32_t* lines);                               // 29
    virtual int32_t GetExposureLinesDefault(int32_t* lines);                           // 30
    virtual int32_t GetGainMin(int32_t* gain);                                         // 31
    virtual int32_t GetGainMax(int32_t* gain);                                         // 32
    virtual int32_t GetGainDefault(int32_t* gain);                                     // 33
    virtual int32_t GetColorGainMin(int32_t* gain);                                    // 34
    virtual int32_t GetColorGainMax(int32_t* gain);                                    // 35
    virtual int32_t GetColorGainDefault(int32_t* gain);                                // 36
    virtual int32_t SetChannelGain(int32_t channel, int32_t value);                    // 37
    virtual int32_t GetChannelGain(int32_t channel, int32_t* value);                   // 38
    virtual int32_t GetChannelGainMin(int32_t* value);                                 // 39
    virtual int32_t GetChannelGainMax(int32_t* value);                                 // 40
    virtual int32_t GetChannelGainDefault(int32_t* value);                             // 41
    virtual int32_t SetChannelOffset(int32_t channel, int32_t value);                  // 42
    virtual int32_t GetChannelOffset(int32_t channel, int32_t* value);                 // 43
    virtual int32_t GetChannelOffsetMin(int32_t* value);                               // 44
    virtual int32_t GetChannelOffsetMax(int32_t* value);                               // 45
    virtual int32_t GetChannelOffsetDefault(int32_t* value);                           // 46
    virtual int32_t IsBlackLevelSupported();                                           // 47
    virtual int32_t SetBlackLevel(int32_t level);                                      // 48
    virtual int32_t GetBlackLevel(int32_t* level);                                     // 49
    virtual int32_t GetBlackLevelMin(int32_t* level);                                  // 50
    virtual int32_t GetBlackLevelMax(int32_t* level);                                  // 51
    virtual int32_t GetBlackLevelDefault(int32_t* level);                              // 52
    virtual int32_t IsAuxModeSupported();                                              // 53
    virtual int32_t SetAuxMode(int32_t on);                                            // 54
    virtual int32_t GetAuxMode(int32_t* on);                                           // 55
    virtual int32_t IsAnalogGainStepSupported();                                       // 56
    virtual int32_t GetAnalogGainStepMin(int32_t* step);                               // 57
    virtual int32_t GetAnalogGainStepMax(int32_t* step);                               // 58
    virtual int32_t GetAnalogGainStepDefault(int32_t* step);                           // 59
    virtual int32_t GetAnalogGainStep(int32_t* step);                                  // 60
    virtual int32_t SetAnalogGainStep(int32_t step);                                   // 61
    virtual int32_t ReadAnalogGainStep(int32_t* step);                                 // 62
    virtual int32_t GetAnalogGainStepLabel(int32_t step, char* text, int32_t length);  // 63
    virtual int32_t SetExposureTime(int32_t time);                                     // 64
    virtual int32_t GetExposureTime(int32_t* time);                                    // 65
    virtual int32_t GetExposureTimeMin(int32_t* time);                                 // 66
    virtual int32_t GetExposureTimeMax(int32_t* time);                                 // 67
    virtual int32_t GetExposureTimeDefault(int32_t* time);                             // 68
    virtual int32_t SetMirror(int32_t on);                                             // 69
    virtual int32_t GetMirror(int32_t* on);                                            // 70
    virtual int32_t SetFlip(int32_t on);                                               // 71
    virtual int32_t GetFlip(int32_t* on);                                              // 72
    virtual int32_t GetMirrorDefault(int32_t* on);                                     // 73
    virtual int32_t GetFlipDefault(int32_t* on);                                       // 74
    virtual int32_t IsMirrorSupported();                                               // 75
    virtual int32_t IsFlipSupported();                                                 // 76
    virtual int32_t ExtendedCommand(int32_t type, int32_t* value);                     // 77
    virtual int32_t WriteRegister(int32_t address, int32_t value);                     // 78
    virtual int32_t ReadRegister(int32_t address, int32_t* value);                     // 79
    virtual int32_t WriteRegisterSafe(int32_t address, int32_t value);                 // 80
    virtual int32_t ReadRegisterSafe(int32_t address, int32_t* value);                 // 81
    virtual int32_t SetWaitValue(int32_t value);                                       // 82
    virtual int32_t GetWaitValue(int32_t* value);                                      // 83
    virtual int32_t Reserved84();                                                      // 84
    virtual int32_t Reserved85();                                                      // 85
    virtual int32_t Reserved86();                                                      // 86
    virtual int32_t Reserved87();                                                      // 87
    virtual int32_t SetPixelClockMode(int32_t mode);                                   // 88
    virtual int32_t GetPixelClockMode(int32_t* mode);                                  // 89
    virtual int32_t Reserved90();                                                      // 90
    virtual int32_t Reserved91();                                                      // 91
    virtual int32_t GetDescriptor(SensorDescriptor* out);                              // 92
    virtual void RestartSensor();                                                      // 93
    virtual void SendAuxCommand();                                                     // 94
    virtual int32_t IsInternalCorrectionSupported(int32_t subModel, int32_t flag);     // 95
    virtual int32_t SetInternalCorrection(int32_t level);                              // 96
    virtual int32_t GetInternalCorrectionRaw();                                        // 97
    virtual int32_t HasCooler();                                                       // 98
    virtual int32_t GetCoolerState();                                                  // 99
    virtual int32_t SetCooler(int32_t on);                                             // 100
    virtual int32_t IsTemperatureSupported();                                          // 101
    virtual int32_t GetTemperature(double* celsius);                                   // 102
    virtual int32_t SensorOperation103();                                              // 103
    virtual void SensorOperation104();                                                 // 104
    virtual void SensorOperation105(int32_t wait);                                     // 105
    virtual int32_t SensorOperation106();                                              // 106
    virtual int32_t SensorOperation107();                                              // 107
    virtual int32_t SensorOperation108();                                              // 108
    virtual int32_t SensorOperation109();                                              // 109
    virtual int32_t SensorOperation110();                                              // 110
    virtual int32_t ReceiveText(char* text, int32_t length);                           // 111
    virtual int32_t SendText(const char* text, int32_t length);                        // 112
    virtual int32_t SensorOperation113();                                              // 113
    virtual int32_t SensorOperation114();                                              // 114
    virtual int32_t SensorOperation115();                                              // 115
    virtual int32_t SensorOperation116();                                              // 116
    virtual int32_t SensorOperation117();                                              // 117
    virtual int32_t SensorOperation118();                                              // 118
    virtual int32_t SensorOperation119();                                              // 119
    virtual int32_t SensorOperation120();                                              // 120
    virtual int32_t IsExposureSecondsSupported();                                      // 121
    virtual double GetExposureSecondsMin(double* seconds);                             // 122
    virtual double GetExposureSecondsMax(double* seconds);                             // 123
    virtual double GetExposureSecondsDefault(double* seconds);                         // 124
    virtual int32_t GetExposureSeconds(double* seconds);                               // 125
    virtual int32_t SetExposureSeconds(double seconds);                                // 126
    virtual int32_t IsShortExposureModeSupported();                                    // 127
    virtual int32_t GetShortExposureMode(int32_t* on);                                 // 128
    virtual int32_t SetShortExposureMode(int32_t on);                                  // 129
    virtual int32_t SensorOperation130();                                              // 130
    virtual int32_t SensorOperation131();                                              // 131
    virtual int32_t IsGainModeSupported();                                             // 132
    virtual int32_t GetGainMode();                                                     // 133
    virtual int32_t SetGainMode(int32_t mode);                                         // 134
    virtual int32_t SensorOperation135();                                              // 135
    virtual int32_t SensorOperation136();                                              // 136
    virtual int32_t SensorOperation137();                                              // 137
    virtual int32_t Supports8BitModes();                                               // 138
    virtual int32_t Supports16BitMode(int32_t query);                                  // 139
    virtual int32_t SupportsColorModes();                                              // 140
    virtual int32_t IsFpgaOptionAvailable();                                           // 141
    virtual int32_t EnableFpgaOption();                                                // 142
    virtual int32_t SensorOperation143();                                              // 143
    virtual int32_t SensorOperation144();                                              // 144
    virtual int32_t SensorOperation145();                                              // 145
    virtual void SensorOperation146();                                                 // 146

    // ---- non-virtual services for the device core ----------------------------------------
    int32_t PulseReadoutRestart();
    uint16_t GetHardwareInfo();
    int32_t GetModelCode() const { return m_modelCode.load(); }
    int32_t GetRestartPulseFlag() const { return m_restartPulse.load(); }

    // Replaces the sleeps the driver's sequences prescribe; tests record them instead of
    // waiting. Call before the driver is shared between threads. Default: a real sleep.
    void SetSleepFunction(SleepFunction sleep);
    // Replaces the millisecond tick the driver's time limits are measured with (32 bits,
    // wrapping). Same rules as SetSleepFunction. Default: the system's tick count.
    void SetTickFunction(TickFunction tick);

    // Where the FPGA cuts the frame out of the sensor's lines: the line and column offsets the
    // device core programs into FPGA registers 72/73 and 76/77. False for classes whose offsets
    // the device core computes itself (the IMX990 family) or that have none.
    bool GetFpgaReadoutOffsets(int32_t* line, int32_t* column) const;

  protected:
    // Register routines on the controller.
    int32_t WriteFpga(uint8_t reg, uint8_t value);
    int32_t ReadFpga(uint8_t reg, uint8_t* value);
    int32_t WriteFpgaVerifiedSlow(uint8_t reg, uint8_t value);
    int32_t WriteFpgaVerifiedQuick(uint8_t reg, uint8_t value);
    int32_t WriteFpgaVerifiedQuickTimer(uint8_t reg, uint8_t value);
    int32_t WriteSensorDirect(uint16_t address, uint8_t value, bool pauseFirst);
    int32_t ReadSensorDirect(uint16_t address, uint8_t* value);
    int32_t ProgramTriggerTiming(const TriggerTimingProgram& program);
    static std::array<uint8_t, 3> TriggerDelayBytes(uint32_t delay);

    // Exposure from nanoseconds, ending in SetExposureLines.
    int32_t SetExposureNanoseconds(double ns);       // line period follows the window height
    int32_t SetExposureNanosecondsFixed(double ns);  // fixed line period

    void Sleep(uint32_t ms) const;
    uint32_t Tick() const;
    void SetFpgaReadoutOffsets(int32_t line, int32_t column);

    // Runs `access` with the sensor bus obtained from the FPGA, which shares it: the bus is
    // requested (0x9F = 1), then up to 100 times, when the FPGA reports it free, `access` runs;
    // 3 ms between tries. The request is always withdrawn (0x9F = 0). Returns 1 once `access`
    // succeeded, 0 after the last try, without a controller, or at once when the camera has gone.
    int32_t WithSensorBus(const std::function<bool()>& access);
    CControllerBase* Controller() const { return m_controller; }
    uint8_t BusAddress() const { return m_busAddress; }

    // The descriptor: a snapshot to read, a change applied under its lock.
    SensorDescriptor Descriptor() const;
    template <class Change>
    void UpdateDescriptor(Change&& change) {
        std::lock_guard lock(m_descriptorLock);
        change(m_descriptor);
    }

    std::atomic<int32_t> m_triggerMode{kTriggerModeUnset};
    std::atomic<int32_t> m_modelCode{0};
    std::atomic<int32_t> m_triggerPolarity{0};
    std::atomic<int32_t> m_restartPulse{1};  // 1 = restart the readout after the next change
    std::atomic<int32_t> m_waitValue{kDefaultWaitValue};
    std::atomic<int32_t> m_flag{1};            // set by the constructor for one class's use
    std::atomic<uint8_t> m_fpgaOption{0};      // FPGA option byte, 0 = not yet read
    platform::CriticalSection m_registerLock;  // direct sensor register access

  private:
    int32_t WriteFpgaVerified(uint8_t reg, uint8_t value, int attempts, uint32_t waitMs);
    int32_t LinesFromNanoseconds(double ns, double periodNs);
    uint16_t FetchHardwareInfo();

    CControllerBase* const m_controller;  // not owned; null: no hardware
    const uint8_t m_busAddress;
    SleepFunction m_sleep;                  // set before the driver is shared, then only called
    TickFunction m_tick;                    // likewise
    std::atomic<int32_t> m_offsetLine{-1};  // -1: no offsets of the class's own
    std::atomic<int32_t> m_offsetColumn{-1};

    mutable std::mutex m_descriptorLock;
    SensorDescriptor m_descriptor;  // guarded by m_descriptorLock

    std::atomic<uint16_t> m_hardwareInfo{0};  // 0 = not yet read
    std::mutex m_hardwareInfoFetch;           // one fetch at a time
};

}  // namespace kelvra
