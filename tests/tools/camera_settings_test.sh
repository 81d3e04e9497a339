#!/usr/bin/env bash
# kelvra set/get as a user tunes a camera: values survive the next run, a bad value anywhere in
# the line changes nothing (also when the camera refuses one after others were applied), options
# of a run are put back, and every --json output parses.
source "$(dirname "$0")/lib.sh"
fresh_work

json() { python3 -c "import json, sys; d = json.load(sys.stdin); $1" <<<"$out" || fail "json [$1]: [$out]"; }

run set gain=123 exposure=12.5ms mirror=hv auto-exposure=gain
expect_status 0
expect_out "^exposure: +12\.5 ms$"

# Saved at release: a new process reads them back, as text and as JSON.
run get gain exposure mirror auto-exposure
expect_status 0
[[ "$out" == $'gain:           123\nexposure:       12.5 ms\nmirror:         hv\nauto-exposure:  gain' ]] ||
    fail "round trip: [$out]"
run --json get
json 'assert d["gain"] == 123 and abs(d["exposure"] - 0.0125) < 1e-9 and d["mirror"] == "hv", d
assert d["auto-exposure"] == "gain" and d["window"] == {"width": 1280, "height": 1024, "x": 0, "y": 0}, d
assert d["black-level"] is None and isinstance(d["cooler"], bool) and isinstance(d["temperature"], float), d'

# Bad values: the form (exit 2), the camera's range (exit 1), a setting the camera refuses
# after the gain was applied (exit 1) -- none leaves a trace.
run set gain=50 mirror=sideways
expect_status 2
if ! short_run; then
    run set gain=50 exposure=3s
    expect_status 1
    expect_err "^kelvra: exposure 3\.00 s: the camera takes 20\.3 µs to 2\.00 s$"
fi
run set gain=50 black-level=7
expect_status 1
expect_err "black level .*not supported by this camera \(error 11\)$"
run set window=1280x512
expect_status 2
expect_err "does not keep window between runs; give --window to stream, snap or record"

# Options of a run apply to it (the snapshot has their geometry) and are put back after it.
run snap -o "$WORK/w.raw" --window 1280x512+0+256 --color-mode 16 --gain 7 --exposure 2ms \
    --mirror v --cooler off --dot-filter on --auto-exposure off
expect_status 0
expect_out "1280x512, 16 bits per pixel"
run --json stream --seconds 1 --gain 9 --cooler off --flat-field on --stats
expect_status 0
json 'assert d["stopped"] is False and d["stats"]["framesDelivered"] == d["frames"], d'
# Nothing refused above and nothing given as an option changed the saved settings.
run --json get
json 'assert d["gain"] == 123 and d["exposure"] == 0.0125 and d["mirror"] == "hv" and d["auto-exposure"] == "gain", d
assert d["window"]["height"] == 1024 and d["color-mode"] == 8 and d["cooler"] is True, d
assert d["dot-filter"] is False and d["flat-field"] is False, d'

if ! short_run; then
    KELVRA_SIMULATED_CAMERAS=2 run --json list
    json 'assert [c["index"] for c in d["cameras"]] == [0, 1] and d["cameras"][1]["productId"] == "0x3270", d'
    run --json info
    json 'assert d["gain"] == {"value": 123, "min": 0, "max": 420} and d["exposure"]["seconds"] == 0.0125, d'
fi
run --json snap -o "$WORK/x.png"
expect_status 2
finish
