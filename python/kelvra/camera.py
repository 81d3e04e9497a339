"""A camera: its settings as properties with units, single frames, streams, recordings, masks."""

from __future__ import annotations

import ctypes
import math
import numbers
import operator
import os
import threading
import time
import weakref
from dataclasses import dataclass
from typing import Any, Callable, Literal, NamedTuple, Optional, Union

import numpy as np

from . import _native
from ._pixels import layout, packed_stride
from .errors import KelvraError
from .frames import Stream, read_stats

PathLike = Union[str, "os.PathLike[str]"]
AutoMode = Literal["off", "exposure", "gain"]

_AUTO_MODES: tuple[AutoMode, ...] = ("off", "exposure", "gain")
_MASKS = {"dark": 0, "white": 1}
_INT32 = (-(2**31), 2**31 - 1)
# Buffers a frame queue may have (Kelvra_OpenFrameQueue).
_QUEUE_BUFFERS = (2, 64)
# The library's error history holds 20 codes; reading one more than that empties it.
_ERROR_HISTORY = 21
# Frame sizes of the subsample modes that divide the frame (others leave it whole).
_SUBSAMPLE_DIVISORS = {1: 2, 17: 2, 2: 4, 18: 4, 3: 8, 19: 8}
# The flat-field references are taken from the whole sensor only.
_SENSOR = (1280, 1024)
# A recording's clock starts with its first frame and finalising takes a moment: the time
# allowed beyond the duration before the recording is ended from here.
_RECORD_GRACE_S = 15.0
_RECORD_POLL_S = 0.02
_AVI_RIFF_SIZE = slice(4, 8)
_AVI_TOTAL_FRAMES = slice(48, 52)

# Cameras of this process that are open, for cameras() to read instead of reopening.
_open_cameras: "weakref.WeakSet[Camera]" = weakref.WeakSet()


class Window(NamedTuple):
    """A readout window in sensor pixels."""

    x: int
    y: int
    width: int
    height: int


@dataclass(frozen=True)
class CameraInfo:
    """What a camera can do."""

    sensor_width: int  # pixels
    sensor_height: int
    gain_range: tuple[int, int]  # global gain, lowest and highest
    color_gain_range: tuple[int, int]
    exposure_range: tuple[float, float]  # seconds, shortest and longest


def _integer(value: Any, name: str) -> int:
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}")
    number = operator.index(value)
    if not _INT32[0] <= number <= _INT32[1]:
        raise ValueError(f"{name} {number} does not fit in 32 bits")
    return number


def _flag(value: Any, name: str) -> int:
    if isinstance(value, (bool, np.bool_)):
        return int(value)
    if isinstance(value, numbers.Integral) and value in (0, 1):
        return int(value)
    raise TypeError(f"{name} must be True or False, not {value!r}")


def _seconds(value: Any, name: str) -> float:
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name} must be a number of seconds, not {type(value).__name__}")
    seconds = float(value)
    if not math.isfinite(seconds) or seconds <= 0:
        raise ValueError(f"{name} must be a positive number of seconds, not {value!r}")
    return seconds


def _path(value: Any) -> bytes:
    if not isinstance(value, (str, bytes, os.PathLike)):
        raise TypeError(f"a path must be a str or os.PathLike, not {type(value).__name__}")
    path = os.fsencode(value)
    if not path or b"\0" in path:
        raise ValueError(f"{value!r} is not a file name")
    return path


def _filter_value(index: int, name: str, doc: str, kind: Callable[[Any, str], int] = _integer,
                  result: Callable[[int], Any] = int) -> property:
    """A property read and written through the library's filter value `index`."""

    def get(self: Camera) -> Any:
        return result(self._read_filter(index, name))

    def put(self: Camera, value: Any) -> None:
        number = kind(value, name)
        self._call(f"setting {name} to {value!r}", "Kelvra_SetFilterValue", index, number)

    return property(get, put, doc=doc)


