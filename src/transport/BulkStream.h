// The bulk side of a controller: the overlapped stream handle, the staging buffer, and the two
// ways of moving bulk data through the driver (direct transfers straight into the caller's
// buffer, staged transfers through the staging buffer). One request each, with its wait, its
// abort on expiry and its result; the retry policies live with the callers.
//
// Threads: the stream handle and the staging buffer may be used, closed and aborted from any
// thread. A transfer keeps the handle it uses alive until it ends, so closing the stream while
// a transfer is in flight never pulls the handle from under it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "driver/Backend.h"

namespace kelvra::transport {

using SleepFunction = void (*)(uint32_t ms);

// Largest transfer the driver takes: 64 MiB, the size of the staging area.
inline constexpr uint32_t kMaxBulkTransfer = 0x4000000;
inline constexpr uint32_t kStagingSize = kMaxBulkTransfer + 38;

class BulkStream {
  public:
    using Opener = std::function<std::unique_ptr<driver::DeviceHandle>()>;

    explicit BulkStream(SleepFunction sleep) : m_sleep(sleep) {}
    BulkStream(const BulkStream&) = delete;
    BulkStream& operator=(const BulkStream&) = delete;

    bool Open(const Opener& open);
    bool Close();
    bool IsOpen();
    std::shared_ptr<driver::DeviceHandle> Handle();
    void Abort();

    bool AllocateStaging();
    void FreeStaging();
    bool HasStaging() const { return m_hasStaging.load(std::memory_order_acquire); }

    int32_t Direct(driver::DeviceHandle* handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                   uint32_t* moved, int timeoutMs, bool abortOnExpiry);
    int32_t Staged(driver::DeviceHandle* handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                   uint32_t* moved);

    // A transfer ended because the device is not connected (unplugged); until cleared.
    bool DeviceGone() const { return m_deviceGone.load(std::memory_order_relaxed); }
    void ClearDeviceGone() { m_deviceGone.store(false, std::memory_order_relaxed); }

    uint32_t LastStreamError() const { return m_lastStreamError.load(std::memory_order_relaxed); }
    void SetSleep(SleepFunction sleep) { m_sleep.store(sleep, std::memory_order_relaxed); }
    void Sleep(uint32_t ms) const { m_sleep.load(std::memory_order_relaxed)(ms); }

  private:
    void EndExpired(driver::Overlapped& request);

    std::mutex m_handleMutex;
    std::shared_ptr<driver::DeviceHandle> m_handle;  // guarded by m_handleMutex

    std::mutex m_stagingMutex;  // held for the whole of a staged transfer
    std::unique_ptr<uint8_t[]> m_staging;
    std::atomic<bool> m_hasStaging{false};

    std::atomic<uint32_t> m_lastStreamError{0};
    std::atomic<bool> m_deviceGone{false};
    std::atomic<SleepFunction> m_sleep;
};

}  // namespace kelvra::transport
