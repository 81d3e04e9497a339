#include "StreamSupport.h"

#include <algorithm>

namespace kelvra::test {

int Frame::sample(int row, int col) const {
    const size_t at = size_t(row) * width() + col;
    return sixteenBit() ? body[2 * at] | (body[2 * at + 1] << 8) : body[at];
}

double Frame::mean(int row0, int col0, int rows, int cols) const {
    double sum = 0;
    for (int r = row0; r < row0 + rows; ++r) {
        for (int c = col0; c < col0 + cols; ++c) sum += sample(r, c);
    }
    return sum / (double(rows) * cols);
}

StreamReader::StreamReader(std::unique_ptr<driver::DeviceHandle> handle)
    : handle_(std::move(handle)) {}

bool StreamReader::readyQuery() {
    Buffer102 b = controlRequest(0x42, 0xC2, 0, 0);
    return handle_->ioctl(kControlIoctl, b, b).error == 0;
}

ReadResult StreamReader::read(std::span<uint8_t> out, int timeoutMs) {
    ReadResult r;
    r.record = directRecord(0x81);
    driver::Overlapped request;
    handle_->submit(kDirectIoctl, r.record, out, request);
    if (!request.wait(timeoutMs)) {
        uint8_t endpoint = 0x81;
        handle_->ioctl(kAbortPipeIoctl, std::span(&endpoint, 1), {});
        request.wait(-1);
    }
    r.result = request.result();
    return r;
}

std::optional<Frame> StreamReader::readFrame(int timeoutMs) {
    Frame f;
    if (!readyQuery()) return std::nullopt;
    ReadResult h = read(f.header, timeoutMs);
    if (h.result.error != 0 || h.result.bytes != 64) return std::nullopt;
    f.body.resize(f.bodyLength());
    for (size_t at = 0; at < f.body.size(); at += kChunk) {
        const size_t n = std::min(kChunk, f.body.size() - at);
        ReadResult b = read(std::span(f.body).subspan(at, n), timeoutMs);
        if (b.result.error != 0) return std::nullopt;
        f.chunks.push_back(b.result.bytes);
    }
    return f;
}

bool program(SeamClient& c, const Readout& r) {
    const int k = r.mode == 1 ? 2 : 1;
    const bool crop = r.mode == 0 && r.height != 1024;
    const int x = (r.x + 7) & ~7;
    const int y = ((r.y + 7) & ~7) + (crop ? 4 : 0);
    const int w = (r.width / k) & ~3;
    const int h = (r.height / k) & ~7;
    bool ok = c.sensorWrite(0x23C, r.mode == 1 ? 0x11 : 0) && c.sensorWrite(0x304, crop ? 2 : 0);
    const int fields[4] = {x, y, w, h};
    for (int i = 0; i < 4; ++i) {
        ok = ok && c.sensorWrite(uint16_t(0x320 + 2 * i), uint8_t(fields[i])) &&
             c.sensorWrite(uint16_t(0x321 + 2 * i), uint8_t(fields[i] >> 8));
    }
    ok = ok && c.sensorWrite(0x404, uint8_t((r.mirror ? 1 : 0) | (r.flip ? 2 : 0)));
    // The device core's geometry: offsets from the readout mode, the flip and the height.
    const int t = r.mode == 1 ? 23 : (h == 1024 ? 25 : 21);
    const int col = r.mode == 1 ? (r.flip ? 52 : 4) : (r.flip ? 104 : 8);
    const int regs[8][2] = {{68, w & 0xFF}, {69, w >> 8}, {64, h & 0xFF},   {65, h >> 8},
                            {72, t},        {73, 0},      {76, col & 0xFF}, {77, col >> 8}};
    for (const auto& rv : regs) ok = ok && c.fpgaWrite(uint8_t(rv[0]), uint8_t(rv[1]));
    return ok && c.fpgaWrite(60, r.sixteenBit ? 2 : 1);
}

bool setExposureLines(SeamClient& c, uint32_t lines) {
    const uint32_t frame = 1078;
    const uint32_t shutter = frame - lines;
    return c.sensorWrite(0x2D6, 0) && c.sensorWrite(0x2D5, uint8_t(frame >> 8)) &&
           c.sensorWrite(0x2D4, uint8_t(frame)) && c.sensorWrite(0x440, uint8_t(shutter)) &&
           c.sensorWrite(0x441, uint8_t(shutter >> 8)) && c.sensorWrite(0x442, 0);
}

}  // namespace kelvra::test
