"""The C library: how it is found and loaded, and every C signature and structure the package uses.

Nothing else in the package touches ctypes prototypes: a call missing its result or argument
types (a double returned as 0, a double argument passed as garbage) cannot happen elsewhere.

The library is loaded on first use, not at import, so that :func:`kelvra.simulate` can still set
up simulated cameras. It is looked for, in this order:

1. the file named by the environment variable ``KELVRA_LIBRARY``, when set;
2. the normal loader path (``LD_LIBRARY_PATH``, the ``ldconfig`` cache, the system directories);
3. the library installed with this package by ``cmake --install`` (for a ``--prefix`` that is
   not on the loader path).
"""

from __future__ import annotations

import ctypes
import os
import threading
from ctypes import POINTER, Structure, c_char_p, c_double, c_int, c_int32, c_int64, c_uint32
from ctypes import c_uint64, c_void_p
from pathlib import Path
from typing import Optional

from . import _location

LIBRARY_VARIABLE = "KELVRA_LIBRARY"
# The run-time name first; the unversioned development link where only that exists.
LIBRARY_NAMES = ("libKelvraSdk_K4SWIR_TEC.so.2", "libKelvraSdk_K4SWIR_TEC.so")

# Array sizes of Kelvra_EnumDevice and the serial-number buffer.
MAX_LISTED_DEVICES = 10
DEVICE_NAME_LENGTH = 256
SERIAL_BUFFER_BYTES = 64

# Error codes (KelvraErrorCode).
ERR_NO_CAMERA = 1
ERR_NOT_PRESENT = 2
ERR_PARAMETER = 9
ERR_RECORDING = 12
ERR_CAMERA_LOST = 13

# Filter-value indices (KelvraFilterIndex).
FILTER_BRIGHTNESS = 1
FILTER_CONTRAST = 2
FILTER_SHARPNESS = 5
FILTER_GAMMA = 11
FILTER_GLOBAL_GAIN = 13
FILTER_COOLER = 100
FILTER_DOT_FILTER = 102
FILTER_MASK_FILTER = 103
FILTER_BLACK_LEVEL = 106

# Still-image formats (KelvraImageFormat).
FORMAT_BMP = 0
FORMAT_RAW = 1
FORMAT_JPEG_HIGH = 2
FORMAT_JPEG_MEDIUM = 3
FORMAT_JPEG_LOW = 4
FORMAT_PNG = 5
FORMAT_TIFF = 6

# Why Kelvra_WaitFrame returned (KelvraFrameStatus).
FRAME_OK = 0
FRAME_TIMEOUT = 1
FRAME_STOPPED = 2
FRAME_CAMERA_LOST = 3
FRAME_CLOSED = 4
FRAME_RELEASED = 5


class CAMERA_INFO(Structure):
    _fields_ = [
        ("size", c_int32),
        ("maxWidth", c_int32),
        ("maxHeight", c_int32),
        ("gainMin", c_int32),
        ("gainMax", c_int32),
        ("colorGainMin", c_int32),
        ("colorGainMax", c_int32),
        ("exposureMin", c_int32),
        ("exposureMax", c_int32),
        ("reserved", c_int32),
        ("exposureSecondsMin", c_double),
        ("exposureSecondsMax", c_double),
    ]


class FRAME(Structure):
    _fields_ = [
        ("size", c_int32),
        ("status", c_int32),
        ("data", c_void_p),
        ("bytes", c_uint64),
        ("width", c_int32),
        ("height", c_int32),
        ("bitsPerPixel", c_int32),
        ("rowStride", c_int32),
        ("frameCounter", c_uint64),
        ("timestampUs", c_uint64),
        ("receivedNs", c_int64),
        ("exposureUs", c_uint32),
        ("temperatureMilliC", c_int32),
        ("lost", c_uint64),
        ("token", c_uint64),
    ]


class STREAM_STATS(Structure):
    _fields_ = [
        ("size", c_int32),
        ("framesQueued", c_int32),
        ("framesHeld", c_int32),
        ("reserved", c_int32),
        ("framesReceived", c_uint64),
        ("framesProcessed", c_uint64),
        ("framesDelivered", c_uint64),
        ("droppedQueueFull", c_uint64),
        ("droppedInRing", c_uint64),
        ("lostInCamera", c_uint64),
        ("failedTransfers", c_uint64),
        ("resyncs", c_uint64),
        ("cameraLost", c_uint64),
        ("lastFrameCounter", c_uint64),
    ]


class IMAGE(Structure):
    _fields_ = [
        ("size", c_int32),
        ("width", c_int32),
        ("height", c_int32),
        ("bitsPerPixel", c_int32),
        ("rowStride", c_int32),
        ("reserved", c_int32),
        ("data", c_void_p),
    ]


_INT_P = POINTER(c_int)
_H = c_int  # a handle

