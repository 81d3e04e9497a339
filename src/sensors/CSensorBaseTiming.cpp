// CSensorBase: exposure from nanoseconds and the FPGA trigger-timing programs.
#include <cmath>

#include "sensors/CSensorBase.h"
#include "sensors/FpgaRegisterMap.h"

namespace kelvra {
namespace {

// Line periods (ns) and the fixed readout offset of the nanosecond conversion.
constexpr double kExposureOffsetNs = 7372.0;
constexpr double kLinePeriodFastNs = 6880.557337977816;      // high-speed readout variant
constexpr double kLinePeriodFullNs = 12959.94133284444;      // window height = default height
constexpr double kLinePeriodCroppedNs = 12961.774681455678;  // any other height
constexpr uint16_t kInfoFastReadout = 0x4000;                // information word bit 14

constexpr uint32_t kExposureTopMask = 0x0F;  // 0x9C takes exposure bits 24-27

}  // namespace

// Lines = trunc((ns - 7372) / period), at least 1, handed to SetExposureLines. Returns its
// result; 0 for a value that is not a finite number of lines.
int32_t CSensorBase::LinesFromNanoseconds(double ns, double periodNs) {
    const double lines = std::trunc((ns - kExposureOffsetNs) / periodNs);
    if (!std::isfinite(lines) || lines > INT32_MAX) return 0;
    return SetExposureLines(lines < 1.0 ? 1 : static_cast<int32_t>(lines));
}

// Exposure in nanoseconds with the line period of the current window: the high-speed period
// when information word bit 14 is set, else the full-height or the cropped period.
int32_t CSensorBase::SetExposureNanoseconds(double ns) {
    if (GetHardwareInfo() & kInfoFastReadout) return LinesFromNanoseconds(ns, kLinePeriodFastNs);
    const SensorDescriptor d = Descriptor();
    const double period = d.height == d.defaultHeight ? kLinePeriodFullNs : kLinePeriodCroppedNs;
    return LinesFromNanoseconds(ns, period);
}

// The variant whose standard line period does not depend on the window.
int32_t CSensorBase::SetExposureNanosecondsFixed(double ns) {
    if (GetHardwareInfo() & kInfoFastReadout) return LinesFromNanoseconds(ns, kLinePeriodFastNs);
    return LinesFromNanoseconds(ns, kLinePeriodCroppedNs);
}

// The three low bytes of a trigger delay in lines.
std::array<uint8_t, 3> CSensorBase::TriggerDelayBytes(uint32_t delay) {
    return {static_cast<uint8_t>(delay), static_cast<uint8_t>(delay >> 8),
            static_cast<uint8_t>(delay >> 16)};
}

// Runs one trigger-timing program with verified quick writes. The trigger stays off (0x58 = 0)
// until every timing value is in place, so the program stops at the first write that does not
// verify rather than arm the trigger with stale timing. Returns 1 when every write verified.
int32_t CSensorBase::ProgramTriggerTiming(const TriggerTimingProgram& program) {
    auto write = [&](uint8_t reg, uint8_t value) {
        return program.raisedTimer ? WriteFpgaVerifiedQuickTimer(reg, value)
                                   : WriteFpgaVerifiedQuick(reg, value);
    };
    const uint32_t e = program.exposureLines;
    if (program.switchTrigger && !write(fpga_reg::kTriggerMode, 0)) return 0;
    if (!write(fpga_reg::kTriggerExposure0, static_cast<uint8_t>(e)) ||
        !write(fpga_reg::kTriggerExposure1, static_cast<uint8_t>(e >> 8)) ||
        !write(fpga_reg::kTriggerExposure2, static_cast<uint8_t>(e >> 16))) {
        return 0;
    }
    if (program.writeExposureTop &&
        !write(fpga_reg::kTriggerExposure3, static_cast<uint8_t>((e >> 24) & kExposureTopMask))) {
        return 0;
    }
    if (!write(fpga_reg::kTriggerTiming0, program.timing0) ||
        !write(fpga_reg::kTriggerTiming1, program.timing1)) {
        return 0;
    }
    const uint8_t delayRegs[3] = {fpga_reg::kTriggerDelay0, fpga_reg::kTriggerDelay1,
                                  fpga_reg::kTriggerDelay2};
    for (int i = 0; i < program.delayBytes && i < 3; ++i) {
        if (!write(delayRegs[i], program.delay[static_cast<size_t>(i)])) return 0;
    }
    if (program.switchTrigger && !write(fpga_reg::kTriggerMode, program.triggerCode)) return 0;
    return 1;
}

}  // namespace kelvra
