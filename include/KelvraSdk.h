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
    KELVRA_ERR_WINDOW = 4,       /* preview or dialog window not shown; no size preset matches */
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
/* Opens camera `index` (0-based) with its own stored readout window, colour mode, subsample
 * mode and wait time (what it lacks takes the defaults), the colour mode fitted to what the
 * camera delivers. While a preview, capture, trigger acquisition or recording runs (also one
 * ended by a lost camera) only the open camera may be named: another index gives error 1 and
 * changes nothing; stop first. */
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
/* Wait time in milliseconds: the pause before each preview round, which a stop ends at once.
 * Negative values return 0 and change nothing; values above KELVRA_MAX_WAIT_TIME (one minute)
 * are stored as that bound and return 1. A value outside 0..KELVRA_MAX_WAIT_TIME in the settings
 * file is ignored, as a missing one is. */
#define KELVRA_MAX_WAIT_TIME 60000
KELVRA_API int KELVRA_CALL Kelvra_SetWaitTime(int handle, int milliseconds);
KELVRA_API int KELVRA_CALL Kelvra_GetWaitTime(int handle); /* -1: unknown handle */

/* ---- Readout window ---- */

/* Selects the stored size preset whose total size is totalWidth x totalHeight. */
KELVRA_API int KELVRA_CALL Kelvra_SetCaptureWindow(int handle, int totalWidth, int totalHeight);
/* Sets the window directly: total width, horizontal start, width, total height, vertical start,
 * height. */
KELVRA_API int KELVRA_CALL Kelvra_SetCaptureWindowEx(int handle, int TH, int EHS, int EH, int TV,
                                                     int EVS, int EV);
/* Writes the six values in the same order; null pointers are skipped. Always 1. */
KELVRA_API int KELVRA_CALL Kelvra_GetCaptureWindowEx(int handle, int* TH, int* EHS, int* EH,
                                                     int* TV, int* EVS, int* EV);
/* Frame width and height before subsampling. */
KELVRA_API int KELVRA_CALL Kelvra_Width(int handle);
KELVRA_API int KELVRA_CALL Kelvra_Height(int handle);
KELVRA_API int KELVRA_CALL Kelvra_SetMirrorH(int handle, int flag);
KELVRA_API int KELVRA_CALL Kelvra_SetMirrorV(int handle, int flag);
KELVRA_API int KELVRA_CALL Kelvra_GetMirrorH(int handle);
KELVRA_API int KELVRA_CALL Kelvra_GetMirrorV(int handle);

/* ---- Acquisition and images ---- */

/* The record posted with KELVRA_WM_FRAME (wParam = its address, lParam 0). A KELVRA_WM_FRAME
 * with wParam 0 reports a failure, whose code is recorded before the message is posted:
 * lParam 5 (caller buffer too small), 8 (frame not transferred) or 13 (camera lost). A lost
 * camera ends preview and trigger acquisition; in capture state each later Kelvra_SnapShot
 * answers 13 at once. An acquisition thread that fails unexpectedly ends with 8 instead of
 * stopping silently. After these the state stays until Kelvra_StopPreview or Kelvra_Close.
 * The record belongs to the library, which reuses it 16 frames later. The caller buffer is
 * rewritten by every frame while acquisition runs: read it after Kelvra_StopPreview, or in
 * trigger mode before the next trigger. */
typedef struct KELVRA_FRAME_REPORT {
    int32_t reserved;     /* always 0 */
    int32_t width;        /* pixels */
    int32_t height;       /* pixels */
    int32_t bitsPerPixel; /* 8, 16, 24, 32, 48 or 64 */
    int32_t rate;         /* tenths of a frame per second; 0 in trigger mode */
    int32_t padding;
    void* buffer; /* the caller buffer given with the callback window, or null */
} KELVRA_FRAME_REPORT;

/* Live preview into the library's preview window (if one is placed), no frame messages. */
KELVRA_API int KELVRA_CALL Kelvra_Preview(int handle);
/* Live preview that copies each frame into `buffer` (rows top first when topDown is non-zero)
 * and posts KELVRA_WM_FRAME to callbackWindow. Both may be null. Called during a preview, the
 * four values are replaced together once a copy under way has ended: after the call returns
 * the old buffer is never written again. Kelvra_Preview, Kelvra_CallBackPreview and
 * Kelvra_Record are refused while capturing or triggering (error 1, then their own code),
 * leaving the running acquisition as it was. */
KELVRA_API int KELVRA_CALL Kelvra_CallBackPreview(int handle, HWND callbackWindow, void* buffer,
                                                  int length, int topDown);
