#include "RecordingController.h"

#include <cstdio>

namespace kelvra::sensors::test {
namespace {

constexpr uint8_t kBusRequestRegister = 0x9F;

// "F58=0", "S2D5=4!": kind, hex register, decimal value, "!" when the write failed.
std::string Entry(char kind, unsigned reg, unsigned value, bool ok) {
    char text[32];
    std::snprintf(text, sizeof(text), "%c%X=%u%s", kind, reg, value, ok ? "" : "!");
    return text;
}

}  // namespace

RecordingController::RecordingController(CControllerBase* inner, uint8_t sensorBus)
    : m_inner(inner), m_sensorBus(sensorBus) {}

void RecordingController::Record(const Event& event) {
    std::lock_guard lock(m_mutex);
    m_events.push_back(event);
}

int32_t RecordingController::ReadFpgaWord(uint16_t* value) {
    const int32_t ok = m_inner ? m_inner->ReadFpgaWord(value) : 0;
    Record({Op::InfoWord, 0, ok && value ? *value : 0u, ok != 0});
    return ok;
}

int32_t RecordingController::I2cWrite(uint8_t address, const uint8_t* data, uint32_t count,
                                      uint32_t timeoutMs) {
    if (address != m_sensorBus || count < 2) {
        return m_inner ? m_inner->I2cWrite(address, data, count, timeoutMs) : 0;
    }
    const auto reg = static_cast<uint16_t>((data[0] << 8) | data[1]);
    if (count == 2) {  // address phase of a read
        std::lock_guard lock(m_mutex);
        m_sensorPointer = reg;
    } else {
        std::unique_lock lock(m_mutex);
        const bool refused = m_refused.count(reg) != 0;
        lock.unlock();
        if (refused) {
            Record({Op::SensorWrite, reg, data[2], false});
            return 0;
        }
    }
    const int32_t ok = m_inner ? m_inner->I2cWrite(address, data, count, timeoutMs) : 0;
    if (count == 3) Record({Op::SensorWrite, reg, data[2], ok != 0});
    return ok;
}

int32_t RecordingController::I2cRead(uint8_t address, uint8_t* data, uint32_t count,
                                     uint32_t timeoutMs) {
    const int32_t ok = m_inner ? m_inner->I2cRead(address, data, count, timeoutMs) : 0;
    if (address == m_sensorBus && count == 1) {
        uint16_t reg = 0;
        {
            std::lock_guard lock(m_mutex);
            reg = m_sensorPointer;
        }
        Record({Op::SensorRead, reg, ok ? data[0] : 0u, ok != 0});
    }
    return ok;
}

int32_t RecordingController::WriteFpgaRegister(uint8_t reg, uint8_t value) {
    const int32_t ok = m_inner ? m_inner->WriteFpgaRegister(reg, value) : 0;
    Record({Op::FpgaWrite, reg, value, ok != 0});
    return ok;
}

int32_t RecordingController::ReadFpgaRegister(uint8_t reg, uint8_t* value) {
    const int32_t ok = m_inner ? m_inner->ReadFpgaRegister(reg, value) : 0;
    Record({Op::FpgaRead, reg, ok && value ? *value : 0u, ok != 0});
    return ok;
}

std::function<void(uint32_t)> RecordingController::SleepRecorder() {
    return [this](uint32_t ms) { Record({Op::Sleep, 0, ms, true}); };
}

void RecordingController::RefuseSensorWrites(std::set<uint16_t> addresses) {
    std::lock_guard lock(m_mutex);
    m_refused = std::move(addresses);
}

std::vector<Event> RecordingController::Events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
}

void RecordingController::Clear() {
    std::lock_guard lock(m_mutex);
    m_events.clear();
}

int RecordingController::Count(Op op, int reg) const {
    int count = 0;
    for (const Event& e : Events()) {
        if (e.op == op && (reg < 0 || e.reg == reg)) ++count;
    }
    return count;
}

std::vector<std::string> RecordingController::Trace(uint32_t minSleepMs) const {
    std::vector<std::string> trace;
    for (const Event& e : Events()) {
        if (e.op == Op::FpgaWrite && e.reg != kBusRequestRegister) {
            trace.push_back(Entry('F', e.reg, e.value, e.ok));
        } else if (e.op == Op::SensorWrite) {
            trace.push_back(Entry('S', e.reg, e.value, e.ok));
        } else if (e.op == Op::Sleep && e.value >= minSleepMs) {
            char text[16];
            std::snprintf(text, sizeof(text), "Z%u", e.value);
            trace.push_back(text);
        }
    }
    return trace;
}

std::vector<std::string> RecordingController::SensorWrites() const {
    std::vector<std::string> trace;
    for (const Event& e : Events()) {
        if (e.op == Op::SensorWrite) trace.push_back(Entry('S', e.reg, e.value, e.ok));
    }
    return trace;
}

bool ContainsInOrder(const std::vector<std::string>& trace,
                     const std::vector<std::string>& expected) {
    size_t next = 0;
    for (const std::string& entry : trace) {
        if (next < expected.size() && entry == expected[next]) ++next;
    }
    return next == expected.size();
}

std::string Join(const std::vector<std::string>& trace) {
    std::string text;
    for (const std::string& entry : trace) {
        text += entry;
        text += ' ';
    }
    return text;
}

}  // namespace kelvra::sensors::test
