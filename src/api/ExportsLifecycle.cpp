// Lifecycle, errors and version.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"

using kelvra::CallFront;
using kelvra::CKelvra;

namespace {
constexpr int kDllVersion = 0x02170521;  // 35063073
}

extern "C" {

int Kelvra_Initialize(HWND notifyWindow) {
    try {
        return kelvra::InitializeHandle(notifyWindow);
    } catch (...) {
        return 0;
    }
}

int Kelvra_Release(int handle) {
    try {
        return kelvra::ReleaseHandle(handle);
    } catch (...) {
        return 0;
    }
}

int Kelvra_GetLastError(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.PopLastError(); });
}

int Kelvra_GetDllVersion(void) {
    return kDllVersion;
}

int Kelvra_GetStatus(int handle) {
    return CallFront(handle, 0, [](CKelvra&) { return 0; });
}

}  // extern "C"
