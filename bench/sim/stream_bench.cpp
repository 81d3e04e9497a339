// Unpaced stream rate of a simulated camera through the driver seam (stream-ready query, header
// read, body in 512 KiB direct reads), 1280 x 1024 at 8 and 16 bits, next to memcpy of one
// frame and to drawing alone.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <vector>

#include "driver/Driver.h"
#include "sim/FrameRenderer.h"
#include "sim/Simulator.h"

namespace {

using namespace kelvra;

constexpr size_t kChunk = 0x80000;
constexpr int kWidth = 1280;
constexpr int kHeight = 1024;

void putControl(std::array<uint8_t, 102>& b, uint8_t type, uint8_t request, uint16_t value,
                uint16_t index, std::initializer_list<uint8_t> data) {
    b.fill(0);
    b[0] = type;
    b[1] = request;
    b[2] = uint8_t(value);
    b[4] = uint8_t(index);
    b[6] = 102;
    b[8] = 3;
    b[30] = 38;
    b[34] = 64;
    std::copy(data.begin(), data.end(), b.begin() + 38);
}

bool read(driver::DeviceHandle& h, std::span<uint8_t> out) {
    std::array<uint8_t, 38> record{};
    record[13] = 0x81;
    driver::Overlapped request;
    h.submit(0x22004B, record, out, request);
    request.wait(-1);
    return request.result().error == 0;
}

void streamFrames(benchmark::State& state, bool sixteenBit) {
    sim::CameraConfig config;
    config.paced = false;
    auto camera = sim::attachCamera(config);
    auto control = driver::openDevice(camera->devicePath(), false);
    auto stream = driver::openDevice(camera->devicePath(), true);
    std::array<uint8_t, 102> b{};
    putControl(b, 0x40, 0x30, 3, 0x40, {60, 0, uint8_t(sixteenBit ? 2 : 1)});
    control->ioctl(0x220020, b, b);
    const size_t bytes = size_t(kWidth) * kHeight * (sixteenBit ? 2 : 1);
    std::vector<uint8_t> body(bytes);
    std::array<uint8_t, 64> header{};
    for (auto _ : state) {
        putControl(b, 0x42, 0xC2, 0, 0, {});
        stream->ioctl(0x220020, b, b);
        if (!read(*stream, header)) state.SkipWithError("header read failed");
        for (size_t at = 0; at < bytes; at += kChunk) {
            read(*stream, std::span(body).subspan(at, std::min(kChunk, bytes - at)));
        }
        benchmark::DoNotOptimize(body.data());
    }
    state.counters["frames/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["GB/s"] = benchmark::Counter(double(state.iterations()) * double(bytes) / 1e9,
                                                benchmark::Counter::kIsRate);
    stream.reset();
    control.reset();
    sim::detachAllCameras();
}

void BM_SimStream8(benchmark::State& state) {
    streamFrames(state, false);
}
void BM_SimStream16(benchmark::State& state) {
    streamFrames(state, true);
}

void copyFrame(benchmark::State& state, size_t bytes) {
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["GB/s"] = benchmark::Counter(double(state.iterations()) * double(bytes) / 1e9,
                                                benchmark::Counter::kIsRate);
}

void BM_Memcpy8(benchmark::State& state) {
    copyFrame(state, size_t(kWidth) * kHeight);
}
void BM_Memcpy16(benchmark::State& state) {
    copyFrame(state, size_t(kWidth) * kHeight * 2);
}

void drawFrames(benchmark::State& state, bool sixteenBit) {
    sim::FrameRenderer renderer(sim::sensorModelFor(0x3270), 1);
    sim::FrameSettings s;
    s.width = kWidth;
    s.height = kHeight;
    s.lineOffset = 25;
    s.columnOffset = 8;
    s.windowWidth = kWidth;
    s.windowHeight = kHeight;
    s.sixteenBit = sixteenBit;
    s.black = 60;
    s.signalGain = 0.0138f;
    s.darkGain = 60.0f;
    std::vector<uint16_t> body(sim::FrameRenderer::bodyBytes(s) / 2 + 1);
    for (auto _ : state) {
        renderer.render(s, reinterpret_cast<uint8_t*>(body.data()));
        benchmark::DoNotOptimize(body.data());
    }
    state.counters["frames/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Draw8(benchmark::State& state) {
    drawFrames(state, false);
}
void BM_Draw16(benchmark::State& state) {
    drawFrames(state, true);
}

BENCHMARK(BM_SimStream8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimStream16)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy16)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Draw8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Draw16)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
