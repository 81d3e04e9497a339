// Window, filter, exposure and configuration-file exports through the public API, against a
// simulated camera.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "KelvraSdk.h"
#include "platform/SettingsStore.h"
#include "settings/RegistrySettings.h"
#include "sim/Simulator.h"
#include "support/TempConfigHome.h"
#include "transport/CFx3Api.h"
#include "transport/PrivateDeviceMap.h"

namespace kelvra::test {
namespace {

class ValuesApi : public ::testing::Test {
  protected:
    void SetUp() override {
        camera_ = sim::attachCamera();
        window_ = Kelvra_CreateMessageWindow();
        handle_ = Kelvra_Initialize(window_);
        ASSERT_NE(handle_, 0);
        Drain();
    }
    void TearDown() override {
        EXPECT_EQ(Kelvra_Release(handle_), 1);
        Kelvra_DestroyMessageWindow(window_);
        sim::detachAllCameras();
    }

    std::vector<int> Errors() {
        std::vector<int> codes;
        for (int code; (code = Kelvra_GetLastError(handle_)) != 0;) codes.push_back(code);
        return codes;
    }
    std::vector<intptr_t> Drain() {
        std::vector<intptr_t> codes;
        KELVRA_MSG msg;
        while (Kelvra_GetMessage(window_, &msg, 0) == 1) codes.push_back(msg.lParam);
        return codes;
    }

    TempConfigHome home_;
    transport::test::PrivateDeviceMap map_{"kelvra-values-api-"};  // test programs run side by side
    std::shared_ptr<sim::SimCamera> camera_;
    HWND window_ = nullptr;
    int handle_ = 0;
};

TEST_F(ValuesApi, DirectWindowFollowsTheCamerasWindowFlags) {
    // The camera reads out whole rows only: a partial width is refused, a partial height not.
    EXPECT_EQ(Kelvra_SetCaptureWindowEx(handle_, 1280, 0, 640, 1024, 0, 1024), 0);
    EXPECT_EQ(Errors(), std::vector<int>{KELVRA_ERR_PARAMETER});
    EXPECT_EQ(Kelvra_SetCaptureWindowEx(handle_, 1280, 0, 1280, 1024, 256, 512), 1);
    EXPECT_EQ(Kelvra_Width(handle_), 1280);
    EXPECT_EQ(Kelvra_Height(handle_), 512);
    int v[6] = {};
    EXPECT_EQ(Kelvra_GetCaptureWindowEx(handle_, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]), 1);
    EXPECT_EQ(std::vector<int>(v, v + 6), (std::vector<int>{1280, 0, 1280, 1024, 256, 512}));
    EXPECT_EQ(Kelvra_SetCaptureWindowEx(handle_, 1280, 0, 1280, 1024, 513, 512), 0);
    EXPECT_EQ(Errors(), std::vector<int>{KELVRA_ERR_WINDOW_SIZE});
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ValuesApi, SizePresetOfTheOpenCamera) {
    EXPECT_EQ(Kelvra_SetCaptureWindow(handle_, 1280, 512), 0);
    EXPECT_EQ(Errors(), std::vector<int>{KELVRA_ERR_WINDOW});
    platform::SettingsStore store(home_.RegistryFile().string());
    ASSERT_TRUE(store.Update([](platform::SettingsTree& t) {
        const std::string key = settings::SizePresetKey(0, 0);
        for (const char* name : {"TH", "EH"}) t.SetDword(key, name, 1280);
        for (const char* name : {"TV", "EV"}) t.SetDword(key, name, 512);
        t.SetDword(key, "EHS", 0);
        t.SetDword(key, "EVS", 128);
        t.SetDword(key, "Buf", 4);
    }));
    EXPECT_EQ(Kelvra_SetCaptureWindow(handle_, 1280, 512), 1);
    EXPECT_EQ(Kelvra_Height(handle_), 512);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ValuesApi, FilterValuesAndTheirNamedForms) {
    EXPECT_EQ(Kelvra_SetBrightness(handle_, 256), 0);
    EXPECT_EQ(Errors(), std::vector<int>{KELVRA_ERR_PARAMETER});
    EXPECT_EQ(Kelvra_SetBrightness(handle_, -255), 1);
    int ok = 0;
    EXPECT_EQ(Kelvra_GetBrightness(handle_, &ok), -255);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Kelvra_SetSharpness(handle_, 31), 0);
    EXPECT_EQ(Kelvra_SetGamma(handle_, 201), 0);
    EXPECT_EQ(Errors(), (std::vector<int>{KELVRA_ERR_PARAMETER, KELVRA_ERR_PARAMETER}));

