#pragma once
// Reading the two bulk IOCTLs: where the record is, which endpoint, which bytes move. No I/O.
//
// Direct transfer (0x22004B): `in` is the 38-byte record, `out` the caller's data, all of it.
// Staged transfer (0x220024): one buffer holds the record and, at offset 38, the data of the
// record's buffer length; the answer (record and data) goes to `out`, normally the same memory.

#include <cstdint>
#include <optional>
#include <span>

namespace kelvra::driver::usb {

struct BulkPlan {
    uint8_t endpoint = 0;
    uint8_t* data = nullptr;
    int length = 0;
    uint8_t* record = nullptr;  // receives the status words
    uint32_t bytesBias = 0;     // added to the bytes moved in the result (the staged record)
    unsigned timeoutMs = 0;     // 0: no limit
};

bool isBulkEndpoint(uint8_t endpoint);
unsigned recordTimeoutMs(const uint8_t* record);
std::optional<BulkPlan> planDirect(std::span<uint8_t> in, std::span<uint8_t> out);
std::optional<BulkPlan> planStaged(std::span<uint8_t> in, std::span<uint8_t> out);

}  // namespace kelvra::driver::usb
