#!/usr/bin/env bash
# cmake --install puts the plugin into the prefix's GStreamer folder, and the installed plugin
# finds the installed library by itself: gst-inspect-1.0 and a short pipeline use it.
set -euo pipefail
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$WORK" && mkdir -p "$WORK"
prefix="$WORK/prefix"
cmake --install "$BUILD_DIR" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
plugin=$(find "$prefix" -path '*/gstreamer-1.0/libgstkelvra.so')
[[ -f $plugin ]] || fail "no installed plugin"
export GST_PLUGIN_PATH=$(dirname "$plugin") GST_REGISTRY="$WORK/registry.bin"
export XDG_CONFIG_HOME="$WORK/xdg" KELVRA_SIMULATED_CAMERAS=1
unset LD_LIBRARY_PATH
loaded=$(gst-inspect-1.0 kelvrasrc | sed -n 's/^ *Filename *//p')
[[ $loaded == "$plugin" ]] || fail "gst-inspect-1.0 loaded [$loaded], not $plugin"
gst-launch-1.0 -q kelvrasrc num-buffers=2 ! fakesink >"$WORK/launch.log" 2>&1 ||
    { cat "$WORK/launch.log"; fail "the installed plugin does not stream"; }
echo "installed plugin: $plugin"
