// The configuration file of value pairs.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"
#include "api/WideArguments.h"

using kelvra::CallFront;
using kelvra::CKelvra;
using kelvra::NarrowArgument;

extern "C" {

int Kelvra_LoadConfigFileA(int handle, const char* fileName) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.LoadConfigFile(fileName); });
}

int Kelvra_LoadConfigFileW(int handle, const WCHAR* fileName) {
    return CallFront(handle, 0, [&](CKelvra& front) {
        const NarrowArgument name(front, fileName);
        if (!name.Ok()) return 0;
        return front.LoadConfigFile(name.Get());
    });
}

}  // extern "C"
