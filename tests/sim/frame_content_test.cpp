// Frame content follows the registers: exposure, gain, window, binning, reversal, depth,
// temperature, correction, noise.
#include <algorithm>
#include <cmath>

#include "SimFixture.h"

namespace kelvra::test {
namespace {

class FrameContentTest : public SimTest {
  protected:
    void SetUp() override {
        sim::CameraConfig config;
        config.paced = false;
        camera = attach(config);
        control = std::make_unique<SeamClient>(controlOf(*camera));
        stream = std::make_unique<StreamReader>(streamOf(*camera));
    }
    Frame frame(const Readout& readout) {
        EXPECT_TRUE(program(*control, readout));
        auto f = stream->readFrame();
        EXPECT_TRUE(f);
        return f ? *f : Frame{};
    }
    sim::Defect firstDefect(bool hot) const {
        for (const sim::Defect& d : camera->defects()) {
            if (d.hot == hot) return d;
        }
        return {};
    }

    std::shared_ptr<sim::SimCamera> camera;
    std::unique_ptr<SeamClient> control;
    std::unique_ptr<StreamReader> stream;
};

constexpr int kBlack = 60;

TEST_F(FrameContentTest, SignalAboveBlackIsProportionalToExposure) {
    Readout r;
    r.sixteenBit = true;
    ASSERT_TRUE(setExposureLines(*control, 300));
    const double shortMean = frame(r).mean(0, 0, 1024, 1280) - kBlack;
    ASSERT_TRUE(setExposureLines(*control, 600));
    const double longMean = frame(r).mean(0, 0, 1024, 1280) - kBlack;
    EXPECT_NEAR(longMean / shortMean, 2.0, 0.03);
    EXPECT_GT(shortMean, 200.0);
}

TEST_F(FrameContentTest, GainCodeIsTenthsOfADecibel) {
    Readout r;
    r.sixteenBit = true;
    ASSERT_TRUE(setExposureLines(*control, 300));
    const double base = frame(r).mean(0, 0, 1024, 1280) - kBlack;
    ASSERT_TRUE(control->sensorWrite(0x714, 60));  // 6 dB
    const double gained = frame(r).mean(0, 0, 1024, 1280) - kBlack;
    EXPECT_NEAR(gained / base, std::pow(10.0, 0.3), 0.03);
}

TEST_F(FrameContentTest, LongExposureSaturatesAtTwelveBits) {
    Readout r;
    r.sixteenBit = true;
    ASSERT_TRUE(control->sensorWrite(0x714, 200));
    Frame f = frame(r);
    EXPECT_EQ(f.sample(512, 640), 4095);
}

TEST_F(FrameContentTest, BlackLevelRegisterSetsTheFloor) {
    camera->setSceneBrightness(0.0);
    camera->setSensorTemperature(-40.0);  // no dark signal to speak of
    Readout r;
    r.sixteenBit = true;
    EXPECT_NEAR(frame(r).mean(100, 100, 100, 100), kBlack, 1.0);
    ASSERT_TRUE(control->sensorWrite(0x7C0, 0x2C) && control->sensorWrite(0x7C1, 0x01));
    EXPECT_NEAR(frame(r).mean(100, 100, 100, 100), 300.0, 1.0);
}

TEST_F(FrameContentTest, EightBitSamplesAreTheTopBitsOfTheSixteenBitOnes) {
    Readout r;
    r.sixteenBit = true;
    Frame wide = frame(r);
    r.sixteenBit = false;
    Frame narrow = frame(r);
    ASSERT_EQ(narrow.body.size() * 2, wide.body.size());
    for (int row = 0; row < 1024; row += 97) {
        for (int col = 0; col < 1280; ++col) {
            ASSERT_EQ(narrow.sample(row, col), wide.sample(row, col) >> 4) << row << "," << col;
        }
    }
}

TEST_F(FrameContentTest, WindowIsTheMatchingPartOfTheFullFrame) {
    Frame full = frame(Readout{});
    Frame window = frame(Readout{320, 256, 640, 512});
    ASSERT_EQ(window.width(), 640);
    ASSERT_EQ(window.height(), 512);
    for (int row = 0; row < 512; row += 31) {
        for (int col = 0; col < 640; ++col) {
            ASSERT_EQ(window.sample(row, col), full.sample(256 + row, 320 + col))
                << row << "," << col;
        }
    }
}

TEST_F(FrameContentTest, DefectsSitAtTheirArrayPositionsInFullFrameAndWindow) {
    const sim::Defect hot = firstDefect(true);
    const sim::Defect dead = firstDefect(false);
    Readout r;
    r.sixteenBit = true;
    Frame full = frame(r);
    EXPECT_EQ(full.sample(hot.y, hot.x), 4095);
    EXPECT_GT(full.sample(hot.y, hot.x + 1), 0);
    EXPECT_LT(full.sample(hot.y, hot.x + 1), 4095);
    EXPECT_LT(full.sample(dead.y, dead.x), kBlack + 70);  // black and dark only
    r.x = std::clamp(hot.x - 40, 0, 1280 - 128) & ~7;
    r.y = std::clamp(hot.y - 40, 0, 1024 - 128) & ~7;
    r.width = 128;
    r.height = 128;
    Frame window = frame(r);
    EXPECT_EQ(window.sample(hot.y - r.y, hot.x - r.x), 4095);
}

TEST_F(FrameContentTest, BinningHalvesTheFrameKeepsTheLevelAndMovesDefects) {
    const sim::Defect hot = firstDefect(true);
    Readout r;
    r.sixteenBit = true;
    const double fullMean = frame(r).mean(0, 0, 1024, 1280);
    r.mode = 1;
    Frame binned = frame(r);
    ASSERT_EQ(binned.width(), 640);
    ASSERT_EQ(binned.height(), 512);
    EXPECT_NEAR(binned.mean(0, 0, 512, 640), fullMean, fullMean * 0.01);
    EXPECT_EQ(binned.sample(hot.y / 2, hot.x / 2), 4095);
}

TEST_F(FrameContentTest, FlipReversesColumnsAndMirrorReversesRows) {
    Frame normal = frame(Readout{});
    Readout flipped;
    flipped.flip = true;
    Frame h = frame(flipped);
    Readout mirrored;
    mirrored.mirror = true;
    Frame v = frame(mirrored);
    for (int row = 0; row < 1024; row += 101) {
        for (int col = 0; col < 1280; ++col) {
            ASSERT_EQ(h.sample(row, col), normal.sample(row, 1279 - col)) << row << "," << col;
            ASSERT_EQ(v.sample(row, col), normal.sample(1023 - row, col)) << row << "," << col;
        }
    }
    // The scene brightens to the right: reversal shows in the halves' means.
    EXPECT_GT(normal.mean(0, 640, 1024, 640), normal.mean(0, 0, 1024, 640));
    EXPECT_LT(h.mean(0, 640, 1024, 640), h.mean(0, 0, 1024, 640));
}

TEST_F(FrameContentTest, FlipWithTheUnflippedColumnOffsetShowsTheDummyColumns) {
    Readout flipped;
    flipped.flip = true;
    ASSERT_TRUE(program(*control, flipped));
    ASSERT_TRUE(control->fpgaWrite(76, 8));  // the offset for an unflipped readout
    auto f = stream->readFrame();
    ASSERT_TRUE(f);
    for (int col = 0; col < 96; ++col) EXPECT_EQ(f->sample(300, col), kBlack >> 4) << col;
    EXPECT_GT(f->sample(300, 96), kBlack >> 4);
}

TEST_F(FrameContentTest, WrongLineOffsetShowsLeadLinesAndZerosBeyondTheSensor) {
    ASSERT_TRUE(program(*control, Readout{}));
    ASSERT_TRUE(control->fpgaWrite(72, 0));
    auto f = stream->readFrame();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->sample(0, 500), kBlack >> 4);
    ASSERT_TRUE(control->fpgaWrite(72, 200));
    auto g = stream->readFrame();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->sample(1023, 500), 0);
}

