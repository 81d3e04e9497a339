// The memory window: "AU3R"/"AU3W" command blocks on endpoint 0x01, data on 0x81 or 0x01.
//
// The device moves whole 4 KiB (memory) or 16 KiB (block) units, so a request's length is
// rounded up. The caller's buffer is only trusted to hold the length it asked for: a piece that
// would run past it goes through a buffer of its own, and only the caller's part is copied.
#include <algorithm>
#include <cstring>
#include <vector>

#include "driver/Ioctl.h"
#include "transport/CNorluxCy3Cam.h"
#include "transport/VendorRequests.h"

namespace kelvra {
namespace {

using namespace transport;

constexpr uint32_t kMemoryUnitMask = 0xFFF;
constexpr uint32_t kMemoryUnit = 0x1000;
constexpr uint32_t kMaxMemoryLength = 0xFFFFEFFF;  // the rounded length must fit 32 bits
constexpr uint32_t kMemoryChunk = 0x1000000;       // 16 MiB per command block
constexpr int32_t kMemoryReadTimeoutMs = 3000;
constexpr uint32_t kDataFailurePauseMs = 1;
constexpr uint32_t kBlockUnitShift = 14;    // block reads move whole 16 KiB units
constexpr uint32_t kBlockPiece = 0x400000;  // 4 MiB pieces for the LI8020

// Length rounded to whole 4 KiB units, always more than asked: 4096 becomes 8192.
uint32_t RoundMemoryLength(uint32_t length) {
    return (length & ~kMemoryUnitMask) + kMemoryUnit;
}

// Length rounded to the next 16 KiB unit above it; 64-bit since it may pass 4 GiB.
uint64_t RoundBlockLength(uint32_t length) {
    return ((static_cast<uint64_t>(length) >> kBlockUnitShift) + 1) << kBlockUnitShift;
}

}  // namespace

// Announces one chunk of the memory window: a 32-byte command block to endpoint 0x01.
int32_t CNorluxCy3Cam::SendMemoryCommand(driver::DeviceHandle& handle, MemoryDirection direction,
                                         uint64_t address, uint32_t length) {
    MemoryCommand block = MakeMemoryCommand(direction, address, length);
    uint32_t moved = 0;
    return DirectTransferWrite(&handle, block.data(), static_cast<uint32_t>(block.size()),
                               driver::kEndpointBulkOut, &moved);
}

// Reads `piece` bytes from endpoint 0x81 into data + offset, where `available` is what the
// caller's buffer holds. A piece that would pass its end is read into a buffer of its own and
// only the part that fits is copied. *moved receives the bytes the device sent.
int32_t CNorluxCy3Cam::ReadPiece(driver::DeviceHandle& handle, uint8_t* data, uint32_t available,
                                 uint32_t offset, uint32_t piece, int32_t timeoutMs,
                                 uint32_t* moved) {
    const uint32_t room = available > offset ? available - offset : 0;
    if (piece <= room) {
        return DirectTransferTimed(&handle, data + offset, piece, driver::kEndpointStreamIn, moved,
                                   timeoutMs);
    }
    std::vector<uint8_t> staged(piece);
    if (!DirectTransferTimed(&handle, staged.data(), piece, driver::kEndpointStreamIn, moved,
                             timeoutMs)) {
        return 0;
    }
    std::memcpy(data + offset, staged.data(), std::min(room, *moved));
    return 1;
}

// Writes `piece` bytes from data + offset to endpoint 0x01; past the caller's `available` bytes
// the piece is padded with zeros in a buffer of its own.
int32_t CNorluxCy3Cam::WritePiece(driver::DeviceHandle& handle, const uint8_t* data,
                                  uint32_t available, uint32_t offset, uint32_t piece,
                                  uint32_t* moved) {
    const uint32_t room = available > offset ? available - offset : 0;
    if (piece <= room) {
        // The driver only reads an OUT transfer's buffer.
        return DirectTransferWrite(&handle, const_cast<uint8_t*>(data + offset), piece,
                                   driver::kEndpointBulkOut, moved);
    }
    std::vector<uint8_t> staged(piece, 0);
    std::memcpy(staged.data(), data + offset, room);
    return DirectTransferWrite(&handle, staged.data(), piece, driver::kEndpointBulkOut, moved);
}

// Moves `length` bytes (rounded up to whole 4 KiB units on the wire) between the camera's
// memory at `address` and `data`, in chunks of at most 16 MiB: each chunk is announced by a
// command block and then read (3000 ms) or written. A failed data phase pauses 1 ms; a failed or
// short chunk fails the whole. Never touches data beyond `length` bytes.
int32_t CNorluxCy3Cam::MoveMemory(MemoryDirection direction, uint64_t address, uint8_t* data,
                                  uint32_t length) {
    if (data == nullptr || length > kMaxMemoryLength) return 0;
    const uint32_t total = RoundMemoryLength(length);
    const StreamUse stream = UseStream();
    if (!stream.handle) return 0;
    driver::DeviceHandle& handle = *stream.handle;
    int32_t ok = 1;
    for (uint32_t offset = 0; offset < total && ok;) {
        const uint32_t chunk = std::min(kMemoryChunk, total - offset);
        if (!SendMemoryCommand(handle, direction, address + offset, chunk)) {
            ok = 0;
            break;
        }
        uint32_t moved = 0;
        const int32_t done =
            direction == MemoryDirection::Read
                ? ReadPiece(handle, data, length, offset, chunk, kMemoryReadTimeoutMs, &moved)
                : WritePiece(handle, data, length, offset, chunk, &moved);
        if (!done) m_stream.Sleep(kDataFailurePauseMs);
        ok = done && moved >= chunk ? 1 : 0;
        offset += chunk;
    }
    EndStreamUse(stream);
    return ok;
}

// Reads `length` bytes of the camera's memory at `address` into data. Returns 1 or 0; a null
// buffer or a length above 0xFFFFEFFF fails without I/O.
int32_t CNorluxCy3Cam::ReadMemory(uint64_t address, uint8_t* data, uint32_t length) {
    return MoveMemory(MemoryDirection::Read, address, data, length);
}

// Writes `length` bytes of data to the camera's memory at `address`; the rounded tail is zeros.
// Returns 1 or 0; a null buffer or a length above 0xFFFFEFFF fails without I/O.
int32_t CNorluxCy3Cam::WriteMemory(uint64_t address, const uint8_t* data, uint32_t length) {
    return MoveMemory(MemoryDirection::Write, address, const_cast<uint8_t*>(data), length);
}

// Reads a whole frame through the memory window into request.destination: *length bytes asked,
// rounded up to the next 16 KiB unit on the wire. The "AU3R" block has zero address words and
// the whole length; the LI8020 (0x3310) caps it at 4 MiB, reads in 4 MiB pieces and sends the
// block once, other products read everything in one piece after the block. Reading stops at a
// short piece. Bytes beyond request.capacity are dropped, never written. *length receives the
// bytes stored in the destination. Returns 1 when the last piece came complete, else 0.
int32_t CNorluxCy3Cam::ReadBlock(FrameRequest& request, uint32_t* length, int32_t timeoutMs) {
    if (length == nullptr || request.destination == nullptr) return 0;
    const uint64_t rounded = RoundBlockLength(*length);
    if (rounded > kMaxBulkTransfer) return 0;  // no single transfer or block can carry it
    const auto total = static_cast<uint32_t>(rounded);
    const bool pieced = SelectedProductId() == kProductLI8020;
    const uint32_t pieceLimit = pieced ? kBlockPiece : total;
    const StreamUse stream = UseStream();
    if (!stream.handle) return 0;
    uint32_t done = 0;
    bool complete = false;
    while (done < total) {
        const uint32_t piece = std::min(pieceLimit, total - done);
        if ((!pieced || done == 0) && !SendMemoryCommand(*stream.handle, MemoryDirection::Read, 0,
                                                         std::min(total, pieceLimit))) {
            complete = false;
            break;
        }
        uint32_t moved = 0;
        const int32_t ok = ReadPiece(*stream.handle, request.destination, request.capacity, done,
                                     piece, timeoutMs, &moved);
        done += moved;
        complete = ok && moved == piece;
        if (!complete) break;
    }
    EndStreamUse(stream);
    *length = std::min(done, request.capacity);
    return complete ? 1 : 0;
}

}  // namespace kelvra
