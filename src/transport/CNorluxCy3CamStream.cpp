// The stream handle and the frame reads on bulk endpoint 0x81.
#include <algorithm>
#include <climits>
#include <cstring>

#include "driver/Ioctl.h"
#include "transport/CNorluxCy3Cam.h"
#include "transport/LittleEndian.h"
#include "transport/VendorRequests.h"

namespace kelvra {
namespace {

using namespace transport;

constexpr int kHeaderAttempts = 15;
constexpr int32_t kHeaderTimeoutMs = 400;
// With longer header waits (long exposures) fewer attempts: the tries together wait about as
// long as the standard fifteen, but never fewer than three frames' worth.
constexpr int kMinLongHeaderAttempts = 3;

int HeaderAttempts(int32_t timeoutMs) {
    return std::clamp(kHeaderAttempts * kHeaderTimeoutMs / std::max(timeoutMs, 1),
                      kMinLongHeaderAttempts, kHeaderAttempts);
}
// After a lost header the FPGA's readout is restarted; it needs a moment before the next try.
constexpr uint32_t kHeaderRetryPauseMs = 10;
constexpr uint32_t kBodyChunk = 0x80000;  // 512 KiB per direct transfer
constexpr int32_t kDirectTimeoutMs = 5000;
constexpr int32_t kWriteTimeoutMs = 3000;

}  // namespace

// Opens the stream handle (overlapped) on the selected device unless it is open. Returns 1 when
// it is open afterwards, 0 when the device does not open.
int32_t CNorluxCy3Cam::OpenStream() {
    return m_stream.Open([this] { return OpenSelected(true); }) ? 1 : 0;
}

// Closes the stream handle; a transfer still in flight on it ends first. Returns 1 when there
// was a handle to close, else 0.
int32_t CNorluxCy3Cam::CloseStream() {
    return m_stream.Close() ? 1 : 0;
}

// The stream handle for one operation, opened here when it was closed. A null handle means the
// device does not open.
CNorluxCy3Cam::StreamUse CNorluxCy3Cam::UseStream() {
    const bool wasOpen = m_stream.IsOpen();
    if (!OpenStream()) return {};
    return StreamUse{m_stream.Handle(), !wasOpen};
}

// Closes the stream again when the operation that used it had opened it.
void CNorluxCy3Cam::EndStreamUse(const StreamUse& use) {
    if (use.openedHere) CloseStream();
}

// Reads the next frame header: up to 15 tries of the stream-ready query followed by a 64-byte
// read from endpoint 0x81 (400 ms, or request.headerTimeoutMs with fewer tries). A good read fills
// request.header and request.frameNumber (header word +32) and returns 1. A failed read restarts
// the FPGA readout (register 0x6C: 1, then 0) and pauses 10 ms before the next try; product 0x32D0
// instead restarts the stream and gives up. A failed query ends the tries. Returns 0 when no
// header came (also when the read moved fewer than 64 bytes), closing the stream again if this
// call opened it. Transfer thread.
int32_t CNorluxCy3Cam::ReadFrameHeader(FrameRequest& request) {
    const StreamUse stream = UseStream();
    if (!stream.handle) return 0;
    std::memset(request.header, 0, sizeof request.header);
    const uint16_t productId = SelectedProductId();
    const int32_t timeoutMs = request.headerTimeoutMs > 0
                                  ? int32_t(std::min<uint32_t>(request.headerTimeoutMs, INT32_MAX))
                                  : kHeaderTimeoutMs;
    const int attempts = HeaderAttempts(timeoutMs);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (!SendStreamReady(*stream.handle)) break;
        if (ReadHeaderOnce(*stream.handle, request, timeoutMs)) return 1;
        if (productId == kProductModelG) {
            StreamRestart();
            break;
        }
        PulseReadoutRestart();
        m_stream.Sleep(kHeaderRetryPauseMs);
    }
    EndStreamUse(stream);
    return 0;
}

// One 64-byte header read; on success the header and its frame number go into the request. A
// read that ended short (a short packet) is no header: its missing words would read as zero.
int32_t CNorluxCy3Cam::ReadHeaderOnce(driver::DeviceHandle& handle, FrameRequest& request,
                                      int32_t timeoutMs) {
    uint8_t header[kFrameHeaderSize] = {};
    uint32_t moved = 0;
    if (!DirectTransferTimed(&handle, header, kFrameHeaderSize, driver::kEndpointStreamIn, &moved,
                             timeoutMs) ||
        moved != kFrameHeaderSize) {
        return 0;
    }
    std::memcpy(request.header, header, kFrameHeaderSize);
    request.frameNumber = LoadU32(header + kHeaderFrameNumberOffset);
    return 1;
}

