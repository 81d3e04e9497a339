// Registers, camera memory, camera information and the serial number, through a scripted
// device core.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "front/CKelvra.h"
#include "front/ScriptedDeviceCore.h"
#include "platform/MessageWindow.h"
#include "support/TempConfigHome.h"

namespace kelvra {
namespace {

using test::ScriptedDeviceCore;

class FrontRegisters : public ::testing::Test {
  protected:
    void SetUp() override { Make(ScriptedDeviceCore::Script{}); }
    void Make(ScriptedDeviceCore::Script script) {
        window_ = platform::CreateMessageWindow();
        front_ = std::make_unique<CKelvra>([this, script] {
            auto core = std::make_unique<ScriptedDeviceCore>(script, &log_);
            core_ = core.get();
            return core;
        });
        front_->Initialize(window_);
    }
    void TearDown() override {
        front_.reset();
        platform::DestroyWindow(window_);
    }
    std::vector<int32_t> Errors() {
        std::vector<int32_t> codes;
        for (int32_t code; (code = front_->PopLastError()) != 0;) codes.push_back(code);
        return codes;
    }
    // Codes posted to the notification window, oldest first.
    std::vector<intptr_t> Posted() {
        std::vector<intptr_t> codes;
        KELVRA_MSG msg;
        while (platform::GetMessage(window_, &msg, 0) == 1) codes.push_back(msg.lParam);
        return codes;
    }
    void SetSerial(const std::vector<uint8_t>& bytes) {
        for (size_t i = 0; i < bytes.size(); ++i) {
            core_->eeprom[0x1040 + static_cast<int>(i)] = bytes[i];
        }
    }

