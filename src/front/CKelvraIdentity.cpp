// Camera information and serial number of CKelvra.
#include <algorithm>
#include <cstring>

#include "front/CKelvra.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"

namespace kelvra {
namespace {

constexpr int32_t kInfoMinimumSize = 36;
constexpr int32_t kInfoWithSecondsSize = 56;
constexpr int32_t kSensorWidth = 1280;
constexpr int32_t kSensorHeight = 1024;

// The serial number: up to 32 bytes of camera memory from 0x1040, ended by 0xFF.
constexpr int kSerialAddress = 0x1040;
constexpr int kSerialBytes = 32;
constexpr uint8_t kSerialEnd = 0xFF;
// The camera memory needs this pause between byte reads.
constexpr uint32_t kSerialReadPauseMs = 10;
constexpr int kNarrowBuffer = 1024;

}  // namespace

int CKelvra::GetCameraInfo(KELVRA_CAMERA_INFO* info) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (info == nullptr) return RecordError(kErrorParameter), 0;
    const int32_t size = info->size;
    if (size < kInfoMinimumSize) return RecordError(kErrorMemory), 0;
    info->maxWidth = kSensorWidth;
    info->maxHeight = kSensorHeight;
    info->gainMin = device_->GetGainMin();
    info->gainMax = device_->GetGainMax();
    info->colorGainMin = device_->GetColorGainMin();
    info->colorGainMax = device_->GetColorGainMax();
    info->exposureMin = device_->GetExposureTimeMin();
    info->exposureMax = device_->GetExposureTimeMax();
    if (size >= kInfoWithSecondsSize) {
        info->exposureSecondsMin = device_->GetExposureSecondsMin();
        info->exposureSecondsMax = device_->GetExposureSecondsMax();
    }
    return 1;
}

int CKelvra::ReadSerialNumber(char* text, int length) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (length < kSerialBytes || text == nullptr) return RecordError(kErrorParameter), 0;
    if (!device_) return RecordError(kErrorNoCamera), 0;
    char serial[kSerialBytes + 1] = {};
    int count = 0;
    bool endedByMarker = false;
    for (int i = 0; i < kSerialBytes; ++i) {
        uint8_t byte = 0;
        if (!device_->ReadEeprom(kSerialAddress + i, &byte)) break;
        platform::SleepMs(kSerialReadPauseMs);
        if (byte == kSerialEnd) {
            endedByMarker = true;
            break;
        }
        serial[count++] = static_cast<char>(byte);
    }
    if (count > 0 && serial[0] != '\0') {
        // A serial that fills all 32 bytes has no terminator of its own: it is cut to 31
        // characters so that the caller's 32 bytes always hold a terminated string.
        const size_t copied = std::min<size_t>(std::strlen(serial), kSerialBytes - 1);
        std::memcpy(text, serial, copied);
        text[copied] = '\0';
        return 1;
    }
    if (count > 0 || endedByMarker) return 1;
    // Nothing could be read at all: say why.
    return RecordError(kErrorDevice), 0;
}

int CKelvra::ReadSerialNumberW(WCHAR* text, int length) {
    char narrow[kNarrowBuffer] = {};
    if (!ReadSerialNumber(narrow, kNarrowBuffer)) return 0;
    const int needed = platform::NarrowToWide(narrow, nullptr, 0);
    if (text == nullptr || needed == 0 || length < needed) return RecordError(kErrorConversion), 0;
    platform::NarrowToWide(narrow, text, static_cast<size_t>(length));
    return 1;
}

}  // namespace kelvra
