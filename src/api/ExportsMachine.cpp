// The Linux diagnosis extras: link speed of the open camera, the machine's cameras, the udev
// rule and leftover shared memory.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"
#include "front/MachineQueries.h"

using kelvra::CallFront;
using kelvra::CKelvra;

namespace {

template <typename Op>
int Guarded(int failure, Op&& op) {
    try {
        return op();
    } catch (...) {
        return failure;
    }
}

}  // namespace

extern "C" {

int Kelvra_GetLinkSpeed(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.GetLinkSpeed(); });
}

int Kelvra_ListUsbCameras(KELVRA_USB_CAMERA* cameras, int capacity) {
    return Guarded(-1, [&] { return kelvra::ListUsbCameras(cameras, capacity); });
}

int Kelvra_GetUdevRule(char* text, int size) {
    return Guarded(0, [&] { return kelvra::GetUdevRule(text, size); });
}

int Kelvra_GetStaleSharedMemory(char* names, int size) {
    return Guarded(0, [&] { return kelvra::GetStaleSharedMemory(names, size); });
}

}  // extern "C"