    test::TempConfigHome home_;
    std::vector<std::string> log_;
    HWND window_ = nullptr;
    ScriptedDeviceCore* core_ = nullptr;
    std::unique_ptr<CKelvra> front_;
};

TEST_F(FrontRegisters, FpgaAndCameraRegistersMaskAddressAndValue) {
    EXPECT_EQ(front_->FpgaWriteRegister(0x1FF, 0x12345), 1);
    EXPECT_EQ(core_->fpga[0xFF], 0x2345);
    core_->fpga[0x10] = 0x18130;
    int ok = 7;
    EXPECT_EQ(front_->FpgaReadRegister(0x310, &ok), 0x8130);
    EXPECT_EQ(ok, 7);  // left as the caller set it on success

    EXPECT_EQ(front_->WriteRegister(0x1404, 0x1ABCD, false), 1);
    EXPECT_EQ(core_->registers[0x04], 0xABCD);
    EXPECT_EQ(front_->WriteRegister(0x1404, 0x1ABCD, true), 1);
    EXPECT_EQ(core_->registers[0x1404], 0x1ABCD);
    EXPECT_EQ(front_->ReadRegister(0x1404, &ok, true), 0x1ABCD);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(front_->ReadRegister(0x1404, nullptr, false), 0xABCD);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(FrontRegisters, RegisterFailuresAreCodeSix) {
    ScriptedDeviceCore::Script failing;
    failing.registersFail = true;
    Make(failing);
    int ok = 7;
    EXPECT_EQ(front_->FpgaReadRegister(1, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(front_->FpgaWriteRegister(1, 1), 0);
    ok = 7;
    EXPECT_EQ(front_->ReadRegister(1, &ok, false), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(front_->WriteRegister(1, 1, true), 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{6, 6, 6, 6}));

    uint8_t port = 0x5A;
    EXPECT_EQ(front_->GetIoPort(&port), 0);
    EXPECT_EQ(port, 0x5A);
    EXPECT_EQ(front_->GetIoPort(nullptr), 0);
    EXPECT_TRUE(Errors().empty());  // posted only
    EXPECT_EQ(Posted(), (std::vector<intptr_t>{6, 6, 6, 6, 9, 9}));
}

TEST_F(FrontRegisters, IoPortIsFpgaRegisterSeven) {
    EXPECT_EQ(front_->SetIoPort(0x1A5), 1);
    EXPECT_EQ(core_->fpga[7], 0xA5);
    uint8_t port = 0;
    EXPECT_EQ(front_->GetIoPort(&port), 1);
    EXPECT_EQ(port, 0xA5);
}

TEST_F(FrontRegisters, CameraMemoryBytesAndVerifiedWrites) {
    core_->eeprom[0x234] = 0x42;
    int ok = 0;
    EXPECT_EQ(front_->ReadSromId(0x1234, &ok), 0x42);  // address & 0xFFF
    EXPECT_EQ(ok, 1);

    // Two writes that do not stick are rewritten until the byte reads back.
    core_->eepromWritesIgnored = 2;
    EXPECT_EQ(front_->WriteSromId(0x100, 0x1337), 1);
    EXPECT_EQ(core_->eeprom[0x100], 0x37);
    EXPECT_EQ(std::count(log_.begin(), log_.end(), "ReadEeprom 256"), 3);

    // A byte that never sticks: ten read-backs, still 1.
    core_->eepromWritesIgnored = 1000;
    log_.clear();
    EXPECT_EQ(front_->WriteSromId(0x101, 0x55), 1);
    EXPECT_EQ(std::count(log_.begin(), log_.end(), "ReadEeprom 257"), 10);

    core_->eepromWritesFail = true;
    EXPECT_EQ(front_->WriteSromId(0x102, 1), 0);
    core_->eepromReadsLeft = 0;
    ok = 7;
    EXPECT_EQ(front_->ReadSromId(0x234, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Posted(), (std::vector<intptr_t>{1, 1}));
}

TEST_F(FrontRegisters, InternalCorrectionOnlyWhereTheCameraHasIt) {
    int ok = 7;
    EXPECT_EQ(front_->GetInternalCorrection(&ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(front_->SetInternalCorrection(1), 0);
    EXPECT_EQ(Posted(), (std::vector<intptr_t>{11, 11}));

    ScriptedDeviceCore::Script with;
    with.internalCorrection = true;
    Make(with);
    EXPECT_EQ(front_->SetInternalCorrection(1), 1);
    EXPECT_EQ(front_->GetInternalCorrection(&ok), 1);
    EXPECT_EQ(ok, 1);
}

TEST_F(FrontRegisters, CameraInfoHonoursTheRecordSize) {
    KELVRA_CAMERA_INFO info;
    std::memset(&info, 0x77, sizeof info);
    info.size = 35;
    EXPECT_EQ(front_->GetCameraInfo(&info), 0);
    EXPECT_EQ(info.maxWidth, 0x77777777);
    EXPECT_EQ(front_->GetCameraInfo(nullptr), 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{9, 5}));

    info.size = 36;
    EXPECT_EQ(front_->GetCameraInfo(&info), 1);
    EXPECT_EQ(info.maxWidth, 1280);
    EXPECT_EQ(info.maxHeight, 1024);
    EXPECT_EQ(info.gainMax, 480);
    EXPECT_EQ(info.colorGainMin, 1);
    EXPECT_EQ(info.exposureMin, 3);
    EXPECT_EQ(info.exposureMax, 600000);
    EXPECT_EQ(info.reserved, 0x77777777);
    uint64_t untouched;
    std::memcpy(&untouched, &info.exposureSecondsMin, 8);
    EXPECT_EQ(untouched, 0x7777777777777777u);

    info.size = 56;
    EXPECT_EQ(front_->GetCameraInfo(&info), 1);
    EXPECT_EQ(info.exposureSecondsMin, 0.0001);
    EXPECT_EQ(info.exposureSecondsMax, 60.0);
    EXPECT_EQ(info.reserved, 0x77777777);
}

TEST_F(FrontRegisters, SerialNumberStopsAtTheEndMarker) {
    SetSerial({'K', '4', '-', '0', '0', '7', 0xFF, 'X'});
    char text[40];
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(front_->ReadSerialNumber(text, 32), 1);
    EXPECT_STREQ(text, "K4-007");
    EXPECT_EQ(std::count(log_.begin(), log_.end(), "ReadEeprom 4166"), 1);  // the marker
    EXPECT_EQ(std::count(log_.begin(), log_.end(), "ReadEeprom 4167"), 0);  // nothing after

    WCHAR wide[40];
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(front_->ReadSerialNumberW(wide, 6), 0);  // needs 7 with the terminator
    EXPECT_EQ(wide[0], u'#');
    EXPECT_EQ(front_->ReadSerialNumberW(wide, 7), 1);
    EXPECT_EQ(std::u16string(wide), u"K4-007");
    EXPECT_EQ(Errors(), (std::vector<int32_t>{12}));

    EXPECT_EQ(front_->ReadSerialNumber(text, 31), 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{9}));
}

TEST_F(FrontRegisters, SerialNumberEdgeCases) {
    char text[40];
    // 32 bytes without an end marker: cut to 31 characters and terminated.
    SetSerial(std::vector<uint8_t>(32, 'A'));
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(front_->ReadSerialNumber(text, 32), 1);
    EXPECT_EQ(std::strlen(text), 31u);
    EXPECT_EQ(text[32], '#');

    // Blank memory (0xFF first) or a zero first byte: success, text untouched.
    core_->eeprom.clear();
    std::strcpy(text, "keep");
    EXPECT_EQ(front_->ReadSerialNumber(text, 32), 1);
    SetSerial({0, 'B', 0xFF});
    EXPECT_EQ(front_->ReadSerialNumber(text, 32), 1);
    EXPECT_STREQ(text, "keep");

    // A camera memory that cannot be read at all.
    core_->eepromReadsLeft = 0;
    EXPECT_EQ(front_->ReadSerialNumber(text, 32), 0);
    EXPECT_STREQ(text, "keep");
    EXPECT_EQ(Errors(), (std::vector<int32_t>{6}));
}

}  // namespace
}  // namespace kelvra
