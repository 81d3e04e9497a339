#include "RecordingBackend.h"

#include <algorithm>
#include <atomic>

#include "driver/Driver.h"

namespace kelvra::transport::test {
namespace {

constexpr size_t kRecordedOutLimit = 64 * 1024;
constinit std::atomic<RecordingBackend*> gActive{nullptr};

class RecordingHandle final : public driver::DeviceHandle {
  public:
    RecordingHandle(RecordingBackend& backend, int id, bool overlapped)
        : m_backend(backend), m_id(id), m_overlapped(overlapped) {}
    ~RecordingHandle() override { m_backend.NoteClose(); }

    bool isOverlapped() const override { return m_overlapped; }
    driver::IoResult submit(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out,
                            driver::Overlapped& request) override {
        const driver::IoResult result = m_backend.Submit(m_id, m_overlapped, code, in, out);
        request.finish(result);
        return result;
    }

  private:
    RecordingBackend& m_backend;
    const int m_id;
    const bool m_overlapped;
};

}  // namespace

RecordingBackend::RecordingBackend() {
    gActive.store(this);
    driver::installBackend(this);
}

RecordingBackend::~RecordingBackend() {
    driver::installBackend(nullptr);
    gActive.store(nullptr);
}

std::vector<std::string> RecordingBackend::enumerate(const driver::Guid&) {
    std::lock_guard lock(m_mutex);
    return m_paths;
}

std::unique_ptr<driver::DeviceHandle> RecordingBackend::open(std::string_view path,
                                                             bool overlapped) {
    std::lock_guard lock(m_mutex);
    if (std::find(m_paths.begin(), m_paths.end(), path) == m_paths.end()) return nullptr;
    return std::make_unique<RecordingHandle>(*this, m_nextHandle++, overlapped);
}

// A device of product `productId` whose path ends in `instance`; returns its path.
std::string RecordingBackend::AddDevice(uint16_t productId, const std::string& instance) {
    const std::string path =
        driver::formatDevicePath(0x04B4, productId, instance, driver::kCameraInterfaceGuid);
    std::lock_guard lock(m_mutex);
    m_paths.push_back(path);
    return path;
}

void RecordingBackend::SetHook(Hook hook) {
    std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

void RecordingBackend::SetControlReply(uint8_t request, std::vector<uint8_t> data) {
    std::lock_guard lock(m_mutex);
    m_replies.emplace_back(request, std::move(data));
}

std::vector<Call> RecordingBackend::Calls() {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void RecordingBackend::Clear() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

int RecordingBackend::Opens() {
    std::lock_guard lock(m_mutex);
    return m_nextHandle - 1;
}

int RecordingBackend::Closes() {
    std::lock_guard lock(m_mutex);
    return m_closes;
}

void RecordingBackend::RecordSleep(uint32_t ms) {
    if (RecordingBackend* backend = gActive.load()) {
        std::lock_guard lock(backend->m_mutex);
        Call call;
        call.sleepMs = ms;
        backend->m_calls.push_back(call);
    }
}

void RecordingBackend::NoteClose() {
    std::lock_guard lock(m_mutex);
    ++m_closes;
}

driver::IoResult RecordingBackend::Submit(int handle, bool overlapped, uint32_t code,
                                          std::span<uint8_t> in, std::span<uint8_t> out) {
    Call call;
    call.handle = handle;
    call.overlapped = overlapped;
    call.code = code;
    call.in.assign(in.begin(), in.end());
    call.outSize = out.size();
    const bool outbound = code == driver::kIoctlDirectTransfer && in.size() > 13 &&
                          (in[13] & driver::kEndpointDirectionIn) == 0;
    if (outbound) {
        call.outData.assign(out.begin(), out.begin() + std::min(out.size(), kRecordedOutLimit));
    }
    std::lock_guard lock(m_mutex);
    m_calls.push_back(call);
    if (m_hook) {
        if (auto answer = m_hook(call, in, out)) return *answer;
    }
    return Answer(call, in, out);
}

// Defaults: every request succeeds. IN control requests answer their scripted data (64 bytes of
// a pattern unless set); IN direct transfers fill the buffer with 0x5A and report it full; the
// device speed is SuperSpeed.
driver::IoResult RecordingBackend::Answer(const Call& call, std::span<uint8_t>,
                                          std::span<uint8_t> out) {
    switch (call.code) {
        case driver::kIoctlControlTransfer: {
            if ((call.in[0] & driver::kEndpointDirectionIn) == 0) return {0, 38};
            std::vector<uint8_t> data(64);
            for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0xA5 + i);
            for (const auto& [request, reply] : m_replies) {
                if (request == call.in[1]) data = reply;
            }
            std::copy(data.begin(), data.end(), out.begin() + 38);
            return {0, static_cast<uint32_t>(38 + data.size())};
        }
        case driver::kIoctlDirectTransfer:
            if (call.in[13] & driver::kEndpointDirectionIn) {
                std::fill(out.begin(), out.end(), uint8_t{0x5A});
            }
            return {0, static_cast<uint32_t>(out.size())};
        case driver::kIoctlStagedTransfer:
            return {0, static_cast<uint32_t>(out.size())};
        case driver::kIoctlDeviceSpeed:
            out[0] = driver::kSpeedSuperSpeed;
            return {0, 4};
        default:
            return {0, 0};
    }
}

}  // namespace kelvra::transport::test
