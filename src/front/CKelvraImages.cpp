// Single frames and copies: snapshot, the last image, the caller-buffer copy.
#include <cstring>

#include "front/CKelvra.h"
#include "platform/MessageWindow.h"

namespace kelvra {

int CKelvra::SnapShot(void* buffer, int length, int topDown) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    const int32_t state = state_.load();
    if (state == kPreviewing || state == kTriggering) return RecordError(kErrorNoCamera), 0;
    if (state == kIdle && !Prepare()) return 0;
    const bool keepStreaming = state == kCapturing;
    // Capturing keeps the camera from one snapshot to the next; once it is gone every snapshot
    // says so at once instead of waiting out the frame timeout.
    if (keepStreaming && !device_->IsDevicePresent(device_->GetOpenInstance())) {
        EndFrameStream(KELVRA_FRAME_CAMERA_LOST);
        RecordError(kErrorCameraLost);
        PostFrameFailure(kErrorCameraLost);
        return 0;
    }

    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    const int32_t waited = device_->StartTransfer(kStreamSingle)
                               ? device_->WaitFrame(frameTimeout_.load())
                               : kWaitNothing;
    const bool arrived = waited == kWaitFrameReady;
    if (!arrived || !ReadFrame()) {
        const int32_t code = waited == kWaitCameraLost ? kErrorCameraLost : kErrorTransfer;
        if (code == kErrorCameraLost) EndFrameStream(KELVRA_FRAME_CAMERA_LOST);
        if (!keepStreaming) EndSingleFrame();
        RecordError(code);
        if (arrived || code == kErrorCameraLost) PostFrameFailure(code);
        return 0;
    }
    ProcessCurrentFrame();
    MarkProcessed();
    HandOnProcessedFrame();
    const bool copied = buffer == nullptr || length == 0 ||
                        CopyOut(*OutputImage(preparedMode_.load()), buffer, length, topDown);
    if (!keepStreaming) EndSingleFrame();
    if (!copied) return RecordError(kErrorMemory), 0;
    imageValid_ = 1;
    return 1;
}

// A snapshot taken from idle is an acquisition of its own: it ends with the frame.
void CKelvra::EndSingleFrame() {
    device_->StopTransfer(0);
    EndFrameStream(KELVRA_FRAME_STOPPED);
}

// The newest processed frame, in the mode it was processed in: the colour mode setting
// belongs to the next acquisition. Code 1 when no processed frame is held.
int CKelvra::GetImage(void* buffer, int length, int topDown) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    const int32_t held = heldMode_.load();
    CDibImage* image = held < 0 ? nullptr : OutputImage(held);
    if (image == nullptr || image->Bits() == nullptr) return RecordError(kErrorNoCamera), 0;
    if (buffer == nullptr) return RecordError(kErrorMemory), 0;
    if (!CopyOut(*image, buffer, length, topDown)) return RecordError(kErrorMemory), 0;
    return 1;
}

// Whole padded rows into the caller's buffer: in memory order (top row first) with topDown,
// else last row first. A buffer shorter than the image is reported and left untouched.
bool CKelvra::CopyOut(const CDibImage& image, void* buffer, int length, int topDown) {
    const size_t stride = static_cast<size_t>(image.Stride());
    const size_t rows = static_cast<size_t>(image.Height());
    if (length < 0 || static_cast<size_t>(length) < stride * rows || image.Bits() == nullptr) {
        RecordError(kErrorMemory);
        PostFrameFailure(kErrorMemory);
        return false;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    if (topDown) {
        std::memcpy(out, image.Bits(), stride * rows);
        return true;
    }
    for (size_t row = 0; row < rows; ++row) {
        std::memcpy(out + row * stride, image.Bits() + (rows - 1 - row) * stride, stride);
    }
    return true;
}

}  // namespace kelvra
