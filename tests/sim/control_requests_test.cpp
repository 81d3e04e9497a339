// The FX3's vendor requests and the I2C relay, answered byte for byte.
#include <thread>

#include "SimFixture.h"

namespace kelvra::test {
namespace {

using ControlRequestTest = SimTest;

TEST_F(ControlRequestTest, InformationBlockACarriesFirmwareVersionAndGpio25Flag) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    ControlReply a = c.control(0xC0, 0xB0, 0, 0);
    ASSERT_EQ(a.result.error, 0u);
    EXPECT_EQ(a.result.bytes, 102u);
    ASSERT_EQ(a.data().size(), 64u);
    EXPECT_EQ(a.data()[24] | (a.data()[25] << 8), 0x1101);
    EXPECT_EQ(a.data()[52], 1);
    EXPECT_EQ(le32(&a.buffer[14]), 0u);
    EXPECT_EQ(le32(&a.buffer[18]), 0u);
    ControlReply b = c.control(0xC0, 0xB1, 0, 0);
    ASSERT_EQ(b.data().size(), 64u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data().data())), camera->serialNumber());
}

TEST_F(ControlRequestTest, InformationBlockFollowsConfiguration) {
    sim::CameraConfig config;
    config.fx3FirmwareVersion = 0x1100;
    config.gpio25Flag = 0;
    auto camera = attach(config);
    ControlReply a = controlOf(*camera).control(0xC0, 0xB0, 0, 0);
    ASSERT_EQ(a.data().size(), 64u);
    EXPECT_EQ(a.data()[24] | (a.data()[25] << 8), 0x1100);
    EXPECT_EQ(a.data()[52], 0);
}

TEST_F(ControlRequestTest, WrongRequestTypeOrUnknownRequestStallsWithStatusWords) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    ControlReply wrongType = c.control(0x40, 0xB0, 0, 0);
    EXPECT_EQ(wrongType.result.error, 31u);
    EXPECT_NE(le32(&wrongType.buffer[14]), 0u);
    EXPECT_NE(le32(&wrongType.buffer[18]), 0u);
    EXPECT_EQ(c.control(0xC0, 0x77, 0, 0).result.error, 31u);
}

TEST_F(ControlRequestTest, MalformedRecordsAreRefusedBeforeTheDevice) {
    auto camera = attach();
    auto h = driver::openDevice(camera->devicePath(), false);
    Buffer102 offset = controlRequest(0xC0, 0xB0, 0, 0);
    offset[30] = 0;  // buffer offset 0
    EXPECT_EQ(h->ioctl(kControlIoctl, offset, offset).error, 87u);
    Buffer102 length = controlRequest(0xC0, 0xB0, 0, 0);
    length[34] = 65;
    EXPECT_EQ(h->ioctl(kControlIoctl, length, length).error, 87u);
    Buffer102 good = controlRequest(0xC0, 0xB0, 0, 0);
    EXPECT_EQ(h->ioctl(kControlIoctl, std::span(good).first(60), good).error, 87u);
    Buffer102 endpoint = controlRequest(0xC0, 0xB0, 0, 0);
    endpoint[13] = 0x81;
    EXPECT_EQ(h->ioctl(kControlIoctl, endpoint, endpoint).error, 87u);
}

TEST_F(ControlRequestTest, FpgaRegisterWriteThenWriteThenReadReturnsValueInSecondByte) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.i2cWrite(0x40, {76, 0x00, 104}));
    EXPECT_EQ(camera->fpgaRegister(76), 104);
    ASSERT_TRUE(c.i2cWrite(0x40, {76}));
    auto bytes = c.i2cRead(0x41, 2);
    ASSERT_TRUE(bytes);
    EXPECT_EQ((*bytes)[0], 0);
    EXPECT_EQ((*bytes)[1], 104);
}

TEST_F(ControlRequestTest, InformationWordIsReadOnlyAndDefaultsToCorrectionWithSixteenBit) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    EXPECT_EQ(c.fpgaRead(0x10), 0x30);
    EXPECT_EQ(c.fpgaRead(0x11), 0x81);
    EXPECT_TRUE(c.fpgaWrite(0x11, 0));
    EXPECT_EQ(c.fpgaRead(0x11), 0x81);
}

TEST_F(ControlRequestTest, FpgaI2cShapesOtherThanOneOrThreeBytesAreRefused) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    EXPECT_FALSE(c.i2cWrite(0x40, {76, 1}));
    EXPECT_FALSE(c.i2cWrite(0x40, {76, 0, 1, 2}));
}

TEST_F(ControlRequestTest, I2cCountsAboveSixtyFourAreRefused) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    EXPECT_EQ(c.control(0xC0, 0x31, 65, 0x49).result.error, 31u);
    EXPECT_TRUE(c.i2cRead(0x49, 64));
    std::vector<uint8_t> data(64, 0);
    EXPECT_EQ(c.control(0x40, 0x30, 65, 0x48, data).result.error, 31u);
}

