#!/usr/bin/env bash
# One command from a fresh clone: install what is missing, build, run the demo on a simulated
# camera.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKELVRA_BUILD_TESTS=OFF -DKELVRA_BUILD_BENCH=OFF
cmake --build build -j"$(nproc)"
build/tools/kelvra demo
