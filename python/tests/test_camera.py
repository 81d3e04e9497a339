"""Settings, single frames and the camera's life, as a user drives them."""

from __future__ import annotations

import gc

import numpy as np
import pytest

import kelvra
from conftest import run_python

# property: (values that round-trip, [(bad value, library code or exception type)])
ROUND_TRIPS = {
    "gain": ([5, 400], [(-1, 9), (100000, 9), (1.5, TypeError), (True, TypeError)]),
    "black_level": ([], [(3, 11)]),
    "cooler": ([False, True], [(2, TypeError), ("on", TypeError)]),
    "mirror_h": ([True, False], [(None, TypeError)]),
    "mirror_v": ([True, False], [(0.5, TypeError)]),
    "color_mode": ([16, 32, 8], [(24, 9), (12, 9), (2**40, ValueError)]),
    "window": ([(0, 100, 1280, 512), (0, 0, 1280, 1024)],
               [((0, 600, 1280, 512), 7), ((0, 0, 640, 512), 9), ((1, 2, 3), TypeError)]),
    "auto_exposure": (["gain", "exposure", "off"], [("sometimes", ValueError)]),
    "gamma": ([50, 100], [(201, 9), (-1, 9)]),
    "contrast": ([-5, 0], [(128, 9)]),
    "sharpness": ([4, 0], [(31, 9)]),
    "brightness": ([12, 0], [(-256, 9)]),
    "flat_field": ([True, False], [("yes", TypeError)]),
    "dot_filter": ([True, False], [(2, TypeError)]),
}


def test_every_property_round_trips_and_refuses_bad_values_with_the_librarys_code(cam):
    for name, (goods, bads) in ROUND_TRIPS.items():
        for value in goods:
            setattr(cam, name, value)
            assert getattr(cam, name) == value, name
        for value, outcome in bads:
            before = None if name == "black_level" else getattr(cam, name)
            if isinstance(outcome, int):
                with pytest.raises(kelvra.KelvraError) as refused:
                    setattr(cam, name, value)
                assert refused.value.code == outcome, (name, value)
                assert kelvra.error_words(outcome) in str(refused.value)
            else:
                with pytest.raises(outcome):
                    setattr(cam, name, value)
            if before is not None:
                assert getattr(cam, name) == before, (name, value)
    with pytest.raises(kelvra.KelvraError) as unsupported:
        cam.black_level
    assert unsupported.value.code == 11
    cam.auto_exposure = True
    assert cam.auto_exposure == "exposure"
    cam.auto_exposure = False


def test_exposure_is_seconds_within_the_cameras_range(cam):
    shortest, longest = cam.info.exposure_range
    for seconds in (0.01, 0.5, longest):
        cam.exposure = seconds
        assert cam.exposure == pytest.approx(seconds, rel=1e-3)
    for seconds, error in ((longest * 2, ValueError), (shortest / 2, ValueError), (-1, ValueError),
                           (float("nan"), ValueError), ("0.1", TypeError)):
        with pytest.raises(error):
            cam.exposure = seconds
    assert cam.exposure == pytest.approx(longest, rel=1e-3)
    cam.exposure = 0.01
    with pytest.raises(AttributeError):
        cam.temperature = 20.0
    assert -40.0 < cam.temperature < 80.0


@pytest.mark.parametrize("bits, dtype, samples", [(8, np.uint8, 256), (16, np.uint16, 4096)])
def test_snap_gives_rows_top_first_in_the_colour_modes_depth(cam, bits, dtype, samples):
    cam.color_mode = bits
    cam.window = (0, 100, 1280, 296)
    image = cam.snap()
    assert image.dtype == dtype and image.shape == (296, 1280)
    # Test pattern: each row one value, each next row one more, modulo the sample range.
    assert (image == image[:, :1]).all()
    assert (np.diff(image[:, 0].astype(np.int64)) % samples == 1).all()
    assert image.flags.writeable and image.flags.c_contiguous
    second = cam.snap()
    assert second[0, 0] != image[0, 0], "a new frame each time"


def test_the_camera_is_released_when_the_with_block_raises_and_keeps_its_settings():
    lib = kelvra._native.library()
    with pytest.raises(RuntimeError):
        with kelvra.open(1) as cam:
            cam.gamma = 150
            frame = next(iter(cam.stream()))
            raise RuntimeError("the user's code failed")
    assert cam.closed
    assert lib.Kelvra_GetColorMode(cam._handle) == -1, "the library no longer knows the handle"
    with pytest.raises(ValueError):
        frame.array
    with pytest.raises(ValueError):
        cam.gain = 3
    with kelvra.open(1) as again:
        assert again.gamma == 150
        again.gamma = 100
    # Also when a camera is only dropped.
    dropped = kelvra.open(1)
    handle = dropped._handle
    del dropped
    gc.collect()
    assert lib.Kelvra_GetColorMode(handle) == -1


def test_cameras_are_listed_opened_by_serial_and_listing_leaves_a_stream_running(cam, tmp_path):
    with cam.stream() as stream:
        first = next(iter(stream)).number
        listed = kelvra.cameras()
        after = next(stream).number
    assert [(c.index, c.name, c.product_id) for c in listed] == [
        (0, "KelvraK4SWIRTEC_01", 0x3270), (1, "KelvraK4SWIRTEC_02", 0x3270)]
    assert listed[0].serial and listed[0].serial != listed[1].serial
    assert after > first
    with kelvra.open(serial=listed[1].serial) as second:
        assert second.index == 1 and second.serial == listed[1].serial
    for wrong in ({"serial": "nobody"}, {"index": 7}):
        with pytest.raises(kelvra.KelvraError) as absent:
            kelvra.open(**wrong)
        assert absent.value.code == 2
    with pytest.raises(ValueError):
        kelvra.open(0, serial=listed[0].serial)
    with pytest.raises(RuntimeError):
        kelvra.simulate(3)

    shown = run_python("-m kelvra", tmp_path,
                       KELVRA_SIMULATED_CAMERAS="2")
    assert shown.returncode == 0, shown.stderr
    assert shown.stdout.splitlines() == [
        f"{c.index}: {c.name}  serial {c.serial}  product 0x3270" for c in listed]
    none = run_python("-m kelvra", tmp_path,
                      KELVRA_SIMULATED_CAMERAS="0")
    assert none.stdout == "No camera was found.\n"
