// Filter values by index: ranges, the packed bayer gains, the channel forms and the values that
// live in the camera.
#include <gtest/gtest.h>

#include <climits>

#include "values/ValuesFixture.h"

namespace kelvra::test {
namespace {

class FilterValues : public ValuesTest {};

struct Range {
    int index;
    int min;
    int max;
};

// Every stored value with the limits it accepts.
constexpr Range kStoredRanges[] = {
    {KELVRA_FILTER_BRIGHTNESS, -255, 255},
    {KELVRA_FILTER_CONTRAST, -127, 127},
    {KELVRA_FILTER_HUE, -360, 360},
    {KELVRA_FILTER_SATURATION, -255, 255},
    {KELVRA_FILTER_SHARPNESS, 0, 30},
    {KELVRA_FILTER_BAYER_GAIN_RED, 0, 400},
    {KELVRA_FILTER_BAYER_GAIN_GREEN, 0, 400},
    {KELVRA_FILTER_BAYER_GAIN_BLUE, 0, 400},
    {KELVRA_FILTER_GAMMA, 0, 200},
    {KELVRA_FILTER_BAYER_MODE, 0, 3},
    {KELVRA_FILTER_GRAY_MODE, 0, 2},
    {KELVRA_FILTER_GRAY_GAIN_R, 0, 255},
    {KELVRA_FILTER_GRAY_GAIN_G1, 0, 255},
    {KELVRA_FILTER_GRAY_GAIN_G2, 0, 255},
    {KELVRA_FILTER_GRAY_GAIN_B, 0, 255},
    {KELVRA_FILTER_GRAY_OFFSET_R, -255, 255},
    {KELVRA_FILTER_GRAY_OFFSET_G1, -255, 255},
    {KELVRA_FILTER_GRAY_OFFSET_G2, -255, 255},
    {KELVRA_FILTER_GRAY_OFFSET_B, -255, 255},
    {KELVRA_FILTER_DOT_FILTER, 0, 1},
    {KELVRA_FILTER_MASK_FILTER, 0, 1},
};

TEST_F(FilterValues, StoredValuesAcceptTheirEdgesAndRefuseOneBeyond) {
    for (const Range& r : kStoredRanges) {
        for (int value : {r.min, r.max}) {
            EXPECT_EQ(front_->SetFilterValue(r.index, value), 1) << r.index << " " << value;
            int ok = -1;
            EXPECT_EQ(front_->GetFilterValue(r.index, &ok), value) << r.index;
            EXPECT_EQ(ok, 1) << r.index;
        }
        for (int value : {r.min - 1, r.max + 1}) {
            EXPECT_EQ(front_->SetFilterValue(r.index, value), 0) << r.index << " " << value;
            EXPECT_EQ(Errors(), std::vector<int32_t>{9}) << r.index << " " << value;
        }
        EXPECT_EQ(front_->GetFilterValue(r.index, nullptr), r.max) << r.index;
    }
    EXPECT_TRUE(log_.empty());  // none of them reaches the camera
}

TEST_F(FilterValues, StoredValuesLandInTheSettingsTheFramePathReads) {
    ASSERT_EQ(front_->SetFilterValue(KELVRA_FILTER_BRIGHTNESS, -17), 1);
    ASSERT_EQ(front_->SetFilterValue(KELVRA_FILTER_GAMMA, 150), 1);
    ASSERT_EQ(front_->SetFilterValue(KELVRA_FILTER_GRAY_GAIN_G2, 77), 1);
    ASSERT_EQ(front_->SetFilterValue(KELVRA_FILTER_GRAY_OFFSET_B, -99), 1);
    ASSERT_EQ(front_->SetFilterValue(KELVRA_FILTER_DOT_FILTER, 1), 1);
    ASSERT_EQ(front_->SetFilterValue(KELVRA_FILTER_AUTO_GRAY_ONCE, 1), 1);
    EXPECT_EQ(front_->FilterSettings().brightness, -17);
    EXPECT_EQ(front_->FilterSettings().gamma, 150);
    EXPECT_EQ(front_->GraySettings().gainG2, 77);
    EXPECT_EQ(front_->GraySettings().offsetB1, -99);
    EXPECT_EQ(front_->Flags().dotFilter, 1);
    EXPECT_EQ(front_->Flags().maskFilter, 0);
    EXPECT_EQ(front_->Flags().autoGrayCount, 1);
}

TEST_F(FilterValues, BayerGainAutoTakesAnyValueAsAFlag) {
    for (int value : {INT_MIN, -1, 2, INT_MAX}) {
        EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_BAYER_GAIN_AUTO, value), 1);
        EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_BAYER_GAIN_AUTO, nullptr), 1) << value;
    }
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_BAYER_GAIN_AUTO, 0), 1);
    EXPECT_EQ(front_->Flags().bayerGainAuto, 0);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(FilterValues, PackedBayerGainsSplitIntoBytesAndPackBack) {
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_BAYER_GAIN_RGB, 0x00C86432), 1);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_BAYER_GAIN_RED, nullptr), 0x32);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_BAYER_GAIN_GREEN, nullptr), 0x64);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_BAYER_GAIN_BLUE, nullptr), 0xC8);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_BAYER_GAIN_RGB, nullptr), 0x00C86432);

    // No range check; the top byte is dropped. Packing keeps the low byte of each gain.
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_BAYER_GAIN_RGB, -1), 1);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_BAYER_GAIN_BLUE, nullptr), 0xFF);
    ASSERT_EQ(front_->SetFilterValue(KELVRA_FILTER_BAYER_GAIN_RED, 400), 1);  // 0x190
    ASSERT_EQ(front_->SetFilterValue(KELVRA_FILTER_BAYER_GAIN_GREEN, 1), 1);
    int ok = 0;
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_BAYER_GAIN_RGB, &ok), 0x00FF0190);
    EXPECT_EQ(ok, 1);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(FilterValues, IndicesThatCannotBeReadOrSet) {
    for (int index : {0, 28, 29, 32, 33, 36, 37, 99, 107, -1}) {
        int ok = -1;
        EXPECT_EQ(front_->GetFilterValue(index, &ok), 0) << index;
        EXPECT_EQ(ok, 0) << index;
        EXPECT_EQ(Errors(), std::vector<int32_t>{9}) << index;
    }
    for (int index : {0, 29, 36, 37, 99, 101, 107}) {
        EXPECT_EQ(front_->SetFilterValue(index, 0), 0) << index;
        EXPECT_EQ(Errors(), std::vector<int32_t>{9}) << index;
    }
    int ok = -1;
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_TEMPERATURE, &ok), -1);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{11});
    EXPECT_TRUE(log_.empty());
}

