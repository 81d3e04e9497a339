// Unpaced transfer throughput of the device core into its frame ring (transfer thread: header,
// body in 512 KiB reads through the driver seam, staging -> ring slot), 1280 x 1024 at 8 and
// 16 bits, next to memcpy of one frame; and the copy out of the ring with both reversals.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device/CKelvraUSB3Q6SimpleSdk.h"
#include "platform/SharedMemory.h"
#include "sim/Simulator.h"
#include "transport/CFx3Api.h"
#include "transport/SharedDeviceMap.h"

namespace {

using namespace kelvra;

constexpr int32_t kProduct = 0x3270;
constexpr int32_t kUncooled = 0x3260;  // orientation 4: rows and pixels reversed on copy-out
constexpr size_t kPixels = 1280 * 1024;

// A simulated camera and an open device core on a device map of the benchmark's own.
class OpenCamera {
  public:
    OpenCamera(int32_t productId, int32_t bits) {
        m_mapName = "kelvra-device-bench-" + std::to_string(getpid());
        CFx3Api::SetDeviceMapName(m_mapName);
        sim::CameraConfig config;
        config.productId = uint16_t(productId);
        config.paced = false;
        m_camera = sim::attachCamera(config);
        m_core = std::make_unique<CKelvraUSB3Q6SimpleSdk>();
        m_core->SetProductId(productId);
        m_core->CreateController(nullptr, nullptr);
        m_ok = m_core->OpenCamera(0) && m_core->SetTransferBits(bits) && m_core->ConfigureBuffers();
    }
    ~OpenCamera() {
        m_core.reset();
        sim::detachAllCameras();
        platform::SharedMemory::Unlink(m_mapName);
        platform::SharedMemory::Unlink(transport::DeviceMapUsersName(m_mapName));
    }
    bool Ok() const { return m_ok; }
    CKelvraU3Q6Base& Core() { return *m_core; }

  private:
    std::string m_mapName;
    std::shared_ptr<sim::SimCamera> m_camera;
    std::unique_ptr<CKelvraUSB3Q6SimpleSdk> m_core;
    bool m_ok = false;
};

// Each iteration waits for the transfer thread's next frame signal; the frames actually filed
// are counted from the frame numbers, since one signal may stand for several frames.
void TransferIntoRing(benchmark::State& state, int32_t bits) {
    OpenCamera camera(kProduct, bits);
    if (!camera.Ok() || !camera.Core().StartTransfer(0)) {
        state.SkipWithError("camera did not open or stream");
        return;
    }
    CKelvraU3Q6Base& core = camera.Core();
    while (core.WaitFrame(5000) != 3) {
    }
    const int32_t first = core.LastFrameNumber();
    for (auto _ : state) {
        if (core.WaitFrame(5000) == 1) state.SkipWithError("transfer lost");
    }
    const double frames = double(core.LastFrameNumber() - first);
    core.StopTransfer(1);
    state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.counters["GB/s"] =
        benchmark::Counter(frames * double(core.FrameSize()) / 1e9, benchmark::Counter::kIsRate);
}

void BM_TransferIntoRing8(benchmark::State& state) {
    TransferIntoRing(state, 0);
}
void BM_TransferIntoRing16(benchmark::State& state) {
    TransferIntoRing(state, 1);
}

void Memcpy(benchmark::State& state, size_t bytes) {
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
    Memcpy(state, kPixels);
}
void BM_Memcpy16(benchmark::State& state) {
    Memcpy(state, kPixels * 2);
}

// The reader's side with no transfer running: one frame out of the ring, as stored (one block)
// or with rows and pixels reversed (orientation 4).
void CopyOut(benchmark::State& state, int32_t productId, int32_t topDown) {
    OpenCamera camera(productId, 1);
    CKelvraU3Q6Base& core = camera.Core();
    if (!camera.Ok() || !core.StartTransfer(1) || core.WaitFrame(5000) != 3) {
        state.SkipWithError("no frame");
        return;
    }
    core.StopTransfer(1);
    std::vector<uint8_t> out(core.FrameSize());
    for (auto _ : state) {
        core.CopyFrame(out.data(), uint32_t(out.size()), nullptr, nullptr, nullptr, nullptr,
                       nullptr, 0, topDown);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["GB/s"] = benchmark::Counter(
        double(state.iterations()) * double(out.size()) / 1e9, benchmark::Counter::kIsRate);
}

void BM_CopyFrameStored16(benchmark::State& state) {
    CopyOut(state, kProduct, 1);
}
void BM_CopyFrameReversed16(benchmark::State& state) {
    CopyOut(state, kUncooled, 1);
}

}  // namespace

BENCHMARK(BM_TransferIntoRing8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransferIntoRing16)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyFrameStored16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyFrameReversed16)->Unit(benchmark::kMicrosecond);
