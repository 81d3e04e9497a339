// Cameras as applications meet them through the public API: listed and numbered while others
// come and go, streamed whole or not at all, lost without pretending, and exposed for seconds.
// Every scenario runs on the simulated back end and on the libusb back end.
#include <cmath>
#include <cstring>
#include <numeric>

#include "CameraApiFixture.h"

namespace kelvra::test {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;
constexpr int kFpgaHeightHigh = 65;  // bits 8-15 of the frame height the FPGA sends

class CameraApi : public CameraApiTest {};

std::vector<std::string> Listed(int handle) {
    char names[KELVRA_MAX_LISTED_DEVICES][KELVRA_DEVICE_NAME_LENGTH];
    const int count = Kelvra_EnumDevice(handle, names);
    return std::vector<std::string>(names, names + count);
}

std::string Name(int handle, int index) {
    char name[KELVRA_DEVICE_NAME_LENGTH] = {};
    if (!Kelvra_GetDeviceName(handle, index, name, sizeof name)) return "";
    return name;
}

// The stream of frames, in 8 and 16 bits, with the whole frame sent each time.
TEST_P(CameraApi, StreamsWholeFramesAtEightAndSixteenBits) {
    auto camera = Attach();
    const int handle = Initialize();  // the one camera attached is opened
    ASSERT_EQ(Serial(handle), camera->serialNumber());
    ASSERT_EQ(Kelvra_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    HWND window = Kelvra_CreateMessageWindow();
    const int bytes = kWidth * kHeight * 2;
    uint8_t* buffer = FrameBuffer(bytes);
    for (int bits : {8, 16}) {
        ASSERT_EQ(Kelvra_SetColorMode(handle, bits), 1);
        ASSERT_EQ(Kelvra_CallBackPreview(handle, window, buffer, bytes, 1), 1);
        for (int frame = 0; frame < 3; ++frame) {
            int failure = 0;
            const KELVRA_FRAME_REPORT* report = NextFrame(window, &failure);
            ASSERT_NE(report, nullptr) << bits << " bits, failure " << failure;
            EXPECT_EQ(report->bitsPerPixel, bits);
            EXPECT_EQ(report->width, kWidth);
            EXPECT_EQ(report->height, kHeight);
        }
        ASSERT_EQ(Kelvra_StopPreview(handle), 1);
    }
    Kelvra_DestroyMessageWindow(window);
}

// Trigger mode: each edge on the trigger input brings exactly one frame.
TEST_P(CameraApi, EachTriggerDeliversOneFrame) {
    auto camera = Attach();
    const int handle = Initialize();
    ASSERT_EQ(Kelvra_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    HWND window = Kelvra_CreateMessageWindow();
    ASSERT_EQ(Kelvra_Trigger(handle, window, nullptr, 0, 1), 1);
    for (int trigger = 0; trigger < 2; ++trigger) {
        ASSERT_TRUE(camera->fireTrigger()) << "trigger " << trigger;
        int failure = 0;
        const KELVRA_FRAME_REPORT* report = NextFrame(window, &failure);
        ASSERT_NE(report, nullptr) << "trigger " << trigger << ", failure " << failure;
        EXPECT_EQ(report->rate, 0);
        EXPECT_EQ(NextFrame(window, &failure, 300), nullptr) << "one frame per trigger";
    }
    EXPECT_EQ(Kelvra_StopPreview(handle), 1);
    Kelvra_DestroyMessageWindow(window);
}

// The FPGA was told a smaller frame behind the library's back: each body is shorter than the
// ring's frame. Such bodies are failed reads, so the preview ends as lost instead of reporting
// frames whose lower part comes from older exposures.
TEST_P(CameraApi, ShortFrameBodyIsAFailedReadNotAGoodFrame) {
    Attach();
    const int handle = Initialize();
    ASSERT_EQ(Kelvra_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    HWND window = Kelvra_CreateMessageWindow();
    const int bytes = kWidth * kHeight;
    ASSERT_EQ(Kelvra_CallBackPreview(handle, window, FrameBuffer(bytes), bytes, 1), 1);
    int failure = 0;
    ASSERT_NE(NextFrame(window, &failure), nullptr);
    ASSERT_EQ(Kelvra_Fpga_WriteRegister(handle, kFpgaHeightHigh, kHeight / 2 >> 8), 1);
    // Frames already in the ring may still be reported; then the loss.
    int framesAfter = 0;
    while (NextFrame(window, &failure) != nullptr && framesAfter < 50) ++framesAfter;
    EXPECT_EQ(failure, KELVRA_ERR_CAMERA_LOST);
    EXPECT_LE(framesAfter, 8);
    Kelvra_StopPreview(handle);
    Kelvra_DestroyMessageWindow(window);
}

// Two cameras; the first one leaves. The one still attached is listed, named and opened as
// camera 0 by every call, and a new handle opens it by itself as the only camera.
TEST_P(CameraApi, RemainingCameraKeepsBeingListedAfterTheFirstLeaves) {
    auto first = Attach();
    auto second = Attach();
    const int handle = Initialize();
    ASSERT_EQ(Listed(handle).size(), 2u);
    first->unplug();

    EXPECT_EQ(Listed(handle), std::vector<std::string>{"KelvraK4SWIRTEC_01"});
    EXPECT_EQ(Name(handle, 0), "KelvraK4SWIRTEC_01");
    EXPECT_EQ(Name(handle, 1), "");
    Errors(handle);
    EXPECT_EQ(Kelvra_SetDeviceNumber(handle, 1), 0);
    EXPECT_EQ(Errors(handle), std::vector<int>{KELVRA_ERR_NOT_PRESENT});
    ASSERT_EQ(Kelvra_SetDeviceNumber(handle, 0), 1);
    EXPECT_EQ(Serial(handle), second->serialNumber());

    const int another = Initialize();
    EXPECT_EQ(Serial(another), second->serialNumber());
}

// A camera moved to another USB port is the same camera: named by its serial number, it keeps
// its place in the numbering instead of coming back as a new camera behind the others.
TEST_P(CameraApi, CameraMovedToAnotherPortKeepsItsNumber) {
    if (GetParam() != Backend::Libusb) GTEST_SKIP() << "ports exist on the USB bus only";
    auto moving = Attach();
    auto staying = Attach();
    const int handle = Initialize();
    ASSERT_EQ(Kelvra_SetDeviceNumber(handle, 0), 1);
    ASSERT_EQ(Serial(handle), moving->serialNumber());
    moving->unplug();
    sim::CameraConfig samePlug;
    samePlug.serialNumber = moving->serialNumber();
    Attach(samePlug);  // the same camera, on the next free port

    EXPECT_EQ(Listed(handle).size(), 2u);
    ASSERT_EQ(Kelvra_SetDeviceNumber(handle, 1), 1);
    EXPECT_EQ(Serial(handle), staying->serialNumber());
    ASSERT_EQ(Kelvra_SetDeviceNumber(handle, 0), 1);
    EXPECT_EQ(Serial(handle), moving->serialNumber());
}

// The camera is pulled out while it is being opened: the open gives up at once instead of
// retrying every register against a device that cannot answer.
TEST_P(CameraApi, CameraUnpluggedWhileOpeningFailsFast) {
    auto camera = Attach();
    camera->unplugAfterRequests(12);  // in the middle of the sensor's initialisation
    const int handle = Initialize();
    EXPECT_EQ(Serial(handle), "");
    // Each retry of a sensor register would try to open the camera again: a few hundred per
    // register before. Now every step ends at its first refusal.
    EXPECT_LT(camera->refusedOpens(), 300);
}

// Unplugged during a preview: the loss is reported, and later reads of the camera fail with
// their code instead of answering "cooler off" or 0 degrees as if it were there.
TEST_P(CameraApi, LostCameraIsNeverReadAsPresent) {
    auto camera = Attach();
    const int handle = Initialize();
    ASSERT_EQ(Kelvra_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    HWND window = Kelvra_CreateMessageWindow();
    ASSERT_EQ(Kelvra_CallBackPreview(handle, window, nullptr, 0, 1), 1);
    int failure = 0;
    ASSERT_NE(NextFrame(window, &failure), nullptr);
    camera->unplug();
    while (NextFrame(window, &failure) != nullptr) {
    }
    EXPECT_EQ(failure, KELVRA_ERR_CAMERA_LOST);
    Kelvra_StopPreview(handle);
    Errors(handle);

    int ok = 1;
    Kelvra_GetPeltier(handle, &ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(handle), std::vector<int>{KELVRA_ERR_NOT_PRESENT});
    ok = 1;
    Kelvra_GetTemperatureEx(handle, &ok);
    EXPECT_EQ(ok, 0);
    Kelvra_DestroyMessageWindow(window);
}

// Exposures longer than the 400 ms a header read normally waits: each exposure brings its
// frame, none restarted by the readout pulses of expired reads, and the signal grows with the
// exposure.
TEST_P(CameraApi, LongExposuresEachDeliverTheirFrame) {
    constexpr double kExposures[] = {0.5, 1.0, 2.0};
    sim::CameraConfig config;
    config.sceneBrightness = 0.003;  // 2 s stays well below saturation
    auto camera = Attach(config);
    camera->setSensorTemperature(-40.0);  // next to no dark signal
    const int handle = Initialize();
    ASSERT_EQ(Kelvra_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
    ASSERT_EQ(Kelvra_SetColorMode(handle, 8), 1);
    HWND window = Kelvra_CreateMessageWindow();
    const int bytes = kWidth * kHeight;
    const uint8_t* frame = FrameBuffer(bytes);
    std::vector<double> mean;
    for (double exposure : kExposures) {
        ASSERT_EQ(Kelvra_SetExposureTimeEx(handle, exposure), 1);
        const uint64_t abortedBefore = camera->streamStats().readsAborted;
        ASSERT_EQ(Kelvra_CallBackPreview(handle, window, const_cast<uint8_t*>(frame), bytes, 1), 1);
        int failure = 0;
        const bool arrived = NextFrame(window, &failure) != nullptr;
        // Read before the stop, which aborts the read then pending.
        const uint64_t aborted = camera->streamStats().readsAborted - abortedBefore;
        ASSERT_EQ(Kelvra_StopPreview(handle), 1);
        ASSERT_TRUE(arrived) << exposure << " s, failure " << failure;
        EXPECT_EQ(aborted, 0u) << exposure << " s: a header read expired";
        mean.push_back(std::accumulate(frame, frame + bytes, 0.0) / bytes);
        while (NextFrame(window, &failure, 0) != nullptr) {
        }
        camera->setSensorTemperature(-40.0);
    }
    // Signal proportional to the exposure, above a common black level.
    EXPECT_GT(mean[0], 0.0);
    EXPECT_NEAR((mean[2] - mean[1]) / (mean[1] - mean[0]), 2.0, 0.3);
    Kelvra_DestroyMessageWindow(window);
}

INSTANTIATE_TEST_SUITE_P(Backends, CameraApi,
                         ::testing::Values(Backend::Simulator, Backend::Libusb), BackendName);

}  // namespace
}  // namespace kelvra::test