TEST_F(FilterValues, ChannelFormsMapToIndicesThatAlwaysFail) {
    int ok = -1;
    EXPECT_EQ(front_->SetChannelValue(false, 5, 10), 0);
    EXPECT_EQ(front_->SetChannelValue(true, 0, 10), 0);
    EXPECT_EQ(front_->GetChannelValue(false, -1, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(Posted().empty());

    for (bool offset : {false, true}) {
        for (int channel = 1; channel <= 4; ++channel) {
            EXPECT_EQ(front_->SetChannelValue(offset, channel, 1), 0);
            ok = -1;
            EXPECT_EQ(front_->GetChannelValue(offset, channel, &ok), 0);
            EXPECT_EQ(ok, 0);
            EXPECT_EQ(Errors(), (std::vector<int32_t>{9, 9})) << offset << channel;
        }
    }
}

TEST_F(FilterValues, WithoutDeviceEveryIndexIsCodeOne) {
    MakeWithoutDevice();
    for (int index : {1, 6, 13, 28, 100, 106, 500}) {
        int ok = -1;
        EXPECT_EQ(front_->SetFilterValue(index, 0), 0);
        EXPECT_EQ(front_->GetFilterValue(index, &ok), 0);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(Errors(), (std::vector<int32_t>{1, 1})) << index;
    }
    EXPECT_EQ(front_->SetChannelValue(false, 1, 0), 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{1});
}

TEST_F(FilterValues, GlobalGainWritesTheDeviceAndAllFourColourGains) {
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_GLOBAL_GAIN, 480), 1);
    EXPECT_EQ(log_, std::vector<std::string>{"SetGain 480"});
    const settings::CameraSettings camera = front_->CameraSettings();
    EXPECT_EQ(camera.globalGain, 480);
    EXPECT_EQ(camera.colorR, 480);
    EXPECT_EQ(camera.colorG1, 480);
    EXPECT_EQ(camera.colorG2, 480);
    EXPECT_EQ(camera.colorB, 480);
    core_->gain = 123;  // the getter reads the camera, not the mirror
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_GLOBAL_GAIN, nullptr), 123);

    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_GLOBAL_GAIN, 481), 0);
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_GLOBAL_GAIN, -1), 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{9, 9}));
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_GLOBAL_GAIN, 0), 1);
}

TEST_F(FilterValues, ColourGainsUseTheColourGainLimits) {
    // The scripted camera's colour gains run from 1 to 2.
    const int indices[] = {KELVRA_FILTER_COLOR_GAIN_RED, KELVRA_FILTER_COLOR_GAIN_GREEN1,
                           KELVRA_FILTER_COLOR_GAIN_GREEN2, KELVRA_FILTER_COLOR_GAIN_BLUE};
    for (int index : indices) {
        EXPECT_EQ(front_->SetFilterValue(index, 0), 0) << index;
        EXPECT_EQ(front_->SetFilterValue(index, 3), 0) << index;
        EXPECT_EQ(Errors(), (std::vector<int32_t>{9, 9})) << index;
        EXPECT_EQ(front_->SetFilterValue(index, 2), 1) << index;
    }
    EXPECT_EQ(log_, (std::vector<std::string>{"SetColorGainRed 2", "SetColorGainGreen1 2",
                                              "SetColorGainGreen2 2", "SetColorGainBlue 2"}));
    core_->red = 1;
    core_->green1 = 2;
    core_->green2 = 1;
    core_->blue = 2;
    int ok = 0;
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_COLOR_GAIN_RED, &ok), 1);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_COLOR_GAIN_GREEN1, nullptr), 2);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_COLOR_GAIN_GREEN2, nullptr), 1);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_COLOR_GAIN_BLUE, nullptr), 2);
    const settings::CameraSettings camera = front_->CameraSettings();
    EXPECT_EQ(camera.colorR, 2);
    EXPECT_EQ(camera.colorG1, 2);
    EXPECT_EQ(camera.colorG2, 2);
    EXPECT_EQ(camera.colorB, 2);
}

