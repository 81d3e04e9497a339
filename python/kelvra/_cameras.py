"""Finding cameras: the list, opening one, simulated cameras."""

from __future__ import annotations

import ctypes
import os
from dataclasses import dataclass
from typing import Optional

from . import _native
from .camera import Camera, _integer, _open_cameras
from .errors import KelvraError

# The one product this library serves.
PRODUCT_ID = 0x3270
_MAX_SIMULATED = 32
_SIMULATED = "KELVRA_SIMULATED_CAMERAS"
_UNPACED = "KELVRA_SIMULATED_UNPACED"
_TEST_PATTERN = "KELVRA_SIMULATED_TEST_PATTERN"
_UNPLUG_AFTER = "KELVRA_SIMULATED_UNPLUG_AFTER_MS"


@dataclass(frozen=True)
class CameraEntry:
    """An attached camera, as kelvra.cameras() lists it."""

    index: int  # the number to give kelvra.open()
    name: str
    serial: str  # "" when the camera has none
    product_id: int


def simulate(count: int = 1, *, unpaced: bool = False, test_pattern: bool = False,
             unplug_after: Optional[float] = None) -> None:
    """Makes `count` simulated cameras the devices of this process instead of USB cameras.

    Call it before anything else of the package (RuntimeError afterwards: the library chooses
    its devices once). `unpaced` cameras deliver frames as fast as they are read; with
    `test_pattern` every row of frame n holds n + row; `unplug_after` unplugs the first camera
    that many seconds after it is attached."""
    if _native.is_loaded():
        raise RuntimeError("simulate() must come before the camera library is first used")
    number = _integer(count, "count")
    if not 0 <= number <= _MAX_SIMULATED:
        raise ValueError(f"count is 0 to {_MAX_SIMULATED}, not {number}")
    settings = {_SIMULATED: str(number), _UNPACED: "1" if unpaced else None,
                _TEST_PATTERN: "1" if test_pattern else None, _UNPLUG_AFTER: None}
    if unplug_after is not None:
        if isinstance(unplug_after, bool) or not isinstance(unplug_after, (int, float)) or \
                not 0 <= unplug_after < 2**31 / 1000:
            raise ValueError(f"unplug_after is a number of seconds, not {unplug_after!r}")
        settings[_UNPLUG_AFTER] = str(round(unplug_after * 1000))
    for variable, value in settings.items():
        if value is None:
            os.environ.pop(variable, None)
        else:
            os.environ[variable] = value


def _names(lib: ctypes.CDLL, handle: int) -> list[str]:
    table = (ctypes.c_char * _native.DEVICE_NAME_LENGTH * _native.MAX_LISTED_DEVICES)()
    count = lib.Kelvra_EnumDevice(handle, table)
    return [table[i].value.decode("utf-8", "replace") for i in range(count)]


def _serial(lib: ctypes.CDLL, handle: int) -> str:
    text = ctypes.create_string_buffer(_native.SERIAL_BUFFER_BYTES)
    if not lib.Kelvra_ReadSerialNumberA(handle, text, len(text)):
        return ""
    return text.value.decode("utf-8", "replace")


def cameras() -> list[CameraEntry]:
    """The attached cameras. Reading a serial number opens the camera briefly, except for the
    cameras this process holds open."""
    lib = _native.library()
    held = {camera.index: camera for camera in list(_open_cameras) if not camera.closed}
    handle = lib.Kelvra_Initialize(None)
    if handle == 0:
        raise KelvraError(0, "initialising the library")
    try:
        entries = []
        for index, name in enumerate(_names(lib, handle)):
            if index in held:
                serial = held[index].serial
            else:
                serial = _serial(lib, handle) if lib.Kelvra_SetDeviceNumber(handle, index) else ""
            entries.append(CameraEntry(index, name, serial, PRODUCT_ID))
        return entries
    finally:
        lib.Kelvra_Release(handle)


def open(index: Optional[int] = None, serial: Optional[str] = None) -> Camera:  # noqa: A001
    """Opens a camera: number `index` of kelvra.cameras(), the one with serial number `serial`,
    or, with neither, the first one. Raises KelvraError (code 2) when it is not attached."""
    if index is not None and serial is not None:
        raise ValueError("open() takes an index or a serial number, not both")
    if index is not None:
        index = _integer(index, "index")
        if index < 0:
            raise ValueError(f"index is 0 or more, not {index}")
    if serial is not None and not isinstance(serial, str):
        raise TypeError(f"serial must be a str, not {type(serial).__name__}")
    lib = _native.library()
    handle = lib.Kelvra_Initialize(None)
    if handle == 0:
        raise KelvraError(0, "initialising the library")
    try:
        chosen = _choose(lib, handle, index, serial)
        # Frames go to Python, not to a window of the library's.
        lib.Kelvra_SetPreviewWindow(handle, None, 0, 0, 0, 0)
    except BaseException:
        lib.Kelvra_Release(handle)
        raise
    return Camera(handle, chosen)


def _choose(lib: ctypes.CDLL, handle: int, index: Optional[int], serial: Optional[str]) -> int:
    if serial is None:
        chosen = index or 0
        if not lib.Kelvra_SetDeviceNumber(handle, chosen):
            raise KelvraError(lib.Kelvra_GetLastError(handle), f"opening camera {chosen}")
        return chosen
    for candidate in range(len(_names(lib, handle))):
        if lib.Kelvra_SetDeviceNumber(handle, candidate) and _serial(lib, handle) == serial:
            return candidate
    raise KelvraError(_native.ERR_NOT_PRESENT, f"opening the camera with serial number {serial}")
