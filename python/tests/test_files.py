"""Files from Python: still images through the library's writers, recordings, mask files."""

from __future__ import annotations

import numpy as np
import pytest

import kelvra

EXTENSIONS = {".png": 5, ".tif": 6, ".bmp": 0, ".raw": 1, ".jpg": 2}


@pytest.mark.parametrize("bits", [8, 16])
def test_a_snapped_array_saves_as_the_librarys_own_file_in_every_format(cam, tmp_path, bits):
    cam.color_mode = bits
    cam.window = (0, 0, 1280, 256)
    image = cam.snap()
    lib = kelvra._native.library()
    for extension, library_format in EXTENSIONS.items():
        ours, theirs = tmp_path / f"ours{extension}", tmp_path / f"theirs{extension}"
        kelvra.save(image, ours)
        assert lib.Kelvra_SaveImage(cam._handle, str(theirs).encode(), library_format) == 1
        assert ours.read_bytes() == theirs.read_bytes(), extension
    assert np.array_equal(np.fromfile(tmp_path / "ours.raw", image.dtype).reshape(image.shape),
                          image)


def test_arrays_laid_out_otherwise_save_as_their_packed_copies(tmp_path):
    rng = np.random.default_rng(7)
    image = rng.integers(0, 4096, (30, 41), dtype=np.uint16)
    for name, variant in (("strided", image[::2, ::3]), ("fortran", np.asfortranarray(image)),
                          ("big-endian", image.astype(">u2")),
                          ("bgr", rng.integers(0, 256, (7, 5, 3), dtype=np.uint8)[:, ::-1])):
        kelvra.save(variant, tmp_path / f"{name}.tif")
        kelvra.save(np.ascontiguousarray(variant, variant.dtype.newbyteorder("<")),
                    tmp_path / f"{name}-packed.tif")
        assert (tmp_path / f"{name}.tif").read_bytes() == \
            (tmp_path / f"{name}-packed.tif").read_bytes(), name
    # Raw rows are padded to 4 bytes, as the library writes them.
    kelvra.save(image[:, :41], tmp_path / "odd.raw")
    raw = np.fromfile(tmp_path / "odd.raw", "<u2").reshape(30, 42)
    assert np.array_equal(raw[:, :41], image) and not raw[:, 41].any()


def test_save_refuses_what_it_cannot_write(tmp_path):
    grey = np.zeros((4, 4), np.uint8)
    for image, path, error in ((grey, "a.gif", ValueError), (grey.astype(float), "a.png", TypeError),
                               (np.zeros((4, 4, 2), np.uint8), "a.png", ValueError),
                               (np.zeros((0, 4), np.uint8), "a.png", ValueError),
                               ([[1, 2]], "a.png", TypeError)):
        with pytest.raises(error):
            kelvra.save(image, tmp_path / path)
    with pytest.raises(ValueError):
        kelvra.save(grey, tmp_path / "a.jpg", quality=50)
    (tmp_path / "folder.png").mkdir()
    with pytest.raises(OSError):
        kelvra.save(grey, tmp_path / "folder.png")
    with pytest.raises(OSError):
        kelvra.save(grey, tmp_path / "missing" / "a.png")
    assert [p.name for p in tmp_path.iterdir()] == ["folder.png"]


def test_a_frame_saves_while_held_and_not_once_released(cam, tmp_path):
    with cam.stream() as stream:
        frame = next(iter(stream))
        kelvra.save(frame, tmp_path / "held.png")
        kelvra.save(frame.array.copy(), tmp_path / "copy.png")
        frame.release()
        with pytest.raises(ValueError):
            kelvra.save(frame, tmp_path / "released.png")
    assert (tmp_path / "held.png").read_bytes() == (tmp_path / "copy.png").read_bytes()


def test_recording_over_an_old_file_waits_for_the_new_one_and_refuses_while_streaming(
        cam, tmp_path):
    cam.window = (0, 0, 1280, 256)
    path = tmp_path / "clip.avi"
    path.write_bytes(b"RIFF" + (40).to_bytes(4, "little") + b"AVI " + bytes(40))
    # The old file looked finished at once: the recording was once cut short by it.
    for _ in range(2):
        frames = cam.record(path, 0.3)
        data = path.read_bytes()
        assert frames >= 2
        assert data[:4] == b"RIFF" and int.from_bytes(data[4:8], "little") == len(data) - 8
        assert int.from_bytes(data[48:52], "little") == frames
        assert len(data) > frames * 1280 * 256 * 3
    with cam.stream() as stream:
        next(iter(stream))
        with pytest.raises(RuntimeError):
            cam.record(tmp_path / "other.avi", 0.3)
    with pytest.raises(ValueError):
        cam.record(path, 0)


def test_mask_references_are_captured_saved_and_loaded(cam, tmp_path):
    cam.capture_mask("dark")
    cam.flat_field = True
    with cam.stream() as stream:
        next(iter(stream))
        cam.capture_mask("white")  # from the running stream's frame
    path = tmp_path / "flat.msk"
    cam.save_mask(path)
    cam.load_mask(path)
    (tmp_path / "bad.msk").write_bytes(b"not a mask")
    with pytest.raises(kelvra.KelvraError) as malformed:
        cam.load_mask(tmp_path / "bad.msk")
    assert malformed.value.code == 14
    with pytest.raises(ValueError):
        cam.capture_mask("grey")
    cam.window = (0, 0, 1280, 512)
    with pytest.raises(ValueError):
        cam.capture_mask("dark")
    cam.flat_field = False
