// Two cameras on one handle: selecting one fits its stored format, and selecting another while
// acquisition runs is refused without disturbing it.
#include <vector>

#include "acquisition/AcquisitionFixture.h"
#include "platform/SettingsStore.h"
#include "settings/RegistrySettings.h"

namespace kelvra::test {
namespace {

class TwoCameras : public AcquisitionTest {
  protected:
    // Camera 0 is open on handle_; camera 1 arrives afterwards.
    void SetUp() override {
        AcquisitionTest::SetUp();
        second_ = sim::attachCamera({});
        char names[10][256];
        ASSERT_EQ(Kelvra_EnumDevice(handle_, names), 2);
    }
    // A handle made with both cameras attached, in place of handle_, as in the README.
    int FreshHandle() {
        EXPECT_EQ(Kelvra_Release(handle_), 1);
        handle_ = 0;
        const int handle = Kelvra_Initialize(nullptr);
        EXPECT_EQ(Kelvra_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
        return handle;
    }
    // Stores a format for camera `camera` as the settings dialog would.
    void StoreFormat(int camera, int color, int waitTime, int subSample) {
        platform::SettingsStore store(config_.RegistryFile().string());
        store.Update([&](platform::SettingsTree& tree) {
            const std::string key = settings::CameraKey(camera);
            tree.SetDword(key, "Color", color);
            tree.SetDword(key, "WaitTime", waitTime);
            tree.SetDword(key, "SubSample", subSample);
            tree.SetDword(key, "Size", 1);
            const std::string preset = settings::SizePresetKey(camera, 1);
            for (const char* name : {"TH", "EH"}) tree.SetDword(preset, name, 640);
            for (const char* name : {"TV", "EV"}) tree.SetDword(preset, name, 512);
            for (const char* name : {"EHS", "EVS"}) tree.SetDword(preset, name, 0);
            tree.SetDword(preset, "Buf", 4);
        });
    }

    std::shared_ptr<sim::SimCamera> second_;
};

TEST_F(TwoCameras, SelectedCameraGetsItsOwnStoredFormatFittedToIt) {
    // Nothing is open while a handle with two cameras initialises; the mono camera chosen
    // afterwards must not keep a colour format it cannot deliver.
    const int fresh = FreshHandle();
    ASSERT_EQ(Kelvra_SetDeviceNumber(fresh, 0), 1);
    EXPECT_EQ(Kelvra_GetColorMode(fresh), 8);
    std::vector<uint8_t> frame(kFrame8);
    ASSERT_EQ(Kelvra_CallBackPreview(fresh, window_, frame.data(), kFrame8, 1), 1);
    EXPECT_NE(NextFrame(), nullptr);
    EXPECT_EQ(Kelvra_StopPreview(fresh), 1);
    EXPECT_TRUE(failures_.empty()) << "the README's 8-bit buffer fits every frame";

    // Camera 1's own stored format and size come with it; camera 0's come back with it. A
    // colour format camera 1 cannot deliver is fitted to one it can.
    StoreFormat(1, 2, 3, 1);
    ASSERT_EQ(Kelvra_SetDeviceNumber(fresh, 1), 1);
    EXPECT_EQ(Kelvra_GetColorMode(fresh), 16);
    EXPECT_EQ(Kelvra_GetWaitTime(fresh), 3);
    EXPECT_EQ(Kelvra_GetSubSample(fresh), 1);
    EXPECT_EQ(Kelvra_Width(fresh), 640);
    std::vector<uint16_t> small(320 * 256);
    EXPECT_EQ(Kelvra_SnapShot(fresh, small.data(), static_cast<int>(small.size() * 2), 1), 1)
        << Kelvra_GetLastError(fresh);
    ASSERT_EQ(Kelvra_SetDeviceNumber(fresh, 0), 1);
    EXPECT_EQ(Kelvra_GetColorMode(fresh), 8);
    EXPECT_EQ(Kelvra_Width(fresh), 1280);
    EXPECT_EQ(Kelvra_Release(fresh), 1);
}

TEST_F(TwoCameras, SelectingAnotherCameraDuringAcquisitionIsRefusedAndChangesNothing) {
    std::vector<uint8_t> frame(kFrame8);
    const auto refused = [&](const char* what) {
        EXPECT_EQ(Kelvra_SetDeviceNumber(handle_, 1), 0) << what;
        EXPECT_EQ(DrainErrors(), std::vector<int>{KELVRA_ERR_NO_CAMERA}) << what;
        EXPECT_EQ(Kelvra_SetDeviceNumber(handle_, 0), 1) << what << ": the open camera is kept";
    };

    ASSERT_EQ(Kelvra_CallBackPreview(handle_, window_, nullptr, 0, 1), 1);
    ASSERT_NE(NextFrame(), nullptr);
    refused("preview");  // the state a recording runs in
    DrainMessages();
    EXPECT_NE(NextFrame(), nullptr) << "frames keep coming";
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);

    ASSERT_EQ(Kelvra_Capture(handle_), 1);
    refused("capture");
    EXPECT_EQ(Kelvra_SnapShot(handle_, frame.data(), kFrame8, 1), 1);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);

    ASSERT_EQ(Kelvra_Trigger(handle_, window_, nullptr, 0, 1), 1);
    refused("trigger");
    ASSERT_TRUE(camera_->fireTrigger());
    EXPECT_NE(NextFrame(), nullptr);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);

    // Stopped, the switch goes through and the other camera streams.
    const uint64_t sent = second_->framesCompleted();
    ASSERT_EQ(Kelvra_SetDeviceNumber(handle_, 1), 1);
    ASSERT_EQ(Kelvra_SnapShot(handle_, frame.data(), kFrame8, 1), 1);
    EXPECT_GT(second_->framesCompleted(), sent);
}

}  // namespace
}  // namespace kelvra::test
