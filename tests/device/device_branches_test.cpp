// The shared code paths' branches for the other products of the camera line: driver choice
// (chip version of 0x3020, substitutes standing in for the library's drivers), the 0x32D0 transfer
// rules, the 0x31E0 row order and the products that switch the transfer depth their own way.
// Stand-in drivers are IMX990 drivers on the product's bus address.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "DeviceTestSupport.h"
#include "device/SensorFactory.h"
#include "sensors/CSensorIMX990.h"

namespace kelvra::device_test {
namespace {

constexpr int32_t kMt9f = 0x3020;
constexpr int32_t kModelM = 0x3130;
constexpr int32_t kModelF = 0x31E0;
constexpr uint32_t kSettleStepMs = 200;
constexpr int kSettleSteps = 100;  // 20 s in 200 ms steps
constexpr int32_t kCooledImx990 = 110;

// ---- driver choice without a camera ----------------------------------------------------------

// A driver that only remembers what it was given.
class RecordingDriver : public CSensorBase {
  public:
    RecordingDriver(CControllerBase* controller, uint8_t busAddress)
        : CSensorBase(controller, busAddress), bus(busAddress) {}
    int32_t SetModelCode(int32_t code) override {
        modelCode = code;
        return 1;
    }
    uint8_t bus;
    int32_t modelCode = -1;
};

struct Made {
    SensorClass driverClass = SensorClass::None;
    int calls = 0;
};

SensorSubstitute Recorder(Made& made) {
    return [&made](SensorClass c, CControllerBase& controller, uint8_t bus) {
        made.driverClass = c;
        ++made.calls;
        return std::make_unique<RecordingDriver>(&controller, bus);
    };
}

// A controller whose sensor at 0x20 answers the chip version as two bytes.
class ChipVersionController : public CControllerBase {
  public:
    std::array<uint8_t, 2> answer{};
    bool answers = true;
    std::vector<uint8_t> written;
    uint8_t readAddress = 0;

    int32_t I2cWrite(uint8_t address, const uint8_t* data, uint32_t count, uint32_t) override {
        if (address != 0x20 || !answers) return 0;
        written.assign(data, data + count);
        return 1;
    }
    int32_t I2cRead(uint8_t address, uint8_t* data, uint32_t count, uint32_t) override {
        readAddress = address;
        if (!answers || count != answer.size()) return 0;
        std::memcpy(data, answer.data(), answer.size());
        return 1;
    }
};

TEST(SensorFactoryChoice, Product3020ReadsTheChipVersionLowByteFirst) {
    struct Case {
        std::array<uint8_t, 2> bytes;
        SensorClass expected;
    };
    // 302 = 0x012E; the same bytes in the other order are another chip.
    const Case cases[] = {{{0x2E, 0x01}, SensorClass::MT9F002},
                          {{0x01, 0x2E}, SensorClass::MT9F001},
                          {{0x00, 0x00}, SensorClass::MT9F001}};
    for (const Case& c : cases) {
        ChipVersionController controller;
        controller.answer = c.bytes;
        Made made;
        auto driver = CreateSensorDriver(kMt9f, controller, Recorder(made));
        ASSERT_NE(driver, nullptr);
        EXPECT_EQ(made.driverClass, c.expected) << int(c.bytes[0]);
        EXPECT_EQ(static_cast<RecordingDriver&>(*driver).bus, 0x20);
        EXPECT_EQ(static_cast<RecordingDriver&>(*driver).modelCode, -1);  // no model code
        EXPECT_EQ(controller.written, (std::vector<uint8_t>{0, 0}));
        EXPECT_EQ(controller.readAddress, 0x21);
    }
}

TEST(SensorFactoryChoice, Product3020WithASilentChipGetsNoDriver) {
    ChipVersionController controller;
    controller.answers = false;
    Made made;
    EXPECT_EQ(CreateSensorDriver(kMt9f, controller, Recorder(made)), nullptr);
    EXPECT_EQ(made.calls, 0);
}

TEST(SensorFactoryChoice, SubstitutesStandInWithBusAndModelCode) {
    struct Case {
        int32_t productId;
        SensorClass driverClass;
        uint8_t bus;
        int32_t modelCode;  // -1: SetModelCode not called
    };
    const Case cases[] = {
        {0x3220, SensorClass::G1467x, 0x6C, 105}, {0x33B0, SensorClass::GLUX9701, 0x48, 114},
        {0x3310, SensorClass::LI8020, 0x40, 116}, {0x3090, SensorClass::ModelN, 0x00, -1},
        {0x3030, SensorClass::MT9P001, 0x90, -1}, {0x3130, SensorClass::ModelM, 0x42, -1},
        {kModelG, SensorClass::ModelG, 0x6C, -1}, {0x3042, SensorClass::MT9J001, 0x20, -1},
    };
    CControllerBase controller;
    for (const Case& c : cases) {
        Made made;
        auto driver = CreateSensorDriver(c.productId, controller, Recorder(made));
        ASSERT_NE(driver, nullptr) << std::hex << c.productId;
        EXPECT_EQ(made.driverClass, c.driverClass) << std::hex << c.productId;
        EXPECT_EQ(static_cast<RecordingDriver&>(*driver).bus, c.bus) << std::hex << c.productId;
        EXPECT_EQ(static_cast<RecordingDriver&>(*driver).modelCode, c.modelCode)
            << std::hex << c.productId;
        // Without a substitute the library's own class comes, with the same model code.
        auto own = CreateSensorDriver(c.productId, controller);
        ASSERT_NE(own, nullptr) << std::hex << c.productId;
        if (c.modelCode != -1) {
            EXPECT_EQ(own->GetModelCode(), c.modelCode);
        }
    }
}

TEST(SensorFactoryChoice, ADecliningSubstituteLeavesTheLibrarysDriverAndUnknownProductsNone) {
    CControllerBase controller;
    int asked = 0;
    const SensorSubstitute declines = [&asked](SensorClass, CControllerBase&, uint8_t) {
        ++asked;
        return std::unique_ptr<CSensorBase>();
    };
    auto driver = CreateSensorDriver(kK4Swir, controller, declines);
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->GetModelCode(), kCooledImx990);
    EXPECT_EQ(asked, 1);
    Made made;
    EXPECT_EQ(CreateSensorDriver(0x3350, controller, Recorder(made)), nullptr);
    EXPECT_EQ(made.calls, 0);
}

// ---- products opened with a stand-in driver --------------------------------------------------

// An IMX990 driver standing in for another class; counts what the core asks of it.
class StandIn : public CSensorIMX990 {
  public:
    StandIn(CControllerBase* controller, uint8_t bus, bool outputBitsWork)
        : CSensorIMX990(controller, bus), m_outputBitsWork(outputBitsWork) {
        CSensorIMX990::SetModelCode(kCooledImx990);  // orientation 1: rows stored top first
    }
    int32_t SetOutputBits(int32_t sixteen) override {
        outputBitsCalls.fetch_add(1);
        lastOutputBits = sixteen;
        return m_outputBitsWork ? CSensorIMX990::SetOutputBits(sixteen) : 0;
    }
    std::atomic<int> outputBitsCalls{0};
    std::atomic<int32_t> lastOutputBits{-1};

