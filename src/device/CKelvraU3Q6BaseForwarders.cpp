// One-line operations that forward to the sensor driver or read its descriptor. Without a
// driver they answer 0, apart from GetGainMode and SensorOperation136 (-1) and the display-mode,
// FPGA-option and SensorOperation144 queries (1), so the front offers every mode.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "device/CKelvraU3Q6Base.h"
#include "device/ProductIds.h"

namespace kelvra {
namespace {

constexpr int32_t kNoSensor = 0;
constexpr int32_t kNoSensorUnknown = -1;
constexpr int32_t kNoSensorYes = 1;
constexpr size_t kTextBufferBytes = 256;

using WordGetter = int32_t (CSensorBase::*)(int32_t*);
using DoubleGetter = double (CSensorBase::*)(double*);

// A getter with an output word: a zeroed word goes in and comes back as the answer; the
// driver's own success result is dropped.
int32_t Word(CSensorBase* sensor, WordGetter getter) {
    int32_t value = 0;
    if (sensor) (sensor->*getter)(&value);
    return value;
}

double Double(CSensorBase* sensor, DoubleGetter getter) {
    double value = 0.0;
    if (sensor) (sensor->*getter)(&value);
    return value;
}

}  // namespace

// ---- 46-53, 55: mirroring and trigger mode ---------------------------------------------------

int32_t CKelvraU3Q6Base::SetFlip(int32_t on) {
    return m_sensor ? m_sensor->SetFlip(on) : kNoSensor;
}

int32_t CKelvraU3Q6Base::SetMirror(int32_t on) {
    return m_sensor ? m_sensor->SetMirror(on) : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetFlip() {
    return Word(m_sensor.get(), &CSensorBase::GetFlip);
}

int32_t CKelvraU3Q6Base::GetMirror() {
    return Word(m_sensor.get(), &CSensorBase::GetMirror);
}

int32_t CKelvraU3Q6Base::GetFlipDefault() {
    return Word(m_sensor.get(), &CSensorBase::GetFlipDefault);
}

int32_t CKelvraU3Q6Base::GetMirrorDefault() {
    return Word(m_sensor.get(), &CSensorBase::GetMirrorDefault);
}

int32_t CKelvraU3Q6Base::IsMirrorSupported() {
    return m_sensor ? m_sensor->IsMirrorSupported() : kNoSensor;
}

int32_t CKelvraU3Q6Base::IsFlipSupported() {
    return m_sensor ? m_sensor->IsFlipSupported() : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetTriggerMode() {
    return Word(m_sensor.get(), &CSensorBase::GetTriggerMode);
}

// ---- 58-65: descriptor fields ----------------------------------------------------------------

int32_t CKelvraU3Q6Base::GetWindowFlagA() {
    SensorDescriptor d;
    return Descriptor(&d) ? d.windowFlagA : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetWindowFlagB() {
    SensorDescriptor d;
    return Descriptor(&d) ? d.windowFlagB : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetSensorMaxWidth() {
    SensorDescriptor d;
    return Descriptor(&d) ? d.maxWidth : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetSensorMaxHeight() {
    SensorDescriptor d;
    return Descriptor(&d) ? d.maxHeight : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetDefaultWidth() {
    SensorDescriptor d;
    return Descriptor(&d) ? d.defaultWidth : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetDefaultHeight() {
    SensorDescriptor d;
    return Descriptor(&d) ? d.defaultHeight : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetDefaultX() {
    SensorDescriptor d;
    return Descriptor(&d) ? d.defaultX : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetDefaultY() {
    SensorDescriptor d;
    return Descriptor(&d) ? d.defaultY : kNoSensor;
}

// ---- 66-86: gain and exposure --------------------------------------------------------------

int32_t CKelvraU3Q6Base::SetGain(int32_t gain) {
    return m_sensor ? m_sensor->SetGain(gain) : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetGain() {
    return Word(m_sensor.get(), &CSensorBase::GetGain);
}

int32_t CKelvraU3Q6Base::GetGainMin() {
    return Word(m_sensor.get(), &CSensorBase::GetGainMin);
}

int32_t CKelvraU3Q6Base::GetGainMax() {
    return Word(m_sensor.get(), &CSensorBase::GetGainMax);
}

int32_t CKelvraU3Q6Base::GetGainDefault() {
    return Word(m_sensor.get(), &CSensorBase::GetGainDefault);
}

int32_t CKelvraU3Q6Base::GetExposureTime() {
    return Word(m_sensor.get(), &CSensorBase::GetExposureTime);
}

int32_t CKelvraU3Q6Base::GetExposureTimeMin() {
    return Word(m_sensor.get(), &CSensorBase::GetExposureTimeMin);
}

int32_t CKelvraU3Q6Base::GetExposureTimeMax() {
    return Word(m_sensor.get(), &CSensorBase::GetExposureTimeMax);
}

int32_t CKelvraU3Q6Base::GetExposureTimeDefault() {
    return Word(m_sensor.get(), &CSensorBase::GetExposureTimeDefault);
}

int32_t CKelvraU3Q6Base::SetExposureLines(int32_t lines) {
    return m_sensor ? m_sensor->SetExposureLines(lines) : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetExposureLines() {
    return Word(m_sensor.get(), &CSensorBase::GetExposureLines);
}

int32_t CKelvraU3Q6Base::GetExposureLinesMin() {
    return Word(m_sensor.get(), &CSensorBase::GetExposureLinesMin);
}

int32_t CKelvraU3Q6Base::GetExposureLinesMax() {
    return Word(m_sensor.get(), &CSensorBase::GetExposureLinesMax);
}

int32_t CKelvraU3Q6Base::GetExposureLinesDefault() {
    return Word(m_sensor.get(), &CSensorBase::GetExposureLinesDefault);
}

int32_t CKelvraU3Q6Base::IsExposureSecondsSupported() {
    return m_sensor ? m_sensor->IsExposureSecondsSupported() : kNoSensor;
}

// The current exposure in seconds into *seconds (optional); the driver's supported word.
int32_t CKelvraU3Q6Base::GetExposureSeconds(double* seconds) {
    if (!m_sensor) return kNoSensor;
    double value = 0.0;
    const int32_t result = m_sensor->GetExposureSeconds(&value);
    if (seconds) *seconds = value;
    return result;
}

double CKelvraU3Q6Base::GetExposureSecondsMin() {
    return Double(m_sensor.get(), &CSensorBase::GetExposureSecondsMin);
}

double CKelvraU3Q6Base::GetExposureSecondsMax() {
    return Double(m_sensor.get(), &CSensorBase::GetExposureSecondsMax);
}

double CKelvraU3Q6Base::GetExposureSecondsDefault() {
    return Double(m_sensor.get(), &CSensorBase::GetExposureSecondsDefault);
}

// ---- 87-96: analog front-end gain and offset per output channel ----------------------------

int32_t CKelvraU3Q6Base::SetChannelGain(int32_t channel, int32_t value) {
    return m_sensor ? m_sensor->SetChannelGain(channel, value) : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetChannelGain(int32_t channel) {
    int32_t value = 0;
    if (m_sensor) m_sensor->GetChannelGain(channel, &value);
    return value;
}

int32_t CKelvraU3Q6Base::GetChannelGainMin() {
    return Word(m_sensor.get(), &CSensorBase::GetChannelGainMin);
}

int32_t CKelvraU3Q6Base::GetChannelGainMax() {
    return Word(m_sensor.get(), &CSensorBase::GetChannelGainMax);
}

int32_t CKelvraU3Q6Base::GetChannelGainDefault() {
    return Word(m_sensor.get(), &CSensorBase::GetChannelGainDefault);
}

int32_t CKelvraU3Q6Base::SetChannelOffset(int32_t channel, int32_t value) {
    return m_sensor ? m_sensor->SetChannelOffset(channel, value) : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetChannelOffset(int32_t channel) {
    int32_t value = 0;
    if (m_sensor) m_sensor->GetChannelOffset(channel, &value);
    return value;
}

int32_t CKelvraU3Q6Base::GetChannelOffsetMin() {
    return Word(m_sensor.get(), &CSensorBase::GetChannelOffsetMin);
}

int32_t CKelvraU3Q6Base::GetChannelOffsetMax() {
    return Word(m_sensor.get(), &CSensorBase::GetChannelOffsetMax);
}

int32_t CKelvraU3Q6Base::GetChannelOffsetDefault() {
    return Word(m_sensor.get(), &CSensorBase::GetChannelOffsetDefault);
}

// ---- 97-107: colour gains ------------------------------------------------------------------

int32_t CKelvraU3Q6Base::SetColorGainRed(int32_t gain) {
    return m_sensor ? m_sensor->SetColorGainRed(gain) : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetColorGainRed() {
    return Word(m_sensor.get(), &CSensorBase::GetColorGainRed);
}

int32_t CKelvraU3Q6Base::SetColorGainGreen1(int32_t gain) {
    return m_sensor ? m_sensor->SetColorGainGreen1(gain) : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetColorGainGreen1() {
    return Word(m_sensor.get(), &CSensorBase::GetColorGainGreen1);
}

int32_t CKelvraU3Q6Base::SetColorGainGreen2(int32_t gain) {
    return m_sensor ? m_sensor->SetColorGainGreen2(gain) : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetColorGainGreen2() {
    return Word(m_sensor.get(), &CSensorBase::GetColorGainGreen2);
}

int32_t CKelvraU3Q6Base::SetColorGainBlue(int32_t gain) {
    return m_sensor ? m_sensor->SetColorGainBlue(gain) : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetColorGainBlue() {
    return Word(m_sensor.get(), &CSensorBase::GetColorGainBlue);
}

int32_t CKelvraU3Q6Base::GetColorGainMin() {
    return Word(m_sensor.get(), &CSensorBase::GetColorGainMin);
}

int32_t CKelvraU3Q6Base::GetColorGainMax() {
    return Word(m_sensor.get(), &CSensorBase::GetColorGainMax);
}

int32_t CKelvraU3Q6Base::GetColorGainDefault() {
    return Word(m_sensor.get(), &CSensorBase::GetColorGainDefault);
}

// ---- 108-116: black level and the auxiliary sensor mode ------------------------------------

int32_t CKelvraU3Q6Base::IsBlackLevelSupported() {
    return m_sensor ? m_sensor->IsBlackLevelSupported() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SetBlackLevel(int32_t level) {
    return m_sensor ? m_sensor->SetBlackLevel(level) : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetBlackLevel() {
    return Word(m_sensor.get(), &CSensorBase::GetBlackLevel);
}

int32_t CKelvraU3Q6Base::GetBlackLevelMin() {
    return Word(m_sensor.get(), &CSensorBase::GetBlackLevelMin);
}

int32_t CKelvraU3Q6Base::GetBlackLevelMax() {
    return Word(m_sensor.get(), &CSensorBase::GetBlackLevelMax);
}

int32_t CKelvraU3Q6Base::GetBlackLevelDefault() {
    return Word(m_sensor.get(), &CSensorBase::GetBlackLevelDefault);
}

int32_t CKelvraU3Q6Base::IsAuxModeSupported() {
    return m_sensor ? m_sensor->IsAuxModeSupported() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SetAuxMode(int32_t on) {
    return m_sensor ? m_sensor->SetAuxMode(on) : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetAuxMode() {
    return Word(m_sensor.get(), &CSensorBase::GetAuxMode);
}

// ---- 126-131: sensor restart, auxiliary command, gain mode ---------------------------------

// The driver's restart has no result of its own: 1 once it ran.
int32_t CKelvraU3Q6Base::RestartSensor() {
    if (!m_sensor) return kNoSensor;
    m_sensor->RestartSensor();
    return 1;
}

int32_t CKelvraU3Q6Base::SendAuxCommand() {
    if (!m_sensor) return kNoSensor;
    m_sensor->SendAuxCommand();
    return 1;
}

int32_t CKelvraU3Q6Base::IsGainModeSupported() {
    return m_sensor ? m_sensor->IsGainModeSupported() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SetGainMode(int32_t mode) {
    return m_sensor ? m_sensor->SetGainMode(mode) : kNoSensor;
}

// -1: the gain mode is unknown without a sensor driver.
int32_t CKelvraU3Q6Base::GetGainMode() {
    return m_sensor ? m_sensor->GetGainMode() : kNoSensorUnknown;
}

// ---- 142-148: module text channel, cooler and temperature ----------------------------------

// Text from the camera module (0x3180 only), received into 256 bytes and copied into `text`
// truncated to `length` bytes with its terminator. The driver's result, else 0.
int32_t CKelvraU3Q6Base::ReceiveText(char* text, int32_t length) {
    if (!m_sensor || m_productId != product::kModuleConsole || text == nullptr || length <= 0) {
        return kNoSensor;
    }
    std::array<char, kTextBufferBytes> received{};
    const int32_t result = m_sensor->ReceiveText(received.data(), int32_t(received.size()));
    received.back() = '\0';
    const size_t copied = std::min(std::strlen(received.data()), size_t(length) - 1);
    std::memcpy(text, received.data(), copied);
    text[copied] = '\0';
    return result;
}

// Up to `length` characters of `text`, ending at its first NUL, to the camera module (0x3180
// only), terminated. Nothing past a NUL is read: a length larger than the text must not make
// the copy run off the caller's string. The driver's result, else 0.
int32_t CKelvraU3Q6Base::SendText(const char* text, int32_t length) {
    if (!m_sensor || m_productId != product::kModuleConsole || text == nullptr || length < 0) {
        return kNoSensor;
    }
    const size_t count = strnlen(text, size_t(length));
    const std::string terminated(text, count);  // the string adds the terminator
    return m_sensor->SendText(terminated.c_str(), int32_t(count));
}

int32_t CKelvraU3Q6Base::HasCooler() {
    return m_sensor ? m_sensor->HasCooler() : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetCoolerState() {
    return m_sensor ? m_sensor->GetCoolerState() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SetCooler(int32_t on) {
    return m_sensor ? m_sensor->SetCooler(on) : kNoSensor;
}

int32_t CKelvraU3Q6Base::IsTemperatureSupported() {
    return m_sensor ? m_sensor->IsTemperatureSupported() : kNoSensor;
}

// Sensor temperature in degrees Celsius into *celsius (optional); the driver's result.
int32_t CKelvraU3Q6Base::GetTemperature(double* celsius) {
    if (!m_sensor) return kNoSensor;
    double value = 0.0;
    const int32_t result = m_sensor->GetTemperature(&value);
    if (celsius && result) *celsius = value;
    return result;
}

// ---- 149-163: class-specific sensor operations ---------------------------------------------

int32_t CKelvraU3Q6Base::SensorOperation108() {
    return m_sensor ? m_sensor->SensorOperation108() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation109() {
    return m_sensor ? m_sensor->SensorOperation109() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation110() {
    return m_sensor ? m_sensor->SensorOperation110() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation113() {
    return m_sensor ? m_sensor->SensorOperation113() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation114() {
    return m_sensor ? m_sensor->SensorOperation114() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation115() {
    return m_sensor ? m_sensor->SensorOperation115() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation116() {
    return m_sensor ? m_sensor->SensorOperation116() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation117() {
    return m_sensor ? m_sensor->SensorOperation117() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation118() {
    return m_sensor ? m_sensor->SensorOperation118() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation119() {
    return m_sensor ? m_sensor->SensorOperation119() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation120() {
    return m_sensor ? m_sensor->SensorOperation120() : kNoSensor;
}

int32_t CKelvraU3Q6Base::IsBlockStreamModel2() {
    return IsBlockStreamModel();
}

int32_t CKelvraU3Q6Base::SensorOperation130() {
    return m_sensor ? m_sensor->SensorOperation130() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation131() {
    return m_sensor ? m_sensor->SensorOperation131() : kNoSensor;
}

// ---- 164-179: trigger polarity, short exposure mode, analog gain step ----------------------

int32_t CKelvraU3Q6Base::SetTriggerPolarity(int32_t polarity) {
    return m_sensor ? m_sensor->SetTriggerPolarity(polarity) : kNoSensor;
}

int32_t CKelvraU3Q6Base::ApplyTriggerPolarity() {
    return m_sensor ? m_sensor->ApplyTriggerPolarity() : kNoSensor;
}

int32_t CKelvraU3Q6Base::IsTriggerPolaritySupported() {
    return m_sensor ? m_sensor->IsTriggerPolaritySupported() : kNoSensor;
}

int32_t CKelvraU3Q6Base::IsShortExposureModeSupported() {
    return m_sensor ? m_sensor->IsShortExposureModeSupported() : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetShortExposureMode(int32_t* on) {
    if (!m_sensor) return kNoSensor;
    int32_t value = 0;
    const int32_t result = m_sensor->GetShortExposureMode(&value);
    if (on) *on = value;
    return result;
}

int32_t CKelvraU3Q6Base::SetShortExposureMode(int32_t on) {
    return m_sensor ? m_sensor->SetShortExposureMode(on) : kNoSensor;
}

int32_t CKelvraU3Q6Base::IsAnalogGainStepSupported() {
    return m_sensor ? m_sensor->IsAnalogGainStepSupported() : kNoSensor;
}

int32_t CKelvraU3Q6Base::GetAnalogGainStepMin() {
    return Word(m_sensor.get(), &CSensorBase::GetAnalogGainStepMin);
}

int32_t CKelvraU3Q6Base::GetAnalogGainStepMax() {
    return Word(m_sensor.get(), &CSensorBase::GetAnalogGainStepMax);
}

int32_t CKelvraU3Q6Base::GetAnalogGainStepDefault() {
    return Word(m_sensor.get(), &CSensorBase::GetAnalogGainStepDefault);
}

int32_t CKelvraU3Q6Base::ReadAnalogGainStep() {
    return Word(m_sensor.get(), &CSensorBase::ReadAnalogGainStep);
}

int32_t CKelvraU3Q6Base::SetAnalogGainStep(int32_t step) {
    return m_sensor ? m_sensor->SetAnalogGainStep(step) : kNoSensor;
}

// The label of a gain step ("1.85x") in at most `length` bytes, the terminator included.
int32_t CKelvraU3Q6Base::GetAnalogGainStepLabel(int32_t step, char* text, int32_t length) {
    if (!m_sensor || text == nullptr || length <= 0) return kNoSensor;
    return m_sensor->GetAnalogGainStepLabel(step, text, length);
}

int32_t CKelvraU3Q6Base::SensorOperation135() {
    return m_sensor ? m_sensor->SensorOperation135() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation137() {
    return m_sensor ? m_sensor->SensorOperation137() : kNoSensor;
}

int32_t CKelvraU3Q6Base::SensorOperation136() {
    return m_sensor ? m_sensor->SensorOperation136() : kNoSensorUnknown;
}

// ---- 180-186: display modes, FPGA option, class-specific -----------------------------------

int32_t CKelvraU3Q6Base::Supports8BitModes() {
    return m_sensor ? m_sensor->Supports8BitModes() : kNoSensorYes;
}

// `query` is passed on to the sensor driver unchanged; the core itself asks with 0.
int32_t CKelvraU3Q6Base::Supports16BitMode(int32_t query) {
    return m_sensor ? m_sensor->Supports16BitMode(query) : kNoSensorYes;
}

int32_t CKelvraU3Q6Base::SupportsColorModes() {
    return m_sensor ? m_sensor->SupportsColorModes() : kNoSensorYes;
}

int32_t CKelvraU3Q6Base::IsFpgaOptionAvailable() {
    return m_sensor ? m_sensor->IsFpgaOptionAvailable() : kNoSensorYes;
}

int32_t CKelvraU3Q6Base::EnableFpgaOption() {
    return m_sensor ? m_sensor->EnableFpgaOption() : kNoSensorYes;
}

int32_t CKelvraU3Q6Base::SensorOperation144() {
    return m_sensor ? m_sensor->SensorOperation144() : kNoSensorYes;
}

void CKelvraU3Q6Base::Reserved186() {}

}  // namespace kelvra
