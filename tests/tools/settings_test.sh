#!/usr/bin/env bash
# kelvra settings: a wrong dialog name is a usage error; without a display the dialog says why
# and the command fails instead of hanging or crashing.
source "$(dirname "$0")/lib.sh"
fresh_work
cd "$WORK" || exit 1
unset DISPLAY WAYLAND_DISPLAY

run settings colour
expect_status 2
expect_err "use camera, image or analog"

for dialog in camera image analog; do
    run settings "$dialog"
    expect_status 1
    expect_err "opening the $dialog dialog: no X display"
done

# The camera's settings are untouched: the preview still starts and frames arrive.
run stream --seconds 1
expect_status 0
finish
