#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "KelvraSdk.h"
#include "device/CKelvraUSB3Q6SimpleSdk.h"
#include "front/ErrorHistory.h"
#include "front/ImageSet.h"
#include "settings/SettingsRecords.h"

namespace kelvra {

namespace platform {
class SettingsStore;
}

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
    // The one product id this library serves.
    static constexpr int32_t kProductId = 0x3270;
    // Model base name of the device names, "KelvraK4SWIRTEC_01" and so on.
    static constexpr char kModelBaseName[] = "KelvraK4SWIRTEC";

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

    // Camera identity.
    int GetCameraInfo(KELVRA_CAMERA_INFO* info);
    int ReadSerialNumber(char* text, int length);
    int ReadSerialNumberW(WCHAR* text, int length);

    // State readers for the exports and tests.
    int CurrentDeviceNumber() const;
    const ImageSet& Images() const { return images_; }
    const settings::ReadoutWindow& ReadoutWindow() const { return window_; }
    const settings::FilterSettings& FilterSettings() const { return filter_; }
    const settings::GraySettings& GraySettings() const { return gray_; }
    const settings::CameraSettings& CameraSettings() const { return camera_; }
    const settings::StreamFormat& StreamFormat() const { return format_; }
    HWND NotifyWindow() const { return notifyWindow_.load(); }

  private:
    settings::FormatSupport DeviceFormatSupport() const;
    settings::CameraDefaults DeviceCameraDefaults() const;
    void LoadCameraGroups(int camera);
    void SaveCameraGroups(int camera);
    void ApplyCameraSettings();

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

    bool firstOpenDone_ = false;
    std::atomic<int32_t> deviceNumber_{-1};
    std::atomic<HWND> notifyWindow_{nullptr};
    ErrorHistory errors_;
};

}  // namespace kelvra
