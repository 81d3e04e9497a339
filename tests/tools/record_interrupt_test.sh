#!/usr/bin/env bash
# Ctrl-C during kelvra record stops it cleanly and leaves a finalised, readable recording.
source "$(dirname "$0")/lib.sh"
fresh_work
tif="$WORK/interrupted.tif"
frame_bytes=$((1280 * 1024))

"$KELVRA" record -o "$tif" --seconds 120 >"$WORK/out" 2>"$WORK/err" &
pid=$!
# Wait (without a time assertion) until at least two frames are in the file, which is written
# in place page by page.
for _ in $(seq 600); do
    size=$(stat -c %s "$tif" 2>/dev/null || echo 0)
    ((size > 2 * frame_bytes)) && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
done
kill -INT $pid
wait $pid
status=$?
out=$(cat "$WORK/out")
err=$(cat "$WORK/err")
[[ $status -eq 0 || $status -eq 3 ]] || fail "exit status $status (stderr: $err)"
expect_out "^recorded [1-9][0-9]* frames .* \(stopped early\)$"
# Every page the summary counts is in the file.
pages=$(tiffinfo "$tif" 2>/dev/null | grep -c '^TIFF Directory')
[[ "$out" == "recorded $pages frames"* ]] || fail "$pages pages for [$out]"
decodes "$tif" 1280x1024 >/dev/null
finish
