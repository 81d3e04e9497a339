// Simulated cameras of the camera line answer as their product: identification, information
// word, and frames that come out upright through the device core whatever the orientation the
// product's driver reports; the largest arrays render from a repeating tile.
#include <cstring>
#include <vector>

#include "DeviceTestSupport.h"
#include "sim/FrameRenderer.h"
#include "sim/SensorModels.h"

namespace kelvra::device_test {
namespace {

class SimFamily : public DeviceTest {};

TEST_F(SimFamily, EachProductIdentifiesItselfWithItsSensorAndInformationWord) {
    struct Case {
        uint16_t productId;
        const char* sensorName;
        uint16_t informationWord;
    };
    const Case cases[] = {{0x3100, "IMX174", 0x8130},
                          {0x3180, "T9QMODULE", 0x8130},
                          {0x3310, "LI8020", 0x8130},
                          {0x3270, "IMX990", 0x8130}};
    for (const Case& c : cases) {
        auto camera = Attach(Config(c.productId));
        CKelvraU3Q6Base& core = NewCore(c.productId);
        ASSERT_EQ(core.CountDevices(c.productId), 1) << std::hex << c.productId;
        std::vector<uint8_t> a(64), b(64);
        ASSERT_NE(core.OpenCamera(0), 0);
        ASSERT_EQ(core.GetInfoBlockA(a.data()), 1);
        ASSERT_EQ(core.GetInfoBlockB(b.data()), 1);
        EXPECT_EQ(a[2] | a[3] << 8, c.productId);
        EXPECT_STREQ(reinterpret_cast<const char*>(a.data() + 4), c.sensorName);
        EXPECT_EQ(b[32] | b[33] << 8, c.informationWord);
        core.CloseCamera();
        sim::detachAllCameras();
    }
    sim::CameraConfig override = Config(0x3180);
    override.informationWord = 0x0042;  // a test can still choose its own
    auto camera = Attach(override);
    EXPECT_EQ(camera->fpgaRegister(0x10), 0x42);
}

// Mean of a block of an 8-bit frame.
double Mean(const std::vector<uint8_t>& f, int width, int x0, int y0, int w, int h) {
    double sum = 0;
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) sum += f[size_t(y) * width + x];
    }
    return sum / (double(w) * h);
}

// The scene brightens to the right and downwards. Whether the camera reads its array turned
// (orientation 2, 3, 4) or not, the device core's copy puts the scene the right way up.
TEST_F(SimFamily, FramesOfEveryOrientationComeOutUpright) {
    struct Case {
        uint16_t productId;
        int32_t orientation;
    };
    const Case cases[] = {{0x3100, 1}, {0x3180, 2}, {0x32C0, 3}, {0x3090, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.productId);
        sim::CameraConfig config = Config(c.productId);
        config.paced = false;
        auto camera = Attach(config);
        CKelvraU3Q6Base& core = NewCore(c.productId);
        m_clock.Install(core);
        ASSERT_NE(core.OpenCamera(0), 0);
        SensorDescriptor d{};
        ASSERT_EQ(core.GetDescriptor(&d), 1);
        EXPECT_EQ(d.orientation, c.orientation);
        if (c.productId == 0x3180) {
            ASSERT_EQ(core.SetTransferBits(1), 1);  // the module sends 16 bits always
        }
        ASSERT_EQ(core.StartTransfer(1), 1);
        ASSERT_EQ(WaitNewFrame(core), 3);
        ASSERT_TRUE(ThreadEnds(core));
        const int w = d.width, h = d.height;
        const int bytes = core.TransferBits() ? 2 : 1;
        std::vector<uint8_t> raw(core.FrameSize());
        ASSERT_EQ(core.CopyFrame(raw.data(), uint32_t(raw.size()), nullptr, nullptr, nullptr,
                                 nullptr, nullptr, 0, 1),
                  1);
        std::vector<uint8_t> frame(size_t(w) * h);
        for (size_t i = 0; i < frame.size(); ++i) frame[i] = raw[i * bytes + bytes - 1];
        const int qw = w / 4, qh = h / 4;
        EXPECT_LT(Mean(frame, w, 0, qh, qw, 2 * qh), Mean(frame, w, 3 * qw, qh, qw, 2 * qh));
        EXPECT_LT(Mean(frame, w, qw, 0, 2 * qw, qh), Mean(frame, w, qw, 3 * qh, 2 * qw, qh));
        core.CloseCamera();
        sim::detachAllCameras();
    }
}

// A window far into the 19568 x 12588 array renders from the tile that repeats across it.
TEST(SimLargeArray, WindowsAnywhereInTheLargestArrayRenderFromOneTile) {
    const sim::SensorModel model = sim::sensorModelFor(0x3310);
    ASSERT_TRUE(model.large());
    sim::FrameRenderer renderer(model, 1);
    sim::FrameSettings s;
    s.width = 2048;
    s.height = 8;
    s.verticalCrop = true;
    s.geometry = sim::LineGeometry{0, 0, 0, 0, 0};
    s.windowX = 17000;
    s.windowY = 12000;
    s.windowWidth = 2048;
    s.windowHeight = 8;
    s.signalGain = 0.01f;
    std::vector<uint8_t> body(sim::FrameRenderer::bodyBytes(s));
    renderer.render(s, body.data());
    const int tile = sim::SceneMaps::kTile;
    EXPECT_NE(body[100], 0);
    for (int x = 0; x + tile < s.width; x += 97) {
        ASSERT_EQ(body[size_t(x)], body[size_t(x + tile)]) << x;
    }
}

}  // namespace
}  // namespace kelvra::device_test
