/* The main library loads GTK only for a dialog, and without a display a dialog fails with code 4
 * instead of crashing or hanging, leaving a running preview running. Uses the shared library, as
 * an application does, on a simulated camera (KELVRA_SIMULATED_CAMERAS=1). */
#define _POSIX_C_SOURCE 200809L

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "KelvraSdk.h"

static int failures = 0;

/* GLib keeps what a failed GTK start allocated for the life of the process; LeakSanitizer would
 * count it as leaked. */
__attribute__((visibility("default"), used)) const char* __lsan_default_suppressions(void) {
    return "leak:libglib-2.0.so\nleak:libgobject-2.0.so\nleak:libgtk-3.so\nleak:libgdk-3.so\n";
}

#define CHECK(condition)                                                   \
    do {                                                                   \
        if (!(condition)) {                                                \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
            ++failures;                                                    \
        }                                                                  \
    } while (0)

static int GtkLoaded(void) {
    FILE* maps = fopen("/proc/self/maps", "r");
    char line[4096];
    int found = 0;
    while (maps != NULL && fgets(line, sizeof line, maps) != NULL) {
        if (strstr(line, "libgtk-3") != NULL) found = 1;
    }
    if (maps != NULL) fclose(maps);
    return found;
}

static int NextFrame(HWND window) {
    KELVRA_MSG msg;
    for (int i = 0; i < 100; ++i) {
        if (Kelvra_GetMessage(window, &msg, 100) == 1 && msg.message == KELVRA_WM_FRAME &&
            msg.wParam != 0) {
            return 1;
        }
    }
    return 0;
}

int main(void) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    HWND window = Kelvra_CreateMessageWindow();
    int handle = Kelvra_Initialize(NULL);
    CHECK(handle != 0);
    CHECK(Kelvra_SetPreviewWindow(handle, NULL, 0, 0, 0, 0) == 1);
    CHECK(!GtkLoaded());

    CHECK(Kelvra_CallBackPreview(handle, window, NULL, 0, 1) == 1);
    CHECK(NextFrame(window));
    while (Kelvra_GetLastError(handle) != 0) {
    }
    CHECK(Kelvra_SetCameraDlg(handle, NULL) == 0);
    CHECK(Kelvra_GetLastError(handle) == KELVRA_ERR_WINDOW);
    CHECK(GtkLoaded());
    CHECK(Kelvra_SetImageDlg(handle, NULL) == 0);
    CHECK(Kelvra_GetLastError(handle) == KELVRA_ERR_WINDOW);
    /* The preview stopped for the camera dialog started again. */
    KELVRA_MSG msg;
    while (Kelvra_GetMessage(window, &msg, 0) == 1) {
    }
    CHECK(NextFrame(window));
    CHECK(Kelvra_StopPreview(handle) == 1);
    CHECK(Kelvra_Release(handle) == 1);

    Kelvra_DestroyMessageWindow(window);
    printf("%d passed, %d failed\n", failures == 0 ? 1 : 0, failures == 0 ? 0 : 1);
    return failures == 0 ? 0 : 1;
}
