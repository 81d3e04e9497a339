#!/usr/bin/env bash
# kelvra mask capture at the camera's settings: a scene too dark or saturated is warned about,
# both depths get the averaged reference whatever the colour mode, and the other reference of
# an existing file is kept.
source "$(dirname "$0")/lib.sh"
fresh_work

# block FILE dark|white 8|16: mean and maximum of one reference of a mask file.
block() {
    python3 - "$@" <<'PY'
import array, sys
data = open(sys.argv[1], "rb").read()
index = (2 if sys.argv[3] == "16" else 0) + (1 if sys.argv[2] == "white" else 0)
sizes = array.array("I", data[24:40])
start = 40 + sum(sizes[:index])
samples = array.array("H" if sys.argv[3] == "16" else "B", data[start:start + sizes[index]])
print(sum(samples) // len(samples), max(samples))
PY
}

run mask capture white "$WORK/m.msk" --frames 0
expect_status 2

run set exposure=50us gain=0
run mask capture white "$WORK/dark-scene.msk" --frames 1
expect_status 0
expect_err "warning: the white reference \(8 bits\) is too dark"
expect_err "warning: the white reference \(16 bits\) is too dark"

if ! short_run; then
    run set exposure=50ms gain=420
    run mask capture white "$WORK/bright.msk" --frames 1
    expect_status 0
    expect_err "warning: the white reference \(16 bits\) is saturated: [0-9.]+% of the pixels"
fi

# mask_capture_left_16_bit_reference_neutral: captured in 8-bit mode, the 16-bit reference
# stayed at its neutral 4095 and 16-bit frames went uncorrected.
run set exposure=2ms gain=0
dark8=
if ! short_run; then
    run mask capture dark "$WORK/m.msk" --frames 1
    dark8=$(block "$WORK/m.msk" dark 8)
fi
run mask capture white "$WORK/m.msk" --frames 2
expect_status 0
expect_out "^captured the white reference \(8 and 16 bits, mean of 2 frames\) into $WORK/m.msk "
[[ -z "$err" ]] || fail "warning on a good scene: [$err]"
read -r mean16 max16 <<<"$(block "$WORK/m.msk" white 16)"
((mean16 > 0 && mean16 < 4000)) || fail "16-bit white reference not captured (mean $mean16, max $max16)"
[[ -z "$dark8" || "$(block "$WORK/m.msk" dark 8)" == "$dark8" ]] || fail "the dark reference was not kept"
run mask load "$WORK/m.msk"
expect_status 0
ls "$WORK" | grep -q kelvra-mask && fail "scratch file left behind"
finish
