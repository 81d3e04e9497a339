// Settings dialogs.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"

using kelvra::CallFront;
using kelvra::CKelvra;

extern "C" {

int Kelvra_SetCameraDlg(int handle, HWND owner) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetCameraDlg(owner); });
}

int Kelvra_SetImageDlg(int handle, HWND owner) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetImageDlg(owner); });
}

int Kelvra_SetAnalogDlg(int handle, HWND owner) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetAnalogDlg(owner); });
}

}  // extern "C"
