#!/usr/bin/env bash
# Ctrl-C during kelvra record stops it cleanly and leaves a finalised, playable AVI.
source "$(dirname "$0")/lib.sh"
fresh_work
avi="$WORK/interrupted.avi"
frame_bytes=$((1280 * 3 * 1024 + 8))

"$KELVRA" record -o "$avi" --seconds 120 >"$WORK/out" 2>"$WORK/err" &
pid=$!
# Wait (without a time assertion) until at least two frames are in the file, which is written
# under a temporary name beside the target until it is finalised.
for _ in $(seq 600); do
    size=$(stat -c %s "$avi".tmp-* 2>/dev/null | head -n1)
    size=${size:-0}
    ((size > 232 + 2 * frame_bytes)) && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
done
kill -INT $pid
wait $pid
status=$?
out=$(cat "$WORK/out")
err=$(cat "$WORK/err")
expect_status 0
expect_out "^recorded [1-9][0-9]* frames .* \(stopped early\)$"
result=$(decodes "$avi" 1280x1024)
[[ $result =~ frames\ [1-9] ]] || fail "no frames: $result"
# RIFF size = file size - 8 and idx1 present are checked by the decoder; say it here too.
compgen -G "$avi.tmp-*" >/dev/null && fail "temporary file left behind"
riff=$(od -An -tu4 -j4 -N4 "$avi" | tr -d ' ')
[[ $riff -eq $(($(stat -c %s "$avi") - 8)) ]] || fail "RIFF size $riff"
finish
