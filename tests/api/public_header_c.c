/* The public header compiles as strict C99, and a C program can call the library. */
#include "KelvraSdk.h"

#include <stdio.h>

int main(void) {
    KELVRA_MSG msg;
    HWND window;
    int ok = Kelvra_GetDllVersion() == 35063073;
    ok = ok && Kelvra_Release(0) == 0;
    window = Kelvra_CreateMessageWindow();
    ok = ok && window != NULL;
    ok = ok && Kelvra_GetMessage(window, &msg, 0) == 0;
    ok = ok && Kelvra_DestroyMessageWindow(window) == 1;
    if (!ok) {
        fprintf(stderr, "C client check failed\n");
        return 1;
    }
    return 0;
}
