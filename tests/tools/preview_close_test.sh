#!/usr/bin/env bash
# kelvra stream --preview on a private X server: closing the window with its close button
# (WM_DELETE_WINDOW) ends the stream cleanly, with its summary and exit 0, instead of hanging.
source "$(dirname "$0")/lib.sh"
fresh_work
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (Debian package xvfb)"; exit 1; }

# The first free display from :160 upward; Xvfb writes its number once it accepts clients.
exec {ready}<> <(:)
Xvfb -displayfd "$ready" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
read -r -t 20 -u "$ready" display || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$display"

"$KELVRA" stream --preview --seconds 600 >"$WORK/out" 2>"$WORK/err" &
stream=$!
"$CLOSE_WINDOW" "Active Window" 30 || fail "no preview window appeared"
# A hang is what this test is about: a stream still running much later is a failure.
for _ in $(seq 300); do kill -0 $stream 2>/dev/null || break; sleep 0.1; done
if kill -0 $stream 2>/dev/null; then
    kill -9 $stream
    fail "stream went on after its window was closed"
fi
wait $stream
status=$?
out=$(cat "$WORK/out")
err=$(cat "$WORK/err")
expect_status 0
expect_out "^streamed [0-9]+ frames in [0-9.]+ s \([0-9.]+ fps\), .* \(window closed\)$"
[[ -z "$err" ]] || fail "stderr: [$err]"

# Without a display the option says why before anything starts.
DISPLAY= run stream --preview --seconds 1
expect_status 2
expect_err "^kelvra: --preview needs an X display"
finish
