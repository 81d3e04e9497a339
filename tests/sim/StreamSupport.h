#pragma once
// Reads frames from endpoint 0x81 as the camera's driver sees them: the stream-ready query, one
// 64-byte header read, then the body in 512 KiB reads; and programs readouts the way the
// IMX990 drivers do, through hand-built requests.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "SeamClient.h"

namespace kelvra::test {

constexpr size_t kChunk = 0x80000;

struct Frame {
    std::array<uint8_t, 64> header{};
    std::vector<uint8_t> body;
    std::vector<size_t> chunks;  // bytes returned by each body read
    uint32_t bodyLength() const { return le32(&header[16]); }
    uint32_t number() const { return le32(&header[32]); }
    int width() const { return header[0] | (header[1] << 8); }
    int height() const { return header[2] | (header[3] << 8); }
    bool sixteenBit() const { return header[4] == 16; }
    int sample(int row, int col) const;
    double mean(int row0, int col0, int rows, int cols) const;
};

struct ReadResult {
    driver::IoResult result;
    std::array<uint8_t, 38> record{};
};

class StreamReader {
  public:
    explicit StreamReader(std::unique_ptr<driver::DeviceHandle> handle);

    driver::DeviceHandle& handle() { return *handle_; }
    bool readyQuery();
    // One direct read of out.size() bytes from 0x81; on timeout the pipe is aborted.
    ReadResult read(std::span<uint8_t> out, int timeoutMs);
    std::optional<Frame> readFrame(int timeoutMs = 3000);

  private:
    std::unique_ptr<driver::DeviceHandle> handle_;
};

// A readout as the device core and the IMX990 driver program it (cooled camera: orientation 1).
struct Readout {
    int x = 0, y = 0, width = 1280, height = 1024;
    int mode = 0;         // 0 normal, 1 2x2 binning
    bool flip = false;    // horizontal
    bool mirror = false;  // vertical
    bool sixteenBit = false;
};
bool program(SeamClient& control, const Readout& r);
// Exposure in lines: frame length stays 1078, shutter = 1078 - lines.
bool setExposureLines(SeamClient& control, uint32_t lines);

}  // namespace kelvra::test
