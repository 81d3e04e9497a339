// A controller that forwards every operation to the real controller of a simulated camera and
// keeps an ordered trace of what the driver asked for, with the driver's prescribed sleeps
// among the requests. The simulator's register file shows where values ended up; the trace
// shows in which order and how often they were written. It can also refuse chosen sensor
// register writes, for failure paths the simulator cannot stage precisely.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "transport/CControllerBase.h"

namespace kelvra::sensors::test {

enum class Op { FpgaWrite, FpgaRead, SensorWrite, SensorRead, InfoWord, Sleep };

struct Event {
    Op op;
    uint16_t reg = 0;    // FPGA register or sensor register address
    uint32_t value = 0;  // value written or read; milliseconds for a sleep
    bool ok = true;
};

class RecordingController : public CControllerBase {
  public:
    // `inner` may be null: every request then fails, as without hardware.
    explicit RecordingController(CControllerBase* inner, uint8_t sensorBus = 0x48);

    int32_t ReadFpgaWord(uint16_t* value) override;
    int32_t I2cWrite(uint8_t address, const uint8_t* data, uint32_t count,
                     uint32_t timeoutMs) override;
    int32_t I2cRead(uint8_t address, uint8_t* data, uint32_t count, uint32_t timeoutMs) override;
    int32_t WriteFpgaRegister(uint8_t reg, uint8_t value) override;
    int32_t ReadFpgaRegister(uint8_t reg, uint8_t* value) override;

    // The driver's sleep function: records instead of sleeping.
    std::function<void(uint32_t)> SleepRecorder();

    // Sensor writes to these addresses are refused (not forwarded).
    void RefuseSensorWrites(std::set<uint16_t> addresses);

    std::vector<Event> Events() const;
    void Clear();
    int Count(Op op, int reg = -1) const;

    // A compact trace: "F58=0" FPGA write, "S200=1" sensor write (hex register, decimal value),
    // "Z100" sleep; a failed write ends in "!". Bus arbitration (0x9F) is left out, and so are
    // sleeps shorter than `minSleepMs` (pauses between writes, bus retries, verification waits).
    std::vector<std::string> Trace(uint32_t minSleepMs = 10) const;
    // The sensor registers written, in order, with their values ("S2D6=0", ...).
    std::vector<std::string> SensorWrites() const;

  private:
    void Record(const Event& event);

    CControllerBase* const m_inner;
    const uint8_t m_sensorBus;
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;   // guarded by m_mutex
    std::set<uint16_t> m_refused;  // guarded by m_mutex
    uint16_t m_sensorPointer = 0;  // guarded by m_mutex
};

// True when `expected` occurs in `trace` in this order (other entries may come between).
bool ContainsInOrder(const std::vector<std::string>& trace,
                     const std::vector<std::string>& expected);

std::string Join(const std::vector<std::string>& trace);

}  // namespace kelvra::sensors::test
