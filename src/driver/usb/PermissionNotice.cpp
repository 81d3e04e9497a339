#include "driver/usb/PermissionNotice.h"

#include <cstdio>
#include <string>

namespace kelvra::driver::usb {

// Prints the notice for the first camera refused; later refusals stay silent (the transport
// probes every path at each enumeration). Any thread.
void PermissionNotice::report(uint16_t vendorId, uint16_t productId, const UsbLocation& port) {
    if (told_.exchange(true)) return;
    const std::string location = formatLocation(port);
    std::fprintf(stderr,
                 "kelvra: no permission to open the camera %04x:%04x on USB port %s. Install the "
                 "udev rule %s (installed with the library under lib/udev/rules.d) into "
                 "/etc/udev/rules.d, run 'udevadm control --reload-rules', add yourself to the "
                 "plugdev group and replug the camera; 'kelvra doctor' checks each step.\n",
                 vendorId, productId, location.c_str(), kUdevRuleName);
}

}  // namespace kelvra::driver::usb
