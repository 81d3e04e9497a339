"""Still images of frames and arrays, through the library's own writers."""

from __future__ import annotations

import ctypes
import os
from typing import Union

import numpy as np

from . import _native
from ._pixels import as_library_rows, bits_of
from .camera import PathLike, _path
from .frames import Frame

_FORMATS = {
    ".bmp": _native.FORMAT_BMP,
    ".raw": _native.FORMAT_RAW,
    ".png": _native.FORMAT_PNG,
    ".tif": _native.FORMAT_TIFF,
    ".tiff": _native.FORMAT_TIFF,
}
_JPEG = (".jpg", ".jpeg")
_JPEG_QUALITIES = {100: _native.FORMAT_JPEG_HIGH, 70: _native.FORMAT_JPEG_MEDIUM,
                   20: _native.FORMAT_JPEG_LOW}
_MAX_STRIDE = 2**31 - 1


def _format_of(name: bytes, quality: int) -> int:
    extension = os.path.splitext(os.fsdecode(name))[1].lower()
    if extension in _JPEG:
        if quality not in _JPEG_QUALITIES:
            raise ValueError(f"JPEG quality is one of {sorted(_JPEG_QUALITIES)}, not {quality!r}")
        return _JPEG_QUALITIES[quality]
    if extension not in _FORMATS:
        known = ", ".join(sorted(list(_FORMATS) + list(_JPEG)))
        raise ValueError(f"cannot tell the format of {os.fsdecode(name)!r}: use {known}")
    return _FORMATS[extension]


def save(image: Union[np.ndarray, Frame], path: PathLike, *, quality: int = 100) -> None:
    """Saves a frame or an array as an image file, its format named by the extension: .png,
    .tif/.tiff, .bmp, .raw (the pixel rows, each padded to 4 bytes) or .jpg/.jpeg (`quality`
    100, 70 or 20).

    The array is uint8 or uint16, shaped (height, width) for grey or (height, width, 3 or 4)
    for blue, green, red (and a fourth sample). 16-bit samples are taken as the camera's 12-bit
    ones: PNG, TIFF, BMP and raw keep them as they are, JPEG keeps their top 8 bits. The file
    is the one the library writes for the same frame, and replaces an old one only when
    complete. Raises OSError when the file cannot be written."""
    name = _path(path)
    if isinstance(image, Frame):
        array = image.array
    elif isinstance(image, np.ndarray):
        array = image
    else:
        raise TypeError(f"save() takes a kelvra.Frame or a numpy array, not {type(image).__name__}")
    fmt = _format_of(name, quality)
    bits = bits_of(array)
    rows = as_library_rows(array)
    if rows.strides[0] > _MAX_STRIDE or rows.shape[0] > _MAX_STRIDE:
        raise ValueError(f"an image of shape {rows.shape} is too large to save")
    record = _native.IMAGE(ctypes.sizeof(_native.IMAGE), rows.shape[1], rows.shape[0], bits,
                           rows.strides[0], 0, rows.ctypes.data)
    result = _native.library().Kelvra_SaveImageData(name, fmt, ctypes.byref(record))
    if result == 0:
        raise ValueError(f"the library refused the image of shape {array.shape}")
    if result < 0:
        raise OSError(f"could not write the image file {os.fsdecode(name)!r}")
