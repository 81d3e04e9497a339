#include "sensors/CSensorModelC.h"

#include "sensors/FpgaRegisterMap.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYYYY....YYYYYY.....",
    .modelCode = 99,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 640,
    .maxHeight = 512,
    .defaultHeight = 0,
    .lineLength = 400,
    .frameLength = 558,
    .sensorClockKHz = 9000,
    .gainMax = 0,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 65534,
    .exposureTimeDefault = 100,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 8,
    .orientation = 1,
    .fpgaLineOffset = 1,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));
constexpr AreaFacts kArea{4, 2, 46};

constexpr uint16_t kCoolerInfoFrom = 256;  // information word from which cooler and sensor exist
constexpr uint8_t kCoolerOnBit = 0x01;
constexpr uint16_t kRawMask = 0x0FFF;
constexpr int32_t kFrameRateCommand = 0;
constexpr int32_t kFrameExtraLines = 46;
constexpr double kRateScale = 100000.0;
constexpr double kPixelClocksPerClock =
    3.0 / 2.2;  // the readout clock runs 3 / 2.2 of the sensor's
constexpr double kNsPerMs = 1e6;

// Board amplifier of the temperature sensor: T = (0.75 - ((v - 0.07 - 2.5) / 20.1 + 0.865 +
// 0.015)) / 0.00133 + 49.607.
constexpr double kAdcVolts = 3.3;
constexpr double kAdcSteps = 4096.0;

}  // namespace

CSensorModelC::CSensorModelC(CControllerBase* controller, uint8_t busAddress)
    : CSensorAreaSensor(controller, busAddress, kFacts, kArea) {}

CSensorModelC::~CSensorModelC() {
    StopSampling();
}

// A line lasts line length x 3 / 2.2 / clock milliseconds.
double CSensorModelC::LinePeriodNs() const {
    const SensorDescriptor d = Descriptor();
    if (d.sensorClockKHz <= 0) return 0.0;
    return double(d.lineLength) * kPixelClocksPerClock / double(d.sensorClockKHz) * kNsPerMs;
}

bool CSensorModelC::CoolerFitted() {
    return GetHardwareInfo() >= kCoolerInfoFrom;
}

bool CSensorModelC::TemperatureAvailable() {
    return GetHardwareInfo() >= kCoolerInfoFrom;
}

int32_t CSensorModelC::CoolerState() {
    uint8_t value = 0;
    return ReadFpga(fpga_reg::kCooler, &value) ? (value & kCoolerOnBit) : 0;
}

int32_t CSensorModelC::ProgramCooler(bool on) {
    uint8_t value = 0;
    if (!ReadFpga(fpga_reg::kCooler, &value)) return 0;
    return WriteFpga(fpga_reg::kCooler,
                     uint8_t(on ? (value | kCoolerOnBit) : (value & ~kCoolerOnBit)));
}

double CSensorModelC::CelsiusFromMeanRaw(double mean) {
    const double v = mean * kAdcVolts / kAdcSteps;
    return (0.75 - ((v - 0.07 - 2.5) / 20.1 + 0.865 + 0.015)) / 0.00133 + 49.607;
}

int32_t CSensorModelC::ReadTemperature(double* celsius) {
    std::lock_guard lock(m_lock);
    if (m_kept == 0) return 0;
    double sum = 0.0;
    for (int i = 0; i < m_kept; ++i) sum += m_samples[i];
    *celsius = CelsiusFromMeanRaw(sum / m_kept);
    return 1;
}

int CSensorModelC::SampleCount() const {
    std::lock_guard lock(m_lock);
    return m_kept;
}

// ---- sampling thread ---------------------------------------------------------------------

void CSensorModelC::SensorOperation104() {
    std::lock_guard control(m_control);
    if (m_thread.joinable() || Controller() == nullptr || !TemperatureAvailable()) return;
    {
        std::lock_guard lock(m_lock);
        m_stop = false;
        m_kept = m_next = 0;
    }
    m_thread = std::thread([this] { SampleLoop(); });
}

// The thread is always waited for: it uses the controller, which goes after the driver.
void CSensorModelC::SensorOperation105(int32_t) {
    StopSampling();
}

int32_t CSensorModelC::SensorOperation106() {
    std::lock_guard control(m_control);
    return m_thread.joinable() ? 1 : 0;
}

void CSensorModelC::StopSampling() {
    std::lock_guard control(m_control);
    if (!m_thread.joinable()) return;
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

// One raw sample (FPGA 0xE5 low, 0xE6 high bits) every 100 ms into a ring of 32, until
// stopped. Failed reads are skipped.
void CSensorModelC::SampleLoop() {
    std::unique_lock lock(m_lock);
    while (!m_stop) {
        lock.unlock();
        uint8_t low = 0;
        uint8_t high = 0;
        const bool read = ReadFpga(fpga_reg::kTemperatureLow, &low) &&
                          ReadFpga(fpga_reg::kTemperatureHigh, &high);
        lock.lock();
        if (read) {
            m_samples[m_next] = uint16_t((high << 8 | low) & kRawMask);
            m_next = (m_next + 1) % kSamplesKept;
            if (m_kept < kSamplesKept) ++m_kept;
        }
        m_wake.wait_for(lock, std::chrono::milliseconds(kSamplePeriodMs),
                        [this] { return m_stop; });
    }
}

// ---- frame rate --------------------------------------------------------------------------

int32_t CSensorModelC::ExtendedCommand(int32_t type, int32_t* value) {
    if (type != kFrameRateCommand || value == nullptr || *value <= 0 || Controller() == nullptr) {
        return 0;
    }
    const SensorDescriptor d = Descriptor();
    const double lineMs = double(d.lineLength) * kPixelClocksPerClock / double(d.sensorClockKHz);
    double lines = kRateScale / double(*value) / lineMs;
    const double minimum = double(d.height + kFrameExtraLines);
    if (lines < minimum) lines = minimum;
    if (lines > kFrameLengthMax) lines = kFrameLengthMax;
    SetFrameLengthFloor(int32_t(lines));
    return SetExposureLines(d.exposureLines.current);
}

}  // namespace kelvra