# name: (result type, argument types)
SIGNATURES: dict[str, tuple[object, list[object]]] = {
    # Lifecycle and errors
    "Kelvra_Initialize": (c_int, [c_void_p]),
    "Kelvra_Release": (c_int, [_H]),
    "Kelvra_GetLastError": (c_int, [_H]),
    "Kelvra_GetDllVersion": (c_int, []),
    # Cameras
    "Kelvra_EnumDevice": (c_int, [_H, c_void_p]),
    "Kelvra_SetDeviceNumber": (c_int, [_H, c_int]),
    "Kelvra_GetDeviceName": (c_int, [_H, c_int, c_char_p, c_int]),
    "Kelvra_GetCameraInfo": (c_int, [_H, POINTER(CAMERA_INFO)]),
    "Kelvra_ReadSerialNumberA": (c_int, [_H, c_char_p, c_int]),
    # Format and readout window
    "Kelvra_SetColorMode": (c_int, [_H, c_int]),
    "Kelvra_GetColorMode": (c_int, [_H]),
    "Kelvra_GetSubSample": (c_int, [_H]),
    "Kelvra_SetCaptureWindowEx": (c_int, [_H, c_int, c_int, c_int, c_int, c_int, c_int]),
    "Kelvra_GetCaptureWindowEx": (c_int, [_H, _INT_P, _INT_P, _INT_P, _INT_P, _INT_P, _INT_P]),
    "Kelvra_Width": (c_int, [_H]),
    "Kelvra_Height": (c_int, [_H]),
    "Kelvra_SetMirrorH": (c_int, [_H, c_int]),
    "Kelvra_SetMirrorV": (c_int, [_H, c_int]),
    "Kelvra_GetMirrorH": (c_int, [_H]),
    "Kelvra_GetMirrorV": (c_int, [_H]),
    # Values, exposure, temperature
    "Kelvra_SetFilterValue": (c_int, [_H, c_int, c_int]),
    "Kelvra_GetFilterValue": (c_int, [_H, c_int, _INT_P]),
    "Kelvra_SetExposureTimeEx": (c_int, [_H, c_double]),
    "Kelvra_GetExposureTimeEx": (c_double, [_H, _INT_P]),
    "Kelvra_SetAutoIris": (c_int, [_H, c_int]),
    "Kelvra_GetAutoIris": (c_int, [_H, _INT_P]),
    "Kelvra_GetTemperatureEx": (c_double, [_H, _INT_P]),
    # Acquisition
    "Kelvra_SetPreviewWindow": (c_int, [_H, c_void_p, c_int, c_int, c_int, c_int]),
    "Kelvra_Preview": (c_int, [_H]),
    "Kelvra_StopPreview": (c_int, [_H]),
    "Kelvra_SnapShot": (c_int, [_H, c_void_p, c_int, c_int]),
    "Kelvra_Close": (c_int, [_H]),
    "Kelvra_Record": (c_int, [_H, c_char_p, c_int, c_int]),
    # Files
    "Kelvra_UpdateMaskData": (c_int, [_H, c_int]),
    "Kelvra_LoadMaskFile": (c_int, [_H, c_char_p]),
    "Kelvra_SaveMaskFile": (c_int, [_H, c_char_p]),
    "Kelvra_SaveImage": (c_int, [_H, c_char_p, c_int]),
    "Kelvra_SaveImageData": (c_int, [c_char_p, c_int, POINTER(IMAGE)]),
    # Owned frames
    "Kelvra_OpenFrameQueue": (c_int, [_H, c_int]),
    "Kelvra_CloseFrameQueue": (c_int, [_H]),
    "Kelvra_WaitFrame": (c_int, [_H, POINTER(FRAME), c_int]),
    "Kelvra_ReleaseFrame": (c_int, [_H, POINTER(FRAME)]),
    "Kelvra_GetStreamStatistics": (c_int, [_H, POINTER(STREAM_STATS)]),
    "Kelvra_GetFrameQueueFd": (c_int, [_H]),
}

_lock = threading.Lock()
_library: Optional[ctypes.CDLL] = None


def _candidates() -> list[str]:
    chosen = os.environ.get(LIBRARY_VARIABLE, "")
    if chosen:
        return [chosen]
    found = list(LIBRARY_NAMES)
    if _location.LIBRARY_DIR is not None:
        installed = Path(__file__).resolve().parent / _location.LIBRARY_DIR
        found += [str(installed / name) for name in LIBRARY_NAMES]
    return found


def _load() -> ctypes.CDLL:
    failures = []
    for candidate in _candidates():
        try:
            library = ctypes.CDLL(candidate)
        except OSError as error:
            failures.append(str(error))
            continue
        for name, (result, arguments) in SIGNATURES.items():
            function = getattr(library, name)
            function.restype = result
            function.argtypes = arguments
        return library
    raise OSError(
        "the Kelvra camera library was not found ("
        + "; ".join(failures)
        + "). Install it (cmake --install, then ldconfig), or name it in "
        + LIBRARY_VARIABLE
    )


def library() -> ctypes.CDLL:
    """The loaded library, loading it on the first call. Raises OSError when it is not found."""
    global _library
    with _lock:
        if _library is None:
            _library = _load()
        return _library


def is_loaded() -> bool:
    with _lock:
        return _library is not None
