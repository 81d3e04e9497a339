// Every driver of the family without a controller: everything that needs the hardware answers
// 0 (GetGainMode -1) and nothing is stored.
#include <gtest/gtest.h>

#include <cstring>

#include "sensors/CSensorIMX990.h"
#include "sensors/CSensorIMX991.h"
#include "sensors/CSensorIMX992.h"
#include "sensors/CSensorIMX993.h"

namespace kelvra::sensors::test {
namespace {

template <class T>
class NoControllerTest : public ::testing::Test {};

using Drivers = ::testing::Types<CSensorIMX990, CSensorIMX991, CSensorIMX992, CSensorIMX993>;
TYPED_TEST_SUITE(NoControllerTest, Drivers);

TYPED_TEST(NoControllerTest, AnswersZeroAndStoresNothing) {
    TypeParam driver(nullptr);
    int sleeps = 0;
    driver.SetSleepFunction([&sleeps](uint32_t) { ++sleeps; });
    SensorDescriptor before{};
    ASSERT_EQ(driver.GetDescriptor(&before), 1);
    const int32_t triggerBefore = driver.GetTriggerModeValue();

    int32_t value = 0;
    double celsius = 0;
    EXPECT_EQ(driver.ProbeSensor(), 1);  // needs no hardware
    EXPECT_EQ(driver.InitSensor(), 0);
    EXPECT_EQ(driver.SetReadoutWindow(0, 256, 0, 256, 0), 0);
    EXPECT_EQ(driver.SetOutputBits(1), 0);
    EXPECT_EQ(driver.SetExposureLines(500), 0);
    EXPECT_EQ(driver.SetExposureTime(50), 0);
    EXPECT_EQ(driver.SetExposureSeconds(0.005), 0);
    EXPECT_EQ(driver.SetGain(100), 0);
    EXPECT_EQ(driver.SetMirror(1), 0);
    EXPECT_EQ(driver.SetFlip(1), 0);
    EXPECT_EQ(driver.SetTriggerMode(1), 0);
    EXPECT_EQ(driver.SetBlackLevel(100), 0);
    EXPECT_EQ(driver.SetAuxMode(1), 0);
    EXPECT_EQ(driver.SetGainMode(1), 0);
    EXPECT_EQ(driver.GetGainMode(), -1);
    EXPECT_EQ(driver.WriteRegister(0x200, 1), 0);
    EXPECT_EQ(driver.ReadRegister(0x200, &value), 0);
    EXPECT_EQ(driver.WriteRegisterSafe(0x200, 1), 0);
    EXPECT_EQ(driver.ReadRegisterSafe(0x200, &value), 0);
    EXPECT_EQ(driver.GetTemperature(&celsius), 0);
    EXPECT_EQ(driver.GetCoolerState(), 0);
    EXPECT_EQ(driver.IsTriggerPolaritySupported(), 0);
    EXPECT_EQ(driver.IsInternalCorrectionSupported(0, 0), 0);
    EXPECT_EQ(driver.IsFpgaOptionAvailable(), 0);
    EXPECT_EQ(driver.EnableFpgaOption(), 0);
    EXPECT_EQ(driver.PulseReadoutRestart(), 0);
    EXPECT_EQ(driver.GetHardwareInfo(), 0);
    EXPECT_EQ(driver.SupportsColorModes(), 0);
    EXPECT_EQ(sleeps, 0) << "no retries without hardware";

    SensorDescriptor after{};
    ASSERT_EQ(driver.GetDescriptor(&after), 1);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof(before)), 0);
    EXPECT_EQ(driver.GetTriggerModeValue(), triggerBefore);
    EXPECT_EQ(driver.GetDescriptor(nullptr), 0);
}

TYPED_TEST(NoControllerTest, CooledVariantStillKnowsItHasACoolerButCannotSwitchIt) {
    TypeParam driver(nullptr);
    const int32_t uncooled = driver.GetModelCode();
    ASSERT_EQ(driver.SetModelCode(uncooled + 1), 1);
    EXPECT_EQ(driver.HasCooler(), 1);
    EXPECT_EQ(driver.SetCooler(1), 0);
    EXPECT_EQ(driver.GetCoolerState(), 0);
}

}  // namespace
}  // namespace kelvra::sensors::test
