#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ProcessingTestSupport.h"
#include "front/processing/DefectMaps.h"
#include "front/processing/FrameProcessor.h"
#include "front/processing/SoftwareMirror.h"
#include "imaging/ConversionKernels.h"
#include "imaging/DemosaicKernels.h"
#include "imaging/GrayGainKernels.h"
#include "imaging/HueSaturationKernels.h"
#include "imaging/KernelRunner.h"
#include "imaging/SharpnessKernels.h"
#include "imaging/ToneKernels.h"

namespace kelvra::processing::test {
namespace {

constexpr int32_t kW = 64;
constexpr int32_t kH = 48;

std::unique_ptr<CDibImage> CopyOf(const CDibImage& im) {
    auto copy = MakeImage(im.Width(), im.Height(), im.BitCount());
    std::memcpy(copy->Bits(), im.Bits(), im.ImageBytes());
    return copy;
}

class FrameProcessorTest : public ::testing::Test {
  protected:
    FrameProcessorTest() : bank(kW, kH) {
        std::mt19937 rng(21);
        FillRandom(*bank.raw8, rng, 255);
        FillRandom(*bank.raw16, rng, 4095);
    }

    FrameFeedback Process(const FrameSettings& s) {
        return processor.ProcessFrame(bank.Views(), s, device, maskLock);
    }

    // The demosaic of `raw` with the given phase and gains, as the conversion step must do it.
    std::unique_ptr<CDibImage> Demosaiced(CDibImage& raw, int32_t bits, BayerGains gains) {
        auto out = MakeImage(raw.Width(), raw.Height(), bits);
        const bool wide = raw.BitCount() == 16;
        RunKernel(*out, wide ? Demosaic16 : Demosaic8, raw, nullptr, 0, 0, &gains);
        RunKernel(*out, wide ? Demosaic16Edges : Demosaic8Edges, raw, nullptr, 0, 0, &gains);
        return out;
    }

