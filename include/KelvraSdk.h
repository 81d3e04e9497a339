/*
 * KelvraSdk.h - public C interface of the Kelvra K4 SWIR TEC camera library
 * (libKelvraSdk_K4SWIR_TEC).
 *
 * Every function takes the camera handle issued by Kelvra_Initialize as its first argument,
 * except Kelvra_Initialize and Kelvra_GetDllVersion. An unknown handle returns the function's
 * failure value (0, or -1 / 0.0 where noted) and does nothing else. Results are 1 for success
 * and 0 for failure unless noted; the reason for a failure is read with Kelvra_GetLastError.
 *
 * This header compiles as C99 and as C++.
 */
#ifndef KELVRA_SDK_H
#define KELVRA_SDK_H

#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#define KELVRA_API __declspec(dllimport)
#define KELVRA_CALL __stdcall
#else
#define KELVRA_API __attribute__((visibility("default")))
#define KELVRA_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

#ifndef _WIN32
/* Window handle: an opaque handle to a window object of the library's platform layer. */
#ifndef KELVRA_HAVE_HWND
#define KELVRA_HAVE_HWND
typedef struct HWND__* HWND;
#endif
/* Wide characters are UTF-16 code units, as on Windows. */
#ifdef __cplusplus
typedef char16_t WCHAR;
#else
typedef uint16_t WCHAR;
#endif
#endif

/* Messages posted by the library. */
#define KELVRA_WM_APP 0x8000
#define KELVRA_WM_FRAME (KELVRA_WM_APP + 2) /* to the callback window: frame report */
#define KELVRA_WM_ERROR (KELVRA_WM_APP + 3) /* to the notification window: lParam = code */

/* Error codes read with Kelvra_GetLastError and posted as KELVRA_WM_ERROR. */
enum KelvraErrorCode {
    KELVRA_OK = 0,               /* success marker of a few reads */
    KELVRA_ERR_NO_CAMERA = 1,    /* no camera open, wrong acquisition state or no image yet */
    KELVRA_ERR_NOT_PRESENT = 2,  /* the selected camera is absent or cannot be opened */
    KELVRA_ERR_THREAD = 3,       /* a worker thread or its event could not be created */
    KELVRA_ERR_WINDOW = 4,       /* preview window not created; no size preset matches */
    KELVRA_ERR_MEMORY = 5,       /* allocation failed or a buffer is too small */
    KELVRA_ERR_DEVICE = 6,       /* device access failed */
    KELVRA_ERR_WINDOW_SIZE = 7,  /* readout window invalid or rejected */
    KELVRA_ERR_TRANSFER = 8,     /* frame transfer failed or timed out */
    KELVRA_ERR_PARAMETER = 9,    /* parameter out of range or unknown */
    KELVRA_ERR_UNSUPPORTED = 11, /* not supported by this camera or library */
    KELVRA_ERR_CONVERSION = 12,  /* text conversion, wide buffer, recording or mask update */
    KELVRA_ERR_CAMERA_LOST = 13, /* the camera was lost during preview */
    KELVRA_ERR_MASK_FILE = 14    /* mask file unreadable, unwritable or malformed */
};

/* Length of one entry of the name arrays of Kelvra_EnumDevice(W), and their count. */
#define KELVRA_DEVICE_NAME_LENGTH 256
#define KELVRA_MAX_LISTED_DEVICES 10

/* ---- Lifecycle, errors, version ---- */

/* A new handle, or 0. notifyWindow (may be null) receives KELVRA_WM_ERROR posts. */
KELVRA_API int KELVRA_CALL Kelvra_Initialize(HWND notifyWindow);
/* Saves the settings, stops acquisition, closes the camera; 0 for an unknown handle. */
KELVRA_API int KELVRA_CALL Kelvra_Release(int handle);
/* The newest recorded error code, removed from the 20-entry history; 0 when it is empty. */
KELVRA_API int KELVRA_CALL Kelvra_GetLastError(int handle);
/* 35063073 (0x02170521); needs no handle. */
KELVRA_API int KELVRA_CALL Kelvra_GetDllVersion(void);
/* Always 0. */
KELVRA_API int KELVRA_CALL Kelvra_GetStatus(int handle);

/* ---- Device selection and identity ---- */

/* Lists present cameras as "KelvraK4SWIRTEC_01", ... into 10 entries of 256 bytes; the
 * entries after the listed ones are emptied. Returns the number listed (at most 10). */
KELVRA_API int KELVRA_CALL Kelvra_EnumDevice(int handle, char names[10][256]);
KELVRA_API int KELVRA_CALL Kelvra_EnumDeviceW(int handle, WCHAR names[10][256]);
/* Opens camera `index` (0-based). */
KELVRA_API int KELVRA_CALL Kelvra_SetDeviceNumber(int handle, int index);
/* Name of camera `index`; `length` is the buffer size in bytes (at least 17). */
KELVRA_API int KELVRA_CALL Kelvra_GetDeviceName(int handle, int index, char* text, int length);
/* As above; `length` is the buffer size in wide characters. */
KELVRA_API int KELVRA_CALL Kelvra_GetDeviceNameW(int handle, int index, WCHAR* text, int length);

/* ---- Camera information, registers and camera memory ---- */

/* Filled by Kelvra_GetCameraInfo except `size`, which the caller sets: at least 36; the two
 * exposure limits in seconds are written only when it is at least 56. */
