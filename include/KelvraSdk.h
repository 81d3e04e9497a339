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
 * with wParam 0 reports a failure: lParam 5 (caller buffer too small), 8 (frame not
 * transferred) or 13 (camera lost). The record belongs to the library, which reuses it 16
 * frames later. The caller buffer is rewritten by every frame while acquisition runs: read it
 * after Kelvra_StopPreview, or in trigger mode before the next trigger. */
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
 * and posts KELVRA_WM_FRAME to callbackWindow. Both may be null. */
KELVRA_API int KELVRA_CALL Kelvra_CallBackPreview(int handle, HWND callbackWindow, void* buffer,
                                                  int length, int topDown);
KELVRA_API int KELVRA_CALL Kelvra_StartPreview(int handle);
KELVRA_API int KELVRA_CALL Kelvra_StopPreview(int handle);
/* Capture state: streaming on demand of Kelvra_SnapShot, kept on between snapshots. */
KELVRA_API int KELVRA_CALL Kelvra_Capture(int handle);
/* One processed frame into `buffer` (null or length 0: only refresh the library's image). */
KELVRA_API int KELVRA_CALL Kelvra_SnapShot(int handle, void* buffer, int length, int topDown);
/* A copy of the last processed image; does not wait for a new frame. */
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
/* AVI recording of durationMs milliseconds driven by the live preview. */
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

/* Saves the last processed image; 0 if any write failed. */
KELVRA_API int KELVRA_CALL Kelvra_SaveImage(int handle, const char* fileName, int format);
KELVRA_API int KELVRA_CALL Kelvra_SaveImageW(int handle, const WCHAR* fileName, int format);
/* Flat-field references (dark and white, 8 and 16 bits) from and to a mask file. */
KELVRA_API int KELVRA_CALL Kelvra_LoadMaskFile(int handle, const char* fileName);
KELVRA_API int KELVRA_CALL Kelvra_LoadMaskFileW(int handle, const WCHAR* fileName);
KELVRA_API int KELVRA_CALL Kelvra_SaveMaskFile(int handle, const char* fileName);
KELVRA_API int KELVRA_CALL Kelvra_SaveMaskFileW(int handle, const WCHAR* fileName);
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
/* Wraps an application's X11 window (its XID on the display named by DISPLAY) as a window
 * handle, to be given to Kelvra_SetPreviewWindow as the preview's parent. Null if there is no
 * display or no such window. */
KELVRA_API HWND KELVRA_CALL Kelvra_WrapX11Window(unsigned long x11Window);
/* Forgets a handle made by Kelvra_WrapX11Window; the X11 window itself is left alone. */
KELVRA_API int KELVRA_CALL Kelvra_UnwrapX11Window(HWND window);
#endif

#ifdef __cplusplus
}
#endif

#endif /* KELVRA_SDK_H */
