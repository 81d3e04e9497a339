// The exports about the machine rather than a handle: the attached USB cameras, the udev rule
// they need and leftover shared memory (the Linux diagnosis extras of KelvraSdk.h).
#pragma once

#include "KelvraSdk.h"

namespace kelvra {

int ListUsbCameras(KELVRA_USB_CAMERA* cameras, int capacity);
int GetUdevRule(char* text, int size);
int GetStaleSharedMemory(char* names, int size);

}  // namespace kelvra
