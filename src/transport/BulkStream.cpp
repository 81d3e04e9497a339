#include "transport/BulkStream.h"

#include <cstring>
#include <new>

#include "driver/Ioctl.h"
#include "transport/RequestEncoding.h"

namespace kelvra::transport {
namespace {

using driver::IoResult;
using driver::kErrorIoPending;
using driver::kErrorSuccess;
using driver::record::kSize;

constexpr int kStagedTimeoutMs = 3000;
// After an abort the request normally ends at once; this is how long it gets before a second
// abort.
constexpr int kAbortGraceMs = 50;
// A transfer the device failed is followed by a short pause before the caller's next attempt.
constexpr uint32_t kFailurePauseMs = 1;

}  // namespace

// Opens the stream handle with `open` unless one is open. True when a handle is open afterwards.
bool BulkStream::Open(const Opener& open) {
    std::lock_guard lock(m_handleMutex);
    if (m_handle) return true;
    std::unique_ptr<driver::DeviceHandle> handle = open();
    if (!handle) return false;
    m_handle = std::move(handle);
    return true;
}

// Drops the stream handle. A transfer still using it keeps it until it ends; then it closes.
// True when there was a handle to close.
bool BulkStream::Close() {
    std::shared_ptr<driver::DeviceHandle> closing;
    {
        std::lock_guard lock(m_handleMutex);
        closing = std::move(m_handle);
    }
    return closing != nullptr;
}

bool BulkStream::IsOpen() {
    std::lock_guard lock(m_handleMutex);
    return m_handle != nullptr;
}

// The stream handle, shared with the caller for the length of its use; null when closed.
std::shared_ptr<driver::DeviceHandle> BulkStream::Handle() {
    std::lock_guard lock(m_handleMutex);
    return m_handle;
}

// Aborts pipe 0x81 on the stream handle and waits for the abort itself to complete; pending
// reads of the pipe then end with "operation aborted". Nothing happens without a stream handle.
void BulkStream::Abort() {
    std::shared_ptr<driver::DeviceHandle> handle = Handle();
    if (!handle) return;
    uint8_t endpoint = driver::kEndpointStreamIn;
    handle->ioctl(driver::kIoctlAbortPipe, {&endpoint, 1}, {});
}

// Allocates the 64 MiB staging buffer unless present. False when memory runs out.
bool BulkStream::AllocateStaging() {
    std::lock_guard lock(m_stagingMutex);
    if (!m_staging) {
        m_staging.reset(new (std::nothrow) uint8_t[kStagingSize]);
        m_hasStaging.store(m_staging != nullptr, std::memory_order_release);
    }
    return m_staging != nullptr;
}

// Frees the staging buffer, after any staged transfer using it has ended.
void BulkStream::FreeStaging() {
    std::lock_guard lock(m_stagingMutex);
    m_hasStaging.store(false, std::memory_order_release);
    m_staging.reset();
}

// An expired request: abort the pipe, give the request a moment to end, and if it still has
// not, abort again and make sure it ends before its buffers go out of scope.
void BulkStream::EndExpired(driver::Overlapped& request) {
    Abort();
    if (request.wait(kAbortGraceMs)) return;
    Abort();
    request.cancel();  // the abort reaches the stream's pipe only; this ends any other request
    request.wait(-1);
}

// One direct bulk transfer of `length` bytes between `data` and `endpoint` on `handle`: a
// zeroed record naming the endpoint goes in, the caller's buffer is the data. The request
// counts as started when it completes at once or within timeoutMs (< 0: no limit); after that
// it succeeds when the driver reports success and both status words of the record are 0. A
// request that does not complete in time is aborted when abortOnExpiry is set, else cancelled.
// *moved (optional) receives the bytes moved, 0 on failure. Fails without I/O for a length
// above 64 MiB, a null handle, a null buffer with a length, or no staging buffer.
// Returns 1 or 0. Runs on the calling thread and blocks until the request has ended.
int32_t BulkStream::Direct(driver::DeviceHandle* handle, uint8_t* data, uint32_t length,
                           uint8_t endpoint, uint32_t* moved, int timeoutMs, bool abortOnExpiry) {
    if (moved) *moved = 0;
    if (length > kMaxBulkTransfer || handle == nullptr || !HasStaging()) return 0;
    if (data == nullptr && length > 0) return 0;
    TransferRecord record = MakeDirectRecord(endpoint);
    driver::Overlapped request;
    const IoResult submitted =
        handle->submit(driver::kIoctlDirectTransfer, record, {data, length}, request);
    m_lastStreamError.store(submitted.error, std::memory_order_relaxed);
    if (submitted.error == driver::kErrorDeviceNotConnected) m_deviceGone.store(true);
    const bool started = submitted.error == kErrorSuccess ||
                         (submitted.error == kErrorIoPending && request.wait(timeoutMs));
    if (!started) {
        if (submitted.error == kErrorIoPending && abortOnExpiry) EndExpired(request);
        return 0;  // a request still pending is cancelled by `request` going out of scope
    }
    const IoResult result = submitted.error == kErrorSuccess ? submitted : request.result();
    if (result.error == driver::kErrorDeviceNotConnected) m_deviceGone.store(true);
    if (result.error != kErrorSuccess || !RecordStatusOk(record)) {
        Sleep(kFailurePauseMs);
        return 0;
    }
    if (moved) *moved = result.bytes;
    return 1;
}

// One staged bulk transfer: the record and `length` bytes of `data` are laid out in the staging
// buffer, which is the request's input and output; the driver answers within 3000 ms or the
// pipe is aborted and the transfer fails. On success the data the driver returned (its count
// less the record) is copied back to `data` and reported in *moved; an answer that does not fit
// `length` fails. Fails without I/O for a length above 64 MiB, a null handle or no staging
// buffer. Returns 1 or 0. Blocks; the staging buffer is held for the whole transfer.
int32_t BulkStream::Staged(driver::DeviceHandle* handle, uint8_t* data, uint32_t length,
                           uint8_t endpoint, uint32_t* moved) {
    if (moved) *moved = 0;
    if (length > kMaxBulkTransfer || handle == nullptr) return 0;
    if (data == nullptr && length > 0) return 0;
    std::lock_guard lock(m_stagingMutex);
    if (!m_staging) return 0;
    uint8_t* staging = m_staging.get();
    WriteStagedRecord(std::span<uint8_t, kSize>(staging, kSize), endpoint, length);
    if (length > 0) std::memcpy(staging + kSize, data, length);
    const std::span<uint8_t> io(staging, kSize + length);
    driver::Overlapped request;  // declared after the lock: ends before the buffer is released
    IoResult result = handle->submit(driver::kIoctlStagedTransfer, io, io, request);
    if (result.error == kErrorIoPending) {
        if (!request.wait(kStagedTimeoutMs)) {
            Abort();
            request.wait(kAbortGraceMs);
            return 0;
        }
        result = request.result();
    }
    if (result.error != kErrorSuccess || result.bytes < kSize) return 0;
    const uint32_t returned = result.bytes - static_cast<uint32_t>(kSize);
    if (returned > length) return 0;
    if (returned > 0) std::memcpy(data, staging + kSize, returned);
    if (moved) *moved = returned;
    return 1;
}

}  // namespace kelvra::transport