    EXPECT_EQ(Kelvra_SetBayerGainRGB(handle_, 0x00C86432), 1);
    EXPECT_EQ(Kelvra_GetBayerGainRed(handle_, nullptr), 0x32);
    EXPECT_EQ(Kelvra_GetBayerGainGreen(handle_, nullptr), 0x64);
    EXPECT_EQ(Kelvra_GetBayerGainBlue(handle_, nullptr), 0xC8);
    EXPECT_EQ(Kelvra_GetBayerGainRGB(handle_, nullptr), 0x00C86432);

    ok = -1;
    EXPECT_EQ(Kelvra_GetFilterValue(handle_, KELVRA_FILTER_AUTO_GRAY_ONCE, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(), std::vector<int>{KELVRA_ERR_PARAMETER});

    EXPECT_EQ(Kelvra_SetChannelGain(handle_, 5, 1), 0);
    EXPECT_EQ(Kelvra_GetChannelOffset(handle_, 0, nullptr), 0);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Kelvra_SetChannelGain(handle_, 1, 1), 0);
    EXPECT_EQ(Kelvra_GetChannelOffset(handle_, 4, nullptr), 0);
    EXPECT_EQ(Errors(), (std::vector<int>{KELVRA_ERR_PARAMETER, KELVRA_ERR_PARAMETER}));
}

TEST_F(ValuesApi, GainsAndExposureReachTheCamera) {
    KELVRA_CAMERA_INFO info{};
    info.size = sizeof info;
    ASSERT_EQ(Kelvra_GetCameraInfo(handle_, &info), 1);
    ASSERT_LT(info.gainMin, info.gainMax);

    EXPECT_EQ(Kelvra_SetGlobalGain(handle_, info.gainMax + 1), 0);
    EXPECT_EQ(Errors(), std::vector<int>{KELVRA_ERR_PARAMETER});
    const int gain = (info.gainMin + info.gainMax) / 2;
    EXPECT_EQ(Kelvra_SetGlobalGain(handle_, gain), 1);
    EXPECT_EQ(Kelvra_GetGlobalGain(handle_, nullptr), gain);

    EXPECT_EQ(Kelvra_SetExposureTime(handle_, info.exposureMin - 1), 0);
    EXPECT_EQ(Errors(), std::vector<int>{KELVRA_ERR_PARAMETER});
    EXPECT_EQ(Kelvra_SetExposureTime(handle_, 250), 1);
    EXPECT_EQ(Kelvra_GetExposureTime(handle_, nullptr), 250);
    int ok = 0;
    EXPECT_NEAR(Kelvra_GetExposureTimeEx(handle_, &ok), 0.025, 1e-4);
    EXPECT_EQ(ok, 1);

    EXPECT_EQ(Kelvra_SetRealExposureTime(handle_, 12345), 1);
    EXPECT_EQ(Kelvra_GetExposureTime(handle_, nullptr), 123);
    EXPECT_EQ(Kelvra_GetRealExposureTime(handle_, &ok), 12300);

    EXPECT_EQ(Kelvra_SetExposureTimeEx(handle_, 0.5), 1);
    EXPECT_NEAR(Kelvra_GetExposureTimeEx(handle_, nullptr), 0.5, 1e-4);
    EXPECT_EQ(Kelvra_GetRealExposureTime(handle_, nullptr), 500000);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ValuesApi, CoolerTemperatureAndUnsupportedFeatures) {
    EXPECT_EQ(Kelvra_SetPeltier(handle_, 0), 1);
    EXPECT_EQ(Kelvra_GetPeltier(handle_, nullptr), 0);
    EXPECT_EQ(Kelvra_SetPeltier(handle_, 1), 1);
    int ok = 0;
    EXPECT_EQ(Kelvra_GetPeltier(handle_, &ok), 1);
    EXPECT_EQ(ok, 1);

    Drain();
    ok = 0;
    const double celsius = Kelvra_GetTemperatureEx(handle_, &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_NEAR(celsius, camera_->sensorTemperature(), 1.0);
    EXPECT_EQ(Drain(), std::vector<intptr_t>{0});

    EXPECT_EQ(Kelvra_GetTemperature(handle_, &ok), -1);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(), std::vector<int>{KELVRA_ERR_UNSUPPORTED});
    // This sensor has no adjustable black level.
    EXPECT_EQ(Kelvra_SetFilterValue(handle_, KELVRA_FILTER_BLACK_LEVEL, 10), 0);
    EXPECT_EQ(Errors(), std::vector<int>{KELVRA_ERR_UNSUPPORTED});
}

