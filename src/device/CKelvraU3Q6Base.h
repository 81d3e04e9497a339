// The device core: one camera as the front object sees it, through 187 virtual operations.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "KelvraSdk.h"
#include "device/FrameRateMeter.h"
#include "device/FrameRing.h"
#include "device/InterfaceGuid.h"
#include "device/SensorFactory.h"
#include "device/TransferCounters.h"
#include "platform/Event.h"
#include "platform/Thread.h"
#include "sensors/CSensorBase.h"
#include "sensors/SensorDescriptor.h"
#include "transport/CNorluxCy3Cam.h"
#include "transport/FrameRequest.h"

namespace kelvra {

// The camera as a device. Every operation is implemented here; the concrete class
// CKelvraUSB3Q6SimpleSdk overrides only the destructor. Results are 32-bit integers: nonzero
// is success or "yes", 0 failure or "not supported", unless an operation says otherwise.
//
// The core owns the controller (CNorluxCy3Cam, from CreateController to CloseCamera), the
// sensor driver (from OpenCamera to CloseCamera), the frame ring and the transfer thread.
// Forwarders to the sensor driver answer, without one, 0 (GetGainMode and SensorOperation136:
// -1; the display-mode, FPGA-option and SensorOperation144 forwarders: 1).
//
// Threads: operations come from the application's threads through the front, one at a time
// apart from the frame readers (WaitFrame, CopyFrame and the GetImage family), which may run on
// an acquisition thread while another thread controls the camera. The transfer thread shares
// only atomic fields, the frame ring (see FrameRing) and the two events with them. A derived
// class must stop the transfer (CloseCamera) in its own destructor.
class CKelvraU3Q6Base {
  public:
    // Virtual operations in the interface, the destructor included.
    static constexpr int32_t kOperationCount = 187;
    static constexpr int32_t kMaxDevices = 32;
    static constexpr int32_t kNoProductId = -1;
    static constexpr int32_t kInfoBlockBytes = 64;
    static constexpr int32_t kSensorDescriptorBytes = 368;
    static constexpr int32_t kDefaultFrameTimeoutMs = 5000;
    static constexpr int32_t kDefaultRingDepth = 4;
    static constexpr int32_t kLargeRingDepth = 8;

    CKelvraU3Q6Base() = default;
    CKelvraU3Q6Base(const CKelvraU3Q6Base&) = delete;
    CKelvraU3Q6Base& operator=(const CKelvraU3Q6Base&) = delete;

    // 0-9: lifecycle, information blocks, open and close.
    virtual ~CKelvraU3Q6Base() = 0;
    virtual int32_t CreateController(HWND window, const InterfaceGuid* guid);
    virtual int32_t InitializeCamera();
    virtual int32_t CloseCamera();
    virtual int32_t GetInfoBlockA(uint8_t* block);
    virtual int32_t GetDescriptor(SensorDescriptor* descriptor);
    virtual int32_t GetInfoBlockB(uint8_t* block);
    virtual int32_t ReopenCamera(int32_t instance);
    virtual int32_t OpenCamera(int32_t instance);
    virtual int32_t Reserved9();

    // 10-20: discovery and product identity.
    virtual int32_t IsDevicePresent(int32_t instance);
    virtual int32_t CountDevices(int32_t productId);
    virtual int32_t GetDeviceModelName(int32_t index, char* text, int32_t length);
    virtual int32_t SetProductId(int32_t productId);
    virtual int32_t GetProductId();
    virtual int32_t GetDeviceVendorId(int32_t index);
    virtual int32_t GetDeviceProductId(int32_t index);
    virtual int32_t GetDeviceInstance(int32_t index);
    virtual int32_t IsSyncStreamModel();
    virtual int32_t IsBlockStreamModel();
    virtual int32_t GetOpenInstance();

