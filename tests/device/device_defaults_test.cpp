// Every operation of the device core, in slot order, with the answer it gives while no camera
// is open: the front relies on these to hide what a camera does not offer.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "DeviceTestSupport.h"

namespace kelvra::device_test {
namespace {

constexpr int32_t kProductK4Swir = kK4Swir;

// Valid destinations, so that every refusal below is for want of a camera, not a null pointer.
uint8_t gBuffer[4096];
char gText[256];
int32_t gWord;
uint32_t gUnsigned;
uint8_t gByte;
double gDouble;
uint8_t* gSlot;

struct Operation {
    int slot;
    const char* call;
    double expected;
    std::function<double(CKelvraU3Q6Base&)> run;
};

#define OP(slot, expected, call)                                                 \
    Operation {                                                                  \
        slot, #call, expected, [](CKelvraU3Q6Base& c) { return double(c.call); } \
    }
#define VOID_OP(slot, call)                      \
    Operation {                                  \
        slot, #call, 0, [](CKelvraU3Q6Base& c) { \
            c.call;                              \
            return 0.0;                          \
        }                                        \
    }

constexpr uint32_t kSize = sizeof(gBuffer);

std::vector<Operation> AllOperations() {
    return {
        OP(1, 1, CreateController(nullptr, &kCameraInterfaceGuid)),
        OP(2, 0, InitializeCamera()),
        OP(3, 1, CloseCamera()),
        OP(4, 0, GetInfoBlockA(gBuffer)),
        OP(5, 0, GetDescriptor(reinterpret_cast<SensorDescriptor*>(gBuffer))),
        OP(6, 0, GetInfoBlockB(gBuffer)),
        OP(7, -1, ReopenCamera(0)),
        OP(8, 0, OpenCamera(0)),
        OP(9, 0, Reserved9()),
        OP(10, 0, IsDevicePresent(0)),
        OP(11, 0, CountDevices(kProductK4Swir)),
        OP(12, 0, GetDeviceModelName(0, gText, sizeof(gText))),
        OP(13, 1, SetProductId(kProductK4Swir)),
        OP(14, kProductK4Swir, GetProductId()),
        OP(15, 0, GetDeviceVendorId(0)),
        OP(16, 0, GetDeviceProductId(0)),
        OP(17, -1, GetDeviceInstance(0)),
        OP(18, 0, IsSyncStreamModel()),
        OP(19, 0, IsBlockStreamModel()),
        OP(20, 0, GetOpenInstance()),
        // No camera is open, so there is no ring to stream into: the start fails.
        OP(21, 0, StartTransfer(0)),
        OP(22, 1, StopTransfer(1)),
        OP(23, 0, CopyFrame(gBuffer, kSize, &gWord, &gWord, &gWord, &gWord, &gWord, 0, 1)),
        OP(24, 1, SetCaptureMode(1)),
        OP(25, 1, RestartStream()),
        VOID_OP(26, TransferLoop()),
        VOID_OP(27, TransferLoopSync()),
        VOID_OP(28, TransferLoopBlock()),
        OP(29, 0, ConfigureBuffers()),
        OP(30, 32, GetMaxDevices()),
        OP(31, 0, LatchFrameCounter()),
        OP(32, 2, CaptureOnce()),
        OP(33, -1, Reserved33()),
        OP(34, 0, GetFirstFrame(gBuffer, kSize, &gWord, 1)),
        OP(35, 1, SetFrameTimeout(1000)),
        OP(36, 2, WaitFrame(0)),
        OP(37, 0, GetImage(gBuffer, kSize, &gWord, 1)),
        OP(38, 0, GetImageRef(gBuffer, kSize, &gSlot, &gWord, 0)),
        OP(39, 0, GetImageInfo(gBuffer, kSize, &gWord, &gWord, &gWord, &gWord, &gWord, 1)),
        OP(40, 0, Reserved40()),
        OP(41, 0, SetTransferBits(1)),
        OP(42, 0, SetPixelClockMode(0)),
        OP(43, 0, GetPixelClockMode()),
        OP(44, 0, SetCaptureWindow(0, 0, 640, 512, 0)),
        OP(45, 0, GetCaptureWindow(&gWord, &gWord, &gWord, &gWord, &gWord)),
        OP(46, 0, SetFlip(1)),
        OP(47, 0, SetMirror(1)),
        OP(48, 0, GetFlip()),
        OP(49, 0, GetMirror()),
        OP(50, 0, GetFlipDefault()),
        OP(51, 0, GetMirrorDefault()),
        OP(52, 0, IsMirrorSupported()),
        OP(53, 0, IsFlipSupported()),
        OP(54, 0, SetTriggerMode(1, 1)),
        OP(55, 0, GetTriggerMode()),
        OP(56, 0, WriteEeprom(0x1040, 0x41)),
        OP(57, 0, ReadEeprom(0x1040, &gByte)),
        OP(58, 0, GetWindowFlagA()),
        OP(59, 0, GetWindowFlagB()),
        OP(60, 0, GetSensorMaxWidth()),
        OP(61, 0, GetSensorMaxHeight()),
        OP(62, 0, GetDefaultWidth()),
        OP(63, 0, GetDefaultHeight()),
        OP(64, 0, GetDefaultX()),
        OP(65, 0, GetDefaultY()),
        OP(66, 0, SetGain(10)),
        OP(67, 0, GetGain()),
        OP(68, 0, GetGainMin()),
        OP(69, 0, GetGainMax()),
        OP(70, 0, GetGainDefault()),
        OP(71, 0, SetExposureTime(100)),
        OP(72, 0, GetExposureTime()),
        OP(73, 0, GetExposureTimeMin()),
        OP(74, 0, GetExposureTimeMax()),
        OP(75, 0, GetExposureTimeDefault()),
        OP(76, 0, SetExposureLines(100)),
        OP(77, 0, GetExposureLines()),
        OP(78, 0, GetExposureLinesMin()),
        OP(79, 0, GetExposureLinesMax()),
        OP(80, 0, GetExposureLinesDefault()),
        OP(81, 0, IsExposureSecondsSupported()),
        OP(82, 0, SetExposureSeconds(0.5)),
        OP(83, 0, GetExposureSeconds(&gDouble)),
        OP(84, 0, GetExposureSecondsMin()),
        OP(85, 0, GetExposureSecondsMax()),
        OP(86, 0, GetExposureSecondsDefault()),
        OP(87, 0, SetChannelGain(1, 4096)),
        OP(88, 0, GetChannelGain(1)),
        OP(89, 0, GetChannelGainMin()),
        OP(90, 0, GetChannelGainMax()),
        OP(91, 0, GetChannelGainDefault()),
        OP(92, 0, SetChannelOffset(1, 0)),
        OP(93, 0, GetChannelOffset(1)),
        OP(94, 0, GetChannelOffsetMin()),
        OP(95, 0, GetChannelOffsetMax()),
        OP(96, 0, GetChannelOffsetDefault()),
        OP(97, 0, SetColorGainRed(10)),
        OP(98, 0, GetColorGainRed()),
        OP(99, 0, SetColorGainGreen1(10)),
        OP(100, 0, GetColorGainGreen1()),
        OP(101, 0, SetColorGainGreen2(10)),
        OP(102, 0, GetColorGainGreen2()),
        OP(103, 0, SetColorGainBlue(10)),
        OP(104, 0, GetColorGainBlue()),
        OP(105, 0, GetColorGainMin()),
        OP(106, 0, GetColorGainMax()),
        OP(107, 0, GetColorGainDefault()),
        OP(108, 0, IsBlackLevelSupported()),
        OP(109, 0, SetBlackLevel(10)),
        OP(110, 0, GetBlackLevel()),
        OP(111, 0, GetBlackLevelMin()),
        OP(112, 0, GetBlackLevelMax()),
        OP(113, 0, GetBlackLevelDefault()),
        OP(114, 0, IsAuxModeSupported()),
        OP(115, 0, SetAuxMode(1)),
        OP(116, 0, GetAuxMode()),
        OP(117, 0, WriteRegister(0, 0x3000, 1)),
        OP(118, 0, ReadRegister(0, 0x3000, &gWord)),
        OP(119, 0, WriteFpgaRegister(7, 1)),
        OP(120, 0, ReadFpgaRegister(7, &gWord)),
        OP(121, 0, WriteSensorBus(0x3000, 1, 1)),
        OP(122, 0, ReadSensorBus(0x3000, &gUnsigned, 1)),
        OP(123, 0, WaitFpgaIdle(0)),
        OP(124, 0, Reserved124()),
        OP(125, 0, Reserved125()),
        OP(126, 0, RestartSensor()),
        OP(127, 0, SendAuxCommand()),
        OP(128, 0, SetSamplingRate(0, &gWord)),
        OP(129, 0, IsGainModeSupported()),
        OP(130, 0, SetGainMode(1)),
        OP(131, -1, GetGainMode()),
        OP(132, 0, WriteEepromSetting(1)),
        OP(133, 0, ReadEepromSetting(&gByte)),
        OP(134, 0, IsInternalCorrectionSupported(0, 0)),
        OP(135, 0, GetInternalCorrection()),
        OP(136, 0, SetInternalCorrection(0)),
        OP(137, 0, IsFpgaParameterSupported()),
        OP(138, 0, SetFpgaParameter(0x1234)),
        OP(139, 0, GetFpgaParameter(&gWord)),
        OP(140, 0, GetFpgaParameterMin()),
        OP(141, 0, GetFpgaParameterMax()),
        OP(142, 0, ReceiveText(gText, sizeof(gText))),
        OP(143, 0, SendText("ver", 3)),
        OP(144, 0, HasCooler()),
        OP(145, 0, GetCoolerState()),
        OP(146, 0, SetCooler(1)),
        OP(147, 0, IsTemperatureSupported()),
        OP(148, 0, GetTemperature(&gDouble)),
        OP(149, 0, SensorOperation108()),
        OP(150, 0, SensorOperation109()),
        OP(151, 0, SensorOperation110()),
        OP(152, 0, SensorOperation113()),
        OP(153, 0, SensorOperation114()),
        OP(154, 0, SensorOperation115()),
        OP(155, 0, SensorOperation116()),
        OP(156, 0, SensorOperation117()),
        OP(157, 0, SensorOperation118()),
        OP(158, 0, SensorOperation119()),
        OP(159, 0, SensorOperation120()),
        OP(160, 0, IsBlockStreamModel2()),
        OP(161, 0, GetFpgaTemperature(&gDouble)),
        OP(162, 0, SensorOperation130()),
        OP(163, 0, SensorOperation131()),
        OP(164, 0, SetTriggerPolarity(1)),
        OP(165, 0, ApplyTriggerPolarity()),
        OP(166, 0, IsTriggerPolaritySupported()),
        OP(167, 0, IsShortExposureModeSupported()),
        OP(168, 0, GetShortExposureMode(&gWord)),
        OP(169, 0, SetShortExposureMode(0)),
        OP(170, 0, IsAnalogGainStepSupported()),
        OP(171, 0, GetAnalogGainStepMin()),
        OP(172, 0, GetAnalogGainStepMax()),
        OP(173, 0, GetAnalogGainStepDefault()),
        OP(174, 0, ReadAnalogGainStep()),
        OP(175, 0, SetAnalogGainStep(1)),
        OP(176, 0, GetAnalogGainStepLabel(1, gText, sizeof(gText))),
        OP(177, 0, SensorOperation135()),
        OP(178, 0, SensorOperation137()),
        OP(179, -1, SensorOperation136()),
        OP(180, 1, Supports8BitModes()),
        OP(181, 1, Supports16BitMode(0)),
        OP(182, 1, SupportsColorModes()),
        OP(183, 1, IsFpgaOptionAvailable()),
        OP(184, 1, EnableFpgaOption()),
        OP(185, 1, SensorOperation144()),
        VOID_OP(186, Reserved186()),
    };
}

TEST(DeviceCoreOperationTable, ListsEveryOperationAfterTheDestructorInSlotOrder) {
    const std::vector<Operation> operations = AllOperations();
    ASSERT_EQ(operations.size() + 1, size_t(CKelvraU3Q6Base::kOperationCount));
    for (size_t i = 0; i < operations.size(); ++i) {
        EXPECT_EQ(operations[i].slot, int(i) + 1) << operations[i].call;
    }
}

// The state the front leaves the core in before a camera is attached: a controller, but
// nothing to open. Streaming can be started, but the thread has no ring and ends at once.
using DeviceCoreDefaults = DeviceTest;

TEST_F(DeviceCoreDefaults, EveryOperationAnswersItsNoCameraValue) {
    for (const Operation& operation : AllOperations()) {
        CKelvraUSB3Q6SimpleSdk core;
        m_clock.Install(core);
        core.SetProductId(kProductK4Swir);
        core.CreateController(nullptr, nullptr);
        EXPECT_EQ(operation.run(core), operation.expected)
            << "slot " << operation.slot << ": " << operation.call;
    }
}

// Without even a controller, the operations that need one fail too.
TEST(DeviceCoreWithoutController, RefusesTransferAndFpgaAccess) {
    CKelvraUSB3Q6SimpleSdk core;
    core.SetProductId(kProductK4Swir);
    EXPECT_EQ(core.StartTransfer(0), 0);
    EXPECT_EQ(core.SetCaptureMode(1), 0);
    EXPECT_EQ(core.RestartStream(), 0);
    EXPECT_EQ(core.CaptureOnce(), 2);
    EXPECT_EQ(core.WaitFrame(10), 2);
    EXPECT_EQ(core.StopTransfer(1), 1);
    int32_t ok = 1;
    EXPECT_EQ(core.ReadFpgaRegister(7, &ok), 0);
    EXPECT_EQ(ok, 0);
    ok = 1;
    EXPECT_EQ(core.ReadRegister(0, 0x3000, &ok), 0);
    EXPECT_EQ(ok, 0);
    // Built-in correction is reported by product, but "already off" is no success when nothing
    // could be read.
    core.SetProductId(0x3150);
    EXPECT_EQ(core.IsInternalCorrectionSupported(0, 0), 1);
    EXPECT_EQ(core.SetInternalCorrection(0), 0);
}

TEST(DeviceCoreWithoutController, RefusedExposureLeavesTheFrameTimeout) {
    CKelvraUSB3Q6SimpleSdk core;
    core.SetProductId(kProductK4Swir);
    EXPECT_EQ(core.SetExposureTime(50001), 0);
    EXPECT_EQ(core.SetExposureSeconds(2.5), 0);
    EXPECT_EQ(core.FrameTimeout(), 5000);
}

}  // namespace
}  // namespace kelvra::device_test
