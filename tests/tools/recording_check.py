#!/usr/bin/env python3
"""Reads the recordings `kelvra record` and `kelvra snap --count` write, independently of the
library and of libtiff: parses TIFF/BigTIFF directories and raw files with their sidecar, decodes
AVI files with ffmpeg, checks that every page or frame is whole, and prints what it found as one
line of name=value pairs.

    recording_check.py tiff FILE [--pattern]
    recording_check.py raw FILE [--pattern]
    recording_check.py avi FILE --pattern

--pattern: the frames come from a simulated camera in test-pattern mode, where every sample of
row i of frame n is (n + i) modulo the sample range; each page's pixels must match its frame
number. An AVI frame carries no frame number: with --pattern its first row gives the number modulo the
sample range, which is enough to count gaps shorter than that range.
Exits 1 with a message on the first fault."""
import json
import os
import struct
import subprocess
import sys

TYPE_SIZES = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 7: 1, 11: 4, 12: 8, 16: 8, 17: 8}
TYPE_CODES = {1: "B", 2: "B", 3: "H", 4: "I", 7: "B", 16: "Q", 17: "q"}


def fail(message):
    print("recording_check: " + message)
    sys.exit(1)


def read_at(f, offset, size):
    f.seek(offset)
    data = f.read(size)
    if len(data) != size:
        fail(f"{size} bytes at {offset} run past the end of the file")
    return data


def read_ifd(f, offset, big):
    count_format, entry_size, pointer_format = ("<Q", 20, "<Q") if big else ("<H", 12, "<I")
    count_size = struct.calcsize(count_format)
    (count,) = struct.unpack(count_format, read_at(f, offset, count_size))
    tags = {}
    for i in range(count):
        entry = read_at(f, offset + count_size + i * entry_size, entry_size)
        if big:
            tag, kind, n = struct.unpack("<HHQ", entry[:12])
            inline, value_field = 8, entry[12:]
        else:
            tag, kind, n = struct.unpack("<HHI", entry[:8])
            inline, value_field = 4, entry[8:]
        size = TYPE_SIZES.get(kind, 1) * n
        if size <= inline:
            raw = value_field[:size]
        else:
            (at,) = struct.unpack("<Q" if big else "<I", value_field)
            raw = read_at(f, at, size)
        if kind == 2:
            tags[tag] = raw.rstrip(b"\0").decode("utf-8")
        elif kind in TYPE_CODES:
            tags[tag] = list(struct.unpack("<" + TYPE_CODES[kind] * n, raw))
        else:
            tags[tag] = raw
    pointer_at = offset + count_size + count * entry_size
    (next_ifd,) = struct.unpack(pointer_format, read_at(f, pointer_at, struct.calcsize(pointer_format)))
    return tags, next_ifd


