#include "driver/usb/TransferRegistry.h"

#include "driver/Ioctl.h"
#include "driver/usb/UsbStatus.h"

namespace kelvra::driver::usb {

// Starts one bulk transfer for `owner` (the submitting device handle) and marks `request`
// pending before libusb can complete it. Returns {997, 0}; or, when libusb refuses it, the
// failure, with the record's status words written and the request left for the caller to
// finish. Any thread.
IoResult TransferRegistry::submit(const void* owner, UsbDevice& device, const BulkPlan& plan,
                                  Overlapped& request) {
    libusb_transfer* transfer = libusb_alloc_transfer(0);
    UsbOutcome failure = outcomeOfError(LIBUSB_ERROR_NO_MEM);
    if (transfer != nullptr) {
        context_.startEventThread();
        std::lock_guard lock(mutex_);
        Entry& entry = entries_.emplace_back(Entry{this, transfer, &request, owner, &device, plan});
        libusb_fill_bulk_transfer(transfer, device.handle(), plan.endpoint, plan.data, plan.length,
                                  &TransferRegistry::onTransferDone, &entry, plan.timeoutMs);
        request.begin(&TransferRegistry::cancelRequest, this);
        const int rc = libusb_submit_transfer(transfer);
        if (rc == LIBUSB_SUCCESS) return IoResult{kErrorIoPending, 0};
        entries_.pop_back();
        libusb_free_transfer(transfer);
        failure = outcomeOfError(rc);
    }
    if (failure.error == kErrorDeviceNotConnected) device.markGone();
    writeRecordStatus(plan.record, failure);
    return IoResult{failure.error, 0};
}

// Asks libusb to cancel every matching transfer not yet completing; they end on the event
// thread with 995. Returns without waiting.
template <class Match>
void TransferRegistry::cancelWhere(Match match) {
    std::lock_guard lock(mutex_);
    for (Entry& entry : entries_) {
        if (!entry.completing && match(entry)) libusb_cancel_transfer(entry.transfer);
    }
}

// Abort pipe: the pipe's transfers from every handle of the device.
void TransferRegistry::cancelPipe(const UsbDevice& device, uint8_t endpoint) {
    cancelWhere([&](const Entry& e) { return e.device == &device && e.plan.endpoint == endpoint; });
}

// Port reset: every transfer of the device.
void TransferRegistry::cancelDevice(const UsbDevice& device) {
    cancelWhere([&](const Entry& e) { return e.device == &device; });
}

// A handle closes: the transfers it submitted.
void TransferRegistry::cancelOwner(const void* owner) {
    cancelWhere([&](const Entry& e) { return e.owner == owner; });
}

// Waits until no transfer of `owner` is left: their callbacks have run, their requests are
// finished and libusb has let go of their buffers. Not on the event thread.
void TransferRegistry::waitOwner(const void* owner) {
    std::unique_lock lock(mutex_);
    drained_.wait(lock, [&] {
        for (const Entry& entry : entries_) {
            if (entry.owner == owner) return false;
        }
        return true;
    });
}

// Overlapped::cancel for a request of ours; the request may have completed meanwhile.
void TransferRegistry::cancelRequest(void* registry, Overlapped* request) {
    static_cast<TransferRegistry*>(registry)->cancelWhere(
        [&](const Entry& e) { return e.request == request; });
}

void LIBUSB_CALL TransferRegistry::onTransferDone(libusb_transfer* transfer) {
    auto* entry = static_cast<Entry*>(transfer->user_data);
    entry->registry->complete(*entry, transfer);
}

// A completion, on the event thread: status words, the transfer freed, the request finished
// (after which nothing of the caller's is touched), then the entry dropped and waiters woken.
void TransferRegistry::complete(Entry& entry, libusb_transfer* transfer) {
    {
        std::lock_guard lock(mutex_);
        entry.completing = true;
    }
    const UsbOutcome outcome = outcomeOfTransfer(transfer->status);
    if (outcome.error == kErrorDeviceNotConnected) entry.device->markGone();
    const uint32_t bytes =
        outcome.error ? 0 : static_cast<uint32_t>(transfer->actual_length) + entry.plan.bytesBias;
    writeRecordStatus(entry.plan.record, outcome);
    libusb_free_transfer(transfer);
    entry.request->finish(IoResult{outcome.error, bytes});
    std::lock_guard lock(mutex_);
    entries_.remove_if([&](const Entry& e) { return &e == &entry; });
    drained_.notify_all();
}

}  // namespace kelvra::driver::usb
