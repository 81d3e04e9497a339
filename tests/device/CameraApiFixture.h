// The public API against simulated cameras, reached either through the simulated back end of
// the driver seam or through the libusb back end (on a stand-in libusb whose devices are the
// same simulated cameras): every scenario runs on both, so the code path a real camera takes
// is exercised too.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "KelvraSdk.h"
#include "UsbStandIn.h"
#include "driver/Driver.h"
#include "driver/usb/UsbBackend.h"
#include "sim/Simulator.h"
#include "support/TempConfigHome.h"
#include "transport/CFx3Api.h"
#include "transport/PrivateDeviceMap.h"

namespace kelvra::test {

enum class Backend { Simulator, Libusb };

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Simulator ? "Simulator" : "Libusb";
}

class CameraApiTest : public ::testing::TestWithParam<Backend> {
  protected:
    void TearDown() override {
        for (int handle : handles_) Kelvra_Release(handle);
        handles_.clear();
        sim::detachAllCameras();
        usbsim::UnplugAll();
        driver::installBackend(nullptr);
    }

    // A camera on the bus of the test's back end.
    std::shared_ptr<sim::SimCamera> Attach(sim::CameraConfig config = {}) {
        if (GetParam() == Backend::Simulator) return sim::attachCamera(config);
        driver::installBackend(&driver::usb::UsbBackend::instance());
        return usbsim::Plug(config);
    }

    // A handle, released at the end of the test.
    int Initialize() {
        const int handle = Kelvra_Initialize(nullptr);
        EXPECT_NE(handle, 0);
        handles_.push_back(handle);
        return handle;
    }

    static std::vector<int> Errors(int handle) {
        std::vector<int> codes;
        for (int code; (code = Kelvra_GetLastError(handle)) != 0;) codes.push_back(code);
        return codes;
    }

    static std::string Serial(int handle) {
        char serial[64] = {};
        if (Kelvra_ReadSerialNumberA(handle, serial, sizeof serial) == 0) return "";
        return serial;
    }

    // The next KELVRA_WM_FRAME to `window`: the report, or null with *failure set (0 when none
    // came within timeoutMs).
    // Generous: sanitizer builds on a loaded machine process a frame slowly.
    static const KELVRA_FRAME_REPORT* NextFrame(HWND window, int* failure, int timeoutMs = 20000) {
        *failure = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        KELVRA_MSG msg{};
        while (std::chrono::steady_clock::now() < end) {
            if (Kelvra_GetMessage(window, &msg, 50) != 1 || msg.message != KELVRA_WM_FRAME)
                continue;
            if (msg.wParam != 0) return reinterpret_cast<const KELVRA_FRAME_REPORT*>(msg.wParam);
            *failure = static_cast<int>(msg.lParam);
            return nullptr;
        }
        return nullptr;
    }

    // A caller buffer for frames; it outlives the handles, which TearDown releases even when an
    // assertion ended the test while acquisition was writing into it.
    uint8_t* FrameBuffer(size_t bytes) {
        buffers_.emplace_back(bytes);
        return buffers_.back().data();
    }

    TempConfigHome config_;

  private:
    std::vector<std::vector<uint8_t>> buffers_;
    transport::test::PrivateDeviceMap map_{"kelvra-api-test-"};
    std::vector<int> handles_;
};

}  // namespace kelvra::test
