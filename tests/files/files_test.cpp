// Settings and files that must never hurt, through the public API on a simulated camera:
// hostile values in the settings file, special files given as file names, a full disk, a
// configuration file far too large, masks without a camera.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "KelvraSdk.h"
#include "platform/SettingsStore.h"
#include "sim/Simulator.h"
#include "support/TempConfigHome.h"

namespace kelvra::test {
namespace {

namespace fs = std::filesystem;

constexpr char kCamera0[] = "Software\\Norlux\\KelvraK4SWIRTEC3Q6Sdk\\Camera_00";
// A stop or a file call that blocks ends the test instead of hanging it.
constexpr unsigned kHangSeconds = 60;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override { alarm(kHangSeconds); }
    void TearDown() override {
        Release();
        if (window_ != nullptr) Kelvra_DestroyMessageWindow(window_);
        sim::detachAllCameras();
        alarm(0);
    }

    void Initialize() {
        handle_ = Kelvra_Initialize(nullptr);
        ASSERT_NE(handle_, 0);
    }
    void Release() {
        if (handle_ != 0) {
            EXPECT_EQ(Kelvra_Release(handle_), 1);
        }
        handle_ = 0;
    }
    std::string Path(const char* name) const { return (home_.Dir() / name).string(); }
    std::string Fifo(const char* name) const {
        const std::string path = Path(name);
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        return path;
    }
    int LastError() { return Kelvra_GetLastError(handle_); }
    std::vector<std::string> FilesIn(const fs::path& dir) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // A frame message within a few seconds (null on timeout).
    bool FrameArrives() {
        KELVRA_MSG msg{};
        for (int i = 0; i < 100; ++i) {
            if (Kelvra_GetMessage(window_, &msg, 50) == 1 && msg.message == KELVRA_WM_FRAME &&
                msg.wParam != 0) {
                return true;
            }
        }
        return false;
    }

