#!/usr/bin/env bash
# kelvra list, info, cooler, temperature, reg, mask, bench, --version, --help, --simulate.
source "$(dirname "$0")/lib.sh"
fresh_work

run --version
expect_status 0
expect_out "^kelvra [0-9]+\.[0-9]+\.[0-9]+, library version 2\.23\.5\.33$"

for command in list info snap stream record cooler temperature mask reg bench demo doctor udev-rule get set; do
    run "$command" --help
    expect_status 0
    expect_out "^usage: kelvra $command"
done

KELVRA_SIMULATED_CAMERAS=2 run list
expect_status 0
[[ $(wc -l <<<"$out") -eq 2 ]] || fail "two cameras wanted: [$out]"
expect_out "^0: KelvraK4SWIRTEC_01  serial [^ ]+  product 0x3270  USB 3 \(5 Gbit/s\)$"
expect_out "^1: KelvraK4SWIRTEC_02  serial [^ ]+  product 0x3270  USB 3 \(5 Gbit/s\)$"

KELVRA_SIMULATED_CAMERAS= run --simulate list
expect_out "^0: KelvraK4SWIRTEC_01 "

KELVRA_SIMULATED_CAMERAS=2 run info --camera 1
expect_status 0
expect_out "^camera: +1 \(KelvraK4SWIRTEC_02\)$"
run info
expect_out "^sensor: +1280 x 1024 pixels$"
expect_out "^readout window: +1280x1024\+0\+0$"
expect_out "^gain: +[0-9]+ \(camera range 0 \.\. 420\)$"
expect_out "^exposure: +[0-9.]+ (µs|ms|s) \(camera range 20\.3 µs \.\. 2\.00 s\)$"
expect_out "^temperature: +-?[0-9]+\.[0-9] °C$"
expect_out "^cooler: +(on|off)$"

run info --camera 3
expect_status 1
expect_err "^kelvra: opening camera 3: .*\(error 2\)$"
KELVRA_SIMULATED_CAMERAS= run info
expect_status 1
[[ "$err" == "kelvra: opening a camera: no camera was found" ]] || fail "no camera: [$err]"

run cooler off
expect_status 0
[[ "$out" == "cooler off" ]] || fail "cooler off: [$out]"
run cooler on
[[ "$out" == "cooler on" ]] || fail "cooler on: [$out]"
run cooler
expect_out "^cooler (on|off)$"

run temperature
expect_status 0
expect_out "^sensor -?[0-9]+\.[0-9] °C, cooler (on|off)$"
run temperature --watch --seconds 1 --interval 0.25
expect_status 0
[[ $(grep -c " s  sensor " <<<"$out") -ge 2 ]] || fail "watch lines: [$out]"

run reg fpga read 0x00
expect_status 0
expect_out "^fpga register 0x00 = 0x[0-9A-F]+ \([0-9]+\)$"
run reg eeprom write 0x800 0x5A
expect_status 0
expect_out "^eeprom register 0x0800 = 0x5A \(90\), read back 0x5A$"
run reg eeprom read 0x000
expect_status 0
expect_out "^eeprom register 0x0000 = 0x"
run reg sensor read 0x3000
expect_status 0
expect_out "^sensor register 0x3000 = 0x"

run mask capture dark "$WORK/flat.msk" --frames 1
expect_status 0
expect_out "^captured the dark reference \(8 and 16 bits, one frame\) into $WORK/flat.msk \([0-9.]+ MB\)$"
run mask capture white "$WORK/flat.msk" --frames 1
expect_status 0
run mask load "$WORK/flat.msk"
expect_status 0
[[ "$out" == "$WORK/flat.msk is a valid mask file" ]] || fail "mask load: [$out]"
run snap --mask "$WORK/flat.msk" -o "$WORK/flat.png"
expect_status 0
decodes "$WORK/flat.png" 1280x1024 >/dev/null
run mask save "$WORK/neutral.msk"
expect_status 0
head -c 100 /dev/urandom >"$WORK/junk.msk"
run mask load "$WORK/junk.msk"
expect_status 1
expect_err "^kelvra: loading the mask file $WORK/junk.msk: .*\(error 14\)$"
run mask capture dark "$WORK/small.msk" --camera 0 --frames 1
expect_status 0

run bench --seconds 0.5
expect_status 0
expect_out "^ 8-bit 1280x1024: [1-9][0-9]* frames in [0-9.]+ s: [0-9.]+ frames/s, [0-9.]+ MB/s, 0 lost$"
expect_out "^16-bit 1280x1024: [1-9][0-9]* frames"
finish
