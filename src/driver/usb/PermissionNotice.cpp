#include "driver/usb/PermissionNotice.h"

#include <cstdio>
#include <string>

namespace kelvra::driver::usb {

// Prints the notice for the first camera refused; later refusals stay silent (the transport
// probes every path at each enumeration). Any thread.
void PermissionNotice::report(const CameraAddress& address) {
    if (told_.exchange(true)) return;
    const std::string location = formatLocation(address.location);
    std::fprintf(stderr,
                 "kelvra: no permission to open the camera %04x:%04x on USB port %s. Install the "
                 "udev rule %s (installed with the library under lib/udev/rules.d) into "
                 "/etc/udev/rules.d, run 'udevadm control --reload-rules', add yourself to the "
                 "plugdev group and replug the camera.\n",
                 address.vendorId, address.productId, location.c_str(), kUdevRuleName);
}

}  // namespace kelvra::driver::usb