    // 21-40: frame transfer and the frame ring.
    virtual int32_t StartTransfer(int32_t mode);
    virtual int32_t StopTransfer(int32_t wait);
    virtual int32_t CopyFrame(uint8_t* buffer, uint32_t length, int32_t* frameNumber,
                              int32_t* word28, int32_t* word32, int32_t* word40, int32_t* word44,
                              int32_t firstSlot, int32_t topDown);
    virtual int32_t SetCaptureMode(int32_t mode);
    virtual int32_t RestartStream();
    virtual void TransferLoop();
    virtual void TransferLoopSync();
    virtual void TransferLoopBlock();
    virtual int32_t ConfigureBuffers();
    virtual int32_t GetMaxDevices();
    virtual int32_t LatchFrameCounter();
    virtual int32_t CaptureOnce();
    virtual int32_t Reserved33();
    virtual int32_t GetFirstFrame(uint8_t* buffer, uint32_t length, int32_t* frameNumber,
                                  int32_t topDown);
    virtual int32_t SetFrameTimeout(int32_t ms);
    virtual int32_t WaitFrame(int32_t ms);
    virtual int32_t GetImage(uint8_t* buffer, uint32_t length, int32_t* frameNumber,
                             int32_t topDown);
    virtual int32_t GetImageRef(uint8_t* buffer, uint32_t length, uint8_t** slot,
                                int32_t* frameNumber, int32_t firstSlot);
    virtual int32_t GetImageInfo(uint8_t* buffer, uint32_t length, int32_t* frameNumber,
                                 int32_t* word28, int32_t* word32, int32_t* word40, int32_t* word44,
                                 int32_t topDown);
    virtual int32_t Reserved40();

    // 41-65: transfer depth, readout window, clock, mirroring, trigger, EEPROM, descriptor.
    virtual int32_t SetTransferBits(int32_t bits);
    virtual int32_t SetPixelClockMode(int32_t mode);
    virtual int32_t GetPixelClockMode();
    virtual int32_t SetCaptureWindow(int32_t x, int32_t y, int32_t width, int32_t height,
                                     int32_t readoutMode);
    virtual int32_t GetCaptureWindow(int32_t* x, int32_t* y, int32_t* width, int32_t* height,
                                     int32_t* readoutMode);
    virtual int32_t SetFlip(int32_t on);
    virtual int32_t SetMirror(int32_t on);
    virtual int32_t GetFlip();
    virtual int32_t GetMirror();
    virtual int32_t GetFlipDefault();
    virtual int32_t GetMirrorDefault();
    virtual int32_t IsMirrorSupported();
    virtual int32_t IsFlipSupported();
    virtual int32_t SetTriggerMode(int32_t mode, int32_t force);
    virtual int32_t GetTriggerMode();
    virtual int32_t WriteEeprom(int32_t address, int32_t value);
    virtual int32_t ReadEeprom(int32_t address, uint8_t* value);
    virtual int32_t GetWindowFlagA();
    virtual int32_t GetWindowFlagB();
    virtual int32_t GetSensorMaxWidth();
    virtual int32_t GetSensorMaxHeight();
    virtual int32_t GetDefaultWidth();
    virtual int32_t GetDefaultHeight();
    virtual int32_t GetDefaultX();
    virtual int32_t GetDefaultY();

    // 66-86: gain and exposure (time in 0.1 ms, lines, seconds).
    virtual int32_t SetGain(int32_t gain);
    virtual int32_t GetGain();
    virtual int32_t GetGainMin();
    virtual int32_t GetGainMax();
    virtual int32_t GetGainDefault();
    virtual int32_t SetExposureTime(int32_t time);
    virtual int32_t GetExposureTime();
    virtual int32_t GetExposureTimeMin();
    virtual int32_t GetExposureTimeMax();
    virtual int32_t GetExposureTimeDefault();
    virtual int32_t SetExposureLines(int32_t lines);
    virtual int32_t GetExposureLines();
    virtual int32_t GetExposureLinesMin();
    virtual int32_t GetExposureLinesMax();
    virtual int32_t GetExposureLinesDefault();
    virtual int32_t IsExposureSecondsSupported();
    virtual int32_t SetExposureSeconds(double seconds);
    virtual int32_t GetExposureSeconds(double* seconds);
    virtual double GetExposureSecondsMin();
    virtual double GetExposureSecondsMax();
    virtual double GetExposureSecondsDefault();

    // 87-96: analog front-end gain and offset per output channel.
    virtual int32_t SetChannelGain(int32_t channel, int32_t value);
    virtual int32_t GetChannelGain(int32_t channel);
    virtual int32_t GetChannelGainMin();
    virtual int32_t GetChannelGainMax();
    virtual int32_t GetChannelGainDefault();
    virtual int32_t SetChannelOffset(int32_t channel, int32_t value);
    virtual int32_t GetChannelOffset(int32_t channel);
    virtual int32_t GetChannelOffsetMin();
    virtual int32_t GetChannelOffsetMax();
    virtual int32_t GetChannelOffsetDefault();

    // 97-107: colour gains.
    virtual int32_t SetColorGainRed(int32_t gain);
    virtual int32_t GetColorGainRed();
    virtual int32_t SetColorGainGreen1(int32_t gain);
    virtual int32_t GetColorGainGreen1();
    virtual int32_t SetColorGainGreen2(int32_t gain);
    virtual int32_t GetColorGainGreen2();
    virtual int32_t SetColorGainBlue(int32_t gain);
    virtual int32_t GetColorGainBlue();
    virtual int32_t GetColorGainMin();
    virtual int32_t GetColorGainMax();
    virtual int32_t GetColorGainDefault();

