#include "Acquisition.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "CameraReport.h"
#include "ErrorWords.h"
#include "OutputPaths.h"
#include "RateMeter.h"
#include "StopSignal.h"

namespace kelvra::tool {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long one wait for a message may last: bounds the reaction to Ctrl-C.
constexpr milliseconds kMessagePoll{100};
constexpr milliseconds kStatusPeriod{250};
constexpr milliseconds kTemperaturePeriod{1000};
// The recording's clock starts with its first frame, and finalising takes a moment: the time
// allowed beyond the requested duration before the tool gives up on the library.
constexpr std::chrono::seconds kRecordGrace{15};
// Bytes before the first frame chunk and per chunk beyond the pixels, in the library's AVI.
constexpr unsigned long long kAviHeaderSize = 232;
constexpr unsigned long long kChunkOverhead = 8;

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Waits up to `timeout` for a message. Returns the lost-camera code (13) when the message says
// the camera was lost, else 0; frame messages update `counters`.
int takeMessage(Session& session, milliseconds timeout, StreamCounters* counters) {
    KELVRA_MSG message;
    if (session.window() == nullptr ||
        Kelvra_GetMessage(session.window(), &message, static_cast<int>(timeout.count())) != 1) {
        return 0;
    }
    const bool lost = message.lParam == KELVRA_ERR_CAMERA_LOST;
    if (message.message == KELVRA_WM_FRAME) {
        if (message.wParam != 0) {
            if (counters != nullptr) ++counters->frames;
        } else if (lost) {
            return KELVRA_ERR_CAMERA_LOST;
        } else if (counters != nullptr) {
            ++counters->lost;
        }
    } else if (message.message == KELVRA_WM_ERROR && lost) {
        return KELVRA_ERR_CAMERA_LOST;
    }
    return 0;
}

}  // namespace

StreamResult streamFor(Session& session, double seconds, StatusLine& status, void* buffer,
                       int length) {
    const std::string what = "streaming from camera " + std::to_string(session.camera());
    if (session.window() == nullptr) throw ToolFailure(what, "no message window could be made");
    session.drainMessages();
    session.call(what, [&] {
        return Kelvra_CallBackPreview(session.handle(), session.window(), buffer, length, 1);
    });
    StreamResult result;
    StreamCounters& counters = result.counters;
    const Clock::time_point start = Clock::now();
    const auto deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    RateMeter rate(start);
    Clock::time_point nextStatus = start;
    Clock::time_point nextTemperature = start;
    int lostCode = 0;
    Clock::time_point now = start;
    while (now < deadline && lostCode == 0) {
        if (stopRequested()) {
            result.interrupted = true;
            break;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - now);
        lostCode = takeMessage(session, std::clamp(left, milliseconds(1), kMessagePoll), &counters);
        now = Clock::now();
        rate.update(now, counters);
        if (now >= nextTemperature) {
            counters.temperature = readTemperature(session);
            nextTemperature = now + kTemperaturePeriod;
        }
        if (status.live() && now >= nextStatus) {
            status.show(formatStatus(counters));
            nextStatus = now + kStatusPeriod;
        }
    }
    result.seconds = secondsBetween(start, now);
    // StopPreview waits for the library's acquisition thread; no frame message follows it.
    Kelvra_StopPreview(session.handle());
    session.drainMessages();
    status.clear();
    if (lostCode != 0) throw ToolFailure(what, lostCode);
    return result;
}

namespace {

// Bytes of one recorded frame: 24-bit rows padded to 4 bytes, plus its chunk header.
unsigned long long recordedFrameBytes(Session& session) {
    const FrameSize size = outputFrameSize(session);
    const unsigned long long stride = (3ULL * static_cast<unsigned>(size.width) + 3) & ~3ULL;
    return stride * static_cast<unsigned>(size.height) + kChunkOverhead;
}

std::string recordProgress(double elapsed, double seconds, unsigned long long bytes,
                           unsigned long long frameBytes) {
    const unsigned long long frames =
        bytes > kAviHeaderSize ? (bytes - kAviHeaderSize) / frameBytes : 0;
    char text[160];
    std::snprintf(text, sizeof text, "recording %.1f / %.1f s | %llu frames | %s", elapsed, seconds,
                  frames, formatBytes(bytes).c_str());
    return text;
}

}  // namespace

RecordResult recordFor(Session& session, const std::string& path, double seconds,
                       StatusLine& status) {
    const std::string what = "recording into " + path;
    requireOutputDirectory(path);
    session.drainMessages();
    const int durationMs = static_cast<int>(seconds * 1000.0 + 0.5);
    session.call(what,
                 [&] { return Kelvra_Record(session.handle(), path.c_str(), durationMs, 0); });
    const unsigned long long frameBytes = recordedFrameBytes(session);
    RecordResult result;
    const Clock::time_point start = Clock::now();
    const auto giveUp =
        start +
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)) +
        kRecordGrace;
    int lostCode = 0;
    Clock::time_point now = start;
    for (;;) {
        if (stopRequested()) {
            result.interrupted = true;
            break;
        }
        const auto header = readAviHeader(path);
        if (header && header->finalised()) break;
        if (now > giveUp) {
            Kelvra_StopPreview(session.handle());
            status.clear();
            throw ToolFailure(what, "the library did not finish the recording");
        }
        if (status.live()) {
            status.show(recordProgress(secondsBetween(start, now), seconds, fileSizeOrZero(path),
                                       frameBytes));
        }
        lostCode = takeMessage(session, kMessagePoll, nullptr);
        if (lostCode != 0) break;
        now = Clock::now();
    }
    result.seconds = secondsBetween(start, Clock::now());
    // Waits for the recording thread: once it returns, the file is complete (finalised by the
    // thread at the end of the duration, or by the library's stop when interrupted).
    Kelvra_StopPreview(session.handle());
    session.drainMessages();
    status.clear();
    if (lostCode != 0) throw ToolFailure(what, lostCode);
    const auto header = readAviHeader(path);
    if (!header || !header->finalised()) {
        throw ToolFailure(what, "the library left the file unfinalised");
    }
    result.header = *header;
    result.bytes = fileSizeOrZero(path);
    return result;
}

}  // namespace kelvra::tool
