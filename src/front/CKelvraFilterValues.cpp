// Filter values of CKelvra by index, and the channel forms that map onto them.
#include "front/CKelvra.h"
#include "front/DeviceFilterValues.h"
#include "front/FilterValueTable.h"

namespace kelvra {
namespace {

// Channels 1-4 of the channel gain and offset exports name these filter indices.
constexpr int kFirstChannel = 1;
constexpr int kLastChannel = 4;
constexpr int kChannelGainIndex = 29;
constexpr int kChannelOffsetIndex = 33;

void SetFlag(int* ok, int value) {
    if (ok != nullptr) *ok = value;
}

}  // namespace

// Sets filter value `index`. 1 on success (the device-backed cooler and gain mode return the
// device's own result). 0 with code 1 (no device core), 9 (value out of range, or an index that
// cannot be set), 11 (the camera lacks the feature) or 6 (the camera refused index 105 or 106);
// a gain or exposure the device refuses gives 0 without a code and nothing stored.
int CKelvra::SetFilterValue(int index, int value) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    auto withFields = [&](auto&& edit) {
        WithSettings([&] {
            FilterFields fields{filter_, gray_, flags_, camera_, coolerOn_, feature105_};
            edit(fields);
        });
    };
    if (index == KELVRA_FILTER_BAYER_GAIN_RGB) {
        withFields([&](FilterFields& f) { UnpackBayerGains(f, value); });
        return 1;
    }
    if (const StoredValue* entry = FindStoredValue(index)) {
        if (!entry->Accepts(value)) return RecordError(kErrorParameter), 0;
        withFields([&](FilterFields& f) { entry->field(f) = entry->Normalised(value); });
        return 1;
    }
    std::optional<DeviceValueOutcome> outcome = SetDeviceValue(*device_, index, value);
    if (!outcome) return RecordError(kErrorParameter), 0;
    if (outcome->store) withFields(outcome->store);
    if (outcome->code != DeviceValueOutcome::kNoCode) RecordError(outcome->code);
    return outcome->result;
}

// Reads filter value `index`; `ok` (optional) is set to 1, or to 0 when the value could not be
// had. Indices that cannot be read record code 9 and give 0; the temperature index and a
// missing cooler give -1 with code 11. Without a device core: code 1, 0 and ok 0.
int CKelvra::GetFilterValue(int index, int* ok) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) {
        SetFlag(ok, 0);
        return RecordError(kErrorNoCamera), 0;
    }
    SetFlag(ok, 1);
    auto readFields = [&](auto&& read) {
        return WithSettings([&] {
            FilterFields fields{filter_, gray_, flags_, camera_, coolerOn_, feature105_};
            return read(fields);
        });
    };
    if (index == KELVRA_FILTER_BAYER_GAIN_RGB) {
        return readFields([](FilterFields& f) { return PackBayerGains(f); });
    }
    const StoredValue* entry = FindStoredValue(index);
    if (entry != nullptr && entry->gettable) {
        return readFields([&](FilterFields& f) { return entry->field(f); });
    }
    std::optional<DeviceValueOutcome> outcome =
        entry == nullptr ? GetDeviceValue(*device_, index) : std::nullopt;
    if (!outcome) {
        SetFlag(ok, 0);
        return RecordError(kErrorParameter), 0;
    }
    // A camera found gone while (or before) it was read gave no value, whatever the read said.
    if (device_->CameraLost()) {
        SetFlag(ok, 0);
        return RecordError(kErrorNotPresent), 0;
    }
    if (outcome->store) {
        readFields([&](FilterFields& f) {
            outcome->store(f);
            return 0;
        });
    }
    SetFlag(ok, outcome->ok ? 1 : 0);
    if (outcome->code != DeviceValueOutcome::kNoCode) RecordError(outcome->code);
    return outcome->result;
}

// Channels 1-4 forward to their filter indices, which cannot be set (code 9); any other
// channel gives 0 without a code.
int CKelvra::SetChannelValue(bool offset, int channel, int value) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (channel < kFirstChannel || channel > kLastChannel) return 0;
    const int base = offset ? kChannelOffsetIndex : kChannelGainIndex;
    return SetFilterValue(base + channel - kFirstChannel, value);
}

// As SetChannelValue for reading: channels 1-4 record code 9 and set ok to 0; any other channel
// gives 0 and ok 0 without a code.
int CKelvra::GetChannelValue(bool offset, int channel, int* ok) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (channel < kFirstChannel || channel > kLastChannel) {
        SetFlag(ok, 0);
        return 0;
    }
    const int base = offset ? kChannelOffsetIndex : kChannelGainIndex;
    return GetFilterValue(base + channel - kFirstChannel, ok);
}

}  // namespace kelvra
