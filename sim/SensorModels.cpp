#include "sim/SensorModels.h"

#include <array>

namespace kelvra::sim {
namespace {

// IMX990/991: a 972-unit line lasts 12959.94 ns at full height; IMX992/993: a 489-unit line
// lasts 355.7 / 54.545 us.
constexpr double kImx990LineUnitNs = 12959.94133284444 / 972.0;
constexpr double kImx992LineUnitNs = 355.7e6 / 54545.0 / 489.0;

// Frame lengths are what the drivers program for the full window: trunc(F x 1.30925 / 1.29599)
// for the IMX990/991, the frame base for the IMX992/993.
constexpr std::array<SensorModel, 8> kModels{{
    {0x3260, SensorFamily::Imx990, "IMX990", 1280, 1024, kImx990LineUnitNs, 7372, 1078, 972, 700,
     60, false, true, false, false},
    {0x3270, SensorFamily::Imx990, "IMX990", 1280, 1024, kImx990LineUnitNs, 7372, 1078, 972, 700,
     60, true, false, false, false},
    {0x3280, SensorFamily::Imx991, "IMX991", 640, 512, kImx990LineUnitNs, 7372, 561, 972, 700, 60,
     false, true, false, false},
    {0x3290, SensorFamily::Imx991, "IMX991", 640, 512, kImx990LineUnitNs, 7372, 561, 972, 700, 60,
     true, false, false, false},
    {0x3370, SensorFamily::Imx992, "IMX992", 2560, 2048, kImx992LineUnitNs, 0, 2140, 489, 0, 60,
     false, true, true, false},
    {0x3380, SensorFamily::Imx992, "IMX992", 2560, 2048, kImx992LineUnitNs, 0, 2140, 489, 0, 60,
     true, false, true, false},
    {0x33C0, SensorFamily::Imx993, "IMX993", 2048, 1536, kImx992LineUnitNs, 14802, 1628, 489, 0,
     240, false, true, true, true},
    {0x33D0, SensorFamily::Imx993, "IMX993", 2048, 1536, kImx992LineUnitNs, 14802, 1628, 489, 0,
     240, true, false, true, true},
}};

}  // namespace

// Never fails: an unknown product id behaves as the cooled IMX990 camera under that id.
SensorModel sensorModelFor(uint16_t productId) {
    for (const SensorModel& model : kModels) {
        if (model.productId == productId) return model;
    }
    SensorModel model = kModels[1];
    model.productId = productId;
    return model;
}

}  // namespace kelvra::sim
