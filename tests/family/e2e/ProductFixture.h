// A front handle on one simulated camera of the product this test program was linked for
// (BuildProductId), through the public API only.
#pragma once

#include <cstring>
#include <vector>

#include "acquisition/AcquisitionFixture.h"
#include "product/BuildProduct.h"

namespace kelvra::test {

class ProductTest : public AcquisitionTest {
  protected:
    sim::CameraConfig CameraConfig() const override {
        sim::CameraConfig config;
        config.productId = uint16_t(BuildProductId());
        return config;
    }

    uint8_t Fpga(uint8_t reg) const { return uint8_t(camera_->fpgaRegister(reg)); }
    uint32_t FpgaPair(uint8_t low) const { return Fpga(low) | Fpga(uint8_t(low + 1)) << 8; }

    // One frame of width x height 8-bit pixels through a callback preview, then stopped.
    std::vector<uint8_t> GrabFrame(int width, int height) {
        std::vector<uint8_t> frame(size_t(width) * size_t(height), 0xEE);
        EXPECT_EQ(Kelvra_CallBackPreview(handle_, window_, frame.data(), int(frame.size()), 1), 1);
        const KELVRA_FRAME_REPORT* report = NextFrame(10000);
        EXPECT_NE(report, nullptr);
        if (report != nullptr) {
            EXPECT_EQ(report->width, width);
            EXPECT_EQ(report->height, height);
        }
        EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
        DrainMessages();
        return frame;
    }

    static double RowMean(const std::vector<uint8_t>& frame, int width, int row) {
        double sum = 0.0;
        for (int x = 0; x < width; ++x) sum += frame[size_t(row) * size_t(width) + size_t(x)];
        return sum / width;
    }
};

}  // namespace kelvra::test
