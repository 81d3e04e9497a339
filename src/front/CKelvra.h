#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "KelvraSdk.h"
#include "device/CKelvraUSB3Q6SimpleSdk.h"
#include "front/ErrorHistory.h"
#include "front/FrameReports.h"
#include "front/ImageSet.h"
#include "front/ProcessingFlags.h"
#include "front/RecordingQueue.h"
#include "front/StreamTally.h"
#include "front/processing/FrameFeedback.h"
#include "front/processing/FrameImages.h"
#include "front/processing/FrameSettings.h"
#include "output/MaskFile.h"
#include "platform/Event.h"
#include "platform/Thread.h"
#include "product/BuildProduct.h"
#include "product/ProductNames.h"
#include "settings/SettingsRecords.h"
#include "settings/dialogs/DialogHost.h"

namespace kelvra {

namespace platform {
class SettingsStore;
namespace preview {
class PreviewWindow;
}
}  // namespace platform
namespace processing {
class FrameProcessor;
}
class CAviWriter;
class CAviFrameConverter;
class FrameQueue;

// Error codes the front object records; the public header names them for applications.
enum ErrorCode : int32_t {
    kErrorNone = KELVRA_OK,
    kErrorNoCamera = KELVRA_ERR_NO_CAMERA,
    kErrorNotPresent = KELVRA_ERR_NOT_PRESENT,
    kErrorThread = KELVRA_ERR_THREAD,
    kErrorWindow = KELVRA_ERR_WINDOW,
    kErrorMemory = KELVRA_ERR_MEMORY,
    kErrorDevice = KELVRA_ERR_DEVICE,
    kErrorWindowSize = KELVRA_ERR_WINDOW_SIZE,
    kErrorTransfer = KELVRA_ERR_TRANSFER,
    kErrorParameter = KELVRA_ERR_PARAMETER,
    kErrorUnsupported = KELVRA_ERR_UNSUPPORTED,
    kErrorConversion = KELVRA_ERR_CONVERSION,
    kErrorCameraLost = KELVRA_ERR_CAMERA_LOST,
    kErrorMaskFile = KELVRA_ERR_MASK_FILE,
};

// The object behind one handle: the camera's device core, the settings the exports read and
// write, and the error history. Application threads may call into it concurrently; the
// operations that change the camera selection are serialised by `callLock_`.
class CKelvra {
  public:
    // The one product id this library serves (linked in: see product/BuildProduct.h).
    static int32_t ProductId() { return BuildProductId(); }
    // Model base name of the device names, "KelvraK4SWIRTEC_01" and so on.
    static constexpr const char* kModelBaseName = product_names::kModelName;

    // Makes the device core at each initialisation.
    using DeviceFactory = std::function<std::unique_ptr<CKelvraU3Q6Base>()>;

    // A front object whose device core is the USB camera's.
    CKelvra();
    // A front object with another device core (tests drive the front through a scripted one).
    explicit CKelvra(DeviceFactory deviceFactory);
    virtual ~CKelvra();
    CKelvra(const CKelvra&) = delete;
    CKelvra& operator=(const CKelvra&) = delete;

    // Creates the device core and the image buffers, loads the saved settings and opens the
    // camera when exactly one is attached. 1; 0 when the device core or the buffers could not
    // be had (code 5 when an object is missing, no code when a buffer could not be allocated).
    int Initialize(HWND notifyWindow);

    // Error reporting: RecordError keeps the code and posts it, NotifyError only posts it.
    int RecordError(int32_t code);
    void NotifyError(int32_t code);
    int32_t PopLastError();

    int SetDeviceNumber(int index);
    int EnumDevice(char names[10][256]);
    int EnumDeviceW(WCHAR names[10][256]);
    int GetDeviceName(int index, char* text, int length);
    int GetDeviceNameW(int index, WCHAR* text, int length);
    // USB link speed of the open camera in Mbit/s (0 unknown); code 1 without an open camera.
    int GetLinkSpeed();

    // Output format and stream options; they take effect when acquisition is next prepared.
    int SetColorMode(int bitsPerPixel);
    int GetColorMode();
    int SetSubSample(int mode);
    int GetSubSample();
    int SetWaitTime(int milliseconds);
    int GetWaitTime();

    // Registers and camera memory. `ok` flags are optional.
    int FpgaReadRegister(int address, int* ok);
    int FpgaWriteRegister(int address, int value);
    int ReadRegister(int address, int* ok, bool wholeAddress);
    int WriteRegister(int address, int value, bool wholeAddress);
    int ReadSromId(int address, int* ok);
    int WriteSromId(int address, int value);
    int GetIoPort(uint8_t* value);
    int SetIoPort(int value);
    int GetInternalCorrection(int* ok);
    int SetInternalCorrection(int value);
    int SetSamplingRate(int rate);

