// kelvra bench: end-to-end throughput of the library on a simulated camera.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Acquisition.h"
#include "CameraReport.h"
#include "Commands.h"

namespace kelvra::tool {
namespace {

constexpr double kDefaultSeconds = 2.0;
constexpr int kBenchBitDepths[] = {8, 16};

// Puts the wait time and colour mode back, so the benchmark leaves no saved settings behind.
class BenchSettings {
  public:
    explicit BenchSettings(Session& session)
        : handle_(session.handle()),
          waitTime_(Kelvra_GetWaitTime(handle_)),
          colorMode_(Kelvra_GetColorMode(handle_)) {}
    ~BenchSettings() {
        if (waitTime_ >= 0) Kelvra_SetWaitTime(handle_, waitTime_);
        if (colorMode_ > 0) Kelvra_SetColorMode(handle_, colorMode_);
    }
    BenchSettings(const BenchSettings&) = delete;
    BenchSettings& operator=(const BenchSettings&) = delete;

  private:
    int handle_;
    int waitTime_;
    int colorMode_;
};

}  // namespace

int runBench(const CommandLine& line) {
    const double seconds = line.has("seconds")
                               ? parseSeconds(line.command, "--seconds", line.options.at("seconds"))
                               : kDefaultSeconds;
    requestSimulatedCamera();
    // The whole stack's throughput, not the simulated sensor's frame time.
    setenv("KELVRA_SIMULATED_UNPACED", "1", 0);
    Session session(line.global, Session::Open::Camera);
    BenchSettings restore(session);
    // No pause between frames: the acquisition loop runs as fast as frames come.
    session.call("setting the wait time", [&] { return Kelvra_SetWaitTime(session.handle(), 0); });
    StatusLine status(stdout);
    for (int bits : kBenchBitDepths) {
        session.call("setting the colour mode to " + std::to_string(bits) + " bits",
                     [&] { return Kelvra_SetColorMode(session.handle(), bits); });
        const FrameSize size = outputFrameSize(session);
        const size_t stride = (static_cast<size_t>(size.width) * (bits / 8) + 3) & ~size_t{3};
        // Every frame is copied into this buffer by the library's thread; the tool never reads
        // it, it only makes the copy part of the measured path.
        std::vector<unsigned char> buffer(stride * static_cast<size_t>(size.height));
        const StreamResult result =
            streamFor(session, seconds, status, buffer.data(), static_cast<int>(buffer.size()));
        const double framesPerSecond =
            result.seconds > 0 ? static_cast<double>(result.counters.frames) / result.seconds : 0;
        const double megabytesPerSecond =
            framesPerSecond * static_cast<double>(size.width) * size.height * (bits / 8) / 1e6;
        std::printf("%2d-bit %dx%d: %llu frames in %.2f s: %.1f frames/s, %.1f MB/s, %llu lost\n",
                    bits, size.width, size.height,
                    static_cast<unsigned long long>(result.counters.frames), result.seconds,
                    framesPerSecond, megabytesPerSecond,
                    static_cast<unsigned long long>(result.counters.lost));
        if (result.interrupted) break;
    }
    return 0;
}

}  // namespace kelvra::tool
