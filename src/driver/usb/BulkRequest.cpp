#include "driver/usb/BulkRequest.h"

#include <climits>
#include <cstring>

#include "driver/Ioctl.h"
#include "driver/usb/RecordBytes.h"

namespace kelvra::driver::usb {

// The camera's three bulk endpoints; nothing else is carried.
bool isBulkEndpoint(uint8_t endpoint) {
    return endpoint == kEndpointBulkOut || endpoint == kEndpointStreamIn ||
           endpoint == kEndpointSyncIn;
}

// The record's timeout (seconds) in libusb's milliseconds; 0 stays "no limit".
unsigned recordTimeoutMs(const uint8_t* record) {
    const uint64_t ms = uint64_t(loadU32(record + record::kTimeout)) * 1000;
    return ms > UINT_MAX ? UINT_MAX : static_cast<unsigned>(ms);
}

// Nullopt for a request the driver refuses (87): a short record, an endpoint that is not one
// of the camera's bulk endpoints, more data than libusb takes in one transfer.
std::optional<BulkPlan> planDirect(std::span<uint8_t> in, std::span<uint8_t> out) {
    if (in.size() < record::kSize || out.size() > INT_MAX) return {};
    const uint8_t endpoint = in[record::kEndpoint];
    if (!isBulkEndpoint(endpoint)) return {};
    return BulkPlan{endpoint,  out.data(), static_cast<int>(out.size()),
                    in.data(), 0,          recordTimeoutMs(in.data())};
}

// As planDirect, and also nullopt when the data does not sit at offset 38 or the buffers cannot
// hold the record's buffer length. The record is copied to `out` when that is other memory, so
// the status words come back where the answer is.
std::optional<BulkPlan> planStaged(std::span<uint8_t> in, std::span<uint8_t> out) {
    if (in.size() < record::kSize || out.size() < record::kSize) return {};
    const uint8_t endpoint = in[record::kEndpoint];
    const uint64_t length = loadU32(in.data() + record::kBufferLength);
    if (!isBulkEndpoint(endpoint) || loadU32(in.data() + record::kBufferOffset) != record::kSize ||
        length > INT_MAX) {
        return {};
    }
    const bool inbound = (endpoint & kEndpointDirectionIn) != 0;
    std::span<uint8_t> dataSide = inbound ? out : in;
    if (dataSide.size() < record::kSize + length) return {};
    if (out.data() != in.data()) std::memmove(out.data(), in.data(), record::kSize);
    return BulkPlan{endpoint,   dataSide.data() + record::kSize,      static_cast<int>(length),
                    out.data(), static_cast<uint32_t>(record::kSize), recordTimeoutMs(in.data())};
}

}  // namespace kelvra::driver::usb
