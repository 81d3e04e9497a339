#include "sim/SensorModels.h"

#include "sim/CameraConfig.h"

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

// The rest of the line. Clocks in kHz; frame and line lengths are what the sensors power on
// with; lead lines and columns are where each sensor puts its window in the lines it sends.
struct LineRow {
    uint16_t productId;
    SensorFamily family;
    const char* name;
    int width, height;
    int clockKHz;
    uint32_t frameLength, lineLength;
    uint8_t busAddress;
    int leadLines, leadColumns;
};

constexpr LineRow kLine[] = {
    {0x3020, SensorFamily::Mt9, "MT9F002", 4608, 3288, 96000, 3320, 4800, 0x20, 2, 0},
    {0x3030, SensorFamily::Mt9Short, "MT9P001", 2592, 1944, 96000, 1976, 2800, 0x90, 2, 0},
    {0x3040, SensorFamily::Mt9, "MT9J001", 3856, 2764, 80000, 2800, 4000, 0x20, 2, 0},
    {0x3042, SensorFamily::Mt9, "MT9J001", 3856, 2764, 80000, 2800, 4000, 0x20, 2, 0},
    {0x3050, SensorFamily::Ccd, "ICX274", 1600, 1200, 60000, 1250, 2000, 0x00, 4, 12},
    {0x3090, SensorFamily::Ccd, "CCD2336", 2336, 1752, 60000, 1802, 2600, 0x00, 4, 12},
    {0x30B0, SensorFamily::Ccd, "CCD4896", 4896, 3264, 40000, 3314, 5200, 0x00, 4, 12},
    {0x30C0, SensorFamily::Ccd, "CCD6576", 6576, 4384, 40000, 4434, 7000, 0x00, 4, 12},
    {0x30F0, SensorFamily::SonyCmos, "IMX178", 3072, 2048, 364000, 2096, 5460, 0x48, 9, 0},
    {0x3100, SensorFamily::SonyCmos, "IMX174", 1920, 1200, 74250, 1248, 1100, 0x48, 9, 0},
    {0x3110, SensorFamily::SonyCmos, "IMX183", 5520, 3680, 72000, 3728, 2200, 0x48, 9, 0},
    {0x3120, SensorFamily::SonyCmos, "IMX159", 4800, 3520, 36000, 3568, 1500, 0x48, 9, 0},
    {0x3130, SensorFamily::VideoConverter, "HDMI", 1920, 1080, 74250, 1125, 2200, 0x42, 0, 0},
    {0x3140, SensorFamily::Area, "AREA1280", 1280, 1024, 37125, 1060, 1650, 0x6C, 1, 0},
    {0x3150, SensorFamily::Area, "NIR640", 640, 512, 6250, 530, 400, 0x6C, 1, 0},
    {0x3170, SensorFamily::Area, "NIR320", 320, 256, 6250, 270, 220, 0x6C, 1, 0},
    {0x3180, SensorFamily::ModuleConsole, "T9QMODULE", 1280, 1024, 72000, 19048, 126, 0x48, 0, 0},
    {0x3190, SensorFamily::Line, "LINE512", 512, 32768, 5000, 1024, 600, 0x20, 0, 0},
    {0x31A0, SensorFamily::Line, "LINE256", 256, 32768, 5000, 1024, 300, 0x20, 0, 0},
    {0x31B0, SensorFamily::SonyCmos, "IMX250", 2448, 2048, 54000, 2096, 540, 0x48, 9, 0},
    {0x31B4, SensorFamily::SonyCmos, "IMX264", 2448, 2048, 74250, 2096, 1100, 0x48, 9, 0},
    {0x31C0, SensorFamily::SonyCmos, "IMX252", 2048, 1536, 54545, 1584, 600, 0x48, 9, 0},
    {0x31C4, SensorFamily::SonyCmos, "IMX265", 2048, 1536, 54545, 1584, 800, 0x48, 9, 0},
    {0x31D0, SensorFamily::Line, "LINE1024", 1024, 32768, 5000, 1024, 1100, 0x20, 0, 0},
    {0x31E0, SensorFamily::Area, "UV2048", 2048, 2048, 50000, 2084, 560, 0x6C, 1, 0},
    {0x31F0, SensorFamily::SonyCmos, "IMX226", 4168, 3062, 72000, 3110, 1600, 0x48, 9, 0},
    {0x3200, SensorFamily::Area, "NIR640C", 640, 512, 9000, 558, 400, 0x48, 1, 0},
    {0x3210, SensorFamily::Line, "LINE2048", 2048, 32768, 5000, 1024, 2100, 0x20, 0, 0},
    {0x3220, SensorFamily::Area, "G1467X", 320, 256, 6250, 270, 220, 0x6C, 1, 0},
    {0x32A0, SensorFamily::SonyCmos, "IMX250", 2448, 2048, 54000, 2096, 540, 0x48, 9, 0},
    {0x32B0, SensorFamily::SonyCmos, "LI7050", 1936, 1096, 48000, 1144, 1000, 0x48, 9, 0},
    {0x32C0, SensorFamily::SonyCmos, "GLUX9701", 1280, 1024, 37037, 1072, 600, 0x48, 9, 0},
    {0x32D0, SensorFamily::Area, "AREA4096", 4096, 4096, 25000, 4150, 1100, 0x6C, 1, 0},
    {0x32E0, SensorFamily::SonyCmos, "IMX536", 2848, 2848, 54545, 2896, 600, 0x48, 9, 0},
    {0x32F0, SensorFamily::SonyCmos, "IMX487", 2848, 2848, 54545, 2896, 600, 0x48, 9, 0},
    {0x3300, SensorFamily::SonyCmos, "IMX273", 1440, 1080, 54545, 1128, 400, 0x48, 9, 0},
    {0x3310, SensorFamily::LiCmos, "LI8020", 19568, 12588, 50000, 12600, 20000, 0x40, 0, 0},
    {0x3320, SensorFamily::LiCmos, "LI5040", 2592, 2056, 36000, 2068, 2800, 0x40, 0, 0},
    {0x3330, SensorFamily::LiCmos, "LI3030", 2160, 1280, 21000, 1292, 2300, 0x40, 0, 0},
    {0x3340, SensorFamily::LiCmos, "LI5030", 5688, 3336, 60000, 3348, 6000, 0x40, 0, 0},
    {0x3360, SensorFamily::SonyCmos, "IMX675", 2592, 4060, 75000, 4108, 1100, 0x48, 9, 0},
    {0x33A0, SensorFamily::Area, "AREA640", 640, 513, 25000, 537, 736, 0x48, 1, 0},
    {0x33B0, SensorFamily::SonyCmos, "GLUX9701", 1280, 1024, 37037, 1072, 600, 0x48, 9, 0},
};

