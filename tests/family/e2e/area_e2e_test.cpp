// A small area camera with a thermistor and a cooler (0x3220, G1467x) through the public API:
// the temperature reads only while the cooler runs, and then reads the board's thermistor.
#include "ProductFixture.h"

namespace kelvra::test {
namespace {

using ThermistorCamera = ProductTest;

TEST_F(ThermistorCamera, TemperatureReadsTheThermistorOnlyWhileTheCoolerRuns) {
    camera_->setSensorTemperature(20.0);
    ASSERT_EQ(Kelvra_SetPeltier(handle_, 0), 1);
    DrainErrors();
    int ok = 1;
    EXPECT_EQ(Kelvra_GetTemperatureEx(handle_, &ok), 0.0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{KELVRA_ERR_CONVERSION});

    ASSERT_EQ(Kelvra_SetPeltier(handle_, 1), 1);
    const double celsius = Kelvra_GetTemperatureEx(handle_, &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_GE(celsius, 19.0);  // truncated to whole degrees
    EXPECT_LE(celsius, 20.0);
    EXPECT_EQ(camera_->sensorRegister(84), 2);       // a conversion was started
    EXPECT_EQ(Kelvra_SetColorMode(handle_, 24), 1);  // a colour output is offered
}

}  // namespace
}  // namespace kelvra::test
