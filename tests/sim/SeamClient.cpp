#include "SeamClient.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "driver/Driver.h"

namespace kelvra::test {
namespace {

void put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace

uint32_t le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

Buffer102 controlRequest(uint8_t type, uint8_t request, uint16_t value, uint16_t index,
                         std::span<const uint8_t> data) {
    Buffer102 b{};
    b[0] = type;
    b[1] = request;
    put16(&b[2], value);
    put16(&b[4], index);
    put16(&b[6], 102);
    put32(&b[8], 3);
    put32(&b[30], 38);
    put32(&b[34], 64);
    std::copy_n(data.begin(), std::min<size_t>(data.size(), 64), b.begin() + 38);
    return b;
}

std::array<uint8_t, 38> directRecord(uint8_t endpoint) {
    std::array<uint8_t, 38> r{};
    r[13] = endpoint;
    return r;
}

std::span<const uint8_t> ControlReply::data() const {
    if (result.error != 0 || result.bytes < 38) return {};
    return std::span(buffer).subspan(38, result.bytes - 38);
}

SeamClient::SeamClient(std::unique_ptr<driver::DeviceHandle> handle) : handle_(std::move(handle)) {}

ControlReply SeamClient::control(uint8_t type, uint8_t request, uint16_t value, uint16_t index,
                                 std::span<const uint8_t> data) {
    ControlReply reply;
    reply.buffer = controlRequest(type, request, value, index, data);
    reply.result = handle_->ioctl(kControlIoctl, reply.buffer, reply.buffer);
    return reply;
}

bool SeamClient::i2cWrite(uint8_t address, std::vector<uint8_t> bytes) {
    return control(0x40, 0x30, uint16_t(bytes.size()), address, bytes).result.error == 0;
}

std::optional<std::vector<uint8_t>> SeamClient::i2cRead(uint8_t readAddress, uint16_t count) {
    ControlReply reply = control(0xC0, 0x31, count, readAddress);
    if (reply.result.error != 0 || reply.data().size() < count) return std::nullopt;
    return std::vector<uint8_t>(reply.data().begin(), reply.data().begin() + count);
}

bool SeamClient::fpgaWrite(uint8_t reg, uint8_t value) {
    return i2cWrite(0x40, {reg, 0, value});
}

std::optional<uint8_t> SeamClient::fpgaRead(uint8_t reg) {
    if (!i2cWrite(0x40, {reg})) return std::nullopt;
    auto bytes = i2cRead(0x41, 2);
    if (!bytes) return std::nullopt;
    return (*bytes)[1];
}

bool SeamClient::sensorWrite(uint16_t reg, uint8_t value) {
    return i2cWrite(0x48, {uint8_t(reg >> 8), uint8_t(reg), value});
}

std::optional<uint8_t> SeamClient::sensorRead(uint16_t reg) {
    if (!i2cWrite(0x48, {uint8_t(reg >> 8), uint8_t(reg)})) return std::nullopt;
    auto bytes = i2cRead(0x49, 1);
    if (!bytes) return std::nullopt;
    return (*bytes)[0];
}

bool SeamClient::eepromWrite(uint16_t address, uint8_t value) {
    return i2cWrite(0xA2, {uint8_t(address >> 8), uint8_t(address), value});
}

std::optional<uint8_t> SeamClient::eepromRead(uint16_t address) {
    if (!i2cWrite(0xA2, {uint8_t(address >> 8), uint8_t(address)})) return std::nullopt;
    auto bytes = i2cRead(0xA3, 1);
    if (!bytes) return std::nullopt;
    return (*bytes)[0];
}

std::unique_ptr<driver::DeviceHandle> openFirst(uint16_t productId, bool overlapped) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04x", productId);
    for (const std::string& path : driver::enumerateInterfaces(driver::kCameraInterfaceGuid)) {
        if (path.size() > 25 && path.compare(21, 4, digits) == 0) {
            return driver::openDevice(path, overlapped);
        }
    }
    return nullptr;
}

}  // namespace kelvra::test
