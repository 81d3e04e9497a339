#!/usr/bin/env bash
# A camera unplugged mid-stream or mid-recording: one clear line and a non-zero exit.
source "$(dirname "$0")/lib.sh"
fresh_work
export KELVRA_SIMULATED_UNPLUG_AFTER_MS=1500

run stream --seconds 60
expect_status 1
[[ "$err" == "kelvra: streaming from camera 0: the camera was lost (error 13)" ]] || fail "stream: [$err]"

run record -o "$WORK/lost.avi" --seconds 60
expect_status 1
[[ "$err" == "kelvra: recording into $WORK/lost.avi: the camera was lost (error 13)" ]] ||
    fail "record: [$err]"
finish
