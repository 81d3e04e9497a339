// The acquisition thread: the preview loop and the trigger loop.
#include <algorithm>

#include "front/CKelvra.h"
#include "front/ColorModes.h"
#include "imaging/CopyKernels.h"
#include "imaging/KernelRunner.h"
#include "platform/Clock.h"
#include "platform/MessageWindow.h"

namespace kelvra {
namespace {

// Results of the device core's WaitFrame.
constexpr int32_t kWaitCameraLost = 1;
constexpr int32_t kWaitFrameReady = 3;
constexpr int32_t kPreviewFrameWaitMs = 3000;
// A trigger may take a minute to come.
constexpr int32_t kTriggerFrameWaitMs = 60000;
// Frame waits are cut into slices this long so that a stop is seen.
constexpr int32_t kWaitSliceMs = 50;
constexpr uint32_t kPausedPollMs = 10;
// The trigger loop lets the first exposure settle: exposure (0.1 ms units) / 10 + 100 ms.
constexpr uint32_t kTriggerSettleMs = 100;
// Rate measurement window and the rate's unit (tenths of a frame per second).
constexpr uint32_t kRateWindowMs = 1000;
constexpr double kRateScale = 10000.0;

}  // namespace

void CKelvra::AcquisitionMain() {
    if (state_.load() == kTriggering) {
        TriggerLoop();
    } else {
        PreviewLoop();
    }
    acquisitionExit_->Set();
}

void CKelvra::PreviewLoop() {
    while (runFlag_.load() != kStop) {
        platform::SleepMs(static_cast<uint32_t>(WithSettings([&] { return format_.waitTime; })));
        if (runFlag_.load() != kRun) continue;
        const int32_t result = WaitFrameUnlessStopped(kPreviewFrameWaitMs);
        if (result == kWaitCameraLost) {
            runFlag_ = kStop;
            EndFrameStream(KELVRA_FRAME_CAMERA_LOST);
            PostFrameFailure(kErrorCameraLost);
            RecordError(kErrorCameraLost);
            break;
        }
        if (result != kWaitFrameReady) continue;
        HandlePreviewFrame();
    }
}

// One frame of the preview loop, under the frame lock until the message is posted.
void CKelvra::HandlePreviewFrame() {
    std::unique_lock<std::recursive_mutex> frame(frameLock_);
    if (!ReadFrame()) {
        PostFrameFailure(kErrorTransfer);
        RecordError(kErrorTransfer);
        return;
    }
    KELVRA_FRAME_REPORT* report = FillReport(MeasureRate());
    ProcessCurrentFrame();
    HandOnProcessedFrame();
    newFrameForRecorder_ = 1;
    imageValid_ = 1;
    PaintPreview();
    if (!CopyToCaller()) return;
    frame.unlock();
    const HWND callback = callbackWindow_.load();
    if (runFlag_.load() == kRun && callback != nullptr) {
        platform::PostMessage(callback, KELVRA_WM_FRAME, reinterpret_cast<uintptr_t>(report), 0);
    }
}

// The frame counter was latched when trigger mode was entered, before Kelvra_Trigger returned;
// latching it again after the settling pause would silently drop a trigger that came during
// the pause.
void CKelvra::TriggerLoop() {
    SleepUnlessStopped(static_cast<uint32_t>(device_->GetExposureTime()) / 10 + kTriggerSettleMs);
    while (runFlag_.load() != kStop) {
        if (runFlag_.load() != kRun) {
            platform::SleepMs(kPausedPollMs);
            continue;
        }
        if (!device_->StartTransfer(kStreamTriggered)) break;
        const int32_t result = WaitFrameUnlessStopped(kTriggerFrameWaitMs);
        if (runFlag_.load() == kStop) break;
        if (result == kWaitCameraLost) EndFrameStream(KELVRA_FRAME_CAMERA_LOST);
        if (result != kWaitFrameReady) continue;
        HandleTriggeredFrame();
    }
}

// Sleeps in short slices so that a stop is not kept waiting by a long exposure.
void CKelvra::SleepUnlessStopped(uint32_t ms) {
    for (uint32_t slept = 0; slept < ms && runFlag_.load() != kStop; slept += kPausedPollMs) {
        platform::SleepMs(std::min(kPausedPollMs, ms - slept));
    }
}

// WaitFrame for up to `totalMs`, in slices so that a stop ends the wait at once: the owner
// joins this thread before it stops the transfer, so the device core's stream is never
// started and stopped from two threads at a time.
int32_t CKelvra::WaitFrameUnlessStopped(int32_t totalMs) {
    int32_t waited = 0;
    int32_t result = 0;
    do {
        result = device_->WaitFrame(kWaitSliceMs);
        waited += kWaitSliceMs;
    } while (result != kWaitFrameReady && result != kWaitCameraLost && runFlag_.load() != kStop &&
             waited < totalMs);
    return result;
}

void CKelvra::HandleTriggeredFrame() {
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    ReadFrame();
    KELVRA_FRAME_REPORT* report = FillReport(0);
    ProcessCurrentFrame();
    HandOnProcessedFrame();
    imageValid_ = 1;
    if (!CopyToCaller()) return;
    const HWND callback = callbackWindow_.load();
    if (callback != nullptr) {
        platform::PostMessage(callback, KELVRA_WM_FRAME, reinterpret_cast<uintptr_t>(report), 0);
    }
    PaintPreview();
}

// The newest frame into the raw image of the prepared mode, rows padded to the stride.
// False when the device had no whole frame to give.
bool CKelvra::ReadFrame() {
    CDibImage& raw = *RawImage(preparedMode_.load());
    const bool copied =
        device_->GetImageStamped(raw.Bits(), static_cast<uint32_t>(raw.ImageBytes()), 1,
                                 &lastFrameSlot_) != 0;
    const int64_t rowBytes = static_cast<int64_t>(raw.Width()) * raw.BytesPerPixel();
    if (rowBytes != raw.Stride()) {
        RunKernel(raw, raw.BitCount() == 16 ? SpreadRows16 : SpreadRows8, raw, nullptr, 0, 0,
                  nullptr);
    }
    return copied;
}

KELVRA_FRAME_REPORT* CKelvra::FillReport(int32_t rate) {
    const int32_t mode = preparedMode_.load();
    const CDibImage& raw = *RawImage(mode);
    KELVRA_FRAME_REPORT* report = reports_.Next();
    report->width = raw.Width();
    report->height = raw.Height();
    report->bitsPerPixel = kModeBits[mode];
    report->rate = rate;
    report->buffer = callerBuffer_.load();
    return report;
}

// Frames per second in tenths, measured over windows of just over a second.
int32_t CKelvra::MeasureRate() {
    ++frameCount_;
    const uint32_t now = platform::GetTickCount32();
    if (platform::TicksBetween(lastMeasure_, now) > kRateWindowMs) {
        const uint32_t elapsed = platform::TicksBetween(lastMeasure_, platform::GetTickCount32());
        measuredRate_ = static_cast<int32_t>(frameCount_ * kRateScale / elapsed);
        frameCount_ = 0;
        lastMeasure_ = now;
    }
    return measuredRate_.load();
}

// Copies the output image into the caller's buffer, if one was given. False when it failed.
bool CKelvra::CopyToCaller() {
    void* buffer = callerBuffer_.load();
    const int32_t length = callerLength_.load();
    if (buffer == nullptr || length == 0) return true;
    return CopyOut(*OutputImage(preparedMode_.load()), buffer, length, callerTopDown_.load());
}

void CKelvra::PostFrameFailure(int32_t code) {
    const HWND callback = callbackWindow_.load();
    if (callback != nullptr) platform::PostMessage(callback, KELVRA_WM_FRAME, 0, code);
}

}  // namespace kelvra