KELVRA_API int KELVRA_CALL Kelvra_StartPreview(int handle);
KELVRA_API int KELVRA_CALL Kelvra_StopPreview(int handle);
/* Capture state: streaming on demand of Kelvra_SnapShot, kept on between snapshots. */
KELVRA_API int KELVRA_CALL Kelvra_Capture(int handle);
/* One processed frame into `buffer` (null or length 0: only refresh the library's image). */
KELVRA_API int KELVRA_CALL Kelvra_SnapShot(int handle, void* buffer, int length, int topDown);
/* A copy of the newest processed image, in the colour mode it was processed in (a mode set
 * since applies to the next acquisition); does not wait for a new frame. Error 1 when there is
 * none (nothing taken yet, or a later preparation for another size replaced it). */
KELVRA_API int KELVRA_CALL Kelvra_GetImage(int handle, void* buffer, int length, int topDown);
/* Hardware-triggered acquisition: each trigger delivers one frame as Kelvra_CallBackPreview. */
KELVRA_API int KELVRA_CALL Kelvra_Trigger(int handle, HWND callbackWindow, void* buffer, int length,
                                          int topDown);
/* Stops acquisition and recording and removes the preview window; always 1. */
KELVRA_API int KELVRA_CALL Kelvra_Close(int handle);
/* Preview placement: a child of `parent` at (left, top) sized right x bottom, or, without a
 * parent, a centred top-level window unless all four values are 0. */
KELVRA_API int KELVRA_CALL Kelvra_SetPreviewWindow(int handle, HWND parent, int left, int top,
                                                   int right, int bottom);
/* Captures the current frame as the dark (0) or white (1) flat-field reference. */
KELVRA_API int KELVRA_CALL Kelvra_UpdateMaskData(int handle, int which);
/* AVI recording of durationMs milliseconds driven by the live preview. The file's frame rate
 * is measured over the time its frames span, so a recording cut short plays at its speed. */
KELVRA_API int KELVRA_CALL Kelvra_Record(int handle, const char* fileName, int durationMs,
                                         int showWindow);
KELVRA_API int KELVRA_CALL Kelvra_RecordW(int handle, const WCHAR* fileName, int durationMs,
                                          int showWindow);

/* ---- Files ---- */

/* Still image formats of Kelvra_SaveImage. */
enum KelvraImageFormat {
    KELVRA_FORMAT_BMP = 0,
    KELVRA_FORMAT_RAW = 1,
    KELVRA_FORMAT_JPEG_HIGH = 2,
    KELVRA_FORMAT_JPEG_MEDIUM = 3,
    KELVRA_FORMAT_JPEG_LOW = 4,
    KELVRA_FORMAT_PNG = 5,
    KELVRA_FORMAT_TIFF = 6
};

/* File names must name regular files (or new ones): a FIFO or device is refused at once with the
 * call's failure result. A saved file replaces the old one only when it is complete: a failed
 * save (a full disk) leaves the old file as it was. */
/* Saves the image Kelvra_GetImage gives (error 1 when there is none, and after Kelvra_Close);
 * 0 if any write failed. */
KELVRA_API int KELVRA_CALL Kelvra_SaveImage(int handle, const char* fileName, int format);
KELVRA_API int KELVRA_CALL Kelvra_SaveImageW(int handle, const WCHAR* fileName, int format);
/* Flat-field references (dark and white, 8 and 16 bits) from and to a mask file. */
KELVRA_API int KELVRA_CALL Kelvra_LoadMaskFile(int handle, const char* fileName);
KELVRA_API int KELVRA_CALL Kelvra_LoadMaskFileW(int handle, const WCHAR* fileName);
KELVRA_API int KELVRA_CALL Kelvra_SaveMaskFile(int handle, const char* fileName);
KELVRA_API int KELVRA_CALL Kelvra_SaveMaskFileW(int handle, const WCHAR* fileName);
/* Value pairs of a configuration file of at most 1 MiB; a larger file is refused with code 9. */
KELVRA_API int KELVRA_CALL Kelvra_LoadConfigFileA(int handle, const char* fileName);
KELVRA_API int KELVRA_CALL Kelvra_LoadConfigFileW(int handle, const WCHAR* fileName);

/* ---- Filter values ---- */

