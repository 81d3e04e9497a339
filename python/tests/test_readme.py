"""The README's Python examples run as written, each in a process of its own with one
simulated camera."""

from __future__ import annotations

import re
from pathlib import Path

from conftest import PACKAGE_DIR, run_python

README = PACKAGE_DIR.parent / "README.md"


def readme_examples() -> list[str]:
    text = README.read_text(encoding="utf-8")
    section = text.split("\n## Python\n", 1)[1].split("\n## ", 1)[0]
    return re.findall(r"```python\n(.*?)```", section, re.S)


def test_the_readme_examples_run_as_written(tmp_path: Path):
    one_frame, streaming = readme_examples()
    assert len(one_frame.strip().splitlines()) == 3
    assert len(streaming.strip().splitlines()) <= 12

    snapped = run_python(one_frame + "print(image.dtype, image.shape)\n", tmp_path,
                         KELVRA_SIMULATED_CAMERAS="1")
    assert snapped.returncode == 0, snapped.stderr
    assert snapped.stdout in ("uint8 (1024, 1280)\n", "uint16 (1024, 1280)\n")

    streamed = run_python(streaming, tmp_path, KELVRA_SIMULATED_CAMERAS="1")
    assert streamed.returncode == 0, streamed.stderr
    *lines, stats = streamed.stdout.splitlines()
    numbers = [int(line.split()[0]) for line in lines]
    assert len(numbers) == 100 and numbers == sorted(set(numbers))
    assert stats.startswith("StreamStats(") and "frames_delivered=100" in stats
    assert (tmp_path / "last.png").read_bytes()[1:4] == b"PNG"
