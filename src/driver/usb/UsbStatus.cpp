#include "driver/usb/UsbStatus.h"

#include "driver/Ioctl.h"
#include "driver/usb/RecordBytes.h"

namespace kelvra::driver::usb {
namespace {

constexpr UsbOutcome kSucceeded{kErrorSuccess, 0};
constexpr UsbOutcome kStalled{kErrorGenFailure, kUsbStatusStall};
constexpr UsbOutcome kBabbled{kErrorGenFailure, kUsbStatusBabble};
constexpr UsbOutcome kNoAnswer{kErrorGenFailure, kUsbStatusNotResponding};
// A request that ran out of time is cancelled by the host controller driver.
constexpr UsbOutcome kTimedOut{kErrorSemTimeout, kUsbStatusCanceled};
constexpr UsbOutcome kCancelled{kErrorOperationAborted, kUsbStatusCanceled};
constexpr UsbOutcome kUnplugged{kErrorDeviceNotConnected, kUsbStatusNotResponding};

}  // namespace

// A negative libusb return (0 and above are byte counts: success). Errors that never reached
// the device carry no USB status.
UsbOutcome outcomeOfError(int libusbError) {
    if (libusbError >= 0) return kSucceeded;
    switch (libusbError) {
        case LIBUSB_ERROR_PIPE:
            return kStalled;
        case LIBUSB_ERROR_OVERFLOW:
            return kBabbled;
        case LIBUSB_ERROR_TIMEOUT:
            return kTimedOut;
        case LIBUSB_ERROR_INTERRUPTED:
            return kCancelled;
        case LIBUSB_ERROR_NO_DEVICE:
            return kUnplugged;
        case LIBUSB_ERROR_INVALID_PARAM:
        case LIBUSB_ERROR_NOT_FOUND:
            return {kErrorInvalidParameter, 0};
        case LIBUSB_ERROR_NO_MEM:
            return {kErrorNoSystemResources, 0};
        case LIBUSB_ERROR_NOT_SUPPORTED:
            return {kErrorInvalidFunction, 0};
        default:  // I/O errors, and access or claims lost under our feet
            return kNoAnswer;
    }
}

// The final status of an asynchronous transfer.
UsbOutcome outcomeOfTransfer(libusb_transfer_status status) {
    switch (status) {
        case LIBUSB_TRANSFER_COMPLETED:
            return kSucceeded;
        case LIBUSB_TRANSFER_STALL:
            return kStalled;
        case LIBUSB_TRANSFER_OVERFLOW:
            return kBabbled;
        case LIBUSB_TRANSFER_TIMED_OUT:
            return kTimedOut;
        case LIBUSB_TRANSFER_CANCELLED:
            return kCancelled;
        case LIBUSB_TRANSFER_NO_DEVICE:
            return kUnplugged;
        case LIBUSB_TRANSFER_ERROR:
        default:
            return kNoAnswer;
    }
}

// Writes the driver and USB status words into a 38-byte record: both 0 on success, else the
// driver's "unsuccessful" and the USB status.
void writeRecordStatus(uint8_t* record, const UsbOutcome& outcome) {
    storeU32(record + record::kDriverStatus, outcome.error ? kDriverStatusUnsuccessful : 0);
    storeU32(record + record::kUsbStatus, outcome.error ? outcome.usbStatus : 0);
}

// libusb's link speed as the Windows driver reports it: 1 low or full, 2 high, 4 super (and
// super-plus, which that driver does not know apart), 0 unknown.
uint32_t speedCode(int libusbSpeed) {
    switch (libusbSpeed) {
        case LIBUSB_SPEED_LOW:
        case LIBUSB_SPEED_FULL:
            return kSpeedLowOrFull;
        case LIBUSB_SPEED_HIGH:
            return kSpeedHigh;
        case LIBUSB_SPEED_SUPER:
        case LIBUSB_SPEED_SUPER_PLUS:
            return kSpeedSuperSpeed;
        default:
            return kSpeedUnknown;
    }
}

}  // namespace kelvra::driver::usb