/* Indices of Kelvra_SetFilterValue / Kelvra_GetFilterValue. */
enum KelvraFilterIndex {
    KELVRA_FILTER_BRIGHTNESS = 1,
    KELVRA_FILTER_CONTRAST = 2,
    KELVRA_FILTER_HUE = 3,
    KELVRA_FILTER_SATURATION = 4,
    KELVRA_FILTER_SHARPNESS = 5,
    KELVRA_FILTER_BAYER_GAIN_RGB = 6,
    KELVRA_FILTER_BAYER_GAIN_RED = 7,
    KELVRA_FILTER_BAYER_GAIN_GREEN = 8,
    KELVRA_FILTER_BAYER_GAIN_BLUE = 9,
    KELVRA_FILTER_BAYER_GAIN_AUTO = 10,
    KELVRA_FILTER_GAMMA = 11,
    KELVRA_FILTER_BAYER_MODE = 12,
    KELVRA_FILTER_GLOBAL_GAIN = 13,
    KELVRA_FILTER_COLOR_GAIN_RED = 14,
    KELVRA_FILTER_COLOR_GAIN_GREEN1 = 15,
    KELVRA_FILTER_COLOR_GAIN_GREEN2 = 16,
    KELVRA_FILTER_COLOR_GAIN_BLUE = 17,
    KELVRA_FILTER_EXPOSURE = 18,
    KELVRA_FILTER_GRAY_MODE = 19,
    KELVRA_FILTER_GRAY_GAIN_R = 20,
    KELVRA_FILTER_GRAY_GAIN_G1 = 21,
    KELVRA_FILTER_GRAY_GAIN_G2 = 22,
    KELVRA_FILTER_GRAY_GAIN_B = 23,
    KELVRA_FILTER_GRAY_OFFSET_R = 24,
    KELVRA_FILTER_GRAY_OFFSET_G1 = 25,
    KELVRA_FILTER_GRAY_OFFSET_G2 = 26,
    KELVRA_FILTER_GRAY_OFFSET_B = 27,
    KELVRA_FILTER_AUTO_GRAY_ONCE = 28,
    KELVRA_FILTER_COOLER = 100,
    KELVRA_FILTER_TEMPERATURE = 101,
    KELVRA_FILTER_DOT_FILTER = 102,
    KELVRA_FILTER_MASK_FILTER = 103,
    KELVRA_FILTER_GAIN_MODE = 104,
    KELVRA_FILTER_FEATURE_105 = 105,
    KELVRA_FILTER_BLACK_LEVEL = 106
};

KELVRA_API int KELVRA_CALL Kelvra_SetFilterValue(int handle, int index, int value);
/* `ok` (may be null) receives 1 on success, 0 on failure. */
KELVRA_API int KELVRA_CALL Kelvra_GetFilterValue(int handle, int index, int* ok);

