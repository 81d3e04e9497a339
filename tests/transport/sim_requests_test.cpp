// Control requests and I2C exchanges against a simulated camera.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "SimFixture.h"

namespace kelvra::transport::test {
namespace {

class SimRequestsTest : public SimFixture {
  protected:
    void SetUp() override {
        m_camera = Attach();
        ASSERT_EQ(m_cam.Enumerate(), 1);
        ASSERT_EQ(m_cam.SelectDevice(0), 1);
    }

    std::shared_ptr<sim::SimCamera> m_camera;
    CNorluxCy3Cam m_cam;
};

TEST_F(SimRequestsTest, InformationBlocksAndHardwareWord) {
    std::array<uint8_t, 64> block{};
    ASSERT_EQ(m_cam.ReadInfoBlockA(block.data()), 1);
    EXPECT_EQ(block[2] | (block[3] << 8), 0x3270);
    EXPECT_EQ(block[24] | (block[25] << 8), 0x1101);
    EXPECT_EQ(block[52], 1);
    ASSERT_EQ(m_cam.ReadInfoBlockB(block.data()), 1);
    uint16_t word = 0;
    ASSERT_EQ(m_cam.ReadFpgaWord(&word), 1);
    EXPECT_EQ(word, sim::kDefaultInformationWord);
    uint8_t status = 0;
    ASSERT_EQ(m_cam.ReadFpgaStatus(&status), 1);
    EXPECT_EQ(status, 1);
    uint32_t speed = 0;
    ASSERT_EQ(m_cam.GetDeviceSpeed(&speed), 1);
    EXPECT_EQ(speed, driver::kSpeedSuperSpeed);
}

TEST_F(SimRequestsTest, RegistersOfEveryKindRoundTrip) {
    uint8_t byte = 0;
    ASSERT_EQ(m_cam.WriteFpgaRegister(0x30, 0x5C), 1);
    ASSERT_EQ(m_cam.ReadFpgaRegister(0x30, &byte), 1);
    EXPECT_EQ(byte, 0x5C);
    EXPECT_EQ(m_camera->fpgaRegister(0x30), 0x5C);

    ASSERT_EQ(m_cam.WriteAuxRegister(7, 0x22), 1);
    EXPECT_EQ(m_camera->auxRegister(7), 0x22);
    ASSERT_EQ(m_cam.ReadAuxRegister(7, &byte), 1);
    EXPECT_EQ(byte, 0x22);

    ASSERT_EQ(m_cam.WriteSensorRegister(0x7C0, 0x12), 1);
    EXPECT_EQ(m_camera->sensorRegister(0x7C0), 0x12);
    uint16_t value = 0;
    ASSERT_EQ(m_cam.ReadSensorRegister(0x7C0, &value), 1);
    EXPECT_EQ(value & 0xFF, 0x12);

    ASSERT_EQ(m_cam.WriteRegister32(0x8004, 0x00C0FFEE), 1);
    EXPECT_EQ(m_camera->register32(0x8004), 0x00C0FFEEu);
    ASSERT_EQ(m_cam.WriteRegister32(0x0004, 0x00C0FFEE), 1);
    ASSERT_EQ(m_cam.ReadRegister16(0x0004, &value), 1);
    EXPECT_EQ(value, 0xFFEE);

    ASSERT_EQ(m_cam.WriteControlByte(0x3A), 1);
    EXPECT_EQ(m_camera->controlByte(), 0x3A);
    ASSERT_EQ(m_cam.ReadControlByte(&byte), 1);
    EXPECT_EQ(byte, 0x3A);
    ASSERT_EQ(m_cam.SendCommandCC(), 1);
    EXPECT_EQ(m_camera->commandCcCount(), 1);
}

TEST_F(SimRequestsTest, EepromWriteWaitsLongEnoughForTheNextAccess) {
    for (uint16_t address = 0x20; address < 0x24; ++address) {
        ASSERT_EQ(m_cam.WriteEeprom(address, static_cast<uint8_t>(address * 3)), 1) << address;
    }
    for (uint16_t address = 0x20; address < 0x24; ++address) {
        uint8_t value = 0;
        ASSERT_EQ(m_cam.ReadEeprom(address, &value), 1) << address;
        EXPECT_EQ(value, address * 3);
        EXPECT_EQ(m_camera->eepromByte(address), address * 3);
    }
}

TEST_F(SimRequestsTest, RefusedI2cAndUnpluggedCameraFail) {
    m_camera->failI2c(1, 0x40);
    EXPECT_EQ(m_cam.WriteFpgaRegister(0x30, 1), 0);
    EXPECT_EQ(m_cam.WriteFpgaRegister(0x30, 1), 1);
    m_camera->failEepromWrites(1);
    EXPECT_EQ(m_cam.WriteEeprom(0x40, 1), 0);
    m_camera->unplug();
    uint8_t byte = 0;
    EXPECT_EQ(m_cam.ReadFpgaRegister(0x30, &byte), 0);
    EXPECT_EQ(m_cam.StreamRestart(), 0);
    EXPECT_EQ(m_cam.OpenStream(), 0);
}

TEST_F(SimRequestsTest, MemoryWindowRoundTripStaysInsideTheCallersBuffers) {
    ASSERT_EQ(m_cam.AllocateStaging(), 1);
    constexpr uint32_t kLength = 5000;
    std::vector<uint8_t> ones(8192, 0xFF);
    ASSERT_EQ(m_cam.WriteMemory(0x10000, ones.data(), 8191), 1);
    auto written = std::make_unique<uint8_t[]>(kLength);
    for (uint32_t i = 0; i < kLength; ++i) written[i] = static_cast<uint8_t>(i * 13 + 5);
    ASSERT_EQ(m_cam.WriteMemory(0x10000, written.get(), kLength), 1);
    auto read = std::make_unique<uint8_t[]>(kLength);
    ASSERT_EQ(m_cam.ReadMemory(0x10000, read.get(), kLength), 1);
    EXPECT_TRUE(std::equal(read.get(), read.get() + kLength, written.get()));
    uint8_t one = 0;
    ASSERT_EQ(m_cam.ReadMemory(0x10000 + 4999, &one, 1), 1);
    EXPECT_EQ(one, written[4999]);
    ASSERT_EQ(m_cam.ReadMemory(0x10000 + kLength, &one, 1), 1);
    EXPECT_EQ(one, 0) << "the rounded tail was written as zeros";
}

}  // namespace
}  // namespace kelvra::transport::test