TEST_F(FrameContentTest, TemperatureReadsAlikeThroughFpgaAndSensorLatch) {
    camera->setSensorTemperature(50.0);
    auto lo = control->fpgaRead(0xE5);
    auto hi = control->fpgaRead(0xE6);
    ASSERT_TRUE(lo && hi);
    EXPECT_EQ(((*hi & 0x0F) << 8) | *lo, 0x190);
    camera->setSensorTemperature(-1.0);
    ASSERT_TRUE(control->sensorWrite(0x788, 1));
    auto slo = control->sensorRead(0x690);
    auto shi = control->sensorRead(0x691);
    ASSERT_TRUE(slo && shi);
    EXPECT_EQ(((*shi & 0x0F) << 8) | *slo, 0xFF8);
    // The latch holds until the next rising edge.
    camera->setSensorTemperature(20.0);
    EXPECT_EQ(control->sensorRead(0x690), *slo);
    ASSERT_TRUE(control->sensorWrite(0x788, 0));
    ASSERT_TRUE(control->sensorWrite(0x788, 1));
    EXPECT_EQ(control->sensorRead(0x690), 0xA0);
}

TEST_F(FrameContentTest, DarkSignalGrowsWithTemperature) {
    camera->setSceneBrightness(0.0);
    Readout r;
    r.sixteenBit = true;
    ASSERT_TRUE(setExposureLines(*control, 1000));
    ASSERT_TRUE(control->sensorWrite(0x714, 200));  // x10, so rounding does not matter
    camera->setSensorTemperature(15.0);
    const double cool = frame(r).mean(200, 200, 200, 200) - kBlack;
    camera->setSensorTemperature(41.0);
    const double warm = frame(r).mean(200, 200, 200, 200) - kBlack;
    EXPECT_NEAR(warm / cool, 16.0, 0.5);  // doubling every 6.5 degrees
}

