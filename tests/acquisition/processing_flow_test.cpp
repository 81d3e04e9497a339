// Per-frame processing seen through the public API: each step acts when set and is skipped at
// its neutral value; automatic exposure, flat-field and the dot filter on the simulator's scene.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "acquisition/AcquisitionFixture.h"

namespace kelvra::test {
namespace {

constexpr int kW = 1280, kH = 1024;
using Frame = std::vector<uint8_t>;

class ProcessingFlow : public AcquisitionTest {
  protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        // A still scene: no noise, and a sensor held at its target temperature. (A slow drift
        // is not enough: dark current follows the temperature, and the last bit of a float
        // moving now and then changed a few pixels between two frames.)
        camera_->setThermalTimeConstant(0);
        ASSERT_EQ(Kelvra_Capture(handle_), 1);
    }

    // One frame. A sanitizer build under load can miss the 3 s frame timeout; a timed-out
    // snapshot (code 8) is taken again.
    Frame Snap() {
        Frame frame(kW * kH, 0xEE);
        int result = 0;
        for (int attempt = 0; attempt < 3 && result != 1; ++attempt) {
            result = Kelvra_SnapShot(handle_, frame.data(), static_cast<int>(frame.size()), 1);
            if (result != 1) {
                EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_TRANSFER);
            }
        }
        EXPECT_EQ(result, 1);
        return frame;
    }

    static double Mean(const Frame& f, int x0, int y0, int x1, int y1) {
        double sum = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) sum += f[static_cast<size_t>(y) * kW + x];
        }
        return sum / ((x1 - x0) * (y1 - y0));
    }

    static double ChangedShare(const Frame& a, const Frame& b) {
        size_t changed = 0;
        for (size_t i = 0; i < a.size(); ++i) changed += a[i] != b[i];
        return static_cast<double>(changed) / a.size();
    }
};

struct Step {
    const char* name;
    std::function<int(int)> set;  // handle → result
    std::function<int(int)> neutral;
};

