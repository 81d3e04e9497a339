#pragma once
// An open device path on the libusb back end: the seam's DeviceHandle over a shared UsbDevice.
//
// Control requests and the pipe IOCTLs run synchronously on the calling thread, on any handle.
// Bulk transfers are asynchronous libusb transfers: on an overlapped handle submit returns
// {997, 0} and the event thread finishes the request; on a synchronous handle submit waits for
// it. Closing the handle cancels its transfers and waits for them to end.

#include <memory>

#include "driver/Backend.h"
#include "driver/usb/TransferRegistry.h"
#include "driver/usb/UsbDevice.h"

namespace kelvra::driver::usb {

class UsbHandle final : public DeviceHandle {
  public:
    UsbHandle(std::shared_ptr<UsbDevice> device, TransferRegistry& transfers, bool overlapped);
    ~UsbHandle() override;

    bool isOverlapped() const override { return overlapped_; }
    IoResult submit(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out,
                    Overlapped& request) override;

  private:
    IoResult start(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out,
                   Overlapped& request);
    IoResult startBulk(const std::optional<BulkPlan>& plan, Overlapped& request);

    const std::shared_ptr<UsbDevice> device_;
    TransferRegistry& transfers_;
    const bool overlapped_;
};

}  // namespace kelvra::driver::usb
