// A stand-in for libusb-1.0 whose devices are simulated cameras: control transfers go to the
// camera's FX3 firmware, bulk transfers to its endpoints, with libusb's timeouts, cancellation
// and hot-unplug. Linked into a test in place of libusb (or loaded as libusb-1.0.so.0 by a
// program run with LD_LIBRARY_PATH), it lets the library's libusb back end drive the simulator.
//
// Devices come from Plug, or, in a program that never calls Plug, from the environment at
// libusb_init: KELVRA_USB_STANDIN lists them, comma-separated, as [VVVV:]PPPP[+option]...,
// hexadecimal vendor (default 04b4) and product ids, with the options
//   usb2      the camera hangs on a USB 2 (high-speed) port
//   noaccess  libusb_open answers LIBUSB_ERROR_ACCESS (no udev rule)
//   noserial  the device has no serial-number string
// The simulator's environment faults (KELVRA_SIMULATED_UNPLUG_AFTER_MS ...) apply to them.
//
// Thread-safe. Completions are delivered on the thread that handles events, as in libusb.
#pragma once

#include <memory>

#include "sim/CameraConfig.h"
#include "sim/SimCamera.h"

namespace kelvra::usbsim {

inline constexpr const char* kDevicesVariable = "KELVRA_USB_STANDIN";

struct PlugOptions {
    bool noAccess = false;
    bool serialString = true;
};

// Puts a camera built from `config` on the stand-in bus (its speed from config.deviceSpeed,
// its vendor and product ids from the config). Unplug it with SimCamera::unplug.
std::shared_ptr<sim::SimCamera> Plug(const sim::CameraConfig& config, PlugOptions options = {});
// Unplugs and forgets every camera.
void UnplugAll();
// Control requests that reached a device of this camera, for checks that none were sent.
int ControlRequests(const sim::SimCamera& camera);

}  // namespace kelvra::usbsim
