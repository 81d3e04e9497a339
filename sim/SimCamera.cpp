#include "sim/SimCamera.h"

#include <cstring>
#include <thread>

#include "driver/DevicePath.h"
#include "driver/Ioctl.h"
#include "sim/Bytes.h"
#include "sim/FpgaRegisterMap.h"
#include "sim/SimHandle.h"

namespace kelvra::sim {

namespace rec = driver::record;

SimCamera::SimCamera(const CameraConfig& config, const std::string& instance,
                     const std::string& serialNumber)
    : config_(resolvedForProduct(config)),
      path_(driver::formatDevicePath(config.vendorId, config.productId, instance,
                                     config.interfaceGuid)),
      serial_(serialNumber),
      core_(config_, serialNumber),
      window_(config_.memoryBytes),
      bulk_(mutex_, core_, window_, core_.model(), config_.defectSeed),
      fx3_(config_, serialNumber, core_, bulk_) {
    std::lock_guard lock(mutex_);
    core_.attachStream(&bulk_);
    powerOn();
}

SimCamera::~SimCamera() = default;

void SimCamera::unplug() {
    std::lock_guard lock(mutex_);
    unplugLocked();
}

void SimCamera::unplugLocked() {
    plugged_ = false;
    ++generation_;
    bulk_.endAll(driver::kErrorDeviceNotConnected, driver::kUsbStatusNotResponding);
}

void SimCamera::replug() {
    std::lock_guard lock(mutex_);
    if (plugged_) return;
    plugged_ = true;
    powerOn();
}

bool SimCamera::plugged() const {
    std::lock_guard lock(mutex_);
    return plugged_;
}

void SimCamera::powerOn() {
    core_.powerOn(Clock::now());
    fx3_.powerOn();
    window_.powerOn();
    bulk_.restartStream();
}

void SimCamera::setPaced(bool paced) {
    std::lock_guard lock(mutex_);
    core_.setPaced(paced, Clock::now());
}

void SimCamera::setTestPattern(bool on) {
    std::lock_guard lock(mutex_);
    core_.setTestPattern(on);
}

void SimCamera::setNoise(bool on, uint32_t seed, float sigma) {
    std::lock_guard lock(mutex_);
    core_.setNoise(on, seed, sigma);
}

void SimCamera::setSceneBrightness(double brightness) {
    std::lock_guard lock(mutex_);
    core_.setSceneBrightness(brightness);
}

// The trigger input. Returns false when the camera is not in trigger mode or still busy with
// the previous trigger, as the hardware ignores such an edge.
bool SimCamera::fireTrigger() {
    std::lock_guard lock(mutex_);
    return core_.fireTrigger(Clock::now());
}

std::vector<Defect> SimCamera::defects() const {
    std::lock_guard lock(mutex_);
    return bulk_.defects();
}

void SimCamera::failHeaderReads(int count) {
    std::lock_guard lock(mutex_);
    bulk_.failHeaderReads(count);
}

void SimCamera::failBodyReads(int count) {
    std::lock_guard lock(mutex_);
    bulk_.failBodyReads(count);
}

void SimCamera::loseEveryNthFrame(int n) {
    std::lock_guard lock(mutex_);
    bulk_.loseEveryNthFrame(n);
}

// The next `count` reads on 0x81 never finish by themselves; only abort pipe, a port reset,
// closing the handle or unplugging ends them.
void SimCamera::stallReads(int count) {
    std::lock_guard lock(mutex_);
    bulk_.stallReads(count);
}

void SimCamera::setFpgaReadyAfterPolls(int polls) {
    std::lock_guard lock(mutex_);
    core_.setFpgaReadyAfterPolls(polls, Clock::now());
}

void SimCamera::failI2c(int count, int address) {
    std::lock_guard lock(mutex_);
    core_.failI2c(count, address);
}

void SimCamera::failEepromWrites(int count) {
    std::lock_guard lock(mutex_);
    core_.eeprom().failWrites(count);
}

// FPGA status register 2 reports the sensor bus busy for the next `statusReads` reads.
void SimCamera::holdSensorBus(int statusReads) {
    std::lock_guard lock(mutex_);
    core_.fpga().holdSensorBus(statusReads);
}

// Every control request takes this long; one that would outlast its record's timeout fails with
// 121 when the timeout expires.
void SimCamera::setControlDelay(std::chrono::milliseconds delay) {
    controlDelayMs_.store(delay.count());
}

void SimCamera::unplugAfterRequests(int requests) {
    std::lock_guard lock(mutex_);
    unplugAfterRequests_ = requests;
}

int SimCamera::refusedOpens() const {
    std::lock_guard lock(mutex_);
    return refusedOpens_;
}

double SimCamera::sensorTemperature() {
    std::lock_guard lock(mutex_);
    return core_.thermal().celsius(Clock::now());
}

void SimCamera::setSensorTemperature(double celsius) {
    std::lock_guard lock(mutex_);
    core_.thermal().force(celsius, Clock::now());
}

void SimCamera::setThermalTimeConstant(double seconds) {
    std::lock_guard lock(mutex_);
    core_.thermal().setTimeConstant(seconds, Clock::now());
}

void SimCamera::advanceThermalTime(double seconds) {
    std::lock_guard lock(mutex_);
    core_.thermal().celsius(Clock::now());
    core_.thermal().advance(seconds);
}

void SimCamera::setIoInputs(uint8_t lines) {
    std::lock_guard lock(mutex_);
    core_.setIoInputs(lines);
}

void SimCamera::consoleRejectNext(int commands) {
    std::lock_guard lock(mutex_);
    if (ModuleConsole* console = core_.console()) console->rejectNext(commands);
}

void SimCamera::setConsoleSilent(bool silent) {
    std::lock_guard lock(mutex_);
    if (ModuleConsole* console = core_.console()) console->setSilent(silent);
}

void SimCamera::consoleSay(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (ModuleConsole* console = core_.console()) console->say(text);
}

ConsoleState SimCamera::consoleState() const {
    std::lock_guard lock(mutex_);
    const ModuleConsole* console = core_.console();
    return console ? console->state() : ConsoleState{};
}

uint8_t SimCamera::ioOutputs() const {
    std::lock_guard lock(mutex_);
    return static_cast<uint8_t>(core_.fpga().stored(fpga::kIoPort) & 0x0F);
}

uint16_t SimCamera::fpgaRegister(uint8_t reg) const {
    std::lock_guard lock(mutex_);
    return core_.fpga().stored(reg);
}

uint16_t SimCamera::sensorWord(uint16_t reg) const {
    std::lock_guard lock(mutex_);
    return core_.sensor().peek(reg);
}

uint8_t SimCamera::sensorRegister(uint16_t reg) const {
    std::lock_guard lock(mutex_);
    return static_cast<uint8_t>(core_.sensor().peek(reg));
}

uint8_t SimCamera::eepromByte(uint16_t address) const {
    std::lock_guard lock(mutex_);
    return core_.eeprom().peek(address);
}

void SimCamera::setEepromByte(uint16_t address, uint8_t value) {
    std::lock_guard lock(mutex_);
    core_.eeprom().poke(address, value);
}

uint32_t SimCamera::register32(uint16_t address) const {
    std::lock_guard lock(mutex_);
    return fx3_.register32(address);
}

uint8_t SimCamera::controlByte() const {
    std::lock_guard lock(mutex_);
    return fx3_.controlByte();
}

uint8_t SimCamera::auxRegister(uint8_t reg) const {
    std::lock_guard lock(mutex_);
    return core_.aux().peek(reg);
}

int SimCamera::commandCcCount() const {
    std::lock_guard lock(mutex_);
    return fx3_.commandCcCount();
}

int SimCamera::reconfigurePulses() const {
    std::lock_guard lock(mutex_);
    return core_.reconfigurePulses();
}

uint64_t SimCamera::framesCompleted() {
    std::lock_guard lock(mutex_);
    return core_.framesCompleted(Clock::now());
}

StreamStats SimCamera::streamStats() const {
    std::lock_guard lock(mutex_);
    return bulk_.stats();
}

// CreateFile on the camera's path: null while unplugged.
std::unique_ptr<driver::DeviceHandle> SimCamera::open(bool overlapped) {
    std::lock_guard lock(mutex_);
    if (!plugged_) {
        ++refusedOpens_;
        return nullptr;
    }
    return std::make_unique<SimHandle>(shared_from_this(), nextHandle_++, generation_, overlapped);
}

// DeviceIoControl from handle `handle`, opened in power-up `generation`: a handle from before an
// unplug fails with 1167. The result is also left in `request`.
driver::IoResult SimCamera::submit(uint64_t handle, uint64_t generation, uint32_t code,
                                   std::span<uint8_t> in, std::span<uint8_t> out,
                                   driver::Overlapped& request) {
    std::unique_lock lock(mutex_);
    driver::IoResult result{driver::kErrorDeviceNotConnected, 0};
    if (live(generation)) {
        if (code == driver::kIoctlStagedTransfer) return stagedTransfer(handle, in, out, request);
        if (code == driver::kIoctlDirectTransfer) return directTransfer(handle, in, out, request);
        result = code == driver::kIoctlControlTransfer ? control(lock, generation, in, out)
                                                       : dispatch(code, in, out);
        if (code == driver::kIoctlControlTransfer && unplugAfterRequests_ > 0 &&
            --unplugAfterRequests_ == 0) {
            unplugLocked();
        }
    }
    request.finish(result);
    return result;
}

void SimCamera::close(uint64_t handle) {
    std::lock_guard lock(mutex_);
    bulk_.endHandle(handle);
}

// The IOCTLs without data transfer.
driver::IoResult SimCamera::dispatch(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out) {
    switch (code) {
        case driver::kIoctlResetPipe:
            if (in.empty()) return {driver::kErrorInvalidParameter, 0};
            bulk_.resetPipe(in[0]);
            return {driver::kErrorSuccess, 0};
        case driver::kIoctlResetPort:
            bulk_.endAll(driver::kErrorOperationAborted, driver::kUsbStatusCanceled);
            bulk_.restartStream();
            return {driver::kErrorSuccess, 0};
        case driver::kIoctlAbortPipe:
            if (in.empty()) return {driver::kErrorInvalidParameter, 0};
            bulk_.abortPipe(in[0]);
            return {driver::kErrorSuccess, 0};
        case driver::kIoctlDeviceSpeed:
            if (out.size() < 4) return {driver::kErrorInvalidParameter, 0};
            storeU32(out.data(), config_.deviceSpeed);
            return {driver::kErrorSuccess, 4};
        default:
            return {driver::kErrorInvalidFunction, 0};
    }
}

// A control request, after the injected delay (slept without the lock).
driver::IoResult SimCamera::control(std::unique_lock<std::mutex>& lock, uint64_t generation,
                                    std::span<uint8_t> in, std::span<uint8_t> out) {
    const int64_t delayMs = controlDelayMs_.load();
    if (delayMs > 0) {
        const uint32_t timeoutSeconds =
            in.size() >= rec::kSize ? loadU32(in.data() + rec::kTimeout) : 0;
        const int64_t timeoutMs = int64_t(timeoutSeconds) * 1000;
        const bool expires = timeoutMs > 0 && delayMs >= timeoutMs;
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(expires ? timeoutMs : delayMs));
        lock.lock();
        if (expires) return {driver::kErrorSemTimeout, 0};
        if (!live(generation)) return {driver::kErrorDeviceNotConnected, 0};
    }
    return fx3_.control(in, out, Clock::now());
}

