// Exposure in seconds and microseconds, automatic control and the sensor temperature.
#include <gtest/gtest.h>

#include <limits>

#include "values/ValuesFixture.h"

namespace kelvra::test {
namespace {

class Exposure : public ValuesTest {
  protected:
    void MakeSeconds(Features features = {}) {
        ScriptedDeviceCore::Script script;
        script.exposureSeconds = true;
        Make(features, script);
    }
};

TEST_F(Exposure, SecondsAreSetOnACameraThatWorksInSeconds) {
    MakeSeconds();
    EXPECT_EQ(front_->SetExposureTimeEx(0.12345678), 1);
    EXPECT_DOUBLE_EQ(core_->seconds, 0.12345678);
    const settings::CameraSettings camera = front_->CameraSettings();
    EXPECT_DOUBLE_EQ(camera.exposureSeconds, 0.12345678);
    EXPECT_EQ(camera.exposure, 1234);  // truncated, not rounded
    EXPECT_TRUE(Errors().empty());

    int ok = -1;
    core_->seconds = 2.5;
    EXPECT_DOUBLE_EQ(front_->GetExposureTimeEx(&ok), 2.5);
    EXPECT_EQ(ok, 1);
    EXPECT_DOUBLE_EQ(front_->CameraSettings().exposureSeconds, 2.5);
}

TEST_F(Exposure, SecondsBeyondTheUnitRangeSaturateTheUnitMirror) {
    MakeSeconds();
    EXPECT_EQ(front_->SetExposureTimeEx(1.0e9), 1);
    EXPECT_EQ(front_->CameraSettings().exposure, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(front_->SetExposureTimeEx(std::numeric_limits<double>::infinity()), 1);
    EXPECT_EQ(front_->CameraSettings().exposure, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(front_->SetExposureTimeEx(-1.0e9), 1);
    EXPECT_EQ(front_->CameraSettings().exposure, std::numeric_limits<int32_t>::min());
    int ok = 0;
    EXPECT_EQ(front_->GetRealExposureTime(&ok), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ok, 1);
}

TEST_F(Exposure, RefusedSecondsAreNotStoredAndRecordNothing) {
    MakeSeconds({.refuseSeconds = true});
    const settings::CameraSettings before = front_->CameraSettings();
    EXPECT_EQ(front_->SetExposureTimeEx(0.5), 0);
    EXPECT_DOUBLE_EQ(front_->CameraSettings().exposureSeconds, before.exposureSeconds);
    EXPECT_EQ(front_->CameraSettings().exposure, before.exposure);
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(Posted().empty());
}

TEST_F(Exposure, SecondsReadThatFailsGivesMinusOneWithoutACode) {
    MakeSeconds({.secondsReadFails = true});
    int ok = -1;
    EXPECT_DOUBLE_EQ(front_->GetExposureTimeEx(&ok), -1.0);
    EXPECT_EQ(ok, 0);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Exposure, SecondsOnACameraWithoutThemAreCodeEleven) {
    int ok = -1;
    EXPECT_EQ(front_->SetExposureTimeEx(0.5), 0);
    EXPECT_DOUBLE_EQ(front_->GetExposureTimeEx(&ok), -1.0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{11, 11}));
    EXPECT_TRUE(log_.empty());
}

TEST_F(Exposure, RealExposureIsTruncatedToUnitsAndRangeChecked) {
    // Limits 3..600000 units: 300 us .. 60 s.
    EXPECT_EQ(front_->SetRealExposureTime(299), 0);
    EXPECT_EQ(front_->SetRealExposureTime(60000100), 0);
    EXPECT_EQ(front_->SetRealExposureTime(-300), 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{9, 9, 9}));
    EXPECT_TRUE(log_.empty());

    EXPECT_EQ(front_->SetRealExposureTime(12399), 1);
    EXPECT_EQ(log_, std::vector<std::string>{"SetExposureTime 123"});
    EXPECT_EQ(front_->CameraSettings().exposure, 123);
    int ok = 0;
    EXPECT_EQ(front_->GetRealExposureTime(&ok), 12300);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(front_->SetRealExposureTime(300), 1);
    EXPECT_EQ(front_->SetRealExposureTime(60000099), 1);
    EXPECT_EQ(front_->GetRealExposureTime(nullptr), 60000000);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Exposure, RealExposureRefreshesTheSecondsMirror) {
    MakeSeconds();
    EXPECT_EQ(front_->SetRealExposureTime(1500), 1);
    EXPECT_DOUBLE_EQ(front_->CameraSettings().exposureSeconds, 0.0015);
    EXPECT_EQ(front_->GetRealExposureTime(nullptr), 1500);
}

TEST_F(Exposure, RealExposureTheCameraRefusesIsNotStored) {
    Make({.refuseWrites = true});
    const int32_t before = front_->CameraSettings().exposure;
    EXPECT_EQ(front_->SetRealExposureTime(5000), 0);
    EXPECT_EQ(front_->CameraSettings().exposure, before);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Exposure, AutoIrisModesAndTheNotifiedRefusal) {
    int ok = -1;
    for (int mode : {2, 1, 0}) {
        EXPECT_EQ(front_->SetAutoIris(mode), 1);
        EXPECT_EQ(front_->GetAutoIris(&ok), mode);
        EXPECT_EQ(ok, 1);
    }
    EXPECT_EQ(front_->SetAutoIris(2), 1);
    for (int mode : {3, 100, -1}) {
        EXPECT_EQ(front_->SetAutoIris(mode), 0) << mode;
        EXPECT_EQ(front_->GetAutoIris(nullptr), 2) << mode;
    }
    EXPECT_EQ(front_->CameraSettings().autoIris, 2);
    EXPECT_TRUE(Errors().empty());  // posted only
    EXPECT_EQ(Posted(), (std::vector<intptr_t>{9, 9, 9}));
}

TEST_F(Exposure, TemperatureReadRecordsTheSuccessMarker) {
    Make({.temperature = true});
    int ok = -1;
    EXPECT_DOUBLE_EQ(front_->GetTemperatureEx(&ok), -20.5);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Posted(), std::vector<intptr_t>{0});

    Make({.temperature = true, .temperatureFails = true});
    EXPECT_DOUBLE_EQ(front_->GetTemperatureEx(&ok), 0.0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{12});

    Make({});
    ok = -1;
    EXPECT_DOUBLE_EQ(front_->GetTemperatureEx(&ok), 0.0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{11});
}

TEST_F(Exposure, WithoutDeviceEveryCallIsCodeOne) {
    MakeWithoutDevice();
    int ok = -1;
    EXPECT_EQ(front_->SetExposureTimeEx(0.1), 0);
    EXPECT_DOUBLE_EQ(front_->GetExposureTimeEx(&ok), -1.0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(front_->SetRealExposureTime(1000), 0);
    ok = -1;
    EXPECT_EQ(front_->GetRealExposureTime(&ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(front_->SetAutoIris(1), 0);
    ok = -1;
    EXPECT_EQ(front_->GetAutoIris(&ok), 0);
    EXPECT_EQ(ok, 0);
    ok = -1;
    EXPECT_DOUBLE_EQ(front_->GetTemperatureEx(&ok), 0.0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>(7, 1));
}

}  // namespace
}  // namespace kelvra::test