    ImageBank bank;
    RecordingDevice device;
    std::recursive_mutex maskLock;
    FrameProcessor processor;
};

TEST_F(FrameProcessorTest, NeutralSettingsLeaveMonochromeFramesAsTheyCame) {
    for (int32_t mode : {kMono8, kMono16}) {
        FrameSettings s;
        s.colourMode = mode;
        CDibImage& raw = mode == kMono8 ? *bank.raw8 : *bank.raw16;
        const auto before = Bytes(raw);
        const FrameFeedback fb = Process(s);
        EXPECT_EQ(Bytes(raw), before) << mode;
        EXPECT_FALSE(fb.gainChanged || fb.exposureChanged || fb.grayGainsChanged ||
                     fb.bayerGainsChanged || fb.autoGrayCounterDecrement);
    }
    EXPECT_TRUE(device.log.empty());  // no mirror flag, so the device is not even asked
}

// One setting away from neutral at a time; the frame must come out as that step alone makes it.
TEST_F(FrameProcessorTest, EachMonochromeToneStepActsAlone) {
    struct Step {
        const char* name;
        void (*set)(FrameSettings&);
        PixelKernel mono8;
        PixelKernel mono16;
        int32_t value;
    };
    const Step steps[] = {
        {"gamma", [](FrameSettings& s) { s.gamma = 150; }, GammaMono8, GammaMono16, 150},
        {"contrast", [](FrameSettings& s) { s.contrast = 40; }, ContrastMono8, ContrastMono16, 40},
        {"brightness", [](FrameSettings& s) { s.brightness = -70; }, BrightnessMono8,
         BrightnessMono16, -70},
    };
    for (const Step& step : steps) {
        for (int32_t mode : {kMono8, kMono16}) {
            CDibImage& raw = mode == kMono8 ? *bank.raw8 : *bank.raw16;
            const auto before = Bytes(raw);
            auto expected = CopyOf(raw);
            int32_t value = step.value;
            RunKernel(*expected, mode == kMono8 ? step.mono8 : step.mono16, *expected, nullptr, 0,
                      0, &value);
            FrameSettings s;
            s.colourMode = mode;
            step.set(s);
            Process(s);
            EXPECT_TRUE(SamePixels(raw, *expected)) << step.name << " mode " << mode;
            EXPECT_NE(Bytes(raw), before) << step.name << " mode " << mode;
        }
    }
}

// Every tone step at once, in every mode, against the four kernels run one after the other in
// their order (gamma, contrast, sharpness on a copy, brightness): the folded tables must give
// exactly what the chain gives, with sharpness between them or without it. Colour gains lift 16-bit
// colour samples above 12 bits, which every step takes as full scale.
TEST_F(FrameProcessorTest, ToneStepsTogetherMatchTheStepChainInEveryMode) {
    struct ModeKernels {
        int32_t mode;
        int32_t bits;
        PixelKernel gamma, contrast, sharpness, brightness;
    };
    const ModeKernels modes[] = {
        {kMono8, 8, GammaMono8, ContrastMono8, SharpnessMono8, BrightnessMono8},
        {kMono16, 16, GammaMono16, ContrastMono16, SharpnessMono16, BrightnessMono16},
        {kColour24, 24, GammaColour8, ContrastColour8, SharpnessColour8, BrightnessColour8},
        {kColour32, 32, GammaColour8, ContrastColour8, SharpnessColour8, BrightnessColour8},
        {kColour48, 48, GammaColour16, ContrastColour16, SharpnessColour16, BrightnessColour16},
        {kColour64, 64, GammaColour16, ContrastColour16, SharpnessColour16, BrightnessColour16},
    };
    const BayerGains gains{1, 250, 100, 180};
    for (const ModeKernels& m : modes) {
        for (int32_t sharpness : {0, 6}) {
            std::mt19937 rng(static_cast<uint32_t>(m.mode * 10 + sharpness));
            FillRandom(*bank.raw8, rng, 255);
            FillRandom(*bank.raw16, rng, 4095);
            CDibImage& raw = m.bits == 8 || m.bits == 24 || m.bits == 32 ? *bank.raw8 : *bank.raw16;
            auto expected =
                m.bits == 8 || m.bits == 16 ? CopyOf(raw) : Demosaiced(raw, m.bits, gains);
            int32_t gamma = 150, contrast = 20, brightness = -30;
            RunKernel(*expected, m.gamma, *expected, nullptr, 0, 0, &gamma);
            RunKernel(*expected, m.contrast, *expected, nullptr, 0, 0, &contrast);
            if (sharpness != 0) {
                auto copy = CopyOf(*expected);
                RunKernel(*expected, m.sharpness, *copy, nullptr, 0, 0, &sharpness);
            }
            RunKernel(*expected, m.brightness, *expected, nullptr, 0, 0, &brightness);
            FrameSettings s;
            s.colourMode = m.mode;
            s.bayerMode = 1;
            s.redGain = 250;
            s.blueGain = 180;
            s.gamma = gamma;
            s.contrast = contrast;
            s.sharpness = sharpness;
            s.brightness = brightness;
            Process(s);
            const CDibImage* out[] = {bank.raw8.get(),  bank.raw16.get(), bank.out24.get(),
                                      bank.out32.get(), bank.out48.get(), bank.out64.get()};
            EXPECT_TRUE(SamePixels(*out[m.mode], *expected))
                << "mode " << m.mode << ", sharpness " << sharpness;
        }
    }
}

// An application changes tone settings between frames: each frame follows the settings it was
// processed with, never a table kept from an earlier frame.
TEST_F(FrameProcessorTest, ToneSettingsChangedBetweenFramesTakeEffectAtOnce) {
    struct Tone {
        int32_t gamma, contrast, sharpness, brightness;
    };
    const Tone sequence[] = {{150, 20, 6, -30}, {100, 0, 6, 0},   {100, 0, 6, 40},
                             {60, 0, 0, 0},     {60, 0, 0, 25},   {100, 0, 0, 25},
                             {100, 0, 0, 0},    {150, 20, 6, -30}};
    for (int32_t mode : {kMono8, kMono16}) {
        CDibImage& raw = mode == kMono8 ? *bank.raw8 : *bank.raw16;
        std::mt19937 rng(static_cast<uint32_t>(mode));
        for (const Tone& t : sequence) {
            FillRandom(raw, rng, mode == kMono8 ? 255 : 4095);
            auto expected = CopyOf(raw);
            int32_t gamma = t.gamma, contrast = t.contrast, sharpness = t.sharpness,
                    brightness = t.brightness;
            const bool wide = mode == kMono16;
            if (gamma != 100) {
                RunKernel(*expected, wide ? GammaMono16 : GammaMono8, *expected, nullptr, 0, 0,
                          &gamma);
            }
            if (contrast != 0) {
                RunKernel(*expected, wide ? ContrastMono16 : ContrastMono8, *expected, nullptr, 0,
                          0, &contrast);
            }
            if (sharpness != 0) {
                auto copy = CopyOf(*expected);
                RunKernel(*expected, wide ? SharpnessMono16 : SharpnessMono8, *copy, nullptr, 0, 0,
                          &sharpness);
            }
            if (brightness != 0) {
                RunKernel(*expected, wide ? BrightnessMono16 : BrightnessMono8, *expected, nullptr,
                          0, 0, &brightness);
            }
            FrameSettings s;
            s.colourMode = mode;
            s.gamma = t.gamma;
            s.contrast = t.contrast;
            s.sharpness = t.sharpness;
            s.brightness = t.brightness;
            Process(s);
            EXPECT_TRUE(SamePixels(raw, *expected))
                << "mode " << mode << ": gamma " << t.gamma << ", contrast " << t.contrast
                << ", sharpness " << t.sharpness << ", brightness " << t.brightness;
        }
    }
}

TEST_F(FrameProcessorTest, SharpnessReadsAScratchCopyOfTheOutput) {
    bank.scratch = MakeImage(3, 3, 8);  // not prepared for this frame: remade, never overrun
    FrameSettings s;
    s.colourMode = kMono16;
    s.sharpness = 7;
    auto expected = CopyOf(*bank.raw16);
    auto copy = CopyOf(*bank.raw16);
    int32_t value = 7;
    RunKernel(*expected, SharpnessMono16, *copy, nullptr, 0, 0, &value);
    Process(s);
    EXPECT_TRUE(SamePixels(*bank.raw16, *expected));
    EXPECT_EQ(bank.scratch->BitCount(), 16);
}

TEST_F(FrameProcessorTest, FlatFieldRunsBeforeTheDotFilter) {
    Fill(*bank.raw8, 100);
    // A weak pixel of the sensor: the white reference is half as bright there, so flat-field
    // turns 100 into 200 and only then does the dot filter see a hot pixel.
    Set(*bank.whiteRef8, 20, 15, 128);
    FrameSettings s;
    s.maskFilter = 1;
    s.dotFilter = 1;
    Process(s);
    EXPECT_EQ(Get(*bank.raw8, 20, 15), 100u);
    EXPECT_EQ(Get(*bank.dotMap8, 20, 15), 1u);
    s.dotFilter = 0;
    Fill(*bank.raw8, 100);
    Process(s);
    EXPECT_EQ(Get(*bank.raw8, 20, 15), 200u);
}

TEST_F(FrameProcessorTest, FlatFieldUsesTheWindowOffsetAndSixteenBitReferences) {
    Fill(*bank.raw16, 1000);
    Set(*bank.darkRef16, 100 + 5, 200 + 6, 1000);
    FrameSettings s;
    s.colourMode = kColour48;
    s.maskFilter = 1;
    s.EH = kW;
    s.EV = kH;
    s.EHS = 100;
    s.EVS = 200;
    Process(s);
    EXPECT_EQ(Get(*bank.raw16, 5, 6), 0u);
    EXPECT_EQ(Get(*bank.raw16, 6, 6), 1000u * 4096 / 4095);  // still a 12-bit sample
}

TEST_F(FrameProcessorTest, GrayGainsApplyBeforeSoftwareMirroring) {
    FrameSettings s;
    s.grayMode = 1;
    s.grayGainR = 256;
    s.bayerMode = 0;
    s.horizontalMirror = 1;
    auto expected = CopyOf(*bank.raw8);
    GrayGainOffset record{0, 256, 128, 128, 128, 128, 128, 128, 128, 8};
    RunKernel(*expected, GrayGainOffset8, *expected, nullptr, 0, 0, &record);
    SoftwareMirror().Apply(*expected, true, false);
    Process(s);
    EXPECT_TRUE(SamePixels(*bank.raw8, *expected));
    EXPECT_EQ(device.log, (std::vector<std::string>{"IsFlipSupported"}));
}

TEST_F(FrameProcessorTest, GrayStepIsSkippedAtUnityAndInColourModes) {
    FrameSettings s;
    s.grayMode = 1;
    s.grayOffsetB = 0;  // not part of the neutral test
    auto before = Bytes(*bank.raw8);
    Process(s);
    EXPECT_EQ(Bytes(*bank.raw8), before);
    s.colourMode = kColour24;
    s.grayGainR = 300;
    Process(s);
    EXPECT_EQ(Bytes(*bank.raw8), before);
}

TEST_F(FrameProcessorTest, PendingGrayBalanceIsMeasuredOnceAndReported) {
    // R1 positions (row flag off, column flag on) at half the level of the others.
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x)
            Set(*bank.raw16, x, y, (y % 2 == 0 && x % 2 == 1) ? 500 : 1000);
    }
    FrameSettings s;
    s.colourMode = kMono16;
    s.grayMode = 1;
    s.autoGrayCounter = 1;
    const FrameFeedback fb = Process(s);
    EXPECT_TRUE(fb.grayGainsChanged);
    EXPECT_TRUE(fb.autoGrayCounterDecrement);
    EXPECT_EQ(fb.grayGainR, 256);
    EXPECT_EQ(fb.grayGainG1, 128);
    EXPECT_EQ(fb.grayGainG2, 128);
    EXPECT_EQ(fb.grayGainB, 128);
    // Applied with the measured gains and the default offsets of 128, which add nothing: the
    // balance evens the frame out without lifting it (2 x 500 and 1000).
    EXPECT_EQ(Get(*bank.raw16, 1, 0), 1000u);
    EXPECT_EQ(Get(*bank.raw16, 0, 0), 1000u);

