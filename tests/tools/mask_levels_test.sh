#!/usr/bin/env bash
# kelvra mask capture at the camera's settings: a scene too dark or saturated is warned about,
# and both depths get the reference whatever the colour mode.
source "$(dirname "$0")/lib.sh"
fresh_work

# Mean of the 16-bit white reference of a mask file (4095 everywhere when never captured).
white16_mean() {
    python3 -c "import array, sys; d = open(sys.argv[1], 'rb').read(); w = array.array('H', d[5242920:]); print(sum(w) // len(w))" "$1"
}

run set exposure=50us gain=0
run mask capture white "$WORK/dark-scene.msk"
expect_status 0
expect_err "warning: the white reference \(8 bits\) is too dark"
expect_err "warning: the white reference \(16 bits\) is too dark"

run set exposure=50ms gain=420
run mask capture white "$WORK/bright.msk"
expect_status 0
expect_err "warning: the white reference \(16 bits\) is saturated: [0-9.]+% of the pixels"

# mask_capture_left_16_bit_reference_neutral: captured in 8-bit mode, the 16-bit reference was
# left at its neutral 4095.
run set exposure=2ms gain=0
run mask capture white "$WORK/ok.msk"
expect_status 0
[[ -z "$err" ]] || fail "warning on a good scene: [$err]"
mean=$(white16_mean "$WORK/ok.msk")
((mean > 0 && mean < 4000)) || fail "16-bit white reference not captured (mean $mean)"
finish
