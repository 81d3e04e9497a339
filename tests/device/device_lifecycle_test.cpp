// Product identity, open and close, and the state a core keeps while no camera can be opened.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "device/CKelvraUSB3Q6SimpleSdk.h"

namespace kelvra {
namespace {

constexpr int32_t kProductK4Swir = 0x3270;
constexpr int32_t kProductModelG = 0x32D0;

TEST(DeviceCoreProductId, FreshCoreHasNoProductAndAFourSlotRing) {
    CKelvraUSB3Q6SimpleSdk core;
    EXPECT_EQ(core.GetProductId(), -1);
    EXPECT_EQ(core.RingDepth(), 4);
    EXPECT_EQ(core.ReadMark(), 3);
    EXPECT_EQ(core.FrameTimeout(), 5000);
    EXPECT_EQ(core.GetOpenInstance(), 0);
}

TEST(DeviceCoreProductId, RingDepthAndReadMarkFollowEveryProductChange) {
    CKelvraUSB3Q6SimpleSdk core;
    core.SetProductId(kProductModelG);
    EXPECT_EQ(core.GetProductId(), kProductModelG);
    EXPECT_EQ(core.RingDepth(), 8);
    EXPECT_EQ(core.ReadMark(), 7);

    // Switching back must shrink the ring again, not keep the deeper one.
    core.SetProductId(kProductK4Swir);
    EXPECT_EQ(core.GetProductId(), kProductK4Swir);
    EXPECT_EQ(core.RingDepth(), 4);
    EXPECT_EQ(core.ReadMark(), 3);
}

TEST(DeviceCoreProductId, StreamModelsFollowProductId) {
    struct Case {
        int32_t productId;
        int32_t sync;
        int32_t block;
    };
    const Case cases[] = {
        {0x3042, 1, 0}, {0x3040, 0, 0}, {0x3310, 0, 1}, {0x3320, 0, 1}, {0x3330, 0, 1},
        {0x3340, 0, 1}, {0x3300, 0, 0}, {0x3350, 0, 0}, {0x3270, 0, 0}, {-1, 0, 0},
    };
    for (const Case& c : cases) {
        CKelvraUSB3Q6SimpleSdk core;
        core.SetProductId(c.productId);
        EXPECT_EQ(core.IsSyncStreamModel(), c.sync) << std::hex << c.productId;
        EXPECT_EQ(core.IsBlockStreamModel(), c.block) << std::hex << c.productId;
        EXPECT_EQ(core.IsBlockStreamModel2(), c.block) << std::hex << c.productId;
    }
}

TEST(DeviceCoreProductId, BuiltInCorrectionIsReportedButNotSwitchableWithoutCamera) {
    for (int32_t productId : {0x3150, 0x3170, 0x31E0, 0x3220}) {
        CKelvraUSB3Q6SimpleSdk core;
        core.SetProductId(productId);
        EXPECT_EQ(core.IsInternalCorrectionSupported(0, 0), 1) << std::hex << productId;
        // "Already off" must not pass for success when nothing could be read.
        EXPECT_EQ(core.SetInternalCorrection(0), 0) << std::hex << productId;
        EXPECT_EQ(core.GetInternalCorrection(), 0) << std::hex << productId;
    }
    for (int32_t productId : {0x3270, 0x3260, 0x3160, -1}) {
        CKelvraUSB3Q6SimpleSdk core;
        core.SetProductId(productId);
        EXPECT_EQ(core.IsInternalCorrectionSupported(0, 0), 0) << std::hex << productId;
    }
}

TEST(DeviceCoreOpen, NoCameraIsCountedOrOpenedWithoutController) {
    CKelvraUSB3Q6SimpleSdk core;
    EXPECT_EQ(core.OpenCamera(0), 0);  // before any product id

    core.SetProductId(kProductK4Swir);
    EXPECT_EQ(core.CreateController(nullptr, &kCameraInterfaceGuid), 0);
    EXPECT_EQ(core.CountDevices(kProductK4Swir), 0);
    EXPECT_EQ(core.CountDevices(0), 0);
    for (int32_t n = 0; n < core.GetMaxDevices(); ++n) {
        EXPECT_EQ(core.IsDevicePresent(n), 0) << n;
        EXPECT_EQ(core.OpenCamera(n), 0) << n;
        EXPECT_EQ(core.ReopenCamera(n), -1) << n;
    }
    for (int32_t index : {-1, 0, 31, 32}) {
        EXPECT_EQ(core.GetDeviceVendorId(index), 0) << index;
        EXPECT_EQ(core.GetDeviceProductId(index), 0) << index;
        EXPECT_EQ(core.GetDeviceInstance(index), -1) << index;
    }
    // A failed open leaves no trace of the instance asked for.
    EXPECT_EQ(core.GetOpenInstance(), 0);
}

TEST(DeviceCoreClose, CloseCameraTwiceIsHarmlessAndKeepsTheProduct) {
    std::unique_ptr<CKelvraU3Q6Base> core = std::make_unique<CKelvraUSB3Q6SimpleSdk>();
    core->SetProductId(kProductModelG);
    EXPECT_EQ(core->CloseCamera(), 1);
    EXPECT_EQ(core->CloseCamera(), 1);
    EXPECT_EQ(core->GetProductId(), kProductModelG);
    EXPECT_EQ(core->RingDepth(), 8);
    // Recreating the controller closes again; the product stays set for the next open.
    core->CreateController(nullptr, nullptr);
    EXPECT_EQ(core->GetProductId(), kProductModelG);
    core.reset();  // destruction closes once more, through the base pointer
}

TEST(DeviceCoreExposure, RefusedExposureLeavesTheFrameTimeout) {
    CKelvraUSB3Q6SimpleSdk core;
    core.SetProductId(kProductK4Swir);
    EXPECT_EQ(core.SetExposureTime(50001), 0);
    EXPECT_EQ(core.FrameTimeout(), 5000);
    EXPECT_EQ(core.SetExposureSeconds(2.5), 0);
    EXPECT_EQ(core.FrameTimeout(), 5000);

    EXPECT_EQ(core.SetFrameTimeout(1234), 1);
    EXPECT_EQ(core.SetExposureTime(100), 0);
    EXPECT_EQ(core.FrameTimeout(), 1234);
}

TEST(DeviceCoreRegisters, FailedReadsClearTheOkFlag) {
    CKelvraUSB3Q6SimpleSdk core;
    core.SetProductId(kProductK4Swir);
    int32_t ok = 1;
    EXPECT_EQ(core.ReadFpgaRegister(7, &ok), 0);
    EXPECT_EQ(ok, 0);
    ok = 1;
    EXPECT_EQ(core.ReadRegister(0, 0x3000, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(core.ReadFpgaRegister(7, nullptr), 0);
    EXPECT_EQ(core.ReadRegister(0, 0x3000, nullptr), 0);
}

TEST(DeviceCoreFrames, NothingIsCopiedOrReportedWithoutTransfer) {
    CKelvraUSB3Q6SimpleSdk core;
    core.SetProductId(kProductK4Swir);
    EXPECT_EQ(core.StartTransfer(0), 0);
    EXPECT_EQ(core.WaitFrame(10), 2);

    uint8_t buffer[64];
    std::memset(buffer, 0xAB, sizeof(buffer));
    int32_t frameNumber = 77;
    EXPECT_EQ(core.CopyFrame(buffer, sizeof(buffer), &frameNumber, nullptr, nullptr, nullptr,
                             nullptr, 1, 1),
              0);
    EXPECT_EQ(core.GetImage(buffer, sizeof(buffer), &frameNumber, 1), 0);
    EXPECT_EQ(frameNumber, 77);
    for (uint8_t byte : buffer) ASSERT_EQ(byte, 0xAB);

    uint8_t* slot = buffer;
    EXPECT_EQ(core.GetImageRef(buffer, sizeof(buffer), &slot, nullptr, 0), 0);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(core.GetFirstFrame(nullptr, 0, nullptr, 1), -2);
}

}  // namespace
}  // namespace kelvra