TEST_F(ProcessingFlow, EachStepActsWhenSetAndIsSkippedAtItsNeutralValue) {
    const Frame reference = Snap();
    ASSERT_EQ(Snap(), reference) << "the scene must be still for this test";
    const std::vector<Step> steps = {
        {"brightness", [](int h) { return Kelvra_SetBrightness(h, 60); },
         [](int h) { return Kelvra_SetBrightness(h, 0); }},
        {"contrast", [](int h) { return Kelvra_SetContrast(h, 80); },
         [](int h) { return Kelvra_SetContrast(h, 0); }},
        {"gamma", [](int h) { return Kelvra_SetGamma(h, 40); },
         [](int h) { return Kelvra_SetGamma(h, 100); }},
        {"sharpness", [](int h) { return Kelvra_SetSharpness(h, 20); },
         [](int h) { return Kelvra_SetSharpness(h, 0); }},
        {"grey gain",
         [](int h) {
             return Kelvra_SetGrayMode(h, 1) & Kelvra_SetGrayGainR(h, 200) &
                    Kelvra_SetGrayGainG1(h, 200) & Kelvra_SetGrayGainG2(h, 200) &
                    Kelvra_SetGrayGainB(h, 200) & Kelvra_SetGrayOffsetR(h, 128) &
                    Kelvra_SetGrayOffsetG1(h, 128) & Kelvra_SetGrayOffsetG2(h, 128);
         },
         [](int h) {
             return Kelvra_SetGrayGainR(h, 128) & Kelvra_SetGrayGainG1(h, 128) &
                    Kelvra_SetGrayGainG2(h, 128) & Kelvra_SetGrayGainB(h, 128);
         }},
        {"horizontal mirror", [](int h) { return Kelvra_SetMirrorH(h, 1); },
         [](int h) { return Kelvra_SetMirrorH(h, 0); }},
        {"vertical mirror", [](int h) { return Kelvra_SetMirrorV(h, 1); },
         [](int h) { return Kelvra_SetMirrorV(h, 0); }},
        {"dot filter", [](int h) { return Kelvra_SetDotFilter(h, 1); },
         [](int h) { return Kelvra_SetDotFilter(h, 0); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_EQ(step.set(handle_), 1);
        // Mirroring reaches the camera only when acquisition is prepared again.
        ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
        const Frame changed = Snap();
        EXPECT_GT(ChangedShare(changed, reference), 0.0) << "the step did nothing";
        ASSERT_EQ(step.neutral(handle_), 1);
        const Frame back = Snap();
        EXPECT_EQ(ChangedShare(back, reference), 0.0) << "the neutral value still changes pixels";
    }
}

TEST_F(ProcessingFlow, FlatFieldWithDefaultReferencesLeavesTheFrameUnchanged) {
    const Frame reference = Snap();
    ASSERT_EQ(Kelvra_SetMaskFilter(handle_, 1), 1);
    EXPECT_EQ(Snap(), reference);
}

TEST_F(ProcessingFlow, FlatFieldWithCapturedReferencesFlattensTheVignetting) {
    camera_->setSceneBrightness(0.0);
    Snap();
    ASSERT_EQ(Kelvra_UpdateMaskData(handle_, 0), 1);
    camera_->setSceneBrightness(1.0);
    Snap();
    ASSERT_EQ(Kelvra_UpdateMaskData(handle_, 1), 1);
    camera_->setSceneBrightness(0.5);
    const Frame plain = Snap();
    ASSERT_EQ(Kelvra_SetMaskFilter(handle_, 1), 1);
    const Frame flat = Snap();
    const auto cornerToCentre = [](const Frame& f) {
        return Mean(f, 8, 8, 72, 72) / Mean(f, 608, 480, 672, 544);
    };
    const double before = cornerToCentre(plain);
    const double after = cornerToCentre(flat);
    EXPECT_LT(before, 0.9) << "the simulated optics should darken the corners";
    EXPECT_NEAR(after, 1.0, 0.08);
    EXPECT_LT(std::abs(after - 1.0), std::abs(before - 1.0));
}

TEST_F(ProcessingFlow, UpdateMaskDataRefusesAnUnknownReference) {
    Snap();
    EXPECT_EQ(Kelvra_UpdateMaskData(handle_, 2), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_CONVERSION);
}

// A defect stands out from its four neighbours by at least the filter's threshold.
int Deviation(const Frame& f, int x, int y) {
    const auto at = [&](int xx, int yy) {
        return static_cast<int>(f[static_cast<size_t>(yy) * kW + xx]);
    };
    const int around = (at(x - 1, y) + at(x + 1, y) + at(x, y - 1) + at(x, y + 1)) / 4;
    return std::abs(at(x, y) - around);
}

TEST_F(ProcessingFlow, DotFilterRemovesHotAndDeadPixels) {
    const Frame plain = Snap();
    ASSERT_EQ(Kelvra_SetDotFilter(handle_, 1), 1);
    const Frame filtered = Snap();
    int visible = 0;
    for (const sim::Defect& d : camera_->defects()) {
        // The frame may be read out reversed; look where the defect shows.
        for (auto [x, y] : {std::pair{d.x, d.y}, std::pair{kW - 1 - d.x, kH - 1 - d.y}}) {
            if (x < 5 || y < 5 || x >= kW - 5 || y >= kH - 5) continue;
            if (Deviation(plain, x, y) < 30) continue;
            ++visible;
            EXPECT_LT(Deviation(filtered, x, y), 30) << "defect at " << x << "," << y;
        }
    }
    EXPECT_GT(visible, 0) << "the simulated sensor should show some defects";
}

TEST_F(ProcessingFlow, AutomaticExposureConvergesOnTheScene) {
    int ok = 0;
    const int maximum = 4000;  // 400 ms: a saturated frame
    ASSERT_EQ(Kelvra_SetExposureTime(handle_, maximum), 1);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    ASSERT_EQ(Kelvra_SetAutoIris(handle_, 1), 1);
    ASSERT_EQ(Kelvra_CallBackPreview(handle_, window_, nullptr, 0, 1), 1);
    for (int frame = 0; frame < 40 && NextFrame(15000); ++frame) {
    }
    ASSERT_EQ(Kelvra_SetAutoIris(handle_, 0), 1);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    const int exposure = Kelvra_GetExposureTime(handle_, &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_LT(exposure, maximum);
    const Frame settled = Snap();
    const double centre = Mean(settled, 576, 461, 704, 563);
    EXPECT_GT(centre, 40.0);
    EXPECT_LT(centre, 210.0);
}

}  // namespace
}  // namespace kelvra::test
