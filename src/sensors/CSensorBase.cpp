// CSensorBase: construction and the base answers of the virtual operations. Setters answer 0
// ("not supported"); descriptor getters answer from the record every class keeps.
#include "sensors/CSensorBase.h"

#include <cstring>

#include "platform/Clock.h"

namespace kelvra {
namespace {

// Copies one descriptor word to an out-parameter. Returns `result`, or 0 for a null pointer.
template <class T>
int32_t Answer(T* out, T value, int32_t result = 1) {
    if (out == nullptr) return 0;
    *out = value;
    return result;
}

}  // namespace

CSensorBase::CSensorBase(CControllerBase* controller, uint8_t busAddress)
    : m_controller(controller),
      m_busAddress(busAddress),
      m_sleep(&platform::SleepMs),
      m_tick(&platform::GetTickCount32) {
    std::memset(&m_descriptor, 0, sizeof(m_descriptor));
}

CSensorBase::~CSensorBase() = default;

void CSensorBase::SetSleepFunction(SleepFunction sleep) {
    m_sleep = sleep ? std::move(sleep) : SleepFunction(&platform::SleepMs);
}

void CSensorBase::SetTickFunction(TickFunction tick) {
    m_tick = tick ? std::move(tick) : TickFunction(&platform::GetTickCount32);
}

void CSensorBase::Sleep(uint32_t ms) const {
    m_sleep(ms);
}

uint32_t CSensorBase::Tick() const {
    return m_tick();
}

void CSensorBase::SetFpgaReadoutOffsets(int32_t line, int32_t column) {
    m_offsetLine.store(line);
    m_offsetColumn.store(column);
}

bool CSensorBase::GetFpgaReadoutOffsets(int32_t* line, int32_t* column) const {
    const int32_t l = m_offsetLine.load();
    const int32_t c = m_offsetColumn.load();
    if (l < 0 || c < 0 || line == nullptr || column == nullptr) return false;
    *line = l;
    *column = c;
    return true;
}

SensorDescriptor CSensorBase::Descriptor() const {
    std::lock_guard lock(m_descriptorLock);
    return m_descriptor;
}

// ---- lifecycle and trigger bookkeeping ---------------------------------------------------

// Stores the sub-model number the device core passes. Returns 1.
int32_t CSensorBase::SetModelCode(int32_t code) {
    m_modelCode.store(code);
    return 1;
}

// Sets the stored trigger mode without touching the hardware. Returns 1.
int32_t CSensorBase::PresetTriggerMode(int32_t mode) {
    m_triggerMode.store(mode);
    return 1;
}

int32_t CSensorBase::GetTriggerModeValue() {
    return m_triggerMode.load();
}

int32_t CSensorBase::ProbeSensor() {
    return 0;
}

int32_t CSensorBase::InitSensor() {
    return 0;
}

int32_t CSensorBase::RecoverSensor() {
    return 0;
}

int32_t CSensorBase::ForceReady() {
    return 0;
}

int32_t CSensorBase::SetReadoutWindow(int32_t, int32_t, int32_t, int32_t, int32_t) {
    return 0;
}

// The current window and readout mode (every class keeps them in the descriptor). Returns 1;
// 0 when any out-parameter is null.
int32_t CSensorBase::GetReadoutWindow(int32_t* x, int32_t* width, int32_t* y, int32_t* height,
                                      int32_t* mode) {
    if (!x || !width || !y || !height || !mode) return 0;
    const SensorDescriptor d = Descriptor();
    *x = d.x;
    *width = d.width;
    *y = d.y;
    *height = d.height;
    *mode = d.readoutMode;
    return 1;
}

int32_t CSensorBase::SetTriggerMode(int32_t) {
    return 0;
}

// The stored trigger mode (15 until the first SetTriggerMode). Every class shares this getter.
int32_t CSensorBase::GetTriggerMode(int32_t* mode) {
    return Answer(mode, m_triggerMode.load());
}

int32_t CSensorBase::SetTriggerPolarity(int32_t) {
    return 0;
}

int32_t CSensorBase::ApplyTriggerPolarity() {
    return 0;
}

int32_t CSensorBase::IsTriggerPolaritySupported() {
    return 0;
}

int32_t CSensorBase::SetOutputBits(int32_t) {
    return 0;
}

// ---- exposure lines and gains ------------------------------------------------------------

int32_t CSensorBase::SetExposureLines(int32_t) {
    return 0;
}

int32_t CSensorBase::GetExposureLines(int32_t* lines) {
    return Answer(lines, Descriptor().exposureLines.current);
}

int32_t CSensorBase::SetGain(int32_t) {
    return 0;
}

int32_t CSensorBase::GetGain(int32_t* gain) {
    return Answer(gain, Descriptor().gain.current);
}

int32_t CSensorBase::SetColorGainRed(int32_t) {
    return 0;
}

int32_t CSensorBase::GetColorGainRed(int32_t*) {
    return 0;
}

int32_t CSensorBase::SetColorGainGreen1(int32_t) {
    return 0;
}

int32_t CSensorBase::GetColorGainGreen1(int32_t*) {
    return 0;
}

int32_t CSensorBase::SetColorGainGreen2(int32_t) {
    return 0;
}

int32_t CSensorBase::GetColorGainGreen2(int32_t*) {
    return 0;
}

int32_t CSensorBase::SetColorGainBlue(int32_t) {
    return 0;
}

int32_t CSensorBase::GetColorGainBlue(int32_t*) {
    return 0;
}

int32_t CSensorBase::GetExposureLinesMin(int32_t* lines) {
    return Answer(lines, Descriptor().exposureLines.min);
}

int32_t CSensorBase::GetExposureLinesMax(int32_t* lines) {
    return Answer(lines, Descriptor().exposureLines.max);
}

int32_t CSensorBase::GetExposureLinesDefault(int32_t* lines) {
    return Answer(lines, Descriptor().exposureLines.defaultValue);
}

int32_t CSensorBase::GetGainMin(int32_t* gain) {
    return Answer(gain, Descriptor().gain.min);
}

int32_t CSensorBase::GetGainMax(int32_t* gain) {
    return Answer(gain, Descriptor().gain.max);
}

int32_t CSensorBase::GetGainDefault(int32_t* gain) {
    return Answer(gain, Descriptor().gain.defaultValue);
}

// The colour-gain range getters answer from the first (red) block.
int32_t CSensorBase::GetColorGainMin(int32_t* gain) {
    return Answer(gain, Descriptor().colorGain[kColorRed].min);
}

int32_t CSensorBase::GetColorGainMax(int32_t* gain) {
    return Answer(gain, Descriptor().colorGain[kColorRed].max);
}

int32_t CSensorBase::GetColorGainDefault(int32_t* gain) {
    return Answer(gain, Descriptor().colorGain[kColorRed].defaultValue);
}

// ---- analog front-end channels (CCD classes) ---------------------------------------------

int32_t CSensorBase::SetChannelGain(int32_t, int32_t) {
    return 0;
}

int32_t CSensorBase::GetChannelGain(int32_t, int32_t*) {
    return 0;
}

int32_t CSensorBase::GetChannelGainMin(int32_t*) {
    return 0;
}

int32_t CSensorBase::GetChannelGainMax(int32_t*) {
    return 0;
}

int32_t CSensorBase::GetChannelGainDefault(int32_t*) {
    return 0;
}

int32_t CSensorBase::SetChannelOffset(int32_t, int32_t) {
    return 0;
}

int32_t CSensorBase::GetChannelOffset(int32_t, int32_t*) {
    return 0;
}

int32_t CSensorBase::GetChannelOffsetMin(int32_t*) {
    return 0;
}

int32_t CSensorBase::GetChannelOffsetMax(int32_t*) {
    return 0;
}

int32_t CSensorBase::GetChannelOffsetDefault(int32_t*) {
    return 0;
}

// ---- black level, auxiliary mode, analog gain step ---------------------------------------
// The getters answer the group's supported word.

int32_t CSensorBase::IsBlackLevelSupported() {
    return Descriptor().blackLevel.supported;
}

int32_t CSensorBase::SetBlackLevel(int32_t) {
    return 0;
}

int32_t CSensorBase::GetBlackLevel(int32_t* level) {
    const SensorOptionalRange b = Descriptor().blackLevel;
    return Answer(level, b.current, b.supported);
}

int32_t CSensorBase::GetBlackLevelMin(int32_t* level) {
    const SensorOptionalRange b = Descriptor().blackLevel;
    return Answer(level, b.min, b.supported);
}

int32_t CSensorBase::GetBlackLevelMax(int32_t* level) {
    const SensorOptionalRange b = Descriptor().blackLevel;
    return Answer(level, b.max, b.supported);
}

int32_t CSensorBase::GetBlackLevelDefault(int32_t* level) {
    const SensorOptionalRange b = Descriptor().blackLevel;
    return Answer(level, b.defaultValue, b.supported);
}

int32_t CSensorBase::IsAuxModeSupported() {
    return Descriptor().auxModeSupported;
}

int32_t CSensorBase::SetAuxMode(int32_t) {
    return 0;
}

int32_t CSensorBase::GetAuxMode(int32_t* on) {
    const SensorDescriptor d = Descriptor();
    return Answer(on, d.auxModeCurrent, d.auxModeSupported);
}

int32_t CSensorBase::IsAnalogGainStepSupported() {
    return Descriptor().analogGainStep.supported;
}

int32_t CSensorBase::GetAnalogGainStepMin(int32_t* step) {
    const SensorOptionalRange s = Descriptor().analogGainStep;
    return Answer(step, s.min, s.supported);
}

int32_t CSensorBase::GetAnalogGainStepMax(int32_t* step) {
    const SensorOptionalRange s = Descriptor().analogGainStep;
    return Answer(step, s.max, s.supported);
}

int32_t CSensorBase::GetAnalogGainStepDefault(int32_t* step) {
    const SensorOptionalRange s = Descriptor().analogGainStep;
    return Answer(step, s.defaultValue, s.supported);
}

int32_t CSensorBase::GetAnalogGainStep(int32_t* step) {
    const SensorOptionalRange s = Descriptor().analogGainStep;
    return Answer(step, s.current, s.supported);
}

int32_t CSensorBase::SetAnalogGainStep(int32_t) {
    return 0;
}

int32_t CSensorBase::ReadAnalogGainStep(int32_t*) {
    return 0;
}

int32_t CSensorBase::GetAnalogGainStepLabel(int32_t, char*, int32_t) {
    return 0;
}

// ---- exposure time (0.1 ms) and the image reversals --------------------------------------

int32_t CSensorBase::SetExposureTime(int32_t) {
    return 0;
}

int32_t CSensorBase::GetExposureTime(int32_t* time) {
    return Answer(time, Descriptor().exposureTime.current);
}

int32_t CSensorBase::GetExposureTimeMin(int32_t* time) {
    return Answer(time, Descriptor().exposureTime.min);
}

int32_t CSensorBase::GetExposureTimeMax(int32_t* time) {
    return Answer(time, Descriptor().exposureTime.max);
}

int32_t CSensorBase::GetExposureTimeDefault(int32_t* time) {
    return Answer(time, Descriptor().exposureTime.defaultValue);
}

int32_t CSensorBase::SetMirror(int32_t) {
    return 0;
}

int32_t CSensorBase::GetMirror(int32_t* on) {
    return Answer(on, Descriptor().mirror.current);
}

int32_t CSensorBase::SetFlip(int32_t) {
    return 0;
}

int32_t CSensorBase::GetFlip(int32_t* on) {
    return Answer(on, Descriptor().flip.current);
}

int32_t CSensorBase::GetMirrorDefault(int32_t* on) {
    return Answer(on, Descriptor().mirror.defaultValue);
}

int32_t CSensorBase::GetFlipDefault(int32_t* on) {
    return Answer(on, Descriptor().flip.defaultValue);
}

int32_t CSensorBase::IsMirrorSupported() {
    return Descriptor().mirror.supported;
}

int32_t CSensorBase::IsFlipSupported() {
    return Descriptor().flip.supported;
}

// ---- registers and class-specific entries ------------------------------------------------

int32_t CSensorBase::ExtendedCommand(int32_t, int32_t*) {
    return 0;
}

int32_t CSensorBase::WriteRegister(int32_t, int32_t) {
    return 0;
}

int32_t CSensorBase::ReadRegister(int32_t, int32_t*) {
    return 0;
}

int32_t CSensorBase::WriteRegisterSafe(int32_t, int32_t) {
    return 0;
}

int32_t CSensorBase::ReadRegisterSafe(int32_t, int32_t*) {
    return 0;
}

int32_t CSensorBase::SetWaitValue(int32_t) {
    return 0;
}

int32_t CSensorBase::GetWaitValue(int32_t*) {
    return 0;
}

int32_t CSensorBase::Reserved84() {
    return 0;
}

int32_t CSensorBase::Reserved85() {
    return 0;
}

int32_t CSensorBase::Reserved86() {
    return 0;
}

int32_t CSensorBase::Reserved87() {
    return 0;
}

int32_t CSensorBase::SetPixelClockMode(int32_t) {
    return 0;
}

int32_t CSensorBase::GetPixelClockMode(int32_t*) {
    return 0;
}

int32_t CSensorBase::Reserved90() {
    return 0;
}

int32_t CSensorBase::Reserved91() {
    return 0;
}

// Copies the whole 368-byte record. Returns 1; 0 with nothing copied when out is null.
int32_t CSensorBase::GetDescriptor(SensorDescriptor* out) {
    if (out == nullptr) return 0;
    *out = Descriptor();
    return 1;
}

void CSensorBase::RestartSensor() {}

void CSensorBase::SendAuxCommand() {}

// ---- in-camera correction, cooler and temperature ----------------------------------------

int32_t CSensorBase::IsInternalCorrectionSupported(int32_t, int32_t) {
    return 0;
}

int32_t CSensorBase::SetInternalCorrection(int32_t) {
    return 0;
}

int32_t CSensorBase::GetInternalCorrectionRaw() {
    return 0;
}

int32_t CSensorBase::HasCooler() {
    return 0;
}

int32_t CSensorBase::GetCoolerState() {
    return 0;
}

int32_t CSensorBase::SetCooler(int32_t) {
    return 0;
}

int32_t CSensorBase::IsTemperatureSupported() {
    return 0;
}

int32_t CSensorBase::GetTemperature(double*) {
    return 0;
}

// ---- class-specific operations 103-120 ---------------------------------------------------

int32_t CSensorBase::SensorOperation103() {
    return 0;
}

void CSensorBase::SensorOperation104() {}

void CSensorBase::SensorOperation105(int32_t) {}

int32_t CSensorBase::SensorOperation106() {
    return 0;
}

int32_t CSensorBase::SensorOperation107() {
    return 0;
}

int32_t CSensorBase::SensorOperation108() {
    return 0;
}

int32_t CSensorBase::SensorOperation109() {
    return 0;
}

int32_t CSensorBase::SensorOperation110() {
    return 0;
}

int32_t CSensorBase::ReceiveText(char*, int32_t) {
    return 0;
}

int32_t CSensorBase::SendText(const char*, int32_t) {
    return 0;
}

int32_t CSensorBase::SensorOperation113() {
    return 0;
}

int32_t CSensorBase::SensorOperation114() {
    return 0;
}

int32_t CSensorBase::SensorOperation115() {
    return 0;
}

int32_t CSensorBase::SensorOperation116() {
    return 0;
}

int32_t CSensorBase::SensorOperation117() {
    return 0;
}

int32_t CSensorBase::SensorOperation118() {
    return 0;
}

int32_t CSensorBase::SensorOperation119() {
    return 0;
}

int32_t CSensorBase::SensorOperation120() {
    return 0;
}

// ---- exposure in seconds -----------------------------------------------------------------
// Min, max and default answer the supported word as a double; the current value answers it as
// an integer.

int32_t CSensorBase::IsExposureSecondsSupported() {
    return Descriptor().exposureSecondsSupported;
}

double CSensorBase::GetExposureSecondsMin(double* seconds) {
    const SensorDescriptor d = Descriptor();
    return Answer(seconds, d.exposureSecondsMin, d.exposureSecondsSupported);
}

double CSensorBase::GetExposureSecondsMax(double* seconds) {
    const SensorDescriptor d = Descriptor();
    return Answer(seconds, d.exposureSecondsMax, d.exposureSecondsSupported);
}

double CSensorBase::GetExposureSecondsDefault(double* seconds) {
    const SensorDescriptor d = Descriptor();
    return Answer(seconds, d.exposureSecondsDefault, d.exposureSecondsSupported);
}

int32_t CSensorBase::GetExposureSeconds(double* seconds) {
    const SensorDescriptor d = Descriptor();
    return Answer(seconds, d.exposureSecondsCurrent, d.exposureSecondsSupported);
}

int32_t CSensorBase::SetExposureSeconds(double) {
    return 0;
}

// ---- class-specific operations 127-146 and the display-mode answers ----------------------

int32_t CSensorBase::IsShortExposureModeSupported() {
    return 0;
}

int32_t CSensorBase::GetShortExposureMode(int32_t*) {
    return 0;
}

int32_t CSensorBase::SetShortExposureMode(int32_t) {
    return 0;
}

int32_t CSensorBase::SensorOperation130() {
    return 0;
}

int32_t CSensorBase::SensorOperation131() {
    return 0;
}

int32_t CSensorBase::IsGainModeSupported() {
    return 0;
}

// -1: no conversion-gain mode, or not readable.
int32_t CSensorBase::GetGainMode() {
    return -1;
}

int32_t CSensorBase::SetGainMode(int32_t) {
    return 0;
}

int32_t CSensorBase::SensorOperation135() {
    return 0;
}

int32_t CSensorBase::SensorOperation136() {
    return -1;
}

int32_t CSensorBase::SensorOperation137() {
    return 0;
}

int32_t CSensorBase::Supports8BitModes() {
    return 1;
}

int32_t CSensorBase::Supports16BitMode(int32_t) {
    return 1;
}

int32_t CSensorBase::SupportsColorModes() {
    return 1;
}

int32_t CSensorBase::IsFpgaOptionAvailable() {
    return 0;
}

int32_t CSensorBase::EnableFpgaOption() {
    return 0;
}

int32_t CSensorBase::SensorOperation143() {
    return 0;
}

int32_t CSensorBase::SensorOperation144() {
    return 0;
}

int32_t CSensorBase::SensorOperation145() {
    return 0;
}

void CSensorBase::SensorOperation146() {}

}  // namespace kelvra