def check_pattern(rows, width, height, bits, frame, page):
    mask = 0xFFF if bits == 16 else 0xFF
    sample = 2 if bits == 16 else 1
    for y in (0, height // 2, height - 1):
        row = rows[y * width * sample:(y + 1) * width * sample]
        values = set(struct.unpack("<%d%s" % (width, "H" if bits == 16 else "B"), row))
        want = (frame + y) & mask
        if values != {want}:
            fail(f"page {page} (frame {frame}) row {y}: samples {sorted(values)[:4]}, want {want}")


def check_tiff(path, pattern):
    size = os.path.getsize(path)
    with open(path, "rb") as f:
        head = read_at(f, 0, 16)
        if head[:2] != b"II":
            fail("not a little-endian TIFF")
        (magic,) = struct.unpack("<H", head[2:4])
        big = magic == 43
        if magic not in (42, 43):
            fail(f"TIFF magic {magic}")
        (offset,) = struct.unpack("<Q", head[8:16]) if big else struct.unpack("<I", head[4:8])
        pages, seen = [], set()
        info = {}
        while offset != 0:
            if offset in seen or offset >= size:
                fail(f"directory {len(pages)} at {offset} of a {size}-byte file")
            seen.add(offset)
            tags, offset = read_ifd(f, offset, big)
            width, height = tags[256][0], tags[257][0]
            bits = tags[258][0]
            samples = tags.get(277, [1])[0]
            if tags.get(259, [1])[0] != 1:
                fail("compressed page")
            strip_offsets, strip_counts = tags[273], tags[279]
            if sum(strip_counts) != width * height * samples * bits // 8:
                fail(f"page {len(pages)}: {sum(strip_counts)} pixel bytes")
            for at, n in zip(strip_offsets, strip_counts):
                if at + n > size:
                    fail(f"page {len(pages)}: strip past the end of the file")
            meta = json.loads(tags[270])
            if pattern:
                rows = b"".join(read_at(f, at, n) for at, n in zip(strip_offsets, strip_counts))
                check_pattern(rows, width, height, bits, meta["frame"], len(pages))
            pages.append(meta)
            info = {"width": width, "height": height, "bits": bits, "samples": samples,
                    "max_sample_value": tags.get(281, [None])[0]}
    return {"bigtiff": big, "frames": pages, **info}


def check_raw(path, pattern):
    with open(path + ".json") as f:
        side = json.load(f)
    size = os.path.getsize(path)
    frame_bytes = side["frame_bytes"]
    sample = 2 if side["dtype"] == "uint16" else 1
    if frame_bytes != side["width"] * side["height"] * side["samples_per_pixel"] * sample:
        fail(f"frame_bytes {frame_bytes} does not fit the geometry")
    if len(side["frames"]) != side["frame_count"] or size != frame_bytes * side["frame_count"]:
        fail(f"{side['frame_count']} frames listed, {len(side['frames'])} records, {size} bytes")
    with open(path, "rb") as f:
        for i, meta in enumerate(side["frames"]):
            if meta["offset"] != i * frame_bytes:
                fail(f"frame {i} at offset {meta['offset']}")
            if pattern:
                rows = read_at(f, meta["offset"], frame_bytes)
                check_pattern(rows, side["width"], side["height"], 8 * sample, meta["frame"], i)
    return {"width": side["width"], "height": side["height"], "bits": 8 * sample,
            "bits_per_sample": side["bits_per_sample"], "frame_rate": side["frame_rate"],
            "frames": side["frames"]}


def decoded_frames(path, width, height, bits):
    """Yields every frame ffmpeg decodes from the AVI file, as grey samples."""
    # 8-bit frames go through RGB: the palette's colours exactly, where a conversion to grey
    # would rescale them.
    pix_fmt, frame_bytes = ("gray16le", width * height * 2) if bits == 16 else ("rgb24", width * height * 3)
    ffmpeg = subprocess.Popen(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt",
                               pix_fmt, "-"], stdout=subprocess.PIPE)
    while True:
        data = ffmpeg.stdout.read(frame_bytes)
        if not data:
            break
        if len(data) != frame_bytes:
            fail(f"a partial frame of {len(data)} bytes at the end")
        yield data if bits == 16 else data[0::3]
    if ffmpeg.wait() != 0:
        fail(f"ffmpeg could not decode {path} to its end")


def check_avi(path, pattern):
    if not pattern:
        fail("an AVI frame can be checked only with --pattern")
    probe = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                            "stream=width,height,pix_fmt,avg_frame_rate", "-of", "json", path],
                           capture_output=True, text=True)
    if probe.returncode != 0:
        fail(f"ffprobe: {probe.stderr.strip()}")
    stream = json.loads(probe.stdout)["streams"][0]
    width, height = stream["width"], stream["height"]
    bits = 16 if stream["pix_fmt"].startswith("gray16") else 8
    modulo = 4096 if bits == 16 else 256
    frames = []
    for data in decoded_frames(path, width, height, bits):
        if bits == 16:
            # 12-bit samples are stored scaled to 16 bits (s x 16 + s / 256).
            data = struct.pack("<%dH" % (width * height),
                               *(v >> 4 for v in struct.unpack("<%dH" % (width * height), data)))
        first = data[0] | (data[1] << 8 if bits == 16 else 0)
        number = first if not frames else frames[-1]["frame"] + (first - frames[-1]["frame"] - 1) % modulo + 1
        check_pattern(data, width, height, bits, number, len(frames))
        frames.append({"frame": number})
    numerator, denominator = (int(n) for n in stream["avg_frame_rate"].split("/"))
    return {"width": width, "height": height, "bits": bits, "pix_fmt": stream["pix_fmt"],
            "fps": round(numerator / denominator, 2) if denominator else 0, "frames": frames}


CHECKS = {"tiff": check_tiff, "raw": check_raw, "avi": check_avi}


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in CHECKS:
        fail(__doc__)
    pattern = "--pattern" in sys.argv[3:]
    result = CHECKS[sys.argv[1]](sys.argv[2], pattern)
    numbers = [m["frame"] for m in result["frames"]]
    if any(b <= a for a, b in zip(numbers, numbers[1:])):
        fail("frame numbers do not increase")
    for m in result["frames"] if sys.argv[1] != "avi" else []:
        for key in ("timestamp_us", "exposure_us", "temperature_c"):
            if key not in m:
                fail(f"frame {m['frame']} lacks {key}")
    result["count"] = len(numbers)
    result["gaps"] = (numbers[-1] - numbers[0] + 1 - len(numbers)) if numbers else 0
    del result["frames"]
    result["first"] = numbers[0] if numbers else None
    print(" ".join(f"{name}={value}" for name, value in result.items()))


main()
