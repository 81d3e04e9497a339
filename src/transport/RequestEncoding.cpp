#include "transport/RequestEncoding.h"

#include <algorithm>
#include <cstring>

#include "transport/LittleEndian.h"
#include "transport/VendorRequests.h"

namespace kelvra::transport {
namespace {

namespace rec = driver::record;

constexpr uint8_t kReadMagic[4] = {'A', 'U', '3', 'R'};
constexpr uint8_t kWriteMagic[4] = {'A', 'U', '3', 'W'};
constexpr uint32_t kMemoryCommandVersion = 2;
constexpr size_t kMemoryVersionOffset = 4;
constexpr size_t kMemoryAddressLowOffset = 8;
constexpr size_t kMemoryAddressHighOffset = 12;
constexpr size_t kMemoryLengthOffset = 16;

}  // namespace

// The vendor request as the driver expects it on endpoint 0: wLength is the size of the whole
// buffer (102), not of the data area, and the data area is described by offset 38 / length 64.
// At most 64 bytes of `data` are copied; the rest of the data area stays zero.
ControlBuffer MakeControlRequest(uint8_t requestType, uint8_t request, uint16_t value,
                                 uint16_t index, std::span<const uint8_t> data) {
    ControlBuffer buffer{};
    buffer[rec::kRequestType] = requestType;
    buffer[rec::kRequest] = request;
    StoreU16(&buffer[rec::kValue], value);
    StoreU16(&buffer[rec::kIndex], index);
    StoreU16(&buffer[rec::kLength], static_cast<uint16_t>(driver::kControlRequestSize));
    StoreU32(&buffer[rec::kTimeout], kControlTimeoutSeconds);
    buffer[rec::kEndpoint] = driver::kEndpointControl;
    StoreU32(&buffer[rec::kBufferOffset], static_cast<uint32_t>(rec::kSize));
    StoreU32(&buffer[rec::kBufferLength], static_cast<uint32_t>(driver::kControlDataSize));
    const size_t count = std::min(data.size(), driver::kControlDataSize);
    if (count > 0) std::memcpy(&buffer[rec::kSize], data.data(), count);
    return buffer;
}

// The 64-byte data area behind the record.
std::span<uint8_t> ControlData(ControlBuffer& buffer) {
    return std::span<uint8_t>(buffer).subspan(rec::kSize);
}

// Data bytes in a control answer: the driver counts the record in what it returns, except in
// answers too short to hold one.
uint32_t ControlDataReturned(uint32_t bytesReturned) {
    return bytesReturned >= rec::kSize ? bytesReturned - static_cast<uint32_t>(rec::kSize)
                                       : bytesReturned;
}

// The record of a direct bulk transfer: all zero apart from the endpoint address.
TransferRecord MakeDirectRecord(uint8_t endpoint) {
    TransferRecord record{};
    record[rec::kEndpoint] = endpoint;
    return record;
}

// The record at the head of the staging buffer; the data follows it at offset 38.
void WriteStagedRecord(std::span<uint8_t, driver::record::kSize> record, uint8_t endpoint,
                       uint32_t length) {
    std::fill(record.begin(), record.end(), uint8_t{0});
    record[rec::kEndpoint] = endpoint;
    StoreU32(&record[rec::kBufferOffset], static_cast<uint32_t>(rec::kSize));
    StoreU32(&record[rec::kBufferLength], length);
}

// True when the driver wrote back success in both status words.
bool RecordStatusOk(std::span<const uint8_t, driver::record::kSize> record) {
    return LoadU32(&record[rec::kDriverStatus]) == 0 && LoadU32(&record[rec::kUsbStatus]) == 0;
}

// "AU3R"/"AU3W", version 2, 64-bit address, chunk length, 12 zero bytes.
MemoryCommand MakeMemoryCommand(MemoryDirection direction, uint64_t address, uint32_t length) {
    MemoryCommand block{};
    std::memcpy(block.data(), direction == MemoryDirection::Read ? kReadMagic : kWriteMagic, 4);
    StoreU32(&block[kMemoryVersionOffset], kMemoryCommandVersion);
    StoreU32(&block[kMemoryAddressLowOffset], static_cast<uint32_t>(address));
    StoreU32(&block[kMemoryAddressHighOffset], static_cast<uint32_t>(address >> 32));
    StoreU32(&block[kMemoryLengthOffset], length);
    return block;
}

}  // namespace kelvra::transport
