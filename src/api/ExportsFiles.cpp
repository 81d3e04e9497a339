// Still images and mask files, narrow and wide.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"
#include "api/WideArguments.h"

using kelvra::CallFront;
using kelvra::CKelvra;
using kelvra::NarrowArgument;

extern "C" {

int Kelvra_SaveImage(int handle, const char* fileName, int format) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SaveImage(fileName, format); });
}

int Kelvra_SaveImageW(int handle, const WCHAR* fileName, int format) {
    return CallFront(handle, 0, [&](CKelvra& front) {
        const NarrowArgument name(front, fileName);
        return name.Ok() ? front.SaveImage(name.Get(), format) : 0;
    });
}

int Kelvra_LoadMaskFile(int handle, const char* fileName) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.LoadMaskFile(fileName); });
}

int Kelvra_LoadMaskFileW(int handle, const WCHAR* fileName) {
    return CallFront(handle, 0, [&](CKelvra& front) {
        const NarrowArgument name(front, fileName);
        return name.Ok() ? front.LoadMaskFile(name.Get()) : 0;
    });
}

int Kelvra_SaveMaskFile(int handle, const char* fileName) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SaveMaskFile(fileName); });
}

int Kelvra_SaveMaskFileW(int handle, const WCHAR* fileName) {
    return CallFront(handle, 0, [&](CKelvra& front) {
        const NarrowArgument name(front, fileName);
        return name.Ok() ? front.SaveMaskFile(name.Get()) : 0;
    });
}

}  // extern "C"
