// Frame rate and CPU per frame of a stream path, measured the same way for every path a
// benchmark compares, so its figures stand side by side.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdint>

namespace kelvra::bench {

// CPU time of the whole process: the camera simulation and every library thread included.
inline double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Runs path.Frames(framesPerRound) once per benchmark round and reports frames/s and
// cpu_ms/frame. False (with the benchmark marked as failed) when the stream stalled.
template <typename Path>
bool MeasureStreamRate(benchmark::State& state, Path& path, int framesPerRound) {
    double cpu = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        const double before = ProcessCpuSeconds();
        if (!path.Frames(framesPerRound)) {
            state.SkipWithError("the stream stalled");
            return false;
        }
        cpu += ProcessCpuSeconds() - before;
        frames += framesPerRound;
    }
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["cpu_ms/frame"] = cpu * 1e3 / double(frames);
    return true;
}

}  // namespace kelvra::bench