KELVRA_API int KELVRA_CALL Kelvra_SetBrightness(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetBrightness(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetContrast(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetContrast(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetHue(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetHue(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetSaturation(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetSaturation(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetSharpness(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetSharpness(int handle, int* ok);
/* Red in bits 0-7, green in 8-15, blue in 16-23. */
KELVRA_API int KELVRA_CALL Kelvra_SetBayerGainRGB(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetBayerGainRGB(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetBayerGainRed(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetBayerGainRed(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetBayerGainGreen(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetBayerGainGreen(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetBayerGainBlue(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetBayerGainBlue(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetBayerGainAuto(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetBayerGainAuto(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetGamma(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetGamma(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetBayerMode(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetBayerMode(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetGlobalGain(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetGlobalGain(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetColorGainRed(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetColorGainRed(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetColorGainGreen1(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetColorGainGreen1(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetColorGainGreen2(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetColorGainGreen2(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetColorGainBlue(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetColorGainBlue(int handle, int* ok);
/* Exposure in sensor units of 0.1 ms. */
KELVRA_API int KELVRA_CALL Kelvra_SetExposureTime(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetExposureTime(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetGrayMode(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetGrayMode(int handle, int* ok);
/* Grey mode 1 scales each mosaic position: a sample v becomes (offset - 128) + gain * v / 128,
 * limited to the sample range. Gains and offsets of 128 (the defaults) leave a frame unchanged. */
KELVRA_API int KELVRA_CALL Kelvra_SetGrayGainR(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetGrayGainR(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetGrayGainG1(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetGrayGainG1(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetGrayGainG2(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetGrayGainG2(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetGrayGainB(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetGrayGainB(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetGrayOffsetR(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetGrayOffsetR(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetGrayOffsetG1(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetGrayOffsetG1(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetGrayOffsetG2(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetGrayOffsetG2(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetGrayOffsetB(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetGrayOffsetB(int handle, int* ok);
/* Channels 1-4 name filter indices that cannot be read or set (code 9); other channels 0. */
KELVRA_API int KELVRA_CALL Kelvra_SetChannelGain(int handle, int channel, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetChannelGain(int handle, int channel, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetChannelOffset(int handle, int channel, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetChannelOffset(int handle, int channel, int* ok);
/* Cooler on (1) or off (0), on cameras that have one. */
KELVRA_API int KELVRA_CALL Kelvra_SetPeltier(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetPeltier(int handle, int* ok);
/* Not readable as a filter value (code 11, -1); use Kelvra_GetTemperatureEx. */
KELVRA_API int KELVRA_CALL Kelvra_GetTemperature(int handle, int* ok);
/* Defect-pixel (dot) filter and flat-field (mask) correction on or off. */
KELVRA_API int KELVRA_CALL Kelvra_SetDotFilter(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetDotFilter(int handle, int* ok);
KELVRA_API int KELVRA_CALL Kelvra_SetMaskFilter(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetMaskFilter(int handle, int* ok);

/* ---- Exposure and automatic control ---- */

KELVRA_API int KELVRA_CALL Kelvra_SetExposureTimeEx(int handle, double seconds);
/* Seconds; -1.0 when not read. */
KELVRA_API double KELVRA_CALL Kelvra_GetExposureTimeEx(int handle, int* ok);
/* Microseconds, stored in units of 100 us. */
KELVRA_API int KELVRA_CALL Kelvra_SetRealExposureTime(int handle, int microseconds);
KELVRA_API int KELVRA_CALL Kelvra_GetRealExposureTime(int handle, int* ok);
/* 0 off, 1 automatic exposure, 2 automatic gain. */
KELVRA_API int KELVRA_CALL Kelvra_SetAutoIris(int handle, int mode);
KELVRA_API int KELVRA_CALL Kelvra_GetAutoIris(int handle, int* ok);
/* Sensor temperature in degrees Celsius; 0.0 when not read. */
KELVRA_API double KELVRA_CALL Kelvra_GetTemperatureEx(int handle, int* ok);

/* ---- Settings dialogs ----
 * Each shows its modal dialog and returns 1 once the user closed it (OK or Cancel); 0 with code
 * 1 when no camera is open, code 4 when no window can be shown (no X display), code 11 when the
 * library's dialog module (libKelvraSdk_K4SWIR_TEC_dialogs.so, installed beside the library)
 * cannot be loaded. GTK 3 is loaded with the first dialog, never before.
 *
 * The dialog runs on the calling thread. An application without GTK needs nothing more; an
 * application with its own GTK main loop may call from a handler of that loop (the dialog then
 * runs in a nested loop, and the application's windows keep drawing). Called from another thread
 * while that loop runs, the dialog is shown by the loop's thread and the call waits for it.
 * `owner` may be a window made by Kelvra_WrapX11Window (the dialog stays above that X11 window),
 * any other window handle or null (the dialog is centred on the screen). Texts are Japanese when
 * LC_ALL, LC_MESSAGES or LANG (the first one set) names a Japanese locale, English otherwise.
 *
 * Kelvra_SetCameraDlg edits the stored size presets and stream format; OK makes them the next
 * acquisition's. A preview or capture stops while it is open and restarts after it; a trigger
 * acquisition pauses. Kelvra_SetImageDlg and Kelvra_SetAnalogDlg change the processing settings
 * and the camera at once, while frames keep flowing; Cancel puts back the values they had. */
KELVRA_API int KELVRA_CALL Kelvra_SetCameraDlg(int handle, HWND owner);
KELVRA_API int KELVRA_CALL Kelvra_SetImageDlg(int handle, HWND owner);
KELVRA_API int KELVRA_CALL Kelvra_SetAnalogDlg(int handle, HWND owner);

/* ---- Not supported by this camera: each records or posts code 11 ---- */

/* One function behind four names: posts code 11 and returns 0. */
KELVRA_API int KELVRA_CALL Kelvra_Fps(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetHalfClock(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_SetHalfClock(int handle, int value);
KELVRA_API int KELVRA_CALL Kelvra_SetCrossbar(int handle, int value);
/* The camera module's text console. A library built for any product but 0x3180 records code 11
 * and returns 0. On the module camera's build: Kelvra_SendText sends `length` characters of
 * `text` (up to its first NUL; 1 when all were taken, else code 6 and 0); Kelvra_ReceiveText
 * reads one line from the module into `text` (at most length - 1 characters, terminated) and
 * returns the line's length, 0 when none came. Each character takes about 10 ms. Without a
 * camera code 1; a null text, a negative length (a length below 1 for Kelvra_ReceiveText)
 * code 9; both return 0 then. */
KELVRA_API int KELVRA_CALL Kelvra_SendText(int handle, char* text, int length);
KELVRA_API int KELVRA_CALL Kelvra_ReceiveText(int handle, char* text, int length);
/* Record code 11 and return -1 (0 for an unknown handle). */
KELVRA_API int KELVRA_CALL Kelvra_SetConfigFilter(int handle, int index, int value);
KELVRA_API int KELVRA_CALL Kelvra_GetConfigFilter(int handle, int index);

/* ---- Public extra: owned frames (frame queue) ----
 * A frame queue hands every processed frame of a running acquisition (preview, capture
 * snapshots, trigger, recording) to the application in a buffer of its own, with the camera's
 * frame counter and timestamp, exposure, temperature and the number of frames lost before it.
 * Messages, the caller buffer, the preview window and recording keep working beside it.
 *
 * Ownership: Kelvra_WaitFrame lends the application one buffer, which the library never writes
 * until Kelvra_ReleaseFrame gives it back. When no buffer is free the new frame is dropped and
 * counted; a frame already queued or held is never overwritten. A held frame stays readable
 * after the acquisition stops, after Kelvra_CloseFrameQueue and after Kelvra_Release; its
 * memory is freed when it is released (after Kelvra_Release, with the released handle).
 *
 * Threads: every function may be called from any thread. Several threads may wait at once; each
 * frame goes to one of them, in the order the frames were processed. Stopping the acquisition,
 * losing the camera, closing the queue and Kelvra_Release wake every waiter, with the reason in
 * KELVRA_FRAME.status.
 *
 * Geometry: the buffers follow the output size (readout window, subsampling, colour mode) of
 * each acquisition start. A colour-mode or window change takes effect at the next start, as for
 * the caller buffer; the free buffers are then reallocated, while queued and held frames keep
 * their size, which their records state. */

/* Why Kelvra_WaitFrame returned, in KELVRA_FRAME.status. STOPPED and CAMERA_LOST come only once
 * the frames queued before the end have been taken. */
enum KelvraFrameStatus {
    KELVRA_FRAME_OK = 0,          /* a frame: the record is filled; give it back when done */
    KELVRA_FRAME_TIMEOUT = 1,     /* none within timeoutMs; acquisition goes on (not an error) */
    KELVRA_FRAME_STOPPED = 2,     /* no acquisition runs: none started yet, or it was stopped */
    KELVRA_FRAME_CAMERA_LOST = 3, /* the camera stopped delivering (unplugged or failing) */
    KELVRA_FRAME_CLOSED = 4,      /* no queue is open (closed, or never opened) */
    KELVRA_FRAME_RELEASED = 5,    /* the handle was released, or is unknown */
    KELVRA_FRAME_BAD_RECORD = 6   /* frame->size below sizeof(KELVRA_FRAME): code 9 */
};

/* One frame lent to the application. The caller sets `size`; the library fills the rest. */
typedef struct KELVRA_FRAME {
    int32_t size;   /* sizeof(KELVRA_FRAME), set by the caller */
    int32_t status; /* a KelvraFrameStatus */
    void* data;     /* rows top row first, rowStride bytes apart; null unless status is OK */
    uint64_t bytes; /* bytes at data: height x rowStride */
    int32_t width;  /* pixels */
    int32_t height;
    int32_t bitsPerPixel; /* 8, 16, 24, 32, 48 or 64, as the caller buffer gets them */
    int32_t rowStride;    /* a multiple of 4 */
    /* The camera's frame counter. Its low 32 bits are the frame header's; it goes up by one per
     * frame the camera makes, so a step of n + 1 means n frames lost. It never goes back within
     * an acquisition: the library carries the 32-bit wrap. */
    uint64_t frameCounter;
    /* The camera's clock when it made the frame, in microseconds. The camera counts in 32 bits
     * (a wrap every 71.6 minutes); the library carries the wraps, checked against the host's
     * clock, so within an acquisition it never goes back. */
    uint64_t timestampUs;
    int64_t receivedNs;        /* host CLOCK_MONOTONIC when the frame arrived, nanoseconds */
    uint32_t exposureUs;       /* exposure time of this frame */
    int32_t temperatureMilliC; /* sensor temperature at readout, milli-degrees C (steps of 125) */
    /* Frames lost between the previous frame this queue delivered and this one: dropped for
     * want of a free buffer, replaced in the library's ring before processing, or never sent
     * by the camera (continuous streaming only: in trigger and capture modes the counter also
     * moves between the frames taken). */
    uint64_t lost;
    uint64_t token; /* the library's: identifies this loan to Kelvra_ReleaseFrame */
} KELVRA_FRAME;

/* Counters of the current (or last) acquisition, reset when one starts: Kelvra_StartPreview and
 * the calls that start a preview, Kelvra_Capture, Kelvra_Trigger, Kelvra_SnapShot from idle.
 * The caller sets `size`; the library fills the rest. framesReceived = framesProcessed +
 * droppedInRing, give or take the frame being processed; frames the camera made =
 * framesReceived + lostInCamera. */
typedef struct KELVRA_STREAM_STATS {
    int32_t size;              /* sizeof(KELVRA_STREAM_STATS), set by the caller */
    int32_t framesQueued;      /* frames waiting in the queue now */
    int32_t framesHeld;        /* frames the application holds now */
    int32_t reserved;          /* 0 */
    uint64_t framesReceived;   /* whole frames the camera sent */
    uint64_t framesProcessed;  /* frames the library processed (for every consumer) */
    uint64_t framesDelivered;  /* frames Kelvra_WaitFrame handed out (this queue) */
    uint64_t droppedQueueFull; /* processed frames dropped: no free queue buffer (this queue) */
    uint64_t droppedInRing;    /* received frames replaced by newer ones before processing */
    uint64_t lostInCamera;     /* frames the camera made but never sent (counter gaps) */
    uint64_t failedTransfers;  /* frame header or body reads that failed */
    uint64_t resyncs;          /* stream restarts after a failed read */
    uint64_t cameraLost;       /* times the camera stopped delivering */
    uint64_t lastFrameCounter; /* frameCounter of the newest processed frame */
} KELVRA_STREAM_STATS;

/* Opens the handle's frame queue with bufferCount (2 to 64) buffers of the current output size,
 * allocated now. 1; 0 with code 9 (bufferCount out of range), 1 (a queue is open already) or 5
 * (no memory). */
KELVRA_API int KELVRA_CALL Kelvra_OpenFrameQueue(int handle, int bufferCount);
/* Closes the queue: waiters return CLOSED, frames not yet taken are dropped, held frames stay
 * readable until released. 1, also when no queue is open. */
KELVRA_API int KELVRA_CALL Kelvra_CloseFrameQueue(int handle);
/* Waits up to timeoutMs (< 0: no limit; 0: only looks) for the next frame. 1 with the record
 * filled; 0 with the reason in frame->status otherwise. Records no error except code 9 for a
 * null record (0 and nothing written) or a size below sizeof(KELVRA_FRAME). */
KELVRA_API int KELVRA_CALL Kelvra_WaitFrame(int handle, KELVRA_FRAME* frame, int timeoutMs);
/* Gives a frame's buffer back. 1; 0 with code 9 for a null record, one this handle's queues did
 * not lend, or one already given back (nothing is freed twice). */
KELVRA_API int KELVRA_CALL Kelvra_ReleaseFrame(int handle, const KELVRA_FRAME* frame);
/* 1 with the counters; 0 with code 9 for a null record or a size below the structure's. */
KELVRA_API int KELVRA_CALL Kelvra_GetStreamStatistics(int handle, KELVRA_STREAM_STATS* stats);

/* ---- Public extra: lossless recording files ----
 * Writes frames the application holds (from Kelvra_WaitFrame, or its own) into a recording
 * file, every frame as it is given: a multi-page TIFF (8-bit grey, 16-bit grey with the
 * camera's 12-bit samples and MaxSampleValue 4095, colour as RGB; each page's ImageDescription
 * is a JSON object {"frame", "timestamp_us", "exposure_us", "temperature_c"}), or raw frames
 * (rows packed, little-endian, colour in blue-green-red order) with a JSON sidecar named after
 * the file plus ".json" (clip.raw.json for clip.raw) that gives the geometry, "dtype",
 * "bits_per_sample", the frame rate and each frame's number, time, exposure, temperature and
 * byte "offset", or an uncompressed AVI that continues past 4 GiB (OpenDML; 8-bit grey as 8-bit
 * palettised video, 16-bit grey as 16-bit grey "b16g" with each 12-bit sample s stored as
 * s x 16 + s / 256, colour as 24-bit). Needs no handle and no camera.
 *
 * Ownership: Kelvra_OpenRecording returns a recording the caller owns until
 * Kelvra_CloseRecording, which finalises the file and frees it (also when it fails). The
 * library reads a frame's pixels during Kelvra_WriteRecordingFrame only.
 *
 * Threads: a recording is used by one thread at a time (the application's writer thread);
 * different recordings may be written from different threads at once. The calls block on the
 * disk: keep them off a thread that must keep up with the camera.
 *
 * Failure values are errno values (ENOSPC, EACCES, ENOENT, EFBIG ...), for strerror. A full
 * disk or any failed write ends the recording: the file keeps the frames written before it and
 * never claims one it does not hold. */

enum KelvraRecordingFormat {
    KELVRA_RECORDING_AVI = 0,
    KELVRA_RECORDING_TIFF = 1,
    KELVRA_RECORDING_RAW = 2
};

typedef struct KELVRA_RECORDING KELVRA_RECORDING;

/* What a closed recording holds. The caller sets `size`; the library fills the rest. */
typedef struct KELVRA_RECORDING_SUMMARY {
    int32_t size;           /* sizeof(KELVRA_RECORDING_SUMMARY), set by the caller */
    int32_t error;          /* the first failure of the file (errno value), 0 when none */
    uint64_t framesWritten; /* frames the file holds */
    uint64_t bytesWritten;  /* pixel bytes the file holds */
    uint64_t framesRefused; /* frames not written: another geometry, or after a failure */
    int32_t width;          /* geometry of the first frame; 0 when none was written */
    int32_t height;
    int32_t bitsPerPixel;
    int32_t reserved; /* 0 */
} KELVRA_RECORDING_SUMMARY;

/* The format for a file name's extension (case-insensitive): .avi, .tif or .tiff, .raw; -1 for
 * any other (also .mp4 and the like: these files are neither). */
KELVRA_API int KELVRA_CALL Kelvra_RecordingFormatForPath(const char* path);

/* Prepares a recording into `path` (its folder must exist and be writable; an old file is
 * replaced). The file is created by the first frame, whose geometry every later frame must
 * have. framesPerSecond is the rate to state when the frames' own clock cannot tell (0:
 * unknown). expectedFrames is how many frames the caller means to write, 0 when it cannot
 * tell: a TIFF file is a classic TIFF when that many fit in 4 GiB, else (and for 0) a BigTIFF.
 * Returns the recording, or null with the reason in *error (may be null): EINVAL (a null or
 * empty path, an unknown format, a negative rate), ENOENT (no such folder), EACCES, EISDIR,
 * ENOSYS (a format this build does not have), ENOMEM. */
KELVRA_API KELVRA_RECORDING* KELVRA_CALL Kelvra_OpenRecording(const char* path, int format,
                                                              double framesPerSecond,
                                                              uint64_t expectedFrames,
                                                              int* error);

/* Writes one frame (a record filled by Kelvra_WaitFrame, or one the caller fills: data,
 * width, height, bitsPerPixel, rowStride, and the metadata fields it has). 0 when written;
 * EINVAL for a null argument, a frame without pixels or of another geometry than the first
 * (not written; the recording goes on); after a write failure (ENOSPC, EFBIG, EIO ...) that
 * failure, for this frame and every later one. */
KELVRA_API int KELVRA_CALL Kelvra_WriteRecordingFrame(KELVRA_RECORDING* recording,
                                                      const KELVRA_FRAME* frame);

/* Finalises the file (the raw format's sidecar is written now) and frees the recording; fills
 * *summary when it is not null and its size is right. 0 when every frame was written and the
 * file is complete; otherwise the first failure (errno value). A recording without frames
 * leaves no file. EINVAL for a null recording. */
KELVRA_API int KELVRA_CALL Kelvra_CloseRecording(KELVRA_RECORDING* recording,
                                                 KELVRA_RECORDING_SUMMARY* summary);

#ifndef _WIN32
/* An eventfd that is readable whenever Kelvra_WaitFrame would return at once: while a frame is
 * queued and once the acquisition has ended (stopped, camera lost, queue closed), like the end
 * of a pipe. Poll it (poll, epoll, asyncio, GLib); never read or close it. It belongs to the
 * queue and is closed with it: take it out of the event loop first. -1 without a queue (code 1).
 */
KELVRA_API int KELVRA_CALL Kelvra_GetFrameQueueFd(int handle);

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
/* Wraps an application's X11 window (its XID on the display named by DISPLAY) as a window
 * handle, to be given to Kelvra_SetPreviewWindow as the preview's parent. Null if there is no
 * display or no such window. */
KELVRA_API HWND KELVRA_CALL Kelvra_WrapX11Window(unsigned long x11Window);
/* Forgets a handle made by Kelvra_WrapX11Window; the X11 window itself is left alone. */
KELVRA_API int KELVRA_CALL Kelvra_UnwrapX11Window(HWND window);
/* The library's own preview window closes like any other: when the user closes it (window
 * manager close button, WM_DELETE_WINDOW), its X client is killed or the X server goes away,
 * acquisition and recording go on without a window, and error 4 is recorded and posted once as
 * KELVRA_WM_ERROR. Every later call returns as usual; the next start makes a new window (and
 * fails with error 4 while no X server can be reached). */

/* ---- Linux only: USB link and the machine's cameras ----
 * For applications that check their set-up and for `kelvra doctor`. None of these opens a
 * camera for use or disturbs one that another program streams from; all may be called from
 * any thread. The library prints nothing about them: what to tell the user is the caller's. */

/* Link speeds in megabits per second. A camera on a USB 2 port works, at a fraction of its
 * frame rate. */
#define KELVRA_LINK_SUPER_SPEED 5000 /* USB 3 */
#define KELVRA_LINK_HIGH_SPEED 480   /* USB 2 */
#define KELVRA_LINK_FULL_SPEED 12    /* USB 1 */

/* The USB link speed of the open camera (KELVRA_LINK_*), 0 when it cannot be told. Without an
 * open camera: 0 with code 1. */
KELVRA_API int KELVRA_CALL Kelvra_GetLinkSpeed(int handle);

/* One camera attached to the machine, whether or not this user may open it. Text fields are
 * NUL-terminated, cut to fit. */
typedef struct KELVRA_USB_CAMERA {
    unsigned short vendorId;
    unsigned short productId;
    int linkSpeed;          /* KELVRA_LINK_*, 0 unknown */
    int accessible;         /* 1 when this user may open it; 0: permission denied (udev rule) */
    int simulated;          /* 1 for a simulated camera (KELVRA_SIMULATED_CAMERAS) */
    char port[32];          /* USB port, "bus-port.port" as in sysfs; "" when it has none */
    char deviceNode[64];    /* the node the user needs access to; "" when it has none */
    char serialNumber[64];  /* "" when unknown */
} KELVRA_USB_CAMERA;

/* Fills up to `capacity` records (the caller's array) with the cameras attached now, devices
 * of other makers left out. Returns how many cameras there are, which may exceed capacity;
 * -1 for a negative capacity or a null array with a positive one. */
KELVRA_API int KELVRA_CALL Kelvra_ListUsbCameras(KELVRA_USB_CAMERA* cameras, int capacity);

/* The udev rule that lets users open the cameras (installed by the library as
 * lib/udev/rules.d/60-kelvra-cameras.rules). Writes it, terminated, into `text` when `size`
 * bytes hold it; returns its length without the terminator either way. */
KELVRA_API int KELVRA_CALL Kelvra_GetUdevRule(char* text, int size);

/* Shared-memory blocks (names under /dev/shm) left by programs that ended without releasing
 * the library, for example killed ones. They do no harm: the next program using the library
 * removes or reuses them. Writes the names, one per line, into `names` when `size` bytes hold
 * them; returns how many there are. */
KELVRA_API int KELVRA_CALL Kelvra_GetStaleSharedMemory(char* names, int size);
#endif

/* ---- Public extra: saving an application's image ----
 * Writes pixels the application holds (a frame from Kelvra_WaitFrame, a copy of one, an image it
 * computed) with the library's still-image writers: the same pixels make the same file as
 * Kelvra_SaveImage. 16-bit samples are read as the camera's 12-bit samples (0-4095), as there:
 * BMP, raw, PNG and TIFF store them unchanged, JPEG keeps their top eight bits. Raw and BMP rows
 * are padded to 4 bytes, as Kelvra_SaveImage writes them.
 *
 * Needs no handle and no camera; may be called from any thread. The library reads the pixels
 * during the call only and keeps nothing: the caller keeps them unchanged until it returns. */

/* An image the application owns. The caller fills every field. */
typedef struct KELVRA_IMAGE {
    int32_t size;  /* sizeof(KELVRA_IMAGE) */
    int32_t width; /* pixels */
    int32_t height;
    /* 8 or 16: grey; 24 or 32: blue, green, red (and a fourth byte); 48 or 64: the same in 16-bit
     * samples. Samples of 16 bits are little-endian. */
    int32_t bitsPerPixel;
    int32_t rowStride; /* bytes from one row to the next, at least width x bitsPerPixel / 8 */
    int32_t reserved;  /* 0 */
    const void* data;  /* the top row */
} KELVRA_IMAGE;

/* Saves `image` as `fileName` in `format` (a KelvraImageFormat), replacing an old file only when
 * the new one is complete. 1 when the file is written; 0 when the arguments are refused (a null
 * or empty name, a null record or one smaller than KELVRA_IMAGE, an unknown format, no pixels, a
 * size or bit count not listed, rows shorter than their pixels) and nothing is touched; -1 when
 * the file cannot be written (not a regular file, no permission, a full disk) or memory runs
 * out, the old file then left as it was. Records no error code. */
KELVRA_API int KELVRA_CALL Kelvra_SaveImageData(const char* fileName, int format,
                                                const KELVRA_IMAGE* image);

#ifdef __cplusplus
}
#endif

#endif /* KELVRA_SDK_H */
