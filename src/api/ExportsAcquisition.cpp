// Acquisition and images.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"
#include "api/WideArguments.h"

using kelvra::CallFront;
using kelvra::CKelvra;

extern "C" {

int Kelvra_Preview(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.Preview(); });
}

int Kelvra_CallBackPreview(int handle, HWND callbackWindow, void* buffer, int length, int topDown) {
    return CallFront(handle, 0, [&](CKelvra& front) {
        return front.CallBackPreview(callbackWindow, buffer, length, topDown);
    });
}

int Kelvra_StartPreview(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.StartPreview(); });
}

int Kelvra_StopPreview(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.StopPreview(); });
}

int Kelvra_Capture(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.Capture(); });
}

int Kelvra_SnapShot(int handle, void* buffer, int length, int topDown) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.SnapShot(buffer, length, topDown); });
}

int Kelvra_GetImage(int handle, void* buffer, int length, int topDown) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.GetImage(buffer, length, topDown); });
}

int Kelvra_Trigger(int handle, HWND callbackWindow, void* buffer, int length, int topDown) {
    return CallFront(handle, 0, [&](CKelvra& front) {
        return front.Trigger(callbackWindow, buffer, length, topDown);
    });
}

int Kelvra_Close(int handle) {
    return CallFront(handle, 0, [](CKelvra& front) { return front.Close(); });
}

int Kelvra_SetPreviewWindow(int handle, HWND parent, int left, int top, int right, int bottom) {
    return CallFront(handle, 0, [&](CKelvra& front) {
        return front.SetPreviewWindow(parent, left, top, right, bottom);
    });
}

int Kelvra_UpdateMaskData(int handle, int which) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.UpdateMaskData(which); });
}

int Kelvra_Record(int handle, const char* fileName, int durationMs, int showWindow) {
    return CallFront(
        handle, 0, [&](CKelvra& front) { return front.Record(fileName, durationMs, showWindow); });
}

int Kelvra_RecordW(int handle, const WCHAR* fileName, int durationMs, int showWindow) {
    return CallFront(handle, 0, [&](CKelvra& front) {
        const kelvra::NarrowArgument name(front, fileName);
        return name.Ok() ? front.Record(name.Get(), durationMs, showWindow) : 0;
    });
}

}  // extern "C"
