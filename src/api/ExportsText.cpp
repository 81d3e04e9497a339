// The camera module's text console: working on the module camera's build, code 11 elsewhere
// (the front decides).
#include "KelvraSdk.h"
#include "api/ExportFrame.h"

using kelvra::CallFront;
using kelvra::CKelvra;

extern "C" {

int Kelvra_SendText(int handle, char* text, int length) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SendText(text, length); });
}

int Kelvra_ReceiveText(int handle, char* text, int length) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.ReceiveText(text, length); });
}

}  // extern "C"
