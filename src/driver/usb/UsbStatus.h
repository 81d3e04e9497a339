#pragma once
// How libusb's results read in the kernel driver's vocabulary: a Win32 error number for the
// seam and the USB status word for the record, so that callers see a real camera fail as they
// see the Windows driver (and the simulated camera) fail.

#include <libusb.h>

#include <cstdint>

namespace kelvra::driver::usb {

struct UsbOutcome {
    uint32_t error = 0;      // Win32 error number; 0 = success
    uint32_t usbStatus = 0;  // the record's USB status word; 0 = success
};

UsbOutcome outcomeOfError(int libusbError);
UsbOutcome outcomeOfTransfer(libusb_transfer_status status);
void writeRecordStatus(uint8_t* record, const UsbOutcome& outcome);

// The Windows driver's device speed codes.
inline constexpr uint32_t kSpeedUnknown = 0;
inline constexpr uint32_t kSpeedLowOrFull = 1;
inline constexpr uint32_t kSpeedHigh = 2;
uint32_t speedCode(int libusbSpeed);

}  // namespace kelvra::driver::usb
