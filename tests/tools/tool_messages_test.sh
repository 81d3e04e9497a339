#!/usr/bin/env bash
# What the tool says when things go wrong: a typo gets one line and a hint, a window the camera
# cannot read gets the camera's rules, a failed save the system's reason even when the library
# gives none, and a camera unplugged while the temperature is watched is reported lost.
source "$(dirname "$0")/lib.sh"
fresh_work

run strem --seconds 1
expect_status 2
[[ "$err" == $'kelvra: unknown command \'strem\' (did you mean \'stream\'?)\nsee \'kelvra --help\'' ]] ||
    fail "command typo: [$err]"
run stream --gian 3
expect_status 2
[[ "$err" == $'kelvra: unknown option --gian (did you mean \'--gain\'?)\nsee \'kelvra stream --help\'' ]] ||
    fail "option typo: [$err]"
run get gian
expect_status 2
expect_err "unknown setting 'gian' \(did you mean 'gain'\?\)"

# Steps the sensor cannot read are explained, not rounded away; nothing changes.
for window in 640x480+0+0 1280x500+0+3 1280x512+0+600; do
    run snap -o "$WORK/w.png" --window "$window"
    expect_status 1
    expect_err "^kelvra: window ${window//+/\\+}: camera 0 reads whole rows only: 1280xH\+0\+Y, H from 8 to 1024 in steps of 8, Y a multiple of 8, Y \+ H at most 1024$"
done
run get window
expect_out "^window: +1280x1024\+0\+0$"

mkdir "$WORK/taken.png"
run snap -o "$WORK/taken.png"
expect_status 1
[[ "$err" == "kelvra: saving $WORK/taken.png: Is a directory" ]] || fail "save: [$err]"

# The simulator unplugs the camera 0.6 s after it is opened.
KELVRA_SIMULATED_UNPLUG_AFTER_MS=600 run temperature --watch --interval 0.2 --seconds 30
expect_status 1
[[ "$err" == "kelvra: watching the sensor temperature of camera 0: the camera was lost (error 13)" ]] ||
    fail "watch: [$err]"
grep -q "cooler off\|n/a" <<<"$out" && fail "a lost camera read as a reading: [$out]"
finish
