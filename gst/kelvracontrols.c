#include "kelvracontrols.h"

#include "KelvraSdk.h"

typedef int (*KelvraSetter)(int handle, int value);
typedef int (*KelvraGetter)(int handle, int* ok);

typedef struct {
    KelvraSetter set;
    KelvraGetter get;
    const char* action;
} KelvraControlEntry;

static const KelvraControlEntry kelvra_controls[KELVRA_N_CONTROLS] = {
    [KELVRA_CONTROL_EXPOSURE] = {Kelvra_SetRealExposureTime, Kelvra_GetRealExposureTime,
                                 "setting the exposure"},
    [KELVRA_CONTROL_GAIN] = {Kelvra_SetGlobalGain, Kelvra_GetGlobalGain, "setting the gain"},
    [KELVRA_CONTROL_COOLER] = {Kelvra_SetPeltier, Kelvra_GetPeltier, "switching the cooler"},
    [KELVRA_CONTROL_FLAT_FIELD] = {Kelvra_SetMaskFilter, Kelvra_GetMaskFilter,
                                   "switching the flat-field correction"},
    [KELVRA_CONTROL_DOT_FILTER] = {Kelvra_SetDotFilter, Kelvra_GetDotFilter,
                                   "switching the defect-pixel filter"},
};

/* The history holds this many codes. */
#define KELVRA_ERROR_HISTORY_DEPTH 20

void kelvra_forget_errors(int handle) {
    for (int i = 0; i < KELVRA_ERROR_HISTORY_DEPTH && Kelvra_GetLastError(handle) != KELVRA_OK;
         ++i) {
    }
}

/* A refusal the library records no code for (the camera said no) reads as a bad value. */
static int kelvra_last_code(int handle) {
    const int code = Kelvra_GetLastError(handle);
    return code != KELVRA_OK ? code : KELVRA_ERR_PARAMETER;
}

gboolean kelvra_control_set(int handle, KelvraControl control, int value, int* code) {
    kelvra_forget_errors(handle);
    if (kelvra_controls[control].set(handle, value) == 1) return TRUE;
    *code = kelvra_last_code(handle);
    return FALSE;
}

gboolean kelvra_control_get(int handle, KelvraControl control, int* value, int* code) {
    int ok = 0;
    const int read = kelvra_controls[control].get(handle, &ok);
    if (!ok) {
        *code = kelvra_last_code(handle);
        return FALSE;
    }
    *value = read;
    return TRUE;
}

const char* kelvra_control_action(KelvraControl control) {
    return kelvra_controls[control].action;
}
