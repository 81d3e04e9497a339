// The acquisition thread: the preview loop and the trigger loop.
#include "front/CKelvra.h"
#include "front/ColorModes.h"
#include "imaging/CopyKernels.h"
#include "imaging/KernelRunner.h"
#include "platform/Clock.h"
#include "platform/MessageWindow.h"
#include "platform/preview/PreviewWindow.h"

namespace kelvra {
namespace {

constexpr int32_t kPreviewFrameWaitMs = 3000;
// A trigger may take a minute to come; the camera's presence is checked every second of it.
constexpr int32_t kTriggerFrameWaitMs = 60000;
constexpr int32_t kPresenceCheckMs = 1000;
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
    try {
        if (state_.load() == kTriggering) {
            TriggerLoop();
        } else {
            PreviewLoop();
        }
        FinishPreviewPainting();
    } catch (...) {
        AcquisitionFailed();
    }
}

// A failure nothing in the loop expected (an exception) ends it as a lost camera does, told
// rather than silent: KELVRA_WM_FRAME with 8 and code 8. Quiet when a stop was asked anyway.
void CKelvra::AcquisitionFailed() {
    if (runFlag_.exchange(kStop) == kStop) return;
    try {
        EndLoopWithFailure(kErrorTransfer);
    } catch (...) {
        // Nothing can be told: the thread still ends and the owner's join returns.
    }
}

// Ends the loop on a failure it cannot get over, and says which: recorded before the message
// goes out, so that an application reading the code on the message finds it.
void CKelvra::EndLoopWithFailure(int32_t code) {
    runFlag_ = kStop;
    RecordError(code);
    PostFrameFailure(code);
}

void CKelvra::PreviewLoop() {
    while (runFlag_.load() != kStop) {
        const auto waitTime = static_cast<uint32_t>(WithSettings([&] { return format_.waitTime; }));
        if (PauseUnlessStopped(waitTime)) break;
        if (runFlag_.load() != kRun) continue;
        const int32_t result = WaitFrameUnlessStopped(kPreviewFrameWaitMs);
        if (result == kWaitCameraLost) {
            EndFrameStream(KELVRA_FRAME_CAMERA_LOST);
            EndLoopWithFailure(kErrorCameraLost);
            break;
        }
        if (result != kWaitFrameReady) continue;
        HandlePreviewFrame();
    }
}

// One frame of the preview loop, under the frame lock until the message is posted.
void CKelvra::HandlePreviewFrame() {
    std::unique_lock<std::recursive_mutex> frame(frameLock_);
    // The frame about to be replaced goes to the recording even if its thread is late; a
    // recording that cannot go on is ended by that thread, which finds the same failure.
    if (recording_.load()) (void)TakeRecordedFrame();
    if (!ReadFrame()) {
        RecordError(kErrorTransfer);
        PostFrameFailure(kErrorTransfer);
        return;
    }
    KELVRA_FRAME_REPORT* report = FillReport(MeasureRate());
    ProcessCurrentFrame();
    MarkProcessed();
    HandOnProcessedFrame();
    newFrameForRecorder_ = 1;
    if (recording_.load()) recorderWake_.Set();
    imageValid_ = 1;
    // Packed under the lock, sent after it: the server's pace never holds up the frame lock.
    const auto painter = StagePreviewPaint(false);
    const bool copied = CopyToCaller();
    const HWND callback = caller_.window;
    frame.unlock();
    if (painter) painter->PresentPaint();
    if (copied && runFlag_.load() == kRun && callback != nullptr) {
        platform::PostMessage(callback, KELVRA_WM_FRAME, reinterpret_cast<uintptr_t>(report), 0);
    }
}

// The frame counter was latched when trigger mode was entered, before Kelvra_Trigger returned;
// latching it again after the settling pause would silently drop a trigger that came during
// the pause. A lost camera ends the loop as it ends the preview loop; a stream that cannot be
// restarted for a camera still there ends it with code 8.
void CKelvra::TriggerLoop() {
    if (PauseUnlessStopped(static_cast<uint32_t>(device_->GetExposureTime()) / 10 +
                           kTriggerSettleMs)) {
        return;
    }
    while (runFlag_.load() != kStop) {
        if (runFlag_.load() != kRun) {
            if (PauseUnlessStopped(kPausedPollMs)) break;
            continue;
        }
        if (!device_->StartTransfer(kStreamTriggered)) {
            const bool present = device_->IsDevicePresent(device_->GetOpenInstance()) != 0;
            EndLoopWithFailure(present ? kErrorTransfer : kErrorCameraLost);
            break;
        }
        const int32_t result = WaitForTrigger();
        if (runFlag_.load() == kStop) break;
        if (result == kWaitCameraLost) {
            EndFrameStream(KELVRA_FRAME_CAMERA_LOST);
            EndLoopWithFailure(kErrorCameraLost);
            break;
        }
        if (result != kWaitFrameReady) continue;
        HandleTriggeredFrame();
    }
}

// WaitFrame for a triggered frame. The device core waits for the trigger counter without
// telling a camera that left the bus from one never triggered; the camera is looked for after
// every second without a frame, and its absence answers as a lost camera.
int32_t CKelvra::WaitForTrigger() {
    for (int32_t waited = 0; waited < kTriggerFrameWaitMs; waited += kPresenceCheckMs) {
        const int32_t result = WaitFrameUnlessStopped(kPresenceCheckMs);
        if (result == kWaitFrameReady || result == kWaitCameraLost || runFlag_.load() == kStop) {
            return result;
        }
        if (!device_->IsDevicePresent(device_->GetOpenInstance())) return kWaitCameraLost;
    }
    return kWaitNothing;
}

// Pauses the thread for `ms` milliseconds, or until a stop is asked for (true then). Beyond
// INT32_MAX ms (a stored wait time of weeks) it waits for the stop alone.
bool CKelvra::PauseUnlessStopped(uint32_t ms) {
    constexpr uint32_t kLongest = static_cast<uint32_t>(INT32_MAX);
    return acquisitionStop_.Wait(ms > kLongest ? -1 : static_cast<int>(ms));
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

// The frame message goes out before the window is painted, as it always has in trigger mode.
void CKelvra::HandleTriggeredFrame() {
    std::unique_lock<std::recursive_mutex> frame(frameLock_);
    ReadFrame();
    KELVRA_FRAME_REPORT* report = FillReport(0);
    ProcessCurrentFrame();
    MarkProcessed();
    HandOnProcessedFrame();
    imageValid_ = 1;
    const bool copied = CopyToCaller();
    const HWND callback = caller_.window;
    if (copied && callback != nullptr) {
        platform::PostMessage(callback, KELVRA_WM_FRAME, reinterpret_cast<uintptr_t>(report), 0);
    }
    // Trigger frames are rare: this one waits for a free image rather than going unseen.
    const auto painter = StagePreviewPaint(true);
    frame.unlock();
    if (painter) painter->PresentPaint();
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

// The frame just processed is the one GetImage and SaveImage give from now on. Frame lock.
void CKelvra::MarkProcessed() {
    heldMode_ = preparedMode_.load();
}

KELVRA_FRAME_REPORT* CKelvra::FillReport(int32_t rate) {
    const int32_t mode = preparedMode_.load();
    const CDibImage& raw = *RawImage(mode);
    KELVRA_FRAME_REPORT* report = reports_.Next();
    report->width = raw.Width();
    report->height = raw.Height();
    report->bitsPerPixel = kModeBits[mode];
    report->rate = rate;
    report->buffer = caller_.buffer;
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
// Frame lock held.
bool CKelvra::CopyToCaller() {
    const CallerTarget target = caller_;
    if (target.buffer == nullptr || target.length == 0) return true;
    return CopyOut(*OutputImage(preparedMode_.load()), target.buffer, target.length,
                   target.topDown);
}

void CKelvra::PostFrameFailure(int32_t code) {
    const HWND callback = CallbackWindow();
    if (callback != nullptr) platform::PostMessage(callback, KELVRA_WM_FRAME, 0, code);
}

}  // namespace kelvra
