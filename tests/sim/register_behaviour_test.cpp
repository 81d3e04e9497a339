// FPGA and sensor registers that act: IO port, option bytes, pipe resets, readout restart,
// fast readout, trigger exposure, the IMX992/993 extras, the upside-down mount.
#include "SimFixture.h"

namespace kelvra::test {
namespace {

class RegisterBehaviourTest : public SimTest {
  protected:
    std::shared_ptr<sim::SimCamera> unpaced(uint16_t productId = 0x3270) {
        sim::CameraConfig config;
        config.paced = false;
        config.productId = productId;
        return attach(config);
    }
};

TEST_F(RegisterBehaviourTest, IoPortReportsOutputsWrittenAndInputLines) {
    auto camera = unpaced();
    SeamClient c = controlOf(*camera);
    camera->setIoInputs(0x5);
    ASSERT_TRUE(c.fpgaWrite(7, 0xFA));  // input bits are not the host's to set
    EXPECT_EQ(c.fpgaRead(7), 0x5A);
    EXPECT_EQ(camera->ioOutputs(), 0xA);
}

TEST_F(RegisterBehaviourTest, OptionCapabilityIsConfiguredAndOptionEnableIsStored) {
    sim::CameraConfig config;
    config.fpgaOptionByte = 1;
    auto camera = attach(config);
    SeamClient c = controlOf(*camera);
    EXPECT_EQ(c.fpgaRead(0x17), 1);
    ASSERT_TRUE(c.fpgaWrite(0x17, 0));
    EXPECT_EQ(c.fpgaRead(0x17), 1);
    ASSERT_TRUE(c.fpgaWrite(0x18, 1));
    EXPECT_EQ(c.fpgaRead(0x18), 1);
}

TEST_F(RegisterBehaviourTest, ReadoutRestartPulseMidBodyDropsTheFrame) {
    auto camera = unpaced();
    SeamClient c = controlOf(*camera);
    StreamReader s = streamOf(*camera);
    std::array<uint8_t, 64> header{};
    ASSERT_EQ(s.read(header, 3000).result.bytes, 64u);
    ASSERT_TRUE(c.fpgaWrite(0x6C, 1));
    ASSERT_TRUE(c.fpgaWrite(0x6C, 0));
    std::array<uint8_t, 64> next{};
    ReadResult r = s.read(next, 3000);  // a header again, not body bytes
    ASSERT_EQ(r.result.bytes, 64u);
    EXPECT_EQ(le32(&next[16]), 1280u * 1024u);
    EXPECT_GT(le32(&next[32]), le32(&header[32]));
}

TEST_F(RegisterBehaviourTest, ResetPipeOnTheStreamEndpointDropsThePartialFrame) {
    auto camera = unpaced();
    StreamReader s = streamOf(*camera);
    std::array<uint8_t, 64> header{};
    ASSERT_EQ(s.read(header, 3000).result.bytes, 64u);
    uint8_t endpoint = 0x81;
    ASSERT_EQ(s.handle().ioctl(kResetPipeIoctl, std::span(&endpoint, 1), {}).error, 0u);
    std::array<uint8_t, 64> next{};
    ASSERT_EQ(s.read(next, 3000).result.bytes, 64u);
    EXPECT_EQ(le32(&next[16]), 1280u * 1024u);
    EXPECT_EQ(s.handle().ioctl(kResetPipeIoctl, {}, {}).error, 87u);
}

TEST_F(RegisterBehaviourTest, ResetPipeOnTheOutEndpointForgetsAnAnnouncedWrite) {
    auto camera = unpaced();
    auto h = driver::openDevice(camera->devicePath(), true);
    std::array<uint8_t, 32> block{'A', 'U', '3', 'W', 2};
    block[17] = 0x10;  // 4096 bytes
    std::array<uint8_t, 38> record = directRecord(0x01);
    ASSERT_EQ(h->ioctl(kDirectIoctl, record, block).error, 0u);
    uint8_t endpoint = 0x01;
    ASSERT_EQ(h->ioctl(kResetPipeIoctl, std::span(&endpoint, 1), {}).error, 0u);
    std::vector<uint8_t> data(4096, 1);  // now taken as a command block, and refused
    EXPECT_EQ(h->ioctl(kDirectIoctl, record, data).error, 31u);
}

TEST_F(RegisterBehaviourTest, FastReadoutHasFourLeadColumnsFewer) {
    auto camera = unpaced();
    SeamClient c = controlOf(*camera);
    StreamReader s = streamOf(*camera);
    auto standard = s.readFrame();
    ASSERT_TRUE(standard);
    ASSERT_TRUE(c.sensorWrite(0x2D8, 0x04) && c.sensorWrite(0x2D9, 0x02));  // 516
    ASSERT_TRUE(c.fpgaWrite(76, 4));
    auto fast = s.readFrame();
    ASSERT_TRUE(fast);
    // Same picture; only the exposure (in lines of half the length) differs.
    EXPECT_EQ(fast->width(), standard->width());
    EXPECT_GT(fast->sample(500, 0), 60 >> 4);
    EXPECT_LT(le32(&fast->header[40]), le32(&standard->header[40]));
    ASSERT_TRUE(c.fpgaWrite(76, 0));
    auto shifted = s.readFrame();
    ASSERT_TRUE(shifted);
    for (int col = 0; col < 4; ++col) EXPECT_EQ(shifted->sample(500, col), 60 >> 4);
}

TEST_F(RegisterBehaviourTest, TriggerModeUsesTheFpgaExposureLines) {
    auto camera = unpaced();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.fpgaWrite(0x85, 0x2C) && c.fpgaWrite(0x86, 0x01) && c.fpgaWrite(0x9B, 0));
    ASSERT_TRUE(c.fpgaWrite(0x58, 2));
    StreamReader s = streamOf(*camera);
    ASSERT_TRUE(camera->fireTrigger());
    auto f = s.readFrame();
    ASSERT_TRUE(f);
    EXPECT_EQ(le32(&f->header[8]), 300u);
}

TEST_F(RegisterBehaviourTest, LowConversionGainQuartersTheSignalOnImx992) {
    auto camera = unpaced(0x3380);
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.fpgaWrite(60, 2));
    StreamReader s = streamOf(*camera);
    auto high = s.readFrame();
    ASSERT_TRUE(high);
    EXPECT_EQ(high->width(), 2560);
    ASSERT_TRUE(c.sensorWrite(0x710, 0));
    auto low = s.readFrame();
    ASSERT_TRUE(low);
    const double black = 60;
    const double ratio =
        (low->mean(900, 1100, 200, 300) - black) / (high->mean(900, 1100, 200, 300) - black);
    EXPECT_NEAR(ratio, 0.25, 0.01);
}

