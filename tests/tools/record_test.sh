#!/usr/bin/env bash
# kelvra record and snap --count as users run them: full-rate recordings read back by
# independent readers (recording_check.py, plain Python and ffmpeg, and tiffinfo), a writer that falls
# behind (counted loss, exit 3) stopped by SIGHUP, names the tool refuses, and series of
# snapshots. RECORD_SECONDS sets the full-rate recordings' length (10 s; shorter in
# the sanitizer builds).
source "$(dirname "$0")/lib.sh"
fresh_work
cd "$WORK" || exit 1
reader="$(dirname "$0")/recording_check.py"
seconds=${RECORD_SECONDS:-10}
# Every sample of row i of frame n is n + i: each page's pixels must match its frame number.
export KELVRA_SIMULATED_TEST_PATTERN=1

python=${PYTHON:-python3}
# field NAME LINE: one value of the reader's "name=value ..." line.
field() { sed -nE "s/.*(^| )$1=([^ ]*).*/\2/p" <<<"$2"; }
written() { sed -nE 's/^recorded ([0-9]+) frames.*/\1/p' <<<"$out"; }
lost() { sed -nE 's/^recorded .*; ([0-9]+) frames lost.*/\1/p' <<<"$out"; }
queue_full() { sed -nE 's/^frames lost: ([0-9]+) with the queue full.*/\1/p' <<<"$out"; }

# check_recording FORMAT FILE: the file holds every frame the summary says it wrote, its frame
# numbers skip no more frames than the summary counts as lost, and the exit status says
# whether frames were lost. Prints the reader's line.
check_recording() {
    local result
    result=$("$python" "$reader" "$1" "$2" --pattern) || { fail "$2: $result"; return; }
    [[ $(field count "$result") -eq $(written) ]] || fail "$2: $result, summary: $out"
    (($(field gaps "$result") <= $(lost))) || fail "$2: frames missing uncounted: $result, $out"
    if [[ $(lost) -eq 0 ]]; then expect_status 0; else expect_status 3; fi
    echo "$result"
}

# A full-rate 16-bit TIFF: 12-bit samples, per-page metadata; the writer keeps up.
run record -o full.tif --color-mode 16 --seconds "$seconds"
expect_out "^recorded [1-9][0-9]* frames of 1280x1024, 16 bits"
result=$(check_recording tiff full.tif)
[[ $(queue_full) == "" || $(queue_full) -eq 0 ]] || fail "writer fell behind: $out"
[[ $(field bits "$result") -eq 16 && $(field max_sample_value "$result") -eq 4095 ]] ||
    fail "12-bit samples not stated: $result"
[[ $(field bigtiff "$result") == True ]] || fail "an open-ended recording is a BigTIFF: $result"
# libtiff's own reader agrees on the pages and reads the description.
pages=$(tiffinfo full.tif 2>&1 | grep -c '^TIFF Directory')
[[ $pages -eq $(written) ]] || fail "tiffinfo sees $pages pages"
tiffinfo full.tif 2>/dev/null | grep -m1 -Eq 'ImageDescription: \{"frame": [0-9]+, "timestamp_us": [0-9]+, "exposure_us": [1-9][0-9]*, "temperature_c": -?[0-9]+\.[0-9]{3}\}' ||
    fail "no per-page metadata for tiffinfo"

# A full-rate 8-bit AVI: palettised grey that ffmpeg decodes to its last frame, every frame's
# rows matching its number.
run record -o full.avi --color-mode 8 --seconds "$seconds"
expect_out "^recorded [1-9][0-9]* frames of 1280x1024, 8 bits"
result=$(check_recording avi full.avi)
[[ $(queue_full) == "" || $(queue_full) -eq 0 ]] || fail "writer fell behind: $out"
[[ $(field pix_fmt "$result") == pal8 ]] || fail "8-bit grey is not stored palettised: $result"
# The file plays at the rate the camera took the frames at (from their timestamps), which the
# summary's frames over wall time matches within the start-up and the last frame's wait.
summary_fps=$(sed -nE 's/^recorded .*\(([0-9.]+) fps\).*/\1/p' <<<"$out")
"$python" -c "import sys; f, s = map(float, sys.argv[1:]); sys.exit(not 0.7 * s <= f <= 1.3 * s)" \
    "$(field fps "$result")" "$summary_fps" || fail "plays at $(field fps "$result") fps: $out"

# Raw frames with their sidecar, from a writer that falls behind (test hooks: 100 ms a frame,
# 4 buffers), until SIGHUP (the terminal closed): frames are dropped and counted as "queue
# full", the exit status is 3, and the recording is finalised like after Ctrl-C.
KELVRA_TOOL_WRITE_DELAY_MS=100 KELVRA_TOOL_QUEUE_BUFFERS=4 "$KELVRA" record -o hup.raw \
    --seconds 120 >out 2>err &
pid=$!
for _ in $(seq 600); do
    (($(stat -c %s hup.raw 2>/dev/null || echo 0) > 3 * 1310720)) && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
done
kill -HUP $pid
wait $pid
status=$?
out=$(cat out)
err=$(cat err)
expect_out "^recorded [1-9][0-9]* frames .* \(stopped early\)$"
expect_out "with the queue full \(the disk was too slow\)"
[[ $(queue_full) -gt 0 ]] || fail "no counted loss from a slow writer: $out"
result=$(check_recording raw hup.raw)
[[ $(field bits_per_sample "$result") -eq 8 ]] || fail "raw: $result"

# Names and formats refused before a camera is opened, in one line that says what to do.
for args in "-o clip.mp4" "-o clip.tif --format raw" "-o clip.tif --format mp4" "-o clip"; do
    KELVRA_SIMULATED_CAMERAS= run record $args --seconds 1
    expect_status 2
    expect_err "^kelvra: .*(\.tif|avi, tiff or raw)"
done
compgen -G "clip.mp4*" >/dev/null && fail "a refused name was written"

# snap --count: consecutive frames as numbered PNG files, or one multi-page (classic) TIFF. A
# 50 ms exposure paces the camera at 20 frames/s, which even the sanitizer builds keep up with.
run snap --count 2 -o series.png --color-mode 16 --exposure 50ms
expect_status 0
expect_out "^wrote 2 frames of 1280x1024, 16 bits per pixel"
for n in 0001 0002; do decodes "series-$n.png" 1280x1024 16 >/dev/null; done
run snap --count 5 -o pages.tif --color-mode 16 --exposure 50ms
expect_status 0
result=$("$python" "$reader" tiff pages.tif --pattern) || fail "pages.tif: $result"
[[ $(field count "$result") -eq 5 && $(field gaps "$result") -eq 0 ]] || fail "$result"
[[ $(field bigtiff "$result") == False ]] || fail "five frames need no BigTIFF: $result"
finish
