#!/usr/bin/env bash
# Fails when the shared library exports a symbol other than a Kelvra_ function.
set -euo pipefail
lib="$1"
defined=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v '^$')
foreign=$(printf '%s\n' "$defined" | grep -v '^Kelvra_' || true)
if [[ -n "$foreign" ]]; then
  echo "exported besides the API:"
  printf '%s\n' "$foreign" | head -20
  exit 1
fi
count=$(printf '%s\n' "$defined" | grep -c '^Kelvra_')
echo "$count Kelvra_ exports, nothing else"
[[ "$count" -gt 0 ]]
