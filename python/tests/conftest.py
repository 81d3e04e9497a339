"""Every test runs against two simulated cameras in test-pattern mode (row i of frame n holds
n + i), with settings of its own; KELVRA_LIBRARY names the library under test."""

from __future__ import annotations

import atexit
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import pytest

PACKAGE_DIR = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(PACKAGE_DIR))
# Fresh settings, before the library first reads them.
os.environ["XDG_CONFIG_HOME"] = tempfile.mkdtemp(prefix="kelvra-pytest-")
atexit.register(shutil.rmtree, os.environ["XDG_CONFIG_HOME"], ignore_errors=True)

import kelvra  # noqa: E402

kelvra.simulate(2, test_pattern=True)


@pytest.fixture
def cam():
    with kelvra.open(0) as camera:
        camera.color_mode = 8
        camera.window = (0, 0, 1280, 1024)
        yield camera


def run_python(code: str, cwd: Path, **environment: str) -> subprocess.CompletedProcess:
    """Runs `code` (a program, or "-m module") in a new interpreter (the simulated cameras are
    chosen once per process) with the package on its path and settings of its own."""
    env = dict(os.environ, PYTHONPATH=str(PACKAGE_DIR), XDG_CONFIG_HOME=str(cwd / "xdg"))
    for name in ("KELVRA_SIMULATED_CAMERAS", "KELVRA_SIMULATED_TEST_PATTERN"):
        env.pop(name, None)
    env.update(environment)
    command = code.split() if code.startswith("-m ") else ["-c", code]
    return subprocess.run([sys.executable, *command], cwd=cwd, env=env, capture_output=True,
                          text=True, timeout=120)