    s.autoGrayCounter = 0;
    const FrameFeedback quiet = Process(s);
    EXPECT_FALSE(quiet.grayGainsChanged);
    EXPECT_FALSE(quiet.autoGrayCounterDecrement);
}

TEST_F(FrameProcessorTest, GrayViaColourConvertsEightBitOnlyAndLeavesSixteenBitAlone) {
    FrameSettings s;
    s.grayMode = 2;
    s.bayerMode = 3;
    auto colour = Demosaiced(*bank.raw8, 24, BayerGains{3, 100, 100, 100});
    auto expected = CopyOf(*bank.raw8);
    RunKernel(*expected, BgrToGray8, *colour, nullptr, 0, 0, nullptr);
    Process(s);
    EXPECT_TRUE(SamePixels(*bank.raw8, *expected));

    s.colourMode = kMono16;
    const auto before = Bytes(*bank.raw16);
    Process(s);
    EXPECT_EQ(Bytes(*bank.raw16), before);
}

TEST_F(FrameProcessorTest, MirroringPrecedesConversionWithTheEffectivePhase) {
    for (bool deviceFlips : {false, true}) {
        device.flipSupported = deviceFlips;
        std::mt19937 rng(4);
        FillRandom(*bank.raw8, rng, 255);
        auto mirrored = CopyOf(*bank.raw8);
        if (!deviceFlips) SoftwareMirror().Apply(*mirrored, true, false);
        // Bayer mode 1, horizontal mirror: 1 <-> 3.
        auto expected = Demosaiced(*mirrored, 24, BayerGains{3, 150, 100, 80});
        FrameSettings s;
        s.colourMode = kColour24;
        s.bayerMode = 1;
        s.horizontalMirror = 1;
        s.redGain = 150;
        s.blueGain = 80;
        Process(s);
        EXPECT_TRUE(SamePixels(*bank.out24, *expected)) << deviceFlips;
        EXPECT_TRUE(SamePixels(*bank.raw8, *mirrored)) << deviceFlips;
    }
}

