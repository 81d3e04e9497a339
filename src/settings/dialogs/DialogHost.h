// What the settings dialogs see of the library: one host interface per dialog, implemented by the
// front object and handed to the dialog module, which is a separate library loaded on first use
// so that GTK is never loaded by applications that open no dialog. Both sides are built from this
// header in one build; kModuleVersion refuses a module from another build.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/SettingsRecords.h"

namespace kelvra::dialogs {

// Raised whenever this header changes in a way the two sides must agree on.
inline constexpr int kModuleVersion = 1;

// Told by the acquisition thread that values shown by an open dialog changed. Implementations
// only schedule a refresh on the dialog's own thread: they never block and never touch widgets.
class RefreshObserver {
  public:
    virtual void ValuesChanged() = 0;

  protected:
    ~RefreshObserver() = default;
};

// ---- Stream format dialog ----

struct StreamCapabilities {
    bool eightBit = true;
    bool sixteenBit = true;
    bool color = true;
    bool horizontalWindow = true;  // the readout width and start can change
    bool verticalWindow = true;    // the readout height and start can change
};

// The stored presets ("Size_%02d", in order) and the values under the camera key.
struct StreamValues {
    std::vector<settings::ReadoutWindow> presets;
    int32_t size = 0;  // index of the selected preset
    int32_t color = 0;
    int32_t subSample = 0;
    int32_t waitTime = 0;
    int32_t clock = 0;
};

class CameraDialogHost {
  public:
    virtual StreamCapabilities Capabilities() = 0;
    virtual StreamValues Load() = 0;
    // Writes every value and preset to the settings store; false when it could not be written.
    virtual bool Save(const StreamValues& values) = 0;

  protected:
    ~CameraDialogHost() = default;
};

// ---- Image dialog ----

// The processing settings the image dialog edits. The two "All" values are the continuous
// automatic white balance (0/1) and automatic grey gain (0/1, stored as a frame count of -1).
enum class ImageValue : int {
    kBrightness,
    kContrast,
    kHue,
    kSaturation,
    kSharpness,
    kRedGain,
    kGreenGain,
    kBlueGain,
    kGamma,
    kBayerMode,
    kGrayMode,
    kGrayGainR,
    kGrayGainG1,
    kGrayGainG2,
    kGrayGainB,
    kGrayOffsetR,
    kGrayOffsetG1,
    kGrayOffsetG2,
    kGrayOffsetB,
    kWhiteBalanceAll,
    kAutoGrayAll,
};

class ImageDialogHost {
  public:
    // Whether the output is grey (8 or 16 bits): then the grey page is shown.
    virtual bool Monochrome() = 0;
    virtual int32_t Get(ImageValue value) = 0;
    // Written at once into the settings the next frame is processed with.
    virtual void Set(ImageValue value, int32_t setting) = 0;
    // Measure the white balance on the next colour frame only.
    virtual void WhiteBalanceOnce() = 0;
    // Balance the grey gains on the next frame only.
    virtual void AutoGrayOnce() = 0;
    // Null stops the calls; returns once no call of the previous observer is running.
    virtual void SetObserver(RefreshObserver* observer) = 0;

  protected:
    ~ImageDialogHost() = default;
};

// ---- Analog dialog ----

enum class AnalogValue : int {
    kGlobalGain,
    kColorG1,
    kColorR,
    kColorB,
    kColorG2,
    kExposure,  // sensor units of 0.1 ms
    kMirrorV,
    kMirrorH,
    kAutoIris,  // 0 off, 1 exposure, 2 gain
    kCooler,
    kBlackLevel,
    kShortExposure,
    kGainMode,
};

struct ValueRange {
    int32_t min = 0;
    int32_t max = 0;
};

struct AnalogCapabilities {
    bool color = false;  // the colour page (four colour gains) instead of the monochrome page
    ValueRange gain;
    ValueRange colorGain;
    ValueRange exposure;
    ValueRange blackLevel;
    bool exposureSeconds = false;  // exposure set in seconds instead of the track bar
    double secondsMin = 0.0;
    double secondsMax = 0.0;
    bool blackLevelSupported = false;
    bool cooler = false;
    bool shortExposure = false;
    bool gainMode = false;  // supported and readable
};

class AnalogDialogHost {
  public:
    virtual AnalogCapabilities Capabilities() = 0;
    virtual int32_t Get(AnalogValue value) = 0;
    // Sent to the camera at once; false when the camera refused.
    virtual bool Set(AnalogValue value, int32_t setting) = 0;
    virtual double ExposureSeconds() = 0;
    virtual bool SetExposureSeconds(double seconds) = 0;
    // The camera's defaults, stored and sent in the documented order.
    virtual void Defaults() = 0;
    virtual void SetObserver(RefreshObserver* observer) = 0;

  protected:
    ~AnalogDialogHost() = default;
};

// ---- The module's entry ----

enum class DialogKind : int { kCamera, kImage, kAnalog };

struct DialogRequest {
    DialogKind kind = DialogKind::kCamera;
    unsigned long parentXid = 0;  // an X11 window to stay above, 0 for none
    CameraDialogHost* camera = nullptr;
    ImageDialogHost* image = nullptr;
    AnalogDialogHost* analog = nullptr;
};

// Results of the module's entry.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;
inline constexpr int kDialogNoDisplay = -1;
inline constexpr int kDialogBadRequest = -2;

// The one symbol the module exports: runs the dialog modally and returns one of the results.
inline constexpr char kModuleEntryName[] = "kelvra_dialogs_run";
using ModuleEntry = int (*)(int version, const DialogRequest* request);

}  // namespace kelvra::dialogs
