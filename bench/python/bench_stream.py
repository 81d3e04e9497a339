#!/usr/bin/python3
"""Frames/s and CPU per frame of the Python stream loop against the same loop in C.

    /usr/bin/python3 bench/python/bench_stream.py [--build build] [--frames 600] [--rounds 3]

Both loops take frames of one unpaced simulated camera (1280 x 1024) through the frame queue
(8 buffers) and touch each one with a checksum of its middle row: in C, bench_queue_loop
(built with -DKELVRA_BUILD_BENCH=ON); in Python, ``for frame in stream`` of the kelvra package.
Each round runs both, one after the other, each in a fresh process; the machine may be shared,
so the best round of each is the one compared. CPU is the whole process's (camera simulation,
transfer and acquisition threads included).
"""

from __future__ import annotations

import argparse
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]
WARM_UP_FRAMES = 20


def python_loop(bits: int, frames: int) -> str:
    import numpy as np

    import kelvra

    checksum = 0
    with kelvra.open() as cam:
        cam.color_mode = bits
        with cam.stream(buffers=8) as stream:
            for count, frame in enumerate(stream):
                if count == WARM_UP_FRAMES:
                    wall, cpu = time.monotonic(), time.process_time()
                elif count == WARM_UP_FRAMES + frames:
                    break
                pixels = frame.array
                checksum += int(pixels[pixels.shape[0] // 2].sum(dtype=np.uint64))
            wall, cpu = time.monotonic() - wall, time.process_time() - cpu
    return f"{frames / wall:.1f} {cpu * 1e3 / frames:.3f} {checksum}"


def run(command: list[str], environment: dict[str, str]) -> tuple[float, float]:
    done = subprocess.run(command, env=environment, capture_output=True, text=True, timeout=600)
    if done.returncode != 0:
        sys.exit(f"{command[0]} failed: {done.stderr.strip()}")
    rate, cpu, _ = done.stdout.split()
    return float(rate), float(cpu)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path, default=SOURCE / "build")
    parser.add_argument("--frames", type=int, default=600)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--python-loop", type=int, metavar="BITS", help=argparse.SUPPRESS)
    arguments = parser.parse_args()
    if arguments.python_loop:
        print(python_loop(arguments.python_loop, arguments.frames))
        return

    build = arguments.build.resolve()
    program = build / "bench" / "python" / "bench_queue_loop"
    library = build / "src" / "api" / "libKelvraSdk_K4SWIR_TEC.so.2"
    environment = dict(os.environ, KELVRA_SIMULATED_CAMERAS="1", KELVRA_SIMULATED_UNPACED="1",
                       KELVRA_LIBRARY=str(library), PYTHONPATH=str(SOURCE / "python"),
                       XDG_CONFIG_HOME=tempfile.mkdtemp(prefix="kelvra-bench-"))
    frames = str(arguments.frames)
    print(f"{arguments.frames} frames of 1280 x 1024, best of {arguments.rounds} rounds")
    print(f"{'bits':>4} {'C frames/s':>11} {'C cpu ms':>9} {'Py frames/s':>12} {'Py cpu ms':>10}"
          f" {'Py/C rate':>10}")
    for bits in (8, 16):
        c_runs, py_runs = [], []
        for _ in range(arguments.rounds):
            c_runs.append(run([str(program), str(bits), frames], environment))
            py_runs.append(run([sys.executable, __file__, "--python-loop", str(bits),
                                "--frames", frames], environment))
        c_rate, c_cpu = max(c_runs)[0], min(r[1] for r in c_runs)
        py_rate, py_cpu = max(py_runs)[0], min(r[1] for r in py_runs)
        print(f"{bits:>4} {c_rate:>11.1f} {c_cpu:>9.3f} {py_rate:>12.1f} {py_cpu:>10.3f}"
              f" {py_rate / c_rate:>9.1%}")


if __name__ == "__main__":
    main()
