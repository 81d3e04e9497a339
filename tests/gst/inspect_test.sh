#!/usr/bin/env bash
# gst-inspect-1.0 loads the plugin cleanly (nothing on stderr, not blacklisted) and documents
# every property of kelvrasrc.
set -euo pipefail
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
rm -f "$GST_REGISTRY"
GST_REGISTRY_FORK=yes gst-inspect-1.0 kelvrasrc >"$out" 2>"$err" || {
  echo "gst-inspect-1.0 kelvrasrc failed"; cat "$err"; exit 1; }
if [[ -s "$err" ]]; then echo "gst-inspect-1.0 complained:"; cat "$err"; exit 1; fi
for property in camera serial exposure gain cooler color-mode trigger flat-field dot-filter \
    buffers left-justify temperature frames-lost stats; do
  grep -q "^  $property " "$out" || { echo "property $property is not documented"; exit 1; }
done
if gst-inspect-1.0 -b 2>/dev/null | grep -q kelvra; then echo "plugin blacklisted"; exit 1; fi
echo "gst-inspect-1.0 kelvrasrc: every property documented"