typedef struct KELVRA_CAMERA_INFO {
    int32_t size;
    int32_t maxWidth;  /* 1280 */
    int32_t maxHeight; /* 1024 */
    int32_t gainMin;   /* global gain range */
    int32_t gainMax;
    int32_t colorGainMin; /* colour gain range */
    int32_t colorGainMax;
    int32_t exposureMin; /* exposure range in 0.1 ms */
    int32_t exposureMax;
    int32_t reserved;          /* not written */
    double exposureSecondsMin; /* exposure range in seconds */
    double exposureSecondsMax;
} KELVRA_CAMERA_INFO;

KELVRA_API int KELVRA_CALL Kelvra_GetCameraInfo(int handle, KELVRA_CAMERA_INFO* info);
/* The camera's serial number; `length` at least 32 bytes (characters for the W form). */
KELVRA_API int KELVRA_CALL Kelvra_ReadSerialNumberA(int handle, char* text, int length);
KELVRA_API int KELVRA_CALL Kelvra_ReadSerialNumberW(int handle, WCHAR* text, int length);

/* FPGA register (address & 0xFF) as a 16-bit value; on failure *ok = 0 (error 6). */
KELVRA_API int KELVRA_CALL Kelvra_Fpga_ReadRegister(int handle, int address, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_Fpga_WriteRegister(int handle, int address, int value);
/* Camera register: the plain forms use address & 0xFF (and value & 0xFFFF), Ex the whole. */
KELVRA_API int KELVRA_CALL Kelvra_ReadRegister(int handle, int address, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_ReadRegisterEx(int handle, int address, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_WriteRegister(int handle, int address, int value);
KELVRA_API int KELVRA_CALL Kelvra_WriteRegisterEx(int handle, int address, int value);
/* Byte of the camera's non-volatile memory at address & 0xFFF. */
KELVRA_API int KELVRA_CALL Kelvra_ReadSromID(int handle, int address, int* ok);
/* Writes and verifies (up to 10 rewrites) the low byte of `value`. */
KELVRA_API int KELVRA_CALL Kelvra_WriteSromID(int handle, int address, int value);
/* The camera's digital I/O port (FPGA register 7); the last two arguments are unused. */
KELVRA_API int KELVRA_CALL Kelvra_GetIOPort(int handle, unsigned char* value, int unused1,
                                            int unused2);
KELVRA_API int KELVRA_CALL Kelvra_SetIOPort(int handle, int value);
/* In-camera correction, where the camera has it (else error 11 is posted). */
KELVRA_API int KELVRA_CALL Kelvra_GetInternalCorrection(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetInternalCorrection(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_SetSamplingRate(int handle, int rate);
/* One function behind two names: writes 0 through `value` and returns 0. */
KELVRA_API int KELVRA_CALL Kelvra_GetSamplingRate(int handle, int* value);
KELVRA_API int KELVRA_CALL Kelvra_GetVideoFormat(int handle, int* value);

/* ---- Output format and stream options (used when acquisition is next prepared) ---- */

/* Bits per pixel of the output: 8, 16, 24, 32, 48 or 64, as far as the camera offers it. */
KELVRA_API int KELVRA_CALL Kelvra_SetColorMode(int handle, int bitsPerPixel);
/* Bits per pixel of the output, -1 if the stored format is invalid or the handle unknown. */
KELVRA_API int KELVRA_CALL Kelvra_GetColorMode(int handle);
/* 0 full frame or 1 half size; other values return 0. */
KELVRA_API int KELVRA_CALL Kelvra_SetSubSample(int handle, int mode);
KELVRA_API int KELVRA_CALL Kelvra_GetSubSample(int handle); /* -1: unknown handle */
/* Wait time in milliseconds; negative values return 0. */
KELVRA_API int KELVRA_CALL Kelvra_SetWaitTime(int handle, int milliseconds);
KELVRA_API int KELVRA_CALL Kelvra_GetWaitTime(int handle); /* -1: unknown handle */

/* ---- Not supported by this camera: each records or posts code 11 ---- */

/* One function behind four names: posts code 11 and returns 0. */
KELVRA_API int KELVRA_CALL Kelvra_Fps(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetHalfClock(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_SetHalfClock(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_SetCrossbar(int handle, int value);
/* One function behind two names: records code 11 and returns 0. */
KELVRA_API int KELVRA_CALL Kelvra_SendText(int handle, char* text, int length);
KELVRA_API int KELVRA_CALL Kelvra_ReceiveText(int handle, char* text, int length);
/* Record code 11 and return -1 (0 for an unknown handle). */
KELVRA_API int KELVRA_CALL Kelvra_SetConfigFilter(int handle, int index, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetConfigFilter(int handle, int index);

#ifndef _WIN32
/* ---- Linux only: message windows ----
 * A window here is a message queue the library posts to. Posting never blocks; a queue holds
 * at most 10000 messages (a post to a full queue fails) and keeps them until they are read or
 * the window is destroyed. */
typedef struct KELVRA_MSG {
    HWND hwnd;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    uint32_t time; /* tick count in ms when posted */
} KELVRA_MSG;

/* A window that only receives messages, or null. */
KELVRA_API HWND KELVRA_CALL Kelvra_CreateMessageWindow(void);
/* 1 with the oldest message of `window` in *msg, 0 on timeout or for an unknown window.
 * timeoutMs < 0 waits forever. */
KELVRA_API int KELVRA_CALL Kelvra_GetMessage(HWND window, KELVRA_MSG* msg, int timeoutMs);
/* 1, or 0 for an unknown window. Pending messages are dropped; a waiting Kelvra_GetMessage
 * returns 0. */
KELVRA_API int KELVRA_CALL Kelvra_DestroyMessageWindow(HWND window);
#endif

#ifdef __cplusplus
}
#endif

#endif /* KELVRA_SDK_H */