TEST_F(RegisterBehaviourTest, Imx993AuxiliaryModeReadsBackAtItsStatusRegisters) {
    auto camera = unpaced(0x33D0);
    SeamClient c = controlOf(*camera);
    EXPECT_EQ(c.sensorRead(0x720), 0x5F);
    EXPECT_EQ(c.sensorRead(0x740), 0);
    ASSERT_TRUE(c.sensorWrite(0x0020, 0x50) && c.sensorWrite(0x0040, 1));
    EXPECT_EQ(c.sensorRead(0x720), 0x50);
    EXPECT_EQ(c.sensorRead(0x740), 1);
    ASSERT_TRUE(c.sensorWrite(0x720, 0));  // status only
    EXPECT_EQ(c.sensorRead(0x720), 0x50);
}

TEST_F(RegisterBehaviourTest, UpsideDownModelReadsTheSceneBottomRowFirst) {
    auto upright = unpaced(0x3270);
    auto inverted = unpaced(0x3260);
    auto a = streamOf(*upright).readFrame();
    auto b = streamOf(*inverted).readFrame();
    ASSERT_TRUE(a && b);
    for (int row : {0, 100, 511, 900}) {
        const double top = a->mean(row, 0, 1, 1280);
        EXPECT_NEAR(b->mean(1023 - row, 0, 1, 1280), top, top * 0.01) << row;
    }
    EXPECT_GT(a->mean(900, 0, 100, 1280), a->mean(0, 0, 100, 1280));
}

// The variable is read once per process, so this case runs in a child of its own.
int camerasFromVariable() {
    setenv("KELVRA_SIMULATED_CAMERAS", "0x3270, 0x3260", 1);
    const auto paths = driver::enumerateInterfaces(driver::kCameraInterfaceGuid);
    if (paths.size() != 2 || paths[0].compare(21, 4, "3270") || paths[1].compare(21, 4, "3260")) {
        return 1;
    }
    auto handle = driver::openDevice(paths[1], true);
    return handle ? 0 : 2;
}

TEST(SimulatedCamerasVariableDeathTest, VariableAttachesTheListedCameras) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(camerasFromVariable()), ::testing::ExitedWithCode(0), "^$");
}

}  // namespace
}  // namespace kelvra::test