  private:
    const bool m_outputBitsWork;
};

class DeviceBranches : public DeviceTest {
  protected:
    // Camera 0 of `productId` with its sensor on `bus`, opened with a stand-in driver.
    CKelvraU3Q6Base& OpenStandIn(int32_t productId, uint8_t bus, bool outputBitsWork = true,
                                 uint16_t chipVersion = 0) {
        sim::CameraConfig config = Config(uint16_t(productId));
        config.sensorBusAddress = bus;
        config.sensorChipVersion = chipVersion;
        config.paced = false;
        m_camera = Attach(config);
        CKelvraU3Q6Base& core = NewCore(productId);
        core.SetSensorSubstitute(
            [this, outputBitsWork](SensorClass c, CControllerBase& controller, uint8_t busAddress) {
                m_asked = c;
                auto driver = std::make_unique<StandIn>(&controller, busAddress, outputBitsWork);
                m_standIn = driver.get();
                return driver;
            });
        EXPECT_NE(core.OpenCamera(0), 0) << std::hex << productId;
        return core;
    }

    // Camera 0 of `productId` with the library's own driver, reading a width x height window.
    CKelvraU3Q6Base& OpenOwn(int32_t productId, int32_t width, int32_t height) {
        sim::CameraConfig config = Config(uint16_t(productId));
        config.paced = false;
        m_camera = Attach(config);
        CKelvraU3Q6Base& core = NewCore(productId);
        EXPECT_NE(core.OpenCamera(0), 0) << std::hex << productId;
        EXPECT_EQ(core.SetCaptureWindow(0, 0, width, height, 0), 1);
        return core;
    }