TEST_F(ValuesApi, MirrorAndAutoIris) {
    EXPECT_EQ(Kelvra_SetMirrorH(handle_, 5), 1);
    EXPECT_EQ(Kelvra_GetMirrorH(handle_), 1);
    EXPECT_EQ(Kelvra_SetMirrorV(handle_, 0), 1);
    EXPECT_EQ(Kelvra_GetMirrorV(handle_), 0);

    EXPECT_EQ(Kelvra_SetAutoIris(handle_, 2), 1);
    Drain();
    EXPECT_EQ(Kelvra_SetAutoIris(handle_, 3), 0);
    EXPECT_EQ(Drain(), std::vector<intptr_t>{KELVRA_ERR_PARAMETER});
    EXPECT_TRUE(Errors().empty());
    int ok = 0;
    EXPECT_EQ(Kelvra_GetAutoIris(handle_, &ok), 2);
    EXPECT_EQ(ok, 1);
}

TEST_F(ValuesApi, ConfigFileNarrowAndWide) {
    const std::string path = (home_.Dir() / "config.bin").string();
    {
        std::ofstream out(path, std::ios::binary);
        const unsigned char bytes[] = {1, 0, 0, 0, 2, 0, 0, 0, 3};
        out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    }
    EXPECT_EQ(Kelvra_LoadConfigFileA(handle_, path.c_str()), 1);
    EXPECT_EQ(Kelvra_LoadConfigFileA(handle_, (path + ".missing").c_str()), 0);
    EXPECT_TRUE(Errors().empty());

    const std::u16string wide(path.begin(), path.end());  // the temporary path is ASCII
    EXPECT_EQ(Kelvra_LoadConfigFileW(handle_, wide.c_str()), 1);
    EXPECT_TRUE(Errors().empty());
    // 1024 bytes once converted: no room left for the terminator.
    const std::u16string tooLong(1024, u'a');
    EXPECT_EQ(Kelvra_LoadConfigFileW(handle_, tooLong.c_str()), 0);
    EXPECT_EQ(Errors(), std::vector<int>{KELVRA_ERR_CONVERSION});
    const std::u16string justFits(1023, u'a');
    EXPECT_EQ(Kelvra_LoadConfigFileW(handle_, justFits.c_str()), 0);  // converts, but no file
    EXPECT_TRUE(Errors().empty());
}

TEST(ValuesApiWithoutHandle, UnknownHandleGivesFailureValuesOnly) {
    TempConfigHome home;
    int ok = 7;
    int th = 7;
    EXPECT_EQ(Kelvra_SetCaptureWindow(9999, 1280, 1024), 0);
    EXPECT_EQ(Kelvra_GetCaptureWindowEx(9999, &th, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(Kelvra_Width(9999), 0);
    EXPECT_EQ(Kelvra_GetFilterValue(9999, 1, &ok), 0);
    EXPECT_EQ(Kelvra_GetBrightness(9999, &ok), 0);
    EXPECT_EQ(Kelvra_GetExposureTimeEx(9999, &ok), 0.0);
    EXPECT_EQ(Kelvra_GetTemperatureEx(9999, &ok), 0.0);
    EXPECT_EQ(Kelvra_LoadConfigFileW(9999, u"x"), 0);
    EXPECT_EQ(ok, 7);
    EXPECT_EQ(th, 7);
}

}  // namespace
}  // namespace kelvra::test
