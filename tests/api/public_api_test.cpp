// The exports of the foundation through the public API, with no camera attached.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "KelvraSdk.h"
#include "support/TempConfigHome.h"

namespace {

class PublicApi : public ::testing::Test {
  protected:
    void SetUp() override {
        handle_ = Kelvra_Initialize(nullptr);
        ASSERT_NE(handle_, 0);
    }
    void TearDown() override {
        if (handle_ != 0) {
            EXPECT_EQ(Kelvra_Release(handle_), 1);
        }
    }

    // Pops every recorded code, newest first, up to the first 0.
    std::vector<int> DrainErrors() {
        std::vector<int> codes;
        for (int code; (code = Kelvra_GetLastError(handle_)) != 0;) codes.push_back(code);
        return codes;
    }

    kelvra::test::TempConfigHome config_;
    int handle_ = 0;
};

TEST(PublicApiWithoutHandle, UnknownHandlesGiveFailureValuesOnly) {
    kelvra::test::TempConfigHome config;
    EXPECT_EQ(Kelvra_GetDllVersion(), 35063073);
    char names[10][256];
    std::memset(names, 'x', sizeof names);
    char text[64] = "untouched";
    WCHAR wide[64] = {u'u', 0};
    for (int handle : {0, 1, -1, 12345}) {
        EXPECT_EQ(Kelvra_Release(handle), 0);
        EXPECT_EQ(Kelvra_GetLastError(handle), 0);
        EXPECT_EQ(Kelvra_GetStatus(handle), 0);
        EXPECT_EQ(Kelvra_EnumDevice(handle, names), 0);
        EXPECT_EQ(Kelvra_SetDeviceNumber(handle, 0), 0);
        EXPECT_EQ(Kelvra_GetDeviceName(handle, 0, text, sizeof text), 0);
        EXPECT_EQ(Kelvra_GetDeviceNameW(handle, 0, wide, 64), 0);
        EXPECT_EQ(Kelvra_GetConfigFilter(handle, 0), 0);
        EXPECT_EQ(Kelvra_SetConfigFilter(handle, 0, 0), 0);
        EXPECT_EQ(Kelvra_Fps(handle, 0), 0);
        EXPECT_EQ(Kelvra_GetColorMode(handle), -1);
        EXPECT_EQ(Kelvra_GetSubSample(handle), -1);
        EXPECT_EQ(Kelvra_GetWaitTime(handle), -1);
        EXPECT_EQ(Kelvra_SetColorMode(handle, 8), 0);
        EXPECT_EQ(Kelvra_SetSubSample(handle, 0), 0);
        EXPECT_EQ(Kelvra_SetWaitTime(handle, 5), 0);
    }
    EXPECT_EQ(names[0][0], 'x');
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(wide[0], u'u');
}

TEST(PublicApiWithoutHandle, ReleaseTwiceChangesNothingTheSecondTime) {
    kelvra::test::TempConfigHome config;
    const int first = Kelvra_Initialize(nullptr);
    const int second = Kelvra_Initialize(nullptr);
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    ASSERT_NE(first, second);
    EXPECT_EQ(Kelvra_Release(first), 1);
    EXPECT_EQ(Kelvra_Release(first), 0);
    // The other handle still works.
    EXPECT_EQ(Kelvra_SendText(second, nullptr, 0), 0);
    EXPECT_EQ(Kelvra_GetLastError(second), KELVRA_ERR_UNSUPPORTED);
    EXPECT_EQ(Kelvra_Release(second), 1);
    EXPECT_EQ(Kelvra_Release(second), 0);
}

TEST_F(PublicApi, HistoryKeepsTheTwentyNewestCodesNewestFirst) {
    // 25 failures with distinguishable codes: 11 from the text channel, 9 from a short name
    // buffer, 2 from an absent camera.
    std::vector<int> recorded;
    char text[8];
    for (int i = 0; i < 25; ++i) {
        switch (i % 3) {
            case 0:
                Kelvra_SendText(handle_, nullptr, 0);
                recorded.push_back(11);
                break;
            case 1:
                Kelvra_GetDeviceName(handle_, 0, text, 16);
                recorded.push_back(9);
                break;
            default:
                Kelvra_SetDeviceNumber(handle_, i);
                recorded.push_back(2);
                break;
        }
    }
    std::vector<int> newest20(recorded.rbegin(), recorded.rbegin() + 20);
    EXPECT_EQ(DrainErrors(), newest20);
    EXPECT_EQ(Kelvra_GetLastError(handle_), 0);
}

TEST_F(PublicApi, ErrorsArePostedToTheNotificationWindow) {
    HWND window = Kelvra_CreateMessageWindow();
    ASSERT_NE(window, nullptr);
    const int handle = Kelvra_Initialize(window);
    ASSERT_NE(handle, 0);

    EXPECT_EQ(Kelvra_GetConfigFilter(handle, 3), -1);  // recorded: history and post
    EXPECT_EQ(Kelvra_SetHalfClock(handle, 1), 0);      // notified: post only
    KELVRA_MSG msg{};
    ASSERT_EQ(Kelvra_GetMessage(window, &msg, 1000), 1);
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.message, 32771u);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(msg.lParam, 11);
    ASSERT_EQ(Kelvra_GetMessage(window, &msg, 1000), 1);
    EXPECT_EQ(msg.lParam, 11);
    EXPECT_EQ(Kelvra_GetMessage(window, &msg, 0), 0);

