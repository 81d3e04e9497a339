// Readout window and mirroring.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"

using kelvra::CallFront;
using kelvra::CKelvra;

extern "C" {

int Kelvra_SetCaptureWindow(int handle, int totalWidth, int totalHeight) {
    return CallFront(
        handle, 0, [&](CKelvra& front) { return front.SetCaptureWindow(totalWidth, totalHeight); });
}

int Kelvra_SetCaptureWindowEx(int handle, int TH, int EHS, int EH, int TV, int EVS, int EV) {
    return CallFront(handle, 0, [&](CKelvra& front) {
        return front.SetCaptureWindowEx(TH, EHS, EH, TV, EVS, EV);
    });
}

int Kelvra_GetCaptureWindowEx(int handle, int* TH, int* EHS, int* EH, int* TV, int* EVS, int* EV) {
    return CallFront(handle, 0, [&](CKelvra& front) {
        return front.GetCaptureWindowEx(TH, EHS, EH, TV, EVS, EV);
    });
}

int Kelvra_Width(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.Width(); });
}

int Kelvra_Height(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.Height(); });
}

int Kelvra_SetMirrorH(int handle, int flag) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetMirrorH(flag); });
}

int Kelvra_SetMirrorV(int handle, int flag) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetMirrorV(flag); });
}

int Kelvra_GetMirrorH(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.GetMirrorH(); });
}

int Kelvra_GetMirrorV(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.GetMirrorV(); });
}

}  // extern "C"
