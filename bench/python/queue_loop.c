/* The C side of bench_stream.py: an application's frame-queue loop over the public API, touching
 * each frame as the Python loop does (a checksum of its middle row).
 *   bench_queue_loop <bits> <frames>
 * prints "<frames/s> <process CPU ms per frame> <checksum>". The camera is whatever the
 * environment gives (bench_stream.py sets one unpaced simulated camera). */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "KelvraSdk.h"

enum { kQueueBuffers = 8, kWarmUpFrames = 20, kWaitMs = 5000 };

static double Seconds(clockid_t clock) {
    struct timespec t;
    clock_gettime(clock, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

/* The sum of the middle row's samples, as the Python loop computes it. */
static uint64_t RowChecksum(const KELVRA_FRAME* frame) {
    const uint8_t* row =
        (const uint8_t*)frame->data + (size_t)(frame->height / 2) * (size_t)frame->rowStride;
    uint64_t sum = 0;
    if (frame->bitsPerPixel == 16) {
        const uint16_t* samples = (const uint16_t*)row;
        for (int x = 0; x < frame->width; ++x) sum += samples[x];
    } else {
        for (int x = 0; x < frame->width; ++x) sum += row[x];
    }
    return sum;
}

/* Takes `count` frames; 0 when the stream stalls. */
static int TakeFrames(int handle, int count, uint64_t* checksum) {
    KELVRA_FRAME frame = {0};
    frame.size = sizeof frame;
    for (int got = 0; got < count; ++got) {
        if (Kelvra_WaitFrame(handle, &frame, kWaitMs) != 1) return 0;
        *checksum += RowChecksum(&frame);
        Kelvra_ReleaseFrame(handle, &frame);
    }
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bench_queue_loop <8|16> <frames>\n");
        return 2;
    }
    const int bits = atoi(argv[1]), frames = atoi(argv[2]);
    const int handle = Kelvra_Initialize(NULL);
    if (handle == 0 || Kelvra_SetDeviceNumber(handle, 0) != 1) {
        fprintf(stderr, "no camera\n");
        return 1;
    }
    Kelvra_SetPreviewWindow(handle, NULL, 0, 0, 0, 0);
    uint64_t checksum = 0;
    int ok = Kelvra_SetColorMode(handle, bits) == 1 &&
             Kelvra_OpenFrameQueue(handle, kQueueBuffers) == 1 && Kelvra_Preview(handle) == 1 &&
             TakeFrames(handle, kWarmUpFrames, &checksum);
    const double wall = Seconds(CLOCK_MONOTONIC), cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    ok = ok && TakeFrames(handle, frames, &checksum);
    const double wallSpent = Seconds(CLOCK_MONOTONIC) - wall;
    const double cpuSpent = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu;
    const int error = ok ? 0 : Kelvra_GetLastError(handle);
    Kelvra_StopPreview(handle);
    Kelvra_CloseFrameQueue(handle);
    Kelvra_Release(handle);
    if (!ok) {
        fprintf(stderr, "the stream did not start or stalled (error %d)\n", error);
        return 1;
    }
    printf("%.1f %.3f %llu\n", frames / wallSpent, cpuSpent * 1e3 / frames,
           (unsigned long long)checksum);
    return 0;
}
