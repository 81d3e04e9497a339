"""The shapes of the library's pixel layouts in numpy, both ways."""

from __future__ import annotations

from typing import NamedTuple

import numpy as np

# Bits per pixel -> (dtype, samples per pixel); one sample is shaped (height, width).
_LAYOUTS = {
    8: (np.dtype(np.uint8), 1),
    16: (np.dtype("<u2"), 1),
    24: (np.dtype(np.uint8), 3),
    32: (np.dtype(np.uint8), 4),
    48: (np.dtype("<u2"), 3),
    64: (np.dtype("<u2"), 4),
}


class Layout(NamedTuple):
    shape: tuple[int, ...]
    strides: tuple[int, ...]
    dtype: np.dtype


def layout(width: int, height: int, bits: int, row_stride: int) -> Layout:
    """numpy's view of rows of `width` pixels of `bits`, `row_stride` bytes apart, top first."""
    dtype, samples = _LAYOUTS[bits]
    if samples == 1:
        return Layout((height, width), (row_stride, dtype.itemsize), dtype)
    pixel = samples * dtype.itemsize
    return Layout((height, width, samples), (row_stride, pixel, dtype.itemsize), dtype)


def packed_stride(width: int, bits: int) -> int:
    """Bytes per row of the library's images: width x bytes per pixel, padded to 4."""
    return (width * (bits // 8) + 3) & ~3


def bits_of(array: np.ndarray) -> int:
    """Bits per pixel of an array shaped as the library's frames; ValueError or TypeError if it
    is not one."""
    if array.dtype.kind != "u" or array.dtype.itemsize not in (1, 2):
        raise TypeError(f"pixels must be uint8 or uint16, not {array.dtype}")
    samples = 1 if array.ndim == 2 else array.shape[2] if array.ndim == 3 else 0
    if samples not in (1, 3, 4):
        raise ValueError(
            f"an image is shaped (height, width) or (height, width, 3 or 4), not {array.shape}"
        )
    if array.shape[0] == 0 or array.shape[1] == 0:
        raise ValueError(f"an image of shape {array.shape} has no pixels")
    return samples * array.dtype.itemsize * 8


def as_library_rows(array: np.ndarray) -> np.ndarray:
    """`array` itself when its rows lie as the library reads them (pixels packed, samples
    little-endian, rows top first at a positive distance), else a copy laid out so."""
    dtype = array.dtype.newbyteorder("<") if array.dtype.itemsize > 1 else array.dtype
    pixel = array.itemsize * (array.shape[2] if array.ndim == 3 else 1)
    row = pixel * array.shape[1]
    inner = array.strides[1:] == ((pixel, array.itemsize) if array.ndim == 3 else (pixel,))
    if array.dtype == dtype and inner and array.strides[0] >= row:
        return array
    return np.ascontiguousarray(array, dtype=dtype)
