#!/usr/bin/env bash
# kelvra snap: every format decodes; options shape the frame and are not saved afterwards.
source "$(dirname "$0")/lib.sh"
fresh_work

for ext in bmp jpg png tif; do
    run snap -o "$WORK/full.$ext"
    expect_status 0
    expect_out "^wrote $WORK/full.$ext: 1280x1024, 8 bits per pixel, [0-9.]+ [kM]B$"
    decodes "$WORK/full.$ext" 1280x1024 >/dev/null
done
run snap -o "$WORK/full.raw"
expect_status 0
decodes "$WORK/full.raw" 1280x1024 8 >/dev/null

run snap -o "$WORK/window.png" --color-mode 16 --window 1280x480+0+32 --exposure 10ms
expect_status 0
expect_out "1280x480, 16 bits per pixel"
[[ $(decodes "$WORK/window.png" 1280x480) == *"depth 16 colour 0"* ]] || fail "16-bit grey PNG wanted"
run snap -o "$WORK/window.raw" --color-mode=16 --window 1280x480
decodes "$WORK/window.raw" 1280x480 16 >/dev/null

# This camera windows vertically only: a narrower window is refused with the camera's rules.
run snap -o "$WORK/narrow.png" --window 640x480+16+32
expect_status 1
expect_err "^kelvra: window 640x480\+16\+32: camera 0 reads whole rows only: 1280xH\+0\+Y, "

# The options above were for one frame only.
run snap -o "$WORK/after.raw"
expect_out "1280x1024, 8 bits per pixel"
decodes "$WORK/after.raw" 1280x1024 8 >/dev/null

# Mirroring changes the picture.
run snap -o "$WORK/mirror.raw" --mirror hv
expect_status 0
cmp -s "$WORK/after.raw" "$WORK/mirror.raw" && fail "--mirror hv left the frame unchanged"

# Gain at the top of the camera's range works; one above it is refused with the library's code.
run info
max_gain=$(sed -n 's/^gain: .*(camera range [0-9-]* \.\. \([0-9-]*\))$/\1/p' <<<"$out")
[[ -n $max_gain ]] || fail "no gain range in kelvra info: [$out]"
run snap -o "$WORK/gain.bmp" --gain "$max_gain"
expect_status 0
run snap -o "$WORK/gain2.bmp" --gain $((max_gain + 1))
expect_status 1
expect_err "^kelvra: gain $((max_gain + 1)): the camera takes [0-9]+ to $max_gain$"

# An exposure outside the camera's range names the range.
run snap -o "$WORK/long.bmp" --exposure 100000s
expect_status 1
expect_err "^kelvra: exposure 100000.00 s: the camera takes 20.3 µs to 2.00 s$"

# A directory that does not exist: one clear line, exit 1, nothing written.
run snap -o "$WORK/no-such-dir/x.png"
expect_status 1
[[ "$err" == "kelvra: cannot write $WORK/no-such-dir/x.png: the directory $WORK/no-such-dir does not exist" ]] ||
    fail "message: [$err]"
[[ -e "$WORK/no-such-dir" ]] && fail "the directory was created"
finish
