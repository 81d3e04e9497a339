#pragma once
// The asynchronous bulk transfers in flight, across every device of the back end. A transfer
// is submitted to libusb, completes on the event thread, writes the record's status words and
// finishes its Overlapped; meanwhile it can be cancelled by its request, its pipe (abort), its
// device (port reset) or its handle (close).
//
// Lock: one mutex, held while a transfer is registered and submitted, while cancellations are
// asked for, and around the bookkeeping of a completion; never while a callback finishes a
// request or anyone waits.

#include <libusb.h>

#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>

#include "driver/Overlapped.h"
#include "driver/usb/BulkRequest.h"
#include "driver/usb/UsbContext.h"
#include "driver/usb/UsbDevice.h"

namespace kelvra::driver::usb {

class TransferRegistry {
  public:
    explicit TransferRegistry(UsbContext& context) : context_(context) {}
    TransferRegistry(const TransferRegistry&) = delete;
    TransferRegistry& operator=(const TransferRegistry&) = delete;

    IoResult submit(const void* owner, UsbDevice& device, const BulkPlan& plan,
                    Overlapped& request);

    void cancelPipe(const UsbDevice& device, uint8_t endpoint);
    void cancelDevice(const UsbDevice& device);
    void cancelOwner(const void* owner);
    void waitOwner(const void* owner);

  private:
    struct Entry {
        TransferRegistry* registry;
        libusb_transfer* transfer;
        Overlapped* request;
        const void* owner;
        UsbDevice* device;
        BulkPlan plan;
        bool completing = false;  // guarded by mutex_: the transfer is being freed
    };

    static void cancelRequest(void* registry, Overlapped* request);
    static void LIBUSB_CALL onTransferDone(libusb_transfer* transfer);
    void complete(Entry& entry, libusb_transfer* transfer);
    template <class Match>
    void cancelWhere(Match match);

    UsbContext& context_;
    std::mutex mutex_;
    std::condition_variable drained_;
    std::list<Entry> entries_;  // stable addresses: libusb holds them as user data
};

}  // namespace kelvra::driver::usb
