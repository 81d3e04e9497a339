// Register and camera-memory access of CKelvra.
#include "front/CKelvra.h"

namespace kelvra {
namespace {

constexpr int kFpgaAddressMask = 0xFF;
constexpr int kRegisterAddressMask = 0xFF;
constexpr int kWordMask = 0xFFFF;
constexpr int kEepromAddressMask = 0xFFF;
constexpr int kIoPortRegister = 7;
constexpr int kIoPortMask = 0xFF;
// A written camera-memory byte is read back and rewritten at most this often.
constexpr int kSromVerifyAttempts = 10;

void SetFlag(int* ok, int value) {
    if (ok != nullptr) *ok = value;
}

}  // namespace

int CKelvra::FpgaReadRegister(int address, int* ok) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    int32_t read = 0;
    const int32_t value = device_->ReadFpgaRegister(address & kFpgaAddressMask, &read);
    if (!read) {
        SetFlag(ok, 0);
        return RecordError(kErrorDevice), 0;
    }
    return value & kWordMask;
}

int CKelvra::FpgaWriteRegister(int address, int value) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (!device_->WriteFpgaRegister(address & kFpgaAddressMask, value & kWordMask)) {
        return RecordError(kErrorDevice), 0;
    }
    return 1;
}

int CKelvra::ReadRegister(int address, int* ok, bool wholeAddress) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    int32_t read = 0;
    const int32_t value =
        device_->ReadRegister(0, wholeAddress ? address : address & kRegisterAddressMask, &read);
    SetFlag(ok, read ? 1 : 0);
    if (!read) return RecordError(kErrorDevice), 0;
    return value;
}

int CKelvra::WriteRegister(int address, int value, bool wholeAddress) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    const int32_t written =
        wholeAddress ? device_->WriteRegister(0, address, value)
                     : device_->WriteRegister(0, address & kRegisterAddressMask, value & kWordMask);
    if (!written) return RecordError(kErrorDevice), 0;
    return 1;
}

int CKelvra::ReadSromId(int address, int* ok) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    uint8_t byte = 0;
    if (!device_->ReadEeprom(address & kEepromAddressMask, &byte)) {
        SetFlag(ok, 0);
        NotifyError(kErrorNoCamera);
        return 0;
    }
    SetFlag(ok, 1);
    return byte;
}

// Writes the byte, then reads it back and rewrites it until it sticks. The result is 1 once the
// first write went through, verified or not, as callers have always had it.
int CKelvra::WriteSromId(int address, int value) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    const int target = address & kEepromAddressMask;
    if (!device_ || !device_->WriteEeprom(target, value)) {
        NotifyError(kErrorNoCamera);
        return 0;
    }
    const auto wanted = static_cast<uint8_t>(value & 0xFF);
    for (int attempt = 0; attempt < kSromVerifyAttempts; ++attempt) {
        uint8_t back = 0;
        if (!device_->ReadEeprom(target, &back)) {
            NotifyError(kErrorNoCamera);
            back = 0;
        }
        if (back == wanted) break;
        device_->WriteEeprom(target, wanted);
    }
    return 1;
}

int CKelvra::GetIoPort(uint8_t* value) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return NotifyError(kErrorNoCamera), 0;
    int32_t read = 0;
    const int32_t port = value != nullptr ? device_->ReadFpgaRegister(kIoPortRegister, &read) : 0;
    if (!read) return NotifyError(kErrorParameter), 0;
    *value = static_cast<uint8_t>(port);
    return 1;
}

int CKelvra::SetIoPort(int value) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return NotifyError(kErrorNoCamera), 0;
    return device_->WriteFpgaRegister(kIoPortRegister, value & kIoPortMask);
}

int CKelvra::GetInternalCorrection(int* ok) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (!device_->IsInternalCorrectionSupported(0, 0)) {
        SetFlag(ok, 0);
        return NotifyError(kErrorUnsupported), 0;
    }
    SetFlag(ok, 1);
    return device_->GetInternalCorrection();
}

int CKelvra::SetInternalCorrection(int value) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (!device_->IsInternalCorrectionSupported(0, 0)) return NotifyError(kErrorUnsupported), 0;
    return device_->SetInternalCorrection(value);
}

int CKelvra::SetSamplingRate(int rate) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return 0;
    int32_t value = rate;
    return device_->SetSamplingRate(0, &value);
}

}  // namespace kelvra
