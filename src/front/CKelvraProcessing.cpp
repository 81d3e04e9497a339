// Per-frame processing with the front's settings, and capturing flat-field references.
#include "front/CKelvra.h"
#include "front/processing/DefectMaps.h"
#include "front/processing/FrameProcessor.h"
#include "front/processing/MaskReference.h"

namespace kelvra {

processing::FrameImages CKelvra::ProcessingImages() const {
    const ImageSet& im = images_;
    processing::FrameImages v;
    v.raw8 = im.raw8.get();
    v.raw16 = im.raw16.get();
    v.out24 = im.out24.get();
    v.out32 = im.out32.get();
    v.out48 = im.out48.get();
    v.out64 = im.out64.get();
    v.sharpenScratch = im.sharpenScratch.get();
    v.darkRef8 = im.darkRef8.get();
    v.whiteRef8 = im.whiteRef8.get();
    v.darkRef16 = im.darkRef16.get();
    v.whiteRef16 = im.whiteRef16.get();
    v.darkDefects8 = im.darkDefects8.get();
    v.whiteDefects8 = im.whiteDefects8.get();
    v.darkDefects16 = im.darkDefects16.get();
    v.whiteDefects16 = im.whiteDefects16.get();
    v.dotMap8 = im.dotMap8.get();
    v.dotMap16 = im.dotMap16.get();
    return v;
}

// One consistent set of settings per frame, taken in one short hold of the settings lock.
processing::FrameSettings CKelvra::FrameSettingsSnapshot() const {
    processing::FrameSettings s;
    std::lock_guard<std::mutex> guard(settingsLock_);
    s.colourMode = preparedMode_.load();
    s.EH = preparedWindow_.EH;
    s.EV = preparedWindow_.EV;
    s.EHS = preparedWindow_.EHS;
    s.EVS = preparedWindow_.EVS;
    s.subsampleMode = preparedSubSample_;
    s.autoIrisMode = camera_.autoIris;
    s.maskFilter = flags_.maskFilter;
    s.dotFilter = flags_.dotFilter;
    s.grayMode = gray_.mode;
    s.grayGainR = gray_.gainR1;
    s.grayGainG1 = gray_.gainG1;
    s.grayGainG2 = gray_.gainG2;
    s.grayGainB = gray_.gainB1;
    s.grayOffsetR = gray_.offsetR1;
    s.grayOffsetG1 = gray_.offsetG1;
    s.grayOffsetG2 = gray_.offsetG2;
    s.grayOffsetB = gray_.offsetB1;
    s.autoGrayCounter = flags_.autoGrayCount;
    s.bayerMode = filter_.bayerMode;
    s.redGain = filter_.redGain;
    s.greenGain = filter_.greenGain;
    s.blueGain = filter_.blueGain;
    s.bayerGainAuto = flags_.bayerGainAuto;
    s.bayerAutoOnceA = flags_.bayerAutoOnceA;
    s.bayerAutoOnceB = flags_.bayerAutoOnceB;
    s.hue = filter_.hue;
    s.saturation = filter_.saturation;
    s.gamma = filter_.gamma;
    s.contrast = filter_.contrast;
    s.sharpness = filter_.sharpness;
    s.brightness = filter_.brightness;
    s.verticalMirror = camera_.vMirror;
    s.horizontalMirror = camera_.hMirror;
    return s;
}

// Stores what the frame learned, field group by field group, so that a setting the
// application changed meanwhile is kept.
void CKelvra::StoreFeedback(const processing::FrameFeedback& f) {
    StoreFeedbackValues(f);
    // Outside the settings lock: an open dialog reads the values back on its own thread.
    NotifyDialogs(f.grayGainsChanged || f.bayerGainsChanged || f.bayerAutoCleared,
                  f.gainChanged || f.exposureChanged);
}

void CKelvra::StoreFeedbackValues(const processing::FrameFeedback& f) {
    std::lock_guard<std::mutex> guard(settingsLock_);
    if (f.gainChanged) {
        camera_.globalGain = camera_.colorG1 = camera_.colorR = camera_.colorB = camera_.colorG2 =
            f.gain;
    }
    if (f.exposureChanged) camera_.exposure = f.exposure;
    if (f.exposureSecondsRead) camera_.exposureSeconds = f.exposureSeconds;
    if (f.grayGainsChanged) {
        gray_.gainR1 = f.grayGainR;
        gray_.gainG1 = f.grayGainG1;
        gray_.gainG2 = f.grayGainG2;
        gray_.gainB1 = f.grayGainB;
    }
    if (f.autoGrayCounterDecrement && flags_.autoGrayCount > 0) --flags_.autoGrayCount;
    if (f.bayerGainsChanged) {
        filter_.redGain = f.redGain;
        filter_.greenGain = f.greenGain;
        filter_.blueGain = f.blueGain;
    }
    if (f.bayerAutoCleared)
        flags_.bayerGainAuto = flags_.bayerAutoOnceA = flags_.bayerAutoOnceB = 0;
}

// Called with the frame lock held, after the raw image has been filled.
void CKelvra::ProcessCurrentFrame() {
    const processing::FrameSettings settings = FrameSettingsSnapshot();
    StoreFeedback(processor_->ProcessFrame(ProcessingImages(), settings, *device_, maskLock_));
}

int CKelvra::UpdateMaskData(int which) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    const int32_t mode = WithSettings([&] { return format_.color; });
    if (!processing::CaptureMaskReference(ProcessingImages(), mode, which, maskLock_)) {
        return RecordError(kErrorConversion), 0;
    }
    return 1;
}

}  // namespace kelvra