// Rising edge on bit 0 of FPGA register 0x6C: the FPGA restarts its readout.
void CNorluxCy3Cam::PulseReadoutRestart() {
    WriteFpgaRegister(kFpgaRegReadoutRestart, 1);
    WriteFpgaRegister(kFpgaRegReadoutRestart, 0);
}

// Reads the frame body announced by header word +16 into request.destination, in direct
// transfers of 512 KiB (the remainder last) from endpoint 0x81, each with timeoutMs. Fails
// without reading when the body is longer than request.capacity; a failed chunk, or one that
// moved fewer bytes than asked (a short packet ended it), fails the body and no further chunk is
// read. A stream handle this call had to open is closed again. Returns 1 or 0. Transfer thread.
int32_t CNorluxCy3Cam::ReadFrameBody(FrameRequest& request, int32_t timeoutMs) {
    const uint32_t length = LoadU32(request.header + kHeaderBodyLengthOffset);
    if (length > request.capacity) return 0;
    if (length > 0 && request.destination == nullptr) return 0;
    const StreamUse stream = UseStream();
    if (!stream.handle) return 0;
    int32_t ok = 1;
    for (uint32_t offset = 0; offset < length && ok; offset += kBodyChunk) {
        const uint32_t chunk = std::min(kBodyChunk, length - offset);
        uint32_t moved = 0;
        ok = DirectTransferTimed(stream.handle.get(), request.destination + offset, chunk,
                                 driver::kEndpointStreamIn, &moved, timeoutMs) &&
             moved == chunk;
    }
    EndStreamUse(stream);
    return ok;
}

// Reads a whole frame of request.expectedLength bytes from endpoint 0x83 in one direct transfer
// (5000 ms). Succeeds only when exactly that many bytes came; fails without reading when they
// would not fit request.capacity. Returns 1 or 0.
int32_t CNorluxCy3Cam::ReadFrameSync(FrameRequest& request) {
    const uint32_t length = request.expectedLength;
    if (length > request.capacity || request.destination == nullptr) return 0;
    const StreamUse stream = UseStream();
    if (!stream.handle) return 0;
    uint32_t moved = 0;
    const int32_t ok = DirectTransfer(stream.handle.get(), request.destination, length,
                                      driver::kEndpointSyncIn, &moved);
    EndStreamUse(stream);
    return ok && moved == length ? 1 : 0;
}

// A staged transfer through the staging buffer (3000 ms); the endpoint is the low byte.
int32_t CNorluxCy3Cam::StagedTransfer(driver::DeviceHandle* handle, uint8_t* data, uint32_t length,
                                      uint32_t endpoint, uint32_t* moved) {
    return m_stream.Staged(handle, data, length, static_cast<uint8_t>(endpoint), moved);
}

// A direct transfer with 5000 ms, preceded by the stream-ready query on the same handle; a
// failed query fails the transfer. A request that does not complete in time is cancelled.
int32_t CNorluxCy3Cam::DirectTransfer(driver::DeviceHandle* handle, uint8_t* data, uint32_t length,
                                      uint32_t endpoint, uint32_t* moved) {
    if (moved) *moved = 0;
    if (handle == nullptr || length > kMaxBulkTransfer || !m_stream.HasStaging()) return 0;
    if (!SendStreamReady(*handle)) return 0;
    return m_stream.Direct(handle, data, length, static_cast<uint8_t>(endpoint), moved,
                           kDirectTimeoutMs, false);
}

// A direct transfer with the caller's timeout (< 0: none); on expiry the stream pipe is aborted.
int32_t CNorluxCy3Cam::DirectTransferTimed(driver::DeviceHandle* handle, uint8_t* data,
                                           uint32_t length, uint32_t endpoint, uint32_t* moved,
                                           int32_t timeoutMs) {
    return m_stream.Direct(handle, data, length, static_cast<uint8_t>(endpoint), moved, timeoutMs,
                           true);
}

// A direct transfer with 3000 ms, aborted on expiry; used for the OUT endpoint.
int32_t CNorluxCy3Cam::DirectTransferWrite(driver::DeviceHandle* handle, uint8_t* data,
                                           uint32_t length, uint32_t endpoint, uint32_t* moved) {
    return m_stream.Direct(handle, data, length, static_cast<uint8_t>(endpoint), moved,
                           kWriteTimeoutMs, true);
}

}  // namespace kelvra