TEST_F(ControlRequestTest, I2cAddressMustMatchTheDirection) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    EXPECT_EQ(c.control(0xC0, 0x31, 2, 0x40).result.error, 31u);
    const uint8_t reg = 76;
    EXPECT_EQ(c.control(0x40, 0x30, 1, 0x41, std::span(&reg, 1)).result.error, 31u);
    EXPECT_FALSE(c.i2cWrite(0x70, {1}));  // nobody at 0x70
}

TEST_F(ControlRequestTest, SensorRegisterThroughTheRelayAndThroughTheFx3Requests) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.sensorWrite(0x714, 0x2A));
    EXPECT_EQ(camera->sensorRegister(0x714), 0x2A);
    EXPECT_EQ(c.sensorRead(0x714), 0x2A);
    const uint8_t write[4] = {0x07, 0x15, 0x00, 0x01};
    ASSERT_EQ(c.control(0x40, 0x3E, 0, 0, write).result.error, 0u);
    ControlReply read = c.control(0xC0, 0x3F, 0x715, 0);
    ASSERT_EQ(read.data().size(), 2u);
    EXPECT_EQ(read.data()[0], 1);
    EXPECT_EQ(read.data()[1], 0);
}

TEST_F(ControlRequestTest, SensorPointerAdvancesForSequentialReads) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.i2cWrite(0x48, {0x03, 0x24, 0x80, 0x02}));  // window width 640
    ASSERT_TRUE(c.i2cWrite(0x48, {0x03, 0x24}));
    auto bytes = c.i2cRead(0x49, 2);
    ASSERT_TRUE(bytes);
    EXPECT_EQ((*bytes)[0] | ((*bytes)[1] << 8), 640);
}

TEST_F(ControlRequestTest, SerialNumberReadsByteByByteUntilErased) {
    sim::CameraConfig config;
    config.serialNumber = "KV-0042";
    auto camera = attach(config);
    SeamClient c = controlOf(*camera);
    std::string serial;
    for (uint16_t a = 0x1040; a < 0x1060; ++a) {
        auto byte = c.eepromRead(a);
        ASSERT_TRUE(byte);
        if (*byte == 0xFF) break;
        serial.push_back(char(*byte));
    }
    EXPECT_EQ(serial, "KV-0042");
}

TEST_F(ControlRequestTest, EepromRefusesAccessDuringItsWriteCycle) {
    sim::CameraConfig config;
    config.eepromWriteCycleMs = 60000;
    auto camera = attach(config);
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.eepromWrite(0x0123, 0x42));
    EXPECT_FALSE(c.eepromRead(0x0123));
    EXPECT_EQ(camera->eepromByte(0x0123), 0x42);
}

TEST_F(ControlRequestTest, EepromWriteReadBackAfterTheWriteCycle) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.eepromWrite(0x1080, 0x07));
    std::this_thread::sleep_for(std::chrono::milliseconds(14));
    EXPECT_EQ(c.eepromRead(0x1080), 0x07);
}

TEST_F(ControlRequestTest, InjectedEepromWriteFailuresRefuseOnlyWrites) {
    sim::CameraConfig config;
    config.eepromWriteCycleMs = 0;
    auto camera = attach(config);
    SeamClient c = controlOf(*camera);
    camera->failEepromWrites(2);
    EXPECT_FALSE(c.eepromWrite(0x0001, 1));
    EXPECT_TRUE(c.eepromRead(0x0001));
    EXPECT_FALSE(c.eepromWrite(0x0001, 1));
    EXPECT_TRUE(c.eepromWrite(0x0001, 1));
    EXPECT_EQ(camera->eepromByte(0x0001), 1);
}

TEST_F(ControlRequestTest, InjectedI2cFailuresHitOnlyTheChosenDevice) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    camera->failI2c(1, 0x40);
    EXPECT_TRUE(c.sensorWrite(0x714, 1));
    EXPECT_FALSE(c.fpgaWrite(7, 1));
    EXPECT_TRUE(c.fpgaWrite(7, 1));
    camera->failI2c(-1);
    EXPECT_FALSE(c.sensorRead(0x714));
    EXPECT_FALSE(c.eepromRead(0));
    camera->failI2c(0);
    EXPECT_TRUE(c.sensorRead(0x714));
}

