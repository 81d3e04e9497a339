// Acquisition state machine: preview, capture, trigger, and stopping them.
#include "front/CKelvra.h"

namespace kelvra {

void CKelvra::ClearCallback() {
    callbackWindow_ = nullptr;
    callerBuffer_ = nullptr;
    callerLength_ = 0;
    callerTopDown_ = 0;
}

int CKelvra::Preview() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    ClearCallback();
    return StartWithWindow();
}

int CKelvra::CallBackPreview(HWND callbackWindow, void* buffer, int length, int topDown) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    callbackWindow_ = callbackWindow;
    callerBuffer_ = buffer;
    callerLength_ = length;
    callerTopDown_ = topDown;
    return StartWithWindow();
}

// The common tail of Preview and CallBackPreview: the preview window, then the thread.
int CKelvra::StartWithWindow() {
    if (!CreatePreviewWindowIfPlaced()) return RecordError(kErrorWindow), 0;
    if (!StartPreview()) {
        Close();
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
    runFlag_ = kStop;
    // The thread ends first (its frame waits are short slices): the trigger loop starts the
    // transfer itself, and the device core's stream must not be started and stopped at once.
    JoinAcquisitionThread();
    if (state_.exchange(kIdle) != kIdle) device_->StopTransfer(0);
    EndFrameStream(KELVRA_FRAME_STOPPED);
    StopRecording();
    return 1;
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
    callbackWindow_ = callbackWindow;
    callerBuffer_ = buffer;
    callerLength_ = length;
    callerTopDown_ = topDown;
    if (!CreatePreviewWindowIfPlaced()) return RecordError(kErrorWindow), 0;
    if (!Prepare()) return Close(), 0;
    state_ = kTriggering;
    frameTimeout_ = kTriggerFrameTimeoutMs;
    device_->SetFrameTimeout(kTriggerFrameTimeoutMs);
    device_->SetTriggerMode(1, 0);
    runFlag_ = kRun;
    if (!StartAcquisitionThread()) {
        Close();
        return RecordError(kErrorThread), 0;
    }
    return 1;
}

// Stops the threads before the window they paint goes away.
int CKelvra::Close() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (device_) StopPreview();
    DestroyPreviewWindow();
    imageValid_ = 0;
    if (device_) device_->StopTransfer(0);
    return 1;
}

bool CKelvra::StartAcquisitionThread() {
    acquisitionExit_ = std::make_unique<platform::Event>(true);
    acquisitionThread_ = std::make_unique<platform::Thread>();
    return acquisitionThread_->Start([this] { AcquisitionMain(); });
}

// Waits for the thread's last act and reaps it; the exit event outlives the thread that sets it.
void CKelvra::JoinAcquisitionThread() {
    if (acquisitionThread_) {
        if (acquisitionExit_ && acquisitionThread_->Running()) acquisitionExit_->Wait(-1);
        acquisitionThread_->Join();
        acquisitionThread_.reset();
    }
    acquisitionExit_.reset();
}

}  // namespace kelvra
