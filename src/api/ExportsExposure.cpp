// Exposure, automatic control and temperature.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"

using kelvra::CallFront;
using kelvra::CKelvra;

extern "C" {

int Kelvra_SetExposureTimeEx(int handle, double seconds) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetExposureTimeEx(seconds); });
}

double Kelvra_GetExposureTimeEx(int handle, int* ok) {
    return CallFront(handle, 0.0, [&](CKelvra& front) { return front.GetExposureTimeEx(ok); });
}

int Kelvra_SetRealExposureTime(int handle, int microseconds) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.SetRealExposureTime(microseconds); });
}

int Kelvra_GetRealExposureTime(int handle, int* ok) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.GetRealExposureTime(ok); });
}

int Kelvra_SetAutoIris(int handle, int mode) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetAutoIris(mode); });
}

int Kelvra_GetAutoIris(int handle, int* ok) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.GetAutoIris(ok); });
}

double Kelvra_GetTemperatureEx(int handle, int* ok) {
    return CallFront(handle, 0.0, [&](CKelvra& front) { return front.GetTemperatureEx(ok); });
}

}  // extern "C"
