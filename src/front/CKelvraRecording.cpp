// AVI recording driven by the live preview.
#include "front/CKelvra.h"
#include "output/CAviFrameConverter.h"
#include "output/CAviWriter.h"
#include "platform/Clock.h"

namespace kelvra {
namespace {

constexpr uint32_t kRecorderPollMs = 10;

}  // namespace

int CKelvra::Record(const char* fileName, int durationMs, int showWindow) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (fileName == nullptr || fileName[0] == '\0') return RecordError(kErrorParameter), 0;
    if (!device_) return RecordError(kErrorNoCamera), 0;
    // One recording at a time: reconfiguring the writer under a running recording would
    // corrupt its file.
    if (RecordingUnderway()) return RecordError(kErrorConversion), 0;
    if (RefusedWhileCapturingOrTriggering(kErrorConversion)) return 0;
    // A recording that ended by its duration may still be leaving; its thread goes first.
    JoinRecordingThread();
    SetCaller(CallerTarget{});
    if (showWindow && !CreatePreviewWindowIfPlaced()) return RecordError(kErrorWindow), 0;
    if (!StartPreview()) {
        CloseAcquisition();
        return RecordError(kErrorConversion), 0;
    }
    if (!OpenRecorder(fileName)) {
        CloseAcquisition();
        return RecordError(kErrorConversion), 0;
    }
    // The flags are set before the thread starts, so that it cannot see a recording that has
    // not begun yet and leave at once.
    recordStart_ = 0;
    recordLast_ = 0;
    recordDuration_ = static_cast<uint32_t>(durationMs < 0 ? 0 : durationMs);
    newFrameForRecorder_ = 0;
    recording_ = 1;
    recordingStop_.Reset();
    recordingThread_ = std::make_unique<platform::Thread>();
    if (!recordingThread_->Start([this] { RecordingMain(); })) {
        recording_ = 0;
        CloseAcquisition();
        return RecordError(kErrorThread), 0;
    }
    return 1;
}

// Asked under the frame lock, which the finalisation holds from the file's rename to the end
// of the recording: once a caller sees the finished file, a new recording may start.
bool CKelvra::RecordingUnderway() {
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    return recording_.load() != 0;
}

// The writer takes the size and depth of the current output image.
bool CKelvra::OpenRecorder(const char* fileName) {
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    const CDibImage* output = OutputImage(preparedMode_.load());
    if (output == nullptr || output->Bits() == nullptr) return false;
    if (!recorder_) recorder_ = std::make_unique<CAviWriter>();
    recorder_->SetFormat(output->Width(), output->Height(),
                         static_cast<int16_t>(output->BitCount()));
    recorder_->SetRate(CAviWriter::kOpenRateHundredths);
    if (!recordConverter_) recordConverter_ = std::make_unique<CAviFrameConverter>();
    if (!recordConverter_->Prepare(output->Width(), output->Height(), output->BitCount())) {
        return false;
    }
    return recorder_->OpenAvi(fileName) != 0;
}

// A failure nothing expected (an exception) ends the recording with code 12 and a finalised
// file, never silently.
void CKelvra::RecordingMain() {
    try {
        RecordingLoop();
    } catch (...) {
        try {
            RecordError(kErrorConversion);
            FinishRecording();
        } catch (...) {
            recording_ = 0;  // the owner's stop finalises what it can
        }
    }
}

// Each round writes the newest processed frame; a frame arriving faster than the poll is not
// recorded.
void CKelvra::RecordingLoop() {
    while (recording_.load()) {
        if (recordingStop_.Wait(static_cast<int>(kRecorderPollMs))) break;
        const uint32_t now = platform::GetTickCount32();
        if (newFrameForRecorder_.exchange(0) != 0) {
            if (recordStart_.load() == 0) recordStart_ = now;
            if (!WriteRecordedFrame()) {
                RecordError(kErrorConversion);
                FinishRecording();
                break;
            }
            recordLast_ = now;
        }
        // Checked on every round, so a recording whose camera went away still ends on time.
        const uint32_t start = recordStart_.load();
        if (start != 0 && platform::TicksBetween(start, now) > recordDuration_.load()) {
            FinishRecording();
        }
    }
}

// Converts the newest frame under the frame lock, then writes it outside the lock, so that a
// slow disk never holds up the preview. The writer and the converted frame belong to this
// thread while the recording runs.
bool CKelvra::WriteRecordedFrame() {
    const uint8_t* pixels = nullptr;
    {
        std::lock_guard<std::recursive_mutex> frame(frameLock_);
        const CDibImage* output = OutputImage(preparedMode_.load());
        if (output == nullptr) return false;
        pixels = recordConverter_->Convert(*output);
    }
    return pixels != nullptr && recorder_ && recorder_->IsOpen() &&
           recorder_->AddFrame(pixels) != 0;
}

// Finalises the file with the rate its frames were taken at, measured over the time from the
// first recorded frame to the last: a recording that outlasts its frames (a lost camera, a
// late stop) still plays at the speed it was taken. One frame keeps the default rate.
void CKelvra::FinishRecording() {
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    if (recorder_ && recorder_->IsOpen()) {
        const auto frames = static_cast<uint32_t>(recorder_->FrameCount());
        const uint32_t span = platform::TicksBetween(recordStart_.load(), recordLast_.load());
        if (frames > 1 && span > 0) recorder_->SetRate(CAviWriter::MeasureRate(frames - 1, span));
        if (!recorder_->CloseAvi()) RecordError(kErrorConversion);
    }
    recording_ = 0;
    recordStart_ = 0;
}

// Ends the recording thread; a recording stopped before its duration is finalised with the
// frames it has, so the file still plays.
void CKelvra::StopRecording() {
    recording_ = 0;
    recordingStop_.Set();
    JoinRecordingThread();
    FinishRecording();
}

void CKelvra::JoinRecordingThread() {
    if (!recordingThread_) return;
    recordingThread_->Join();
    recordingThread_.reset();
}

}  // namespace kelvra
