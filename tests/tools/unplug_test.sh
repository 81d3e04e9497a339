#!/usr/bin/env bash
# A camera unplugged mid-stream or mid-recording: one clear line and a non-zero exit.
source "$(dirname "$0")/lib.sh"
fresh_work
export KELVRA_SIMULATED_UNPLUG_AFTER_MS=1500

run stream --seconds 60
expect_status 1
[[ "$err" == "kelvra: streaming from camera 0: the camera was lost (error 13)" ]] || fail "stream: [$err]"

run record -o "$WORK/lost.tif" --seconds 60
expect_status 1
[[ "$err" == "kelvra: recording into $WORK/lost.tif: the camera was lost (error 13)" ]] ||
    fail "record: [$err]"
# The frames before the loss are in the file, as the summary says.
expect_out "^recorded [1-9][0-9]* frames"
expect_out "ended early: the camera stopped delivering frames"
pages=$(tiffinfo "$WORK/lost.tif" 2>/dev/null | grep -c '^TIFF Directory')
[[ "$out" == "recorded $pages frames"* ]] || fail "$pages pages for [$out]"
finish
