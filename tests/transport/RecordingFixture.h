// A controller on one recorded device (product 0x3270 unless a test adds others), with its
// prescribed sleeps recorded among the requests instead of slept.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PrivateDeviceMap.h"
#include "RecordingBackend.h"
#include "transport/CNorluxCy3Cam.h"

namespace kelvra::transport::test {

inline bool IsSleep(const Call& call) {
    return call.code == 0;
}

inline bool IsControl(const Call& call, uint8_t request) {
    return call.code == driver::kIoctlControlTransfer && call.in.size() == 102 &&
           call.in[1] == request;
}

inline bool IsDirect(const Call& call, uint8_t endpoint) {
    return call.code == driver::kIoctlDirectTransfer && call.in.size() == 38 &&
           call.in[13] == endpoint;
}

inline std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) {
    return bytes;
}

// The first `count` data bytes of a control request.
inline std::vector<uint8_t> DataOf(const Call& call, size_t count) {
    return std::vector<uint8_t>(call.in.begin() + 38, call.in.begin() + 38 + count);
}

class RecordingFixture : public ::testing::Test {
  protected:
    RecordingFixture() { m_backend.AddDevice(0x3270, "rec&0001"); }

    void SetUp() override {
        m_cam = std::make_unique<CNorluxCy3Cam>();
        m_cam->SetSleepFunction(&RecordingBackend::RecordSleep);
        ASSERT_GE(m_cam->Enumerate(), 1);
        m_backend.Clear();
    }

    std::vector<Call> Calls() { return m_backend.Calls(); }

    PrivateDeviceMap m_map;
    RecordingBackend m_backend;
    std::unique_ptr<CNorluxCy3Cam> m_cam;
};

}  // namespace kelvra::transport::test
