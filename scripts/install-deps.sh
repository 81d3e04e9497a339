#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the benchmarks need, skipping those
# already present. Runs apt-get through sudo when not root.
#   scripts/install-deps.sh [--bench] [--fuzz]
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev
  libjpeg62-turbo-dev libpng-dev libtiff-dev zlib1g-dev
  libtiff-tools  # tiffinfo reads back the recorded TIFF files
  libusb-1.0-0-dev libx11-dev libxext-dev xvfb
  libgtk-3-dev gettext
  python3 python3-numpy python3-pytest  # the Python package and its tests
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  ffmpeg  # ffprobe and ffmpeg read back the recorded AVI files
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
)
for arg in "$@"; do
  case "$arg" in
    --bench) packages+=(libopencv-dev) ;;          # the benchmarks' anchors
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;  # libFuzzer for scripts/fuzz.sh
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
