// Requests from several threads while another streams: the locks keep every exchange whole.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "StreamFixture.h"

namespace kelvra::transport::test {
namespace {

using ConcurrencyTest = StreamFixture;

TEST_F(ConcurrencyTest, TwoThreadsIssueRequestsWhileAThirdStreams) {
    constexpr int kRounds = 40;
    std::atomic<int> failures{0};
    std::atomic<bool> stop{false};
    int frames = 0;

    std::thread streamer([&] {
        if (!m_cam.OpenStream()) ++failures;
        while (!stop.load()) {
            FrameRequest request;
            if (ReadFrame(request) && BodyLength(request) == uint32_t{kWidth} * kHeight) {
                ++frames;
            } else {
                ++failures;
            }
        }
        m_cam.CloseStream();
    });
    // FPGA register pairs: a read must see its own register, never the other thread's.
    std::thread fpga([&] {
        for (int i = 0; i < kRounds; ++i) {
            const auto value = static_cast<uint8_t>(i);
            uint8_t back = 0;
            if (!m_cam.WriteFpgaRegister(0x30, value) || !m_cam.ReadFpgaRegister(0x30, &back) ||
                back != value) {
                ++failures;
            }
            uint8_t aux = 0;
            if (!m_cam.WriteAuxRegister(0x10, value) || !m_cam.ReadAuxRegister(0x10, &aux) ||
                aux != value) {
                ++failures;
            }
        }
    });
    std::thread others([&] {
        for (int i = 0; i < kRounds / 4; ++i) {
            const auto value = static_cast<uint8_t>(0x80 + i);
            uint8_t back = 0;
            if (!m_cam.WriteEeprom(0x100, value) || !m_cam.ReadEeprom(0x100, &back) ||
                back != value) {
                ++failures;
            }
            uint8_t fpga = 0;
            if (!m_cam.WriteFpgaRegister(0x31, value) || !m_cam.ReadFpgaRegister(0x31, &fpga) ||
                fpga != value) {
                ++failures;
            }
            uint16_t sensor = 0;
            if (!m_cam.WriteSensorRegister(0x7C0, value) ||
                !m_cam.ReadSensorRegister(0x7C0, &sensor) || (sensor & 0xFF) != value) {
                ++failures;
            }
            if (m_cam.Enumerate() != 1 || m_cam.GetDeviceEntry(0).instance != 0) ++failures;
        }
    });
    fpga.join();
    others.join();
    stop = true;
    streamer.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(frames, 0);
}

}  // namespace
}  // namespace kelvra::transport::test