TEST_F(FrameContentTest, CoolerPullsTheTemperatureToItsSetPointAndBack) {
    camera->setThermalTimeConstant(20.0);
    const double start = camera->sensorTemperature();
    EXPECT_NEAR(start, 35.0, 0.1);
    ASSERT_TRUE(control->fpgaWrite(0x97, 1));
    camera->advanceThermalTime(20.0);
    EXPECT_NEAR(camera->sensorTemperature(), 15.0 + 20.0 * std::exp(-1.0), 0.1);
    camera->advanceThermalTime(400.0);
    EXPECT_NEAR(camera->sensorTemperature(), 15.0, 0.01);
    ASSERT_TRUE(control->fpgaWrite(0x97, 0));
    camera->advanceThermalTime(400.0);
    EXPECT_NEAR(camera->sensorTemperature(), 35.0, 0.01);
}

TEST_F(FrameContentTest, UncooledModelIgnoresTheCoolerBit) {
    sim::CameraConfig config;
    config.productId = 0x3260;
    config.paced = false;
    auto uncooled = attach(config);
    SeamClient c = controlOf(*uncooled);
    ASSERT_TRUE(c.fpgaWrite(0x97, 1));
    uncooled->advanceThermalTime(400.0);
    EXPECT_NEAR(uncooled->sensorTemperature(), 35.0, 0.01);
}

TEST_F(FrameContentTest, InCameraCorrectionHidesTheDefects) {
    const sim::Defect hot = firstDefect(true);
    const sim::Defect dead = firstDefect(false);
    Readout r;
    r.sixteenBit = true;
    ASSERT_TRUE(control->fpgaWrite(209, 1));
    Frame f = frame(r);
    const int left = f.sample(hot.y, hot.x - 1), right = f.sample(hot.y, hot.x + 1);
    EXPECT_NEAR(f.sample(hot.y, hot.x), (left + right) / 2, 2);
    EXPECT_GT(f.sample(dead.y, dead.x), kBlack + 100);
    EXPECT_NE(le32(&f.header[44]) & (1u << 18), 0u);
}

TEST_F(FrameContentTest, NoiseIsSeededAndOfTheConfiguredSize) {
    Readout r;
    r.sixteenBit = true;
    Frame clean1 = frame(r);
    Frame clean2 = frame(r);
    EXPECT_EQ(clean1.body, clean2.body);
    camera->setNoise(true, 7, 8.0f);
    Frame a = frame(r);
    Frame b = frame(r);
    double sum = 0, sumSq = 0;
    const int n = 200 * 200;
    for (int row = 400; row < 600; ++row) {
        for (int col = 500; col < 700; ++col) {
            const double d = a.sample(row, col) - b.sample(row, col);
            sum += d;
            sumSq += d * d;
        }
    }
    const double sigma = std::sqrt(sumSq / n - (sum / n) * (sum / n)) / std::sqrt(2.0);
    EXPECT_NEAR(sigma, 8.0, 0.8);
}

TEST_F(FrameContentTest, HeaderDescribesTheFrame) {
    ASSERT_TRUE(setExposureLines(*control, 500));
    ASSERT_TRUE(control->sensorWrite(0x714, 12));
    camera->setSensorTemperature(50.0);
    Readout r;
    r.sixteenBit = true;
    Frame f = frame(r);
    EXPECT_EQ(f.header[4], 16);
    EXPECT_EQ(f.header[6], 12);
    EXPECT_EQ(le32(&f.header[8]), 500u);
    EXPECT_EQ(le32(&f.header[12]), 12u);
    EXPECT_EQ(le32(&f.header[16]), 1280u * 1024u * 2u);
    EXPECT_NEAR(double(le32(&f.header[40])), 500 * 12.96 + 7.4, 1.0);
    EXPECT_EQ(le32(&f.header[44]) & 0xFFF, 0x190u);
}

TEST_F(FrameContentTest, FramesCompletedBeforeASettingChangeAreNeverDelivered) {
    sim::CameraConfig config;  // paced
    auto paced = attach(config);
    SeamClient c = controlOf(*paced);
    StreamReader s = streamOf(*paced);
    ASSERT_TRUE(s.readFrame());
    const uint64_t completedBeforeChange = paced->framesCompleted();
    ASSERT_TRUE(c.sensorWrite(0x714, 20));
    auto f = s.readFrame();
    ASSERT_TRUE(f);
    EXPECT_GT(f->number(), completedBeforeChange);
    EXPECT_EQ(le32(&f->header[12]), 20u);
}

}  // namespace
}  // namespace kelvra::test