TEST_F(FrameProcessorTest, VerticalMirrorSwapsPhaseAndSixteenBitModesConvertTo64) {
    device.mirrorSupported = true;  // the device flips: no software work, phase still changes
    const auto raw = CopyOf(*bank.raw16);
    auto expected = Demosaiced(*raw, 64, BayerGains{2 ^ 1, 100, 100, 100});
    FrameSettings s;
    s.colourMode = kColour64;
    s.bayerMode = 2;
    s.verticalMirror = 1;
    Process(s);
    EXPECT_TRUE(SamePixels(*bank.out64, *expected));
    EXPECT_EQ(Bytes(*bank.raw16), Bytes(*raw));
}

TEST_F(FrameProcessorTest, AutoWhiteBalanceLimitsGainsAndClearsOnlyWhenBothOnceFlagsAreSet) {
    // Phase 0: (even row, odd column) blue, (odd row, even column) red, the rest green.
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
            const bool red = y % 2 == 1 && x % 2 == 0;
            const bool blue = y % 2 == 0 && x % 2 == 1;
            Set(*bank.raw8, x, y, red ? 20 : (blue ? 100 : 200));
        }
    }
    const int32_t onceFlags[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (const auto& once : onceFlags) {
        FrameSettings s;
        s.colourMode = kColour32;
        s.bayerGainAuto = 1;
        s.bayerAutoOnceA = once[0];
        s.bayerAutoOnceB = once[1];
        const FrameFeedback fb = Process(s);
        EXPECT_TRUE(fb.bayerGainsChanged);
        EXPECT_EQ(fb.redGain, 400);  // 1000 measured
        EXPECT_EQ(fb.greenGain, 100);
        EXPECT_EQ(fb.blueGain, 200);
        EXPECT_EQ(fb.bayerAutoCleared, once[0] == 1 && once[1] == 1);
    }
    // The conversion used the limited gains.
    auto raw = CopyOf(*bank.raw8);
    auto expected = Demosaiced(*raw, 32, BayerGains{0, 400, 100, 200});
    EXPECT_TRUE(SamePixels(*bank.out32, *expected));
}

