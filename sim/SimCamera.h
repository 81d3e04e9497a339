#pragma once
// One simulated camera: the FX3 with its firmware, the FPGA, EEPROM, auxiliary device and image
// sensor behind it, and its bulk endpoints. It is reached like a real camera, through the driver
// seam (enumerate, open, IOCTLs); this class adds the controls tests and tools use to shape it:
// plugging, frame source, faults, temperature, and read-outs of its state.
//
// Thread-safe: every member may be called from any thread. One lock guards the device; no member
// holds it while it sleeps (slow requests) or while the worker draws a frame.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "driver/Backend.h"
#include "sim/BulkEndpoints.h"
#include "sim/CameraConfig.h"
#include "sim/CameraCore.h"
#include "sim/Fx3Firmware.h"
#include "sim/MemoryWindow.h"

namespace kelvra::sim {

class SimCamera : public std::enable_shared_from_this<SimCamera> {
  public:
    using Clock = std::chrono::steady_clock;

    SimCamera(const CameraConfig& config, const std::string& instance,
              const std::string& serialNumber);
    ~SimCamera();
    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    const CameraConfig& config() const { return config_; }
    uint16_t productId() const { return config_.productId; }
    const std::string& devicePath() const { return path_; }
    const std::string& serialNumber() const { return serial_; }

    // Plugging. An unplugged camera leaves enumeration, its path no longer opens and its open
    // handles fail from then on (pending reads end with 1167). Replugging powers it up again
    // under the same path: registers, sensor and memory reset, the EEPROM keeps its content.
    void unplug();
    void replug();
    bool plugged() const;

    // Frames.
    void setPaced(bool paced);
    void setTestPattern(bool on);
    void setNoise(bool on, uint32_t seed, float sigma);
    void setSceneBrightness(double brightness);
    bool fireTrigger();
    std::vector<Defect> defects() const;

    // Faults. Counts of -1 mean "until set to 0".
    void failHeaderReads(int count);
    void failBodyReads(int count);
    void stallReads(int count);
    // Every nth frame's body read fails, as on a marginal link: the frame is lost, the stream
    // goes on. 0 stops it.
    void loseEveryNthFrame(int n);
    void setFpgaReadyAfterPolls(int polls);  // kFpgaNeverReady: never
    void failI2c(int count, int address = kAnyI2cAddress);
    void failEepromWrites(int count);
    void holdSensorBus(int statusReads);
    void setControlDelay(std::chrono::milliseconds delay);
    // Unplugs the camera as soon as it has answered `requests` more control requests (a camera
    // pulled out during a sequence of requests, such as opening it).
    void unplugAfterRequests(int requests);

    // Temperature (degrees Celsius).
    double sensorTemperature();
    void setSensorTemperature(double celsius);
    void setThermalTimeConstant(double seconds);
    void advanceThermalTime(double seconds);

    // IO port: the four input lines; the four output lines as last written.
    void setIoInputs(uint8_t lines);
    uint8_t ioOutputs() const;

    // The module camera's console (product 0x3180): the next `commands` command lines are
    // rejected with "NG", or every command goes unanswered; what the module was told. No
    // effect, and an empty state, for other products.
    void consoleRejectNext(int commands);
    void setConsoleSilent(bool silent);
    void consoleSay(const std::string& text);
    ConsoleState consoleState() const;

    // State read-outs.
    uint16_t fpgaRegister(uint8_t reg) const;
    uint8_t sensorRegister(uint16_t reg) const;
    uint16_t sensorWord(uint16_t reg) const;  // registers of 16 bits (the CCD timing generators)
    uint8_t eepromByte(uint16_t address) const;
    void setEepromByte(uint16_t address, uint8_t value);
    uint32_t register32(uint16_t address) const;
    uint8_t controlByte() const;
    uint8_t auxRegister(uint8_t reg) const;
    int commandCcCount() const;
    int reconfigurePulses() const;
    uint64_t framesCompleted();
    // Opens of the camera's path refused because it was unplugged.
    int refusedOpens() const;
    StreamStats streamStats() const;

    // The seam side, used by the simulated back end.
    std::unique_ptr<driver::DeviceHandle> open(bool overlapped);
    driver::IoResult submit(uint64_t handle, uint64_t generation, uint32_t code,
                            std::span<uint8_t> in, std::span<uint8_t> out,
                            driver::Overlapped& request);
    void close(uint64_t handle);

  private:
    driver::IoResult dispatch(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out);
    driver::IoResult control(std::unique_lock<std::mutex>& lock, uint64_t generation,
                             std::span<uint8_t> in, std::span<uint8_t> out);
    driver::IoResult stagedTransfer(uint64_t handle, std::span<uint8_t> in, std::span<uint8_t> out,
                                    driver::Overlapped& request);
    driver::IoResult directTransfer(uint64_t handle, std::span<uint8_t> in, std::span<uint8_t> out,
                                    driver::Overlapped& request);
    bool live(uint64_t generation) const { return plugged_ && generation == generation_; }
    void powerOn();
    void unplugLocked();

    mutable std::mutex mutex_;
    const CameraConfig config_;
    const std::string path_;
    const std::string serial_;
    CameraCore core_;
    MemoryWindow window_;
    BulkEndpoints bulk_;
    Fx3Firmware fx3_;
    bool plugged_ = true;
    uint64_t generation_ = 1;
    uint64_t nextHandle_ = 1;
    int unplugAfterRequests_ = 0;  // 0: no unplug pending
    int refusedOpens_ = 0;
    std::atomic<int64_t> controlDelayMs_{0};
};

}  // namespace kelvra::sim
