// Output format and stream options.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"

using kelvra::CallFront;
using kelvra::CKelvra;

extern "C" {

int Kelvra_SetColorMode(int handle, int bitsPerPixel) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetColorMode(bitsPerPixel); });
}

int Kelvra_GetColorMode(int handle) {
    return CallFront(handle, -1, [](CKelvra& front) { return front.GetColorMode(); });
}

int Kelvra_SetSubSample(int handle, int mode) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetSubSample(mode); });
}

int Kelvra_GetSubSample(int handle) {
    return CallFront(handle, -1, [](CKelvra& front) { return front.GetSubSample(); });
}

int Kelvra_SetWaitTime(int handle, int milliseconds) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetWaitTime(milliseconds); });
}

int Kelvra_GetWaitTime(int handle) {
    return CallFront(handle, -1, [](CKelvra& front) { return front.GetWaitTime(); });
}

}  // extern "C"
