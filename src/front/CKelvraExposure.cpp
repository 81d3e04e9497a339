// Exposure in seconds and microseconds, automatic control and the sensor temperature of
// CKelvra.
#include <cmath>
#include <cstdint>
#include <limits>

#include "front/CKelvra.h"
#include "front/DeviceFilterValues.h"

namespace kelvra {
namespace {

// Sensor exposure units are 0.1 ms.
constexpr double kUnitsPerSecond = 10000.0;
constexpr double kMicrosecondsPerUnit = 100.0;
constexpr int32_t kAutoIrisModes = 3;  // 0 off, 1 exposure, 2 gain
constexpr double kExposureNotRead = -1.0;
constexpr double kTemperatureNotRead = 0.0;

void SetFlag(int* ok, int value) {
    if (ok != nullptr) *ok = value;
}

// truncate(seconds x 10000) as a 32-bit count. The camera clamps what it is given, so it may
// accept a value whose sensor-unit count does not fit; that saturates instead of overflowing.
int32_t SecondsToUnits(double seconds) {
    const double units = std::trunc(seconds * kUnitsPerSecond);
    if (std::isnan(units)) return 0;
    if (units >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (units <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(units);
}

// Sensor units to microseconds, saturating for stored values too large to convert.
int32_t UnitsToMicroseconds(int32_t units) {
    const int64_t us = static_cast<int64_t>(units) * static_cast<int64_t>(kMicrosecondsPerUnit);
    if (us > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (us < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(us);
}

}  // namespace

// Sets the exposure in seconds on a camera that works in seconds. 1 once the camera took it
// (the seconds and the sensor-unit mirrors are stored); 0 without a code when the camera
// refused; 0 with code 11 when it does not work in seconds, code 1 without a device core.
int CKelvra::SetExposureTimeEx(double seconds) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (!device_->IsExposureSecondsSupported()) return RecordError(kErrorUnsupported), 0;
    if (!device_->SetExposureSeconds(seconds)) return 0;
    WithSettings([&] {
        camera_.exposureSeconds = seconds;
        camera_.exposure = SecondsToUnits(seconds);
    });
    return 1;
}

// The camera's exposure in seconds; ok (optional) is 1 when it was read. -1.0 when it was not:
// the camera's read failed (no code), it does not work in seconds (code 11), or there is no
// device core (code 1). A successful read refreshes the seconds mirror.
double CKelvra::GetExposureTimeEx(int* ok) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    SetFlag(ok, 0);
    if (!device_) return RecordError(kErrorNoCamera), kExposureNotRead;
    if (!device_->IsExposureSecondsSupported()) {
        return RecordError(kErrorUnsupported), kExposureNotRead;
    }
    double seconds = 0.0;
    if (!device_->GetExposureSeconds(&seconds)) return kExposureNotRead;
    SetFlag(ok, 1);
    WithSettings([&] { camera_.exposureSeconds = seconds; });
    return seconds;
}

// Sets the exposure from microseconds, truncated to sensor units of 100 us. 1 once the camera
// took it; 0 with code 9 when the units lie outside the camera's limits, code 1 without a
// device core; 0 without a code when the camera refused (nothing stored).
int CKelvra::SetRealExposureTime(int microseconds) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    const auto units = static_cast<int32_t>(microseconds / kMicrosecondsPerUnit);
    if (units < device_->GetExposureTimeMin() || units > device_->GetExposureTimeMax()) {
        return RecordError(kErrorParameter), 0;
    }
    if (!device_->SetExposureTime(units)) return 0;
    const std::optional<double> seconds = ReadExposureSeconds(*device_);
    WithSettings([&] {
        camera_.exposure = units;
        realExposureUnits_ = units;
        if (seconds) camera_.exposureSeconds = *seconds;
    });
    return 1;
}

// The stored exposure in microseconds, remembered as the last value handed out; ok (optional)
// 1. Without a device core: code 1, 0 and ok 0.
int CKelvra::GetRealExposureTime(int* ok) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) {
        SetFlag(ok, 0);
        return RecordError(kErrorNoCamera), 0;
    }
    SetFlag(ok, 1);
    return WithSettings([&] {
        lastRealExposure_ = UnitsToMicroseconds(camera_.exposure);
        return lastRealExposure_;
    });
}

// Automatic control: 0 off, 1 exposure, 2 gain, stored for the frame path; 1. Any other mode,
// negative ones included, posts code 9 without entering the history and gives 0. The device
// core is checked like everywhere else: code 1 without one.
int CKelvra::SetAutoIris(int mode) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (mode < 0 || mode >= kAutoIrisModes) return NotifyError(kErrorParameter), 0;
    WithSettings([&] { camera_.autoIris = mode; });
    return 1;
}

// The stored automatic-control mode, ok (optional) 1; code 1, 0 and ok 0 without a device core.
int CKelvra::GetAutoIris(int* ok) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) {
        SetFlag(ok, 0);
        return RecordError(kErrorNoCamera), 0;
    }
    SetFlag(ok, 1);
    return WithSettings([&] { return camera_.autoIris; });
}

// The sensor temperature in degrees Celsius; ok (optional) 1 when read, which also records
// code 0. 0.0 and ok 0 when not read: the read failed (code 12), the camera has gone (code 2),
// the camera has no sensor thermometer (code 11), there is no device core (code 1).
double CKelvra::GetTemperatureEx(int* ok) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    SetFlag(ok, 0);
    if (!device_) return RecordError(kErrorNoCamera), kTemperatureNotRead;
    if (!device_->IsTemperatureSupported()) {
        return RecordError(kErrorUnsupported), kTemperatureNotRead;
    }
    double celsius = 0.0;
    if (!device_->GetTemperature(&celsius)) {
        return RecordError(kErrorConversion), kTemperatureNotRead;
    }
    if (device_->CameraLost()) return RecordError(kErrorNotPresent), kTemperatureNotRead;
    SetFlag(ok, 1);
    RecordError(kErrorNone);
    return celsius;
}

}  // namespace kelvra