    TempConfigHome home_;
    int handle_ = 0;
    HWND window_ = nullptr;
};

struct Observed {
    int waitTime, colorBits, realExposure, gamma, grayMode, sharpness, width;
    bool operator==(const Observed&) const = default;
};

Observed Observe(int handle) {
    int ok = 0;
    return {Kelvra_GetWaitTime(handle),
            Kelvra_GetColorMode(handle),
            Kelvra_GetRealExposureTime(handle, &ok),
            Kelvra_GetGamma(handle, &ok),
            Kelvra_GetGrayMode(handle, &ok),
            Kelvra_GetSharpness(handle, &ok),
            Kelvra_Width(handle)};
}

// A settings file damaged by hand or by another program: values out of range (a wait of 49
// days, colour format 9, an exposure whose microseconds overflow), of the wrong type, NaN. The
// library loads what it would load without them, streams, and every stop returns.
TEST_F(FilesTest, HostileSettingsFileLoadsAsIfTheValuesWereMissing) {
    sim::attachCamera();
    Initialize();
    const Observed fresh = Observe(handle_);
    Release();  // writes camera 0's Gain, Filter and Gray keys

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const uint8_t notADword[3] = {1, 2, 3};
    platform::SettingsStore store(home_.RegistryFile().string());
    ASSERT_TRUE(store.Update([&](platform::SettingsTree& t) {
        const std::string camera = kCamera0;
        t.SetDword(camera, "WaitTime", 0xFFFFFFFF);
        t.SetDword(camera, "Color", 9);
        t.SetDword(camera, "Size", 0);
        t.SetDword(camera + "\\Size_00", "EH", 0xFFFFFFFF);
        t.SetDword(camera + "\\Gain", "Exposure", 30000000);
        t.SetDword(camera + "\\Gain", "Global", 0x7FFFFFFF);
        t.SetBinary(camera + "\\Gain", "ExposureEx", &nan, sizeof nan);
        t.SetBinary(camera + "\\Filter", "Gamma", notADword, sizeof notADword);
        t.SetDword(camera + "\\Filter", "Sharpness", 31);
        t.SetDword(camera + "\\Gray", "Mode", 3);
    }));

    Initialize();
    EXPECT_EQ(Observe(handle_), fresh);

    // The wait time has a bound: larger values are clamped, negative ones refused.
    EXPECT_EQ(Kelvra_SetWaitTime(handle_, INT_MAX), 1);
    EXPECT_EQ(Kelvra_GetWaitTime(handle_), KELVRA_MAX_WAIT_TIME);
    EXPECT_EQ(Kelvra_SetWaitTime(handle_, -1), 0);
    EXPECT_EQ(Kelvra_GetWaitTime(handle_), KELVRA_MAX_WAIT_TIME);
    ASSERT_EQ(Kelvra_SetWaitTime(handle_, fresh.waitTime), 1);

    window_ = Kelvra_CreateMessageWindow();
    ASSERT_EQ(Kelvra_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
    std::vector<uint8_t> frame(8 * 1280 * 1024);
    ASSERT_EQ(
        Kelvra_CallBackPreview(handle_, window_, frame.data(), static_cast<int>(frame.size()), 1),
        1);
    EXPECT_TRUE(FrameArrives());
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
    EXPECT_EQ(Kelvra_Close(handle_), 1);
}

// Every camera gets its full-sensor preset when first used, so selecting it by size works on
// a fresh machine whichever camera is open.
TEST_F(FilesTest, SizePresetWorksOutOfTheBoxOnEveryCamera) {
    sim::attachCamera();
    sim::attachCamera();
    Initialize();
    for (int camera : {1, 0}) {
        ASSERT_EQ(Kelvra_SetDeviceNumber(handle_, camera), 1);
        EXPECT_EQ(Kelvra_SetCaptureWindow(handle_, 1280, 1024), 1) << camera;
        EXPECT_EQ(LastError(), 0) << camera;
        int eh = 0, ev = 0;
        Kelvra_GetCaptureWindowEx(handle_, nullptr, nullptr, &eh, nullptr, nullptr, &ev);
        EXPECT_EQ(eh, 1280);
        EXPECT_EQ(ev, 1024);
    }
    EXPECT_EQ(Kelvra_SetCaptureWindow(handle_, 640, 480), 0);  // no such preset
    EXPECT_EQ(LastError(), KELVRA_ERR_WINDOW);
}

// A save that runs out of space (here: files may not grow past 1 MiB) leaves the file it was
// replacing as it was, loadable, and no temporary file beside it.
TEST_F(FilesTest, FullDiskKeepsTheOldMaskAndImage) {
    sim::attachCamera();
    Initialize();
    std::vector<uint8_t> frame(1280 * 1024);
    ASSERT_EQ(Kelvra_SnapShot(handle_, frame.data(), static_cast<int>(frame.size()), 1), 1);
    const fs::path folder = home_.Dir() / "out";
    fs::create_directory(folder);
    const std::string mask = (folder / "refs.msk").string();
    const std::string image = (folder / "last.bmp").string();
    ASSERT_EQ(Kelvra_SaveMaskFile(handle_, mask.c_str()), 1);
    ASSERT_EQ(Kelvra_SaveImage(handle_, image.c_str(), KELVRA_FORMAT_BMP), 1);
    const std::string oldMask = ReadFile(mask);
    const std::string oldImage = ReadFile(image);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const sighandler_t previous = signal(SIGXFSZ, SIG_IGN);
    const rlimit full{1024 * 1024, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    const int maskSaved = Kelvra_SaveMaskFile(handle_, mask.c_str());
    const int maskCode = LastError();
    const int imageSaved = Kelvra_SaveImage(handle_, image.c_str(), KELVRA_FORMAT_BMP);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    signal(SIGXFSZ, previous);

    EXPECT_EQ(maskSaved, 0);
    EXPECT_EQ(maskCode, KELVRA_ERR_MASK_FILE);
    EXPECT_EQ(imageSaved, 0);
    EXPECT_TRUE(ReadFile(mask) == oldMask);
    EXPECT_TRUE(ReadFile(image) == oldImage);
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"last.bmp", "refs.msk"}));
    EXPECT_EQ(Kelvra_LoadMaskFile(handle_, mask.c_str()), 1);
}

