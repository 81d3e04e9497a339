// The public header compiles as C++ on its own, with C linkage for the exports.
#include "KelvraSdk.h"

#include <cstdio>
#include <type_traits>

static_assert(std::is_same_v<WCHAR, char16_t>, "wide strings are UTF-16 code units");
static_assert(sizeof(KELVRA_MSG::lParam) == sizeof(void*), "lParam is pointer-sized");

int main() {
    WCHAR names[10][256];
    const bool ok = Kelvra_GetDllVersion() == 35063073 && Kelvra_EnumDeviceW(0, names) == 0;
    if (!ok) std::fputs("C++ client check failed\n", stderr);
    return ok ? 0 : 1;
}
