#include "driver/usb/CameraProducts.h"

#include <algorithm>
#include <iterator>

namespace kelvra::driver::usb {
namespace {

// Every product id of the device core's sensor-driver table, the ones this build cannot open
// included: the transport numbers and lists them like the kernel driver on Windows does, and the
// device core refuses the ones it has no driver class for.
constexpr uint16_t kCameraProducts[] = {
    0x3020, 0x3030, 0x3040, 0x3042, 0x3050, 0x3090, 0x30B0, 0x30C0, 0x30F0, 0x3100, 0x3110,
    0x3120, 0x3130, 0x3140, 0x3150, 0x3170, 0x3180, 0x3190, 0x31A0, 0x31B0, 0x31B4, 0x31C0,
    0x31C4, 0x31D0, 0x31E0, 0x31F0, 0x3200, 0x3210, 0x3220, 0x3260, 0x3270, 0x3280, 0x3290,
    0x32A0, 0x32B0, 0x32C0, 0x32D0, 0x32E0, 0x32F0, 0x3300, 0x3310, 0x3320, 0x3330, 0x3340,
    0x3360, 0x3370, 0x3380, 0x33A0, 0x33B0, 0x33C0, 0x33D0,
};

}  // namespace

// True when `productId` is one of the camera products above.
bool isCameraProduct(uint16_t productId) {
    return std::find(std::begin(kCameraProducts), std::end(kCameraProducts), productId) !=
           std::end(kCameraProducts);
}

}  // namespace kelvra::driver::usb
