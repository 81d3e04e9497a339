// Acquisition preparation: the readout window, the frame images and the camera's settings.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "front/CKelvra.h"
#include "front/ColorModes.h"
#include "front/ReadoutGeometry.h"

namespace kelvra {
namespace {

// Transfer depths of the device core's SetTransferBits.
constexpr int32_t kTransfer8 = 0, kTransfer16 = 1;
// Sensor exposure units are 100 microseconds.
constexpr int64_t kMicrosecondsPerUnit = 100;

}  // namespace

// Checks the camera and the window, sizes the frame images and writes every setting the
// camera forgets when it is reconfigured. Records the failure's code and returns 0 on failure.
int CKelvra::Prepare() {
    const int32_t instance = device_->GetOpenInstance();
    if (!device_->IsDevicePresent(instance)) return RecordError(kErrorNotPresent), 0;
    const settings::ReadoutWindow window = ReadoutWindow();
    const settings::StreamFormat format = StreamFormat();
    if (!IsReadoutWindowValid(window, format.subSample)) return RecordError(kErrorWindowSize), 0;
    const FrameSize size = OutputFrameSize(window, format.subSample);
    if (!IsValidMode(format.color) || !SizeFrameImages(size.width, size.height, format.color)) {
        return RecordError(kErrorMemory), 0;
    }
    preparedMode_ = format.color;
    WithSettings([&] {
        preparedWindow_ = window;
        preparedSubSample_ = format.subSample;
    });
    device_->SetTransferBits(UsesSixteenBitFrames(format.color) ? kTransfer16 : kTransfer8);
    if (!device_->SetCaptureWindow(window.EHS, window.EVS, window.EH, window.EV,
                                   format.subSample)) {
        return RecordError(kErrorWindowSize), 0;
    }
    RestoreAnalogSettings();
    RestoreDeviceHousekeeping();
    SizeDisplayImage(format.color);
    BeginFrameStream(*OutputImage(format.color));
    return 1;
}

// The frame images the colour mode needs, and the sharpness scratch in the output's format.
bool CKelvra::SizeFrameImages(int width, int height, int mode) {
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    ImageSet& im = images_;
    // Makes an image width × height × bits unless it already is (a running camera keeps its
    // buffers between preparations). The newest processed frame is lost with its image.
    const int32_t held = heldMode_.load();
    const CDibImage* heldImage = held < 0 ? nullptr : OutputImage(held);
    const auto ensure = [&](CDibImage& image, int32_t w, int32_t h, int32_t bits) {
        if (image.Bits() != nullptr && image.Width() == w && image.Height() == h &&
            image.BitCount() == bits) {
            return true;
        }
        if (&image == heldImage) heldMode_ = -1;
        return image.Create(w, h, bits) != 0;
    };
    // The 8-bit image also serves the preview of 16-bit grey frames.
    if (mode <= kModeBgra32 && !ensure(*im.raw8, width, height, 8)) return false;
    if (UsesSixteenBitFrames(mode) && !ensure(*im.raw16, width, height, 16)) return false;
    if (mode != kModeMono16 && !ensure(*im.out24, width, height, 24)) return false;
    if (mode == kModeBgra32 && !ensure(*im.out32, width, height, 32)) return false;
    if (mode == kModeBgr48 && !ensure(*im.out48, width, height, 48)) return false;
    if (mode == kModeBgra64 && !ensure(*im.out64, width, height, 64)) return false;
    CDibImage* output = OutputImage(mode);
    return output != nullptr && ensure(*im.sharpenScratch, width, height, output->BitCount());
}

// Mirroring, trigger off, gains and exposure, in the order the camera expects them.
void CKelvra::RestoreAnalogSettings() {
    const settings::CameraSettings camera = CameraSettings();
    device_->SetMirror(camera.vMirror);
    device_->SetFlip(camera.hMirror);
    device_->SetTriggerMode(0, 1);
    WriteGainsAndExposure(camera);
    // In 64 bits and saturated: a stored exposure may exceed what microseconds hold in 32 bits.
    const int64_t micros = int64_t{camera.exposure} * kMicrosecondsPerUnit;
    WithSettings([&] {
        lastRealExposure_ = static_cast<int32_t>(std::clamp<int64_t>(
            micros, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    });
}

// Sensor-specific reset, gain mode, black level, then a sensor restart to apply them.
void CKelvra::RestoreDeviceHousekeeping() {
    const settings::CameraSettings camera = CameraSettings();
    if (device_->SensorOperation113() != 0) device_->SensorOperation115();
    device_->SetGainMode(0);
    if (device_->IsGainModeSupported()) device_->SetGainMode(camera.gainMode);
    if (device_->IsBlackLevelSupported()) device_->SetBlackLevel(camera.blackLevel);
    device_->RestartSensor();
}

CDibImage* CKelvra::RawImage(int mode) const {
    return UsesSixteenBitFrames(mode) ? images_.raw16.get() : images_.raw8.get();
}

CDibImage* CKelvra::OutputImage(int mode) const {
    switch (mode) {
        case kModeMono8:
            return images_.raw8.get();
        case kModeMono16:
            return images_.raw16.get();
        case kModeBgr24:
            return images_.out24.get();
        case kModeBgra32:
            return images_.out32.get();
        case kModeBgr48:
            return images_.out48.get();
        case kModeBgra64:
            return images_.out64.get();
        default:
            return nullptr;
    }
}

}  // namespace kelvra