    // 108-116: black level and the auxiliary sensor mode.
    virtual int32_t IsBlackLevelSupported();
    virtual int32_t SetBlackLevel(int32_t level);
    virtual int32_t GetBlackLevel();
    virtual int32_t GetBlackLevelMin();
    virtual int32_t GetBlackLevelMax();
    virtual int32_t GetBlackLevelDefault();
    virtual int32_t IsAuxModeSupported();
    virtual int32_t SetAuxMode(int32_t on);
    virtual int32_t GetAuxMode();

    // 117-125: register pass-throughs (sensor, FPGA, sensor bus).
    virtual int32_t WriteRegister(int32_t bank, int32_t address, int32_t value);
    virtual int32_t ReadRegister(int32_t bank, int32_t address, int32_t* ok);
    virtual int32_t WriteFpgaRegister(int32_t reg, int32_t value);
    virtual int32_t ReadFpgaRegister(int32_t reg, int32_t* ok);
    virtual int32_t WriteSensorBus(int32_t reg, uint32_t value, int32_t length);
    virtual int32_t ReadSensorBus(int32_t reg, uint32_t* value, int32_t length);
    virtual int32_t WaitFpgaIdle(int32_t ms);
    virtual int32_t Reserved124();
    virtual int32_t Reserved125();

    // 126-133: sensor restart, auxiliary command, sampling rate, gain mode, EEPROM setting byte.
    virtual int32_t RestartSensor();
    virtual int32_t SendAuxCommand();
    virtual int32_t SetSamplingRate(int32_t index, int32_t* value);
    virtual int32_t IsGainModeSupported();
    virtual int32_t SetGainMode(int32_t mode);
    virtual int32_t GetGainMode();
    virtual int32_t WriteEepromSetting(int32_t value);
    virtual int32_t ReadEepromSetting(uint8_t* value);

    // 134-141: in-camera correction and the 16-bit FPGA parameter.
    virtual int32_t IsInternalCorrectionSupported(int32_t ignored, int32_t flag);
    virtual int32_t GetInternalCorrection();
    virtual int32_t SetInternalCorrection(int32_t on);
    virtual int32_t IsFpgaParameterSupported();
    virtual int32_t SetFpgaParameter(int32_t value);
    virtual int32_t GetFpgaParameter(int32_t* value);
    virtual int32_t GetFpgaParameterMin();
    virtual int32_t GetFpgaParameterMax();

    // 142-148: module text channel, cooler and temperature.
    virtual int32_t ReceiveText(char* text, int32_t length);
    virtual int32_t SendText(const char* text, int32_t length);
    virtual int32_t HasCooler();
    virtual int32_t GetCoolerState();
    virtual int32_t SetCooler(int32_t on);
    virtual int32_t IsTemperatureSupported();
    virtual int32_t GetTemperature(double* celsius);

    // 149-163: class-specific sensor operations (named by their sensor interface position),
    // the second block-stream test and the FPGA die temperature.
    virtual int32_t SensorOperation108();
    virtual int32_t SensorOperation109();
    virtual int32_t SensorOperation110();
    virtual int32_t SensorOperation113();
    virtual int32_t SensorOperation114();
    virtual int32_t SensorOperation115();
    virtual int32_t SensorOperation116();
    virtual int32_t SensorOperation117();
    virtual int32_t SensorOperation118();
    virtual int32_t SensorOperation119();
    virtual int32_t SensorOperation120();
    virtual int32_t IsBlockStreamModel2();
    virtual int32_t GetFpgaTemperature(double* celsius);
    virtual int32_t SensorOperation130();
    virtual int32_t SensorOperation131();

    // 164-169: trigger polarity and the short exposure mode.
    virtual int32_t SetTriggerPolarity(int32_t polarity);
    virtual int32_t ApplyTriggerPolarity();
    virtual int32_t IsTriggerPolaritySupported();
    virtual int32_t IsShortExposureModeSupported();
    virtual int32_t GetShortExposureMode(int32_t* on);
    virtual int32_t SetShortExposureMode(int32_t on);

    // 170-179: coarse analog gain step and class-specific sensor operations.
    virtual int32_t IsAnalogGainStepSupported();
    virtual int32_t GetAnalogGainStepMin();
    virtual int32_t GetAnalogGainStepMax();
    virtual int32_t GetAnalogGainStepDefault();
    virtual int32_t ReadAnalogGainStep();
    virtual int32_t SetAnalogGainStep(int32_t step);
    virtual int32_t GetAnalogGainStepLabel(int32_t step, char* text, int32_t length);
    virtual int32_t SensorOperation135();
    virtual int32_t SensorOperation137();
    virtual int32_t SensorOperation136();

