// The filter values that live in the front object's settings: the index of each, the values it
// accepts, and where it is kept.
#pragma once

#include <cstdint>

#include "front/ProcessingFlags.h"
#include "settings/SettingsRecords.h"

namespace kelvra {

// The settings a filter value may live in, borrowed while the settings lock is held.
struct FilterFields {
    settings::FilterSettings& filter;
    settings::GraySettings& gray;
    ProcessingFlags& flags;
    settings::CameraSettings& camera;
    int32_t& coolerOn;
    int32_t& feature105;
};

// A filter value kept in the settings alone.
struct StoredValue {
    int32_t index;
    int32_t min;
    int32_t max;
    int32_t& (*field)(FilterFields&);
    bool anyValueAsFlag;  // every value accepted and kept as 0/1
    bool gettable;

    bool Accepts(int32_t value) const { return anyValueAsFlag || (value >= min && value <= max); }
    int32_t Normalised(int32_t value) const {
        return anyValueAsFlag ? (value != 0 ? 1 : 0) : value;
    }
};

// The entry of `index`, or null when the index is not a stored value.
const StoredValue* FindStoredValue(int32_t index);

// The packed bayer gains: red in bits 0-7, green in 8-15, blue in 16-23. Unpacking takes each
// byte as it is; packing keeps the low 8 bits of each gain.
void UnpackBayerGains(FilterFields& fields, int32_t packed);
int32_t PackBayerGains(const FilterFields& fields);

}  // namespace kelvra
