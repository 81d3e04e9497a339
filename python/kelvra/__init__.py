"""Kelvra K4 SWIR TEC cameras from Python, frames as numpy arrays.

    import kelvra
    with kelvra.open() as cam:
        image = cam.snap()

The package drives the camera library libKelvraSdk_K4SWIR_TEC (found as described in
kelvra._native). Failures the library reports raise KelvraError with its code and what the code
means; arguments of the wrong type or beyond sense raise TypeError or ValueError before the
library is called.
"""

from ._cameras import PRODUCT_ID, CameraEntry, cameras, open, simulate
from .camera import Camera, CameraInfo, Window
from .errors import KelvraError, error_words
from .frames import Frame, Stream, StreamStats
from .images import save

__all__ = [
    "PRODUCT_ID",
    "Camera",
    "CameraEntry",
    "CameraInfo",
    "Frame",
    "KelvraError",
    "Stream",
    "StreamStats",
    "Window",
    "cameras",
    "error_words",
    "open",
    "save",
    "simulate",
]
