// The frame transfer engine as the front drives it: capture modes, start and stop, the ring's
// geometry, and the frame wait and copy operations.
#include <cstring>

#include "device/CKelvraU3Q6Base.h"
#include "device/DeviceRegisters.h"
#include "device/ProductIds.h"
#include "sensors/FirstGenReadoutOffsets.h"

namespace kelvra {
namespace {

constexpr int32_t kCaptureImpossible = 2;  // CaptureOnce without controller or staging buffer
constexpr int32_t kNullFrameBuffer = -2;
constexpr int32_t kWaitLost = 1;
constexpr int32_t kWaitNothingNew = 2;
constexpr int32_t kWaitNewFrame = 3;

constexpr int32_t kModeTrigger = 2;
constexpr int32_t kNoWait = 0;
constexpr int32_t kWait = 1;

constexpr int32_t kOldThreadEndMs = 5;
constexpr int32_t kThreadJoinMs = 3000;
constexpr int32_t kNoLimit = -1;
constexpr uint32_t kStopSettleMs = 100;
constexpr uint32_t kAfterJoinMs = 1;
constexpr uint32_t kAfterRestartMs = 5;
constexpr uint32_t kSlowRestartMs = 100;
// A stop re-issues its abort this often: a read started just after an abort is not ended by it.
constexpr int32_t kAbortRepeatMs = 100;

constexpr uint16_t kPipeResetFirmware = 0x1100;
constexpr uint8_t kTripleFrameRestart = 2;

// Staging: the frame with a 128-pixel margin each way, rounded up to 8 KiB.
constexpr uint64_t kStagingMargin = 128;
constexpr uint64_t kStagingAlign = 8192;
constexpr uint64_t kMaxBufferBytes = 0xFFFFFFFFu;
constexpr int32_t kDoubleWidth = 2;  // sensor operation 136: the body carries two lines per row

constexpr int32_t kCaptureAttempts = 11;
constexpr uint32_t kCaptureWindowMs = 9999;
constexpr int32_t kCaptureBodyTimeoutMs = 3000;

}  // namespace

// ---- 21-25: start, stop, copy, capture mode, stream restart --------------------------------

// Starts the transfer thread in `mode` (0 continuous, 1 single, 2 trigger, 3 counter only):
// a thread still running is stopped and ended first, the ring is reconfigured when a geometry
// changed, and the sensor driver's start hooks run. Returns 1; 0 without a controller, when
// the ring cannot be configured (memory, or an FPGA that refuses the geometry), or when no
// thread can be started. Atomic with respect to window and depth changes (m_configLock): a
// change made while a start runs is applied by the next start, never lost.
int32_t CKelvraU3Q6Base::StartTransfer(int32_t mode) {
    std::lock_guard config(m_configLock);
    if (m_running && m_threadEndOpen && !m_threadEnd.Wait(kOldThreadEndMs)) StopTransfer(kWait);
    // The old thread is gone before anything is configured: a stop made inside this start
    // (by ConfigureBuffers) would reset the capture mode and close the frame event again.
    m_threadEndOpen = false;
    EndTransferThread(kThreadJoinMs);
    OpenFrameEvent();
    if (!SetCaptureMode(mode)) return 0;
    if (m_reconfigure && !ConfigureBuffers()) return 0;
    // An error of the previous run must not answer a WaitFrame of this one.
    m_transferError = 0;
    m_frameRate.Start(Tick());
    m_haveHeaderNumber = false;  // camera gaps are counted within one run
    m_running = 1;
    m_threadEnd.Reset();
    m_threadEndOpen = true;
    m_threadGone.Reset();
    if (!m_thread.Start([this] { TransferThreadMain(); }, platform::ThreadPriority::TimeCritical)) {
        m_running = 0;
        m_threadGone.Set();
        return 0;
    }
    if (m_sensor && m_sensor->SensorOperation106() == 0) m_sensor->SensorOperation104();
    return 1;
}

// Stops the transfer thread. With `wait` the pending bulk read is aborted and the thread is
// awaited without limit; without, the thread gets 3000 ms before its read is aborted too (the
// thread always ends before this returns: it uses buffers a later close frees). Then the frame
// event is signalled and closed, the stream restarted, and the capture mode, trigger frame
// count and frame rate reset. Always returns 1.
int32_t CKelvraU3Q6Base::StopTransfer(int32_t wait) {
    std::lock_guard config(m_configLock);
    if (m_sensor) m_sensor->SensorOperation105(wait);
    if (m_running.exchange(0) && wait) {
        Sleep(kStopSettleMs);
        if (m_controller) m_controller->AbortStream();
        AbortUntilEnded(m_threadGone);
    }
    EndTransferThread(m_productId == product::kModelG ? kNoLimit : kThreadJoinMs);
    Sleep(kAfterJoinMs);
    m_threadEndOpen = false;
    CloseFrameEvent();
    RestartStream();
    Sleep(kAfterRestartMs);
    m_captureMode = 0;
    m_triggerFrameCount = 0;
    m_frameRate.Clear();
    m_firstFrame = 1;
    return 1;
}

// Copies a ring frame into `buffer`: slot 0 with `firstSlot`, else the newest. Rows go out top
// row first when `topDown` is set (reversed as the sensor's orientation requires). The slot's
// frame number and header words +28, +32, +40, +44 go to the outputs that are not null.
// Returns 1, or 0 with nothing copied or written when `length` is below the frame size or there
// is no ring. Any thread; never hands out a frame the transfer thread is writing.
int32_t CKelvraU3Q6Base::CopyFrame(uint8_t* buffer, uint32_t length, int32_t* frameNumber,
                                   int32_t* word28, int32_t* word32, int32_t* word40,
                                   int32_t* word44, int32_t firstSlot, int32_t topDown) {
    const int32_t slot = firstSlot ? 0 : NewestSlot(m_writeIndex);
    SlotInfo info;
    if (!CopySlot(slot, buffer, length, &info, topDown)) return 0;
    if (frameNumber) *frameNumber = info.frameNumber;
    int32_t* const outputs[] = {word28, word32, word40, word44};
    for (size_t i = 0; i < info.words.size(); ++i) {
        if (outputs[i]) *outputs[i] = info.words[i];
    }
    return 1;
}

// Chooses the capture mode; a change stops the transfer first, and entering trigger mode
// makes the next frame count as new (write index = read mark). Returns 1, 0 without a
// controller.
int32_t CKelvraU3Q6Base::SetCaptureMode(int32_t mode) {
    if (!m_controller) return 0;
    if (mode != m_captureMode) {
        StopTransfer(kNoWait);
        OpenFrameEvent();
        if (mode == kModeTrigger) m_writeIndex = m_readMark.load();
    }
    m_captureMode = mode;
    return 1;
}

// Leaves the camera's stream pipe clean: port reset (sync stream) or pipe reset (FX3 firmware
// 0x1100 and later), then the stream restart request. Returns 1, 0 without a controller.
int32_t CKelvraU3Q6Base::RestartStream() {
    if (!m_controller) return 0;
    const int32_t productId = m_productId;
    if (productId == product::kSyncStream) {
        m_controller->ResetParentPort();
    } else {
        if (m_firmwareVersion >= kPipeResetFirmware) {
            m_controller->ResetPipe(device_reg::kStreamEndpoint);
        }
        if (productId == product::kTripleFrame) {
            m_controller->WriteFpgaRegister(device_reg::kTripleFrameControl, kTripleFrameRestart);
        }
        if (productId == product::kSlowRestart) Sleep(kSlowRestartMs);
    }
    m_controller->StreamRestart();
    return 1;
}

// ---- 29-40: ring geometry, frame counter, single capture, waits and copies -----------------

// Sizes and allocates the staging buffer and the ring from the sensor descriptor and the
// transfer depth, and programs the FPGA's output geometry and offsets. A running transfer is
// stopped first: its thread writes into these buffers. Returns 1; 0 without a sensor driver,
// for a geometry that does not fit 32-bit sizes, when memory runs out (the ring is then
// incomplete) or when the FPGA does not take the geometry; the reconfigure flag then stays set.
// The flag is cleared before the descriptor is read, so a window change that comes meanwhile
// sets it again instead of being forgotten.
int32_t CKelvraU3Q6Base::ConfigureBuffers() {
    std::lock_guard config(m_configLock);
    StopTransferIfRunning();
    m_reconfigure = 0;
    if (!AllocateRingAndProgram()) {
        m_reconfigure = 1;
        return 0;
    }
    return 1;
}

bool CKelvraU3Q6Base::AllocateRingAndProgram() {
    m_ring.Release();
    SensorDescriptor d;
    if (!Descriptor(&d) || d.width < 0 || d.height < 0) return false;
    const int32_t bits = m_transferBits;
    const uint64_t b = (bits == 1 || bits == 2) ? 2 : 1;
    const uint64_t w = uint64_t(d.width) * (m_sensor->SensorOperation136() == kDoubleWidth ? 2 : 1);
    const uint64_t h = uint64_t(d.height);
    const uint64_t scale = m_productId == product::kTripleFrame ? 3 : 1;
    const uint64_t margin = (h + kStagingMargin) * (w + kStagingMargin) * b;
    const uint64_t staging = (margin + kStagingAlign - 1) / kStagingAlign * kStagingAlign * scale;
    const uint64_t frame = h * w * b * scale;
    if (staging > kMaxBufferBytes) return false;
    // Product 0x31E0 delivers its rows bottom row first whatever the orientation code. Its
    // sensor can report a variant of that order, but not how, so the variant is not honoured.
    const bool bottomUpRows = m_productId == product::kAltGeometry;
    const RingGeometry geometry{uint32_t(staging), uint32_t(frame), d.width,     d.height,
                                int32_t(b),        d.orientation,   bottomUpRows};
    if (!m_ring.Allocate(m_ringDepth, geometry)) return false;
    return IsSyncStreamModel() || ProgramGeometry(int32_t(w), int32_t(h), d);
}

int32_t CKelvraU3Q6Base::GetMaxDevices() {
    return kMaxDevices;
}

// Reads the FPGA frame counter (register 8) into the last frame number. Returns 1, or 0 when
// the register cannot be read.
int32_t CKelvraU3Q6Base::LatchFrameCounter() {
    int32_t ok = 0;
    const int32_t value = ReadFpgaRegister(device_reg::kFrameCounter, &ok);
    if (!ok) return 0;
    m_lastFrameNumber = value;
    return 1;
}

// Reads one frame into ring slot 0 on the calling thread, without the transfer thread (which
// is stopped first: both would fill the staging buffer): up to 11 attempts within 9999 ms.
// When none succeeds the transfer error flag is set. Returns 0; 2 without a controller or
// staging buffer, and for product 0x32D0 (nothing is read then).
int32_t CKelvraU3Q6Base::CaptureOnce() {
    std::lock_guard config(m_configLock);
    // Product 0x32D0 has no single capture: its frames come through the transfer thread only.
    if (m_productId == product::kModelG) return kCaptureImpossible;
    if (!m_controller || !m_ring.Staging()) return kCaptureImpossible;
    StopTransferIfRunning();
    if (m_reconfigure && !ConfigureBuffers()) {
        m_transferError = 1;
        return 0;
    }
    const bool sync = IsSyncStreamModel();
    if (sync) m_controller->StreamRestart();
    FrameRequest request;
    request.destination = m_ring.Staging();
    request.capacity = m_ring.StagingSize();
    request.expectedLength = m_ring.FrameSize();
    m_controller->OpenStream();
    const uint32_t start = Tick();
    bool captured = false;
    request.headerTimeoutMs = HeaderTimeoutMs();
    for (int32_t attempt = 0; attempt < kCaptureAttempts && !captured; ++attempt) {
        if (Tick() - start > kCaptureWindowMs) break;
        if (attempt > 0 && sync) m_controller->ResetParentPort();
        captured = sync ? m_controller->ReadFrameSync(request) != 0
                        : m_controller->ReadFrameHeader(request) && BodyFitsRing(request) &&
                              m_controller->ReadFrameBody(request, kCaptureBodyTimeoutMs);
    }
    if (captured) {
        m_haveHeaderNumber = false;
        const HeaderWords words = HeaderWordsOf(request);
        m_ring.Put(0, int32_t(request.frameNumber), words, StampFrame(words));
    } else {
        m_counters.CountLostRun();
        m_transferError = 1;
    }
    m_controller->CloseStream();
    if (m_threadEndOpen) m_threadEnd.Set();
    m_running = 0;
    return 0;
}

int32_t CKelvraU3Q6Base::Reserved33() {
    return -1;
}

// Copies ring slot 0 (the CaptureOnce frame) into buffer: -2 for a null buffer, otherwise 0.
int32_t CKelvraU3Q6Base::GetFirstFrame(uint8_t* buffer, uint32_t length, int32_t* frameNumber,
                                       int32_t topDown) {
    if (buffer == nullptr) return kNullFrameBuffer;
    SlotInfo info;
    if (CopySlot(0, buffer, length, &info, topDown) && frameNumber) {
        *frameNumber = info.frameNumber;
    }
    return 0;
}

// Milliseconds allowed for one frame body. Returns 1.
int32_t CKelvraU3Q6Base::SetFrameTimeout(int32_t ms) {
    m_frameTimeoutMs = ms;
    return 1;
}

// Waits up to `ms` for the next frame: 1 when the transfer gave up (camera lost), 3 when a
// frame arrived that GetImage has not handed out, else 2 (also at once when no transfer was
// ever started). Each frame signal is consumed by one wait. Any thread.
int32_t CKelvraU3Q6Base::WaitFrame(int32_t ms) {
    if (m_transferError) return kWaitLost;
    if (!FrameEventOpen() || !m_frameEvent.Wait(ms)) return kWaitNothingNew;
    if (m_transferError) return kWaitLost;
    return m_writeIndex != m_readMark ? kWaitNewFrame : kWaitNothingNew;
}

// The newest frame into buffer (length: its capacity) as CopyFrame does, then the read mark
// moves to the write index the copy was taken at. Returns 0 whether or not the frame fitted.
int32_t CKelvraU3Q6Base::GetImage(uint8_t* buffer, uint32_t length, int32_t* frameNumber,
                                  int32_t topDown) {
    return GetImageInfo(buffer, length, frameNumber, nullptr, nullptr, nullptr, nullptr, topDown);
}

// GetImage, top row first, from slot 0 (firstSlot) or the newest slot; also gives that slot's
// buffer as stored (read in place, it may be rewritten by the transfer thread at any time) and
// its frame number. Returns 0; *slot is null without a ring.
int32_t CKelvraU3Q6Base::GetImageRef(uint8_t* buffer, uint32_t length, uint8_t** slot,
                                     int32_t* frameNumber, int32_t firstSlot) {
    const int32_t writeIndex = m_writeIndex;
    const int32_t source = firstSlot ? 0 : NewestSlot(writeIndex);
    SlotInfo info;
    if (CopySlot(source, buffer, length, &info, 1) && frameNumber) *frameNumber = info.frameNumber;
    if (slot) *slot = m_ring.SlotData(source);
    m_readMark = writeIndex;
    return 0;
}

// GetImage with the header words. Returns 0.
int32_t CKelvraU3Q6Base::GetImageInfo(uint8_t* buffer, uint32_t length, int32_t* frameNumber,
                                      int32_t* word28, int32_t* word32, int32_t* word40,
                                      int32_t* word44, int32_t topDown) {
    SlotInfo info;
    if (GetImageStamped(buffer, length, topDown, &info)) {
        if (frameNumber) *frameNumber = info.frameNumber;
        int32_t* const outputs[] = {word28, word32, word40, word44};
        for (size_t i = 0; i < info.words.size(); ++i) {
            if (outputs[i]) *outputs[i] = info.words[i];
        }
    }
    return 0;
}

int32_t CKelvraU3Q6Base::GetImageStamped(uint8_t* buffer, uint32_t length, int32_t topDown,
                                         SlotInfo* info) {
    const int32_t writeIndex = m_writeIndex;
    const int32_t copied = CopySlot(NewestSlot(writeIndex), buffer, length, info, topDown);
    m_readMark = writeIndex;
    return copied;
}

int32_t CKelvraU3Q6Base::Reserved40() {
    return 0;
}

// ---- helpers ---------------------------------------------------------------------------------

// The slot before `writeIndex`, wrapping to the ring's last slot.
int32_t CKelvraU3Q6Base::NewestSlot(int32_t writeIndex) const {
    const int32_t depth = m_ringDepth;
    return ((writeIndex - 1) % depth + depth) % depth;
}

int32_t CKelvraU3Q6Base::CopySlot(int32_t slot, uint8_t* buffer, uint32_t length, SlotInfo* info,
                                  int32_t topDown) {
    return m_ring.Copy(slot, buffer, length, topDown != 0, info);
}

// The output geometry (register pairs 68/69 and 64/65, or 156/157 and 154/155 for 0x31E0;
// none for the products that size their frames themselves), then the line and column offsets:
// computed here for the IMX990/991 from the table their SetFlip shares, the sensor driver's own
// fixed values for the rest of the line. True when every register took its value.
bool CKelvraU3Q6Base::ProgramGeometry(int32_t width, int32_t height, const SensorDescriptor& d) {
    using namespace device_reg;
    const int32_t productId = m_productId;
    bool ok = true;
    if (!product::IsOneOf(productId, {product::kModelG, product::kLi8020, product::kLi5040,
                                      product::kLi3030, product::kLi5030})) {
        const bool alt = productId == product::kAltGeometry;
        ok = WriteFpgaPair(alt ? kAltWidthLow : kWidthLow, alt ? kAltWidthHigh : kWidthHigh, width);
        ok = WriteFpgaPair(alt ? kAltHeightLow : kHeightLow, alt ? kAltHeightHigh : kHeightHigh,
                           height) &&
             ok;
    }
    int32_t line = 0;
    int32_t column = 0;
    if (product::IsImx990FirstGeneration(productId)) {
        ok = ProgramImx990Offsets(height, d) && ok;
    } else if (m_sensor->GetFpgaReadoutOffsets(&line, &column)) {
        ok = WriteFpgaPair(device_reg::kLineOffsetLow, device_reg::kLineOffsetHigh, line) && ok;
        ok = WriteFpgaPair(device_reg::kColumnOffsetLow, device_reg::kColumnOffsetHigh, column) &&
             ok;
    }
    return ok;
}

// Where the FPGA cuts the frame out of the sensor's lines, from the table SetFlip uses as well.
bool CKelvraU3Q6Base::ProgramImx990Offsets(int32_t height, const SensorDescriptor& d) {
    const bool fast = m_sensor->Supports16BitMode(0) == 0;
    const int32_t line = readout_offsets::FirstGenLineOffset(d.readoutMode, height == d.maxHeight);
    const int32_t column =
        readout_offsets::FirstGenColumnOffset(d.readoutMode, fast, d.flip.current != 0);
    const bool lineOk =
        WriteFpgaPair(device_reg::kLineOffsetLow, device_reg::kLineOffsetHigh, line) != 0;
    return WriteFpgaPair(device_reg::kColumnOffsetLow, device_reg::kColumnOffsetHigh, column) &&
           lineOk;
}

// Low byte, then high byte of a 16-bit value. 1 when both writes succeed.
int32_t CKelvraU3Q6Base::WriteFpgaPair(uint8_t lowRegister, uint8_t highRegister, int32_t value) {
    const int32_t low = WriteFpgaRegister(lowRegister, value & 0xFF);
    const int32_t high = WriteFpgaRegister(highRegister, (value >> 8) & 0xFF);
    return low && high;
}

// The frame event stands for the Windows event the core creates and closes: the object lives
// as long as the core, so a waiter on another thread never outlives it; "closing" signals it
// (releasing a waiter) and "creating" clears it.
void CKelvraU3Q6Base::OpenFrameEvent() {
    if (m_frameEventOpen.exchange(true)) return;
    m_frameEvent.Reset();
}

void CKelvraU3Q6Base::CloseFrameEvent() {
    if (!m_frameEventOpen.exchange(false)) return;
    m_frameEvent.Set();
}

// Waits for the transfer thread to end: up to limitMs (< 0: no limit), then its bulk read is
// aborted until it does. Joins it. Returns at once when no thread runs.
void CKelvraU3Q6Base::EndTransferThread(int32_t limitMs) {
    if (!m_threadGone.Wait(limitMs)) AbortUntilEnded(m_threadGone);
    m_thread.Join();
}

// Aborts the stream's pending read every 100 ms until `ended` is signalled.
void CKelvraU3Q6Base::AbortUntilEnded(platform::Event& ended) {
    while (!ended.Wait(kAbortRepeatMs)) {
        if (m_controller) m_controller->AbortStream();
    }
}

// Stops a transfer thread that has not ended yet, waiting for it.
void CKelvraU3Q6Base::StopTransferIfRunning() {
    if (!m_threadGone.Wait(0)) StopTransfer(kWait);
}

}  // namespace kelvra
