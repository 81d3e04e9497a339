// Acquisition state machine: preview, capture, trigger, and stopping them.
#include "front/CKelvra.h"

namespace kelvra {

// Waits for a frame under way to be copied into the old buffer before replacing it.
void CKelvra::SetCaller(const CallerTarget& target) {
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    caller_ = target;
}

HWND CKelvra::CallbackWindow() const {
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    return caller_.window;
}

// Preview, CallBackPreview and Record cannot start while capturing or triggering. They are
// refused before anything changes, so the running acquisition keeps its callback, buffer,
// window and thread; the codes are those of a start refused by StartPreview (1, then the
// call's own code).
bool CKelvra::RefusedWhileCapturingOrTriggering(int32_t failureCode) {
    const int32_t state = state_.load();
    if (state != kCapturing && state != kTriggering) return false;
    RecordError(kErrorNoCamera);
    RecordError(failureCode);
    return true;
}

int CKelvra::Preview() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (RefusedWhileCapturingOrTriggering(kErrorTransfer)) return 0;
    SetCaller(CallerTarget{});
    return StartWithWindow();
}

int CKelvra::CallBackPreview(HWND callbackWindow, void* buffer, int length, int topDown) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (RefusedWhileCapturingOrTriggering(kErrorTransfer)) return 0;
    SetCaller(CallerTarget{callbackWindow, buffer, length, topDown});
    return StartWithWindow();
}

// The common tail of Preview and CallBackPreview: the preview window, then the thread.
int CKelvra::StartWithWindow() {
    if (!CreatePreviewWindowIfPlaced()) return RecordError(kErrorWindow), 0;
    if (!StartPreview()) {
        CloseAcquisition();
        return RecordError(kErrorTransfer), 0;
    }
    return 1;
}

int CKelvra::StartPreview() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    const int32_t state = state_.load();
    if (state == kPreviewing) return 1;
    if (state != kIdle) return RecordError(kErrorNoCamera), 0;
    if (!Prepare()) return 0;
    if (!device_->StartTransfer(kStreamContinuous)) {
        StopPreview();
        return RecordError(kErrorDevice), 0;
    }
    state_ = kPreviewing;
    runFlag_ = kRun;
    if (!StartAcquisitionThread()) {
        StopPreview();
        return RecordError(kErrorThread), 0;
    }
    return 1;
}

// Ends the acquisition thread and the recording; the camera stays open.
int CKelvra::StopPreview() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    RequestAcquisitionStop();
    // The thread ends first (its frame waits are short slices): the trigger loop starts the
    // transfer itself, and the device core's stream must not be started and stopped at once.
    JoinAcquisitionThread();
    if (state_.exchange(kIdle) != kIdle) {
        device_->StopTransfer(0);
        DiscardUnreadFrames();
    }
    EndFrameStream(KELVRA_FRAME_STOPPED);
    StopRecording();
    return 1;
}

// Frames the stream delivered after the loop's last read belong to the acquisition that
// ended. The device core tells a new frame by its write index differing from the read mark
// (modulo the ring's depth), so leftovers would make a later start miss its first frame (four
// of them look like none). A read without a buffer marks them read and copies nothing.
void CKelvra::DiscardUnreadFrames() {
    device_->GetImage(nullptr, 0, nullptr, 1);
}

int CKelvra::Capture() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    const int32_t state = state_.load();
    if (state == kCapturing) return 1;
    if (state != kIdle) return RecordError(kErrorNoCamera), 0;
    if (!Prepare()) return 0;
    state_ = kCapturing;
    return 1;
}

// A second Trigger while triggering restarts the acquisition with the new callback instead of
// leaving a second thread running beside the first.
int CKelvra::Trigger(HWND callbackWindow, void* buffer, int length, int topDown) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    const int32_t state = state_.load();
    if (state == kPreviewing || state == kCapturing) return RecordError(kErrorNoCamera), 0;
    if (state == kTriggering) StopPreview();
    SetCaller(CallerTarget{callbackWindow, buffer, length, topDown});
    if (!CreatePreviewWindowIfPlaced()) return RecordError(kErrorWindow), 0;
    if (!Prepare()) return CloseAcquisition(), 0;
    state_ = kTriggering;
    frameTimeout_ = kTriggerFrameTimeoutMs;
    device_->SetFrameTimeout(kTriggerFrameTimeoutMs);
    device_->SetTriggerMode(1, 0);
    runFlag_ = kRun;
    if (!StartAcquisitionThread()) {
        CloseAcquisition();
        return RecordError(kErrorThread), 0;
    }
    return 1;
}

// Kelvra_Close: everything stops and the last image is forgotten.
int CKelvra::Close() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    CloseAcquisition();
    imageValid_ = 0;
    return 1;
}

// Undoes a start: stops the threads before the window they paint goes away. The last image
// stays, so that a start that failed does not take the previous picture with it.
void CKelvra::CloseAcquisition() {
    if (device_) StopPreview();
    DestroyPreviewWindow();
    if (device_) device_->StopTransfer(0);
}

bool CKelvra::StartAcquisitionThread() {
    acquisitionStop_.Reset();
    acquisitionThread_ = std::make_unique<platform::Thread>();
    return acquisitionThread_->Start([this] { AcquisitionMain(); });
}

void CKelvra::RequestAcquisitionStop() {
    runFlag_ = kStop;
    acquisitionStop_.Set();
}

// Joining, not an exit event, tells that the thread is gone: it ends however its loop ends.
void CKelvra::JoinAcquisitionThread() {
    if (!acquisitionThread_) return;
    acquisitionThread_->Join();
    acquisitionThread_.reset();
}

}  // namespace kelvra