    // The camera module's text console, on the module camera's build (product 0x3180) only;
    // elsewhere code 11 and 0. SendText: 1 when every character was taken (code 6 when not).
    // ReceiveText: the received line's length (0: no line), the line terminated in `text`.
    // Null text or a negative length: code 9.
    int SendText(const char* text, int length);
    int ReceiveText(char* text, int length);

    // Camera identity.
    int GetCameraInfo(KELVRA_CAMERA_INFO* info);
    int ReadSerialNumber(char* text, int length);
    int ReadSerialNumberW(WCHAR* text, int length);

    // Readout window and mirroring.
    int SetCaptureWindow(int totalWidth, int totalHeight);
    int SetCaptureWindowEx(int th, int ehs, int eh, int tv, int evs, int ev);
    int GetCaptureWindowEx(int* th, int* ehs, int* eh, int* tv, int* evs, int* ev);
    int Width();
    int Height();
    int SetMirrorH(int flag);
    int SetMirrorV(int flag);
    int GetMirrorH();
    int GetMirrorV();

    // Filter values by index (the named exports use fixed indices); `ok` is optional.
    int SetFilterValue(int index, int value);
    int GetFilterValue(int index, int* ok);
    // Channels 1-4 of the gain (false) or offset (true) forms.
    int SetChannelValue(bool offset, int channel, int value);
    int GetChannelValue(bool offset, int channel, int* ok);

    // Exposure and automatic control.
    int SetExposureTimeEx(double seconds);
    double GetExposureTimeEx(int* ok);
    int SetRealExposureTime(int microseconds);
    int GetRealExposureTime(int* ok);
    int SetAutoIris(int mode);
    int GetAutoIris(int* ok);
    double GetTemperatureEx(int* ok);

    // Acquisition.
    int Preview();
    int CallBackPreview(HWND callbackWindow, void* buffer, int length, int topDown);
    int StartPreview();
    int StopPreview();
    int Capture();
    int SnapShot(void* buffer, int length, int topDown);
    int GetImage(void* buffer, int length, int topDown);
    int Trigger(HWND callbackWindow, void* buffer, int length, int topDown);
    int Close();
    int SetPreviewWindow(HWND parent, int left, int top, int right, int bottom);
    int UpdateMaskData(int which);
    int Record(const char* fileName, int durationMs, int showWindow);

    // Owned frames (CKelvraFrameQueue.cpp). WaitFrame runs in two halves so that a waiter
    // does not keep the handle busy: FrameQueueToWait answers at once (null, with the reason
    // in frame->status) or gives the queue to wait on.
    int OpenFrameQueue(int bufferCount);
    int CloseFrameQueue();
    std::shared_ptr<FrameQueue> FrameQueueToWait(KELVRA_FRAME* frame);
    int ReleaseFrame(const KELVRA_FRAME* frame);
    int GetStreamStatistics(KELVRA_STREAM_STATS* stats);
    int GetFrameQueueFd();

    // Files. Names are UTF-8; the wide exports convert before calling.
    int SaveImage(const char* fileName, int format);
    int LoadMaskFile(const char* fileName);
    int SaveMaskFile(const char* fileName);
    int LoadConfigFile(const char* fileName);

    // Settings dialogs (CKelvraDialogs.cpp): each runs modally on the calling thread and returns
    // 1 once it closed. 0 with code 1 without an open camera, code 4 when no window can be shown
    // (no display), code 11 when the dialog module cannot be loaded.
    int SetCameraDlg(HWND owner);
    int SetImageDlg(HWND owner);
    int SetAnalogDlg(HWND owner);

    // State readers for the exports and tests.
    int CurrentDeviceNumber() const;
    const ImageSet& Images() const { return images_; }
    settings::ReadoutWindow ReadoutWindow() const;
    settings::FilterSettings FilterSettings() const;
    settings::GraySettings GraySettings() const;
    settings::CameraSettings CameraSettings() const;
    settings::StreamFormat StreamFormat() const;
    ProcessingFlags Flags() const;
    HWND NotifyWindow() const { return notifyWindow_.load(); }
    int AcquisitionState() const { return state_.load(); }
    std::vector<std::pair<int32_t, int32_t>> ConfigEntries() const;
    // The preview window while one exists (tests read it back).
    HWND PreviewWindowHandle() const;

  private:
    friend class FrontCameraDialogHost;
    friend class FrontImageDialogHost;
    friend class FrontAnalogDialogHost;

    // Acquisition states.
    static constexpr int32_t kIdle = 0, kPreviewing = 1, kCapturing = 2, kTriggering = 3;
    // Run flag values of the acquisition thread.
    static constexpr int32_t kStop = 0, kRun = 1, kPaused = 2;

