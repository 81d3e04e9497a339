// Camera information, registers and camera memory.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"

using kelvra::CallFront;
using kelvra::CKelvra;

namespace {

int ReadNothing(int handle, int* value) {
    return CallFront(handle, 0, [&](CKelvra&) {
        if (value != nullptr) *value = 0;
        return 0;
    });
}

}  // namespace

extern "C" {

int Kelvra_GetCameraInfo(int handle, KELVRA_CAMERA_INFO* info) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.GetCameraInfo(info); });
}

int Kelvra_ReadSerialNumberA(int handle, char* text, int length) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.ReadSerialNumber(text, length); });
}

int Kelvra_ReadSerialNumberW(int handle, WCHAR* text, int length) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.ReadSerialNumberW(text, length); });
}

int Kelvra_Fpga_ReadRegister(int handle, int address, int* ok) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.FpgaReadRegister(address, ok); });
}

int Kelvra_Fpga_WriteRegister(int handle, int address, int value) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.FpgaWriteRegister(address, value); });
}

int Kelvra_ReadRegister(int handle, int address, int* ok) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.ReadRegister(address, ok, false); });
}

int Kelvra_ReadRegisterEx(int handle, int address, int* ok) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.ReadRegister(address, ok, true); });
}

int Kelvra_WriteRegister(int handle, int address, int value) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.WriteRegister(address, value, false); });
}

int Kelvra_WriteRegisterEx(int handle, int address, int value) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.WriteRegister(address, value, true); });
}

int Kelvra_ReadSromID(int handle, int address, int* ok) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.ReadSromId(address, ok); });
}

int Kelvra_WriteSromID(int handle, int address, int value) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.WriteSromId(address, value); });
}

int Kelvra_GetIOPort(int handle, unsigned char* value, int /*unused1*/, int /*unused2*/) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.GetIoPort(value); });
}

int Kelvra_SetIOPort(int handle, int value) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetIoPort(value); });
}

int Kelvra_GetInternalCorrection(int handle, int* ok) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.GetInternalCorrection(ok); });
}

int Kelvra_SetInternalCorrection(int handle, int value) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetInternalCorrection(value); });
}

int Kelvra_SetSamplingRate(int handle, int rate) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetSamplingRate(rate); });
}

int Kelvra_GetSamplingRate(int handle, int* value) {
    return ReadNothing(handle, value);
}
int Kelvra_GetVideoFormat(int handle, int* value) {
    return ReadNothing(handle, value);
}

}  // extern "C"
