// Each test gets a fresh stand-in bus and its own back end; at the end every libusb handle,
// device reference and context must be given back, and the stand-in must have seen no misuse
// of the libusb API.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "FakeLibusb.h"
#include "driver/Ioctl.h"
#include "driver/usb/CameraPath.h"
#include "driver/usb/RecordBytes.h"
#include "driver/usb/UsbBackend.h"

namespace kelvra::driver::usb::test {

inline fake::FakeUsb& Fake() {
    return fake::fakeUsb();
}

inline fake::DeviceSetup CameraAt(uint8_t bus, std::vector<uint8_t> ports,
                                  uint16_t productId = 0x3270) {
    fake::DeviceSetup setup;
    setup.bus = bus;
    setup.ports = std::move(ports);
    setup.productId = productId;
    return setup;
}

inline std::string PathOf(const fake::DeviceSetup& setup) {
    return formatCameraPath(CameraAddress{setup.vendorId, setup.productId,
                                          instanceFor(setup.serial, {setup.bus, setup.ports})});
}

class UsbTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Fake().reset();
        backend_ = std::make_unique<UsbBackend>();
    }

    void TearDown() override {
        backend_.reset();
        EXPECT_THAT(Fake().misuse(), ::testing::IsEmpty());
        EXPECT_EQ(Fake().openHandles(), 0);
        EXPECT_EQ(Fake().outstandingDeviceRefs(), 0);
        EXPECT_EQ(Fake().liveContexts(), 0);
    }

    UsbBackend& Backend() { return *backend_; }

    // Plugs the default camera (0x3270 on bus 1 port 1) and returns its path.
    std::string PlugCamera(fake::DeviceSetup setup = CameraAt(1, {1})) {
        device_ = Fake().plug(setup);
        return PathOf(setup);
    }

    int device_ = 0;
    std::unique_ptr<UsbBackend> backend_;
};

inline uint32_t DriverStatus(const uint8_t* record) {
    return loadU32(record + record::kDriverStatus);
}

inline uint32_t UsbStatusWord(const uint8_t* record) {
    return loadU32(record + record::kUsbStatus);
}

}  // namespace kelvra::driver::usb::test
