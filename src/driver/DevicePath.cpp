#include "driver/DevicePath.h"

#include <cstdio>

namespace kelvra::driver {

// See the header for the layout; lower-case hex as Windows reports it.
std::string formatDevicePath(uint16_t vendorId, uint16_t productId, std::string_view instance,
                             const Guid& guid) {
    char head[32];
    std::snprintf(head, sizeof head, "\\\\?\\usb#vid_%04x&pid_%04x#", vendorId, productId);
    std::string path = head;
    path.append(instance);
    path.push_back('#');
    path.append(formatGuid(guid));
    return path;
}

}  // namespace kelvra::driver