// IOCTL 0x220024: the record and the data share one buffer. IN data lands after the record in
// `out`; OUT data is taken after the record in `in`. Bytes returned count the record.
driver::IoResult SimCamera::stagedTransfer(uint64_t handle, std::span<uint8_t> in,
                                           std::span<uint8_t> out, driver::Overlapped& request) {
    driver::IoResult bad{driver::kErrorInvalidParameter, 0};
    if (in.size() < rec::kSize || loadU32(in.data() + rec::kBufferOffset) != rec::kSize) {
        request.finish(bad);
        return bad;
    }
    const uint8_t endpoint = in[rec::kEndpoint];
    const size_t length = loadU32(in.data() + rec::kBufferLength);
    const bool inbound = endpoint & driver::kEndpointDirectionIn;
    std::span<uint8_t> dataSide = inbound ? out : in;
    if (dataSide.size() < rec::kSize + length) {
        request.finish(bad);
        return bad;
    }
    uint8_t* record = nullptr;
    if (out.size() >= rec::kSize) {
        std::memmove(out.data(), in.data(), rec::kSize);
        record = out.data();
    }
    BulkEndpoints::Transfer t{handle, endpoint, dataSide.subspan(rec::kSize, length), record,
                              static_cast<uint32_t>(rec::kSize)};
    return bulk_.submit(t, request);
}

// IOCTL 0x22004B: `in` is the record (its status words are written back), `out` the data.
driver::IoResult SimCamera::directTransfer(uint64_t handle, std::span<uint8_t> in,
                                           std::span<uint8_t> out, driver::Overlapped& request) {
    if (in.size() < rec::kSize) {
        request.finish({driver::kErrorInvalidParameter, 0});
        return {driver::kErrorInvalidParameter, 0};
    }
    BulkEndpoints::Transfer t{handle, in[rec::kEndpoint], out, in.data(), 0};
    return bulk_.submit(t, request);
}

}  // namespace kelvra::sim
