// Device selection and identity.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"

using kelvra::CallFront;
using kelvra::CKelvra;

extern "C" {

int Kelvra_EnumDevice(int handle, char names[10][256]) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.EnumDevice(names); });
}

int Kelvra_EnumDeviceW(int handle, WCHAR names[10][256]) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.EnumDeviceW(names); });
}

int Kelvra_SetDeviceNumber(int handle, int index) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetDeviceNumber(index); });
}

int Kelvra_GetDeviceName(int handle, int index, char* text, int length) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.GetDeviceName(index, text, length); });
}

int Kelvra_GetDeviceNameW(int handle, int index, WCHAR* text, int length) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.GetDeviceNameW(index, text, length); });
}

}  // extern "C"
