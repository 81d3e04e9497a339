// Exports of the camera family that this camera does not offer. Several names share one
// implementation, as they always have.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"

using kelvra::CallFront;
using kelvra::CKelvra;

namespace {

int ClockOrCrossbar(int handle, int /*value*/) {
    return CallFront(handle, 0, [](CKelvra& front) {
        front.NotifyError(kelvra::kErrorUnsupported);
        return 0;
    });
}

int ConfigFilter(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) {
        front.RecordError(kelvra::kErrorUnsupported);
        return -1;
    });
}

}  // namespace

extern "C" {

int Kelvra_Fps(int handle, int value) {
    return ClockOrCrossbar(handle, value);
}
int Kelvra_GetHalfClock(int handle, int value) {
    return ClockOrCrossbar(handle, value);
}
int Kelvra_SetHalfClock(int handle, int value) {
    return ClockOrCrossbar(handle, value);
}
int Kelvra_SetCrossbar(int handle, int value) {
    return ClockOrCrossbar(handle, value);
}

int Kelvra_SetConfigFilter(int handle, int /*index*/, int /*value*/) {
    return ConfigFilter(handle);
}
int Kelvra_GetConfigFilter(int handle, int /*index*/) {
    return ConfigFilter(handle);
}

}  // extern "C"