    std::shared_ptr<sim::SimCamera> m_camera;
    SensorClass m_asked = SensorClass::None;
    StandIn* m_standIn = nullptr;  // owned by the core
};

TEST_F(DeviceBranches, Product3020OpensTheDriverItsChipAsksFor) {
    OpenStandIn(kMt9f, 0x20, true, 302);
    EXPECT_EQ(m_asked, SensorClass::MT9F002);
}

TEST_F(DeviceBranches, Product3020WithAnotherChipOpensTheMt9f001) {
    OpenStandIn(kMt9f, 0x20, true, 0x2E01);
    EXPECT_EQ(m_asked, SensorClass::MT9F001);
}

TEST_F(DeviceBranches, Product3020IsNotOpenedWhenItsChipDoesNotAnswer) {
    sim::CameraConfig config = Config(kMt9f);
    config.sensorBusAddress = 0x20;
    auto camera = Attach(config);
    CKelvraU3Q6Base& core = NewCore(kMt9f);
    bool asked = false;
    core.SetSensorSubstitute([&asked](SensorClass, CControllerBase& controller, uint8_t bus) {
        asked = true;
        return std::make_unique<StandIn>(&controller, bus, true);
    });
    camera->failI2c(1, 0x20);
    EXPECT_EQ(core.OpenCamera(0), 0);
    EXPECT_FALSE(asked);
    EXPECT_EQ(core.GetSensorMaxWidth(), 0);  // no driver left behind
    EXPECT_NE(core.OpenCamera(0), 0);        // the chip answers again
    EXPECT_TRUE(asked);
}

// Products whose transfer depth is not register 60 hand it to their driver, and its answer
// decides.
TEST_F(DeviceBranches, OwnDepthProductsSwitchThroughTheirDriverNotRegister60) {
    const std::pair<int32_t, uint8_t> products[] = {
        {kModelM, 0x42}, {kModelF, 0x6C}, {kModelG, 0x6C}};
    for (const auto& [productId, bus] : products) {
        CKelvraU3Q6Base& core = OpenStandIn(productId, bus);
        const uint16_t depthBefore = m_camera->fpgaRegister(60);
        EXPECT_EQ(core.SetTransferBits(1), 1) << std::hex << productId;
        EXPECT_EQ(m_standIn->outputBitsCalls.load(), 1) << std::hex << productId;
        EXPECT_EQ(m_standIn->lastOutputBits.load(), 1);
        EXPECT_EQ(core.TransferBits(), 1);
        EXPECT_EQ(m_camera->fpgaRegister(60), depthBefore) << std::hex << productId;
        core.CloseCamera();
        sim::detachAllCameras();
    }
}

TEST_F(DeviceBranches, AnOwnDepthSwitchThatFailsFailsTheCall) {
    CKelvraU3Q6Base& core = OpenStandIn(kModelM, 0x42, false);
    EXPECT_EQ(core.SetTransferBits(1), 0);
    EXPECT_EQ(core.TransferBits(), 0);
    EXPECT_EQ(m_standIn->outputBitsCalls.load(), 1);
}

TEST_F(DeviceBranches, Product32D0TakesNoSingleCapture) {
    CKelvraU3Q6Base& core = OpenStandIn(kModelG, 0x6C);
    ASSERT_EQ(core.ConfigureBuffers(), 1);
    EXPECT_EQ(core.CaptureOnce(), 2);
    EXPECT_EQ(m_camera->streamStats().framesSent, 0u);
    EXPECT_EQ(core.TransferErrorFlag(), 0);
}

// After the first failed header since the last stop, 0x32D0 pauses 20 s (in 200 ms steps);
// later failures of the same run do not pause, a stop re-arms it.
TEST_F(DeviceBranches, Product32D0SettlesOnceAfterItsFirstHeaderFailure) {
    CKelvraU3Q6Base& core = OpenOwn(kModelG, 640, 480);
    m_clock.Install(core);
    m_camera->failHeaderReads(1);
    ASSERT_EQ(core.StartTransfer(0), 1);
    ASSERT_EQ(WaitNewFrame(core), 3);
    EXPECT_EQ(m_clock.Count(kSettleStepMs), kSettleSteps);

    const uint64_t failedBefore = m_camera->streamStats().readsFailed;
    m_camera->failHeaderReads(1);
    ASSERT_TRUE(Eventually([&] { return m_camera->streamStats().readsFailed > failedBefore; }));
    ASSERT_EQ(WaitNewFrame(core), 3);
    EXPECT_EQ(m_clock.Count(kSettleStepMs), kSettleSteps);
    EXPECT_EQ(core.TransferErrorFlag(), 0);

    core.StopTransfer(1);
    m_camera->failHeaderReads(1);
    ASSERT_EQ(core.StartTransfer(0), 1);
    ASSERT_EQ(WaitNewFrame(core), 3);
    EXPECT_EQ(m_clock.Count(kSettleStepMs), 2 * kSettleSteps);
}

TEST_F(DeviceBranches, OtherProductsDoNotSettleAfterAHeaderFailure) {
    m_camera = Attach(Config());
    m_camera->setPaced(false);
    CKelvraU3Q6Base& core = OpenCore();
    m_clock.Install(core);
    m_camera->failHeaderReads(15);  // one failed header read: the controller's fifteen tries
    ASSERT_EQ(core.StartTransfer(0), 1);
    ASSERT_EQ(WaitNewFrame(core), 3);
    EXPECT_GE(m_camera->streamStats().readsFailed, 1u);
    EXPECT_EQ(m_clock.Count(kSettleStepMs), 0);
}

// A stop during the pause ends it at once: the stop waits for the thread without limit.
TEST_F(DeviceBranches, Product32D0PauseEndsWhenTheTransferStops) {
    CKelvraU3Q6Base& core = OpenStandIn(kModelG, 0x6C);
    std::mutex mutex;
    std::condition_variable paused;
    int steps = 0;
    // Each pause step lasts until the transfer is told to stop.
    core.SetTimeFunctions(
        [&](uint32_t ms) {
            if (ms != kSettleStepMs) return;
            {
                std::lock_guard lock(mutex);
                ++steps;
            }
            paused.notify_all();
            Eventually([&] { return core.IsTransferRunning() == 0; });
        },
        nullptr);
    m_camera->failHeaderReads(1);
    ASSERT_EQ(core.StartTransfer(0), 1);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(paused.wait_for(lock, std::chrono::seconds(20), [&] { return steps > 0; }));
    }
    EXPECT_EQ(core.StopTransfer(1), 1);
    EXPECT_EQ(core.IsTransferRunning(), 0);
    std::lock_guard lock(mutex);
    EXPECT_EQ(steps, 1);
}