    // Only the recorded failure entered the history.
    EXPECT_EQ(Kelvra_GetLastError(handle), 11);
    EXPECT_EQ(Kelvra_GetLastError(handle), 0);
    EXPECT_EQ(Kelvra_Release(handle), 1);
    EXPECT_EQ(Kelvra_DestroyMessageWindow(window), 1);
    EXPECT_EQ(Kelvra_DestroyMessageWindow(window), 0);
}

TEST_F(PublicApi, FailureWithoutNotificationWindowStillEntersHistory) {
    EXPECT_EQ(Kelvra_Fps(handle_, 0), 0);  // notify only: nothing kept
    EXPECT_EQ(Kelvra_SetConfigFilter(handle_, 1, 2), -1);
    EXPECT_EQ(Kelvra_ReceiveText(handle_, nullptr, 0), 0);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{11, 11}));
    EXPECT_EQ(Kelvra_GetStatus(handle_), 0);
}

TEST_F(PublicApi, WithoutCamerasNothingIsListedOrOpened) {
    char names[10][256];
    std::memset(names, 'x', sizeof names);
    EXPECT_EQ(Kelvra_EnumDevice(handle_, names), 0);
    for (const auto& name : names) EXPECT_EQ(name[0], '\0');

    WCHAR wide[10][256];
    std::memset(wide, 0x55, sizeof wide);
    EXPECT_EQ(Kelvra_EnumDeviceW(handle_, wide), 0);
    for (const auto& name : wide) EXPECT_EQ(name[0], u'\0');

    EXPECT_EQ(Kelvra_SetDeviceNumber(handle_, 0), 0);
    char text[32] = "untouched";
    EXPECT_EQ(Kelvra_GetDeviceName(handle_, 0, text, sizeof text), 0);
    EXPECT_EQ(Kelvra_GetDeviceName(handle_, -1, text, sizeof text), 0);
    EXPECT_EQ(Kelvra_GetDeviceName(handle_, 32, text, sizeof text), 0);
    EXPECT_EQ(Kelvra_GetDeviceName(handle_, 0, text, 16), 0);
    EXPECT_EQ(Kelvra_GetDeviceName(handle_, 0, nullptr, 32), 0);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(DrainErrors(), (std::vector<int>{9, 9, 2, 2, 2, 2}));
}

TEST_F(PublicApi, FormatSettersRefuseBadValues) {
    EXPECT_EQ(Kelvra_GetColorMode(handle_), 24);
    EXPECT_EQ(Kelvra_SetColorMode(handle_, 16), 1);
    EXPECT_EQ(Kelvra_SetColorMode(handle_, 12), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), 9);
    EXPECT_EQ(Kelvra_GetColorMode(handle_), 16);

    EXPECT_EQ(Kelvra_SetSubSample(handle_, 2), 0);  // refused without a code
    EXPECT_EQ(Kelvra_SetSubSample(handle_, 1), 1);
    EXPECT_EQ(Kelvra_GetSubSample(handle_), 1);
    EXPECT_EQ(Kelvra_SetWaitTime(handle_, -1), 0);
    EXPECT_EQ(Kelvra_SetWaitTime(handle_, 0), 1);
    EXPECT_EQ(Kelvra_GetWaitTime(handle_), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), 0);
}

TEST_F(PublicApi, NullNameArraysAreRefused) {
    EXPECT_EQ(Kelvra_EnumDevice(handle_, nullptr), 0);
    EXPECT_EQ(Kelvra_EnumDeviceW(handle_, nullptr), 0);
    EXPECT_EQ(DrainErrors(), (std::vector<int>{9, 9}));
}

TEST_F(PublicApi, InitialisationCreatesTheSettingsOfCameraMinusOne) {
    // No camera is selected while the size preset is first loaded, so its key is Camera_-1.
    const auto file = config_.RegistryFile();
    ASSERT_TRUE(std::filesystem::exists(file));
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Camera_-1"), std::string::npos);
    EXPECT_NE(text.find("Size_00"), std::string::npos);
}

}  // namespace

namespace {

TEST(PublicApiSettingsFile, CorruptFileIsMovedAsideAndDefaultsUsed) {
    kelvra::test::TempConfigHome config;
    std::filesystem::create_directories(config.RegistryFile().parent_path());
    {
        std::ofstream out(config.RegistryFile());
        out << "{\"Software\": [truncated";
    }
    const int handle = Kelvra_Initialize(nullptr);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(Kelvra_GetLastError(handle), 0);
    EXPECT_EQ(Kelvra_Release(handle), 1);

    int setAside = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(config.RegistryFile().parent_path())) {
        if (entry.path().filename().string().rfind("registry.json.bad", 0) == 0) ++setAside;
    }
    EXPECT_EQ(setAside, 1);
    std::ifstream in(config.RegistryFile());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Camera_-1"), std::string::npos);
}

TEST(PublicApiSettingsFile, UnwritableSettingsDirectoryIsNoFailure) {
    kelvra::test::TempConfigHome config;
    // A file where the settings directory should be: nothing can be saved, nothing breaks.
    {
        std::ofstream blocker(config.Dir() / "kelvra");
        blocker << "not a directory";
    }
    const int handle = Kelvra_Initialize(nullptr);
    ASSERT_NE(handle, 0);
    char names[10][256];
    EXPECT_EQ(Kelvra_EnumDevice(handle, names), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle), 0);
    EXPECT_EQ(Kelvra_Release(handle), 1);
    std::ifstream in(config.Dir() / "kelvra");
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "not a directory");
}

}  // namespace
