// CSensorFamily: colour gains, output channels, black level, the reversals, cooler,
// temperature and gain mode as the family table marks them, and the hooks' answers for a
// class without a program of its own.
#include "sensors/CSensorFamily.h"

namespace kelvra {

// ---- colour gains ------------------------------------------------------------------------

int32_t CSensorFamily::SetColorGain(SensorColorChannel channel, int32_t gain) {
    if (MarkFor(Setter::ColorGains) != Mark::Own || Controller() == nullptr) return 0;
    const SensorRange r = Descriptor().colorGain[channel];
    const int32_t g = Clamp(gain, r.min, r.max);
    if (!ProgramColorGain(channel, g)) return 0;
    UpdateDescriptor([channel, g](SensorDescriptor& d) { d.colorGain[channel].current = g; });
    return 1;
}

int32_t CSensorFamily::GetColorGain(SensorColorChannel channel, int32_t* gain) {
    if (MarkFor(Setter::ColorGains) != Mark::Own || gain == nullptr) return 0;
    *gain = Descriptor().colorGain[channel].current;
    return 1;
}

int32_t CSensorFamily::SetColorGainRed(int32_t gain) {
    return SetColorGain(kColorRed, gain);
}
int32_t CSensorFamily::GetColorGainRed(int32_t* gain) {
    return GetColorGain(kColorRed, gain);
}
int32_t CSensorFamily::SetColorGainGreen1(int32_t gain) {
    return SetColorGain(kColorGreen1, gain);
}
int32_t CSensorFamily::GetColorGainGreen1(int32_t* gain) {
    return GetColorGain(kColorGreen1, gain);
}
int32_t CSensorFamily::SetColorGainGreen2(int32_t gain) {
    return SetColorGain(kColorGreen2, gain);
}
int32_t CSensorFamily::GetColorGainGreen2(int32_t* gain) {
    return GetColorGain(kColorGreen2, gain);
}
int32_t CSensorFamily::SetColorGainBlue(int32_t gain) {
    return SetColorGain(kColorBlue, gain);
}
int32_t CSensorFamily::GetColorGainBlue(int32_t* gain) {
    return GetColorGain(kColorBlue, gain);
}

// ---- output channels 1-4 -----------------------------------------------------------------

int32_t CSensorFamily::SetChannelGain(int32_t channel, int32_t value) {
    if (!ChannelsOwn()) return CSensorBase::SetChannelGain(channel, value);
    if (Controller() == nullptr || channel < 1 || channel > kChannels) return 0;
    const int32_t v = Clamp(value, 0, kChannelMax);
    if (!ProgramChannelGain(channel, v)) return 0;
    m_channelGain[size_t(channel - 1)].store(v);
    return 1;
}

int32_t CSensorFamily::GetChannelGain(int32_t channel, int32_t* value) {
    if (!ChannelsOwn()) return CSensorBase::GetChannelGain(channel, value);
    if (value == nullptr || channel < 1 || channel > kChannels) return 0;
    *value = m_channelGain[size_t(channel - 1)].load();
    return 1;
}

int32_t CSensorFamily::SetChannelOffset(int32_t channel, int32_t value) {
    if (!ChannelsOwn()) return CSensorBase::SetChannelOffset(channel, value);
    if (Controller() == nullptr || channel < 1 || channel > kChannels) return 0;
    const int32_t v = Clamp(value, 0, kChannelMax);
    if (!ProgramChannelOffset(channel, v)) return 0;
    m_channelOffset[size_t(channel - 1)].store(v);
    return 1;
}

int32_t CSensorFamily::GetChannelOffset(int32_t channel, int32_t* value) {
    if (!ChannelsOwn()) return CSensorBase::GetChannelOffset(channel, value);
    if (value == nullptr || channel < 1 || channel > kChannels) return 0;
    *value = m_channelOffset[size_t(channel - 1)].load();
    return 1;
}

namespace {
int32_t AnswerRange(int32_t* out, int32_t value) {
    if (out == nullptr) return 0;
    *out = value;
    return 1;
}
}  // namespace

int32_t CSensorFamily::GetChannelGainMin(int32_t* value) {
    return ChannelsOwn() ? AnswerRange(value, 0) : CSensorBase::GetChannelGainMin(value);
}
int32_t CSensorFamily::GetChannelGainMax(int32_t* value) {
    return ChannelsOwn() ? AnswerRange(value, kChannelMax) : CSensorBase::GetChannelGainMax(value);
}
int32_t CSensorFamily::GetChannelGainDefault(int32_t* value) {
    return ChannelsOwn() ? AnswerRange(value, kChannelGainDefault)
                         : CSensorBase::GetChannelGainDefault(value);
}
int32_t CSensorFamily::GetChannelOffsetMin(int32_t* value) {
    return ChannelsOwn() ? AnswerRange(value, 0) : CSensorBase::GetChannelOffsetMin(value);
}
int32_t CSensorFamily::GetChannelOffsetMax(int32_t* value) {
    return ChannelsOwn() ? AnswerRange(value, kChannelMax)
                         : CSensorBase::GetChannelOffsetMax(value);
}
int32_t CSensorFamily::GetChannelOffsetDefault(int32_t* value) {
    return ChannelsOwn() ? AnswerRange(value, 0) : CSensorBase::GetChannelOffsetDefault(value);
}

// ---- black level and the reversals -------------------------------------------------------

int32_t CSensorFamily::SetBlackLevel(int32_t level) {
    if (MarkFor(Setter::BlackLevel) != Mark::Own) return CSensorBase::SetBlackLevel(level);
    if (Controller() == nullptr) return 0;
    const SensorOptionalRange r = Descriptor().blackLevel;
    int32_t stored = Clamp(level, r.min, r.max);
    if (!ProgramBlackLevel(stored, &stored)) return 0;
    UpdateDescriptor([stored](SensorDescriptor& d) { d.blackLevel.current = stored; });
    return 1;
}

int32_t CSensorFamily::SetMirror(int32_t on) {
    if (MarkFor(Setter::Mirror) != Mark::Own) return CSensorBase::SetMirror(on);
    const int32_t value = on ? 1 : 0;
    if (Controller() == nullptr || !ProgramMirror(value != 0)) return 0;
    UpdateDescriptor([value](SensorDescriptor& d) { d.mirror.current = value; });
    return 1;
}

int32_t CSensorFamily::SetFlip(int32_t on) {
    if (MarkFor(Setter::Flip) != Mark::Own) return CSensorBase::SetFlip(on);
    const int32_t value = on ? 1 : 0;
    if (Controller() == nullptr || !ProgramFlip(value != 0)) return 0;
    UpdateDescriptor([value](SensorDescriptor& d) { d.flip.current = value; });
    return 1;
}

// ---- cooler, temperature, gain mode ------------------------------------------------------

int32_t CSensorFamily::HasCooler() {
    return MarkFor(Setter::Cooler) == Mark::Own && CoolerFitted() ? 1 : 0;
}

int32_t CSensorFamily::GetCoolerState() {
    return HasCooler() ? CoolerState() : 0;
}

int32_t CSensorFamily::SetCooler(int32_t on) {
    if (!HasCooler() || Controller() == nullptr) return 0;
    return ProgramCooler(on > 0);
}

int32_t CSensorFamily::IsTemperatureSupported() {
    return MarkFor(Setter::Temperature) == Mark::Own && TemperatureAvailable() ? 1 : 0;
}

int32_t CSensorFamily::GetTemperature(double* celsius) {
    if (celsius == nullptr || Controller() == nullptr || !IsTemperatureSupported()) return 0;
    return ReadTemperature(celsius);
}

int32_t CSensorFamily::IsGainModeSupported() {
    return MarkFor(Setter::GainMode) == Mark::Own ? 1 : CSensorBase::IsGainModeSupported();
}

int32_t CSensorFamily::GetGainMode() {
    if (MarkFor(Setter::GainMode) != Mark::Own || Controller() == nullptr) {
        return CSensorBase::GetGainMode();
    }
    return ReadGainMode();
}

int32_t CSensorFamily::SetGainMode(int32_t mode) {
    if (MarkFor(Setter::GainMode) != Mark::Own) return CSensorBase::SetGainMode(mode);
    return Controller() ? ProgramGainMode(mode) : 0;
}

// ---- display modes -----------------------------------------------------------------------

int32_t CSensorFamily::Supports8BitModes() {
    return MarkFor(Setter::EightBitModes) == Mark::Refuses ? 0 : CSensorBase::Supports8BitModes();
}

int32_t CSensorFamily::Supports16BitMode(int32_t query) {
    return MarkFor(Setter::SixteenBitMode) == Mark::Refuses ? 0
                                                            : CSensorBase::Supports16BitMode(query);
}

int32_t CSensorFamily::SupportsColorModes() {
    return MarkFor(Setter::ColorModes) == Mark::Refuses ? 0 : CSensorBase::SupportsColorModes();
}

// ---- defaults of the hooks: no program of the class's own ------------------------------

int32_t CSensorFamily::ProgramInit() {
    return ApplyDefaults();
}
int32_t CSensorFamily::ProgramWindow(Window&) {
    return 0;
}
int32_t CSensorFamily::ProgramTrigger(int32_t) {
    return 0;
}
int32_t CSensorFamily::ProgramOutputBits(int32_t) {
    return 0;
}
int32_t CSensorFamily::ProgramExposureLines(int32_t) {
    return 0;
}
int32_t CSensorFamily::ProgramGain(int32_t) {
    return 0;
}
int32_t CSensorFamily::ProgramColorGain(SensorColorChannel, int32_t) {
    return 0;
}
int32_t CSensorFamily::ProgramChannelGain(int32_t, int32_t) {
    return 0;
}
int32_t CSensorFamily::ProgramChannelOffset(int32_t, int32_t) {
    return 0;
}
int32_t CSensorFamily::ProgramBlackLevel(int32_t, int32_t*) {
    return 0;
}
int32_t CSensorFamily::ProgramMirror(bool) {
    return 0;
}
int32_t CSensorFamily::ProgramFlip(bool) {
    return 0;
}
int32_t CSensorFamily::ProgramCooler(bool) {
    return 0;
}
int32_t CSensorFamily::CoolerState() {
    return 0;
}
bool CSensorFamily::CoolerFitted() {
    return false;
}
bool CSensorFamily::TemperatureAvailable() {
    return false;
}
int32_t CSensorFamily::ReadTemperature(double*) {
    return 0;
}
int32_t CSensorFamily::ReadGainMode() {
    return -1;
}
int32_t CSensorFamily::ProgramGainMode(int32_t) {
    return 0;
}
int32_t CSensorFamily::SetStandby(bool) {
    return 1;
}
int32_t CSensorFamily::SetSensorTriggerInput(bool) {
    return 1;
}

}  // namespace kelvra