TEST_F(ControlRequestTest, FpgaBecomesReadyAfterTheConfiguredPollsAndAnswersOnlyThen) {
    sim::CameraConfig config;
    config.fpgaReadyAfterPolls = 3;
    auto camera = attach(config);
    SeamClient c = controlOf(*camera);
    for (int i = 0; i < 3; ++i) {
        ControlReply r = c.control(0xC0, 0xC3, 0, 0);
        ASSERT_EQ(r.data().size(), 64u);
        EXPECT_EQ(r.data()[0], 0) << "poll " << i;
        EXPECT_FALSE(c.fpgaRead(2));
    }
    EXPECT_EQ(c.control(0xC0, 0xC3, 0, 0).data()[0], 1);
    EXPECT_TRUE(c.fpgaRead(2));
}

TEST_F(ControlRequestTest, FpgaThatNeverBecomesReadyCountsReconfigurePulses) {
    sim::CameraConfig config;
    config.fpgaReadyAfterPolls = sim::kFpgaNeverReady;
    auto camera = attach(config);
    SeamClient c = controlOf(*camera);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(c.control(0xC0, 0xC3, 0, 0).data()[0], 0);
    camera->setFpgaReadyAfterPolls(0);
    EXPECT_EQ(c.control(0xC0, 0xC3, 0, 0).data()[0], 1);
    ASSERT_TRUE(c.fpgaWrite(0x82, 0));
    ASSERT_TRUE(c.fpgaWrite(0x82, 1));
    ASSERT_TRUE(c.fpgaWrite(0x82, 0));
    EXPECT_EQ(camera->reconfigurePulses(), 1);
}

TEST_F(ControlRequestTest, StatusRegisterReportsTheSensorBusBusyWhileTheFpgaHoldsIt) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    EXPECT_EQ(c.fpgaRead(2), 0);
    camera->holdSensorBus(2);
    ASSERT_TRUE(c.fpgaWrite(0x9F, 1));
    EXPECT_EQ(c.fpgaRead(2), 2);
    EXPECT_EQ(c.fpgaRead(2), 2);
    EXPECT_EQ(c.fpgaRead(2), 0);
}

TEST_F(ControlRequestTest, ControlByteAndCommandCc) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    const uint8_t value = 0x5C;
    ASSERT_EQ(c.control(0x40, 0x3C, 0, 0, std::span(&value, 1)).result.error, 0u);
    ControlReply r = c.control(0xC0, 0x3D, 0, 0);
    ASSERT_EQ(r.data().size(), 1u);
    EXPECT_EQ(r.data()[0], 0x5C);
    EXPECT_EQ(c.control(0x42, 0xCC, 0, 0).result.error, 0u);
    EXPECT_EQ(camera->commandCcCount(), 1);
}

TEST_F(ControlRequestTest, Register32CarriesAddressBit15InValue) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    const uint8_t value[4] = {0x78, 0x56, 0x34, 0x12};
    ASSERT_EQ(c.control(0x40, 0xD0, 1, 0x0004, value).result.error, 0u);
    EXPECT_EQ(camera->register32(0x8004), 0x12345678u);
    ControlReply r = c.control(0xC0, 0xD1, 0, 0x8004);
    ASSERT_EQ(r.data().size(), 64u);
    EXPECT_EQ(r.data()[0] | (r.data()[1] << 8), 0x5678);
    EXPECT_EQ(c.control(0xC0, 0xD1, 0, 0x0004).data()[0], 0);
    EXPECT_EQ(c.control(0x40, 0xD0, 0, 0x8004, value).result.error, 31u);
    EXPECT_EQ(c.control(0x40, 0xD0, 2, 0x0004, value).result.error, 31u);
}

TEST_F(ControlRequestTest, AuxiliaryDeviceRegisters) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    ASSERT_TRUE(c.i2cWrite(0x5A, {0x10, 0xAB}));
    ASSERT_TRUE(c.i2cWrite(0x5A, {0x10}));
    auto bytes = c.i2cRead(0x5B, 1);
    ASSERT_TRUE(bytes);
    EXPECT_EQ((*bytes)[0], 0xAB);
    EXPECT_EQ(camera->auxRegister(0x10), 0xAB);
}

TEST_F(ControlRequestTest, SlowControlRequestStillAnswers) {
    auto camera = attach();
    camera->setControlDelay(std::chrono::milliseconds(20));
    ControlReply a = controlOf(*camera).control(0xC0, 0xB0, 0, 0);
    EXPECT_EQ(a.result.error, 0u);
    EXPECT_EQ(a.data().size(), 64u);
}

TEST_F(ControlRequestTest, ControlRequestOutlastingItsRecordTimeoutFails) {
    auto camera = attach();
    camera->setControlDelay(std::chrono::milliseconds(5000));
    auto h = driver::openDevice(camera->devicePath(), false);
    Buffer102 b = controlRequest(0xC0, 0xB0, 0, 0);
    b[8] = 1;  // one second
    EXPECT_EQ(h->ioctl(kControlIoctl, b, b).error, 121u);
}

}  // namespace
}  // namespace kelvra::test