constexpr uint16_t kBlackLevelFamily = 64;
constexpr uint16_t kMt9f002ChipVersion = 302;

SensorModel rowFor(const LineRow& r) {
    SensorModel m{r.productId,       r.family, r.name,        r.width,      r.height,
                  1e6 / r.clockKHz,  0.0,      r.frameLength, r.lineLength, 0,
                  kBlackLevelFamily, false,    false,         false,        false};
    m.busAddress = r.busAddress;
    m.leadLines = r.leadLines;
    m.leadColumns = r.leadColumns;
    switch (r.productId) {
        case 0x3020:
            m.chipVersion = kMt9f002ChipVersion;
            break;
        case 0x3090:  // the four-channel CCDs read the array turned half round
        case 0x30B0:
        case 0x30C0:
            m.upsideDown = m.columnsReversed = true;
            break;
        case 0x3180:  // the module reads its rows right to left
            m.columnsReversed = true;
            break;
        case 0x32C0:  // mounted upside down
        case 0x33B0:
            m.upsideDown = true;
            m.hasGainMode = true;
            break;
        case 0x31E0:  // its FPGA takes the output geometry in registers of its own
            m.hasGainMode = true;
            m.altGeometryRegisters = true;
            break;
        case 0x32D0:
            m.hasGainMode = true;
            break;
        case 0x3200:  // cooled, temperature through the board's amplifier
            m.cooled = true;
            m.temperatureCoding = TemperatureCoding::AmplifierAdc;
            break;
        case 0x3220:
            m.cooled = true;
            break;
        default:
            break;
    }
    return m;
}

}  // namespace

// Never fails: an unknown product id behaves as the cooled IMX990 camera under that id.
SensorModel sensorModelFor(uint16_t productId) {
    for (const SensorModel& model : kModels) {
        if (model.productId == productId) return model;
    }
    for (const LineRow& row : kLine) {
        if (row.productId == productId) return rowFor(row);
    }
    SensorModel model = kModels[1];
    model.productId = productId;
    return model;
}

CameraConfig resolvedForProduct(const CameraConfig& config) {
    const SensorModel model = sensorModelFor(config.productId);
    CameraConfig resolved = config;
    if (resolved.informationWord == kFromProduct) resolved.informationWord = model.informationWord;
    if (resolved.sensorBusAddress == kFromProduct) resolved.sensorBusAddress = model.busAddress;
    if (resolved.sensorChipVersion == kFromProduct) resolved.sensorChipVersion = model.chipVersion;
    return resolved;
}

std::vector<uint16_t> knownProducts() {
    std::vector<uint16_t> ids;
    for (const SensorModel& model : kModels) ids.push_back(model.productId);
    for (const LineRow& row : kLine) ids.push_back(row.productId);
    return ids;
}

}  // namespace kelvra::sim
