// AVI recording driven by the live preview.
#include "front/CKelvra.h"
#include "output/CAviFrameConverter.h"
#include "output/CAviWriter.h"
#include "platform/Clock.h"

namespace kelvra {
namespace {

constexpr uint32_t kRecorderPollMs = 10;
// Frames converted and waiting for the disk: enough to ride out a write several frame times
// long (a full frame is 3.9 MB; the four take 16 MB).
constexpr int32_t kRecorderSlots = 4;

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
    // Cleared before the preview starts: its first frame already belongs to the recording.
    newFrameForRecorder_ = 0;
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
    recorderWake_.Reset();
    recording_ = 1;
    recordingThread_ = std::make_unique<platform::Thread>();
    if (!StartRecordingWriter() || !recordingThread_->Start([this] { RecordingMain(); })) {
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

// The writer takes the size and depth of the current output image. The file keeps the classic
// layout (24-bit frames, the first at its fixed offset) that stored files and their readers
// rely on, so it ends at its 4 GiB: the writer then refuses the frame (EFBIG), the recording
// ends with code 12 and the file is finalised with the frames that fit. Longer recordings
// are the lossless AVI's (OpenDML) to make.
bool CKelvra::OpenRecorder(const char* fileName) {
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    const CDibImage* output = OutputImage(preparedMode_.load());
    if (output == nullptr || output->Bits() == nullptr) return false;
    if (!recorder_) recorder_ = std::make_unique<CAviWriter>();
    recorder_->SetFormat(output->Width(), output->Height(),
                         static_cast<int16_t>(output->BitCount()));
    recorder_->SetRate(CAviWriter::kOpenRateHundredths);
    if (!recordConverter_) recordConverter_ = std::make_unique<CAviFrameConverter>();
    if (!recordConverter_->Prepare(output->Width(), output->Height(), output->BitCount(),
                                   kRecorderSlots)) {
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

// Each round takes the newest processed frame, if there is one the recorder has not taken. A
// round starts when the preview has processed a frame or the writer has freed a slot, or after
// the poll time, so a round costs only the conversion and every frame at the camera's rate is
// taken; the file is written by the writer thread meanwhile.
void CKelvra::RecordingLoop() {
    while (recording_.load()) {
        recorderWake_.Wait(static_cast<int>(kRecorderPollMs));
        if (!recording_.load()) break;
        if (!GrabRecordedFrame(false)) {
            RecordError(kErrorConversion);
            FinishRecording();
            break;
        }
        // Checked on every round, so a recording whose camera went away still ends on time.
        // The clock is read after the start, which the preview may have set meanwhile.
        const uint32_t start = recordStart_.load();
        const uint32_t now = platform::GetTickCount32();
        if (start != 0 && platform::TicksBetween(start, now) > recordDuration_.load()) {
            FinishRecording();
        }
    }
}

bool CKelvra::StartRecordingWriter() {
    return recordQueue_.Start(
        kRecorderSlots,
        [this](int32_t slot) { return recorder_->AddFrame(recordConverter_->Frame(slot)) != 0; },
        [this] { recorderWake_.Set(); });
}

// The recording thread's grab, with waitForSlot for a free slot first. False when the frame
// cannot be recorded.
bool CKelvra::GrabRecordedFrame(bool waitForSlot) {
    if (waitForSlot) recordQueue_.WaitForFreeSlot();
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    return TakeRecordedFrame();
}

// Converts the newest processed frame, if the recorder has not taken it yet, into a free slot
// and hands it to the writer, so that a slow disk never holds up the preview or the next grab.
// Without a free slot the frame waits (the writer wakes the recording thread when it frees
// one). Called under the frame lock by the recording thread, and by the preview before it
// replaces a frame the recording thread has not come to take (a busy machine can keep that
// thread waiting for a frame time). False when the frame cannot be recorded.
bool CKelvra::TakeRecordedFrame() {
    if (newFrameForRecorder_.load() == 0) return !recordQueue_.Failed();
    const int32_t slot = recordQueue_.TakeFreeSlot();
    if (slot < 0) return !recordQueue_.Failed();
    newFrameForRecorder_ = 0;
    const CDibImage* output = OutputImage(preparedMode_.load());
    if (output == nullptr || recordConverter_->Convert(*output, slot) == nullptr) return false;
    const uint32_t now = platform::GetTickCount32();
    if (recordStart_.load() == 0) recordStart_ = now;
    recordLast_ = now;
    recordQueue_.Submit(slot);
    return true;
}

// Finalises the file with the rate its frames were taken at, measured over the time from the
// first recorded frame to the last: a recording that outlasts its frames (a lost camera, a
// late stop) still plays at the speed it was taken. One frame keeps the default rate.
void CKelvra::FinishRecording() {
    // Every converted frame reaches the file first, written outside the frame lock that the
    // preview needs meanwhile.
    recordQueue_.Finish();
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
// frames it has, so the file still plays. The preview has stopped by now: its last frame, if
// the recorder had not taken it yet, still goes into the file.
void CKelvra::StopRecording() {
    const bool wasRecording = recording_.exchange(0) != 0;
    recorderWake_.Set();
    JoinRecordingThread();
    // A recording the thread ended itself (its file full or failed) is finalised and was
    // reported there; a stop during that finalisation must not report it again.
    const bool fileOpen = recorder_ && recorder_->IsOpen();
    if (wasRecording && fileOpen && !GrabRecordedFrame(true)) {
        RecordError(kErrorConversion);
    }
    FinishRecording();
}

void CKelvra::JoinRecordingThread() {
    if (!recordingThread_) return;
    recordingThread_->Join();
    recordingThread_.reset();
}

}  // namespace kelvra
