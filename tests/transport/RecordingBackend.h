// A driver back end that records every request as it reaches the seam and answers from a
// script: the byte-level view of what the transport sends. Requests complete at once.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "driver/Backend.h"
#include "driver/DevicePath.h"
#include "driver/Ioctl.h"

namespace kelvra::transport::test {

// One request, or one prescribed sleep (code 0, sleepMs set).
struct Call {
    int handle = 0;  // which opening of a path; 0 for sleeps
    bool overlapped = false;
    uint32_t code = 0;
    std::vector<uint8_t> in;
    size_t outSize = 0;
    std::vector<uint8_t> outData;  // an OUT transfer's data (up to 64 KiB of it)
    uint32_t sleepMs = 0;
};

// Fields of a 102-byte control request.
struct ControlView {
    uint8_t requestType, request;
    uint16_t value, index, length;
    uint32_t timeout;
    uint8_t endpoint;
    uint32_t bufferOffset, bufferLength;
    std::vector<uint8_t> data;  // the 64-byte data area
};

inline uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline ControlView ViewControl(const Call& call) {
    const uint8_t* p = call.in.data();
    return ControlView{p[0],         p[1],
                       Le16(p + 2),  Le16(p + 4),
                       Le16(p + 6),  Le32(p + 8),
                       p[13],        Le32(p + 30),
                       Le32(p + 34), std::vector<uint8_t>(call.in.begin() + 38, call.in.end())};
}

class RecordingBackend final : public driver::Backend {
  public:
    // Answers a request instead of the defaults when it returns a value.
    using Hook = std::function<std::optional<driver::IoResult>(const Call&, std::span<uint8_t> in,
                                                               std::span<uint8_t> out)>;

    RecordingBackend();
    ~RecordingBackend() override;

    const char* name() const override { return "recording"; }
    std::vector<std::string> enumerate(const driver::Guid&) override;
    std::unique_ptr<driver::DeviceHandle> open(std::string_view path, bool overlapped) override;

    std::string AddDevice(uint16_t productId, const std::string& instance);
    void SetHook(Hook hook);
    // Data bytes an IN control request with this code answers (default: 64 bytes of 0xA5+i).
    void SetControlReply(uint8_t request, std::vector<uint8_t> data);

    std::vector<Call> Calls();
    void Clear();
    int Opens();
    int Closes();

    // The controller's sleep function while this back end is active.
    static void RecordSleep(uint32_t ms);

    driver::IoResult Submit(int handle, bool overlapped, uint32_t code, std::span<uint8_t> in,
                            std::span<uint8_t> out);
    void NoteClose();

  private:
    driver::IoResult Answer(const Call& call, std::span<uint8_t> in, std::span<uint8_t> out);

    std::mutex m_mutex;
    std::vector<std::string> m_paths;
    std::vector<Call> m_calls;
    Hook m_hook;
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> m_replies;
    int m_nextHandle = 1;
    int m_closes = 0;
};

}  // namespace kelvra::transport::test
