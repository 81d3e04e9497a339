#!/usr/bin/env bash
# kelvra demo writes every file into ./kelvra-demo and each decodes.
source "$(dirname "$0")/lib.sh"
fresh_work
cd "$WORK" || exit 1
unset KELVRA_SIMULATED_CAMERAS  # the demo attaches its own simulated camera

run demo
expect_status 0
expect_no_cr
expect_out "^0: KelvraK4SWIRTEC_01  serial "
expect_out "^sensor: +1280 x 1024 pixels$"
expect_out "^streamed [1-9][0-9]* frames"
expect_out "^demo finished in [0-9.]+ s: streamed at [0-9.]+ fps, saved 5 images in [0-9]+ ms, recorded [1-9][0-9]* frames"
for file in frame.bmp frame.jpg frame.png frame.tif recording.avi; do
    decodes "kelvra-demo/$file" 1280x1024 >/dev/null
    expect_out "kelvra-demo/$file +[0-9.]+ [kMG]?B$"
done
decodes kelvra-demo/frame.raw 1280x1024 8 >/dev/null
finish