    // 180-186: display colour modes the front may offer, FPGA option, class-specific.
    virtual int32_t Supports8BitModes();
    virtual int32_t Supports16BitMode(int32_t query);
    virtual int32_t SupportsColorModes();
    virtual int32_t IsFpgaOptionAvailable();
    virtual int32_t EnableFpgaOption();
    virtual int32_t SensorOperation144();
    virtual void Reserved186();

    // ---- not part of the camera interface ------------------------------------------------

    using SleepFunction = std::function<void(uint32_t ms)>;
    using TickFunction = std::function<uint32_t()>;

    // Replaces the sleeps the core prescribes (readiness wait, stop sequence, register polls)
    // and the millisecond tick its time limits and frame rate are measured with, and both in
    // the sensor drivers it creates from then on; tests run them on a clock of their own.
    // Null restores the real ones. Call while no transfer runs.
    void SetTimeFunctions(SleepFunction sleep, TickFunction tick);

    // Stands drivers of the caller's own in for the library's from the next OpenCamera on (for
    // example a driver that counts what the core asks of it); a substitute that returns null
    // leaves the library's driver. Null: the library's drivers only. Call while no camera is
    // being opened.
    void SetSensorSubstitute(SensorSubstitute substitute);

    // The open camera's USB link in megabits per second: 5000 (USB 3), 480 (USB 2), 12 (full
    // speed or slower), 0 when unknown or without a camera. Any thread.
    uint32_t LinkSpeedMbps();

    // 1 when the open camera has been found gone (unplugged): reads of it no longer mean
    // anything, even those whose sensor operation reports success. 0 without an open camera,
    // and again once a camera is opened. Any thread that also may call the other operations.
    int32_t CameraLost() const {
        return m_sensor && m_controller && m_controller->DeviceGone() ? 1 : 0;
    }

    // Inspection of core state.
    int32_t RingDepth() const { return m_ringDepth.load(); }
    int32_t ReadMark() const { return m_readMark.load(); }
    int32_t WriteIndex() const { return m_writeIndex.load(); }
    int32_t FrameTimeout() const { return m_frameTimeoutMs.load(); }
    int32_t CaptureMode() const { return m_captureMode.load(); }
    int32_t TransferBits() const { return m_transferBits.load(); }
    int32_t StoredTriggerMode() const { return m_triggerMode.load(); }
    int32_t ReconfigureFlag() const { return m_reconfigure.load(); }
    int32_t TransferErrorFlag() const { return m_transferError.load(); }
    int32_t LastFrameNumber() const { return m_lastFrameNumber.load(); }
    int32_t TriggerFrameCount() const { return m_triggerFrameCount.load(); }
    int32_t IsTransferRunning() const { return m_running.load(); }
    uint32_t FrameSize() const { return m_ring.FrameSize(); }
    uint32_t StagingSize() const { return m_ring.StagingSize(); }
    float FrameRate() const { return m_frameRate.Rate(); }
    double DataRate() const { return m_dataRate.load(); }
    // Totals of frames received, camera gaps, failed reads, resyncs and lost runs. Any thread.
    TransferTally Counters() const { return m_counters.Read(); }

    // GetImage with everything the ring knows of the frame: number, header words and stamp.
    // Returns 1 when the frame was copied, 0 when it did not fit or there is no ring.
    int32_t GetImageStamped(uint8_t* buffer, uint32_t length, int32_t topDown, SlotInfo* info);

  private:
    void PowerDownSensor();

    // Readiness handshake of the open sequence (CKelvraU3Q6BaseReadiness.cpp).
    int32_t ReadinessHandshake();
    int32_t DefaultReadinessWait();
    int32_t WaitForFpgaReady(int32_t polls, bool kick, bool altKick);
    void PulseReadyRegister();
    int32_t ModelEPreset();
    int32_t GlobalShutterReadiness();
    int32_t AltGeometryReadiness();