    // Capture modes of the device core's StartTransfer.
    static constexpr int32_t kStreamContinuous = 0, kStreamSingle = 1, kStreamTriggered = 2;
    // WaitFrame results.
    static constexpr int32_t kWaitCameraLost = 1, kWaitNothing = 2, kWaitFrameReady = 3;
    static constexpr int32_t kFrameTimeoutMs = 3000, kTriggerFrameTimeoutMs = 6000;

    // Preparation (CKelvraPrepare.cpp).
    int Prepare();
    bool SizeFrameImages(int width, int height, int mode);
    void RestoreAnalogSettings();
    void RestoreDeviceHousekeeping();
    CDibImage* RawImage(int mode) const;
    CDibImage* OutputImage(int mode) const;

    // Where the acquisition thread delivers frames (frame lock).
    struct CallerTarget {
        HWND window = nullptr;
        void* buffer = nullptr;
        int32_t length = 0;
        int32_t topDown = 0;
    };

    // State machine (CKelvraAcquisition.cpp).
    void SetCaller(const CallerTarget& target);
    HWND CallbackWindow() const;
    bool RefusedWhileCapturingOrTriggering(int32_t failureCode);
    int StartWithWindow();
    void CloseAcquisition();
    bool StartAcquisitionThread();
    void RequestAcquisitionStop();
    void JoinAcquisitionThread();
    void DiscardUnreadFrames();

    // The acquisition thread (CKelvraAcquisitionThread.cpp).
    void AcquisitionMain();
    void AcquisitionFailed();
    void PreviewLoop();
    void HandlePreviewFrame();
    void TriggerLoop();
    void EndLoopWithFailure(int32_t code);
    int32_t WaitFrameUnlessStopped(int32_t totalMs);
    int32_t WaitForTrigger();
    bool PauseUnlessStopped(uint32_t ms);
    void HandleTriggeredFrame();
    bool ReadFrame();
    void MarkProcessed();
    KELVRA_FRAME_REPORT* FillReport(int32_t rate);
    int32_t MeasureRate();
    bool CopyToCaller();
    void PostFrameFailure(int32_t code);

    // Images (CKelvraImages.cpp) and processing (CKelvraProcessing.cpp).
    bool CopyOut(const CDibImage& image, void* buffer, int length, int topDown);
    processing::FrameImages ProcessingImages() const;
    processing::FrameSettings FrameSettingsSnapshot() const;
    void StoreFeedback(const processing::FrameFeedback& feedback);
    void StoreFeedbackValues(const processing::FrameFeedback& feedback);
    void ProcessCurrentFrame();
    MaskReferences References() const;
    bool CameraSelected() const;

    // Owned frames: the stream's start and end, and each processed frame handed on.
    void BeginFrameStream(const CDibImage& output);
    void EndFrameStream(int32_t status);
    void HandOnProcessedFrame();
    void EndSingleFrame();
    void RetireFrameQueue(int32_t status);
    std::shared_ptr<FrameQueue> CurrentFrameQueue() const;
    size_t OutputFrameBytes();

    // Preview window (CKelvraPreviewWindow.cpp).
    bool CreatePreviewWindowIfPlaced();
    void DestroyPreviewWindow();
    void LosePreviewWindow();
    void SizeDisplayImage(int mode);
    const CDibImage* PaintSource(int mode);
    std::shared_ptr<platform::preview::PreviewWindow> StagePreviewPaint(bool waitForImage);
    void FinishPreviewPainting();

    // Recording (CKelvraRecording.cpp).
    bool RecordingUnderway();
    bool OpenRecorder(const char* fileName);
    void RecordingMain();
    void RecordingLoop();
    bool StartRecordingWriter();
    bool GrabRecordedFrame(bool waitForSlot);
    bool TakeRecordedFrame();
    void FinishRecording();
    void StopRecording();
    void JoinRecordingThread();

    // Settings access shared with the acquisition thread: short holds, never around a device
    // call or another lock.
    template <typename F>
    auto WithSettings(F&& f) const {
        std::lock_guard<std::mutex> guard(settingsLock_);
        return f();
    }

    // Dialogs (CKelvraDialogs.cpp).
    bool CameraOpen() const;
    int32_t PauseForDialog();
    void ResumeAfterDialog(int32_t state);
    int FinishDialog(int outcome);
    void ReadAnalogFromDevice();
    void RestoreAnalogOnDevice(const settings::CameraSettings& saved, int32_t cooler,
                               int32_t shortExposure);
    // Tells the open dialogs that the acquisition thread changed values they show.
    void NotifyDialogs(bool image, bool analog);

    settings::FormatSupport DeviceFormatSupport() const;
    settings::CameraDefaults DeviceCameraDefaults() const;
    void LoadCameraGroups(int camera);
    void LoadStreamSettings(int camera);
    void SaveCameraGroups(int camera);
    void ApplyCameraSettings();
    void WriteGainsAndExposure(const settings::CameraSettings& camera);