// A FIFO or a device given as a file name is refused at once with the call's failure code,
// never waited on while the handle's lock is held: frames keep coming meanwhile.
TEST_F(FilesTest, SpecialFileNamesAreRefusedWhileFramesKeepComing) {
    sim::attachCamera();
    Initialize();
    window_ = Kelvra_CreateMessageWindow();
    ASSERT_EQ(Kelvra_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0), 1);
    std::vector<uint8_t> frame(1280 * 1024);
    ASSERT_EQ(
        Kelvra_CallBackPreview(handle_, window_, frame.data(), static_cast<int>(frame.size()), 1),
        1);
    ASSERT_TRUE(FrameArrives());
    const std::string fifo = Fifo("fifo");
    for (const std::string& name : {fifo, std::string("/dev/null")}) {
        EXPECT_EQ(Kelvra_SaveImage(handle_, name.c_str(), KELVRA_FORMAT_TIFF), 0) << name;
        EXPECT_EQ(Kelvra_SaveMaskFile(handle_, name.c_str()), 0) << name;
        EXPECT_EQ(LastError(), KELVRA_ERR_MASK_FILE) << name;
        EXPECT_EQ(Kelvra_LoadMaskFile(handle_, name.c_str()), 0) << name;
        EXPECT_EQ(LastError(), KELVRA_ERR_MASK_FILE) << name;
        EXPECT_EQ(Kelvra_LoadConfigFileA(handle_, name.c_str()), 0) << name;
        EXPECT_EQ(LastError(), 0) << name;
    }
    EXPECT_TRUE(FrameArrives());
    EXPECT_EQ(Kelvra_Record(handle_, fifo.c_str(), 1000, 0), 0);
    EXPECT_EQ(LastError(), KELVRA_ERR_CONVERSION);
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
    struct stat status {};
    ASSERT_EQ(stat(fifo.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

TEST_F(FilesTest, SettingsFileThatIsAFifoDoesNotStallInitialize) {
    fs::create_directories(home_.RegistryFile().parent_path());
    ASSERT_EQ(mkfifo(home_.RegistryFile().c_str(), 0600), 0);
    sim::attachCamera();
    Initialize();
    EXPECT_EQ(Kelvra_SetCaptureWindow(handle_, 1280, 1024), 1);
    Release();
    EXPECT_TRUE(fs::is_regular_file(home_.RegistryFile()));
}

// A configuration file larger than any configuration is refused unread, with code 9.
TEST_F(FilesTest, OversizedConfigurationFileIsRefusedWithCode9) {
    Initialize();
    const std::string huge = Path("huge.cfg");
    std::ofstream(huge).put('x');
    fs::resize_file(huge, uint64_t{1} << 30);  // sparse: no disk space used
    EXPECT_EQ(Kelvra_LoadConfigFileA(handle_, huge.c_str()), 0);
    EXPECT_EQ(LastError(), KELVRA_ERR_PARAMETER);
    const std::string pair = Path("pair.cfg");
    std::ofstream(pair, std::ios::binary).write("\1\0\0\0\2\0\0\0", 8);
    EXPECT_EQ(Kelvra_LoadConfigFileA(handle_, pair.c_str()), 1);
    EXPECT_EQ(LastError(), 0);
}

// The references belong to an open camera; without one neither save nor load touch a file.
TEST_F(FilesTest, MaskFilesNeedAnOpenCamera) {
    Initialize();
    const std::string mask = Path("refs.msk");
    EXPECT_EQ(Kelvra_SaveMaskFile(handle_, mask.c_str()), 0);
    EXPECT_EQ(LastError(), KELVRA_ERR_NO_CAMERA);
    EXPECT_FALSE(fs::exists(mask));
    std::ofstream(mask) << "x";
    EXPECT_EQ(Kelvra_LoadMaskFile(handle_, mask.c_str()), 0);
    EXPECT_EQ(LastError(), KELVRA_ERR_NO_CAMERA);
}

}  // namespace
}  // namespace kelvra::test