    // Transfer engine (CKelvraU3Q6BaseTransfer.cpp, CKelvraU3Q6BaseLoops.cpp).
    enum class FrameResult { Complete, CounterOnly, Stopped, Lost };
    enum class ReadResult { Frame, CounterOnly, HeaderFailed, BodyFailed };
    void TransferThreadMain();
    FrameResult ReadNextFrame(FrameRequest& request, HeaderWords& words, double& bodySeconds);
    ReadResult ReadHeaderAndBody(FrameRequest& request, int32_t timeoutMs, HeaderWords& words,
                                 double& bodySeconds);
    bool RecoverAfterFailure(int32_t& retries, bool headerFailed);
    void SettleAfterFirstHeaderFailure();
    bool WaitForTriggeredFrame();
    void CompleteFrame(int32_t frameNumber, const HeaderWords& words, double bodySeconds);
    FrameStamp StampFrame(const HeaderWords& words);
    bool EndsAfterFrame();
    static HeaderWords HeaderWordsOf(const FrameRequest& request);
    void EndTransferThread(int32_t limitMs);
    void AbortUntilEnded(platform::Event& ended);
    void StopTransferIfRunning();
    void OpenFrameEvent();
    void CloseFrameEvent();
    bool FrameEventOpen() const { return m_frameEventOpen.load(); }
    int32_t CopySlot(int32_t slot, uint8_t* buffer, uint32_t length, SlotInfo* info,
                     int32_t topDown);
    int32_t NewestSlot(int32_t writeIndex) const;
    bool AllocateRingAndProgram();
    bool BodyFitsRing(const FrameRequest& request) const;
    uint32_t HeaderTimeoutMs();
    bool ProgramGeometry(int32_t width, int32_t height, const SensorDescriptor& d);
    bool ProgramImx990Offsets(int32_t height, const SensorDescriptor& d);
    int32_t WriteFpgaPair(uint8_t lowRegister, uint8_t highRegister, int32_t value);

    bool Descriptor(SensorDescriptor* d);
    void Sleep(uint32_t ms);
    uint32_t Tick();

    std::unique_ptr<CNorluxCy3Cam> m_controller;
    std::array<uint8_t, kInfoBlockBytes> m_infoBlock{};  // block A as InitializeCamera read it
    std::atomic<uint16_t> m_firmwareVersion{0};          // its FX3 firmware version
    FrameRing m_ring;                                    // staging buffer and slots
    std::atomic<int32_t> m_captureMode{0};  // 0 continuous, 1 single, 2 trigger, 3 counter only
    std::atomic<int32_t> m_productId{kNoProductId};
    std::atomic<int32_t> m_transferBits{0};  // 0 one byte per pixel, 1 two bytes
    std::atomic<int32_t> m_triggerMode{-1};  // last mode given to SetTriggerMode
    std::atomic<int32_t> m_ringDepth{kDefaultRingDepth};
    std::atomic<int32_t> m_readMark{kDefaultRingDepth - 1};  // ring index last handed out
    std::atomic<int32_t> m_writeIndex{0};                    // next slot the transfer thread fills
    std::atomic<int32_t> m_transferError{0};
    platform::Event m_frameEvent{false};  // auto-reset: one per frame, and on error
    std::atomic<bool> m_frameEventOpen{false};
    FrameRateMeter m_frameRate;
    std::atomic<double> m_dataRate{0.0};    // megabits per second of the last body
    std::atomic<int32_t> m_reconfigure{1};  // ConfigureBuffers must run before the next transfer
    std::unique_ptr<CSensorBase> m_sensor;
    std::atomic<int32_t> m_lastFrameNumber{0};
    std::atomic<int32_t> m_openInstance{0};
    std::atomic<int32_t> m_frameTimeoutMs{kDefaultFrameTimeoutMs};  // allowed per frame body
    std::atomic<int32_t> m_triggerFrameCount{0};
    std::atomic<int32_t> m_firstFrame{1};  // 0x32D0: no header has failed since the last stop
    std::atomic<int32_t> m_pendingExposureFlag{0};  // handed to the transfer thread
    std::atomic<uint32_t> m_pendingExposure{0};
    platform::Thread m_thread;
    platform::Event m_threadEnd{false};  // auto-reset, signalled as the thread ends
    std::atomic<bool> m_threadEndOpen{false};
    platform::Event m_threadGone{true, true};  // manual: set while no transfer thread runs
    std::atomic<int32_t> m_running{0};         // 1 while the transfer thread should run
    TransferCounters m_counters;
    // Frame number of the run's last header, for its gaps (transfer thread; reset by a start).
    uint32_t m_lastHeaderNumber = 0;
    bool m_haveHeaderNumber = false;
    // Held by start, stop, single capture, ring configuration, open and close, and by the
    // window, depth and trigger changes that make the ring stale, so that a change and a start
    // never interleave. Never taken by the transfer thread, which a holder may wait for.
    std::recursive_mutex m_configLock;
    SleepFunction m_sleep;
    TickFunction m_tick;
    SensorSubstitute m_sensorSubstitute;
};

}  // namespace kelvra