    std::recursive_mutex callLock_;
    DeviceFactory deviceFactory_;
    std::unique_ptr<CKelvraU3Q6Base> device_;
    std::unique_ptr<platform::SettingsStore> store_;
    ImageSet images_;

    settings::ReadoutWindow window_;
    settings::FilterSettings filter_;
    settings::GraySettings gray_;
    settings::CameraSettings camera_;
    settings::StreamFormat format_;
    int32_t coolerOn_ = 0;
    int32_t feature105_ = 0;

    mutable std::mutex settingsLock_;
    ProcessingFlags flags_;
    int32_t realExposureUnits_ = 1;
    int32_t lastRealExposure_ = 0;

    // Frame images (frame lock), references and defect maps (mask lock). Order: call lock,
    // frame lock, mask lock, settings lock.
    mutable std::recursive_mutex frameLock_;
    mutable std::recursive_mutex maskLock_;
    std::unique_ptr<processing::FrameProcessor> processor_;
    std::vector<std::pair<int32_t, int32_t>> configEntries_;

    // Acquisition state and the worker threads' flags.
    std::atomic<int32_t> state_{kIdle};
    std::atomic<int32_t> runFlag_{kStop};
    std::atomic<int32_t> imageValid_{0};
    // Colour mode of the newest processed frame, whose output image GetImage and SaveImage
    // give; -1 while there is none (nothing processed yet, or its image was remade since).
    std::atomic<int32_t> heldMode_{-1};
    std::atomic<int32_t> frameTimeout_{kFrameTimeoutMs};
    // Colour mode the frame images were prepared for; the threads use it, not the setting.
    std::atomic<int32_t> preparedMode_{0};
    // Window and subsample mode of the last preparation (settings lock).
    settings::ReadoutWindow preparedWindow_;
    int32_t preparedSubSample_ = 0;
    std::unique_ptr<platform::Thread> acquisitionThread_;
    // Set together with the stop run flag: every pause of the thread ends on it at once.
    platform::Event acquisitionStop_{true};

    // The four change together under the frame lock, which the thread holds from reading them
    // to the end of its copy: after a call that replaces them returns, the old buffer is never
    // touched again, and a buffer never goes with another buffer's length.
    CallerTarget caller_;
    FrameReports reports_;

    // Frame-rate measurement (acquisition thread only).
    int32_t frameCount_ = 0;
    uint32_t lastMeasure_ = 0;
    std::atomic<int32_t> measuredRate_{0};

    // Owned frames: the open queue (queue lock, taken after the frame lock), the acquisition's
    // tally, and the ring's account of the frame last read (frame lock).
    mutable std::mutex queueLock_;
    std::shared_ptr<FrameQueue> frameQueue_;
    StreamTally tally_;
    SlotInfo lastFrameSlot_;

    // Preview placement and window.
    HWND previewParent_ = nullptr;
    int32_t placeLeft_ = 0, placeTop_ = 0, placeRight_ = 1280, placeBottom_ = 1024;
    // The window and its painter (frame lock); the placement is the application's (call lock).
    HWND previewHandle_ = nullptr;
    std::shared_ptr<platform::preview::PreviewWindow> previewWindow_;
    std::string windowClassName_;
    // A processed frame the window did not show because the server was still busy with earlier
    // ones (acquisition thread only): it is shown when the loop ends.
    bool paintOwed_ = false;

    // Recording.
    std::unique_ptr<CAviWriter> recorder_;
    std::atomic<int32_t> recording_{0};
    std::atomic<int32_t> newFrameForRecorder_{0};
    std::atomic<uint32_t> recordStart_{0};
    // When the newest recorded frame was taken: the file's rate is that of the time its
    // frames span.
    std::atomic<uint32_t> recordLast_{0};
    std::atomic<uint32_t> recordDuration_{0};
    std::unique_ptr<CAviFrameConverter> recordConverter_;
    std::unique_ptr<platform::Thread> recordingThread_;
    // Wakes the recording thread: a new frame, a slot the writer gave back, or a stop.
    platform::Event recorderWake_{false};
    // Converted frames on their way to the file (declared after what its writer uses).
    RecordingQueue recordQueue_;

    // Open dialogs to refresh; the acquisition thread calls them under this lock.
    std::mutex dialogObserverLock_;
    dialogs::RefreshObserver* imageObserver_ = nullptr;
    dialogs::RefreshObserver* analogObserver_ = nullptr;

    bool firstOpenDone_ = false;
    std::atomic<int32_t> deviceNumber_{-1};
    std::atomic<HWND> notifyWindow_{nullptr};
    ErrorHistory errors_;
};

}  // namespace kelvra