class Camera:
    """One open camera, from :func:`kelvra.open`.

    A context manager: the camera is released at the end of the ``with`` block (also when it
    raises), by :meth:`close`, or when the object is garbage-collected. Releasing stores the
    camera's settings for the next time it is opened. The library's preview window stays off.

    Setting a value outside what the camera accepts raises :class:`kelvra.KelvraError` with the
    library's code (9 out of range, 11 not supported by this camera); a value of the wrong type
    or one that cannot mean anything (a negative exposure) raises TypeError or ValueError first.
    Methods may be called from any thread.
    """

    def __init__(self, handle: int, index: int) -> None:
        """Use kelvra.open()."""
        self._handle = handle
        self._index = index
        self._serial: Optional[str] = None
        self._stream: Optional[Stream] = None
        self._lock = threading.RLock()
        self._lib = _native.library()
        # Runs once, at close() or when the object is collected without one.
        self._finalizer = weakref.finalize(self, _release_handle, self._lib, handle)
        _open_cameras.add(self)

    # -- life -------------------------------------------------------------------------------

    def close(self) -> None:
        """Stops any stream and releases the camera. Harmless twice."""
        with self._lock:
            if self._stream is not None:
                self._stream.close()
            self._finalizer()

    @property
    def closed(self) -> bool:
        return not self._finalizer.alive

    def __enter__(self) -> Camera:
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __repr__(self) -> str:
        state = "closed" if self.closed else f"camera {self._index}"
        return f"<kelvra.Camera {state}>"

    def _check_open(self) -> None:
        if self.closed:
            raise ValueError("the camera is closed")

    def _call(self, action: str, function: str, *args: Any) -> int:
        """Calls `function` with the handle and `args`; its result 0 raises KelvraError with the
        code the call recorded."""
        with self._lock:
            self._check_open()
            self._clear_errors()
            result = int(getattr(self._lib, function)(self._handle, *args))
            if result == 0:
                raise self._error(action)
            return result

    def _clear_errors(self) -> None:
        for _ in range(_ERROR_HISTORY):
            if self._lib.Kelvra_GetLastError(self._handle) == 0:
                break

    def _error(self, action: str) -> KelvraError:
        return KelvraError(self._lib.Kelvra_GetLastError(self._handle), action)

    def _read(self, name: str, function: str, *args: Any) -> Any:
        """Calls a getter that reports success through its last argument, `ok`."""
        with self._lock:
            self._check_open()
            self._clear_errors()
            ok = ctypes.c_int(0)
            value = getattr(self._lib, function)(self._handle, *args, ctypes.byref(ok))
            if not ok.value:
                raise self._error(f"reading {name}")
            return value

    def _read_filter(self, index: int, name: str) -> int:
        return int(self._read(name, "Kelvra_GetFilterValue", index))

    # -- identity ---------------------------------------------------------------------------

    @property
    def index(self) -> int:
        """The camera's number (0-based) in kelvra.cameras()."""
        return self._index

    @property
    def name(self) -> str:
        """The library's name of the camera, for example "KelvraK4SWIRTEC_01"."""
        text = ctypes.create_string_buffer(_native.DEVICE_NAME_LENGTH)
        self._call("reading the camera's name", "Kelvra_GetDeviceName", self._index, text,
                   len(text))
        return text.value.decode("utf-8", "replace")

    @property
    def serial(self) -> str:
        """The camera's serial number ("" when it has none). Read from the camera once."""
        if self._serial is None:
            text = ctypes.create_string_buffer(_native.SERIAL_BUFFER_BYTES)
            self._call("reading the serial number", "Kelvra_ReadSerialNumberA", text, len(text))
            self._serial = text.value.decode("utf-8", "replace")
        return self._serial

    @property
    def info(self) -> CameraInfo:
        """Sensor size and the ranges of gain and exposure."""
        record = _native.CAMERA_INFO()
        record.size = ctypes.sizeof(record)
        self._call("reading the camera information", "Kelvra_GetCameraInfo", ctypes.byref(record))
        return CameraInfo(record.maxWidth, record.maxHeight, (record.gainMin, record.gainMax),
                          (record.colorGainMin, record.colorGainMax),
                          (record.exposureSecondsMin, record.exposureSecondsMax))

    # -- camera settings --------------------------------------------------------------------

    @property
    def exposure(self) -> float:
        """Exposure time in seconds, within info.exposure_range (ValueError outside it: the
        camera would silently take the nearest end)."""
        return float(self._read("the exposure", "Kelvra_GetExposureTimeEx"))

    @exposure.setter
    def exposure(self, value: float) -> None:
        seconds = _seconds(value, "exposure")
        shortest, longest = self.info.exposure_range
        # Allows for the rounding of a range read back and written again.
        if not shortest * (1 - 1e-9) <= seconds <= longest * (1 + 1e-9):
            raise ValueError(f"exposure {seconds} s is outside {shortest} .. {longest} s")
        self._call(f"setting the exposure to {seconds} s", "Kelvra_SetExposureTimeEx", seconds)

    gain = _filter_value(_native.FILTER_GLOBAL_GAIN, "the gain",
                         "Global gain, in the camera's steps (info.gain_range).")
    black_level = _filter_value(_native.FILTER_BLACK_LEVEL, "the black level",
                                "Black level in the camera's steps, where the camera has one.")
    cooler = _filter_value(_native.FILTER_COOLER, "the cooler",
                           "The thermo-electric cooler on (True) or off.", _flag, bool)

    @property
    def temperature(self) -> float:
        """Sensor temperature in degrees Celsius (read-only)."""
        return float(self._read("the temperature", "Kelvra_GetTemperatureEx"))

    @property
    def mirror_h(self) -> bool:
        """Horizontal mirroring (left and right exchanged)."""
        return bool(self._call_value("Kelvra_GetMirrorH"))

    @mirror_h.setter
    def mirror_h(self, value: bool) -> None:
        flag = _flag(value, "mirror_h")
        self._call(f"setting mirror_h to {value!r}", "Kelvra_SetMirrorH", flag)

    @property
    def mirror_v(self) -> bool:
        """Vertical mirroring (top and bottom exchanged)."""
        return bool(self._call_value("Kelvra_GetMirrorV"))

    @mirror_v.setter
    def mirror_v(self, value: bool) -> None:
        flag = _flag(value, "mirror_v")
        self._call(f"setting mirror_v to {value!r}", "Kelvra_SetMirrorV", flag)

    def _call_value(self, function: str) -> int:
        """A getter whose every result is a value (it reports failure by code alone)."""
        with self._lock:
            self._check_open()
            self._clear_errors()
            value = int(getattr(self._lib, function)(self._handle))
            code = self._lib.Kelvra_GetLastError(self._handle)
            if code != 0:
                raise KelvraError(code, f"calling {function}")
            return value

    @property
    def color_mode(self) -> int:
        """Bits per pixel of the frames: 8 or 16 grey (16-bit frames carry 12-bit samples,
        0 to 4095), or a colour depth where the camera offers one. Takes effect at the next
        snap() or stream."""
        bits = self._call_value("Kelvra_GetColorMode")
        if bits < 0:
            raise KelvraError(_native.ERR_PARAMETER, "reading the colour mode")
        return bits

    @color_mode.setter
    def color_mode(self, value: int) -> None:
        bits = _integer(value, "color_mode")
        self._call(f"setting the colour mode to {bits} bits", "Kelvra_SetColorMode", bits)

    @property
    def window(self) -> Window:
        """The readout window (x, y, width, height) in sensor pixels. Takes effect at the next
        snap() or stream."""
        values = [ctypes.c_int(0) for _ in range(6)]
        self._call("reading the readout window", "Kelvra_GetCaptureWindowEx",
                   *map(ctypes.byref, values))
        _, x, width, _, y, height = (v.value for v in values)
        return Window(x, y, width, height)

    @window.setter
    def window(self, value: tuple[int, int, int, int]) -> None:
        try:
            x, y, width, height = value
        except (TypeError, ValueError):
            raise TypeError(f"a window is (x, y, width, height), not {value!r}") from None
        x, y, width, height = (_integer(v, "a window value") for v in (x, y, width, height))
        info = self.info
        with self._lock:
            previous = self.window
            try:
                self._call(f"setting the readout window to {width}x{height}+{x}+{y}",
                           "Kelvra_SetCaptureWindowEx", info.sensor_width, x, width,
                           info.sensor_height, y, height)
            except KelvraError:
                # The library keeps a window it refused as the stored one, which the next
                # acquisition would refuse again: the previous window stays in force instead.
                self._lib.Kelvra_SetCaptureWindowEx(self._handle, info.sensor_width, previous.x,
                                                    previous.width, info.sensor_height,
                                                    previous.y, previous.height)
                raise

    @property
    def auto_exposure(self) -> AutoMode:
        """Automatic control: "off", "exposure" (the exposure follows the scene) or "gain"
        (the gain does). True means "exposure", False "off"."""
        mode = int(self._read("auto_exposure", "Kelvra_GetAutoIris"))
        return _AUTO_MODES[mode] if 0 <= mode < len(_AUTO_MODES) else "off"

    @auto_exposure.setter
    def auto_exposure(self, value: Union[AutoMode, bool]) -> None:
        if isinstance(value, (bool, np.bool_)):
            value = "exposure" if value else "off"
        if value not in _AUTO_MODES:
            raise ValueError(f"auto_exposure is one of {_AUTO_MODES} or a bool, not {value!r}")
        self._call(f"setting auto_exposure to {value!r}", "Kelvra_SetAutoIris",
                   _AUTO_MODES.index(value))

    # -- processing settings ----------------------------------------------------------------

    gamma = _filter_value(_native.FILTER_GAMMA, "gamma",
                          "Gamma in hundredths: 100 is neutral, 0 to 200.")
    contrast = _filter_value(_native.FILTER_CONTRAST, "contrast",
                             "Contrast, -127 to 127 (0 neutral).")
    sharpness = _filter_value(_native.FILTER_SHARPNESS, "sharpness",
                              "Sharpening strength, 0 (off) to 30.")
    brightness = _filter_value(_native.FILTER_BRIGHTNESS, "brightness",
                               "Brightness offset, -255 to 255 (0 neutral).")
    flat_field = _filter_value(_native.FILTER_MASK_FILTER, "the flat-field correction",
                               "Flat-field correction with the mask's references on or off.",
                               _flag, bool)
    dot_filter = _filter_value(_native.FILTER_DOT_FILTER, "the dot filter",
                               "Defect-pixel (dot) filter on or off.", _flag, bool)

    # -- frames -----------------------------------------------------------------------------

    def _frame_size(self) -> tuple[int, int]:
        divisor = _SUBSAMPLE_DIVISORS.get(self._lib.Kelvra_GetSubSample(self._handle), 1)
        return (self._lib.Kelvra_Width(self._handle) // divisor,
                self._lib.Kelvra_Height(self._handle) // divisor)

    def snap(self) -> np.ndarray:
        """One frame as a new array: uint8 or uint16 (color_mode), shaped (height, width), rows
        top first. Not while a stream runs (KelvraError, code 1)."""
        with self._lock:
            bits = self.color_mode
            width, height = self._frame_size()
            stride = packed_stride(width, bits)
            buffer = np.empty(stride * height, np.uint8)
            self._call("taking a frame", "Kelvra_SnapShot", buffer.ctypes.data, buffer.nbytes, 1)
        shape, strides, dtype = layout(width, height, bits, stride)
        rows = np.lib.stride_tricks.as_strided(buffer.view(dtype), shape, strides)
        return rows if stride == width * bits // 8 else np.ascontiguousarray(rows)

    def stream(self, buffers: int = 8, timeout: Optional[float] = None) -> Stream:
        """Live frames, to iterate (``for``, ``async for``), best inside ``with``.

        `buffers` (2 to 64) frames can be held or queued at once. `timeout` in seconds bounds the
        wait for each frame (TimeoutError); None waits as long as the acquisition runs."""
        count = _integer(buffers, "buffers")
        if not _QUEUE_BUFFERS[0] <= count <= _QUEUE_BUFFERS[1]:
            raise ValueError(f"buffers is {_QUEUE_BUFFERS[0]} to {_QUEUE_BUFFERS[1]}, not {count}")
        if timeout is not None:
            timeout = _seconds(timeout, "timeout")
        self._check_open()
        return Stream(self, count, timeout)

    def _begin_stream(self, stream: Stream) -> None:
        with self._lock:
            self._call(f"opening a queue of {stream._buffers} frames", "Kelvra_OpenFrameQueue",
                       stream._buffers)
            try:
                self._call("starting the stream", "Kelvra_Preview")
            except KelvraError:
                self._lib.Kelvra_CloseFrameQueue(self._handle)
                raise
            self._stream = stream

    def _end_stream(self, stream: Stream) -> None:
        with self._lock:
            if self._stream is stream:
                self._stream = None
            if not self.closed:
                self._lib.Kelvra_StopPreview(self._handle)
                self._lib.Kelvra_CloseFrameQueue(self._handle)

    # -- files ------------------------------------------------------------------------------

    def record(self, path: PathLike, seconds: float) -> int:
        """Records `seconds` of live frames into an uncompressed AVI file (24-bit, as the
        library's recorder writes it) and returns the number of frames in it. Blocks until the
        file is complete; an old file of that name is replaced only then. Not while a stream
        runs (RuntimeError)."""
        name = _path(path)
        duration = _seconds(seconds, "seconds")
        milliseconds = round(duration * 1000)
        if milliseconds > _INT32[1]:
            raise ValueError(f"{seconds} s is too long a recording")
        action = f"recording into {os.fsdecode(name)}"
        with self._lock:
            if self._stream is not None:
                raise RuntimeError("close the stream before recording")
            # The recorder writes beside the file and renames its work into place when it is
            # finalised: the name then names another file than before.
            before = _file_identity(name)
            self._call(action, "Kelvra_Record", name, max(milliseconds, 1), 0)
            try:
                failure = self._await_recording(name, before, duration)
            finally:
                # Waits for the recorder, which finalises the file if it has not yet.
                self._lib.Kelvra_StopPreview(self._handle)
            if failure:
                raise KelvraError(failure, action)
            header = _avi_header(name)
            if _file_identity(name) == before or header is None or header[0] == 0:
                raise self._error(action)
            return header[1]

    def _await_recording(self, name: bytes, before: Optional[tuple[int, int]],
                         seconds: float) -> int:
        """Waits until the recorder has put the finished file in place (0), or returns the code
        of what ended the recording early: the camera lost (13) or the file failing (12)."""
        give_up = time.monotonic() + seconds + _RECORD_GRACE_S
        while time.monotonic() < give_up:
            if _file_identity(name) != before:
                return 0
            if read_stats(self._handle).camera_lost:
                return _native.ERR_CAMERA_LOST
            if self._lib.Kelvra_GetLastError(self._handle) == _native.ERR_RECORDING:
                return _native.ERR_RECORDING
            time.sleep(_RECORD_POLL_S)
        return 0

    def capture_mask(self, which: Literal["dark", "white"]) -> None:
        """Takes a frame now as the flat-field's dark or white reference (the full sensor's
        frame: ValueError for a smaller window). Keep it with save_mask()."""
        if which not in _MASKS:
            raise ValueError(f"a mask reference is 'dark' or 'white', not {which!r}")
        with self._lock:
            if self._frame_size() != _SENSOR:
                raise ValueError("the flat-field references need the whole "
                                 f"{_SENSOR[0]}x{_SENSOR[1]} frame")
            if self._stream is None:
                self._call("taking a frame", "Kelvra_SnapShot", None, 0, 1)
            self._call(f"capturing the {which} reference", "Kelvra_UpdateMaskData",
                       _MASKS[which])

    def save_mask(self, path: PathLike) -> None:
        """Writes the flat-field references into a mask file (KelvraError 14 on failure)."""
        name = _path(path)
        self._call(f"writing the mask file {os.fsdecode(name)}", "Kelvra_SaveMaskFile", name)

    def load_mask(self, path: PathLike) -> None:
        """Reads the flat-field references from a mask file (KelvraError 14 on failure)."""
        name = _path(path)
        self._call(f"loading the mask file {os.fsdecode(name)}", "Kelvra_LoadMaskFile", name)


def _release_handle(lib: Any, handle: int) -> None:
    # Close first: it stops the acquisition threads before the handle goes.
    lib.Kelvra_Close(handle)
    lib.Kelvra_Release(handle)


def _file_identity(name: bytes) -> Optional[tuple[int, int]]:
    try:
        status = os.stat(name)
    except OSError:
        return None
    return (status.st_dev, status.st_ino)


def _avi_header(name: bytes) -> Optional[tuple[int, int]]:
    """(RIFF size, total frames) of an AVI file; RIFF size 0 until the recorder finalises it."""
    try:
        with open(name, "rb") as file:
            head = file.read(_AVI_TOTAL_FRAMES.stop)
    except OSError:
        return None
    if len(head) < _AVI_TOTAL_FRAMES.stop or head[:4] != b"RIFF" or head[8:12] != b"AVI ":
        return None
    return (int.from_bytes(head[_AVI_RIFF_SIZE], "little"),
            int.from_bytes(head[_AVI_TOTAL_FRAMES], "little"))
