#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "front/CKelvra.h"
#include "platform/MessageWindow.h"
#include "support/TempConfigHome.h"
#include "values/ValuesDeviceCore.h"

namespace kelvra::test {

// A front object over a ValuesDeviceCore, with a notification window whose posts tell a
// recorded code 0 apart from an empty history.
class ValuesTest : public ::testing::Test {
  protected:
    using Features = ValuesDeviceCore::Features;

    void SetUp() override { Make({}); }
    void TearDown() override { Drop(); }

    void Make(Features features, ScriptedDeviceCore::Script script = {}) {
        Drop();
        window_ = platform::CreateMessageWindow();
        front_ = std::make_unique<CKelvra>([this, features, script] {
            auto core = std::make_unique<ValuesDeviceCore>(script, features, &log_);
            core_ = core.get();
            return core;
        });
        front_->Initialize(window_);
        Posted();
        log_.clear();
    }
    // A front object whose device core could not be made.
    void MakeWithoutDevice() {
        Drop();
        window_ = platform::CreateMessageWindow();
        front_ = std::make_unique<CKelvra>([] { return nullptr; });
        front_->Initialize(window_);
        Errors();
        Posted();
        core_ = nullptr;
    }
    void Drop() {
        front_.reset();
        if (window_ != nullptr) platform::DestroyWindow(window_);
        window_ = nullptr;
    }

    // Codes in the history, newest first (a recorded 0 ends the list, as for applications).
    std::vector<int32_t> Errors() {
        std::vector<int32_t> codes;
        for (int32_t code; (code = front_->PopLastError()) != 0;) codes.push_back(code);
        return codes;
    }
    // Codes posted to the notification window since the last call, oldest first.
    std::vector<intptr_t> Posted() {
        std::vector<intptr_t> codes;
        KELVRA_MSG msg;
        while (platform::GetMessage(window_, &msg, 0) == 1) codes.push_back(msg.lParam);
        return codes;
    }
    bool Logged(const std::string& line) const {
        return std::find(log_.begin(), log_.end(), line) != log_.end();
    }

    TempConfigHome home_;
    std::vector<std::string> log_;
    HWND window_ = nullptr;
    ValuesDeviceCore* core_ = nullptr;
    std::unique_ptr<CKelvra> front_;
};

}  // namespace kelvra::test