TEST_F(FilterValues, RefusedGainIsNotStored) {
    Make({.refuseWrites = true});
    const int before = front_->CameraSettings().globalGain;
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_GLOBAL_GAIN, 100), 0);
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_EXPOSURE, 200), 0);
    EXPECT_EQ(front_->CameraSettings().globalGain, before);
    EXPECT_NE(front_->CameraSettings().exposure, 200);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(FilterValues, ExposureRangeAndTheSecondsMirror) {
    // Limits 3..600000 units of 0.1 ms.
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_EXPOSURE, 2), 0);
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_EXPOSURE, 600001), 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{9, 9}));
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_EXPOSURE, 3), 1);
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_EXPOSURE, 600000), 1);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_EXPOSURE, nullptr), 600000);
    EXPECT_EQ(front_->CameraSettings().exposure, 600000);
    // This camera does not work in seconds: the seconds mirror stays as it was.
    const double secondsBefore = front_->CameraSettings().exposureSeconds;
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_EXPOSURE, 250), 1);
    EXPECT_DOUBLE_EQ(front_->CameraSettings().exposureSeconds, secondsBefore);

    ScriptedDeviceCore::Script seconds;
    seconds.exposureSeconds = true;
    Make({}, seconds);
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_EXPOSURE, 250), 1);
    EXPECT_DOUBLE_EQ(front_->CameraSettings().exposureSeconds, 0.025);
}

TEST_F(FilterValues, CoolerFollowsTheCamerasCooler) {
    int ok = -1;
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_COOLER, 1), 0);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_COOLER, &ok), -1);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{11, 11}));

    ScriptedDeviceCore::Script cooled;
    cooled.cooler = true;
    Make({}, cooled);
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_COOLER, 0), 1);
    EXPECT_EQ(log_, std::vector<std::string>{"SetCooler 0"});
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_COOLER, &ok), 0);
    EXPECT_EQ(ok, 1);
    core_->coolerState = 1;
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_COOLER, nullptr), 1);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(FilterValues, GainModeIsTheDevicesAnswer) {
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_GAIN_MODE, 2), 1);
    EXPECT_EQ(core_->gainMode, 2);
    EXPECT_EQ(front_->CameraSettings().gainMode, 2);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_GAIN_MODE, nullptr), 2);

    Make({.refuseWrites = true});
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_GAIN_MODE, 2), 0);
    EXPECT_EQ(front_->CameraSettings().gainMode, 0);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(FilterValues, ShortExposureModeWithAndWithoutSupport) {
    int ok = -1;
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_FEATURE_105, 1), 0);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_FEATURE_105, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{11, 11}));

    Make({.shortExposure = true});
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_FEATURE_105, 5), 1);
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_FEATURE_105, -5), 1);
    EXPECT_EQ(log_, (std::vector<std::string>{"SetShortExposureMode 1", "SetShortExposureMode 0"}));
    EXPECT_TRUE(Posted().empty());  // setting records nothing on success
    core_->shortMode = 7;
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_FEATURE_105, &ok), 1);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Posted(), std::vector<intptr_t>{0});  // reading records the success marker

    Make({.shortExposure = true, .shortExposureFails = true});
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_FEATURE_105, 1), 0);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_FEATURE_105, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{6, 6}));
}

TEST_F(FilterValues, BlackLevelWithAndWithoutSupport) {
    int ok = -1;
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_BLACK_LEVEL, 10), 0);
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_BLACK_LEVEL, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{11, 11}));

    Make({.blackLevel = true});
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_BLACK_LEVEL, 64), 1);
    EXPECT_EQ(core_->level, 64);
    EXPECT_EQ(front_->CameraSettings().blackLevel, 64);
    EXPECT_EQ(Posted(), std::vector<intptr_t>{0});
    core_->level = 80;
    EXPECT_EQ(front_->GetFilterValue(KELVRA_FILTER_BLACK_LEVEL, &ok), 80);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(front_->CameraSettings().blackLevel, 80);  // a read refreshes the mirror
    EXPECT_EQ(Posted(), std::vector<intptr_t>{0});

    Make({.blackLevel = true, .blackLevelFails = true});
    EXPECT_EQ(front_->SetFilterValue(KELVRA_FILTER_BLACK_LEVEL, 64), 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{6});
    EXPECT_NE(front_->CameraSettings().blackLevel, 64);
}

}  // namespace
}  // namespace kelvra::test
