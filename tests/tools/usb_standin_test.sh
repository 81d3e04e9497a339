#!/usr/bin/env bash
# The tool on its libusb code path: the stand-in libusb (tests/usbsim) takes the real one's
# place, with simulated cameras and odd devices on its bus as KELVRA_USB_STANDIN lists them.
source "$(dirname "$0")/lib.sh"
fresh_work
unset KELVRA_SIMULATED_CAMERAS
export LD_LIBRARY_PATH="$STANDIN_LIB${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

# No camera: said, with what to do, and a failing exit.
KELVRA_USB_STANDIN= run doctor
expect_status 1
expect_out "^\[FAIL\] no camera found"
expect_out "^       fix: connect the camera"
expect_out "udev rule"

# Another maker's device is ignored; a USB 2 link is warned about; no access is explained.
KELVRA_USB_STANDIN="1d6b:3270,3270+usb2,3270+noaccess" run doctor
expect_status 1
[[ "$out" != *1d6b* ]] || fail "another maker's device was reported: [$out]"
expect_out "^\[ ok \] camera 04b4:3270 on USB port 2-2 \(serial [^)]+\) found$"
expect_out "^\[FAIL\] camera 04b4:3270 on USB port 2-2 .*: USB 2 \(480 Mbit/s\), the camera delivers only a fraction"
expect_out "^       fix: plug the camera into a USB 3 port"
expect_out "^\[FAIL\] camera 04b4:3270 on USB port 2-3: no permission to open /dev/bus/usb/002/013"
expect_out "^       fix: install the udev rule"
expect_out "^       fix: kelvra udev-rule \| sudo tee /etc/udev/rules.d/60-kelvra-cameras.rules"

# list shows each camera's link and warns about the slow one.
KELVRA_USB_STANDIN="3270,3270+usb2" run list
expect_status 0
expect_out "^0: KelvraK4SWIRTEC_01  serial [^ ]+  product 0x3270  USB 3 \(5 Gbit/s\)$"
expect_out "^1: KelvraK4SWIRTEC_02  serial [^ ]+  product 0x3270  USB 2 \(480 Mbit/s\)$"
expect_err "warning: camera 1 is on a USB 2 \(480 Mbit/s\) link"

# Frames through libusb, and a camera unplugged mid-stream.
KELVRA_USB_STANDIN=3270 run snap -o "$WORK/frame.png" --color-mode 16
expect_status 0
decodes "$WORK/frame.png" 1280x1024 >/dev/null
KELVRA_USB_STANDIN=3270 KELVRA_SIMULATED_UNPLUG_AFTER_MS=1500 run stream --seconds 60
expect_status 1
expect_err "the camera was lost \(error 13\)"

# Simulated cameras, nothing else to check: all is well.
KELVRA_SIMULATED_CAMERAS=1 run doctor
expect_status 0
expect_out "^\[note\] cameras are simulated"
expect_out "^All is well\.$"

run udev-rule
expect_status 0
expect_out "^ATTR\{idVendor\}==\"04b4\", ATTR\{idProduct\}==\"[0-9a-f|]*3270"
finish
