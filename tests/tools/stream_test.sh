#!/usr/bin/env bash
# kelvra stream and kelvra record into pipes: summaries only, and a recording that decodes.
source "$(dirname "$0")/lib.sh"
fresh_work

# Frames the host was too slow for count as lost (a sanitizer build may lose some).
run stream --seconds 1.5
expect_status 0
expect_no_cr
expect_out "^streamed [1-9][0-9]* frames in [0-9.]+ s \([0-9.]+ fps\), [0-9]+ lost, last frame [1-9][0-9]*, sensor -?[0-9]+\.[0-9] °C$"
[[ $(wc -l <<<"$out") -eq 1 ]] || fail "more than the summary: [$out]"

# Every counter after the summary; the frames counted are those the queue delivered.
run stream --seconds 1.5 --stats
expect_status 0
[[ $(wc -l <<<"$out") -eq 11 ]] || fail "summary and ten counters expected: [$out]"
frames=$(sed -n 's/^streamed \([0-9]*\) frames.*/\1/p' <<<"$out")
delivered=$(sed -n 's/^frames delivered: //p' <<<"$out")
received=$(sed -n 's/^frames received: //p' <<<"$out")
[[ -n $frames && $frames -ge 1 && $frames == "$delivered" ]] || fail "delivered: [$out]"
((received >= delivered)) || fail "received: [$out]"
expect_out "^camera lost: 0$"

run stream --seconds 1 --color-mode 16
expect_status 0
expect_out "^streamed [1-9]"

run record -o "$WORK/clip.tif" --seconds 1
[[ $status -eq 0 || $status -eq 3 ]] || fail "record: exit $status"
expect_no_cr
expect_out "^recorded [1-9][0-9]* frames of 1280x1024, 8 bits \([0-9.]+ fps\) into $WORK/clip.tif, [0-9.]+ MB; [0-9]+ frames lost$"
decodes "$WORK/clip.tif" 1280x1024 >/dev/null

run record -o "$WORK/missing/clip.avi" --seconds 1
expect_status 1
expect_err "^kelvra: cannot write $WORK/missing/clip.avi: the directory $WORK/missing does not exist$"
finish
