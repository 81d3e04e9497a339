// A selected simulated camera, unpaced, with a small 8-bit frame programmed into its FPGA, and
// a controller ready to stream from it.
#pragma once

#include <cstring>
#include <vector>

#include "SimFixture.h"
#include "transport/LittleEndian.h"

namespace kelvra::transport::test {

class StreamFixture : public SimFixture {
  protected:
    static constexpr uint8_t kWidth = 64;
    static constexpr uint8_t kHeight = 32;
    static constexpr uint8_t kFpgaWidthLow = 68;
    static constexpr uint8_t kFpgaWidthHigh = 69;
    static constexpr uint8_t kFpgaHeightLow = 64;
    static constexpr uint8_t kFpgaHeightHigh = 65;

    void SetUp() override {
        m_camera = Attach();
        m_camera->setPaced(false);
        ASSERT_EQ(m_cam.Enumerate(), 1);
        ASSERT_EQ(m_cam.SelectDevice(0), 1);
        ASSERT_EQ(m_cam.AllocateStaging(), 1);
        ASSERT_EQ(m_cam.WriteFpgaRegister(kFpgaWidthLow, kWidth), 1);
        ASSERT_EQ(m_cam.WriteFpgaRegister(kFpgaWidthHigh, 0), 1);
        ASSERT_EQ(m_cam.WriteFpgaRegister(kFpgaHeightLow, kHeight), 1);
        ASSERT_EQ(m_cam.WriteFpgaRegister(kFpgaHeightHigh, 0), 1);
        ASSERT_EQ(m_cam.StreamRestart(), 1);
        m_body.resize(1 << 20);
    }

    // One whole frame: header, then body. Returns 1 or 0.
    int32_t ReadFrame(FrameRequest& request) {
        request.destination = m_body.data();
        request.capacity = static_cast<uint32_t>(m_body.size());
        if (!m_cam.ReadFrameHeader(request)) return 0;
        return m_cam.ReadFrameBody(request, 2000);
    }

    static uint32_t BodyLength(const FrameRequest& request) {
        return LoadU32(request.header + kHeaderBodyLengthOffset);
    }

    std::shared_ptr<sim::SimCamera> m_camera;
    CNorluxCy3Cam m_cam;
    std::vector<uint8_t> m_body;
};

}  // namespace kelvra::transport::test