// 0x31E0 delivers the bottom row first: a top-down copy reverses the rows of a sensor whose
// orientation code (1) would otherwise keep them, and the bottom-up copy is the stored order.
TEST_F(DeviceBranches, Product31E0RowsArriveBottomRowFirst) {
    CKelvraU3Q6Base& core = OpenOwn(kModelF, 1280, 1024);
    ASSERT_EQ(core.ConfigureBuffers(), 1);
    EXPECT_EQ(m_camera->fpgaRegister(157) << 8 | m_camera->fpgaRegister(156), 1280);
    EXPECT_EQ(m_camera->fpgaRegister(155) << 8 | m_camera->fpgaRegister(154), 1024);
    ASSERT_EQ(core.StartTransfer(1), 1);
    ASSERT_EQ(core.WaitFrame(10000), 3);
    ASSERT_TRUE(ThreadEnds(core));
    const size_t rowBytes = 1280;
    const size_t rows = 1024;
    ASSERT_EQ(core.FrameSize(), rowBytes * rows);
    std::vector<uint8_t> stored(core.FrameSize()), topDown(stored.size()), bottomUp(stored.size());
    uint8_t* slot = nullptr;
    core.GetImageRef(nullptr, 0, &slot, nullptr, 0);
    ASSERT_NE(slot, nullptr);
    std::memcpy(stored.data(), slot, stored.size());  // the thread has ended
    ASSERT_NE(std::memcmp(stored.data(), stored.data() + (rows - 1) * rowBytes, rowBytes), 0);
    ASSERT_EQ(core.CopyFrame(topDown.data(), uint32_t(topDown.size()), nullptr, nullptr, nullptr,
                             nullptr, nullptr, 0, 1),
              1);
    ASSERT_EQ(core.CopyFrame(bottomUp.data(), uint32_t(bottomUp.size()), nullptr, nullptr, nullptr,
                             nullptr, nullptr, 0, 0),
              1);
    EXPECT_EQ(bottomUp, stored);
    for (size_t r = 0; r < rows; ++r) {
        ASSERT_EQ(std::memcmp(topDown.data() + r * rowBytes,
                              stored.data() + (rows - 1 - r) * rowBytes, rowBytes),
                  0)
            << "row " << r;
    }
}

TEST(FrameRingOrder, BottomUpRowsOverrideTheOrientationsRowOrderOnly) {
    struct Case {
        int32_t orientation;
        bool topDown, reverseRows, reversePixels;
    };
    const Case cases[] = {
        {1, true, true, false},  {1, false, false, false}, {2, true, true, true},
        {2, false, false, true}, {4, true, true, true},    {4, false, false, true},
    };
    for (const Case& c : cases) {
        const FrameRing::CopyOrder order = FrameRing::OrderFor(c.orientation, c.topDown, true);
        EXPECT_EQ(order.reverseRows, c.reverseRows) << c.orientation << c.topDown;
        EXPECT_EQ(order.reversePixels, c.reversePixels) << c.orientation << c.topDown;
    }
}

}  // namespace
}  // namespace kelvra::device_test