TEST_F(FrameProcessorTest, HueAndColourToneStepsFollowConversion) {
    FrameSettings s;
    s.colourMode = kColour48;
    s.hue = 40;
    s.saturation = 30;
    s.gamma = 80;
    auto expected = Demosaiced(*bank.raw16, 48, BayerGains{0, 100, 100, 100});
    HueSaturation hue{40, 0, 30, 16};
    RunKernel(*expected, HueSaturation48, *expected, nullptr, 0, 0, &hue);
    int32_t gamma = 80;
    RunKernel(*expected, GammaColour16, *expected, nullptr, 0, 0, &gamma);
    Process(s);
    EXPECT_TRUE(SamePixels(*bank.out48, *expected));

    s.hue = 0;
    s.saturation = 0;
    s.gamma = 100;
    Process(s);
    EXPECT_TRUE(
        SamePixels(*bank.out48, *Demosaiced(*bank.raw16, 48, BayerGains{0, 100, 100, 100})));
}

TEST_F(FrameProcessorTest, AutoGainRunsFirstOnTheRawFrame) {
    Fill(*bank.raw8, 250);
    device.gain = 100;
    FrameSettings s;
    s.autoIrisMode = 2;
    s.brightness = -255;  // later steps blacken the frame; the measurement saw it bright
    const FrameFeedback fb = Process(s);
    EXPECT_TRUE(fb.gainChanged);
    EXPECT_EQ(fb.gain, 25);  // 0.85 - 4 x 0.15 = 0.25
    EXPECT_EQ(Get(*bank.raw8, 3, 3), 0u);
}

TEST_F(FrameProcessorTest, MissingImagesAreSkippedNotDereferenced) {
    FrameImages views = bank.Views();
    views.raw8 = nullptr;
    FrameSettings s;
    s.maskFilter = 1;
    s.dotFilter = 1;
    s.autoIrisMode = 1;
    EXPECT_FALSE(processor.ProcessFrame(views, s, device, maskLock).exposureChanged);
    views = bank.Views();
    views.out24 = nullptr;
    views.darkRef8 = nullptr;
    views.dotMap8 = nullptr;
    s.colourMode = kColour24;
    s.autoIrisMode = 0;
    s.hue = 10;
    s.sharpness = 3;
    const auto before = Bytes(*bank.raw8);
    processor.ProcessFrame(views, s, device, maskLock);
    EXPECT_TRUE(device.log.empty());
    EXPECT_EQ(Bytes(*bank.raw8), before);  // no references, no maps: nothing to correct with
}

// References replaced under the mask lock while frames are corrected: every frame must be
// corrected wholly with the old or wholly with the new references, never a mixture.
TEST_F(FrameProcessorTest, ReferencesSwappedUnderTheMaskLockNeverMixWithinAFrame) {
    FrameSettings s;
    s.maskFilter = 1;
    std::atomic<bool> done{false};
    std::thread swapper([&] {
        for (uint32_t k = 0; !done.load(); ++k) {
            {
                std::lock_guard<std::recursive_mutex> lock(maskLock);
                for (int32_t y = 0; y < kH; ++y) {
                    for (int32_t x = 0; x < kW; ++x) Set(*bank.whiteRef8, x, y, k % 2 ? 255 : 128);
                }
                // As every writer of a reference does.
                RebuildDefectMaps(bank.Views(), 0, kWhiteMask);
            }
            std::this_thread::yield();
        }
    });
    int mixed = 0;
    for (int frame = 0; frame < 40; ++frame) {
        Fill(*bank.raw8, 100);
        Process(s);
        const uint32_t first = Get(*bank.raw8, 0, 0);
        if (first != 200 && first != 100) ++mixed;
        for (int32_t y = 0; y < kH; ++y) {
            for (int32_t x = 0; x < kW; ++x) mixed += Get(*bank.raw8, x, y) != first;
        }
    }
    done.store(true);
    swapper.join();
    EXPECT_EQ(mixed, 0);
}

}  // namespace
}  // namespace kelvra::processing::test
